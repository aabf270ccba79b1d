// The token endpoint's reply to a sign-in or a renewal, read as the token request reads it.
// What is taken may stand in an HTTP header, runs out within the bound, and survives the
// sign-in file it is kept in; what is refused says why.
#include "DropboxAuthorization.h"
#include "FuzzEnvironment.h"

#include <QDateTime>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzEnvironment& environment = FuzzEnvironment::shared();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QString error;
    const std::optional<DropboxCredentials> credentials =
        DropboxTokenRequest::credentialsFrom(FuzzEnvironment::bytes(data, size), &error);
    if (!credentials) {
        FUZZ_REQUIRE(!error.isEmpty());
        return 0;
    }
    FUZZ_REQUIRE(credentials->hasWellFormedTokens());
    FUZZ_REQUIRE(credentials->accountId.size() <= 256);
    FUZZ_REQUIRE(!credentials->expiresAt.isValid()
                 || (credentials->expiresAt >= now && credentials->expiresAt <= now.addYears(10)));

    const DropboxCredentialStore store(environment.applicationSupportFolder() + QStringLiteral("/dropbox-sign-in.json"));
    FUZZ_REQUIRE(store.save(*credentials));
    const std::optional<DropboxCredentials> kept = store.load();
    FUZZ_REQUIRE(kept.has_value());
    FUZZ_REQUIRE(kept->accessToken == credentials->accessToken && kept->refreshToken == credentials->refreshToken
                 && kept->accountId == credentials->accountId);
    // The file keeps whole seconds.
    FUZZ_REQUIRE(kept->expiresAt.isValid() == credentials->expiresAt.isValid());
    FUZZ_REQUIRE(!kept->expiresAt.isValid() || qAbs(kept->expiresAt.msecsTo(credentials->expiresAt)) < 1000);
    return 0;
}
