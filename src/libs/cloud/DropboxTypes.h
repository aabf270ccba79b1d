#pragma once

#include "Error.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QUrl>

#include <optional>

// Where the Dropbox HTTP API lives. Tests point all three at a fake service on 127.0.0.1.
struct DropboxEndpoints {
    QUrl api = QUrl(QStringLiteral("https://api.dropboxapi.com"));         // RPC calls and tokens
    QUrl content = QUrl(QStringLiteral("https://content.dropboxapi.com")); // downloads and uploads
    QUrl web = QUrl(QStringLiteral("https://www.dropbox.com"));            // the sign-in page
    // The port the sign-in page sends the browser back to on 127.0.0.1; it is part of the
    // redirect address registered for the application key. 0 takes any free port (tests).
    quint16 redirectPort = 47815;

    // One server for everything, as a fake service offers it.
    static DropboxEndpoints allAt(const QUrl& base, quint16 redirectPort = 0);
};

// The metadata of a file in the application's Dropbox folder.
struct DropboxFileMetadata {
    // Opaque; changes with every new version of the file.
    QString rev;
    QDateTime serverModified;

    // From the API's file metadata ({".tag": "file", "rev", "server_modified", ...}); nothing,
    // with the reason in *error, when a required field is missing or malformed.
    static std::optional<DropboxFileMetadata> fromJson(const QJsonObject& object, QString* error = nullptr);
};

// How an upload treats a file already at the path: "add" only creates it, "update" replaces
// it only while its revision is the one given (anything else is a conflict).
struct DropboxWriteMode {
    static DropboxWriteMode add() { return {}; }
    static DropboxWriteMode update(const QString& rev) { return DropboxWriteMode{rev}; }
    bool isUpdate() const { return !rev.isEmpty(); }
    QString rev;
};

// Why a call failed: the transport, an HTTP status with the API's error ("path/not_found/..."),
// a reply that could not be read, or a missing link.
class DropboxError {
public:
    enum class Kind { None, Transport, Api, BadReply, NotLinked };

    DropboxError() = default;
    static DropboxError transport(const Error& error);
    // An HTTP error reply; the body is the API's error JSON when there is one.
    static DropboxError api(int statusCode, const QByteArray& body);
    static DropboxError badReply(const QString& reason);
    static DropboxError notLinked(const QString& reason);

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Kind::None; }
    explicit operator bool() const { return !isNull(); }
    // The HTTP status, 0 when there is none.
    int statusCode() const { return statusCode_; }

    // The path holds no file (409 path/not_found); only this means "missing".
    bool isPathNotFound() const;
    // An upload met another revision than the one it was to replace (409 path/conflict).
    bool isConflict() const;
    // The access could not be renewed: the user must sign in again.
    bool isNotLinked() const { return kind_ == Kind::NotLinked; }
    // A short text for the user and the log; it never holds a token.
    QString description() const;

private:
    Kind kind_ = Kind::None;
    int statusCode_ = 0;
    QString summary_;    // "error_summary", e.g. "path/not_found/.."
    QString errorTag_;   // error[".tag"]
    QString pathTag_;    // error.path[".tag"] (lookup errors)
    QString reasonTag_;  // error.reason[".tag"] (write errors)
    QString detail_;
};

namespace DropboxJson {

// Replies larger than this are refused before they are parsed.
inline constexpr qsizetype MaxReplySize = 1024 * 1024;

// A JSON object from a reply body; nothing (with the reason) for anything else.
std::optional<QJsonObject> objectFrom(const QByteArray& body, QString* error = nullptr);
// Compact JSON for the "Dropbox-API-Arg" header: every character outside ASCII is escaped,
// as HTTP headers carry ASCII only.
QByteArray headerArgument(const QJsonObject& argument);

} // namespace DropboxJson
