#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

class FMResultSet;

// A named failure of the database layer: "FMDatabaseException" (busy give-up, compile
// failure), "FMDatabase in use", "SQLITE_ERROR eu", "SQLITE_MISUSE rs", "sqlite unknown eu", ...
// Only thrown by a connection whose crashOnErrors is set; by default the same failures are
// logged and reported as a null / false result, so nothing escapes into the event loop.
// Callers that turn crashOnErrors on catch it at their own boundary.
class FMDatabaseException : public std::runtime_error {
public:
    FMDatabaseException(const QString& name, const QString& reason);
    const QString& name() const { return name_; }
    const QString& reason() const { return reason_; }

private:
    QString name_;
    QString reason_;
};

// One SQLite connection. Statements are SQL text with positional "?" parameters and one
// value per parameter; a result set of the connection must be exhausted or closed before
// the next statement runs on it. Used from one thread.
class FMDatabase {
public:
    static std::unique_ptr<FMDatabase> databaseWithPath(const QString& path);
    explicit FMDatabase(const QString& path);
    ~FMDatabase();
    FMDatabase(const FMDatabase&) = delete;
    FMDatabase& operator=(const FMDatabase&) = delete;

    QString databasePath() const { return databasePath_; }

    bool open();
    // Finalizes the statements of open result sets first, so it never waits on them.
    void close();

    // Values bind by kind: QByteArray -> blob, QDateTime -> seconds since 1970 (double),
    // bool / char -> 0 or 1, int -> 64-bit integer, float / double -> double, other integer
    // kinds (qlonglong, short, unsigned, ...) -> decimal text, QString and anything else ->
    // text, an invalid or null QVariant -> NULL. Their number must equal the number of
    // parameters of the statement.
    std::unique_ptr<FMResultSet> executeQuery(const QString& sql, const QVariantList& values = {});
    bool executeUpdate(const QString& sql, const QVariantList& values = {});

    int lastErrorCode() const;
    QString lastErrorMessage() const;
    bool hadError() const;
    qint64 lastInsertRowId();

    bool beginTransaction();
    bool beginDeferredTransaction();
    bool commit();
    bool rollback();

    bool goodConnection();
    // Copies the whole open database into the file at `path` with SQLite's online backup, so
    // the copy is one consistent state even while this connection keeps writing; the file is
    // created or replaced. False (and a log line) when the connection is closed or the copy
    // fails; the copy is then unusable.
    bool backupToPath(const QString& path);
    // Rows changed through this connection since it was opened (a marker of local changes).
    qint64 totalChanges() const;
    static QString sqliteLibVersion();
    sqlite3* sqliteHandle() const { return db_; }

    void compainAboutInUse();
    void bindObject(const QVariant& value, int index, sqlite3_stmt* statement);
    // "<FMDatabase: 0x...>", used in the in-use complaint.
    QString description() const;

    bool logsErrors() const { return logsErrors_; }
    void setLogsErrors(bool value) { logsErrors_ = value; }
    bool crashOnErrors() const { return crashOnErrors_; }
    void setCrashOnErrors(bool value) { crashOnErrors_ = value; }
    // True while a statement runs, a result set is open or a transaction is open.
    bool inUse() const { return inUse_ || inTransaction_; }
    void setInUse(bool value) { inUse_ = value; }
    bool inTransaction() const { return inTransaction_; }
    void setInTransaction(bool value) { inTransaction_ = value; }
    bool traceExecution() const { return traceExecution_; }
    void setTraceExecution(bool value) { traceExecution_ = value; }
    bool checkedOut() const { return checkedOut_; }
    void setCheckedOut(bool value) { checkedOut_ = value; }
    // Busy answers tolerated before giving up; 0 retries until busyGiveUpSeconds have passed.
    int busyRetryTimeout() const { return busyRetryTimeout_; }
    void setBusyRetryTimeout(int value) { busyRetryTimeout_ = value; }
    // The bound on the time-limited retry (busyRetryTimeout 0), 5 seconds at creation.
    double busyGiveUpSeconds() const { return busyGiveUpSeconds_; }
    void setBusyGiveUpSeconds(double seconds) { busyGiveUpSeconds_ = seconds; }

private:
    friend class FMResultSet;

    // Progress of one operation under the busy rule.
    struct BusyState {
        int retries = 0;
        bool waiting = false;
        std::chrono::steady_clock::time_point firstBusy;
    };
    // Called after a busy answer: sleeps briefly and tells whether to repeat the call.
    bool retryAfterBusy(BusyState& state) const;

    // Compiles the first statement of the text and binds the values. Returns false on
    // failure, with the connection free again; a text without a statement compiles to null.
    bool prepare(const QString& sql, const QVariantList& values, sqlite3_stmt** statement);
    // The in-use guard and the trace line that open both execute operations; false (after
    // the complaint) while the connection is in use.
    bool claimForStatement(const char* operation, const QString& sql);
    // Throws the named failure when crashOnErrors is set; otherwise does nothing.
    void raise(const QString& name, const QString& reason) const;
    // Logs (and, with crashOnErrors, raises) a compile failure when logsErrors is set.
    void reportCompileFailure(int code, const QString& message, const QString& sql) const;
    // Runs a transaction statement; on success the transaction mark takes the given state.
    bool runTransactionStatement(const QString& sql, bool inTransactionAfter);
    void logBusyGiveUp(const QString& sql) const;
    void registerResultSet(FMResultSet* resultSet);
    void unregisterResultSet(FMResultSet* resultSet);

    sqlite3* db_ = nullptr;
    QString databasePath_;
    bool logsErrors_ = false;
    bool crashOnErrors_ = false;
    bool inUse_ = false;
    bool inTransaction_ = false;
    bool traceExecution_ = false;
    bool checkedOut_ = false;
    int busyRetryTimeout_ = 0;
    double busyGiveUpSeconds_ = 5.0;
    // Live result sets made by this connection (not owned); detached when it closes.
    std::vector<FMResultSet*> resultSets_;
};
