#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Version numbers as the download server publishes them: digits and dots ("2.4.1").
namespace ZTVersionNumber {

// The version a version file holds: its text when that is digits and dots (at most 64
// characters), with one trailing line end allowed; nothing for anything else, such as an HTML
// page, an empty body or bytes that are not UTF-8.
std::optional<QString> fromVersionFile(const QByteArray& body);

// Without trailing ".0" groups: "2.0.0" is "2"; "2.10" and "3.00" stay as they are.
QString shortened(const QString& version);

// Compares like text, except that runs of digits compare by their numbers ("2.10" is after
// "2.9"). Negative, zero or positive.
int compareNumerically(const QString& a, const QString& b);

} // namespace ZTVersionNumber
