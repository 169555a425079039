#include "SqlRun.h"

#include "EmbeddedHold.h"
#include "StopRequest.h"
#include "Errors.h"
#include "SqlDialect.h"

#include <QHash>
#include <QMutex>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <atomic>
#include <libpq-fe.h>

namespace {

QString ErrorText(const QSqlError& AError) {
    const QString db = AError.databaseText().trimmed();
    const QString drv = AError.driverText().trimmed();
    if (db.isEmpty())
        return drv.isEmpty() ? QStringLiteral("неизвестная ошибка базы данных") : drv;
    return db;
}

bool IsPostgres(const QSqlDatabase& ADb) {
    return ADb.driverName() == QLatin1String("QPSQL");
}

// What the operator can do something about, in Russian, for the failures a workshop
// computer or server meets; empty for the rest, which only the database's text names.
QString Cause(bool APostgres, const QString& ACode) {
    if (APostgres) {
        if (ACode == QLatin1String("53100"))
            return QStringLiteral("на диске сервера нет места");
        if (ACode == QLatin1String("53200"))
            return QStringLiteral("серверу не хватает памяти");
        if (ACode == QLatin1String("25006"))
            return QStringLiteral("сервер принимает только чтение (это резервный сервер или "
                                  "база переведена в режим чтения)");
        if (ACode == QLatin1String("42501"))
            return QStringLiteral("у пользователя базы нет прав на это действие");
        return QString();
    }
    bool ok = false;
    const int primary = ACode.toInt(&ok) & 0xff;
    if (!ok)
        return QString();
    switch (primary) {
    case 8: // SQLITE_READONLY
        return QStringLiteral("файл базы данных открыт только для чтения: нет права записи в "
                              "него или в его папку");
    case 10: // SQLITE_IOERR
        return QStringLiteral("не удалось прочитать или записать файл базы данных на диске");
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB
        return QStringLiteral("файл базы данных повреждён или не является базой данных");
    case 13: // SQLITE_FULL
        return QStringLiteral("на диске нет места для базы данных");
    default:
        return QString();
    }
}

// What a failure means for the command: the write lock not had in time, the server
// gone, or a statement refused (with the database's own text after a Russian one).
[[noreturn]] void Fail(const QSqlDatabase& ADb, const QSqlError& AError, const QString& ASql) {
    const QString code = AError.nativeErrorCode();
    if (IsPostgres(ADb)) {
        if (code == QLatin1String("55P03"))
            throw EDatabaseBusy(ASql);
        // The driver closes a connection the server has dropped; classes 08 and 57P
        // are the server's own words for it.
        if (!ADb.isOpen() || code.startsWith(QLatin1String("08")) ||
            code.startsWith(QLatin1String("57P")) || SqlRun::ServerConnectionBroken(ADb))
            throw EConnectionLost(ASql);
    } else {
        // SQLITE_BUSY and SQLITE_LOCKED, with or without their extended codes.
        bool ok = false;
        const int primary = code.toInt(&ok) & 0xff;
        if (ok && (primary == 5 || primary == 6))
            throw EDatabaseBusy(ASql);
    }
    const QString cause = Cause(IsPostgres(ADb), code);
    throw EDatabaseError(
        QStringLiteral("Ошибка базы данных: ") +
            (cause.isEmpty() ? ErrorText(AError)
                             : cause + QStringLiteral(" (") + ErrorText(AError) + QLatin1Char(')')),
        ASql);
}

QSqlQuery Run(const QSqlDatabase& ADb, const QString& ASql, const QVariantMap& ABinds,
              bool AForwardOnly) {
    if (!ADb.isOpen()) {
        // A server connection that was open and is not any more went away under the
        // command; the data module opens it again for the next one.
        if (ADb.isValid() && IsPostgres(ADb))
            throw EConnectionLost(ASql);
        throw EDatabaseError(QStringLiteral("Нет подключения к базе данных"), ASql);
    }
    QSqlQuery q(ADb);
    q.setForwardOnly(AForwardOnly);
    if (ABinds.isEmpty()) {
        if (!q.exec(ASql))
            Fail(ADb, q.lastError(), ASql);
        return q;
    }
    if (!q.prepare(ASql))
        Fail(ADb, q.lastError(), ASql);
    for (auto it = ABinds.cbegin(); it != ABinds.cend(); ++it)
        q.bindValue(it.key(), it.value());
    if (!q.exec())
        Fail(ADb, q.lastError(), ASql);
    return q;
}

// Transactions open per connection of this process, so that an inner one becomes a
// savepoint of the outer one.
struct TOpenTransactions {
    int Depth = 0;
    int Savepoints = 0; // names handed out, never reused within the outermost
    TTransactionKind Kind = TTransactionKind::Write;
};

QMutex RegistryMutex;
QHash<QString, TOpenTransactions> Registry;
std::atomic<int> LockWaitMs{TTransaction::DefaultLockWait};

} // namespace

namespace SqlRun {

void ThrowFailure(const QSqlDatabase& ADb, const QSqlError& AError, const QString& ASql) {
    Fail(ADb, AError, ASql);
}

// Whether libpq itself has found the server connection broken. The driver reports a
// connection the server ended while a statement ran with no SQLSTATE and keeps the
// database "open", so the connection's own state is asked.
bool ServerConnectionBroken(const QSqlDatabase& ADb) {
    PGconn* connection = PostgresConnection(ADb);
    return connection && PQstatus(connection) == CONNECTION_BAD;
}

pg_conn* PostgresConnection(const QSqlDatabase& ADb) {
    const QVariant handle = ADb.driver() ? ADb.driver()->handle() : QVariant();
    if (!handle.isValid())
        return nullptr;
    // The driver registers the handle under libpq's struct name; older builds used the
    // typedef's.
    const char* type = handle.typeName();
    if (qstrcmp(type, "pg_conn*") != 0 && qstrcmp(type, "PGconn*") != 0)
        return nullptr;
    return *static_cast<PGconn* const*>(handle.constData());
}

void Exec(const QSqlDatabase& ADb, const QString& ASql, const QVariantMap& ABinds) {
    Run(ADb, ASql, ABinds, true);
}

QList<QSqlRecord> Open(const QSqlDatabase& ADb, const QString& ASql, const QVariantMap& ABinds) {
    QSqlQuery q = Run(ADb, ASql, ABinds, true);
    QList<QSqlRecord> rows;
    while (q.next())
        rows.append(q.record());
    if (q.lastError().isValid())
        Fail(ADb, q.lastError(), ASql);
    return rows;
}

QVariant Value(const QSqlDatabase& ADb, const QString& ASql, const QVariantMap& ABinds) {
    QSqlQuery q = Run(ADb, ASql, ABinds, true);
    if (q.next())
        return q.value(0);
    if (q.lastError().isValid())
        Fail(ADb, q.lastError(), ASql);
    return {};
}

QVariant KeyValue(const QVariant& AKey) {
    if (AKey.isNull() || !AKey.isValid())
        return QVariant(QMetaType(QMetaType::LongLong));
    const QString text = AKey.toString().trimmed();
    if (text.isEmpty())
        return QVariant(QMetaType(QMetaType::LongLong));
    bool ok = false;
    const qlonglong v = text.toLongLong(&ok);
    if (!ok)
        throw EDatabaseError(
            QStringLiteral("Ошибка базы данных: значение «%1» не является целым числом").arg(text));
    return v;
}

} // namespace SqlRun

int TTransaction::LockWait() {
    return LockWaitMs.load();
}

void TTransaction::SetLockWait(int AMilliseconds) {
    LockWaitMs.store(qMax(0, AMilliseconds));
}

bool TTransaction::Active(const QSqlDatabase& ADb) {
    const QMutexLocker lock(&RegistryMutex);
    return Registry.value(ADb.connectionName()).Depth > 0;
}

TTransaction::TTransaction(const QSqlDatabase& ADb, const TSqlDialect& ADialect,
                           TTransactionKind AKind)
    : FDb(ADb), FKind(AKind) {
    int savepoint = 0;
    {
        const QMutexLocker lock(&RegistryMutex);
        TOpenTransactions& open = Registry[FDb.connectionName()];
        if (open.Depth > 0) {
            if (open.Kind == TTransactionKind::Read && AKind == TTransactionKind::Write)
                throw EGravelonError(
                    QStringLiteral("Изменение данных внутри транзакции только для чтения"));
            savepoint = ++open.Savepoints;
        }
    }
    if (savepoint > 0) {
        FSavepoint = QStringLiteral("gravelon_%1").arg(savepoint);
        SqlRun::Exec(FDb, QStringLiteral("SAVEPOINT ") + FSavepoint);
    } else {
        Begin(ADialect, AKind);
    }
    const QMutexLocker lock(&RegistryMutex);
    TOpenTransactions& open = Registry[FDb.connectionName()];
    if (open.Depth++ == 0) {
        open.Kind = AKind;
        open.Savepoints = 0;
    }
    FOpen = true;
}

void TTransaction::Begin(const TSqlDialect& ADialect, TTransactionKind AKind) {
    const int wait = LockWait();
    if (!ADialect.IsPostgres()) {
        if (AKind == TTransactionKind::Read) {
            // A deferred transaction reads one snapshot of the WAL from its first read.
            SqlRun::Exec(FDb, QStringLiteral("BEGIN"));
            return;
        }
        // Refuse rather than write into a log that may already be another program's
        // deleted file; the data module opens the connection again for the next command.
        if (!EmbeddedHold::Intact(FDb)) {
            EmbeddedHold::Abandon(FDb);
            throw EDatabaseHoldLost();
        }
        // The busy handler retries the write lock for this long, then gives up.
        SqlRun::Exec(FDb, QStringLiteral("PRAGMA busy_timeout = %1").arg(wait));
        SqlRun::Exec(FDb, QStringLiteral("BEGIN IMMEDIATE"));
        return;
    }
    if (AKind == TTransactionKind::Read) {
        SqlRun::Exec(FDb, QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"));
        return;
    }
    if (!FDb.transaction())
        Fail(FDb, FDb.lastError(), QStringLiteral("BEGIN"));
    try {
        SqlRun::Exec(FDb, QStringLiteral("SET LOCAL lock_timeout = %1").arg(wait));
        SqlRun::Exec(FDb, QStringLiteral("select pg_advisory_xact_lock(%1)").arg(WriteLockKey));
        // Only the wait for the write lock is bounded so; once it is held nothing else
        // of the program's competes for a lock.
        SqlRun::Exec(FDb, QStringLiteral("SET LOCAL lock_timeout = DEFAULT"));
    } catch (...) {
        if (FDb.isOpen())
            FDb.rollback();
        throw;
    }
}

TTransaction::~TTransaction() {
    if (FOpen) {
        try {
            End(false);
        } catch (...) {
            // A rollback that fails leaves the server to drop the transaction with the
            // connection; nothing may escape a destructor.
        }
    }
}

void TTransaction::End(bool ACommit) {
    FOpen = false;
    {
        const QMutexLocker lock(&RegistryMutex);
        TOpenTransactions& open = Registry[FDb.connectionName()];
        if (--open.Depth <= 0)
            Registry.remove(FDb.connectionName());
    }
    if (!FSavepoint.isEmpty()) {
        if (!ACommit && FDb.isOpen())
            SqlRun::Exec(FDb, QStringLiteral("ROLLBACK TO SAVEPOINT ") + FSavepoint);
        if (FDb.isOpen() || ACommit)
            SqlRun::Exec(FDb, QStringLiteral("RELEASE SAVEPOINT ") + FSavepoint);
        return;
    }
    if (!ACommit) {
        if (FDb.isOpen())
            FDb.rollback();
        return;
    }
    // The process was asked to stop (gravelon-cli on SIGTERM): the work goes back whole
    // rather than being committed by a command that was told to end.
    if (FKind == TTransactionKind::Write && StopRequest::Requested()) {
        if (FDb.isOpen())
            FDb.rollback();
        throw EGravelonError(StopRequest::StoppedMessage);
    }
    if (!IsPostgres(FDb)) {
        // SQLite writes the transaction out at its commit, and a full disk shows there.
        // The driver's own commit drops the error's code, by which the cause is named
        // in Russian: the statement is run as any other.
        QSqlQuery commit(FDb);
        if (commit.exec(QStringLiteral("COMMIT")))
            return;
        const QSqlError e = commit.lastError();
        commit.finish();
        if (FDb.isOpen())
            FDb.rollback();
        Fail(FDb, e, QStringLiteral("COMMIT"));
    }
    // PostgreSQL answers COMMIT of a failed transaction with ROLLBACK; the driver
    // reports that as a failed commit, which must not pass for success.
    if (!FDb.commit()) {
        const QSqlError e = FDb.lastError();
        if (FDb.isOpen())
            FDb.rollback();
        Fail(FDb, e, QStringLiteral("COMMIT"));
    }
}

void TTransaction::Commit() {
    if (!FOpen)
        throw EGravelonError(QStringLiteral("Транзакция уже завершена"));
    End(true);
}

void TTransaction::Rollback() {
    if (FOpen)
        End(false);
}

TStaticQueryModel::TStaticQueryModel(QObject* AParent) : QSqlQueryModel(AParent) {}

void TStaticQueryModel::Open(const QSqlDatabase& ADb, const QString& ASql,
                             const QVariantMap& ABinds) {
    Close();
    QSqlQuery q = Run(ADb, ASql, ABinds, false);
    // One reset for the whole result: the batches fetched inside it are not announced
    // one by one, and a grid re-reading its columns' widths on each batch of 256 rows
    // took seconds to show an order of 10,000 positions.
    beginResetModel();
    setQuery(std::move(q));
    while (canFetchMore())
        fetchMore();
    Arrange();
    endResetModel();
    if (lastError().isValid())
        Fail(ADb, lastError(), ASql);
    FSql = ASql;
    FOpen = true;
}

void TStaticQueryModel::Close() {
    FOpen = false;
    // QSqlQueryModel::clear() leaves an empty query made by the connection's driver,
    // which dies with the connection: closing again after a reconnect would use the
    // destroyed driver. An empty query of no connection is always safe to drop.
    setQuery(QSqlQuery());
}

QVariant TStaticQueryModel::Value(int ARow, const QString& AColumn) const {
    if (!FOpen || ARow < 0 || ARow >= rowCount())
        return {};
    // Through the columns the grids read, so that a column added or a row moved by a
    // model of its own is seen here as there.
    for (int i = 0; i < columnCount(); ++i)
        if (headerData(i, Qt::Horizontal).toString().compare(AColumn, Qt::CaseInsensitive) == 0)
            return data(index(ARow, i));
    return {};
}
