#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQueryModel>
#include <QSqlRecord>
#include <QVariantMap>

class TSqlDialect;
struct pg_conn;

// The one way statements reach the database. Every failed prepare, exec or commit
// becomes an EDatabaseError with the database's message and the statement; nothing
// is ignored. Binds are keyed by placeholder, ":apid" => value.
namespace SqlRun {

// Throws what a failed statement means for the command: EDatabaseBusy, EConnectionLost,
// or EDatabaseError with the database's text after a Russian sentence.
[[noreturn]] void ThrowFailure(const QSqlDatabase& ADb, const QSqlError& AError,
                               const QString& ASql);

// libpq's own connection under a PostgreSQL database, or null for another driver.
pg_conn* PostgresConnection(const QSqlDatabase& ADb);

// Whether a PostgreSQL connection is known broken (the server ended it): the driver
// may still call it open.
bool ServerConnectionBroken(const QSqlDatabase& ADb);

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

enum class TTransactionKind {
    // Changes tables. Holds the database-wide write lock from its first statement to
    // its end, so commands of several workstations (or of the program and
    // gravelon-cli) never interleave, and everything it reads to decide what to change
    // stays as read until it commits.
    Write,
    // Reads one consistent state of the database and changes nothing; takes no lock,
    // so writers go on beside it and none of their changes shows half way.
    Read
};

// One transaction on a connection; rolled back unless Commit() ran. A transaction
// opened while another is open on the same connection becomes a savepoint of it: its
// rollback undoes its own statements only, and the lock stays with the outermost.
//
// The write lock: PostgreSQL's advisory transaction lock WriteLockKey, SQLite's write
// lock taken at once (BEGIN IMMEDIATE). A writer waits LockWait() for it and then gives
// up with EDatabaseBusy, having changed nothing.
class TTransaction {
public:
    TTransaction(const QSqlDatabase& ADb, const TSqlDialect& ADialect,
                 TTransactionKind AKind = TTransactionKind::Write);
    ~TTransaction();
    TTransaction(const TTransaction&) = delete;
    TTransaction& operator=(const TTransaction&) = delete;
    void Commit();
    void Rollback();

    // Whether a transaction of this process is open on the connection.
    static bool Active(const QSqlDatabase& ADb);

    // "GRAVELON" in ASCII: one key for the whole database.
    static constexpr qint64 WriteLockKey = 5139241963568779086LL;
    static constexpr int DefaultLockWait = 5000;
    // How long a writer waits for the write lock, in milliseconds.
    static int LockWait();
    static void SetLockWait(int AMilliseconds);

private:
    void Begin(const TSqlDialect& ADialect, TTransactionKind AKind);
    void End(bool ACommit);

    QSqlDatabase FDb;
    QString FSavepoint; // empty for the outermost transaction
    TTransactionKind FKind = TTransactionKind::Write;
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
    // A column by name, without regard to case, as the grids see it; invalid when absent.
    QVariant Value(int ARow, const QString& AColumn) const;
    const QString& Sql() const { return FSql; }

protected:
    // Called with every row fetched, inside the reset that shows them: a model that
    // shows the rows otherwise than the statement lists them prepares that here.
    virtual void Arrange() {}

private:
    bool FOpen = false;
    QString FSql;
};
