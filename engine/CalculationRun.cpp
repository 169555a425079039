#include "CalculationRun.h"

#include "DensePackingEngine.h"
#include "MemoryCalculationEngine.h"
#include "OrderModel.h"
#include "PalletBound.h"
#include "PlanEdit.h"
#include "PlanOrigin.h"
#include "SqlRun.h"
#include "WorkingOrder.h"

namespace {

template <class TEngine>
void RunEngine(TEngine& AEngine, const TCalcProgressEvent& AProgress,
               const TCalcCancelEvent& ACancel, qint64& AStatements, qlonglong AShownOrder,
               bool AReplaceLoaded) {
    AEngine.OnProgress = AProgress;
    AEngine.SetShownOrder(AShownOrder);
    AEngine.SetReplaceLoaded(AReplaceLoaded);
    AEngine.OnCancel = ACancel;
    try {
        AEngine.Execute();
    } catch (...) {
        AStatements += AEngine.StatementCount();
        throw;
    }
    AStatements += AEngine.StatementCount();
}

} // namespace

TCalculationRun::TCalculationRun(const QSqlDatabase& AConnection, TCalculationMode AMode)
    : FConnection(AConnection), FMode(AMode) {}

void TCalculationRun::Execute() {
    FPallets = 0;
    FVerdict = TPlanVerdict();
    // One transaction: the engines' own become savepoints of it, a recalculation's pinned
    // rows are out while they pack and back before anything is committed, and the
    // caption's word on how the plan was made is written with the plan.
    const TSqlDialect dialect = TSqlDialect::Of(FConnection);
    TTransaction transaction(FConnection, dialect);
    PlanEdit::TSetAside aside;
    if (FRecalculate) {
        if (FShownOrder != 0)
            WorkingOrder::Require(FConnection, FShownOrder,
                                  QStringLiteral("Заявка больше не текущая: пересчитывать нечего"));
        aside = PlanEdit::SetAside(FConnection, FReplaceLoaded);
    }
    std::optional<TOrderModel> judged;
    TPlanVerdict verdict = Pack(judged);
    if (FRecalculate)
        PlanEdit::PutBack(FConnection, dialect, aside);
    // Pins of pallets the run made anew mean nothing now.
    SqlRun::Exec(FConnection, QStringLiteral("delete from PalletePins where PalleteID not in "
                                             "(select ID from Palletes) and PalleteID not in "
                                             "(select ID from Palletes_archive)"));
    // Pinned pallets keep what was done to them by hand.
    PlanOrigin::Calculated(FConnection,
                           FMode == TCalculationMode::Dense ? TPlanOrigin::TMethod::Dense
                                                            : TPlanOrigin::TMethod::Normal,
                           aside.Any());
    FStatementCount += 4;
    transaction.Commit();

    if (judged) {
        // The run has refused what it cannot take and is committed: its count is judged
        // against the dense packing of the same positions and that packing's proof,
        // within the proof's own time, outside the write lock. Rows the dense packing
        // cannot stand for get their bounds alone.
        verdict = TPlanVerdict::Judge(*judged, PalletBound::Groups(*judged),
                                      QDeadlineTimer(FProofTime), judged->Unsupported.isEmpty());
        verdict.TakeCounts(TPlanVerdict::WorkingPallets(FConnection));
        verdict.NameColours(FConnection);
        FStatementCount += 2;
    }
    // Pallets the grids list: the calculation may leave a split twin without contents.
    ++FStatementCount;
    FPallets = SqlRun::Value(FConnection,
                             QStringLiteral("select count(distinct PalleteID) from Solutions"))
                   .toLongLong();
    // With pins the verdict would speak of the pallets packed anew alone: it is judged
    // again from the stored plan when shown.
    if (!aside.Any())
        FVerdict = verdict;
}

TPlanVerdict TCalculationRun::Pack(std::optional<TOrderModel>& AJudged) {
    if (FMode == TCalculationMode::Dense) {
        TDensePackingEngine engine(FConnection);
        engine.SetProofTime(FProofTime);
        RunEngine(engine, OnProgress, OnCancel, FStatementCount, FShownOrder, FReplaceLoaded);
        return engine.Verdict();
    }
    // Read before the run: the calculation's own splitting may start more rows.
    AJudged = TOrderModel::Read(FConnection);
    FStatementCount += 2;
    if (FMode == TCalculationMode::Literal) {
        TPalletCalculationEngine engine(FConnection);
        RunEngine(engine, OnProgress, OnCancel, FStatementCount, FShownOrder, FReplaceLoaded);
    } else {
        TMemoryCalculationEngine engine(FConnection);
        RunEngine(engine, OnProgress, OnCancel, FStatementCount, FShownOrder, FReplaceLoaded);
    }
    return TPlanVerdict();
}

QString TCalculationRun::Summary(qint64 APallets, qint64 ABound) {
    return QStringLiteral("pallets %1, lower bound %2").arg(APallets).arg(ABound);
}
