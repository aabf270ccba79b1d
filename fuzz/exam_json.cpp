// The exam server's JSON replies, which the exam store keeps as property lists: whatever is
// read must be written as a property list that reads back.
#include "FuzzEnvironment.h"
#include "PropertyList.h"
#include "ZTExamJson.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzEnvironment::shared();
    const std::optional<QVariant> value = ZTExamJson::parse(FuzzEnvironment::bytes(data, size));
    if (!value)
        return 0;
    const QByteArray stored = PropertyList::toXml(QVariantMap{{QStringLiteral("exam"), *value}});
    FUZZ_REQUIRE(PropertyList::fromData(stored).has_value());
    return 0;
}
