#pragma once

#include "OrderModel.h"
#include "SqlDialect.h"

#include <QPair>
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
    // The same, adding the statements sent to ACounted whether the write ends or fails.
    void Write(const TOrderModel& AModel, qint64& ACounted);

    qint64 StatementCount() const { return FStatementCount; }

    // How a column's values travel: PostgreSQL takes each column as one array.
    enum class TColumn { Integer, Float, Text };
    using TColumns = QList<QPair<QString, TColumn>>;
    // The columns of a plan's tables as the writer fills them, the key first, in the
    // order its rows give their values.
    static const TColumns& PositionColumns();
    static const TColumns& PalletColumns();
    static const TColumns& PlacementColumns();
    // Inserts the rows of AValues (row by row, one value per column of AColumns) into
    // ATable, keys included: on PostgreSQL in one statement, on SQLite in batches.
    void InsertRows(const QString& ATable, const QList<QPair<QString, TColumn>>& AColumns,
                    const QVariantList& AValues);

private:
    // Keys for ACount new rows of ATable, ascending.
    QList<qint64> NewKeys(const QString& ATable, qint64 ACount);
    void UpdateQuantities(const QVariantList& APairs);
    // Runs ASql once per batch of ARows rows of AColumns values each: one statement
    // prepared for the full batches, another for the rest.
    void RunBatches(const std::function<QString(int)>& ASql, int AColumns, int ARows,
                    const QVariantList& AValues);
    void Exec(const QString& ASql, const QVariantList& ABinds = {});
    QVariant Value(const QString& ASql);
    void SetSequence(const QString& ATable, qint64 ALastKey);

    QSqlDatabase FConnection;
    TSqlDialect FDialect;
    std::function<void()> FCheckCanceled;
    qint64 FStatementCount = 0;
};
