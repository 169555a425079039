// The five stages of the in-memory calculation, walk for walk as the literal engine runs
// them: a walk visits rows in key order, and rows made during a pass are first visited
// by the next pass (they are appended, and a walk ends where the pass began).

#include "MemoryCalculationEngine.h"

#include "SheetsPerRow.h"

#include <algorithm>
#include <set>

namespace {

QString Key(qint64 AValue) {
    return QString::number(AValue);
}

} // namespace

void TMemoryCalculationEngine::SplitLargePositions() {
    ReportProgress(QStringLiteral("Расщепление больших позиций"), 1, 6);
    int pass = 0;
    while (AnyPositionOversized() && pass < PassLimit) {
        CheckCanceled();
        ++pass;
        const size_t walked = FModel.Positions.size();
        for (size_t i = 0; i < walked; ++i) {
            Poll(i);
            const TModelPosition row = FModel.Positions[i];
            if (row.Quantity > 1 && (PositionTooTall(row) || PositionTooHeavy(row))) {
                // The smaller half goes to a new row; the odd sheet stays with the row split.
                const qint64 half = row.Quantity / 2;
                TModelPosition part = row;
                part.Key = 0;
                part.Quantity = half;
                part.ReadQuantity = 0;
                part.SplitFrom = static_cast<int>(i);
                // A part's comment holds its own words already. Taking them from it
                // again would also strip words of the customer's that end like the
                // remark ("образец (часть позиции 1)"), which the literal engine keeps:
                // it only strips the one remark its split added.
                part.Comment =
                    row.SplitFrom >= 0 ? row.Comment : CalculationRules::OwnWords(row.Comment);
                // Refused as the literal engine's quoting refuses it.
                TSqlDialect::QuotedStr(part.Comment);
                FModel.Positions[i].Quantity = row.Quantity - half;
                FModel.Positions.push_back(part);
            }
        }
        ReportProgress(QStringLiteral("Расщепление больших позиций: проход ") + Key(pass), 1, 6);
    }
}

void TMemoryCalculationEngine::InitialDistribution() {
    ReportProgress(QStringLiteral("Начальное распределение поддонов"), 2, 6);
    FModel.Pallets.clear();
    FModel.Placements.clear();
    FLoads.clear();
    FByColour.clear();

    // One pallet a colour, in ascending colour order.
    std::set<qint64> colours;
    for (const TModelPosition& p : FModel.Positions)
        colours.insert(p.ColorId);
    QHash<qint64, int> palletOf;
    for (const qint64 c : colours) {
        CheckCanceled();
        palletOf.insert(c, AddPallet(c));
    }

    FModel.Placements.reserve(FModel.Positions.size());
    for (size_t i = 0; i < FModel.Positions.size(); ++i) {
        Poll(i);
        const TModelPosition& p = FModel.Positions[i];
        TModelPlacement s;
        s.Position = static_cast<int>(i);
        s.Pallet = palletOf.value(p.ColorId);
        s.QuantityInRow = SheetsPerRowRule(p.Height, p.Quantity);
        s.Quantity = p.Quantity;
        FModel.Placements.push_back(s);
        FLoads[s.Pallet].Contents.push_back(static_cast<int>(i));
    }
    for (size_t p = 0; p < FLoads.size(); ++p)
        Recount(static_cast<int>(p));
    UpdatePalletSizes();
}

void TMemoryCalculationEngine::SplitSourcePallets() {
    ReportProgress(QStringLiteral("Расщепление исходных поддонов"), 3, 6);
    int pass = 0;
    std::vector<std::pair<qint64, int>> order;
    while (AnyPalletOverloaded() && pass < PassLimit) {
        CheckCanceled();
        ++pass;
        // Each overloaded pallet gets a twin of its colour with its sizes, judged on the
        // state at the start of the pass.
        const size_t walked = FModel.Pallets.size();
        std::vector<int> twin(walked, -1);
        for (size_t i = 0; i < walked; ++i) {
            Poll(i);
            const int p = static_cast<int>(i);
            if (FModel.Pallets[i].Removed || !(PalletTooTall(p) || PalletTooHeavy(p)))
                continue;
            const TModelPallet source = FModel.Pallets[i];
            const int t = AddPallet(source.ColorId);
            FModel.Pallets[t].Length = source.Length;
            FModel.Pallets[t].Width = source.Width;
            twin[i] = t;
        }

        // Every second row of the whole walk (by pallet, largest row first, then by key)
        // moves to its pallet's twin, when it has one.
        qint64 counter = 0;
        for (size_t i = 0; i < walked; ++i) {
            std::vector<int>& contents = FLoads[i].Contents;
            if (contents.empty())
                continue;
            order.clear();
            for (const int s : contents) {
                const TModelPlacement& pl = FModel.Placements[s];
                const TModelPosition& p = FModel.Positions[pl.Position];
                order.emplace_back(p.Width * p.Height * pl.QuantityInRow, s);
            }
            std::sort(order.begin(), order.end(), [](const auto& A, const auto& B) {
                return A.first != B.first ? A.first > B.first : A.second < B.second;
            });
            const int t = twin[i];
            if (t < 0) {
                counter += static_cast<qint64>(order.size());
                continue;
            }
            contents.clear();
            for (const auto& [sortValue, s] : order) {
                Poll(static_cast<size_t>(counter));
                ++counter;
                if (counter % 2 == 0) {
                    FModel.Placements[s].Pallet = t;
                    FLoads[t].Contents.push_back(s);
                } else {
                    contents.push_back(s);
                }
            }
            Recount(static_cast<int>(i));
            Recount(t);
        }
        UpdatePalletSizes();
        ReportProgress(QStringLiteral("Расщепление исходных поддонов: проход ") + Key(pass), 3, 6);
    }
}

void TMemoryCalculationEngine::MoveWholePallets() {
    ReportProgress(QStringLiteral("Переброска целых поддонов"), 4, 6);
    qint64 freeWeight = TotalFreeWeight();
    qint64 freeRows = TotalFreeRows();
    qint64 previous = 0;
    int pass = 0;
    int unmarked = 0;
    for (const TModelPallet& p : FModel.Pallets)
        if (!p.Removed && p.Number.isNull())
            ++unmarked;
    while (freeWeight >= 0 && freeRows >= 0 && freeWeight != previous && pass < PassLimit) {
        CheckCanceled();
        ++pass;
        const int source = PickMostFreePallet();
        if (source < 0)
            break;
        const int target = FindMergeTarget(source);
        if (target >= 0) {
            TPalletLoad& from = FLoads[source];
            TPalletLoad& to = FLoads[target];
            for (const int s : from.Contents) {
                FModel.Placements[s].Pallet = target;
                to.Contents.push_back(s);
            }
            from.Contents.clear();
            Recount(target);
            Recount(source);
            FModel.Pallets[source].Removed = true;
            --unmarked;
            std::vector<int>& same = FByColour[FModel.Pallets[source].ColorId];
            same.erase(std::find(same.begin(), same.end(), source));
            previous = freeWeight;
            freeWeight = TotalFreeWeight();
            freeRows = TotalFreeRows();
        } else {
            FModel.Pallets[source].Number = QStringLiteral("NoMatch");
            if (--unmarked == 0) {
                previous = freeWeight;
                freeWeight = TotalFreeWeight();
                freeRows = TotalFreeRows();
            }
        }
        UpdatePalletSizes();
        ReportProgress(QStringLiteral("Переброска целых поддонов: проход ") + Key(pass), 4, 6);
    }
}

void TMemoryCalculationEngine::RefinePalletSizes() {
    ReportProgress(QStringLiteral("Уточнение размеров поддонов"), 5, 6);
    UpdatePalletSizes();
    // A row wider than the sheet is long is packed turned by a quarter.
    for (size_t i = 0; i < FModel.Placements.size(); ++i) {
        Poll(i);
        TModelPlacement& s = FModel.Placements[i];
        const TModelPosition& p = FModel.Positions[s.Position];
        if (p.Width < p.Height * s.QuantityInRow)
            s.Comment = s.Comment.isNull() ? QStringLiteral("Повернуть на 90 град.")
                                           : s.Comment + QStringLiteral(" Повернуть на 90 град.");
    }
}
