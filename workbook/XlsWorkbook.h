#pragma once

#include "WorkbookSheets.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Compound-document workbooks (.xls, BIFF8 and BIFF5) read record by record from the
// Workbook (or Book) stream that libgsf's OLE reader gives: the sheet that was active
// when the workbook was saved (WINDOW1 itabCur), every cell as the file saved it
// (shared strings, labels, RK and MULRK numbers, Booleans and errors, formula
// results with their STRING records, dates by their number format in either date
// system). A compound document holding an encrypted Office Open XML package (an
// .xlsx saved with a password) is recognised as such.
class TXlsWorkbook {
public:
    // Throws EGravelonError naming AFileName.
    static TWorkbookSheets Sheets(const QByteArray& ABytes, const QString& AFileName);

    // Largest workbook stream read; a 10,000-row order takes well under a megabyte.
    static constexpr qint64 MaxStreamBytes = 128ll * 1024 * 1024;
};
