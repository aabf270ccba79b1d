#pragma once

#include "URLRequest.h"

#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <set>

class AFHTTPRequestOperation;

// The operation classes the HTTP client can choose from, found by name, each with its
// superclass and its class-level settings. A class's settings are inherited by its
// subclasses until they set their own.
namespace AFOperationClasses {

struct Description {
    QString name;
    QString superclass;
    // Makes an operation of the class; null for a class that makes no HTTP operations.
    std::function<std::shared_ptr<AFHTTPRequestOperation>(const URLRequest&)> make;
    // The class's own answer; null inherits the superclass's.
    std::function<bool(const URLRequest&)> canProcessRequest;
    // Defaults of the class; nothing inherits.
    std::optional<std::set<int>> acceptableStatusCodes;
    std::optional<std::optional<QSet<QString>>> acceptableContentTypes;
};

// Adds (or replaces) a class; the built-in classes are always there.
void add(const Description& description);
// Back to the built-in classes with their own settings (tests).
void resetForTesting();
bool exists(const QString& name);
bool isKindOf(const QString& name, const QString& ancestor);
std::shared_ptr<AFHTTPRequestOperation> make(const QString& name, const URLRequest& request);
bool canProcessRequest(const QString& name, const URLRequest& request);

std::set<int> acceptableStatusCodes(const QString& name);
void addAcceptableStatusCodes(const QString& name, const std::set<int>& codes);
// Nothing means every content type is acceptable.
std::optional<QSet<QString>> acceptableContentTypes(const QString& name);
void addAcceptableContentTypes(const QString& name, const QSet<QString>& types);

} // namespace AFOperationClasses
