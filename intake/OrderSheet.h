#pragma once

#include "SheetValues.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <QVariant>
#include <array>

// One order row: the six texts of the mapped columns in the fixed field order, the
// sheet's number of its row, and after colour matching the key of its colour.
struct TOrderRow {
    std::array<QString, 6> Fields;
    qlonglong ColorID = 0;
    int SheetRow = 0; // as the spreadsheet shows it; the header is usually row 1
};

// The checks an order sheet passes before anything is stored. Pure functions over
// the sheet's texts; the database checks (thickness, colour) are in TOrderImport.
class TOrderSheet {
public:
    enum TField { Color = 0, Length = 1, Width = 2, Thickness = 3, Quantity = 4, Comment = 5 };

    // "Цвет", "Длина", "Ширина", "Толщина", "Количество", "Комментарий".
    static const QStringList HeaderWords;
    static const QString RotatedRemark; // "Лист повернут на 90"

    // Column (1-based) of each header word: the leftmost header cell that, with its
    // spaces removed, contains the word (case-sensitive). 0 when no cell does.
    static QList<int> MapColumns(const TSheetValues& AValues);
    // Every row below the header, in sheet order, through the column mapping.
    static QList<TOrderRow> ExtractRows(const TSheetValues& AValues, const QList<int>& AColumns);
    // Drops rows whose six fields, spaces removed, are all empty.
    static QList<TOrderRow> DropBlankRows(const QList<TOrderRow>& ARows);
    // A whole number as the order sheet writes one: digits with an optional sign,
    // surrounding spaces allowed; "12,5", "" and "abc" are not.
    static bool ParseWhole(const QString& AText, qint64* AValue = nullptr);
    // A size or a quantity: a whole number from 1 to MaxCount, the calculation's
    // integer.
    static bool ParseCount(const QString& AText, qint64* AValue = nullptr);
    static constexpr qint64 MaxCount = 2147483647;
    // What is wrong with a row, in Russian, causes joined by "; "; empty when nothing
    // is: a missing colour, length, width, thickness or quantity, a size or quantity
    // that is not a whole number from 1 to MaxCount.
    static QString RowProblems(const TOrderRow& ARow);
    // Puts every sheet's longer side first, replacing the comment of a turned row, and
    // writes the sizes and the quantity in their plain form. False when a size or a
    // quantity does not pass ParseCount (nothing is changed then).
    static bool Orient(QList<TOrderRow>& ARows);
    // Report lines of the rows with problems, in sheet order: "Строка N | f0 | ... |
    // f5 | " and the causes, N the sheet's row number. AMore adds causes the sheet
    // alone cannot tell (a colour missing from the directory), by sheet row.
    static QStringList InvalidRowLines(const QList<TOrderRow>& ARows,
                                       const QHash<int, QString>& AMore = {});
    // Sheet row numbers as a message names them: "строка 3", "строки 3, 5–9".
    static QString RowNumbers(QList<int> ARows);

    // A material's Width as the thickness column is compared with it: the value as
    // text, trimmed, without spaces and CR LF pairs.
    static QString MaterialWidthText(const QVariant& AWidth);
    // A colour code prepared for matching: lower case, no spaces, no CR LF pairs.
    static QString ColourCodeKey(const QString& ACode);
    // A row's colour prepared for matching: lower case, no spaces.
    static QString RowColourKey(const QString& AText);
};
