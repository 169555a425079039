#include "SqlDialect.h"

#include "Errors.h"

QString TSqlDialect::Name() const {
    return IsPostgres() ? QStringLiteral("PostgreSQL") : QStringLiteral("SQLite");
}

QString TSqlDialect::QuotedStr(const QString& AText) {
    if (AText.contains(QChar(0)))
        throw EGravelonError(QStringLiteral("Текст содержит недопустимый символ NUL"));
    QString s = AText;
    s.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + s + QLatin1Char('\'');
}

QString TSqlDialect::SameDay(const QString& AColumn, const QDate& ADate) const {
    const QString day = QuotedStr(ADate.toString(QStringLiteral("yyyy-MM-dd")));
    if (IsPostgres())
        return QStringLiteral("cast(%1 as date) = cast(%2 as date)").arg(AColumn, day);
    return QStringLiteral("date(%1) = %2").arg(AColumn, day);
}

QString TSqlDialect::IsToday(const QString& AColumn) const {
    if (IsPostgres())
        return QStringLiteral("cast(%1 as date) = current_date").arg(AColumn);
    return QStringLiteral("date(%1) = date('now', 'localtime')").arg(AColumn);
}

QString TSqlDialect::Round(const QString& AExpr, int ADigits) const {
    if (IsPostgres())
        return QStringLiteral("cast(round(cast(%1 as numeric), %2) as double precision)")
            .arg(AExpr)
            .arg(ADigits);
    return QStringLiteral("round(%1, %2)").arg(AExpr).arg(ADigits);
}

QString TSqlDialect::TruncToInt(const QString& AExpr) const {
    if (IsPostgres())
        return QStringLiteral("cast(trunc(%1) as bigint)").arg(AExpr);
    return QStringLiteral("cast(%1 as integer)").arg(AExpr);
}
