#pragma once

#include "SqlDialect.h"
#include "SqlRun.h"

#include <QSqlDatabase>
#include <QString>
#include <functional>

// What every calculation does around its stages, whichever engine runs them: the write
// lock taken before the first statement, so that no other workstation's change lands
// between what the run reads and what it writes; the server's statement timeout raised
// for the run; the order the operator sees checked to be still the working one; and at
// the end the commit and the final report. An order some of whose pallets are loaded
// on a truck is refused (ELoadedPallets) unless the run was told to replace them. A
// run that ends any other way leaves the tables as they were: the transaction rolls
// back when it goes out of scope.
class TCalculationSession {
public:
    using TReport = std::function<void(const QString& AStage, int APosition, int AMax)>;

    // AStatementCount counts the statements the session sends.
    TCalculationSession(const QSqlDatabase& AConnection, const TSqlDialect& ADialect,
                        qlonglong AShownOrder, qint64& AStatementCount,
                        bool AReplaceLoaded = false);

    // Gives the run up: nothing it did stays.
    void Abandon() { FTransaction.Rollback(); }

    // Commits, then reports the end through AReport. A cancel asked for with that
    // report is too late: the results are committed and stand, so the run has simply
    // finished.
    void Finish(const TReport& AReport);

private:
    TTransaction FTransaction;
};
