#pragma once

#include "CalculationEngine.h"
#include "OrderModel.h"
#include "PalletBound.h"
#include "PlanVerdict.h"

#include <QSqlDatabase>

// The dense packing: reads the order once, packs the sheets of each colour onto as few
// pallets as TDensePacker finds within the weight and stack limits, and writes pallets,
// contents and the positions it divided through TOrderWriter in one transaction, into
// the same tables as the calculation (the grids, the layouts and the archive read them
// unchanged). A divided position keeps its first part; every other part is a position
// row of its own with the remark "(часть позиции N)".
class TDensePackingEngine {
public:
    explicit TDensePackingEngine(const QSqlDatabase& AConnection);

    // Runs the packing; on any failure rolls back and re-raises the very exception. An
    // order it cannot pack raises ECalculationRefused before anything changes.
    void Execute();
    // As TPalletCalculationEngine::SetShownOrder.
    void SetShownOrder(qlonglong AOrderId) { FShownOrder = AOrderId; }
    // Whether an order with loaded pallets is calculated anyway, their marks removed
    // (otherwise ELoadedPallets, nothing changed).
    void SetReplaceLoaded(bool AReplace) { FReplaceLoaded = AReplace; }

    qint64 StatementCount() const { return FStatementCount; }
    // After Execute: the pallets written and the least number proven.
    qint64 PalletCount() const { return FPalletCount; }
    qint64 Bound() const { return FVerdict.Bound(); }
    // After Execute: why so many pallets, colour by colour.
    const TPlanVerdict& Verdict() const { return FVerdict; }
    // How long the proofs of all colours may take together, in milliseconds.
    void SetProofTime(qint64 AMilliseconds) { FProofTime = AMilliseconds; }

    TCalcProgressEvent OnProgress;
    TCalcCancelEvent OnCancel;

private:
    qlonglong FShownOrder = 0; // 0: whatever the working tables hold
    bool FReplaceLoaded = false;
    void ReportProgress(const QString& AStage, int APosition, int AMax);
    void CheckCanceled();
    // Refuses rows the packing cannot stand for, naming them.
    void CheckCanPack() const;
    void PackGroup(const PalletBound::TGroup& AGroup, const QDeadlineTimer& AProofDeadline,
                   TColourVerdict& AVerdict);

    QSqlDatabase FConnection;
    TSqlDialect FDialect;
    qint64 FStatementCount = 0;
    qint64 FPalletCount = 0;
    qint64 FProofTime = 1000;
    TPlanVerdict FVerdict;
    TOrderModel FModel;
};
