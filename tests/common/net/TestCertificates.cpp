#include "TestCertificates.h"

#include <QHostAddress>
#include <QSslConfiguration>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <stdexcept>

struct TestCertificate::Parts {
    std::shared_ptr<X509> certificate;
    std::shared_ptr<EVP_PKEY> key;
};

namespace {

std::shared_ptr<EVP_PKEY> newKey()
{
    EVP_PKEY* key = EVP_EC_gen("P-256");
    if (!key)
        throw std::runtime_error("cannot make a test key");
    return std::shared_ptr<EVP_PKEY>(key, EVP_PKEY_free);
}

void addExtension(X509* certificate, X509* issuer, int nid, const QByteArray& value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.constData());
    if (!extension)
        throw std::runtime_error("cannot make a certificate extension");
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
}

QByteArray subjectAltNames(const QStringList& hosts)
{
    QStringList names;
    for (const QString& host : hosts)
        names << (QHostAddress(host).isNull() ? QStringLiteral("DNS:") : QStringLiteral("IP:")) + host;
    return names.join(QLatin1Char(',')).toLatin1();
}

QByteArray bioText(BIO* bio)
{
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    QByteArray text(data, int(length));
    BIO_free(bio);
    return text;
}

} // namespace

TestCertificate TestCertificate::issue(const QString& commonName, const QStringList& hosts, bool authority,
                                       const std::shared_ptr<Parts>& keySource) const
{
    auto parts = std::make_shared<Parts>();
    parts->key = keySource ? keySource->key : newKey();
    std::shared_ptr<X509> certificate(X509_new(), X509_free);
    X509* x = certificate.get();
    X509_set_version(x, 2);
    unsigned char serial[16];
    RAND_bytes(serial, sizeof serial);
    serial[0] &= 0x7f;
    BIGNUM* number = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(number, X509_get_serialNumber(x));
    BN_free(number);
    X509_gmtime_adj(X509_getm_notBefore(x), -3600);
    X509_gmtime_adj(X509_getm_notAfter(x), 86400);
    X509_set_pubkey(x, parts->key.get());
    X509_NAME* name = X509_get_subject_name(x);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(commonName.toUtf8().constData()), -1, -1, 0);
    X509* issuer = parts_ ? parts_->certificate.get() : x;
    EVP_PKEY* signingKey = parts_ ? parts_->key.get() : parts->key.get();
    X509_set_issuer_name(x, X509_get_subject_name(issuer));
    addExtension(x, issuer, NID_subject_key_identifier, "hash");
    addExtension(x, issuer, NID_authority_key_identifier, "keyid:always");
    if (authority) {
        addExtension(x, issuer, NID_basic_constraints, "critical,CA:TRUE");
        addExtension(x, issuer, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        addExtension(x, issuer, NID_basic_constraints, "critical,CA:FALSE");
        addExtension(x, issuer, NID_key_usage, "critical,digitalSignature");
        addExtension(x, issuer, NID_ext_key_usage, "serverAuth");
        addExtension(x, issuer, NID_subject_alt_name, subjectAltNames(hosts));
    }
    if (X509_sign(x, signingKey, EVP_sha256()) == 0)
        throw std::runtime_error("cannot sign a test certificate");
    parts->certificate = certificate;
    TestCertificate result;
    result.parts_ = parts;
    return result;
}

TestCertificate TestCertificate::rootAuthority(const QString& commonName)
{
    return TestCertificate().issue(commonName, {}, true, nullptr);
}

TestCertificate TestCertificate::issueAuthority(const QString& commonName) const
{
    return issue(commonName, {}, true, nullptr);
}

TestCertificate TestCertificate::issueServer(const QStringList& hosts) const
{
    return issue(hosts.value(0), hosts, false, nullptr);
}

TestCertificate TestCertificate::issueServerForKeyOf(const TestCertificate& keyHolder, const QStringList& hosts) const
{
    return issue(hosts.value(0), hosts, false, keyHolder.parts_);
}

TestCertificate TestCertificate::selfSignedServer(const QStringList& hosts)
{
    return TestCertificate().issue(hosts.value(0), hosts, false, nullptr);
}

QByteArray TestCertificate::pem() const
{
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, parts_->certificate.get());
    return bioText(bio);
}

QByteArray TestCertificate::der() const
{
    unsigned char* data = nullptr;
    const int length = i2d_X509(parts_->certificate.get(), &data);
    QByteArray bytes(reinterpret_cast<const char*>(data), length);
    OPENSSL_free(data);
    return bytes;
}

QSslCertificate TestCertificate::certificate() const
{
    return QSslCertificate(der(), QSsl::Der);
}

QByteArray TestCertificate::privateKeyPem() const
{
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_PrivateKey(bio, parts_->key.get(), nullptr, nullptr, 0, nullptr, nullptr);
    return bioText(bio);
}

TestCertificate::Identity TestCertificate::identityWith(const QList<TestCertificate>& rest) const
{
    Identity identity;
    identity.chainPem = pem();
    for (const TestCertificate& certificate : rest)
        identity.chainPem += certificate.pem();
    identity.privateKeyPem = privateKeyPem();
    return identity;
}

void trustCertificateAuthority(const TestCertificate& authority)
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificate(authority.certificate());
    QSslConfiguration::setDefaultConfiguration(configuration);
}
