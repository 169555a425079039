// Measures and predicates of pallets and positions. Each is asked of the database
// afresh: the stages change the tables between any two calls.

#include "CalculationEngine.h"
#include "CalculationRules.h"
#include "DataModule.h"
#include "EngineValues.h"
#include "SheetsPerRow.h"

#include <limits>

using EngineValues::FieldInteger;
using EngineValues::TruncToInteger;

namespace {

QString Key(qint64 AId) {
    return QString::number(AId);
}

} // namespace

qint64 TPalletCalculationEngine::SheetsPerRow(qint64 AHeight, qint64 AQuantity) {
    return SheetsPerRowRule(AHeight, AQuantity);
}

double TPalletCalculationEngine::PalletWeight(qint64 APalletId) {
    // The areas are summed as integers before the weight per square metre is applied:
    // a sum of doubles depends on the order the rows arrive in, and the two databases
    // must give the very same weight for the same pallet.
    return QueryFloat(
        QStringLiteral("select coalesce(sum(t.Area*t.Weight1m2)*1e-6, 0) from (select "
                       "cast(sum(ap.Width*ap.Height*s.Quantity) as bigint) Area, m.Weight1m2 "
                       "from Solutions s inner join ApplicatePositions ap on ap.ID = s.PosID "
                       "inner join Applicates a on a.ID = ap.ApplicateID "
                       "inner join Materials m on m.id = a.MatID where s.PalleteID = ") +
            Key(APalletId) + QStringLiteral(" group by m.Weight1m2) t"),
        0);
}

qint64 TPalletCalculationEngine::PalletRows(qint64 APalletId) {
    // Started rows count whole: 5 sheets at 2 a row stand 3 high. Integer division on
    // both databases, as CalculationRules::StartedRows computes it.
    return QueryInteger(
        QStringLiteral("select coalesce(sum((s.Quantity + s.QuantityInRow - 1) / "
                       "nullif(s.QuantityInRow,0)),0) from Solutions s where s.PalleteID = ") +
            Key(APalletId),
        0);
}

qint64 TPalletCalculationEngine::PalletHeightLimit(qint64 APalletId) {
    return QueryInteger(QStringLiteral("select coalesce(max(m.MaxH),0) from Solutions s "
                                       "inner join Applicates a on a.ID = s.ApplicateID "
                                       "inner join Materials m on m.id = a.MatID "
                                       "where s.PalleteID = ") +
                            Key(APalletId),
                        0);
}

double TPalletCalculationEngine::PalletWeightLimit(qint64 APalletId) {
    return QueryFloat(QStringLiteral("select coalesce(max(a.MaxW),0) from Solutions s "
                                     "inner join Applicates a on a.ID = s.ApplicateID "
                                     "where s.PalleteID = ") +
                          Key(APalletId),
                      0);
}

double TPalletCalculationEngine::PalletFreeWeight(qint64 APalletId) {
    const double limit = PalletWeightLimit(APalletId);
    return limit - PalletWeight(APalletId);
}

qint64 TPalletCalculationEngine::PalletFreeRows(qint64 APalletId) {
    const qint64 limit = PalletHeightLimit(APalletId);
    return limit - PalletRows(APalletId);
}

bool TPalletCalculationEngine::PositionTooTall(qint64 APositionId) {
    const QList<QSqlRecord> rows = OpenSnapshot(
        QStringLiteral("select ap.Height, ap.Quantity, coalesce(m.MaxH,0) MaxH "
                       "from ApplicatePositions ap inner join Applicates a on a.ID = "
                       "ap.ApplicateID inner join Materials m on m.id = a.MatID where ap.ID = ") +
        Key(APositionId));
    if (rows.isEmpty())
        return false;
    const QSqlRecord& r = rows.first();
    const qint64 height = FieldInteger(r, QStringLiteral("Height"));
    const qint64 quantity = FieldInteger(r, QStringLiteral("Quantity"));
    const qint64 maxH = FieldInteger(r, QStringLiteral("MaxH"));
    return CalculationRules::StartedRows(quantity, SheetsPerRow(height, quantity)) > maxH;
}

bool TPalletCalculationEngine::PositionTooHeavy(qint64 APositionId) {
    return QueryInteger(QStringLiteral("select case when ap.Width*ap.Height*ap.Quantity*"
                                       "m.Weight1m2*1e-6 > a.MaxW then 1 else 0 end "
                                       "from ApplicatePositions ap inner join Applicates a "
                                       "on a.ID = ap.ApplicateID inner join Materials m "
                                       "on m.id = a.MatID where ap.ID = ") +
                            Key(APositionId),
                        0) == 1;
}

bool TPalletCalculationEngine::PalletTooTall(qint64 APalletId) {
    const qint64 rows = PalletRows(APalletId);
    return rows > PalletHeightLimit(APalletId);
}

bool TPalletCalculationEngine::PalletTooHeavy(qint64 APalletId) {
    const double weight = PalletWeight(APalletId);
    return PalletWeightLimit(APalletId) < weight;
}

bool TPalletCalculationEngine::AnyPositionOversized() {
    const QList<QSqlRecord> rows =
        OpenSnapshot(QStringLiteral("select ID from ApplicatePositions order by ID"));
    for (const QSqlRecord& r : rows) {
        CheckCanceled();
        const qint64 id = FieldInteger(r, QStringLiteral("ID"));
        if (PositionTooTall(id) || PositionTooHeavy(id))
            return true;
    }
    return false;
}

bool TPalletCalculationEngine::AnyPalletOverloaded() {
    const QList<QSqlRecord> rows =
        OpenSnapshot(QStringLiteral("select ID from Palletes order by ID"));
    for (const QSqlRecord& r : rows) {
        CheckCanceled();
        const qint64 id = FieldInteger(r, QStringLiteral("ID"));
        if (PalletTooTall(id) || PalletTooHeavy(id))
            return true;
    }
    return false;
}

qint64 TPalletCalculationEngine::TotalFreeWeight() {
    const QList<QSqlRecord> rows =
        OpenSnapshot(QStringLiteral("select ID from Palletes order by ID"));
    qint64 total = 0;
    for (const QSqlRecord& r : rows) {
        CheckCanceled();
        // Each pallet counts its whole kilograms, cut toward zero: 12.9 is 12, -0.7 is 0.
        total += TruncToInteger(PalletFreeWeight(FieldInteger(r, QStringLiteral("ID"))));
    }
    return total;
}

qint64 TPalletCalculationEngine::TotalFreeRows() {
    const QList<QSqlRecord> rows =
        OpenSnapshot(QStringLiteral("select ID from Palletes order by ID"));
    qint64 total = 0;
    for (const QSqlRecord& r : rows) {
        CheckCanceled();
        total += PalletFreeRows(FieldInteger(r, QStringLiteral("ID")));
    }
    return total;
}

qint64 TPalletCalculationEngine::PickMostFreePallet() {
    const QList<QSqlRecord> rows =
        OpenSnapshot(QStringLiteral("select ID from Palletes where Number is null order by ID"));
    double best = std::numeric_limits<double>::lowest();
    qint64 result = 0;
    for (const QSqlRecord& r : rows) {
        CheckCanceled();
        const qint64 id = FieldInteger(r, QStringLiteral("ID"));
        const double free = PalletFreeWeight(id);
        if (free > best) {
            best = free;
            result = id;
        }
    }
    return result;
}

qint64 TPalletCalculationEngine::FindMergeTarget(qint64 ASourceId) {
    const double freeWeight = PalletFreeWeight(ASourceId);
    const qint64 freeRows = PalletFreeRows(ASourceId);
    const qint64 colour = QueryInteger(
        QStringLiteral("select coalesce(ColorID,0) from Palletes where ID = ") + Key(ASourceId), 0);
    const QList<QSqlRecord> rows = OpenSnapshot(
        QStringLiteral("select ID from Palletes where ID <> ") + Key(ASourceId) +
        QStringLiteral(" and ColorID = ") + Key(colour) + QStringLiteral(" order by ID"));
    double best = std::numeric_limits<double>::lowest();
    qint64 result = 0;
    for (const QSqlRecord& r : rows) {
        CheckCanceled();
        const qint64 id = FieldInteger(r, QStringLiteral("ID"));
        const double weight = PalletWeight(id);
        const qint64 candidateRows = PalletRows(id);
        if (weight <= freeWeight && candidateRows <= freeRows && weight > best) {
            best = weight;
            result = id;
        }
    }
    return result;
}

void TPalletCalculationEngine::UpdatePalletSizes() {
    ExecStatement(TDataModule::PalletSizesSql());
}
