#include "CalculationRun.h"

#include "DensePackingEngine.h"
#include "MemoryCalculationEngine.h"
#include "OrderModel.h"
#include "PalletBound.h"
#include "SqlRun.h"

namespace {

template <class TEngine>
void RunEngine(TEngine& AEngine, const TCalcProgressEvent& AProgress,
               const TCalcCancelEvent& ACancel, qint64& AStatements, qlonglong AShownOrder) {
    AEngine.OnProgress = AProgress;
    AEngine.SetShownOrder(AShownOrder);
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
    FBound = 0;
    qint64 bound = 0;
    if (FMode == TCalculationMode::Dense) {
        TDensePackingEngine engine(FConnection);
        RunEngine(engine, OnProgress, OnCancel, FStatementCount, FShownOrder);
        bound = engine.Bound();
    } else {
        // Taken before the run: the calculation's own splitting may start more rows.
        bound = PalletBound::Total(PalletBound::Groups(TOrderModel::Read(FConnection)));
        FStatementCount += 2;
        if (FMode == TCalculationMode::Literal) {
            TPalletCalculationEngine engine(FConnection);
            RunEngine(engine, OnProgress, OnCancel, FStatementCount, FShownOrder);
        } else {
            TMemoryCalculationEngine engine(FConnection);
            RunEngine(engine, OnProgress, OnCancel, FStatementCount, FShownOrder);
        }
    }
    // Pallets the grids list: the calculation may leave a split twin without contents.
    ++FStatementCount;
    FPallets = SqlRun::Value(FConnection,
                             QStringLiteral("select count(distinct PalleteID) from Solutions"))
                   .toLongLong();
    FBound = bound;
}

QString TCalculationRun::Caption(qint64 APallets, qint64 ABound) {
    const qint64 tens = APallets % 100;
    const qint64 ones = APallets % 10;
    const char* word = "поддонов";
    if (ones == 1 && tens != 11)
        word = "поддон";
    else if (ones >= 2 && ones <= 4 && (tens < 12 || tens > 14))
        word = "поддона";
    const QString count = QStringLiteral("%1 %2").arg(APallets).arg(QString::fromUtf8(word));
    return ABound < 0 ? count : count + QStringLiteral(", минимум %1").arg(ABound);
}

QString TCalculationRun::Summary(qint64 APallets, qint64 ABound) {
    return QStringLiteral("pallets %1, lower bound %2").arg(APallets).arg(ABound);
}
