// The frame and the measures of the in-memory calculation. Each measure is the literal
// engine's query evaluated on the model: the same integer expressions and the same
// floating-point operations in the same order, so that every comparison comes out the
// same.

#include "MemoryCalculationEngine.h"

#include "CalculationRefusal.h"
#include "CalculationSession.h"
#include "EngineValues.h"
#include "OrderWriter.h"
#include "SheetsPerRow.h"
#include "SqlRun.h"

#include <limits>

namespace {

const char* const CanceledMessage = "Расчет прерван пользователем";

} // namespace

TMemoryCalculationEngine::TMemoryCalculationEngine(const QSqlDatabase& AConnection)
    : FConnection(AConnection),
      FDialect(TSqlDialect::Of(AConnection)) {}

void TMemoryCalculationEngine::Execute() {
    bool literal = false;
    {
        TCalculationSession session(FConnection, FDialect, FShownOrder, FStatementCount,
                                    FReplaceLoaded);
        FModel = TOrderModel::Read(FConnection, &FStatementCount);
        if (!FModel.Unsupported.isEmpty()) {
            session.Abandon();
            literal = true;
        } else {
            CalculationRefusal::Check(FModel.RefusalRows());
            for (const TModelOrder& o : FModel.Orders)
                if (o.Weight1m2)
                    FWeight1m2 = *o.Weight1m2;
            SplitLargePositions();
            InitialDistribution();
            SplitSourcePallets();
            MoveWholePallets();
            RefinePalletSizes();
            TOrderWriter(FConnection, FDialect, [this] {
                CheckCanceled();
            }).Write(FModel, FStatementCount);
            session.Finish([this](const QString& AStage, int APosition, int AMax) {
                ReportProgress(AStage, APosition, AMax);
            });
        }
    }
    if (literal) {
        TPalletCalculationEngine engine(FConnection);
        engine.OnProgress = OnProgress;
        engine.OnCancel = OnCancel;
        engine.PassLimit = PassLimit;
        engine.SetShownOrder(FShownOrder);
        engine.SetReplaceLoaded(FReplaceLoaded);
        try {
            engine.Execute();
        } catch (...) {
            FStatementCount += engine.StatementCount();
            throw;
        }
        FStatementCount += engine.StatementCount();
    }
}

void TMemoryCalculationEngine::ReportProgress(const QString& AStage, int APosition, int AMax) {
    if (OnProgress)
        OnProgress(AStage, APosition, AMax);
    CheckCanceled();
}

void TMemoryCalculationEngine::CheckCanceled() {
    if (OnCancel && OnCancel())
        throw ECalculationCanceled(QString::fromUtf8(CanceledMessage));
}

bool TMemoryCalculationEngine::PositionTooTall(const TModelPosition& APosition) const {
    const qint64 maxH = FModel.Orders.at(APosition.Order).MaxH.value_or(0);
    return CalculationRules::StartedRows(
               APosition.Quantity, SheetsPerRowRule(APosition.Height, APosition.Quantity)) > maxH;
}

bool TMemoryCalculationEngine::PositionTooHeavy(const TModelPosition& APosition) const {
    // "ap.Width*ap.Height*ap.Quantity*m.Weight1m2*1e-6 > a.MaxW": integers first, then
    // doubles left to right; NULL on either side is no.
    const TModelOrder& o = FModel.Orders.at(APosition.Order);
    if (!o.Weight1m2 || !o.MaxW)
        return false;
    return static_cast<double>(APosition.Width * APosition.Height * APosition.Quantity) *
               *o.Weight1m2 * CalculationRules::SquareMetresPerMm2 >
           *o.MaxW;
}

double TMemoryCalculationEngine::PalletWeight(int APallet) const {
    // The literal engine sums the areas as integers, then applies the weight per square
    // metre and the factor; a pallet of unweighed contents weighs 0.
    const TPalletLoad& l = FLoads[APallet];
    if (l.Weighed == 0)
        return 0;
    return static_cast<double>(l.Area) * FWeight1m2 * CalculationRules::SquareMetresPerMm2;
}

double TMemoryCalculationEngine::PalletFreeWeight(int APallet) const {
    const double limit = PalletWeightLimit(APallet);
    return limit - PalletWeight(APallet);
}

qint64 TMemoryCalculationEngine::PalletFreeRows(int APallet) const {
    return PalletHeightLimit(APallet) - PalletRows(APallet);
}

bool TMemoryCalculationEngine::PalletTooTall(int APallet) const {
    return PalletRows(APallet) > PalletHeightLimit(APallet);
}

bool TMemoryCalculationEngine::PalletTooHeavy(int APallet) const {
    return PalletWeightLimit(APallet) < PalletWeight(APallet);
}

bool TMemoryCalculationEngine::AnyPositionOversized() {
    for (size_t i = 0; i < FModel.Positions.size(); ++i) {
        Poll(i);
        const TModelPosition& p = FModel.Positions[i];
        if (PositionTooTall(p) || PositionTooHeavy(p))
            return true;
    }
    return false;
}

bool TMemoryCalculationEngine::AnyPalletOverloaded() {
    for (size_t i = 0; i < FModel.Pallets.size(); ++i) {
        Poll(i);
        if (FModel.Pallets[i].Removed)
            continue;
        const int p = static_cast<int>(i);
        if (PalletTooTall(p) || PalletTooHeavy(p))
            return true;
    }
    return false;
}

qint64 TMemoryCalculationEngine::TotalFreeWeight() {
    qint64 total = 0;
    for (size_t i = 0; i < FModel.Pallets.size(); ++i) {
        Poll(i);
        if (!FModel.Pallets[i].Removed)
            total += EngineValues::TruncToInteger(PalletFreeWeight(static_cast<int>(i)));
    }
    return total;
}

qint64 TMemoryCalculationEngine::TotalFreeRows() {
    qint64 total = 0;
    for (size_t i = 0; i < FModel.Pallets.size(); ++i) {
        Poll(i);
        if (!FModel.Pallets[i].Removed)
            total += PalletFreeRows(static_cast<int>(i));
    }
    return total;
}

int TMemoryCalculationEngine::PickMostFreePallet() {
    double best = std::numeric_limits<double>::lowest();
    int result = -1;
    for (size_t i = 0; i < FModel.Pallets.size(); ++i) {
        Poll(i);
        const TModelPallet& p = FModel.Pallets[i];
        if (p.Removed || !p.Number.isNull())
            continue;
        const double free = PalletFreeWeight(static_cast<int>(i));
        if (free > best) {
            best = free;
            result = static_cast<int>(i);
        }
    }
    return result;
}

int TMemoryCalculationEngine::FindMergeTarget(int ASource) {
    const double freeWeight = PalletFreeWeight(ASource);
    const qint64 freeRows = PalletFreeRows(ASource);
    double best = std::numeric_limits<double>::lowest();
    int result = -1;
    const std::vector<int>& candidates = FByColour[FModel.Pallets[ASource].ColorId];
    for (size_t i = 0; i < candidates.size(); ++i) {
        Poll(i);
        const int c = candidates[i];
        if (c == ASource)
            continue;
        const double weight = PalletWeight(c);
        const qint64 rows = PalletRows(c);
        if (weight <= freeWeight && rows <= freeRows && weight > best) {
            best = weight;
            result = c;
        }
    }
    return result;
}

void TMemoryCalculationEngine::Recount(int APallet) {
    TPalletLoad& l = FLoads[APallet];
    l.Area = 0;
    l.Weighed = 0;
    l.Rows = 0;
    l.HeightLimit.reset();
    l.WeightLimit.reset();
    l.Length = std::numeric_limits<qint64>::min();
    l.RowWidth = std::numeric_limits<qint64>::min();
    for (const int s : l.Contents) {
        const TModelPlacement& pl = FModel.Placements[s];
        const TModelPosition& p = FModel.Positions[pl.Position];
        const TModelOrder& o = FModel.Orders.at(p.Order);
        if (o.Weight1m2) {
            l.Area += p.Width * p.Height * pl.Quantity;
            ++l.Weighed;
        }
        l.Rows += CalculationRules::StartedRows(pl.Quantity, pl.QuantityInRow);
        if (o.MaxH && (!l.HeightLimit || *o.MaxH > *l.HeightLimit))
            l.HeightLimit = o.MaxH;
        if (o.MaxW && (!l.WeightLimit || *o.MaxW > *l.WeightLimit))
            l.WeightLimit = o.MaxW;
        l.Length = std::max(l.Length, p.Width);
        l.RowWidth = std::max(l.RowWidth, p.Height * pl.QuantityInRow);
    }
    l.SizesStale = true;
}

void TMemoryCalculationEngine::UpdatePalletSizes() {
    // Pallets without contents keep the sizes they had, as the database's join finds no
    // row for them.
    for (size_t i = 0; i < FLoads.size(); ++i) {
        TPalletLoad& l = FLoads[i];
        if (!l.SizesStale)
            continue;
        l.SizesStale = false;
        TModelPallet& p = FModel.Pallets[i];
        if (p.Removed || l.Contents.empty())
            continue;
        p.Length = l.Length;
        p.Width = l.RowWidth;
        p.MaxH = l.HeightLimit;
        p.MaxW = l.WeightLimit;
    }
}

int TMemoryCalculationEngine::AddPallet(qint64 AColorId) {
    TModelPallet p;
    p.ColorId = AColorId;
    FModel.Pallets.push_back(p);
    FLoads.emplace_back();
    const int index = static_cast<int>(FModel.Pallets.size()) - 1;
    FByColour[AColorId].push_back(index);
    return index;
}
