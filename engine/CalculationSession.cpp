#include "CalculationSession.h"

#include "CalculationEngine.h"
#include "WorkingOrder.h"

TCalculationSession::TCalculationSession(const QSqlDatabase& AConnection,
                                         const TSqlDialect& ADialect, qlonglong AShownOrder,
                                         qint64& AStatementCount)
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
}

void TCalculationSession::Finish(const TReport& AReport) {
    FTransaction.Commit();
    try {
        AReport(QStringLiteral("Расчет завершен"), 6, 6);
    } catch (const ECalculationCanceled&) {
    }
}
