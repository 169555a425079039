#pragma once

#include "WorkbookSheets.h"

#include <QByteArray>
#include <QString>

// Office Open XML workbooks (.xlsx), read from the package itself: the relationships
// lead from the package to the workbook and from it to its sheets, shared strings and
// styles, so part names the writer chose (relative or absolute) are found wherever
// they are. Every cell is taken as the file saved it: shared, inline and rich-text
// strings, numbers, Booleans, errors, dates (by the cell's number format, in either
// date system), and formula cells as their saved result; nothing is recalculated.
class TXlsxWorkbook {
public:
    // The worksheets and the one that was active when the workbook was saved (none
    // when the workbook names no activeTab). Throws EGravelonError naming AFileName.
    static TWorkbookSheets Sheets(const QByteArray& ABytes, const QString& AFileName);
};
