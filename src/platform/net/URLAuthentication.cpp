#include "URLAuthentication.h"

#include <QHostAddress>

#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <openssl/x509_vfy.h>

#include <memory>

ServerTrust::ServerTrust(QList<QSslCertificate> chain, QString host, QList<QSslError> platformErrors)
    : chain_(std::move(chain))
    , host_(std::move(host))
    , platformErrors_(std::move(platformErrors))
{
}

bool ServerTrust::evaluate() const
{
    return !chain_.isEmpty() && platformErrors_.isEmpty();
}

namespace {
struct X509Free {
    void operator()(X509* certificate) const { X509_free(certificate); }
};
struct StoreFree {
    void operator()(X509_STORE* store) const { X509_STORE_free(store); }
};
struct ContextFree {
    void operator()(X509_STORE_CTX* context) const { X509_STORE_CTX_free(context); }
};
struct StackFree {
    void operator()(STACK_OF(X509) * stack) const { sk_X509_pop_free(stack, X509_free); }
};
using X509Pointer = std::unique_ptr<X509, X509Free>;

X509Pointer toX509(const QSslCertificate& certificate)
{
    const QByteArray der = certificate.toDer();
    const auto* bytes = reinterpret_cast<const unsigned char*>(der.constData());
    return X509Pointer(d2i_X509(nullptr, &bytes, der.size()));
}
} // namespace

bool ServerTrust::verifiesUpTo(const QList<QSslCertificate>& anchors) const
{
    if (chain_.isEmpty() || anchors.isEmpty() || host_.isEmpty())
        return false;
    X509Pointer leaf = toX509(chain_.first());
    std::unique_ptr<X509_STORE, StoreFree> store(X509_STORE_new());
    std::unique_ptr<STACK_OF(X509), StackFree> untrusted(sk_X509_new_null());
    if (!leaf || !store || !untrusted)
        return false;
    for (const QSslCertificate& anchor : anchors)
        if (X509Pointer certificate = toX509(anchor))
            X509_STORE_add_cert(store.get(), certificate.get());
    // A pinned intermediate or server certificate is an anchor of its own.
    X509_STORE_set_flags(store.get(), X509_V_FLAG_PARTIAL_CHAIN);
    for (qsizetype i = 1; i < chain_.size(); ++i)
        if (X509Pointer certificate = toX509(chain_[i]))
            sk_X509_push(untrusted.get(), certificate.release());

    std::unique_ptr<X509_STORE_CTX, ContextFree> context(X509_STORE_CTX_new());
    if (!context || X509_STORE_CTX_init(context.get(), store.get(), leaf.get(), untrusted.get()) != 1)
        return false;
    X509_VERIFY_PARAM* parameters = X509_STORE_CTX_get0_param(context.get());
    X509_VERIFY_PARAM_set_purpose(parameters, X509_PURPOSE_SSL_SERVER);
    const QByteArray host = host_.toUtf8();
    if (QHostAddress(host_).isNull())
        X509_VERIFY_PARAM_set1_host(parameters, host.constData(), size_t(host.size()));
    else
        X509_VERIFY_PARAM_set1_ip_asc(parameters, host.constData());
    return X509_verify_cert(context.get()) == 1;
}

URLCredential URLCredential::withUser(const QString& user, const QString& password)
{
    URLCredential credential;
    credential.user_ = user;
    credential.password_ = password;
    return credential;
}

URLCredential URLCredential::forTrust(const ServerTrust&)
{
    URLCredential credential;
    credential.isTrust_ = true;
    return credential;
}

AuthenticationChallenge::AuthenticationChallenge(ProtectionSpace space, int previousFailureCount)
    : space_(std::move(space))
    , previousFailureCount_(previousFailureCount)
{
}

void AuthenticationChallenge::useCredential(const URLCredential& credential)
{
    if (disposition_ != Disposition::Unanswered)
        return;
    disposition_ = Disposition::UseCredential;
    credential_ = credential;
}

void AuthenticationChallenge::continueWithoutCredential()
{
    if (disposition_ == Disposition::Unanswered)
        disposition_ = Disposition::ContinueWithoutCredential;
}

void AuthenticationChallenge::cancel()
{
    if (disposition_ == Disposition::Unanswered)
        disposition_ = Disposition::Cancel;
}
