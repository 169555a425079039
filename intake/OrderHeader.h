#pragma once

#include <QDate>
#include <QString>

// The header of the order being imported, as the New-order dialog (or the
// command-line import) recorded it. All texts as the user left them.
struct TOrderHeader {
    QString DateText; // the picked date as the user saw it (dd.MM.yyyy)
    QDate Date;       // the same date; the database gets it as YYYY-MM-DD
    QString Number;
    QString CustomerName;
    QString MaxWeight;
    QString CustomerID; // decimal key in Customers
    QString MaterialID; // decimal key in Materials
    QString Comment;
    qlonglong OrderID = 0; // key of the Applicates row recorded for it
    // The thickness every row of the workbook carries, as the sheet wrote it ("12");
    // set by the import before the header is asked for, empty without a workbook.
    QString SheetThickness;
};
