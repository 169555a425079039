#include "PalletBound.h"

#include "CalculationRules.h"
#include "PartRemark.h"
#include "SqlRun.h"

#include <QHash>
#include <QSqlRecord>
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

std::optional<TOrderModel> StoredOrderModel(const QSqlDatabase& AConnection, qint64 AOrderId) {
    const QVariantMap keys = {{QStringLiteral(":a1"), AOrderId}, {QStringLiteral(":a2"), AOrderId}};
    const QList<QSqlRecord> orders = SqlRun::Open(
        AConnection,
        QStringLiteral("select a.MaxW, m.MaxH, m.Weight1m2, m.ID MaterialID from Applicates a "
                       "left join Materials m on m.ID = a.MatID where a.ID = :a1 union all "
                       "select a.MaxW, m.MaxH, m.Weight1m2, m.ID MaterialID from "
                       "Applicates_archive a left join Materials m on m.ID = a.MatID "
                       "where a.ID = :a2"),
        keys);
    if (orders.size() != 1 || orders.first().value(QStringLiteral("MaterialID")).isNull())
        return std::nullopt;
    const QList<QSqlRecord> rows = SqlRun::Open(
        AConnection,
        QStringLiteral("select ID, Width, Height, ColorID, Quantity, Comment from "
                       "ApplicatePositions where ApplicateID = :a1 union all select ID, Width, "
                       "Height, ColorID, Quantity, Comment from ApplicatePositions_archive "
                       "where ApplicateID = :a2 order by 1"),
        keys);

    std::vector<TModelPosition> read;
    QList<PartRemark::TStoredRow> stored;
    for (const QSqlRecord& r : rows) {
        for (const char* field : {"ID", "Width", "Height", "ColorID", "Quantity"})
            if (r.value(QLatin1String(field)).isNull())
                return std::nullopt;
        TModelPosition position;
        position.Order = 0;
        position.Width = r.value(QStringLiteral("Width")).toLongLong();
        position.Height = r.value(QStringLiteral("Height")).toLongLong();
        position.ColorId = r.value(QStringLiteral("ColorID")).toLongLong();
        position.ReadQuantity = r.value(QStringLiteral("Quantity")).toLongLong();
        read.push_back(position);
        stored << PartRemark::TStoredRow{r.value(QStringLiteral("ID")).toLongLong(), position.Width,
                                         position.Height, position.ColorId,
                                         r.value(QStringLiteral("Comment")).toString()};
    }
    const QList<int> sources = PartRemark::Sources(stored);
    // Rows in key order: a part's source comes before it, so its quantity, and those of
    // the parts of the part, end in the first position of the chain.
    TOrderModel model;
    const QSqlRecord& o = orders.first();
    TModelOrder order;
    order.Id = AOrderId;
    if (!o.value(QStringLiteral("MaxW")).isNull())
        order.MaxW = o.value(QStringLiteral("MaxW")).toDouble();
    if (!o.value(QStringLiteral("MaxH")).isNull())
        order.MaxH = o.value(QStringLiteral("MaxH")).toLongLong();
    if (!o.value(QStringLiteral("Weight1m2")).isNull())
        order.Weight1m2 = o.value(QStringLiteral("Weight1m2")).toDouble();
    model.Orders << order;
    std::vector<int> root(read.size(), -1);
    QHash<int, int> positionOf; // root row -> index in model.Positions
    for (size_t i = 0; i < read.size(); ++i) {
        const int from = sources[qsizetype(i)];
        root[i] = from < 0 ? int(i) : root[size_t(from)];
        const auto it = positionOf.constFind(root[i]);
        if (it == positionOf.cend()) {
            positionOf.insert(root[i], int(model.Positions.size()));
            model.Positions.push_back(read[i]);
        } else {
            model.Positions[size_t(*it)].ReadQuantity += read[i].ReadQuantity;
        }
    }
    model.ReadPositions = int(model.Positions.size());
    return model;
}

} // namespace PalletBound
