#include "CellText.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <cmath>

namespace CellText {

QString Quoted(const QString& AText) {
    if (AText.size() <= QuotedChars)
        return AText;
    qsizetype keep = QuotedChars;
    // Never half of a character outside the basic plane.
    if (AText.at(keep - 1).isHighSurrogate())
        --keep;
    return AText.left(keep) + QChar(0x2026);
}

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

QString Error(const QString& AName) {
    static const QHash<QString, QString> names{
        {QStringLiteral("#NULL!"), QStringLiteral("#ПУСТО!")},
        {QStringLiteral("#DIV/0!"), QStringLiteral("#ДЕЛ/0!")},
        {QStringLiteral("#VALUE!"), QStringLiteral("#ЗНАЧ!")},
        {QStringLiteral("#REF!"), QStringLiteral("#ССЫЛКА!")},
        {QStringLiteral("#NAME?"), QStringLiteral("#ИМЯ?")},
        {QStringLiteral("#NUM!"), QStringLiteral("#ЧИСЛО!")},
        {QStringLiteral("#N/A"), QStringLiteral("#Н/Д")},
    };
    return names.value(AName.trimmed().toUpper(), AName);
}

namespace {

QString TimeText(qint64 ASeconds) {
    return QStringLiteral("%1:%2:%3")
        .arg(ASeconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(ASeconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(ASeconds % 60, 2, 10, QLatin1Char('0'));
}

QString DateText(const QDate& ADate, qint64 ASeconds) {
    QString s = ADate.toString(QStringLiteral("dd.MM.yyyy"));
    if (ASeconds)
        s += QLatin1Char(' ') + TimeText(ASeconds);
    return s;
}

} // namespace

QString Serial(double AValue, bool A1904, TNumberKind AKind) {
    // Beyond 31.12.9999 (or before the epoch) spreadsheets show no date either.
    if (AKind == TNumberKind::Number || !std::isfinite(AValue) || AValue < 0 || AValue >= 2958466)
        return Number(AValue);
    qint64 day = qint64(std::floor(AValue));
    qint64 seconds = qint64(std::llround((AValue - double(day)) * 86400.0));
    if (seconds >= 86400) {
        ++day;
        seconds -= 86400;
    }
    if (AKind == TNumberKind::Time)
        return TimeText(day * 86400 + seconds);
    if (A1904)
        return DateText(QDate(1904, 1, 1).addDays(day), seconds);
    // The 1900 system counts a 29 February 1900 that never was (serial 60): dates
    // before it are one day later than a plain count from 30.12.1899 gives.
    if (day == 60)
        return QStringLiteral("29.02.1900") +
               (seconds ? QLatin1Char(' ') + TimeText(seconds) : QString());
    if (day < 1)
        return Number(AValue);
    return DateText(QDate(1899, 12, day < 60 ? 31 : 30).addDays(day), seconds);
}

QString IsoDate(const QString& AIso) {
    const QString iso = AIso.trimmed();
    const QDate date = QDate::fromString(iso.left(10), Qt::ISODate);
    if (!date.isValid())
        return iso;
    if (iso.size() <= 10)
        return DateText(date, 0);
    QTime time = QTime::fromString(iso.mid(11, 8), Qt::ISODate);
    if (!time.isValid() || iso.at(10) != QLatin1Char('T'))
        return iso;
    return DateText(date, time.msecsSinceStartOfDay() / 1000);
}

TNumberKind BuiltInFormatKind(int AId) {
    if ((AId >= 14 && AId <= 17) || AId == 22 || (AId >= 27 && AId <= 31) ||
        (AId >= 34 && AId <= 36) || (AId >= 50 && AId <= 58))
        return TNumberKind::Date;
    if ((AId >= 18 && AId <= 21) || (AId >= 32 && AId <= 33) || (AId >= 45 && AId <= 47))
        return TNumberKind::Time;
    return TNumberKind::Number;
}

TNumberKind FormatCodeKind(const QString& ACode) {
    bool date = false;
    bool time = false;
    // Only the first section (positive numbers) counts; quoted text, escaped
    // characters and bracketed colours or conditions are no format letters, while
    // [h], [m] and [s] are elapsed time.
    for (qsizetype i = 0; i < ACode.size(); ++i) {
        const QChar c = ACode.at(i).toLower();
        if (c == QLatin1Char(';'))
            break;
        if (c == QLatin1Char('"')) {
            i = ACode.indexOf(QLatin1Char('"'), i + 1);
            if (i < 0)
                break;
        } else if (c == QLatin1Char('\\') || c == QLatin1Char('_') || c == QLatin1Char('*')) {
            ++i;
        } else if (c == QLatin1Char('[')) {
            const qsizetype close = ACode.indexOf(QLatin1Char(']'), i + 1);
            if (close < 0)
                break;
            const QString inside = ACode.mid(i + 1, close - i - 1).toLower();
            if (!inside.isEmpty() && (inside.count(inside.at(0)) == inside.size()) &&
                (inside.at(0) == QLatin1Char('h') || inside.at(0) == QLatin1Char('m') ||
                 inside.at(0) == QLatin1Char('s')))
                time = true;
            i = close;
        } else if (c == QLatin1Char('d') || c == QLatin1Char('y')) {
            date = true;
        } else if (c == QLatin1Char('h') || c == QLatin1Char('s')) {
            time = true;
        } else if (c == QLatin1Char('m')) {
            // m is a month unless it stands beside hours or seconds; alone it is a
            // month too, as in "mmm".
            date = date || !time;
        } else if (c == QLatin1Char('0') || c == QLatin1Char('#') || c == QLatin1Char('?')) {
            if (!date && !time)
                return TNumberKind::Number;
        }
    }
    if (date && !(time && ACode.contains(QLatin1Char(':')) &&
                  !ACode.contains(QLatin1Char('d'), Qt::CaseInsensitive) &&
                  !ACode.contains(QLatin1Char('y'), Qt::CaseInsensitive)))
        return TNumberKind::Date;
    return time ? TNumberKind::Time : TNumberKind::Number;
}

} // namespace CellText
