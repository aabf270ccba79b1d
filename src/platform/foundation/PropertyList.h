#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>

// Property lists (XML or binary) as QVariant values: dictionaries are QVariantMap, arrays
// QVariantList, strings QString, integers qlonglong (those beyond its range that were written
// unsigned: qulonglong), reals double, booleans bool, dates QDateTime (UTC) and data QByteArray.
namespace PropertyList {

// Parses XML or binary; nullopt with a reason in *error when the bytes are no property list.
std::optional<QVariant> fromData(const QByteArray& data, QString* error = nullptr);
// Reads a file; nullopt when it is missing or no property list (*error says which).
std::optional<QVariant> readFile(const QString& path, QString* error = nullptr);

// XML form of a value; values of other types are written as their string form.
QByteArray toXml(const QVariant& value);
// Replaces the file as a whole (write to a temporary file, then rename); false on failure.
bool writeFileAtomically(const QString& path, const QVariant& value, QString* error = nullptr);

} // namespace PropertyList
