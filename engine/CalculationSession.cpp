#include "CalculationSession.h"

#include "CalculationEngine.h"
#include "WorkingOrder.h"

TCalculationSession::TCalculationSession(const QSqlDatabase& AConnection,
                                         const TSqlDialect& ADialect, qlonglong AShownOrder,
                                         qint64& AStatementCount, bool AReplaceLoaded)
    : FTransaction(AConnection, ADialect) {
    if (ADialect.IsPostgres()) {
        ++AStatementCount;
        // A large order's statements may run past the session's usual limit.
        SqlRun::Exec(AConnection, QStringLiteral("SET LOCAL statement_timeout = 1200000"));
    }
    if (AShownOrder > 0) {
        ++AStatementCount;
        WorkingOrder::Require(AConnection, AShownOrder,
                              TPalletCalculationEngine::OrderChangedMessage);
    }
    // The run makes every pallet anew: the labels of the loaded ones would name pallets
    // that are gone.
    AStatementCount += AShownOrder > 0 ? 1 : 2;
    WorkingOrder::RequireNoLoadedPallets(
        AConnection, AShownOrder > 0 ? AShownOrder : WorkingOrder::Id(AConnection), AReplaceLoaded);
}

void TCalculationSession::Finish(const TReport& AReport) {
    FTransaction.Commit();
    try {
        AReport(QStringLiteral("Расчет завершен"), 6, 6);
    } catch (const ECalculationCanceled&) {
    }
}
