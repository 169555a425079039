#pragma once

#include "SheetValues.h"

#include <QStringList>
#include <functional>

// A workbook's worksheets in tab order (chart sheets left out), each read only when
// asked: the order is looked for beyond the saved active sheet only when that one does
// not hold it, and a workbook of many sheets is not read whole for that.
struct TWorkbookSheets {
    QStringList Names;
    // The index in Names of the sheet that was active when the workbook was saved; -1
    // when the file names none (LibreOffice converting without a window writes none).
    int Active = -1;
    // The used range of the sheet AIndex, its name set. Throws EGravelonError as the
    // readers do.
    std::function<TSheetValues(int AIndex)> Read;
};
