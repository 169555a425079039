#pragma once

#include "CalculationEngine.h"
#include "OrderModel.h"
#include "PlanVerdict.h"

#include <QSqlDatabase>
#include <QString>

#include <optional>

// Which calculation a run makes: the five stages in memory (what the program uses),
// the same five stages asking the database every measure (the reference), or the
// dense packing.
enum class TCalculationMode { Memory, Literal, Dense };

// One calculation of the working tables by the chosen mode, with the figures the
// operator sees afterwards: how many pallets there are and how few there could be.
class TCalculationRun {
public:
    TCalculationRun(const QSqlDatabase& AConnection, TCalculationMode AMode);

    // Runs the calculation; failures and cancellation reach the caller as the engine
    // raised them, and leave the figures at 0.
    void Execute();

    // The order the operator sees; a run finding another one in the working tables
    // changes nothing (0: whatever they hold).
    void SetShownOrder(qlonglong AOrderId) { FShownOrder = AOrderId; }
    // An order with pallets loaded on a truck is refused (ELoadedPallets) unless this
    // is set: then the run goes on and their marks go with the old pallets.
    void SetReplaceLoaded(bool AReplace) { FReplaceLoaded = AReplace; }
    // A recalculation of a calculated order: its pinned pallets stay exactly as they are,
    // every other sheet is packed anew from whole positions, as on a fresh order. All in
    // one transaction.
    void SetRecalculation(bool ARecalculate) { FRecalculate = ARecalculate; }

    // How long the proof of the pallet count may take, in milliseconds.
    void SetProofTime(qint64 AMilliseconds) { FProofTime = AMilliseconds; }

    // After Execute: pallets with contents, and the least number proven for the
    // positions as they were before the run.
    qint64 Pallets() const { return FPallets; }
    qint64 Bound() const { return FVerdict.Bound(); }
    qint64 StatementCount() const { return FStatementCount; }
    // After Execute: the count colour by colour, its proof, what dense packing reaches.
    const TPlanVerdict& Verdict() const { return FVerdict; }

    // "pallets 40, lower bound 32".
    static QString Summary(qint64 APallets, qint64 ABound);

    TCalcProgressEvent OnProgress;
    TCalcCancelEvent OnCancel;

private:
    QSqlDatabase FConnection;
    TCalculationMode FMode;
    qint64 FPallets = 0;
    qint64 FProofTime = 1000;
    TPlanVerdict FVerdict;
    qint64 FStatementCount = 0;
    qlonglong FShownOrder = 0;
    bool FReplaceLoaded = false;
    bool FRecalculate = false;

    // The chosen engine's packing of the working tables, inside the run's transaction.
    // Returns the dense packing's verdict; a calculation's is judged afterwards from the
    // positions left in AJudged.
    TPlanVerdict Pack(std::optional<TOrderModel>& AJudged);
};
