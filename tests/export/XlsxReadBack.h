#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <memory>

namespace orcus::spreadsheet {
class document;
}

// A written workbook read back by independent readers: cells, merges and styles by
// liborcus; what liborcus does not model (pictures, column widths, the number of
// sheets) from the package's XML parts, taken out with unzip. Rows and columns count
// from 1. The first worksheet is the one read.
class TXlsxReadBack {
public:
    enum class TCell { Empty, Text, Number, Other };

    struct TStyle {
        QString Font;
        double Size = 0;
        bool Bold = false;
        bool Left = false;     // horizontal alignment left
        int BorderedSides = 0; // sides with a continuous thin line, 0 to 4
    };

    struct TPicture {
        int Row = 0; // top-left cell
        int Column = 0;
        int ToRow = 0; // bottom-right cell and the offsets into it
        int ToColumn = 0;
        qint64 ToRowOffsetEmu = 0;
        qint64 ToColumnOffsetEmu = 0;
        qint64 WidthEmu = 0;
        qint64 HeightEmu = 0;
        qint64 TopEmu = -1; // the picture's stated distance from the sheet's top
        QString Media;      // path of the picture inside the package
    };

    // How the sheet prints, as its XML states it (the format's defaults where it is
    // silent).
    struct TPageSetup {
        int Paper = 1; // 9 is A4
        QString Orientation;
        bool FitToPage = false;
        int FitToWidth = 1;
        int FitToHeight = 1;                                 // 0: as many pages as needed
        double Left = -1, Right = -1, Top = -1, Bottom = -1; // margins, inches
        QList<int> PageStarts; // rows (from 1) a manual break puts at the top of a page
        QString PrintArea;     // "$A$1:$H$54", without the sheet's name
    };

    explicit TXlsxReadBack(const QString& APath);
    ~TXlsxReadBack();

    // Empty when reading succeeded; otherwise what went wrong.
    const QString& Error() const { return FError; }

    TCell Type(int ARow, int AColumn) const;
    QString Text(int ARow, int AColumn) const;
    double Number(int ARow, int AColumn) const;
    // Last row holding a value or a formatted cell; 0 for an empty sheet.
    int LastRow() const;
    // First and last column of the merged range holding the cell; (AColumn, AColumn)
    // when the cell is not merged.
    QPair<int, int> MergedColumns(int ARow, int AColumn) const;
    bool MergedRows(int ARow, int AColumn) const;
    TStyle Style(int ARow, int AColumn) const;

    // Merged ranges as the sheet lists them ("C3:H3").
    QStringList MergedRanges() const;
    int SheetCount() const;
    QList<TPicture> Pictures() const;
    // Those anchored in the column (counted from 1): the block picture stands in A, the
    // pallet's code in G.
    QList<TPicture> Pictures(int AColumn) const;
    QMap<int, double> ColumnWidths() const; // column -> width, for columns given one
    double DefaultRowHeight() const;
    TPageSetup PageSetup() const;
    QByteArray Part(const QString& AName) const;

    // Every cell's text or number of rows AFirstRow..ALastRow, columns A..H, as lines;
    // for comparing whole blocks.
    QStringList Dump(int AFirstRow, int ALastRow) const;

private:
    QString FPath;
    QString FError;
    std::unique_ptr<orcus::spreadsheet::document> FDoc;
};
