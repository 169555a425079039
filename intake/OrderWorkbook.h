#pragma once

#include "SheetValues.h"
#include "WorkbookSheets.h"

#include <QString>

// The sheet of an order workbook that holds the order. The saved active sheet is the
// one the customer meant, as long as it has the header row; a workbook saved without
// an active sheet (LibreOffice converting without a window writes none into an .ods)
// is read from its first sheet with the header row, and one whose active sheet has no
// header row from the one other sheet that has it. Otherwise the active sheet (or the
// first) is read and the import says what its header row lacks.
struct TOrderSheetChoice {
    TSheetValues Values;
    // The saved active sheet's name when another sheet was taken; empty otherwise.
    QString ActiveName;
    // The workbook names no active sheet.
    bool NoActive = false;

    // What the New-order dialog says about the sheet taken: its name, and why it was
    // taken when it is not the saved active one.
    QString Note() const;
};

class TOrderWorkbook {
public:
    // Throws EGravelonError as the workbook reader does.
    static TOrderSheetChoice Read(const QString& AFileName);
    static TOrderSheetChoice Choose(const TWorkbookSheets& ASheets);
    // Whether AValues' first row names all six columns of an order.
    static bool HasHeader(const TSheetValues& AValues);

    // Sheets looked at beyond the active one: a crafted workbook of thousands of sheets
    // is not read whole to find the order.
    static constexpr int MaxSheetsSearched = 64;
};
