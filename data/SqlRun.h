#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QSqlQueryModel>
#include <QSqlRecord>
#include <QVariantMap>

class TSqlDialect;

// The one way statements reach the database. Every failed prepare, exec or commit
// becomes an EDatabaseError with the database's message and the statement; nothing
// is ignored. Binds are keyed by placeholder, ":apid" => value.
namespace SqlRun {

void Exec(const QSqlDatabase& ADb, const QString& ASql, const QVariantMap& ABinds = {});

// Reads the whole result into memory: a walk that changes tables must not see its
// own changes, and SQLite would show them to a running query.
QList<QSqlRecord> Open(const QSqlDatabase& ADb, const QString& ASql,
                       const QVariantMap& ABinds = {});

// First column of the first row, or an invalid QVariant when there is no row.
QVariant Value(const QSqlDatabase& ADb, const QString& ASql, const QVariantMap& ABinds = {});

// A key given as a number or as decimal text; empty text is NULL. Anything else is
// refused, as the server would refuse to convert it.
QVariant KeyValue(const QVariant& AKey);

} // namespace SqlRun

// One transaction on a connection; rolled back unless Commit() ran. SQLite takes the
// write lock at once when asked (BEGIN IMMEDIATE) so a long run cannot fail half way
// for want of it.
class TTransaction {
public:
    TTransaction(const QSqlDatabase& ADb, const TSqlDialect& ADialect, bool AImmediate = false);
    ~TTransaction();
    TTransaction(const TTransaction&) = delete;
    TTransaction& operator=(const TTransaction&) = delete;
    void Commit();
    void Rollback();

private:
    QSqlDatabase FDb;
    bool FOpen = false;
};

// A grid's query: every row is fetched when it opens ("static" cursor), so the row
// count is true and the view can move freely.
class TStaticQueryModel : public QSqlQueryModel {
    Q_OBJECT
public:
    explicit TStaticQueryModel(QObject* AParent = nullptr);

    void Open(const QSqlDatabase& ADb, const QString& ASql, const QVariantMap& ABinds = {});
    void Close();
    bool IsOpen() const { return FOpen; }
    int RowCount() const { return FOpen ? rowCount() : 0; }
    // A column by name, without regard to case; invalid when absent.
    QVariant Value(int ARow, const QString& AColumn) const;
    const QString& Sql() const { return FSql; }

private:
    bool FOpen = false;
    QString FSql;
};
