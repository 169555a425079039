#pragma once

#include "Errors.h"

#include <QList>
#include <QString>
#include <optional>

// An order the calculation will not start on: no pallet could carry one of its sheets,
// or the order has no weight limit to calculate against. Nothing has been changed.
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
};

namespace CalculationRefusal {

// Throws ECalculationRefused, naming the orders or positions, when an order with
// positions has no positive weight limit or a single sheet weighs more than it.
void Check(const QList<TRefusalRow>& ARows);

} // namespace CalculationRefusal
