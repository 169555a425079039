#pragma once

#include "CalculationEngine.h"

#include <QSqlDatabase>
#include <QString>

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

    // After Execute: pallets with contents, and the least number possible for the
    // positions as they were before the run.
    qint64 Pallets() const { return FPallets; }
    qint64 Bound() const { return FBound; }
    qint64 StatementCount() const { return FStatementCount; }

    // "40 поддонов, минимум 32"; just "40 поддонов" for a negative (unknown) bound.
    static QString Caption(qint64 APallets, qint64 ABound = -1);
    // "pallets 40, lower bound 32".
    static QString Summary(qint64 APallets, qint64 ABound);

    TCalcProgressEvent OnProgress;
    TCalcCancelEvent OnCancel;

private:
    QSqlDatabase FConnection;
    TCalculationMode FMode;
    qint64 FPallets = 0;
    qint64 FBound = 0;
    qint64 FStatementCount = 0;
    qlonglong FShownOrder = 0;
};
