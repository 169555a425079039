#include "CalculationRefusal.h"

#include "CalculationRules.h"
#include "OrderModel.h"
#include "PalletBound.h"
#include "RussianNumbers.h"

#include <QHash>
#include <QLocale>
#include <QSet>
#include <QStringList>
#include <cstdlib>
#include <limits>

namespace {

using RussianNumbers::Count;
using RussianNumbers::Kilograms;

// Positions named in full; the rest are counted.
const int NamedPositions = 10;

QString OrderName(const TRefusalRow& ARow) {
    const QString number = ARow.OrderNumber.trimmed();
    return number.isEmpty() ? QStringLiteral("с ключом %1").arg(ARow.OrderId)
                            : QStringLiteral("№ %1").arg(number);
}

// Past this the sizes are none a workbook gives; the calculation refuses them itself.
constexpr qint64 SizeLimit = qint64(1) << 31;

// Refuses an order larger than one calculation takes on: first by its sheets, then by
// the least number of pallets they need. Run after the weight checks, so that every
// sheet fits a pallet alone and the bound stays below the sheets.
void CheckCeiling(const QList<TRefusalRow>& ARows) {
    __int128 sheets = 0;
    TOrderModel model;
    QHash<qint64, int> orderIndex;
    QStringList names;
    for (const TRefusalRow& r : ARows) {
        auto found = orderIndex.constFind(r.OrderId);
        if (found == orderIndex.cend()) {
            TModelOrder o;
            o.Id = r.OrderId;
            o.MaxW = r.MaxW;
            o.MaxH = r.MaxH;
            o.Weight1m2 = r.Weight1m2;
            found = orderIndex.insert(r.OrderId, int(model.Orders.size()));
            model.Orders << o;
            names << OrderName(r);
        }
        if (!r.Quantity || *r.Quantity <= 0)
            continue;
        sheets += *r.Quantity;
        if (!r.ColorId || !r.Width || !r.Height || std::llabs(*r.Width) > SizeLimit ||
            std::llabs(*r.Height) > SizeLimit)
            continue;
        TModelPosition p;
        p.Order = *found;
        p.Width = *r.Width;
        p.Height = *r.Height;
        p.ColorId = *r.ColorId;
        p.Quantity = *r.Quantity;
        p.ReadQuantity = *r.Quantity;
        model.Positions.push_back(p);
    }
    const QString orders = names.join(QStringLiteral(", "));
    const QString advice = QStringLiteral(" Проверьте количество листов в позициях или "
                                          "разделите заявку на несколько.");
    if (sheets > CalculationRefusal::MaxSheets) {
        const qint64 shown = sheets > std::numeric_limits<qint64>::max()
                                 ? std::numeric_limits<qint64>::max()
                                 : static_cast<qint64>(sheets);
        throw ECalculationRefused(
            QStringLiteral("Расчет невозможен: %1 %2 %3 %4, а один расчет принимает не больше %5.")
                .arg(names.size() == 1 ? QStringLiteral("заявка") : QStringLiteral("заявки"),
                     orders,
                     names.size() == 1 ? QStringLiteral("содержит") : QStringLiteral("содержат"),
                     Count(shown, "лист", "листа", "листов"),
                     Count(CalculationRefusal::MaxSheets, "листа", "листов", "листов")) +
            advice);
    }
    model.ReadPositions = static_cast<int>(model.Positions.size());
    const qint64 pallets = PalletBound::Total(PalletBound::Groups(model));
    if (pallets > CalculationRefusal::MaxPallets)
        throw ECalculationRefused(
            QStringLiteral("Расчет невозможен: %1 %2 нужно не меньше %3, а за один расчет "
                           "укладывается не больше %4.")
                .arg(names.size() == 1 ? QStringLiteral("для заявки")
                                       : QStringLiteral("для заявок"),
                     orders, Count(pallets, "поддона", "поддонов", "поддонов"),
                     Count(CalculationRefusal::MaxPallets, "поддона", "поддонов", "поддонов")) +
            advice);
}

} // namespace

namespace CalculationRefusal {

void Check(const QList<TRefusalRow>& ARows) {
    QStringList withoutLimit;
    QSet<qint64> seenOrders;
    for (const TRefusalRow& r : ARows) {
        if (seenOrders.contains(r.OrderId))
            continue;
        seenOrders.insert(r.OrderId);
        if (!r.MaxW)
            withoutLimit << QStringLiteral("в заявке %1 не задан максимальный вес поддона")
                                .arg(OrderName(r));
        else if (!(*r.MaxW > 0))
            withoutLimit << QStringLiteral("в заявке %1 максимальный вес поддона %2 кг, а он "
                                           "должен быть больше нуля")
                                .arg(OrderName(r), Kilograms(*r.MaxW));
    }
    if (!withoutLimit.isEmpty())
        throw ECalculationRefused(QStringLiteral("Расчет невозможен: ") +
                                  withoutLimit.join(QStringLiteral("; ")) + QLatin1Char('.'));

    QStringList heavy;
    int count = 0;
    for (const TRefusalRow& r : ARows) {
        if (!r.Width || !r.Height || !r.Weight1m2)
            continue;
        // Evaluated as the calculation weighs a position of one sheet.
        const double sheet = static_cast<double>(*r.Width * *r.Height) * *r.Weight1m2 *
                             CalculationRules::SquareMetresPerMm2;
        if (!(sheet > *r.MaxW))
            continue;
        if (++count <= NamedPositions)
            heavy << QStringLiteral("%1 (%2×%3 мм, лист %4 кг при пределе %5 кг)")
                         .arg(r.PositionId)
                         .arg(*r.Width)
                         .arg(*r.Height)
                         .arg(Kilograms(sheet), Kilograms(*r.MaxW));
    }
    if (count == 0) {
        CheckCeiling(ARows);
        return;
    }
    QString list = heavy.join(QStringLiteral(", "));
    if (count > NamedPositions)
        list += QStringLiteral(" и ещё %1").arg(count - NamedPositions);
    throw ECalculationRefused(
        QStringLiteral("Расчет невозможен: один лист тяжелее максимального веса поддона в "
                       "позициях %1. Уменьшите листы этих позиций или увеличьте максимальный "
                       "вес поддона.")
            .arg(list));
}

} // namespace CalculationRefusal
