#include "OrderModel.h"

#include "EngineValues.h"
#include "SqlRun.h"

#include <QHash>
#include <QSqlRecord>
#include <cstdlib>

using EngineValues::FieldOptionalFloat;
using EngineValues::FieldOptionalInteger;

namespace {

// Products of sizes and quantities stay this far below the 64-bit limit, so that no sum
// either database forms over them can overflow.
constexpr qint64 AreaLimit = qint64(1) << 61;
constexpr qint64 ValueLimit = qint64(1) << 40;

} // namespace

TOrderModel TOrderModel::Read(const QSqlDatabase& AConnection, qint64* AStatements) {
    TOrderModel model;
    const QList<QSqlRecord> orders = SqlRun::Open(
        AConnection, QStringLiteral("select a.ID, a.Number, a.MaxW, m.ID MaterialID, m.MaxH, "
                                    "m.Weight1m2 from Applicates a left join Materials m "
                                    "on m.ID = a.MatID order by a.ID"));
    const QList<QSqlRecord> positions = SqlRun::Open(
        AConnection, QStringLiteral("select ID, ApplicateID, Width, Height, ColorID, Quantity, "
                                    "Comment from ApplicatePositions order by ID"));
    if (AStatements)
        *AStatements += 2;

    QHash<qint64, int> orderIndex;
    QList<bool> hasMaterial;
    for (const QSqlRecord& r : orders) {
        TModelOrder o;
        o.Id = EngineValues::FieldInteger(r, QStringLiteral("ID"));
        o.Number = EngineValues::FieldText(r, QStringLiteral("Number"));
        o.MaxW = FieldOptionalFloat(r, QStringLiteral("MaxW"));
        o.MaxH = FieldOptionalInteger(r, QStringLiteral("MaxH"));
        o.Weight1m2 = FieldOptionalFloat(r, QStringLiteral("Weight1m2"));
        orderIndex.insert(o.Id, model.Orders.size());
        hasMaterial << !r.value(QStringLiteral("MaterialID")).isNull();
        model.Orders << o;
    }

    std::optional<double> weight;
    __int128 area = 0;
    model.Positions.reserve(positions.size());
    for (const QSqlRecord& r : positions) {
        const auto id = FieldOptionalInteger(r, QStringLiteral("ID"));
        const auto applicate = FieldOptionalInteger(r, QStringLiteral("ApplicateID"));
        const auto width = FieldOptionalInteger(r, QStringLiteral("Width"));
        const auto height = FieldOptionalInteger(r, QStringLiteral("Height"));
        const auto colour = FieldOptionalInteger(r, QStringLiteral("ColorID"));
        const auto quantity = FieldOptionalInteger(r, QStringLiteral("Quantity"));
        if (!id || !applicate || !width || !height || !colour || !quantity) {
            model.Unsupported = QStringLiteral("позиция %1 без размера, цвета, количества или "
                                               "заявки")
                                    .arg(id.value_or(0));
            return model;
        }
        const auto found = orderIndex.constFind(*applicate);
        if (found == orderIndex.cend() || !hasMaterial.at(*found)) {
            model.Unsupported =
                QStringLiteral("позиция %1 без своей заявки или материала").arg(*id);
            return model;
        }
        if (std::llabs(*width) > ValueLimit || std::llabs(*height) > ValueLimit ||
            std::llabs(*quantity) > ValueLimit) {
            model.Unsupported = QStringLiteral("позиция %1 с невозможным размером").arg(*id);
            return model;
        }
        const __int128 own = static_cast<__int128>(*width) * *height * *quantity;
        area += own < 0 ? -own : own;
        if (area > AreaLimit) {
            model.Unsupported = QStringLiteral("площадь листов не помещается в 64 бита");
            return model;
        }
        const TModelOrder& order = model.Orders.at(*found);
        if (order.Weight1m2) {
            if (weight && *weight != *order.Weight1m2) {
                model.Unsupported = QStringLiteral("позиции разных материалов");
                return model;
            }
            weight = order.Weight1m2;
        }
        TModelPosition p;
        p.Key = *id;
        p.Order = *found;
        p.ApplicateId = *applicate;
        p.Width = *width;
        p.Height = *height;
        p.ColorId = *colour;
        p.Quantity = *quantity;
        p.ReadQuantity = *quantity;
        p.Comment = EngineValues::FieldText(r, QStringLiteral("Comment"));
        model.Positions.push_back(p);
    }
    model.ReadPositions = static_cast<int>(model.Positions.size());
    return model;
}

QList<TRefusalRow> TOrderModel::RefusalRows() const {
    QList<TRefusalRow> rows;
    rows.reserve(ReadPositions);
    for (int i = 0; i < ReadPositions; ++i) {
        const TModelPosition& p = Positions[i];
        const TModelOrder& o = Orders.at(p.Order);
        TRefusalRow r;
        r.PositionId = p.Key;
        r.OrderId = o.Id;
        r.OrderNumber = o.Number;
        r.MaxW = o.MaxW;
        r.Weight1m2 = o.Weight1m2;
        r.Width = p.Width;
        r.Height = p.Height;
        r.Quantity = p.ReadQuantity;
        r.ColorId = p.ColorId;
        r.MaxH = o.MaxH;
        rows << r;
    }
    return rows;
}
