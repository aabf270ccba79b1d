#include "FMDatabase.h"

#include "FMResultSet.h"
#include "Log.h"

#include <QDateTime>
#include <QDebug>
#include <QFile>

#include <sqlite3.h>

#include <algorithm>
#include <thread>

FMDatabaseException::FMDatabaseException(const QString& name, const QString& reason)
    : std::runtime_error((name + QStringLiteral(": ") + reason).toStdString())
    , name_(name)
    , reason_(reason)
{
}

std::unique_ptr<FMDatabase> FMDatabase::databaseWithPath(const QString& path)
{
    return std::make_unique<FMDatabase>(path);
}

FMDatabase::FMDatabase(const QString& path)
    : databasePath_(path)
{
}

FMDatabase::~FMDatabase()
{
    close();
    for (FMResultSet* set : std::vector<FMResultSet*>(resultSets_))
        set->detachFromClosingDatabase();
}

bool FMDatabase::open()
{
    // A second open would otherwise lose the handle held so far.
    close();
    const int rc = sqlite3_open(QFile::encodeName(databasePath_).constData(), &db_);
    if (rc != SQLITE_OK) {
        Log::line(QStringLiteral("error opening!: %1").arg(rc));
        return false;
    }
    return true;
}

void FMDatabase::close()
{
    if (!db_)
        return;
    // An unfinished statement would keep a plain close answering busy for ever; finalize
    // them and detach every set, so none reaches back into a closed connection.
    const std::vector<FMResultSet*> sets = resultSets_;
    for (FMResultSet* set : sets)
        set->detachFromClosingDatabase();
    resultSets_.clear();
    inUse_ = false;
    inTransaction_ = false;

    const int rc = sqlite3_close_v2(db_);
    if (rc != SQLITE_OK)
        Log::line(QStringLiteral("error closing!: %1").arg(rc));
    db_ = nullptr;
}

bool FMDatabase::retryAfterBusy(BusyState& state) const
{
    std::this_thread::sleep_for(std::chrono::microseconds(20));
    if (busyRetryTimeout_ != 0)
        return state.retries++ <= busyRetryTimeout_;
    // Another process may keep the file locked for good: wait a bounded time only.
    const auto now = std::chrono::steady_clock::now();
    if (!state.waiting) {
        state.waiting = true;
        state.firstBusy = now;
    }
    return std::chrono::duration<double>(now - state.firstBusy).count() < busyGiveUpSeconds_;
}

void FMDatabase::raise(const QString& name, const QString& reason) const
{
    if (crashOnErrors_)
        throw FMDatabaseException(name, reason);
}

void FMDatabase::logBusyGiveUp(const QString& sql) const
{
    Log::line(QStringLiteral("FMDatabaseException: Database too busy."));
    if (!sql.isNull())
        Log::line(QStringLiteral("DB Query: %1").arg(sql));
}

void FMDatabase::reportCompileFailure(int code, const QString& message, const QString& sql) const
{
    if (!logsErrors_)
        return;
    Log::line(QStringLiteral("DB Error: %1 \"%2\"").arg(code).arg(message));
    Log::line(QStringLiteral("DB Query: %1").arg(sql));
    raise(QStringLiteral("FMDatabaseException"), QStringLiteral("(%1) \"%2\"").arg(code).arg(message));
}

bool FMDatabase::claimForStatement(const char* operation, const QString& sql)
{
    if (inUse_) {
        compainAboutInUse();
        return false;
    }
    inUse_ = true;
    if (traceExecution_ && !sql.isNull())
        Log::line(QStringLiteral("FMDatabase %1: %2").arg(QLatin1String(operation), sql));
    return true;
}

void FMDatabase::registerResultSet(FMResultSet* resultSet)
{
    if (std::find(resultSets_.begin(), resultSets_.end(), resultSet) == resultSets_.end())
        resultSets_.push_back(resultSet);
}

void FMDatabase::unregisterResultSet(FMResultSet* resultSet)
{
    resultSets_.erase(std::remove(resultSets_.begin(), resultSets_.end(), resultSet),
                          resultSets_.end());
}

bool FMDatabase::prepare(const QString& sql, const QVariantList& values, sqlite3_stmt** statement)
{
    *statement = nullptr;
    if (!db_) {
        // Nothing to compile against; reads like a compile failure.
        inUse_ = false;
        reportCompileFailure(lastErrorCode(), lastErrorMessage(), sql);
        return false;
    }

    const QByteArray text = sql.toUtf8();
    BusyState busy;
    int rc;
    while ((rc = sqlite3_prepare_v2(db_, text.constData(), -1, statement, nullptr)) == SQLITE_BUSY) {
        sqlite3_finalize(*statement);
        *statement = nullptr;
        if (!retryAfterBusy(busy)) {
            inUse_ = false;
            logBusyGiveUp(sql);
            raise(QStringLiteral("FMDatabaseException"), QStringLiteral("Database too busy."));
            return false;
        }
    }
    if (rc != SQLITE_OK) {
        const int code = lastErrorCode();
        const QString message = lastErrorMessage();
        sqlite3_finalize(*statement);
        *statement = nullptr;
        inUse_ = false;
        reportCompileFailure(code, message, sql);
        return false;
    }

    // The caller's values are checked, not trusted: a short list would bind garbage.
    const int parameterCount = *statement ? sqlite3_bind_parameter_count(*statement) : 0;
    if (parameterCount != values.size()) {
        sqlite3_finalize(*statement);
        *statement = nullptr;
        inUse_ = false;
        Log::line(QStringLiteral("DB Error: the statement takes %1 values but %2 were given")
                      .arg(parameterCount)
                      .arg(values.size()));
        Log::line(QStringLiteral("DB Query: %1").arg(sql));
        raise(QStringLiteral("FMDatabaseException"), QStringLiteral("Wrong number of values."));
        return false;
    }
    for (int i = 0; i < parameterCount; ++i)
        bindObject(values.at(i), i + 1, *statement);
    return true;
}

std::unique_ptr<FMResultSet> FMDatabase::executeQuery(const QString& sql, const QVariantList& values)
{
    if (!claimForStatement("executeQuery", sql))
        return nullptr;

    sqlite3_stmt* statement = nullptr;
    if (!prepare(sql, values, &statement))
        return nullptr;
    // Only blanks or comments: an empty set that holds no statement, so nothing would
    // ever free the connection on its behalf.
    if (!statement)
        inUse_ = false;
    auto resultSet = FMResultSet::resultSetWithStatement(statement, this);
    resultSet->setQuery(sql);
    return resultSet;
}

bool FMDatabase::executeUpdate(const QString& sql, const QVariantList& values)
{
    if (!claimForStatement("executeUpdate", sql))
        return false;

    sqlite3_stmt* statement = nullptr;
    if (!prepare(sql, values, &statement))
        return false;
    if (!statement) {
        // Only blanks or comments: nothing to run.
        inUse_ = false;
        return true;
    }

    BusyState busy;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_BUSY) {
        if (!retryAfterBusy(busy)) {
            sqlite3_finalize(statement);
            inUse_ = false;
            logBusyGiveUp(sql);
            raise(QStringLiteral("FMDatabaseException"), QStringLiteral("Database too busy."));
            return false;
        }
    }

    if (rc != SQLITE_DONE) {
        QString name;
        if (rc == SQLITE_ROW) {
            // Updates must not yield rows; a query sent here is a caller's mistake.
            Log::line(QStringLiteral("DB Error: rc!=SQLITE_ROW"));
            name = QStringLiteral("FMDatabaseException");
        } else {
            const QString message = QString::fromUtf8(sqlite3_errmsg(db_));
            if (rc == SQLITE_ERROR || rc == SQLITE_MISUSE) {
                Log::line(QStringLiteral("Error calling sqlite3_step (%1: %2) eu").arg(rc).arg(message));
                name = rc == SQLITE_ERROR ? QStringLiteral("SQLITE_ERROR eu") : QStringLiteral("SQLITE_MISUSE eu");
            } else {
                Log::line(QStringLiteral("Unknown error calling sqlite3_step (%1: %2) eu").arg(rc).arg(message));
                name = QStringLiteral("sqlite unknown eu");
            }
        }
        Log::line(QStringLiteral("DB Query: %1").arg(sql));
        sqlite3_finalize(statement);
        inUse_ = false;
        raise(name, rc == SQLITE_ROW ? QStringLiteral("rc!=SQLITE_ROW") : QStringLiteral("sqlite3_step"));
        return false;
    }

    const int finalizeResult = sqlite3_finalize(statement);
    inUse_ = false;
    return finalizeResult == SQLITE_OK;
}

bool FMDatabase::backupToPath(const QString& path)
{
    if (!db_) {
        Log::line(QStringLiteral("FMDatabase backup to %1: the database is not open").arg(path));
        return false;
    }
    // Whatever the file held before is no part of the copy (SQLite would refuse a file that is
    // no database rather than replace it).
    QFile::resize(path, 0);
    sqlite3* target = nullptr;
    int rc = sqlite3_open(QFile::encodeName(path).constData(), &target);
    if (rc == SQLITE_OK) {
        // Every page in one step: the source is read under one lock, so the copy is one state.
        sqlite3_backup* backup = sqlite3_backup_init(target, "main", db_, "main");
        if (backup) {
            BusyState busy;
            do {
                rc = sqlite3_backup_step(backup, -1);
            } while ((rc == SQLITE_BUSY || rc == SQLITE_LOCKED) && retryAfterBusy(busy));
            sqlite3_backup_finish(backup);
            if (rc == SQLITE_DONE)
                rc = SQLITE_OK;
        } else {
            rc = sqlite3_errcode(target);
        }
    }
    if (sqlite3_close_v2(target) != SQLITE_OK && rc == SQLITE_OK)
        rc = SQLITE_IOERR;
    if (rc != SQLITE_OK) {
        Log::line(QStringLiteral("FMDatabase backup to %1 failed: %2 (%3)")
                      .arg(path, QString::fromUtf8(sqlite3_errstr(rc)))
                      .arg(rc));
        return false;
    }
    return true;
}

qint64 FMDatabase::totalChanges() const
{
    return db_ ? sqlite3_total_changes64(db_) : 0;
}

int FMDatabase::lastErrorCode() const
{
    return db_ ? sqlite3_errcode(db_) : SQLITE_MISUSE;
}

QString FMDatabase::lastErrorMessage() const
{
    return QString::fromUtf8(db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(SQLITE_MISUSE));
}

bool FMDatabase::hadError() const
{
    return lastErrorCode() != SQLITE_OK;
}

qint64 FMDatabase::lastInsertRowId()
{
    if (inUse_) {
        compainAboutInUse();
        return 0;
    }
    if (!db_)
        return 0;
    inUse_ = true;
    const qint64 rowId = sqlite3_last_insert_rowid(db_);
    inUse_ = false;
    return rowId;
}

bool FMDatabase::runTransactionStatement(const QString& sql, bool inTransactionAfter)
{
    const bool ok = executeUpdate(sql);
    if (ok)
        inTransaction_ = inTransactionAfter;
    return ok;
}

bool FMDatabase::beginTransaction()
{
    return runTransactionStatement(QStringLiteral("BEGIN EXCLUSIVE TRANSACTION;"), true);
}

bool FMDatabase::beginDeferredTransaction()
{
    return runTransactionStatement(QStringLiteral("BEGIN DEFERRED TRANSACTION;"), true);
}

bool FMDatabase::commit()
{
    return runTransactionStatement(QStringLiteral("COMMIT TRANSACTION;"), false);
}

bool FMDatabase::rollback()
{
    return runTransactionStatement(QStringLiteral("ROLLBACK TRANSACTION;"), false);
}

bool FMDatabase::goodConnection()
{
    auto resultSet = executeQuery(QStringLiteral("select name from sqlite_master where type='table'"));
    if (!resultSet)
        return false;
    resultSet->close();
    return true;
}

QString FMDatabase::sqliteLibVersion()
{
    return QString::fromUtf8(sqlite3_libversion());
}

void FMDatabase::compainAboutInUse()
{
    const QString text = QStringLiteral("The FMDatabase %1 is currently in use.").arg(description());
    Log::line(text);
    raise(QStringLiteral("FMDatabase in use"), text);
}

QString FMDatabase::description() const
{
    return QStringLiteral("<FMDatabase: %1>").arg(QString::asprintf("%p", static_cast<const void*>(this)));
}

namespace {
void bindText(sqlite3_stmt* statement, int index, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    sqlite3_bind_text64(statement, index, bytes.constData(), sqlite3_uint64(bytes.size()),
                        SQLITE_TRANSIENT, SQLITE_UTF8);
}
} // namespace

void FMDatabase::bindObject(const QVariant& value, int index, sqlite3_stmt* statement)
{
    if (!statement)
        return;
    const int type = value.metaType().id();
    if (!value.isValid() || type == QMetaType::Nullptr) {
        sqlite3_bind_null(statement, index);
        return;
    }
    switch (type) {
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        // Copied, so the caller's buffer need not outlive the statement.
        sqlite3_bind_blob64(statement, index, bytes.constData(), sqlite3_uint64(bytes.size()),
                            SQLITE_TRANSIENT);
        return;
    }
    case QMetaType::QDateTime: {
        const QDateTime date = value.toDateTime();
        if (date.isValid())
            sqlite3_bind_double(statement, index, double(date.toMSecsSinceEpoch()) / 1000.0);
        else
            sqlite3_bind_null(statement, index);
        return;
    }
    case QMetaType::Bool:
        sqlite3_bind_int(statement, index, value.toBool() ? 1 : 0);
        return;
    case QMetaType::Char:
    case QMetaType::SChar:
        sqlite3_bind_int(statement, index, value.toInt() != 0 ? 1 : 0);
        return;
    case QMetaType::Int:
        sqlite3_bind_int64(statement, index, sqlite3_int64(value.toInt()));
        return;
    case QMetaType::Float:
        sqlite3_bind_double(statement, index, double(value.toFloat()));
        return;
    case QMetaType::Double:
        sqlite3_bind_double(statement, index, value.toDouble());
        return;
    case QMetaType::LongLong:
    case QMetaType::Long:
    case QMetaType::Short:
        bindText(statement, index, QString::number(value.toLongLong()));
        return;
    case QMetaType::ULongLong:
    case QMetaType::ULong:
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::UChar:
        bindText(statement, index, QString::number(value.toULongLong()));
        return;
    case QMetaType::QString:
        bindText(statement, index, value.toString());
        return;
    default:
        break;
    }
    if (value.canConvert<QString>()) {
        bindText(statement, index, value.toString());
        return;
    }
    // Anything else binds as its own description.
    QString description;
    QDebug(&description).nospace() << value;
    bindText(statement, index, description);
}
