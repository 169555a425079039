#pragma once

#include <QDate>
#include <QSqlDatabase>
#include <QString>

enum class TBackend { Sqlite, Postgres };

// The few SQL pieces that SQLite and PostgreSQL write differently. Everything else
// is written once in SQL both accept.
class TSqlDialect {
public:
    explicit TSqlDialect(TBackend ABackend = TBackend::Sqlite) : FBackend(ABackend) {}
    // The dialect of an open connection, by its driver.
    static TSqlDialect Of(const QSqlDatabase& AConnection);
    TBackend Backend() const { return FBackend; }
    bool IsPostgres() const { return FBackend == TBackend::Postgres; }
    QString Name() const;

    // Standard quoting: every ' doubled, the whole in quotes. Text holding NUL is
    // refused (EGravelonError): neither database can store it and it would cut the
    // statement short.
    static QString QuotedStr(const QString& AText);
    // Refuses text holding NUL (EGravelonError) for the same reason, whether it is
    // quoted or bound.
    static void RefuseNul(const QString& AText);

    // Condition "AColumn falls on the calendar day bound to APlaceholder"; the value
    // bound is DayValue(day).
    QString SameDay(const QString& AColumn, const QString& APlaceholder) const;
    static QString DayValue(const QDate& ADate);
    // Condition "AColumn falls on the database's current day".
    QString IsToday(const QString& AColumn) const;
    // round(x, n) of a double.
    QString Round(const QString& AExpr, int ADigits) const;
    // cast(x as int) truncating toward zero, as the workshop's figures always were.
    QString TruncToInt(const QString& AExpr) const;
    // Condition "AColumn contains the text bound to APlaceholder": the text is taken
    // literally (no character is a wildcard or an escape) and letters match whatever
    // their case, Cyrillic and Latin alike, whatever the database's collation. The
    // value bound is ContainedValue(text).
    QString ContainsText(const QString& AColumn, const QString& APlaceholder) const;
    // AText as ContainsText compares it: lowered, and empty rather than null (a null
    // text would be bound as NULL, which contains nothing).
    static QString ContainedValue(const QString& AText);
    // AExpr as an ORDER BY key of text in code-point order: the same order on every
    // database whatever its collation (SQLite's own order of text).
    QString BinaryOrder(const QString& AExpr) const;

private:
    TBackend FBackend;
};
