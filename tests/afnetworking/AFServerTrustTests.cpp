#include "AFTestSupport.h"

#include "URLError.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

// Trust and pinning against TLS servers with certificates made here. Certificate checks
// stay on throughout: the test authority is added to the process's trust store, the
// way an installed root would be.
namespace {

const QStringList LocalHost = {QStringLiteral("127.0.0.1")};

class ServerTrust : public ::testing::Test {
protected:
    // Puts the certificates into the bundle as the ".cer" pins.
    void pin(const QList<TestCertificate>& certificates)
    {
        const QString bundle = environment.root() + QStringLiteral("/bundle");
        QDir().mkpath(bundle);
        int index = 0;
        for (const TestCertificate& certificate : certificates) {
            QFile file(bundle + QStringLiteral("/pin%1.cer").arg(index++));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(certificate.der());
        }
        environment.useResources(bundle);
    }

    std::shared_ptr<Outcome> fetch(const TestCertificate::Identity& identity, AFPinningMode mode, bool allowInvalid = false)
    {
        TestHttpServer server(identity);
        server.server().Get("/secret", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("secret", "text/plain");
        });
        server.start();
        auto operation = operationFor(server.url("/secret"));
        operation->setSSLPinningMode(mode);
        operation->setAllowsInvalidSSLCertificate(allowInvalid);
        return load(operation);
    }

    static bool refused(const Outcome& outcome)
    {
        return outcome.failures == 1 && outcome.error.domain() == URLError::Domain
            && (outcome.error.code() == URLError::ServerCertificateUntrusted
                || outcome.error.code() == URLError::SecureConnectionFailed);
    }

    TestEnvironment environment;
    TestCertificate root = TestCertificate::rootAuthority(QStringLiteral("Melvora Test Root"));
    TestCertificate intermediate = root.issueAuthority(QStringLiteral("Melvora Test Intermediate"));
    TestCertificate server = intermediate.issueServer(LocalHost);
    TestCertificate::Identity identity = server.identityWith({intermediate});
};

TEST_F(ServerTrust, WithoutPinningTheTrustStoreDecides)
{
    EXPECT_TRUE(refused(*fetch(identity, AFSSLPinningModeNone))) << "the root is not trusted yet";
    trustCertificateAuthority(root);
    const auto trusted = fetch(identity, AFSSLPinningModeNone);
    ASSERT_EQ(trusted->successes, 1) << trusted->error.description().toStdString();
    EXPECT_EQ(trusted->object.toByteArray(), "secret");

    const TestCertificate wrongHost = intermediate.issueServer({QStringLiteral("example.invalid")});
    EXPECT_TRUE(refused(*fetch(wrongHost.identityWith({intermediate}), AFSSLPinningModeNone)));
}

TEST_F(ServerTrust, ASelfSignedServerIsRefusedUnlessInvalidCertificatesAreAllowed)
{
    const auto selfSigned = TestCertificate::selfSignedServer(LocalHost).identityWith();
    EXPECT_TRUE(refused(*fetch(selfSigned, AFSSLPinningModeNone)));
    EXPECT_EQ(fetch(selfSigned, AFSSLPinningModeNone, true)->successes, 1);
}

TEST_F(ServerTrust, CertificatePinningAcceptsAChainThatLeadsToThePinnedIntermediate)
{
    pin({intermediate});
    const auto pinned = fetch(identity, AFSSLPinningModeCertificate);
    EXPECT_EQ(pinned->successes, 1) << pinned->error.description().toStdString();
}

TEST_F(ServerTrust, CertificatePinningRefusesAChainWithThePinnedCertificateMerelyAppended)
{
    pin({intermediate});
    // An attacker's own authority and server certificate for the same host, with the
    // pinned (public) certificate tacked on at the end of the chain it presents.
    const TestCertificate attackerRoot = TestCertificate::rootAuthority(QStringLiteral("Attacker"));
    const TestCertificate attackerServer = attackerRoot.issueServer(LocalHost);
    const auto attack = fetch(attackerServer.identityWith({attackerRoot, intermediate}), AFSSLPinningModeCertificate);
    EXPECT_TRUE(refused(*attack));
}

TEST_F(ServerTrust, CertificatePinningChecksTheHostName)
{
    pin({intermediate});
    const TestCertificate otherHost = intermediate.issueServer({QStringLiteral("example.invalid")});
    EXPECT_TRUE(refused(*fetch(otherHost.identityWith({intermediate}), AFSSLPinningModeCertificate)));
}

TEST_F(ServerTrust, PublicKeyPinningAcceptsAReissuedCertificateWithTheSameKey)
{
    const TestCertificate reissued = root.issueServerForKeyOf(server, LocalHost);
    pin({reissued});
    const auto pinned = fetch(identity, AFSSLPinningModePublicKey);
    EXPECT_EQ(pinned->successes, 1) << pinned->error.description().toStdString();
}

TEST_F(ServerTrust, PublicKeyPinningRefusesAChainWithThePinnedKeyMerelyAppended)
{
    pin({intermediate});
    const TestCertificate attackerRoot = TestCertificate::rootAuthority(QStringLiteral("Attacker"));
    const TestCertificate attackerServer = attackerRoot.issueServer(LocalHost);
    EXPECT_TRUE(refused(*fetch(attackerServer.identityWith({attackerRoot, intermediate}), AFSSLPinningModePublicKey)));
}

TEST_F(ServerTrust, WithoutPinsEveryServerIsRefused)
{
    pin({});
    trustCertificateAuthority(root);
    EXPECT_TRUE(refused(*fetch(identity, AFSSLPinningModeCertificate)));
    EXPECT_TRUE(refused(*fetch(identity, AFSSLPinningModePublicKey)));
}

TEST_F(ServerTrust, BasicCredentialsAreAnsweredOverTlsButAFailedOneIsNotRepeated)
{
    trustCertificateAuthority(root);
    TestHttpServer https(identity);
    https.server().Get("/basic", [](const httplib::Request& request, httplib::Response& response) {
        if (request.get_header_value("Authorization") == "Basic dXNlcjpwYXNz") {
            response.set_content("welcome", "text/plain");
            return;
        }
        response.status = 401;
        response.set_header("WWW-Authenticate", "Basic realm=\"melvora\"");
    });
    https.start();

    auto good = operationFor(https.url("/basic"));
    good->setCredential(URLCredential::withUser(QStringLiteral("user"), QStringLiteral("pass")));
    const auto welcomed = load(good);
    ASSERT_EQ(welcomed->successes, 1) << welcomed->error.description().toStdString();
    EXPECT_EQ(welcomed->object.toByteArray(), "welcome");

    auto bad = operationFor(https.url("/basic"));
    bad->setShouldUseCredentialStorage(false);
    bad->setCredential(URLCredential::withUser(QStringLiteral("user"), QStringLiteral("wrong")));
    int challenges = 0;
    const auto answered = load([&] {
        bad->setWillSendRequestForAuthenticationChallengeBlock([&](URLConnection&, AuthenticationChallenge& challenge) {
            ++challenges;
            if (challenge.protectionSpace().serverTrust)
                challenge.useCredential(URLCredential::forTrust(*challenge.protectionSpace().serverTrust));
            else if (challenge.previousFailureCount() == 0)
                challenge.useCredential(URLCredential::withUser(QStringLiteral("user"), QStringLiteral("wrong")));
            else
                challenge.continueWithoutCredential();
        });
        return bad;
    }());
    ASSERT_EQ(answered->failures, 1);
    EXPECT_EQ(bad->response()->statusCode, 401);
    EXPECT_LE(challenges, 3) << "one trust challenge, the first answer and its refusal";
}

TEST_F(ServerTrust, ARedirectFromHttpsToHttpIsRefused)
{
    trustCertificateAuthority(root);
    TestHttpServer plain;
    plain.server().Get("/landing", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("insecure", "text/plain");
    });
    plain.start();
    TestHttpServer https(identity);
    const std::string target = plain.url("/landing").toString().toStdString();
    https.server().Get("/jump", [target](const httplib::Request&, httplib::Response& response) { response.set_redirect(target); });
    https.start();
    const auto outcome = load(operationFor(https.url("/jump")));
    ASSERT_EQ(outcome->failures, 1);
    EXPECT_EQ(outcome->error.code(), URLError::InsecureRedirect);
    EXPECT_TRUE(plain.requests().isEmpty());
}

} // namespace
