#pragma once

#include "Errors.h"
#include "SqlDialect.h"

#include <QSqlDatabase>
#include <QString>
#include <functional>

// Progress of a run: the stage or pass text, the stage reached (0..6) and always 6.
using TCalcProgressEvent = std::function<void(const QString& AStage, int APosition, int AMax)>;
// Polled at every cancellation point; true means the user asked to stop.
using TCalcCancelEvent = std::function<bool()>;

// Raised with "Расчет прерван пользователем" when a cancel request is honoured.
class ECalculationCanceled : public EGravelonError {
public:
    using EGravelonError::EGravelonError;
};

// Turns the positions of the working tables into pallets, in one transaction on the
// connection it is given. Keeps no data of its own: every fact lives in the tables.
class TPalletCalculationEngine {
public:
    explicit TPalletCalculationEngine(const QSqlDatabase& AConnection);

    // Runs the five stages; on any failure rolls back and re-raises the very exception.
    void Execute();

    TCalcProgressEvent OnProgress;
    TCalcCancelEvent OnCancel;

private:
    QSqlDatabase FConnection;
    TSqlDialect FDialect;
    // Stages, measures and query operations are declared by the implementation.
};
