#pragma once

#include "OrderModel.h"
#include "SqlDialect.h"

#include <QSqlDatabase>
#include <QVariantList>
#include <functional>

// Writes a calculated TOrderModel over the working tables, inside the caller's
// transaction, with a few batched statements: the pallets and placements replace the
// tables' rows, the parts split off are added and the positions split get their new
// quantities. Rows made by the run get the keys the database would have handed out had
// each been inserted on its own, in the order made, and the key generators end where
// such inserts leave them (SQLite's sqlite_sequence, PostgreSQL's identity sequences).
class TOrderWriter {
public:
    // ACheckCanceled runs before every statement and may throw to stop the write.
    TOrderWriter(const QSqlDatabase& AConnection, const TSqlDialect& ADialect,
                 std::function<void()> ACheckCanceled = {});

    void Write(const TOrderModel& AModel);

    qint64 StatementCount() const { return FStatementCount; }

private:
    // Keys for ACount new rows of ATable, ascending.
    QList<qint64> NewKeys(const QString& ATable, qint64 ACount);
    // Runs AColumns-wide rows of AValues through "AHead (?,...),(?,...)" in batches.
    void InsertRows(const QString& AHead, int AColumns, const QVariantList& AValues);
    void UpdateQuantities(const QVariantList& APairs);
    void Exec(const QString& ASql, const QVariantList& ABinds = {});
    QVariant Value(const QString& ASql);
    void SetSequence(const QString& ATable, qint64 ALastKey);

    QSqlDatabase FConnection;
    TSqlDialect FDialect;
    std::function<void()> FCheckCanceled;
    qint64 FStatementCount = 0;
};
