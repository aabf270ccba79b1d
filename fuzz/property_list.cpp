// Property lists, XML and binary, through our conversion: whatever is read must write out and
// read back the same.
#include "FuzzEnvironment.h"
#include "PropertyList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzEnvironment::shared();
    const std::optional<QVariant> value = PropertyList::fromData(FuzzEnvironment::bytes(data, size));
    if (!value)
        return 0;
    const QByteArray written = PropertyList::toXml(*value);
    const std::optional<QVariant> again = PropertyList::fromData(written);
    FUZZ_REQUIRE(again.has_value());
    FUZZ_REQUIRE(PropertyList::toXml(*again) == written);
    return 0;
}
