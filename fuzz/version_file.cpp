// The update server's version file: a version number is all it may yield, and version
// numbers compare as a total order.
#include "FuzzEnvironment.h"
#include "ZTVersionNumber.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = FuzzEnvironment::bytes(data, size);
    const std::optional<QString> version = ZTVersionNumber::fromVersionFile(bytes);
    if (!version)
        return 0;
    FUZZ_REQUIRE(!version->isEmpty() && version->size() <= 64);
    FUZZ_REQUIRE(ZTVersionNumber::compareNumerically(*version, *version) == 0);
    const QString older = QStringLiteral("0");
    FUZZ_REQUIRE(ZTVersionNumber::compareNumerically(*version, older)
                 == -ZTVersionNumber::compareNumerically(older, *version));
    FUZZ_REQUIRE(!ZTVersionNumber::shortened(*version).isEmpty());
    return 0;
}
