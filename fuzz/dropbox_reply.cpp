// Dropbox replies (file metadata and error bodies) and the sign-in file: whatever is taken in
// is bounded, and no token taken in can end an HTTP header early.
#include "BearerToken.h"
#include "DropboxCredentialStore.h"
#include "DropboxTypes.h"
#include "FuzzEnvironment.h"

#include <QJsonObject>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzEnvironment& environment = FuzzEnvironment::shared();
    const QByteArray bytes = FuzzEnvironment::bytes(data, size);

    if (const std::optional<QJsonObject> reply = DropboxJson::objectFrom(bytes)) {
        if (const auto metadata = DropboxFileMetadata::fromJson(*reply)) {
            FUZZ_REQUIRE(!metadata->rev.isEmpty() && metadata->rev.size() <= 256);
            FUZZ_REQUIRE(metadata->serverModified.isValid());
        }
    }
    FUZZ_REQUIRE(DropboxError::api(409, bytes).description().size() < 1000);

    const QString path = environment.applicationSupportFolder() + QStringLiteral("/dropbox-sign-in.json");
    FuzzEnvironment::writeFile(path, bytes);
    if (const auto credentials = DropboxCredentialStore(path).load())
        FUZZ_REQUIRE(credentials->hasWellFormedTokens());
    return 0;
}
