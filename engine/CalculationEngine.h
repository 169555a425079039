#pragma once

#include "CalculationRules.h"
#include "Errors.h"
#include "SqlDialect.h"

#include <QList>
#include <QSqlDatabase>
#include <QSqlRecord>
#include <QString>
#include <functional>

// Progress of a run: the stage or pass text, the stage reached (0..6) and always 6.
using TCalcProgressEvent = std::function<void(const QString& AStage, int APosition, int AMax)>;
// Polled at every cancellation point; true means the user asked to stop.
using TCalcCancelEvent = std::function<bool()>;

// Turns the positions of the working tables into pallets, in one transaction on the
// connection it is given. Keeps no data of its own: every fact lives in the tables and
// every measure is asked of the database. It is the reference the in-memory engine
// (TMemoryCalculationEngine) is checked against.
class TPalletCalculationEngine {
public:
    explicit TPalletCalculationEngine(const QSqlDatabase& AConnection);

    // Runs the five stages; on any failure rolls back and re-raises the very exception.
    void Execute();

    // The order the operator had on screen when starting the run. When set, the run
    // first checks, holding the write lock, that the working tables still hold that
    // order, and ends with EOrderChanged (nothing changed) when another workstation
    // has put another one there.
    void SetShownOrder(qlonglong AOrderId) { FShownOrder = AOrderId; }
    // Whether an order with loaded pallets is calculated anyway, their marks removed
    // (otherwise ELoadedPallets, nothing changed).
    void SetReplaceLoaded(bool AReplace) { FReplaceLoaded = AReplace; }
    static const QString OrderChangedMessage;

    // Statements and queries this engine has sent so far (for measuring runs).
    qint64 StatementCount() const { return FStatementCount; }

    TCalcProgressEvent OnProgress;
    TCalcCancelEvent OnCancel;
    // Passes after which the loops of stages 1, 3 and 4 end quietly; tests lower it to
    // reach the limit in a few passes.
    int PassLimit = CalculationRules::DefaultPassLimit;

private:
    // White-box tests of the measures reach them through this probe.
    friend class TEngineProbe;

    // Common operations of every stage.
    void ReportProgress(const QString& AStage, int APosition, int AMax);
    void CheckCanceled();
    void ExecStatement(const QString& ASql);
    qint64 QueryInteger(const QString& ASql, qint64 ADefault);
    double QueryFloat(const QString& ASql, double ADefault);
    // The whole result of a walk, read before the walk starts changing tables, so rows
    // the walk inserts or updates are not seen by it. No cancel check of its own.
    QList<QSqlRecord> OpenSnapshot(const QString& ASql);
    // Refuses an order no pallet can carry (CalculationRefusal) before anything changes.
    void CheckOrderCanBeCalculated();

    // Measures and predicates (CalculationMeasures.cpp).
    static qint64 SheetsPerRow(qint64 AHeight, qint64 AQuantity);
    double PalletWeight(qint64 APalletId);
    qint64 PalletRows(qint64 APalletId);
    qint64 PalletHeightLimit(qint64 APalletId);
    double PalletWeightLimit(qint64 APalletId);
    double PalletFreeWeight(qint64 APalletId);
    qint64 PalletFreeRows(qint64 APalletId);
    bool PositionTooTall(qint64 APositionId);
    bool PositionTooHeavy(qint64 APositionId);
    bool PalletTooTall(qint64 APalletId);
    bool PalletTooHeavy(qint64 APalletId);
    bool AnyPositionOversized();
    bool AnyPalletOverloaded();
    qint64 TotalFreeWeight();
    qint64 TotalFreeRows();
    qint64 PickMostFreePallet();
    qint64 FindMergeTarget(qint64 ASourceId);
    void UpdatePalletSizes();

    // The five stages (CalculationStages.cpp).
    void SplitLargePositions();
    void InitialDistribution();
    void SplitSourcePallets();
    void MoveWholePallets();
    void RefinePalletSizes();

    QSqlDatabase FConnection;
    TSqlDialect FDialect;
    qint64 FStatementCount = 0;
    qlonglong FShownOrder = 0; // 0: whatever the working tables hold
    bool FReplaceLoaded = false;
};
