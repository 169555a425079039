#pragma once

#include "SheetValues.h"

#include <QString>

// Reading an order workbook: the used range of the active sheet (the sheet that was
// active when the workbook was last saved) as texts, with its row and column counts.
// The format is told by the file's content, not its name: .xls (BIFF in a compound
// document), .xlsx (Office Open XML) and .ods (OpenDocument). Any file that cannot
// be read (missing, damaged, truncated, not a workbook, protected by a password)
// throws EGravelonError with a Russian message naming the file and the reason.
class TWorkbookReader {
public:
    static TSheetValues ReadActiveSheet(const QString& AFileName);
};
