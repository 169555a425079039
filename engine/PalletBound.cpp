#include "PalletBound.h"

#include "CalculationRules.h"

#include <QHash>
#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace PalletBound {

namespace {

constexpr qint64 Unlimited = std::numeric_limits<qint64>::max() / 4;

bool WithinLimit(qint64 AArea, double AWeight1m2, double AMaxW) {
    return static_cast<double>(AArea) * AWeight1m2 * CalculationRules::SquareMetresPerMm2 <= AMaxW;
}

} // namespace

qint64 AreaCapacity(const std::optional<double>& AMaxW, const std::optional<double>& AWeight1m2) {
    if (!AMaxW || !(*AMaxW > 0))
        return 0;
    if (!AWeight1m2 || !(*AWeight1m2 > 0))
        return Unlimited;
    const double estimate = *AMaxW / (*AWeight1m2 * CalculationRules::SquareMetresPerMm2);
    if (!(estimate < static_cast<double>(Unlimited)))
        return Unlimited;
    // Past 2^52 one square millimetre no longer changes the weight.
    if (estimate > 4.0e15)
        return static_cast<qint64>(estimate);
    // The quotient is off by a rounding or two; the comparison the calculation makes
    // settles the last square millimetre.
    qint64 area = static_cast<qint64>(std::floor(estimate));
    while (area > 0 && !WithinLimit(area, *AWeight1m2, *AMaxW))
        --area;
    while (WithinLimit(area + 1, *AWeight1m2, *AMaxW))
        ++area;
    return area;
}

std::vector<TGroup> Groups(const TOrderModel& AModel) {
    std::map<std::pair<qint64, int>, TGroup> byKey;
    for (int i = 0; i < AModel.ReadPositions; ++i) {
        const TModelPosition& p = AModel.Positions[i];
        TGroup& g = byKey[{p.ColorId, p.Order}];
        if (g.Order < 0) {
            const TModelOrder& o = AModel.Orders.at(p.Order);
            g.Order = p.Order;
            g.ColorId = p.ColorId;
            g.Limits.AreaCapacity = AreaCapacity(o.MaxW, o.Weight1m2);
            g.Limits.MaxRows = o.MaxH.value_or(0);
        }
        TDenseItem item;
        item.Position = i;
        item.Length = p.Width;
        item.Height = p.Height;
        item.Quantity = p.ReadQuantity;
        g.Items.push_back(item);
    }
    std::vector<TGroup> groups;
    groups.reserve(byKey.size());
    for (auto& [key, g] : byKey) {
        g.Bound = TDensePacker::LowerBound(g.Items, g.Limits);
        groups.push_back(std::move(g));
    }
    return groups;
}

qint64 Total(const std::vector<TGroup>& AGroups) {
    qint64 total = 0;
    for (const TGroup& g : AGroups)
        total += g.Bound;
    return total;
}

} // namespace PalletBound
