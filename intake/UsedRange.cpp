#include "UsedRange.h"

#include "WorkbookError.h"

void TUsedRange::Add(qint64 ARow, qint64 ACol, const QString& AText) {
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

TSheetValues TUsedRange::Values(const QString& AFileName) const {
    if (FCells.isEmpty())
        return TSheetValues(1, 1);
    const qint64 rows = FMaxRow - FMinRow + 1;
    const qint64 cols = FMaxCol - FMinCol + 1;
    if (rows > MaxCells || cols > MaxCells || rows * cols > MaxCells)
        throw WorkbookError::Make(AFileName,
                                  QStringLiteral("заполненная область листа слишком велика "
                                                 "(%1 строк × %2 столбцов)")
                                      .arg(rows)
                                      .arg(cols));
    TSheetValues v{int(rows), int(cols)};
    for (const TCell& c : FCells)
        v.SetCell(int(c.Row - FMinRow + 1), int(c.Col - FMinCol + 1), c.Text);
    return v;
}
