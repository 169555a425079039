#include "CellText.h"

#include <QLocale>
#include <cmath>

namespace CellText {

QString Number(double AValue) {
    if (std::isnan(AValue))
        return QStringLiteral("#ЧИСЛО!");
    if (std::isinf(AValue))
        return AValue > 0 ? QStringLiteral("∞") : QStringLiteral("-∞");
    // Whole numbers within the exact range of a double are printed as integers;
    // beyond it (and for fractions) the shortest text that reads back the same.
    if (AValue == std::trunc(AValue) && std::fabs(AValue) < 1e15)
        return QString::number(qlonglong(AValue));
    QString s = QString::number(AValue, 'g', QLocale::FloatingPointShortest);
    s.replace(QLatin1Char('.'), QLatin1Char(','));
    return s;
}

QString Boolean(bool AValue) {
    return AValue ? QStringLiteral("ИСТИНА") : QStringLiteral("ЛОЖЬ");
}

} // namespace CellText
