#include "OrderWriter.h"

#include "CalculationRules.h"
#include "Errors.h"
#include "SqlRun.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

namespace {

// Rows a statement carries: well inside both databases' limits on bound values.
const int BatchRows = 400;

QVariant Nullable(const std::optional<qint64>& AValue) {
    return AValue ? QVariant(static_cast<qlonglong>(*AValue))
                  : QVariant(QMetaType::fromType<qlonglong>());
}

QVariant Nullable(const std::optional<double>& AValue) {
    return AValue ? QVariant(*AValue) : QVariant(QMetaType::fromType<double>());
}

QVariant Nullable(const QString& AValue) {
    return AValue.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(AValue);
}

QString Placeholders(int AColumns, int ARows) {
    QString row = QStringLiteral("(");
    for (int c = 0; c < AColumns; ++c)
        row += c == 0 ? QStringLiteral("?") : QStringLiteral(",?");
    row += QLatin1Char(')');
    QString all;
    all.reserve((row.size() + 1) * ARows);
    for (int r = 0; r < ARows; ++r) {
        if (r > 0)
            all += QLatin1Char(',');
        all += row;
    }
    return all;
}

} // namespace

TOrderWriter::TOrderWriter(const QSqlDatabase& AConnection, const TSqlDialect& ADialect,
                           std::function<void()> ACheckCanceled)
    : FConnection(AConnection), FDialect(ADialect), FCheckCanceled(std::move(ACheckCanceled)) {}

void TOrderWriter::Write(const TOrderModel& AModel) {
    const qint64 parts = static_cast<qint64>(AModel.Positions.size()) - AModel.ReadPositions;
    const QList<qint64> positionKeys = NewKeys(QStringLiteral("ApplicatePositions"), parts);
    const QList<qint64> palletKeys =
        NewKeys(QStringLiteral("Palletes"), static_cast<qint64>(AModel.Pallets.size()));
    const QList<qint64> placementKeys =
        NewKeys(QStringLiteral("Solutions"), static_cast<qint64>(AModel.Placements.size()));

    Exec(QStringLiteral("delete from Solutions"));
    Exec(QStringLiteral("delete from Palletes"));

    // Positions: the split rows keep their keys with fewer sheets; the parts follow.
    std::vector<qint64> keys(AModel.Positions.size());
    std::vector<QString> comments(AModel.Positions.size());
    QVariantList changed;
    QVariantList added;
    for (size_t i = 0; i < AModel.Positions.size(); ++i) {
        const TModelPosition& p = AModel.Positions[i];
        if (static_cast<int>(i) < AModel.ReadPositions) {
            keys[i] = p.Key;
            if (p.Quantity != p.ReadQuantity)
                changed << qlonglong(p.Key) << qlonglong(p.Quantity);
            continue;
        }
        keys[i] = positionKeys.at(static_cast<int>(i) - AModel.ReadPositions);
        comments[i] = CalculationRules::PartComment(p.Comment, keys[p.SplitFrom]);
        added << qlonglong(keys[i]) << qlonglong(p.ApplicateId) << qlonglong(p.Width)
              << qlonglong(p.Height) << qlonglong(p.Quantity) << comments[i]
              << qlonglong(p.ColorId);
    }
    UpdateQuantities(changed);
    const QString overriding =
        FDialect.IsPostgres() ? QStringLiteral(" overriding system value") : QString();
    InsertRows(QStringLiteral("insert into ApplicatePositions (ID, ApplicateID, Width, Height, "
                              "Quantity, Comment, ColorID)") +
                   overriding + QStringLiteral(" values "),
               7, added);

    QVariantList pallets;
    for (size_t i = 0; i < AModel.Pallets.size(); ++i) {
        const TModelPallet& p = AModel.Pallets[i];
        if (p.Removed)
            continue;
        pallets << qlonglong(palletKeys.at(static_cast<int>(i))) << qlonglong(p.ColorId)
                << Nullable(p.Length) << Nullable(p.Width) << Nullable(p.MaxH) << Nullable(p.MaxW)
                << Nullable(p.Number);
    }
    InsertRows(QStringLiteral("insert into Palletes (ID, ColorID, Length, Width, MaxH, MaxW, "
                              "Number)") +
                   overriding + QStringLiteral(" values "),
               7, pallets);

    QVariantList placements;
    for (size_t i = 0; i < AModel.Placements.size(); ++i) {
        const TModelPlacement& s = AModel.Placements[i];
        const TModelPosition& p = AModel.Positions[s.Position];
        placements << qlonglong(placementKeys.at(static_cast<int>(i))) << qlonglong(p.ApplicateId)
                   << qlonglong(keys[s.Position]) << qlonglong(palletKeys.at(s.Pallet))
                   << qlonglong(s.QuantityInRow) << qlonglong(s.Quantity) << Nullable(s.Comment);
    }
    InsertRows(QStringLiteral("insert into Solutions (ID, ApplicateID, PosID, PalleteID, "
                              "QuantityInRow, Quantity, Comment)") +
                   overriding + QStringLiteral(" values "),
               7, placements);

    if (!FDialect.IsPostgres()) {
        if (!positionKeys.isEmpty())
            SetSequence(QStringLiteral("ApplicatePositions"), positionKeys.last());
        if (!palletKeys.isEmpty())
            SetSequence(QStringLiteral("Palletes"), palletKeys.last());
        if (!placementKeys.isEmpty())
            SetSequence(QStringLiteral("Solutions"), placementKeys.last());
    }
}

QList<qint64> TOrderWriter::NewKeys(const QString& ATable, qint64 ACount) {
    QList<qint64> keys;
    if (ACount <= 0)
        return keys;
    keys.reserve(ACount);
    if (FDialect.IsPostgres()) {
        // Taken from the identity sequence itself, as inserts one by one would take them:
        // a key handed out is never handed out again, whatever else runs meanwhile.
        const QString sql =
            QStringLiteral("select nextval(pg_get_serial_sequence('%1', 'id')) from "
                           "generate_series(1, %2)")
                .arg(ATable.toLower())
                .arg(ACount);
        if (FCheckCanceled)
            FCheckCanceled();
        ++FStatementCount;
        QSqlQuery q(FConnection);
        q.setForwardOnly(true);
        if (!q.exec(sql))
            SqlRun::ThrowFailure(FConnection, q.lastError(), sql);
        while (q.next())
            keys << q.value(0).toLongLong();
        if (q.lastError().isValid())
            SqlRun::ThrowFailure(FConnection, q.lastError(), sql);
        std::sort(keys.begin(), keys.end());
        return keys;
    }
    // An AUTOINCREMENT key is one above the highest the table ever held: the greater of
    // its sqlite_sequence entry and its highest key now.
    const qint64 last = Value(QStringLiteral("select max(coalesce((select seq from "
                                             "sqlite_sequence where lower(name) = '%1'), 0), "
                                             "coalesce((select max(ID) from %2), 0))")
                                  .arg(ATable.toLower(), ATable))
                            .toLongLong();
    for (qint64 i = 1; i <= ACount; ++i)
        keys << last + i;
    return keys;
}

void TOrderWriter::SetSequence(const QString& ATable, qint64 ALastKey) {
    // The explicit keys moved the entry to the highest key written; a pallet deleted
    // during the run may have used up a higher one.
    Exec(QStringLiteral("update sqlite_sequence set seq = ? where lower(name) = '%1'")
             .arg(ATable.toLower()),
         {qlonglong(ALastKey)});
}

void TOrderWriter::InsertRows(const QString& AHead, int AColumns, const QVariantList& AValues) {
    const int rows = static_cast<int>(AValues.size()) / AColumns;
    if (rows == 0)
        return;
    QSqlQuery full(FConnection);
    bool fullPrepared = false;
    const QString fullSql = AHead + Placeholders(AColumns, BatchRows);
    for (int start = 0; start < rows; start += BatchRows) {
        const int count = std::min(BatchRows, rows - start);
        if (FCheckCanceled)
            FCheckCanceled();
        ++FStatementCount;
        QSqlQuery partial(FConnection);
        QSqlQuery* q = &full;
        QString sql = fullSql;
        if (count == BatchRows) {
            if (!fullPrepared && !full.prepare(fullSql))
                SqlRun::ThrowFailure(FConnection, full.lastError(), fullSql);
            fullPrepared = true;
        } else {
            sql = AHead + Placeholders(AColumns, count);
            if (!partial.prepare(sql))
                SqlRun::ThrowFailure(FConnection, partial.lastError(), sql);
            q = &partial;
        }
        const int first = start * AColumns;
        for (int i = 0; i < count * AColumns; ++i)
            q->bindValue(i, AValues.at(first + i));
        if (!q->exec())
            SqlRun::ThrowFailure(FConnection, q->lastError(), sql);
    }
}

void TOrderWriter::UpdateQuantities(const QVariantList& APairs) {
    const int rows = static_cast<int>(APairs.size()) / 2;
    for (int start = 0; start < rows; start += BatchRows) {
        const int count = std::min(BatchRows, rows - start);
        QString values;
        for (int r = 0; r < count; ++r)
            values += (r ? QStringLiteral(",") : QString()) +
                      QStringLiteral("(cast(? as bigint), cast(? as bigint))");
        QVariantList binds = APairs.mid(start * 2, count * 2);
        Exec(QStringLiteral("update ApplicatePositions set Quantity = v.column2 from (values ") +
                 values + QStringLiteral(") v where ApplicatePositions.ID = v.column1"),
             binds);
    }
}

void TOrderWriter::Exec(const QString& ASql, const QVariantList& ABinds) {
    if (FCheckCanceled)
        FCheckCanceled();
    ++FStatementCount;
    QSqlQuery q(FConnection);
    if (ABinds.isEmpty()) {
        if (!q.exec(ASql))
            SqlRun::ThrowFailure(FConnection, q.lastError(), ASql);
        return;
    }
    if (!q.prepare(ASql))
        SqlRun::ThrowFailure(FConnection, q.lastError(), ASql);
    for (int i = 0; i < ABinds.size(); ++i)
        q.bindValue(i, ABinds.at(i));
    if (!q.exec())
        SqlRun::ThrowFailure(FConnection, q.lastError(), ASql);
}

QVariant TOrderWriter::Value(const QString& ASql) {
    if (FCheckCanceled)
        FCheckCanceled();
    ++FStatementCount;
    QSqlQuery q(FConnection);
    q.setForwardOnly(true);
    if (!q.exec(ASql))
        SqlRun::ThrowFailure(FConnection, q.lastError(), ASql);
    if (q.next())
        return q.value(0);
    if (q.lastError().isValid())
        SqlRun::ThrowFailure(FConnection, q.lastError(), ASql);
    return {};
}
