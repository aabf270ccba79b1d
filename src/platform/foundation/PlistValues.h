#pragma once

#include <QString>
#include <QVariant>

#include <optional>

// How stored property-list values are read: numbers and numeric strings both
// convert, and values compare the way stored records must (numbers by value, whatever
// their width; arrays and dictionaries element by element).
namespace PlistValues {

// Integer value, saturated at the int range; a string contributes its leading integer
// ("12 bars" -> 12); else 0.
int toInteger(const QVariant& value);
// A whole number exactly as the value holds it: an integer within the signed 64-bit range (an
// unsigned one beyond it is refused, not wrapped negative), a real without a fraction (within
// +-2^53, where reals still hold every whole number), or a string of one (blanks around it
// allowed); nothing for anything else, Booleans included.
std::optional<qlonglong> toWholeNumber(const QVariant& value);
// Single-precision value; a string contributes its leading number; else 0.
float toFloat(const QVariant& value);
// Non-zero numbers are true; a string is true when it starts (after blanks, a sign and
// zeros) with Y, y, T, t or a digit 1-9.
bool toBool(const QVariant& value);
// Strings as they are, numbers as text, anything else (or nothing) null.
QString toStringOrNull(const QVariant& value);
// Deep equality with numbers (booleans included) compared by value; two invalid values
// are equal, an invalid and a valid one are not.
bool objectsEqual(const QVariant& a, const QVariant& b);

} // namespace PlistValues
