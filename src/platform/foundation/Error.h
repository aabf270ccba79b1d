#pragma once

#include <QString>
#include <QVariantMap>

// A failure as the layers report it: a domain, a code within it and user info whose keys
// are the constants below (plus any keys of the domain's own).
class Error {
public:
    Error() = default;
    Error(QString domain, qint64 code, QVariantMap userInfo = {});

    bool isNull() const { return domain_.isEmpty(); }
    explicit operator bool() const { return !isNull(); }

    const QString& domain() const { return domain_; }
    qint64 code() const { return code_; }
    const QVariantMap& userInfo() const { return userInfo_; }
    QString localizedDescription() const;
    QString localizedFailureReason() const;
    QString localizedRecoverySuggestion() const;

    // "Error Domain=<domain> Code=<code> \"<description>\"", for log lines.
    QString description() const;

    bool operator==(const Error& other) const = default;

    static const QString LocalizedDescriptionKey;
    static const QString LocalizedFailureReasonKey;
    static const QString LocalizedRecoverySuggestionKey;

private:
    QString domain_;
    qint64 code_ = 0;
    QVariantMap userInfo_;
};
