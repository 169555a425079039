#pragma once

#include <QDate>
#include <QString>

// Which orders the order list shows, working and archived alike: the window's searches,
// the list after an import and gravelon-cli orders. The data module makes the statement
// and binds the filter's values to it; no caller writes SQL for the list.
struct TOrderFilter {
    enum class TKind { Date, Today, Number, Id };

    // Orders of the calendar day ADate.
    static TOrderFilter ByDate(const QDate& ADate) {
        TOrderFilter f(TKind::Date);
        f.Date = ADate;
        return f;
    }
    // Orders of the current day by the database's clock (the server's, for PostgreSQL),
    // which may be another day than this machine's.
    static TOrderFilter Today() { return TOrderFilter(TKind::Today); }
    // Orders whose number contains AText as it is: no character is a wildcard or an
    // escape, spaces count, and letters match whatever their case, Cyrillic and Latin
    // alike. An empty text lists every order that has a number. Text holding NUL is
    // refused here (EGravelonError), before the list is touched: no number holds it.
    static TOrderFilter ByNumber(const QString& AText);
    // The order of key AId, wherever it is kept.
    static TOrderFilter ById(qlonglong AId) {
        TOrderFilter f(TKind::Id);
        f.Id = AId;
        return f;
    }

    TKind Kind;
    QDate Date;       // of TKind::Date
    QString Number;   // of TKind::Number
    qlonglong Id = 0; // of TKind::Id

private:
    explicit TOrderFilter(TKind AKind) : Kind(AKind) {}
};
