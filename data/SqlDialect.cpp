#include "SqlDialect.h"

#include "Errors.h"

TSqlDialect TSqlDialect::Of(const QSqlDatabase& AConnection) {
    return TSqlDialect(AConnection.driverName() == QLatin1String("QPSQL") ? TBackend::Postgres
                                                                         : TBackend::Sqlite);
}

QString TSqlDialect::Name() const {
    return IsPostgres() ? QStringLiteral("PostgreSQL") : QStringLiteral("SQLite");
}

void TSqlDialect::RefuseNul(const QString& AText) {
    if (AText.contains(QChar(0)))
        throw EGravelonError(QStringLiteral("Текст содержит недопустимый символ NUL"));
}

QString TSqlDialect::QuotedStr(const QString& AText) {
    RefuseNul(AText);
    QString s = AText;
    s.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + s + QLatin1Char('\'');
}

QString TSqlDialect::SameDay(const QString& AColumn, const QString& APlaceholder) const {
    if (IsPostgres())
        return QStringLiteral("cast(%1 as date) = cast(%2 as date)").arg(AColumn, APlaceholder);
    return QStringLiteral("date(%1) = %2").arg(AColumn, APlaceholder);
}

QString TSqlDialect::DayValue(const QDate& ADate) {
    // The day as text on both databases: SQLite keeps dates as this text, and
    // PostgreSQL reads it as a date. A day that is not one is empty text, which
    // SQLite matches to nothing and PostgreSQL refuses as a date.
    const QString day = ADate.toString(QStringLiteral("yyyy-MM-dd"));
    return day.isNull() ? QLatin1String("") : day;
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

QString TSqlDialect::ContainsText(const QString& AColumn, const QString& APlaceholder) const {
    // The text is lowered by ContainedValue and the column by the database with Unicode
    // rules (PostgreSQL's lower() alone follows the database's character type, which in
    // a C database leaves Cyrillic as it is; SQLite's lower() knows only ASCII).
    // strpos and instr look for the text itself: nothing in it is a pattern.
    if (IsPostgres())
        return QStringLiteral("strpos(lower(%1 collate \"und-x-icu\"), %2) > 0")
            .arg(AColumn, APlaceholder);
    return QStringLiteral("instr(unicode_lower(%1), %2) > 0").arg(AColumn, APlaceholder);
}

QString TSqlDialect::ContainedValue(const QString& AText) {
    const QString text = AText.toLower();
    return text.isNull() ? QLatin1String("") : text;
}

QString TSqlDialect::BinaryOrder(const QString& AExpr) const {
    if (IsPostgres())
        return AExpr + QStringLiteral(" collate \"C\"");
    return AExpr;
}
