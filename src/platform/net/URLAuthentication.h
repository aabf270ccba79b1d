#pragma once

#include <QList>
#include <QSslCertificate>
#include <QSslError>
#include <QString>

#include <optional>

// The server's certificate chain as it arrived (server's own certificate first) with the
// platform's verdict on it.
class ServerTrust {
public:
    ServerTrust() = default;
    ServerTrust(QList<QSslCertificate> chain, QString host, QList<QSslError> platformErrors);

    const QList<QSslCertificate>& certificates() const { return chain_; }
    const QString& host() const { return host_; }
    const QList<QSslError>& platformErrors() const { return platformErrors_; }

    // The platform's evaluation: the chain leads to a trusted root and names the host.
    bool evaluate() const;
    // True when the signatures verify from the server's certificate up to one of the
    // anchors, every certificate on that path is valid now and the server's certificate
    // names the host. Certificates the server sent that are not on that path play no part.
    bool verifiesUpTo(const QList<QSslCertificate>& anchors) const;

private:
    QList<QSslCertificate> chain_;
    QString host_;
    QList<QSslError> platformErrors_;
};

// A credential: a user name and password, or the acceptance of a server's trust.
class URLCredential {
public:
    static URLCredential withUser(const QString& user, const QString& password);
    static URLCredential forTrust(const ServerTrust& trust);

    bool isTrust() const { return isTrust_; }
    const QString& user() const { return user_; }
    const QString& password() const { return password_; }

private:
    bool isTrust_ = false;
    QString user_;
    QString password_;
};

inline const QString AuthenticationMethodServerTrust = QStringLiteral("NSURLAuthenticationMethodServerTrust");
inline const QString AuthenticationMethodHTTPBasic = QStringLiteral("NSURLAuthenticationMethodHTTPBasic");
inline const QString AuthenticationMethodHTTPDigest = QStringLiteral("NSURLAuthenticationMethodHTTPDigest");

struct ProtectionSpace {
    QString host;
    int port = 0;
    QString protocol;
    QString realm;
    QString authenticationMethod;
    // Set for server-trust challenges.
    std::optional<ServerTrust> serverTrust;
};

// One challenge of a load. It is answered once, synchronously, while the load waits; a
// challenge left unanswered continues without a credential.
class AuthenticationChallenge {
public:
    enum class Disposition { Unanswered, UseCredential, ContinueWithoutCredential, Cancel };

    AuthenticationChallenge(ProtectionSpace space, int previousFailureCount);

    const ProtectionSpace& protectionSpace() const { return space_; }
    int previousFailureCount() const { return previousFailureCount_; }

    void useCredential(const URLCredential& credential);
    void continueWithoutCredential();
    void cancel();

    Disposition disposition() const { return disposition_; }
    const std::optional<URLCredential>& credential() const { return credential_; }

private:
    ProtectionSpace space_;
    int previousFailureCount_;
    Disposition disposition_ = Disposition::Unanswered;
    std::optional<URLCredential> credential_;
};
