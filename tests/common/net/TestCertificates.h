#pragma once

#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <QString>
#include <QStringList>

#include <memory>

// Certificates made at test time (P-256 keys, valid from an hour ago for a day): a root
// authority issues intermediates, either issues server certificates.
//
//   auto root = TestCertificate::rootAuthority("Test Root");
//   auto intermediate = root.issueAuthority("Test Intermediate");
//   auto server = intermediate.issueServer({"127.0.0.1", "localhost"});
//   TestHttpServer https(server.identityWith({intermediate}));
class TestCertificate {
public:
    static TestCertificate rootAuthority(const QString& commonName);
    // An authority signed by this one.
    TestCertificate issueAuthority(const QString& commonName) const;
    // A server certificate for the host names and IP addresses, signed by this one.
    TestCertificate issueServer(const QStringList& hosts) const;
    // A server certificate like issueServer, but for the key of another certificate
    // (a re-issue with the same key).
    TestCertificate issueServerForKeyOf(const TestCertificate& keyHolder, const QStringList& hosts) const;
    // A self-signed server certificate (no authority behind it).
    static TestCertificate selfSignedServer(const QStringList& hosts);

    QSslCertificate certificate() const;
    QByteArray pem() const;
    QByteArray der() const;
    QByteArray privateKeyPem() const;

    // What a TLS server presents: this (server) certificate, then the given ones in order,
    // and this certificate's private key.
    struct Identity {
        QByteArray chainPem;
        QByteArray privateKeyPem;
    };
    Identity identityWith(const QList<TestCertificate>& rest = {}) const;

private:
    struct Parts;
    TestCertificate issue(const QString& commonName, const QStringList& hosts, bool authority,
                          const std::shared_ptr<Parts>& keySource) const;
    std::shared_ptr<Parts> parts_;
};

// Adds the authority to the trust store of the process (the default TLS configuration), as
// an installed root would be; certificate checks stay on.
void trustCertificateAuthority(const TestCertificate& authority);
