#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>

// The exam server's JSON as property-list values, which the exam store writes as they are:
// objects become QVariantMap, arrays QVariantList, whole numbers qlonglong, other numbers
// double. Nulls are dropped (a property list has no null), and so are the control
// characters a property list cannot hold.
namespace ZTExamJson {

// Deeper nesting than any exam record needs is refused.
constexpr int kMaxDepth = 32;

// Parses a reply body; a bare string, number or Boolean is accepted as well as an object or
// an array. nullopt with the reason in *error when the body is no JSON or nests too deeply.
std::optional<QVariant> parse(const QByteArray& body, QString* error = nullptr);
// Pretty-printed JSON of a request body.
QByteArray prettyPrinted(const QVariantMap& body);

} // namespace ZTExamJson
