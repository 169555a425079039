#pragma once

#include "ColumnWidths.h"

#include <QString>
#include <QStringList>
#include <memory>

class TExportTempFile;
class TBlockPicture;
struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

// The layout workbook being written: one worksheet in a new workbook, every cell in
// the sheet's font (Calibri 14 bold, left aligned). Rows and columns are counted from
// 1, as the layout is described. It prints one shipping note a page: A4 portrait,
// narrow margins, the used columns scaled to one page wide, a page break before every
// block but the first and the print area on the used range. A text longer than a cell
// holds is cut, with "…", and counted (CutCells()): the note is still printed. The workbook is written to
// a temporary file in the target's folder (TExportTempFile: unnamed where the file
// system allows) and renamed over the target by Commit() only: until then, and on any
// failure, an existing file of that name stays exactly as it was. Every failure throws
// EGravelonError.
class TLayoutWorkbook {
public:
    explicit TLayoutWorkbook(const QString& ATargetFile);
    ~TLayoutWorkbook();
    TLayoutWorkbook(const TLayoutWorkbook&) = delete;
    TLayoutWorkbook& operator=(const TLayoutWorkbook&) = delete;

    void WriteText(int ARow, int AColumn, const QString& AText);
    void WriteNumber(int ARow, int AColumn, double AValue);
    // AText in one cell merged from AFirstColumn to ALastColumn of the row.
    void MergeText(int ARow, int AFirstColumn, int ALastColumn, const QString& AText);
    // A table of texts from (ARow, AColumn), every cell with a thin border on all sides.
    void WriteTable(int ARow, int AColumn, const QList<QStringList>& ARows);
    // The picture's top-left corner on the cell's top-left corner, at its own size.
    void InsertPicture(int ARow, int AColumn, const TBlockPicture& APicture);
    // A PNG picture (APng) with its top-left corner on the cell's, APixelHeight high.
    void InsertPng(int ARow, int AColumn, const QByteArray& APng, int APixelHeight);
    // A shipping note begins at the row: printed from the top of a new page.
    void StartBlock(int ARow);

    // Fits the columns, saves the workbook and puts it in place of the target.
    void Commit();

    const QString& TargetFile() const { return FTarget; }
    // Cells whose text was longer than the format's 32,767 characters: each keeps its
    // first 32,766 and "…".
    int CutCells() const { return FCutCells; }
    // The temporary file's name while it is written; empty when it has none.
    QString TemporaryFile() const;

private:
    void Check(int AError, const char* AWhat) const;
    QByteArray Utf8(const QString& AText);
    void Discard();
    void NoteCell(int ARow, int AColumn);
    void SetUpPages();
    void HeightForRowsCovered(int ARow, double APixelHeight);
    void AllRowsAtSheetHeight();

    QString FTarget;
    std::unique_ptr<TExportTempFile> FTemp;
    lxw_workbook* FWorkbook = nullptr;
    lxw_worksheet* FSheet = nullptr;
    lxw_format* FText = nullptr;
    lxw_format* FBordered = nullptr;
    TColumnWidths FWidths;
    int FLastColumn = 0;
    int FLastRow = 0;
    int FCutCells = 0;
    QList<int> FBlockRows;
};
