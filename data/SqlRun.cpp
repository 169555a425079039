#include "SqlRun.h"

#include "Errors.h"
#include "SqlDialect.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

namespace {

QString ErrorText(const QSqlError& AError) {
    const QString db = AError.databaseText().trimmed();
    const QString drv = AError.driverText().trimmed();
    if (db.isEmpty())
        return drv.isEmpty() ? QStringLiteral("неизвестная ошибка базы данных") : drv;
    return db;
}

[[noreturn]] void Fail(const QSqlError& AError, const QString& ASql) {
    throw EDatabaseError(QStringLiteral("Ошибка базы данных: ") + ErrorText(AError), ASql);
}

QSqlQuery Run(const QSqlDatabase& ADb, const QString& ASql, const QVariantMap& ABinds,
              bool AForwardOnly) {
    if (!ADb.isOpen())
        throw EDatabaseError(QStringLiteral("Нет подключения к базе данных"), ASql);
    QSqlQuery q(ADb);
    q.setForwardOnly(AForwardOnly);
    if (ABinds.isEmpty()) {
        if (!q.exec(ASql))
            Fail(q.lastError(), ASql);
        return q;
    }
    if (!q.prepare(ASql))
        Fail(q.lastError(), ASql);
    for (auto it = ABinds.cbegin(); it != ABinds.cend(); ++it)
        q.bindValue(it.key(), it.value());
    if (!q.exec())
        Fail(q.lastError(), ASql);
    return q;
}

} // namespace

namespace SqlRun {

void Exec(const QSqlDatabase& ADb, const QString& ASql, const QVariantMap& ABinds) {
    Run(ADb, ASql, ABinds, true);
}

QList<QSqlRecord> Open(const QSqlDatabase& ADb, const QString& ASql, const QVariantMap& ABinds) {
    QSqlQuery q = Run(ADb, ASql, ABinds, true);
    QList<QSqlRecord> rows;
    while (q.next())
        rows.append(q.record());
    if (q.lastError().isValid())
        Fail(q.lastError(), ASql);
    return rows;
}

QVariant Value(const QSqlDatabase& ADb, const QString& ASql, const QVariantMap& ABinds) {
    QSqlQuery q = Run(ADb, ASql, ABinds, true);
    if (q.next())
        return q.value(0);
    if (q.lastError().isValid())
        Fail(q.lastError(), ASql);
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

TTransaction::TTransaction(const QSqlDatabase& ADb, const TSqlDialect& ADialect, bool AImmediate)
    : FDb(ADb) {
    if (!ADialect.IsPostgres() && AImmediate) {
        SqlRun::Exec(FDb, QStringLiteral("BEGIN IMMEDIATE"));
    } else if (!FDb.transaction()) {
        Fail(FDb.lastError(), QStringLiteral("BEGIN"));
    }
    FOpen = true;
}

TTransaction::~TTransaction() {
    if (FOpen)
        FDb.rollback();
}

void TTransaction::Commit() {
    FOpen = false;
    // PostgreSQL answers COMMIT of a failed transaction with ROLLBACK; the driver
    // reports that as a failed commit, which must not pass for success.
    if (!FDb.commit()) {
        const QSqlError e = FDb.lastError();
        FDb.rollback();
        Fail(e, QStringLiteral("COMMIT"));
    }
}

void TTransaction::Rollback() {
    if (FOpen) {
        FOpen = false;
        FDb.rollback();
    }
}

TStaticQueryModel::TStaticQueryModel(QObject* AParent) : QSqlQueryModel(AParent) {}

void TStaticQueryModel::Open(const QSqlDatabase& ADb, const QString& ASql,
                             const QVariantMap& ABinds) {
    Close();
    QSqlQuery q = Run(ADb, ASql, ABinds, false);
    setQuery(std::move(q));
    while (canFetchMore())
        fetchMore();
    if (lastError().isValid())
        Fail(lastError(), ASql);
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
    const QSqlRecord rec = record(ARow);
    const int i = rec.indexOf(AColumn);
    return i < 0 ? QVariant() : rec.value(i);
}
