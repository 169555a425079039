#pragma once

#include "Errors.h"

#include <QList>
#include <QString>
#include <optional>

// An order the calculation will not start on: no pallet could carry one of its sheets,
// the order has no weight limit to calculate against, or it is larger than one
// calculation takes on. Nothing has been changed.
class ECalculationRefused : public EGravelonError {
public:
    using EGravelonError::EGravelonError;
};

// One position with what its order and material say about its weight.
struct TRefusalRow {
    qint64 PositionId = 0;
    qint64 OrderId = 0;
    QString OrderNumber;
    std::optional<double> MaxW;
    std::optional<double> Weight1m2;
    // Unknown sizes weigh nothing here; the calculation itself refuses them.
    std::optional<qint64> Width;
    std::optional<qint64> Height;
    // What the size of the order is judged by; unknown values count for nothing.
    std::optional<qint64> Quantity;
    std::optional<qint64> ColorId;
    std::optional<qint64> MaxH;
};

namespace CalculationRefusal {

// The most one calculation takes on. A run's memory and time grow with the pallets it
// makes (and, where the stages split positions down to few sheets, with the sheets),
// so an order past these would hold the workstation for minutes and gigabytes; such
// a quantity is a typing slip far more often than a shipment.
constexpr qint64 MaxPallets = 100000;
constexpr qint64 MaxSheets = 10000000;

// Throws ECalculationRefused, naming the orders or positions, when an order with
// positions has no positive weight limit or a single sheet weighs more than it; and,
// naming the ceiling and the order's figure, when its sheets or the least number of
// pallets they need (PalletBound) exceed MaxSheets or MaxPallets.
void Check(const QList<TRefusalRow>& ARows);

} // namespace CalculationRefusal
