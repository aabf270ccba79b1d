// Our Dropbox client against the strict stand-in service: the shape of each call, what counts
// as a missing file and as a conflict, token renewal, the private credentials file and the
// sign-in through the browser and the loopback redirect.
#include "BearerToken.h"
#include "DropboxSession.h"
#include "FakeDropbox.h"
#include "Log.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

struct MetadataResult {
    bool done = false;
    std::optional<DropboxFileMetadata> metadata;
    DropboxError error;
};

struct DownloadResult : MetadataResult {
    QByteArray bytes;
};

class DropboxClientTest : public ::testing::Test {
protected:
    // A session on the fake service; linked with a grant of the service unless told otherwise.
    DropboxSession& session(bool linked = true)
    {
        if (linked && !QFileInfo::exists(credentialsPath())) {
            grant_ = fake_.grantAccess();
            DropboxCredentialStore(credentialsPath()).save({grant_.accessToken, grant_.refreshToken, {}, QStringLiteral("dbid:x")});
        }
        session_ = std::make_unique<DropboxSession>(FakeDropbox::kAppKey, DropboxEndpoints::allAt(fake_.url()),
                                                    credentialsPath());
        return *session_;
    }
    QString credentialsPath() const { return environment_.root() + QStringLiteral("/data/Vantrel/Melvora/dropbox-credentials.json"); }

    MetadataResult metadata(const QString& path)
    {
        MetadataResult result;
        session_->authorizedClient()->getMetadata(path, [&](auto metadata, const DropboxError& error) {
            result = {true, metadata, error};
        });
        EXPECT_TRUE(waitUntil([&] { return result.done; }));
        return result;
    }
    MetadataResult upload(const QString& path, const DropboxWriteMode& mode, const QByteArray& bytes)
    {
        MetadataResult result;
        session_->authorizedClient()->upload(path, mode, bytes, [&](auto metadata, const DropboxError& error) {
            result = {true, metadata, error};
        });
        EXPECT_TRUE(waitUntil([&] { return result.done; }));
        return result;
    }
    DownloadResult download(const QString& path, qint64 maxBytes = 1 << 20)
    {
        DownloadResult result;
        session_->authorizedClient()->download(path, maxBytes, [&](auto metadata, const QByteArray& bytes,
                                                                  const DropboxError& error) {
            result.done = true;
            result.metadata = metadata;
            result.error = error;
            result.bytes = bytes;
        });
        EXPECT_TRUE(waitUntil([&] { return result.done; }));
        return result;
    }

    TestEnvironment environment_;
    FakeDropbox fake_;
    FakeDropbox::Grant grant_;
    std::unique_ptr<DropboxSession> session_;
};

QJsonObject headerJson(const RecordedRequest& request, const QString& header)
{
    return QJsonDocument::fromJson(request.headers.value(header).toUtf8()).object();
}

} // namespace

TEST_F(DropboxClientTest, FileCallsHaveTheServicesShapeAndCarryTheToken)
{
    session();
    const MetadataResult missing = metadata(QStringLiteral("/stats.db"));
    EXPECT_FALSE(missing.metadata);
    EXPECT_TRUE(missing.error.isPathNotFound());

    const MetadataResult created = upload(QStringLiteral("/stats.db"), DropboxWriteMode::add(), "first");
    ASSERT_TRUE(created.metadata) << created.error.description().toStdString();
    EXPECT_EQ(created.metadata->rev, fake_.file(QStringLiteral("/stats.db"))->rev);
    EXPECT_EQ(metadata(QStringLiteral("/STATS.db")).metadata->rev, created.metadata->rev);

    const DownloadResult fetched = download(QStringLiteral("/stats.db"));
    EXPECT_EQ(fetched.bytes, QByteArray("first"));
    ASSERT_TRUE(fetched.metadata);
    EXPECT_EQ(fetched.metadata->rev, created.metadata->rev);
    EXPECT_TRUE(fetched.metadata->serverModified.isValid());

    for (const RecordedRequest& request : fake_.http().requests())
        EXPECT_EQ(request.headers.value(QStringLiteral("authorization")), QStringLiteral("Bearer ") + grant_.accessToken);
    const RecordedRequest uploadRequest = fake_.http().requests().at(1);
    const QJsonObject argument = headerJson(uploadRequest, QStringLiteral("dropbox-api-arg"));
    EXPECT_EQ(argument.value(QStringLiteral("mode")).toObject().value(QStringLiteral(".tag")).toString(), QStringLiteral("add"));
    EXPECT_FALSE(argument.value(QStringLiteral("autorename")).toBool(true));
    EXPECT_TRUE(argument.value(QStringLiteral("strict_conflict")).toBool());
    EXPECT_EQ(uploadRequest.body, QByteArray("first"));
    EXPECT_EQ(fake_.http().requests().last().method, QStringLiteral("GET"));
}

TEST_F(DropboxClientTest, OnlyPathNotFoundMeansMissingAndRevisionMismatchesAreConflicts)
{
    session();
    const QByteArray restricted = R"({"error_summary": "path/restricted_content/..", "error": {".tag": "path", "path": {".tag": "restricted_content"}}})";
    fake_.failNext(QStringLiteral("get_metadata"), {409, restricted});
    const MetadataResult refused = metadata(QStringLiteral("/prefs.plist"));
    EXPECT_FALSE(refused.error.isPathNotFound());
    EXPECT_EQ(refused.error.statusCode(), 409);
    EXPECT_TRUE(refused.error.description().contains(QStringLiteral("restricted_content")));

    fake_.failNext(QStringLiteral("get_metadata"), {404, "Not Found"});
    EXPECT_FALSE(metadata(QStringLiteral("/prefs.plist")).error.isPathNotFound());
    fake_.failNext(QStringLiteral("get_metadata"), {503, "<html>busy</html>"});
    const MetadataResult busy = metadata(QStringLiteral("/prefs.plist"));
    EXPECT_FALSE(busy.error.isPathNotFound());
    EXPECT_TRUE(busy.error.description().contains(QStringLiteral("503")));

    const QString first = upload(QStringLiteral("/prefs.plist"), DropboxWriteMode::add(), "a").metadata->rev;
    // Another computer writes a newer copy: an update from the older revision conflicts.
    fake_.putFile(QStringLiteral("/prefs.plist"), "from elsewhere");
    const MetadataResult stale = upload(QStringLiteral("/prefs.plist"), DropboxWriteMode::update(first), "b");
    EXPECT_TRUE(stale.error.isConflict());
    EXPECT_EQ(fake_.file(QStringLiteral("/prefs.plist"))->bytes, QByteArray("from elsewhere"));
    EXPECT_TRUE(upload(QStringLiteral("/prefs.plist"), DropboxWriteMode::add(), "c").error.isConflict());
    // Deleted meanwhile: an update is a conflict too, never a new file.
    fake_.removeFile(QStringLiteral("/prefs.plist"));
    EXPECT_TRUE(upload(QStringLiteral("/prefs.plist"), DropboxWriteMode::update(first), "d").error.isConflict());
    EXPECT_FALSE(fake_.file(QStringLiteral("/prefs.plist")));
    EXPECT_EQ(fake_.uploadModes(), (QStringList{QStringLiteral("add"), QStringLiteral("update:") + first,
                                                QStringLiteral("add"), QStringLiteral("update:") + first}));
}

TEST_F(DropboxClientTest, RepliesThatCannotBeReadOrAreTooLargeFail)
{
    session();
    fake_.putFile(QStringLiteral("/levels.plist"), QByteArray(4096, 'x'));
    const DownloadResult tooLarge = download(QStringLiteral("/levels.plist"), 1024);
    EXPECT_FALSE(tooLarge.metadata);
    EXPECT_TRUE(tooLarge.bytes.isEmpty());
    EXPECT_EQ(tooLarge.error.kind(), DropboxError::Kind::Transport);

    fake_.failNext(QStringLiteral("get_metadata"), {200, R"({".tag": "file", "name": "levels.plist"})"});
    EXPECT_EQ(metadata(QStringLiteral("/levels.plist")).error.kind(), DropboxError::Kind::BadReply);
    fake_.failNext(QStringLiteral("get_metadata"), {200, R"({".tag": "folder", "name": "levels.plist"})"});
    EXPECT_EQ(metadata(QStringLiteral("/levels.plist")).error.kind(), DropboxError::Kind::BadReply);
    fake_.failNext(QStringLiteral("get_metadata"), {200, "[[[[not json"});
    EXPECT_EQ(metadata(QStringLiteral("/levels.plist")).error.kind(), DropboxError::Kind::BadReply);
}

TEST_F(DropboxClientTest, AnExpiredTokenIsRenewedOnceAndARevokedSignInEndsTheLink)
{
    LogCapture log;
    session();
    fake_.expireAccessToken(grant_.accessToken);
    // Two calls at once share one renewal.
    MetadataResult first, second;
    session_->authorizedClient()->getMetadata(QStringLiteral("/a"), [&](auto m, const DropboxError& e) { first = {true, m, e}; });
    session_->authorizedClient()->getMetadata(QStringLiteral("/b"), [&](auto m, const DropboxError& e) { second = {true, m, e}; });
    ASSERT_TRUE(waitUntil([&] { return first.done && second.done; }));
    EXPECT_TRUE(first.error.isPathNotFound());
    EXPECT_TRUE(second.error.isPathNotFound());
    int renewals = 0;
    for (const RecordedRequest& request : fake_.http().requests())
        renewals += request.path == QLatin1String("/oauth2/token");
    EXPECT_EQ(renewals, 1);
    const auto renewed = DropboxCredentialStore(credentialsPath()).load();
    ASSERT_TRUE(renewed);
    EXPECT_NE(renewed->accessToken, grant_.accessToken);
    EXPECT_EQ(renewed->refreshToken, grant_.refreshToken);

    fake_.revoke({renewed->accessToken, renewed->refreshToken});
    const MetadataResult gone = metadata(QStringLiteral("/a"));
    EXPECT_TRUE(gone.error.isNotLinked());
    EXPECT_FALSE(session_->isLinked());
    EXPECT_FALSE(QFileInfo::exists(credentialsPath()));
    for (const QString& line : log.lines()) {
        EXPECT_FALSE(line.contains(grant_.accessToken)) << line.toStdString();
        EXPECT_FALSE(line.contains(grant_.refreshToken)) << line.toStdString();
    }
}

TEST_F(DropboxClientTest, SigningInGoesThroughTheBrowserAndKeepsTheTokensInAPrivateFile)
{
    LogCapture log;
    DropboxSession& signIn = session(false);
    EXPECT_FALSE(signIn.isLinked());
    EXPECT_EQ(signIn.authorizedClient(), nullptr);
    std::optional<DropboxSession::Outcome> outcome;
    signIn.authorize([this](const QUrl& page) { fake_.visitSignInPage(page); },
                     [&](const DropboxSession::Outcome& result) { outcome = result; });
    ASSERT_TRUE(waitUntil([&] { return outcome.has_value(); }));
    EXPECT_EQ(outcome->kind, DropboxSession::Outcome::Kind::Success) << outcome->message.toStdString();
    EXPECT_TRUE(signIn.isLinked());
    EXPECT_TRUE(fake_.lastSignInRedirect().startsWith(QStringLiteral("http://127.0.0.1:")));

    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(credentialsPath()).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    const auto stored = DropboxCredentialStore(credentialsPath()).load();
    ASSERT_TRUE(stored);
    EXPECT_FALSE(stored->refreshToken.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(environment_.applicationSupportFolder() + QStringLiteral("/settings.plist")));
    EXPECT_TRUE(metadata(QStringLiteral("/stats.db")).error.isPathNotFound());
    for (const QString& line : log.lines())
        EXPECT_FALSE(line.contains(stored->accessToken) || line.contains(stored->refreshToken)) << line.toStdString();

    signIn.unlink();
    EXPECT_FALSE(signIn.isLinked());
    EXPECT_FALSE(QFileInfo::exists(credentialsPath()));
}

TEST_F(DropboxClientTest, ADeniedSignInIsACancelAndForeignRedirectsAreIgnored)
{
    DropboxSession& signIn = session(false);
    fake_.setApproveSignIn(false);
    std::optional<DropboxSession::Outcome> outcome;
    QUrl page;
    signIn.authorize([&](const QUrl& url) { page = url; },
                     [&](const DropboxSession::Outcome& result) { outcome = result; });
    ASSERT_TRUE(signIn.pendingAuthorization());
    // A page of another site calling the loopback address, with a code but the wrong state.
    QUrl forged(signIn.pendingAuthorization()->redirectUri());
    forged.setQuery(QStringLiteral("code=stolen&state=guess"));
    signIn.pendingAuthorization()->handleRedirectURL(forged);
    // Still waiting; had the forged code been taken, its failed exchange would end the sign-in
    // before the user's own answer below, which must come out as the cancel it is.
    EXPECT_FALSE(outcome.has_value());
    ASSERT_TRUE(signIn.pendingAuthorization());

    fake_.visitSignInPage(page);
    ASSERT_TRUE(waitUntil([&] { return outcome.has_value(); }));
    EXPECT_EQ(outcome->kind, DropboxSession::Outcome::Kind::Cancel);
    EXPECT_FALSE(signIn.isLinked());
    EXPECT_FALSE(QFileInfo::exists(credentialsPath()));

    const QUrlQuery query(page);
    EXPECT_EQ(query.queryItemValue(QStringLiteral("code_challenge_method")), QStringLiteral("S256"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("token_access_type")), QStringLiteral("offline"));
}

TEST(DropboxJsonTest, HeaderArgumentsAreAsciiAndPkceChallengesMatchTheirVerifier)
{
    const QByteArray header = DropboxJson::headerArgument(QJsonObject{{QStringLiteral("path"), QStringLiteral("/Übung 🎵.plist")}});
    EXPECT_EQ(header, QByteArray(R"({"path":"/\u00dcbung \ud83c\udfb5.plist"})"));
    EXPECT_EQ(QJsonDocument::fromJson(header).object().value(QStringLiteral("path")).toString(), QStringLiteral("/Übung 🎵.plist"));
    // The worked example of RFC 7636 (appendix B).
    EXPECT_EQ(DropboxPkce::challengeFor(QStringLiteral("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk")),
              QStringLiteral("E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM"));
    const DropboxPkce pkce = DropboxPkce::generate();
    EXPECT_GE(pkce.verifier.size(), 43);
    EXPECT_NE(pkce.verifier, DropboxPkce::generate().verifier);
}

TEST(DropboxCredentialStoreTest, TokensThatCouldEndTheAuthorizationHeaderAreRefused)
{
    TestEnvironment environment;
    const QString path = environment.root() + QStringLiteral("/sign-in.json");
    auto storedWith = [&](const QString& access, const QString& refresh) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QJsonDocument(QJsonObject{{QStringLiteral("access_token"), access},
                                             {QStringLiteral("refresh_token"), refresh}})
                       .toJson());
        file.close();
        return DropboxCredentialStore(path).load();
    };
    EXPECT_TRUE(storedWith(QStringLiteral("sl.AbC-12_3~+/="), QStringLiteral("r3fresh")));
    EXPECT_TRUE(storedWith(QStringLiteral("sl.AbC"), QString()));
    for (const QString& bad : {QStringLiteral("sl.A\r\nX-Injected: 1"), QStringLiteral("sl.A\nB"),
                               QStringLiteral("sl.A B"), QString::fromUtf8("sl.\xC3\xA9"),
                               QStringLiteral("sl.A") + QChar(0) + QStringLiteral("B"),
                               QString(BearerToken::kMaxLength + 1, QLatin1Char('a'))}) {
        EXPECT_FALSE(storedWith(bad, QStringLiteral("r3fresh"))) << bad.left(20).toStdString();
        EXPECT_FALSE(storedWith(QStringLiteral("sl.AbC"), bad)) << bad.left(20).toStdString();
    }
}
