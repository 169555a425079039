#pragma once

#include "DensePacker.h"
#include "OrderModel.h"

#include <optional>
#include <vector>

// The least number of pallets an order can go on, per colour: no pallet carries more
// than the order's weight limit or more started rows than the material's stack limit,
// so a colour needs at least max(ceil(weight / MaxW), ceil(rows / MaxH)) pallets, where
// a position's rows are its started rows as one stack.
namespace PalletBound {

// The positions of one colour of one order, with what a pallet of them may carry.
struct TGroup {
    int Order = -1; // index in TOrderModel::Orders
    qint64 ColorId = 0;
    TDenseLimits Limits;
    std::vector<TDenseItem> Items; // Position: index in TOrderModel::Positions
    qint64 Bound = 0;
};

// The greatest sum of Length*Height*sheets a pallet carries within AMaxW, weighed as the
// calculation weighs a pallet (area, times the weight of a square metre, times 1e-6).
// Unlimited when the material has no weight; 0 when no weight limit is positive.
qint64 AreaCapacity(const std::optional<double>& AMaxW, const std::optional<double>& AWeight1m2);

// The read positions of AModel by order and colour, in ascending colour and then order,
// each group with its limits and bound. The quantities are those read.
std::vector<TGroup> Groups(const TOrderModel& AModel);

// The bounds of every group, summed.
qint64 Total(const std::vector<TGroup>& AGroups);

// Order AOrderId as it was before its calculation, read from where the order is now,
// the working tables or the archive, as a model of one order: every part a calculation
// split off (its remark names the position, whose size, colour and own words it shares)
// is counted back into that position, since its bounds are of the customer's positions.
// Empty when the order is not found, once, with positions of full values.
std::optional<TOrderModel> StoredOrderModel(const QSqlDatabase& AConnection, qint64 AOrderId);

} // namespace PalletBound
