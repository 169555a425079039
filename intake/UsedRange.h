#pragma once

#include "SheetValues.h"

#include <QList>

// Collects the non-empty cells of one sheet, in any order, and turns them into the
// sheet's used range: the smallest rectangle holding every one of them. A sheet
// without any cell gives a range of one empty cell, as the spreadsheet application's
// UsedRange of an empty sheet is its cell A1.
class TUsedRange {
public:
    // Zero-based sheet coordinates.
    void Add(qint64 ARow, qint64 ACol, const QString& AText);
    bool IsEmpty() const { return FCells.isEmpty(); }
    // Throws EGravelonError (with AFileName) when the rectangle would be too large to
    // hold: a damaged or crafted file may place two cells a million rows apart.
    TSheetValues Values(const QString& AFileName) const;

    // Cells a used range may hold; a real order has a few thousand.
    static constexpr qint64 MaxCells = 20'000'000;

private:
    struct TCell {
        qint64 Row;
        qint64 Col;
        QString Text;
    };
    QList<TCell> FCells;
    qint64 FMinRow = 0, FMaxRow = -1, FMinCol = 0, FMaxCol = -1;
};
