#pragma once

#include "Errors.h"

#include <QSqlRecord>
#include <QString>
#include <QVariant>
#include <cmath>
#include <limits>
#include <optional>

// How the calculation reads the values of its results: integers cut toward zero,
// NULL as 0 (or as empty text when the value is spliced into a statement).
namespace EngineValues {

// A double cut toward zero to a whole number; out of range counts as the nearest end.
inline qint64 TruncToInteger(double AValue) {
    if (std::isnan(AValue))
        return 0;
    const double t = std::trunc(AValue);
    if (t >= 9.2e18)
        return std::numeric_limits<qint64>::max();
    if (t <= -9.2e18)
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(t);
}

// A value read from a result as a whole number. PostgreSQL hands sums of integers over
// as numeric, which the driver gives as a double or as text.
inline qint64 ToInteger(const QVariant& AValue, const QString& ASql) {
    if (AValue.isNull())
        return 0;
    if (AValue.typeId() == QMetaType::Double || AValue.typeId() == QMetaType::Float)
        return TruncToInteger(AValue.toDouble());
    bool ok = false;
    const qint64 v = AValue.toLongLong(&ok);
    if (ok)
        return v;
    const double d = AValue.toDouble(&ok);
    if (!ok)
        throw EDatabaseError(
            QStringLiteral("Ошибка базы данных: значение «%1» не является целым числом")
                .arg(AValue.toString()),
            ASql);
    return TruncToInteger(d);
}

// A column of a walk's row, by name, as a whole number (NULL is 0).
inline qint64 FieldInteger(const QSqlRecord& ARow, const QString& AName) {
    return ToInteger(ARow.value(AName), AName);
}

// A column of a walk's row, by name, in its text form for splicing (NULL is empty,
// which leaves the statement invalid and stops the run).
inline QString FieldText(const QSqlRecord& ARow, const QString& AName) {
    const QVariant v = ARow.value(AName);
    return v.isNull() ? QString() : v.toString();
}

// A column of a walk's row as a whole number, or nothing when it is NULL.
inline std::optional<qint64> FieldOptionalInteger(const QSqlRecord& ARow, const QString& AName) {
    const QVariant v = ARow.value(AName);
    if (v.isNull())
        return std::nullopt;
    return ToInteger(v, AName);
}

// A column of a walk's row as a double, or nothing when it is NULL.
inline std::optional<double> FieldOptionalFloat(const QSqlRecord& ARow, const QString& AName) {
    const QVariant v = ARow.value(AName);
    if (v.isNull())
        return std::nullopt;
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok)
        throw EDatabaseError(QStringLiteral("Ошибка базы данных: значение «%1» не является числом")
                                 .arg(v.toString()),
                             AName);
    return d;
}

} // namespace EngineValues
