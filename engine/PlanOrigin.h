#pragma once

#include <QSqlDatabase>
#include <QString>

#include <optional>

// How an order's plan came about, as its caption tells the operator: the calculation
// that made it and whether sheets were moved by hand since. Written in the same
// transaction as the plan it speaks of, so the two never disagree.
struct TPlanOrigin {
    enum class TMethod { Unknown, Normal, Dense };
    TMethod Method = TMethod::Unknown; // Unknown: made before the program kept it
    bool Edited = false;

    // "Раскладка: плотная укладка, изменена вручную".
    QString Caption() const;
};

namespace PlanOrigin {

// AOrder's (working or archived); nothing for a plan made before the program kept it.
std::optional<TPlanOrigin> Read(const QSqlDatabase& ADb, qint64 AOrder);

// Inside a calculation's transaction: the working order's plan is now AMethod's. A
// recalculation that keeps pinned pallets keeps what was done to them by hand.
void Calculated(const QSqlDatabase& ADb, TPlanOrigin::TMethod AMethod, bool AKeepEdited);

// Inside a move's transaction: AOrder's plan has been changed by hand.
void Edited(const QSqlDatabase& ADb, qint64 AOrder);

} // namespace PlanOrigin
