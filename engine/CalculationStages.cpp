// The five stages of the calculation. Walks are read whole before they start, so a row
// a pass inserts is first visited by the next pass.

#include "CalculationEngine.h"
#include "CalculationRules.h"
#include "EngineValues.h"

using EngineValues::FieldInteger;
using EngineValues::FieldText;

namespace {

QString Key(qint64 AId) {
    return QString::number(AId);
}

} // namespace

void TPalletCalculationEngine::SplitLargePositions() {
    ReportProgress(QStringLiteral("Расщепление больших позиций"), 1, 6);
    int pass = 0;
    while (AnyPositionOversized() && pass < PassLimit) {
        CheckCanceled();
        ++pass;
        const QList<QSqlRecord> rows =
            OpenSnapshot(QStringLiteral("select ID, ApplicateID, Width, Height, Quantity, ColorID, "
                                        "Comment from ApplicatePositions order by ID"));
        for (const QSqlRecord& r : rows) {
            CheckCanceled();
            const qint64 id = FieldInteger(r, QStringLiteral("ID"));
            const qint64 quantity = FieldInteger(r, QStringLiteral("Quantity"));
            if (quantity > 1 && (PositionTooTall(id) || PositionTooHeavy(id))) {
                // The smaller half goes to a new row; the odd sheet stays with the row split.
                const qint64 half = quantity / 2;
                ExecStatement(QStringLiteral("insert into ApplicatePositions (ApplicateID, Width, "
                                             "Height, Quantity, Comment, ColorID) values (") +
                              FieldText(r, QStringLiteral("ApplicateID")) + QLatin1Char(',') +
                              FieldText(r, QStringLiteral("Width")) + QLatin1Char(',') +
                              FieldText(r, QStringLiteral("Height")) + QLatin1Char(',') +
                              Key(half) + QLatin1Char(',') +
                              TSqlDialect::QuotedStr(CalculationRules::SplitRemark(
                                  FieldText(r, QStringLiteral("Comment")), id)) +
                              QLatin1Char(',') + FieldText(r, QStringLiteral("ColorID")) +
                              QLatin1Char(')'));
                ExecStatement(QStringLiteral("update ApplicatePositions set Quantity = ") +
                              Key(quantity - half) + QStringLiteral(" where ID = ") + Key(id));
            }
        }
        ReportProgress(QStringLiteral("Расщепление больших позиций: проход ") + Key(pass), 1, 6);
    }
}

void TPalletCalculationEngine::InitialDistribution() {
    ReportProgress(QStringLiteral("Начальное распределение поддонов"), 2, 6);
    ExecStatement(QStringLiteral("delete from Solutions"));
    ExecStatement(QStringLiteral("delete from Palletes"));

    const QList<QSqlRecord> colours = OpenSnapshot(
        QStringLiteral("select distinct ColorID from ApplicatePositions order by ColorID"));
    for (const QSqlRecord& r : colours) {
        CheckCanceled();
        ExecStatement(QStringLiteral("insert into Palletes (ColorID) values (") +
                      FieldText(r, QStringLiteral("ColorID")) + QLatin1Char(')'));
    }

    const QList<QSqlRecord> positions =
        OpenSnapshot(QStringLiteral("select ID, ApplicateID, Height, Quantity, ColorID "
                                    "from ApplicatePositions order by ID"));
    for (const QSqlRecord& r : positions) {
        CheckCanceled();
        // Every colour got its pallet above, so the lookup always finds one.
        const QList<QSqlRecord> found = OpenSnapshot(
            QStringLiteral("select ID from Palletes where ColorID = ") +
            FieldText(r, QStringLiteral("ColorID")) + QStringLiteral(" order by ID limit 1"));
        const qint64 pallet =
            found.isEmpty() ? 0 : FieldInteger(found.first(), QStringLiteral("ID"));
        const qint64 quantity = FieldInteger(r, QStringLiteral("Quantity"));
        const qint64 height = FieldInteger(r, QStringLiteral("Height"));
        const qint64 perRow = SheetsPerRow(height, quantity);
        ExecStatement(QStringLiteral("insert into Solutions(ApplicateID, PosID, PalleteID, "
                                     "QuantityInRow, Quantity) values (") +
                      FieldText(r, QStringLiteral("ApplicateID")) + QLatin1Char(',') +
                      FieldText(r, QStringLiteral("ID")) + QLatin1Char(',') + Key(pallet) +
                      QLatin1Char(',') + Key(perRow) + QLatin1Char(',') +
                      FieldText(r, QStringLiteral("Quantity")) + QLatin1Char(')'));
    }
    UpdatePalletSizes();
}

void TPalletCalculationEngine::SplitSourcePallets() {
    ReportProgress(QStringLiteral("Расщепление исходных поддонов"), 3, 6);
    int pass = 0;
    while (AnyPalletOverloaded() && pass < PassLimit) {
        CheckCanceled();
        ++pass;
        // Each overloaded pallet gets a twin of its colour, marked with the source's key.
        const QList<QSqlRecord> pallets = OpenSnapshot(
            QStringLiteral("select ID, Length, Width, ColorID from Palletes order by ID"));
        for (const QSqlRecord& r : pallets) {
            CheckCanceled();
            const qint64 id = FieldInteger(r, QStringLiteral("ID"));
            if (PalletTooTall(id) || PalletTooHeavy(id)) {
                ExecStatement(QStringLiteral("insert into Palletes (Length, Width, ColorID, "
                                             "Number) values (") +
                              FieldText(r, QStringLiteral("Length")) + QLatin1Char(',') +
                              FieldText(r, QStringLiteral("Width")) + QLatin1Char(',') +
                              FieldText(r, QStringLiteral("ColorID")) + QStringLiteral(",'") +
                              Key(id) + QStringLiteral("')"));
            }
        }

        // Every second row of the whole walk moves to its pallet's twin, when it has one.
        // The counter runs across pallets, not per pallet.
        int rowCounter = 0;
        const QList<QSqlRecord> assignments = OpenSnapshot(
            QStringLiteral("select s.ID, s.PalleteID, ap.Width*ap.Height*s.QuantityInRow SortValue "
                           "from Solutions s inner join ApplicatePositions ap on ap.ID = s.PosID "
                           "order by s.PalleteID, ap.Width*ap.Height*s.QuantityInRow desc, s.ID"));
        for (const QSqlRecord& r : assignments) {
            CheckCanceled();
            ++rowCounter;
            if (rowCounter % 2 != 0)
                continue;
            const qint64 pallet = FieldInteger(r, QStringLiteral("PalleteID"));
            const qint64 twin = QueryInteger(
                QStringLiteral("select pn.ID from Palletes p inner join Palletes pn on "
                               "pn.ColorID = p.ColorID and pn.Number = '") +
                    Key(pallet) + QStringLiteral("' where p.ID = ") + Key(pallet) +
                    QStringLiteral(" order by pn.ID limit 1"),
                0);
            if (twin != 0)
                ExecStatement(QStringLiteral("update Solutions set PalleteID = ") + Key(twin) +
                              QStringLiteral(" where ID = ") + FieldText(r, QStringLiteral("ID")));
        }
        // Only marked rows are rewritten, for the reason given at UpdatePalletSizes.
        ExecStatement(QStringLiteral("update Palletes set Number = null where Number is not null"));
        UpdatePalletSizes();
        ReportProgress(QStringLiteral("Расщепление исходных поддонов: проход ") + Key(pass), 3, 6);
    }
}

void TPalletCalculationEngine::MoveWholePallets() {
    ReportProgress(QStringLiteral("Переброска целых поддонов"), 4, 6);
    qint64 freeWeight = TotalFreeWeight();
    qint64 freeRows = TotalFreeRows();
    qint64 previous = 0;
    int pass = 0;
    // Ends when merging stops changing the free weight, when a total turns negative,
    // when no unmarked pallet is left, or at the pass limit.
    while (freeWeight >= 0 && freeRows >= 0 && freeWeight != previous && pass < PassLimit) {
        CheckCanceled();
        ++pass;
        const qint64 source = PickMostFreePallet();
        if (source == 0)
            break;
        const qint64 target = FindMergeTarget(source);
        if (target != 0) {
            ExecStatement(QStringLiteral("update Solutions set PalleteID = ") + Key(target) +
                          QStringLiteral(" where PalleteID = ") + Key(source));
            ExecStatement(QStringLiteral("delete from Palletes where ID = ") + Key(source));
            previous = freeWeight;
            freeWeight = TotalFreeWeight();
            freeRows = TotalFreeRows();
        } else {
            ExecStatement(QStringLiteral("update Palletes set Number = 'NoMatch' where ID = ") +
                          Key(source));
            if (QueryInteger(QStringLiteral("select count(*) from Palletes where Number is null"),
                             0) == 0) {
                previous = freeWeight;
                freeWeight = TotalFreeWeight();
                freeRows = TotalFreeRows();
            }
        }
        UpdatePalletSizes();
        ReportProgress(QStringLiteral("Переброска целых поддонов: проход ") + Key(pass), 4, 6);
    }
}

void TPalletCalculationEngine::RefinePalletSizes() {
    ReportProgress(QStringLiteral("Уточнение размеров поддонов"), 5, 6);
    UpdatePalletSizes();
    // A row wider than the sheet is long is packed turned by a quarter.
    ExecStatement(QStringLiteral(
        "update Solutions set Comment = coalesce(Solutions.Comment || ' ', '') || "
        "'Повернуть на 90 град.' from ApplicatePositions ap "
        "where ap.ID = Solutions.PosID and ap.Width < ap.Height * Solutions.QuantityInRow"));
}
