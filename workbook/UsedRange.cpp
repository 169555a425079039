#include "UsedRange.h"

#include "WorkbookError.h"

void TUsedRange::TooManyCells() const {
    throw WorkbookError::Make(
        FFileName, QStringLiteral("на листе больше %1 заполненных ячеек").arg(MaxValueCells));
}

void TUsedRange::TooMuchText() const {
    throw WorkbookError::Make(
        FFileName,
        QStringLiteral("в ячейках листа больше %1 млн знаков").arg(MaxTextChars / (1024 * 1024)));
}

void TUsedRange::Add(qint64 ARow, qint64 ACol, const QString& AText) {
    if (FCells.size() >= MaxValueCells)
        TooManyCells();
    FTextChars += AText.size();
    if (FTextChars > MaxTextChars)
        TooMuchText();
    if (FCells.isEmpty()) {
        FMinRow = FMaxRow = ARow;
        FMinCol = FMaxCol = ACol;
    } else {
        FMinRow = qMin(FMinRow, ARow);
        FMaxRow = qMax(FMaxRow, ARow);
        FMinCol = qMin(FMinCol, ACol);
        FMaxCol = qMax(FMaxCol, ACol);
    }
    FCells.append({ARow, ACol, AText});
}

void TUsedRange::AddRepeated(qint64 ARow, qint64 ACol, qint64 ARows, qint64 ACols,
                             const QString& AText) {
    if (ARows <= 0 || ACols <= 0)
        return;
    // Checked before the loop: a repeat count may be in the millions.
    if (ARows > MaxValueCells || ACols > MaxValueCells ||
        FCells.size() + ARows * ACols > MaxValueCells)
        TooManyCells();
    if (FTextChars + ARows * ACols * AText.size() > MaxTextChars)
        TooMuchText();
    for (qint64 r = 0; r < ARows; ++r)
        for (qint64 c = 0; c < ACols; ++c)
            Add(ARow + r, ACol + c, AText);
}

TSheetValues TUsedRange::Values() const {
    if (FCells.isEmpty())
        return TSheetValues(1, 1);
    const qint64 rows = FMaxRow - FMinRow + 1;
    const qint64 cols = FMaxCol - FMinCol + 1;
    if (rows > MaxCells || cols > MaxCells || rows * cols > MaxCells)
        throw WorkbookError::Make(FFileName,
                                  QStringLiteral("заполненная область листа слишком велика "
                                                 "(%1 строк × %2 столбцов)")
                                      .arg(rows)
                                      .arg(cols));
    TSheetValues v{int(rows), int(cols)};
    v.SetFirstSheetRow(int(FMinRow + 1));
    for (const TCell& c : FCells)
        v.SetCell(int(c.Row - FMinRow + 1), int(c.Col - FMinCol + 1), c.Text);
    return v;
}
