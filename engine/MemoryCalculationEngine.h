#pragma once

#include "CalculationEngine.h"
#include "OrderModel.h"

#include <QHash>
#include <QSqlDatabase>
#include <optional>
#include <vector>

// The calculation of TPalletCalculationEngine done in memory: it reads the order once,
// runs the same five stages on plain values (the same walks in key order, tie-breaks,
// pass limits, integer rules and floating-point expressions) and writes the outcome in
// one transaction with a few batched statements. The tables, keys included, and the
// progress reports come out as the literal engine's. Rows it cannot stand for (see
// TOrderModel::Unsupported) are left to the literal engine.
class TMemoryCalculationEngine {
public:
    explicit TMemoryCalculationEngine(const QSqlDatabase& AConnection);

    // Runs the calculation; on any failure rolls back and re-raises the very exception.
    void Execute();

    // As TPalletCalculationEngine::SetShownOrder.
    void SetShownOrder(qlonglong AOrderId) { FShownOrder = AOrderId; }
    // Whether an order with loaded pallets is calculated anyway, their marks removed
    // (otherwise ELoadedPallets, nothing changed).
    void SetReplaceLoaded(bool AReplace) { FReplaceLoaded = AReplace; }

    // Statements and queries sent so far (for measuring runs).
    qint64 StatementCount() const { return FStatementCount; }

    TCalcProgressEvent OnProgress;
    TCalcCancelEvent OnCancel;
    // As TPalletCalculationEngine::PassLimit.
    int PassLimit = CalculationRules::DefaultPassLimit;

private:
    // What a pallet carries, kept up to date as contents move, and the figures the
    // database would compute from its Solutions rows.
    struct TPalletLoad {
        std::vector<int> Contents; // placements, in no particular order
        qint64 Area = 0;           // sum of Width*Height*Quantity of weighed contents
        int Weighed = 0;           // contents whose material has a weight
        qint64 Rows = 0;
        std::optional<qint64> HeightLimit; // max of the contents' stack limits
        std::optional<double> WeightLimit; // max of the contents' orders' limits
        qint64 Length = 0;                 // longest sheet
        qint64 RowWidth = 0;               // widest row
        bool SizesStale = false;           // contents changed since the last size update
    };

    void ReportProgress(const QString& AStage, int APosition, int AMax);
    void CheckCanceled();
    // A cancel poll inside a long walk, every so many rows.
    void Poll(size_t ARow) {
        if ((ARow & 1023) == 1023)
            CheckCanceled();
    }

    // Measures (MemoryCalculationEngine.cpp).
    bool PositionTooTall(const TModelPosition& APosition) const;
    bool PositionTooHeavy(const TModelPosition& APosition) const;
    double PalletWeight(int APallet) const;
    qint64 PalletRows(int APallet) const { return FLoads[APallet].Rows; }
    qint64 PalletHeightLimit(int APallet) const { return FLoads[APallet].HeightLimit.value_or(0); }
    double PalletWeightLimit(int APallet) const { return FLoads[APallet].WeightLimit.value_or(0); }
    double PalletFreeWeight(int APallet) const;
    qint64 PalletFreeRows(int APallet) const;
    bool PalletTooTall(int APallet) const;
    bool PalletTooHeavy(int APallet) const;
    bool AnyPositionOversized();
    bool AnyPalletOverloaded();
    qint64 TotalFreeWeight();
    qint64 TotalFreeRows();
    int PickMostFreePallet();
    int FindMergeTarget(int ASource);
    void UpdatePalletSizes();
    int AddPallet(qint64 AColorId);
    void Recount(int APallet);

    // The five stages (MemoryCalculationStages.cpp).
    void SplitLargePositions();
    void InitialDistribution();
    void SplitSourcePallets();
    void MoveWholePallets();
    void RefinePalletSizes();

    QSqlDatabase FConnection;
    TSqlDialect FDialect;
    qint64 FStatementCount = 0;
    TOrderModel FModel;
    std::vector<TPalletLoad> FLoads;
    // Pallets of each colour in key order, deleted ones dropped.
    QHash<qint64, std::vector<int>> FByColour;
    // The one weight per square metre of the order's material, when it has one.
    double FWeight1m2 = 0;
    qlonglong FShownOrder = 0; // 0: whatever the working tables hold
    bool FReplaceLoaded = false;
};
