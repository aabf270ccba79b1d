#include "FMResultSet.h"

#include "FMDatabase.h"
#include "Log.h"
#include "SaturatingCast.h"

#include <QObject>

#include <sqlite3.h>

#include <algorithm>
#include <cmath>

std::unique_ptr<FMResultSet> FMResultSet::resultSetWithStatement(sqlite3_stmt* statement,
                                                                 FMDatabase* parentDB)
{
    return std::make_unique<FMResultSet>(statement, parentDB);
}

FMResultSet::FMResultSet(sqlite3_stmt* statement, FMDatabase* parentDB)
    : parentDB_(parentDB)
    , pStmt_(statement)
{
    if (parentDB_)
        parentDB_->registerResultSet(this);
}

FMResultSet::~FMResultSet()
{
    // Only a set that still holds its statement frees the connection: a set closed long
    // ago must not clear the mark of a statement that runs now.
    if (pStmt_)
        close();
    if (parentDB_)
        parentDB_->unregisterResultSet(this);
}

bool FMResultSet::next()
{
    if (!pStmt_)
        return false;

    FMDatabase::BusyState busy;
    int rc;
    while ((rc = sqlite3_step(pStmt_)) == SQLITE_BUSY) {
        if (!parentDB_ || !parentDB_->retryAfterBusy(busy)) {
            if (parentDB_)
                parentDB_->logBusyGiveUp(query_);
            failWith(QStringLiteral("FMDatabaseException"), QStringLiteral("Database too busy."));
            return false;
        }
    }

    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        const QString message = parentDB_ ? parentDB_->lastErrorMessage() : QString();
        if (rc == SQLITE_ERROR || rc == SQLITE_MISUSE) {
            Log::line(QStringLiteral("Error calling sqlite3_step (%1: %2) rs").arg(rc).arg(message));
            failWith(rc == SQLITE_ERROR ? QStringLiteral("SQLITE_ERROR") : QStringLiteral("SQLITE_MISUSE"),
                     QStringLiteral("sqlite3_step"));
        } else {
            Log::line(QStringLiteral("Unknown error calling sqlite3_step (%1: %2) rs").arg(rc).arg(message));
            failWith(QStringLiteral("sqlite unknown rs"), QStringLiteral("sqlite3_step"));
        }
        return false;
    }

    if (!columnNamesSetup_) {
        setupColumnNames();
        columnNamesSetup_ = true;
    }
    if (rc != SQLITE_ROW)
        close();
    return rc == SQLITE_ROW;
}

void FMResultSet::failWith(const QString& name, const QString& reason)
{
    // The statement repeats the step's error when finalized; that was reported already.
    if (pStmt_) {
        sqlite3_finalize(pStmt_);
        pStmt_ = nullptr;
    }
    if (parentDB_) {
        parentDB_->inUse_ = false;
        parentDB_->raise(name, reason);
    }
}

void FMResultSet::close()
{
    if (parentDB_)
        parentDB_->inUse_ = false;
    if (!pStmt_)
        return;
    const int rc = sqlite3_finalize(pStmt_);
    if (rc != SQLITE_OK)
        Log::line(QStringLiteral("error finalizing for query: %1").arg(query_));
    pStmt_ = nullptr;
}

void FMResultSet::detachFromClosingDatabase()
{
    if (pStmt_) {
        sqlite3_finalize(pStmt_);
        pStmt_ = nullptr;
    }
    parentDB_ = nullptr;
}

void FMResultSet::setupColumnNames()
{
    if (!pStmt_)
        return;
    const int count = sqlite3_column_count(pStmt_);
    for (int i = 0; i < count; ++i) {
        const QString name = QString::fromUtf8(sqlite3_column_name(pStmt_, i)).toLower();
        columnNameToIndexMap_.insert(name, i);
    }
}

int FMResultSet::columnIndexForName(const QString& columnName)
{
    const QString name = columnName.toLower();
    const auto found = columnNameToIndexMap_.constFind(name);
    if (found != columnNameToIndexMap_.constEnd())
        return found.value();
    Log::line(QStringLiteral("Warning: I could not find the column named '%1'.").arg(name));
    return -1;
}

void FMResultSet::kvcMagic(QObject* target)
{
    if (!target || !pStmt_)
        return;
    const int count = sqlite3_data_count(pStmt_);
    for (int i = 0; i < count; ++i) {
        if (sqlite3_column_type(pStmt_, i) == SQLITE_NULL)
            continue;
        const QByteArray name(sqlite3_column_name(pStmt_, i));
        target->setProperty(name.constData(), stringForColumnIndex(i));
    }
}

template <typename T>
T FMResultSet::valueForColumn(const QString& columnName, T (FMResultSet::*byIndex)(int) const)
{
    // An unknown name (logged by the lookup) yields the empty value of the type.
    const int index = columnIndexForName(columnName);
    return index < 0 ? T() : (this->*byIndex)(index);
}

int FMResultSet::intForColumn(const QString& columnName)
{
    return valueForColumn(columnName, &FMResultSet::intForColumnIndex);
}

qint64 FMResultSet::longForColumn(const QString& columnName)
{
    return valueForColumn(columnName, &FMResultSet::longForColumnIndex);
}

bool FMResultSet::boolForColumn(const QString& columnName)
{
    return valueForColumn(columnName, &FMResultSet::boolForColumnIndex);
}

double FMResultSet::doubleForColumn(const QString& columnName)
{
    return valueForColumn(columnName, &FMResultSet::doubleForColumnIndex);
}

QString FMResultSet::stringForColumn(const QString& columnName)
{
    return valueForColumn(columnName, &FMResultSet::stringForColumnIndex);
}

QDateTime FMResultSet::dateForColumn(const QString& columnName)
{
    return valueForColumn(columnName, &FMResultSet::dateForColumnIndex);
}

QByteArray FMResultSet::dataForColumn(const QString& columnName)
{
    return valueForColumn(columnName, &FMResultSet::dataForColumnIndex);
}

int FMResultSet::intForColumnIndex(int columnIndex) const
{
    return pStmt_ ? sqlite3_column_int(pStmt_, columnIndex) : 0;
}

qint64 FMResultSet::longForColumnIndex(int columnIndex) const
{
    return pStmt_ ? sqlite3_column_int64(pStmt_, columnIndex) : 0;
}

bool FMResultSet::boolForColumnIndex(int columnIndex) const
{
    return intForColumnIndex(columnIndex) != 0;
}

double FMResultSet::doubleForColumnIndex(int columnIndex) const
{
    return pStmt_ ? sqlite3_column_double(pStmt_, columnIndex) : 0.0;
}

QString FMResultSet::stringForColumnIndex(int columnIndex) const
{
    if (!pStmt_)
        return QString();
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(pStmt_, columnIndex));
    if (!text)
        return QString();
    const int length = sqlite3_column_bytes(pStmt_, columnIndex);
    return length == 0 ? QStringLiteral("") : QString::fromUtf8(text, length);
}

QDateTime FMResultSet::dateForColumnIndex(int columnIndex) const
{
    if (!pStmt_)
        return QDateTime();
    // Held to the years 1 to 9999: a stored number of any size must not overflow the
    // conversion to milliseconds.
    constexpr double kFirstSecond = -62135596800.0;  // 0001-01-01 00:00 UTC
    constexpr double kLastSecond = 253402300799.0;   // 9999-12-31 23:59:59 UTC
    const double seconds = std::clamp(sqlite3_column_double(pStmt_, columnIndex), kFirstSecond, kLastSecond);
    return QDateTime::fromMSecsSinceEpoch(saturatingCast<qint64>(std::round(seconds * 1000.0)));
}

QByteArray FMResultSet::dataForColumnIndex(int columnIndex) const
{
    if (!pStmt_)
        return QByteArray();
    // The blob pointer must be read before its length, as SQLite documents.
    const void* bytes = sqlite3_column_blob(pStmt_, columnIndex);
    const int length = sqlite3_column_bytes(pStmt_, columnIndex);
    if (!bytes || length <= 0)
        return QByteArray("", 0);
    return QByteArray(static_cast<const char*>(bytes), length);
}

void FMResultSet::setPStmt(sqlite3_stmt* statement)
{
    if (pStmt_ == statement)
        return;
    if (pStmt_)
        sqlite3_finalize(pStmt_);
    pStmt_ = statement;
}

void FMResultSet::setParentDB(FMDatabase* parentDB)
{
    if (parentDB_ == parentDB)
        return;
    if (parentDB_)
        parentDB_->unregisterResultSet(this);
    parentDB_ = parentDB;
    if (parentDB_)
        parentDB_->registerResultSet(this);
}
