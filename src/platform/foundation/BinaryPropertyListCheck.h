#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// Walks the object graph of a binary property list ("bplist00") before the plist library
// builds it, which it does by recursion and by copying every shared object: a list nested
// very deeply would overflow the stack there, and a few objects that refer to each other
// many times would expand into billions. Strings holding a NUL character are found here too,
// because the library cannot hand such a dictionary key back.
namespace BinaryPropertyListCheck {

struct Limits {
    int maxDepth;             // arrays and dictionaries inside each other
    std::uint64_t maxObjects; // objects of the list once every reference is followed
};

// Why the bytes must not be read, or a null string when they may.
QString problem(const QByteArray& data, const Limits& limits);

} // namespace BinaryPropertyListCheck
