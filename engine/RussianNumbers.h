#pragma once

#include <QLocale>
#include <QString>

// Figures as the program's Russian messages write them.
namespace RussianNumbers {

// "1 032,5", "1 000": two decimals at most, none that are zero.
inline QString Kilograms(double AValue) {
    QString text = QLocale(QLocale::Russian, QLocale::Russia).toString(AValue, 'f', 2);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char(',')))
        text.chop(1);
    return text;
}

// "2 147 483 647 листов", "10 000 001 лист", "100 002 поддона".
inline QString Count(qint64 AValue, const char* AOne, const char* AFew, const char* AMany) {
    const qint64 tens = AValue % 100;
    const qint64 ones = AValue % 10;
    const char* word = AMany;
    if (ones == 1 && tens != 11)
        word = AOne;
    else if (ones >= 2 && ones <= 4 && (tens < 12 || tens > 14))
        word = AFew;
    return QLocale(QLocale::Russian, QLocale::Russia).toString(AValue) + QLatin1Char(' ') +
           QString::fromUtf8(word);
}

} // namespace RussianNumbers
