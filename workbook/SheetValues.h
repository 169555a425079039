#pragma once

#include <QList>
#include <QString>

// The used range of a workbook's active sheet as the order reader sees it: every
// cell as text, rows and columns counted from 1 within the range (the range need
// not begin at A1). An empty cell is the empty text.
class TSheetValues {
public:
    TSheetValues() = default;
    TSheetValues(int ARowCount, int AColCount)
        : FRowCount(ARowCount), FColCount(AColCount), FCells(qsizetype(ARowCount) * AColCount) {}

    int RowCount() const { return FRowCount; }
    int ColCount() const { return FColCount; }
    // The sheet's own number (from 1, as the spreadsheet shows it) of the range's first
    // row, so that a message can name a row where the operator will find it.
    int FirstSheetRow() const { return FFirstSheetRow; }
    void SetFirstSheetRow(int ARow) { FFirstSheetRow = ARow; }
    // The sheet's number of the range's row ARow.
    int SheetRow(int ARow) const { return FFirstSheetRow + ARow - 1; }
    // The name of the sheet on its tab; empty for values assembled in memory.
    const QString& SheetName() const { return FSheetName; }
    void SetSheetName(const QString& AName) { FSheetName = AName; }
    // 1-based; outside the range reads as the empty text.
    QString Cell(int ARow, int ACol) const {
        if (ARow < 1 || ACol < 1 || ARow > FRowCount || ACol > FColCount)
            return QString();
        return FCells.at(Index(ARow, ACol));
    }
    void SetCell(int ARow, int ACol, const QString& AText) { FCells[Index(ARow, ACol)] = AText; }

    // Builds values from rows of texts (tests, and sheets assembled in memory);
    // short rows are padded with empty cells.
    static TSheetValues FromRows(const QList<QStringList>& ARows) {
        int cols = 0;
        for (const QStringList& r : ARows)
            cols = qMax(cols, int(r.size()));
        TSheetValues v(int(ARows.size()), cols);
        for (int r = 0; r < ARows.size(); ++r)
            for (int c = 0; c < ARows.at(r).size(); ++c)
                v.SetCell(r + 1, c + 1, ARows.at(r).at(c));
        return v;
    }

private:
    qsizetype Index(int ARow, int ACol) const {
        return qsizetype(ARow - 1) * FColCount + (ACol - 1);
    }

    int FRowCount = 0;
    int FColCount = 0;
    int FFirstSheetRow = 1;
    QString FSheetName;
    QList<QString> FCells;
};
