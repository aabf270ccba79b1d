#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>

#include <memory>

struct sqlite3_stmt;

class FMDatabase;
class QObject;

// A forward-only cursor over the rows of one compiled statement, which it owns. While it
// holds the statement its connection is in use; exhausting it, closing it or destroying it
// ends that. Column names match regardless of case; column indexes are 0-based.
class FMResultSet {
public:
    static std::unique_ptr<FMResultSet> resultSetWithStatement(sqlite3_stmt* statement,
                                                               FMDatabase* parentDB);
    FMResultSet(sqlite3_stmt* statement, FMDatabase* parentDB);
    ~FMResultSet();
    FMResultSet(const FMResultSet&) = delete;
    FMResultSet& operator=(const FMResultSet&) = delete;

    // True while a row is there; at the end (or on an error) the set closes itself.
    bool next();
    // Finalizes the statement and frees the connection (the latter also when closed already).
    void close();

    int columnIndexForName(const QString& columnName);
    void setupColumnNames();
    // Sets, for every non-NULL column, the target's property of the column's name to its text.
    void kvcMagic(QObject* target);

    int intForColumn(const QString& columnName);
    int intForColumnIndex(int columnIndex) const;
    qint64 longForColumn(const QString& columnName);
    qint64 longForColumnIndex(int columnIndex) const;
    bool boolForColumn(const QString& columnName);
    bool boolForColumnIndex(int columnIndex) const;
    double doubleForColumn(const QString& columnName);
    double doubleForColumnIndex(int columnIndex) const;
    // Null for a NULL column or an unknown name.
    QString stringForColumn(const QString& columnName);
    QString stringForColumnIndex(int columnIndex) const;
    // Invalid for an unknown name; 1970-01-01 00:00 UTC for a NULL column.
    QDateTime dateForColumn(const QString& columnName);
    QDateTime dateForColumnIndex(int columnIndex) const;
    // Null for an unknown name; empty for a NULL column.
    QByteArray dataForColumn(const QString& columnName);
    QByteArray dataForColumnIndex(int columnIndex) const;

    void setPStmt(sqlite3_stmt* statement);
    void setParentDB(FMDatabase* parentDB);
    QString query() const { return query_; }
    void setQuery(const QString& query) { query_ = query; }
    QHash<QString, int> columnNameToIndexMap() const { return columnNameToIndexMap_; }
    void setColumnNameToIndexMap(const QHash<QString, int>& map) { columnNameToIndexMap_ = map; }

private:
    friend class FMDatabase;
    // Ends the set without touching the connection's in-use mark (the connection is closing).
    void detachFromClosingDatabase();
    // Closes the set, then reports the named failure through the connection.
    void failWith(const QString& name, const QString& reason);
    // The by-name getters: the by-index getter at the named column.
    template <typename T>
    T valueForColumn(const QString& columnName, T (FMResultSet::*byIndex)(int) const);

    FMDatabase* parentDB_ = nullptr;
    sqlite3_stmt* pStmt_ = nullptr;
    QString query_;
    QHash<QString, int> columnNameToIndexMap_;
    bool columnNamesSetup_ = false;
};
