#include "CalculationRun.h"

#include "DensePackingEngine.h"
#include "MemoryCalculationEngine.h"
#include "OrderModel.h"
#include "PalletBound.h"
#include "SqlRun.h"

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
