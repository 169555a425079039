#include "CalculationRun.h"

#include "DensePackingEngine.h"
#include "MemoryCalculationEngine.h"
#include "OrderModel.h"
#include "PalletBound.h"
#include "PlanEdit.h"
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
    if (!FRecalculate) {
        RunOnce();
        return;
    }
    // The engines' own transactions become savepoints of this one: the pinned rows are
    // out while they pack, and back before anything is committed.
    const TSqlDialect dialect = TSqlDialect::Of(FConnection);
    TTransaction transaction(FConnection, dialect);
    if (FShownOrder != 0)
        WorkingOrder::Require(FConnection, FShownOrder,
                              QStringLiteral("Заявка больше не текущая: пересчитывать нечего"));
    const PlanEdit::TSetAside aside = PlanEdit::SetAside(FConnection, FReplaceLoaded);
    RunOnce();
    PlanEdit::PutBack(FConnection, dialect, aside);
    transaction.Commit();
    FPallets = SqlRun::Value(FConnection,
                             QStringLiteral("select count(distinct PalleteID) from Solutions"))
                   .toLongLong();
    // The verdict spoke of the pallets packed anew alone: with pins it is judged again
    // from the stored plan when shown.
    if (aside.Any())
        FVerdict = TPlanVerdict();
}

void TCalculationRun::RunOnce() {
    FPallets = 0;
    FVerdict = TPlanVerdict();
    TPlanVerdict verdict;
    if (FMode == TCalculationMode::Dense) {
        TDensePackingEngine engine(FConnection);
        engine.SetProofTime(FProofTime);
        RunEngine(engine, OnProgress, OnCancel, FStatementCount, FShownOrder, FReplaceLoaded);
        verdict = engine.Verdict();
    } else {
        // Read before the run: the calculation's own splitting may start more rows.
        const TOrderModel model = TOrderModel::Read(FConnection);
        FStatementCount += 2;
        if (FMode == TCalculationMode::Literal) {
            TPalletCalculationEngine engine(FConnection);
            RunEngine(engine, OnProgress, OnCancel, FStatementCount, FShownOrder, FReplaceLoaded);
        } else {
            TMemoryCalculationEngine engine(FConnection);
            RunEngine(engine, OnProgress, OnCancel, FStatementCount, FShownOrder, FReplaceLoaded);
        }
        // The run has refused what it cannot take and is committed: its count is judged
        // against the dense packing of the same positions and that packing's proof,
        // within the proof's own time. Rows the dense packing cannot stand for get
        // their bounds alone.
        verdict = TPlanVerdict::Judge(model, PalletBound::Groups(model),
                                      QDeadlineTimer(FProofTime), model.Unsupported.isEmpty());
        verdict.TakeCounts(TPlanVerdict::WorkingPallets(FConnection));
        verdict.NameColours(FConnection);
        FStatementCount += 2;
    }
    // Pallets the grids list: the calculation may leave a split twin without contents.
    ++FStatementCount;
    FPallets = SqlRun::Value(FConnection,
                             QStringLiteral("select count(distinct PalleteID) from Solutions"))
                   .toLongLong();
    FVerdict = verdict;
}

QString TCalculationRun::Summary(qint64 APallets, qint64 ABound) {
    return QStringLiteral("pallets %1, lower bound %2").arg(APallets).arg(ABound);
}
