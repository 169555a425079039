#include "CalculationRefusal.h"

#include "CalculationRules.h"

#include <QLocale>
#include <QSet>
#include <QStringList>

namespace {

// Positions named in full; the rest are counted.
const int NamedPositions = 10;

QString Kilograms(double AValue) {
    QString text = QLocale(QLocale::Russian, QLocale::Russia).toString(AValue, 'f', 2);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char(',')))
        text.chop(1);
    return text;
}

QString OrderName(const TRefusalRow& ARow) {
    const QString number = ARow.OrderNumber.trimmed();
    return number.isEmpty() ? QStringLiteral("с ключом %1").arg(ARow.OrderId)
                            : QStringLiteral("№ %1").arg(number);
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
    if (count == 0)
        return;
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
