#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariant>
#include <QVariantMap>

// A set of parameter values: written as repeated fields under the plain key, in the set's
// own order. (Dictionaries are QVariantMap, arrays QVariantList.)
struct AFParameterSet {
    QVariantList values;
};
Q_DECLARE_METATYPE(AFParameterSet)

// One field/value pair of a query or form body. A null value (an invalid QVariant or
// std::nullptr_t) writes the field alone.
class AFQueryStringPair {
public:
    AFQueryStringPair(QVariant field, QVariant value);
    const QVariant& field() const { return field_; }
    const QVariant& value() const { return value_; }
    bool hasValue() const;
    // "field=value" percent-escaped in the encoding (an IANA name).
    QString URLEncodedStringValueWithEncoding(const QByteArray& encoding) const;

private:
    QVariant field_;
    QVariant value_;
};

// The description text of a parameter value, as it is written into queries and forms.
QString AFParameterDescription(const QVariant& value);

QString AFPercentEscapedQueryField(const QString& text, const QByteArray& encoding);
QString AFPercentEscapedQueryValue(const QString& text, const QByteArray& encoding);
QList<AFQueryStringPair> AFQueryPairsFromKeyAndValue(const QVariant& key, const QVariant& value);
QList<AFQueryStringPair> AFQueryPairsFromDictionary(const QVariantMap& dictionary);
QString AFQueryStringWithParameters(const QVariantMap& parameters, const QByteArray& encoding);
