#pragma once

#include "SheetValues.h"

#include <QList>

// Collects the non-empty cells of one sheet, in any order, and turns them into the
// sheet's used range: the smallest rectangle holding every one of them. A sheet
// without any cell gives a range of one empty cell, as the spreadsheet application's
// UsedRange of an empty sheet is its cell A1. What a crafted file can make it hold
// is bounded: too many cells, too much text, or a rectangle too large, fail with a
// Russian message naming the file before the memory is taken.
class TUsedRange {
public:
    explicit TUsedRange(const QString& AFileName = QString()) : FFileName(AFileName) {}

    // Zero-based sheet coordinates. Throws EGravelonError past MaxValueCells or
    // MaxTextChars.
    void Add(qint64 ARow, qint64 ACol, const QString& AText);
    // The same text in ARows x ACols cells from (ARow, ACol): a repeated cell.
    void AddRepeated(qint64 ARow, qint64 ACol, qint64 ARows, qint64 ACols, const QString& AText);
    bool IsEmpty() const { return FCells.isEmpty(); }
    // Throws EGravelonError (with the file name) when the rectangle would be too large
    // to hold: a damaged or crafted file may place two cells a million rows apart.
    TSheetValues Values() const;

    // Cells with a value a sheet may hold, and cells its rectangle may span; a real
    // order has a few thousand.
    static constexpr qint64 MaxValueCells = 2'000'000;
    static constexpr qint64 MaxCells = 5'000'000;
    // Characters of all cells together, each cell counted even when it shares its text
    // with others (a shared string, a repeated cell): the order reader makes its own
    // copies of the cells it works on. A 10,000-row order has well under a million.
    static constexpr qint64 MaxTextChars = 64ll * 1024 * 1024;

private:
    struct TCell {
        qint64 Row;
        qint64 Col;
        QString Text;
    };
    [[noreturn]] void TooManyCells() const;
    [[noreturn]] void TooMuchText() const;

    QString FFileName;
    QList<TCell> FCells;
    qint64 FTextChars = 0;
    qint64 FMinRow = 0, FMaxRow = -1, FMinCol = 0, FMaxCol = -1;
};
