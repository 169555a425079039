#include "OrderWriter.h"

#include "CalculationRules.h"
#include "Errors.h"
#include "SqlRun.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

namespace {

// Rows a statement carries on SQLite. Its parser takes time growing with the square of
// a VALUES list's rows (400 rows cost 50 ms to prepare), while a statement prepared once
// runs again for a few microseconds: short batches are the quick way.
const int SqliteBatchRows = 32;

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

// A PostgreSQL array literal of one column of row-major AValues: "{1,NULL,3}" for
// numbers, "{"a","b \"c\""}" for texts. Doubles are written with 17 digits, which the
// server reads back to the very same value.
QString ArrayLiteral(const QVariantList& AValues, int AColumns, int AColumn, bool AText) {
    QString out;
    out.reserve(AValues.size() / AColumns * 8 + 2);
    out += QLatin1Char('{');
    for (qsizetype i = AColumn; i < AValues.size(); i += AColumns) {
        if (i > AColumn)
            out += QLatin1Char(',');
        const QVariant& v = AValues.at(i);
        if (v.isNull()) {
            out += QLatin1String("NULL");
        } else if (AText) {
            out += QLatin1Char('"');
            for (const QChar ch : v.toString()) {
                if (ch == QLatin1Char('"') || ch == QLatin1Char('\\'))
                    out += QLatin1Char('\\');
                out += ch;
            }
            out += QLatin1Char('"');
        } else if (v.typeId() == QMetaType::Double) {
            out += QString::number(v.toDouble(), 'g', 17);
        } else {
            out += QString::number(v.toLongLong());
        }
    }
    out += QLatin1Char('}');
    return out;
}

} // namespace

TOrderWriter::TOrderWriter(const QSqlDatabase& AConnection, const TSqlDialect& ADialect,
                           std::function<void()> ACheckCanceled)
    : FConnection(AConnection), FDialect(ADialect), FCheckCanceled(std::move(ACheckCanceled)) {}

void TOrderWriter::Write(const TOrderModel& AModel, qint64& ACounted) {
    try {
        Write(AModel);
    } catch (...) {
        ACounted += FStatementCount;
        throw;
    }
    ACounted += FStatementCount;
}

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
    InsertRows(QStringLiteral("ApplicatePositions"), PositionColumns(), added);

    QVariantList pallets;
    for (size_t i = 0; i < AModel.Pallets.size(); ++i) {
        const TModelPallet& p = AModel.Pallets[i];
        if (p.Removed)
            continue;
        pallets << qlonglong(palletKeys.at(static_cast<int>(i))) << qlonglong(p.ColorId)
                << Nullable(p.Length) << Nullable(p.Width) << Nullable(p.MaxH) << Nullable(p.MaxW)
                << Nullable(p.Number);
    }
    InsertRows(QStringLiteral("Palletes"), PalletColumns(), pallets);

    QVariantList placements;
    for (size_t i = 0; i < AModel.Placements.size(); ++i) {
        const TModelPlacement& s = AModel.Placements[i];
        const TModelPosition& p = AModel.Positions[s.Position];
        placements << qlonglong(placementKeys.at(static_cast<int>(i))) << qlonglong(p.ApplicateId)
                   << qlonglong(keys[s.Position]) << qlonglong(palletKeys.at(s.Pallet))
                   << qlonglong(s.QuantityInRow) << qlonglong(s.Quantity) << Nullable(s.Comment);
    }
    InsertRows(QStringLiteral("Solutions"), PlacementColumns(), placements);

    if (!FDialect.IsPostgres()) {
        if (!positionKeys.isEmpty())
            SetSequence(QStringLiteral("ApplicatePositions"), positionKeys.last());
        if (!palletKeys.isEmpty())
            SetSequence(QStringLiteral("Palletes"), palletKeys.last());
        if (!placementKeys.isEmpty())
            SetSequence(QStringLiteral("Solutions"), placementKeys.last());
    }
}

const TOrderWriter::TColumns& TOrderWriter::PositionColumns() {
    static const TColumns columns = {{QStringLiteral("ID"), TColumn::Integer},
                                     {QStringLiteral("ApplicateID"), TColumn::Integer},
                                     {QStringLiteral("Width"), TColumn::Integer},
                                     {QStringLiteral("Height"), TColumn::Integer},
                                     {QStringLiteral("Quantity"), TColumn::Integer},
                                     {QStringLiteral("Comment"), TColumn::Text},
                                     {QStringLiteral("ColorID"), TColumn::Integer}};
    return columns;
}

const TOrderWriter::TColumns& TOrderWriter::PalletColumns() {
    static const TColumns columns = {{QStringLiteral("ID"), TColumn::Integer},
                                     {QStringLiteral("ColorID"), TColumn::Integer},
                                     {QStringLiteral("Length"), TColumn::Integer},
                                     {QStringLiteral("Width"), TColumn::Integer},
                                     {QStringLiteral("MaxH"), TColumn::Integer},
                                     {QStringLiteral("MaxW"), TColumn::Float},
                                     {QStringLiteral("Number"), TColumn::Text}};
    return columns;
}

const TOrderWriter::TColumns& TOrderWriter::PlacementColumns() {
    static const TColumns columns = {{QStringLiteral("ID"), TColumn::Integer},
                                     {QStringLiteral("ApplicateID"), TColumn::Integer},
                                     {QStringLiteral("PosID"), TColumn::Integer},
                                     {QStringLiteral("PalleteID"), TColumn::Integer},
                                     {QStringLiteral("QuantityInRow"), TColumn::Integer},
                                     {QStringLiteral("Quantity"), TColumn::Integer},
                                     {QStringLiteral("Comment"), TColumn::Text}};
    return columns;
}

QList<qint64> TOrderWriter::NewKeys(const QString& ATable, qint64 ACount) {
    QList<qint64> keys;
    if (ACount <= 0)
        return keys;
    keys.reserve(ACount);
    if (FDialect.IsPostgres()) {
        // The first key from the identity sequence itself, the sequence then moved to the
        // last: where ACount inserts one by one would leave it. No other key is taken in
        // between: every writer holds the database's write lock, as this run does.
        const QString sequence =
            QStringLiteral("pg_get_serial_sequence('%1', 'id')").arg(ATable.toLower());
        const qint64 first =
            Value(QStringLiteral("with k as (select nextval(%1) f) select f, setval(%1, f + %2) "
                                 "from k")
                      .arg(sequence)
                      .arg(ACount - 1))
                .toLongLong();
        for (qint64 i = 0; i < ACount; ++i)
            keys << first + i;
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

void TOrderWriter::InsertRows(const QString& ATable, const QList<QPair<QString, TColumn>>& AColumns,
                              const QVariantList& AValues) {
    const int columns = static_cast<int>(AColumns.size());
    const int rows = static_cast<int>(AValues.size()) / columns;
    if (rows == 0)
        return;
    QStringList names;
    for (const auto& [name, type] : AColumns)
        names << name;
    const QString head =
        QStringLiteral("insert into %1 (%2)").arg(ATable, names.join(QLatin1Char(',')));
    if (FDialect.IsPostgres()) {
        // One statement, a column an array: the server reads arrays far quicker than it
        // plans a statement of thousands of parameters.
        QStringList arrays;
        QVariantList binds;
        for (int c = 0; c < columns; ++c) {
            const TColumn type = AColumns.at(c).second;
            arrays << QStringLiteral("cast(? as %1[])")
                          .arg(type == TColumn::Integer ? QStringLiteral("bigint")
                               : type == TColumn::Float ? QStringLiteral("double precision")
                                                        : QStringLiteral("text"));
            binds << ArrayLiteral(AValues, columns, c, type == TColumn::Text);
        }
        Exec(head + QStringLiteral(" overriding system value select * from unnest(") +
                 arrays.join(QLatin1Char(',')) + QLatin1Char(')'),
             binds);
        return;
    }
    RunBatches(
        [&](int ABatch) {
            return head + QStringLiteral(" values ") + Placeholders(columns, ABatch);
        },
        columns, rows, AValues);
}

void TOrderWriter::UpdateQuantities(const QVariantList& APairs) {
    const int rows = static_cast<int>(APairs.size()) / 2;
    if (rows == 0)
        return;
    if (FDialect.IsPostgres()) {
        Exec(QStringLiteral("update ApplicatePositions set Quantity = v.q from unnest(cast(? as "
                            "bigint[]), cast(? as bigint[])) v(id, q) "
                            "where ApplicatePositions.ID = v.id"),
             {ArrayLiteral(APairs, 2, 0, false), ArrayLiteral(APairs, 2, 1, false)});
        return;
    }
    RunBatches(
        [](int ABatch) {
            QString values;
            for (int r = 0; r < ABatch; ++r)
                values += (r ? QStringLiteral(",") : QString()) +
                          QStringLiteral("(cast(? as bigint), cast(? as bigint))");
            return QStringLiteral("update ApplicatePositions set Quantity = v.column2 from "
                                  "(values ") +
                   values + QStringLiteral(") v where ApplicatePositions.ID = v.column1");
        },
        2, rows, APairs);
}

void TOrderWriter::RunBatches(const std::function<QString(int)>& ASql, int AColumns, int ARows,
                              const QVariantList& AValues) {
    QSqlQuery full(FConnection);
    bool fullPrepared = false;
    QString fullSql;
    for (int start = 0; start < ARows; start += SqliteBatchRows) {
        const int count = std::min(SqliteBatchRows, ARows - start);
        if (FCheckCanceled)
            FCheckCanceled();
        ++FStatementCount;
        QSqlQuery partial(FConnection);
        QSqlQuery* q = &full;
        QString sql;
        if (count == SqliteBatchRows) {
            if (!fullPrepared) {
                fullSql = ASql(count);
                if (!full.prepare(fullSql))
                    SqlRun::ThrowFailure(FConnection, full.lastError(), fullSql);
                fullPrepared = true;
            }
            sql = fullSql;
        } else {
            sql = ASql(count);
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
