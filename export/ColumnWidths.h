#pragma once

#include <QList>
#include <QString>

// Column widths fitted to the texts written, as a spreadsheet's "fit to contents"
// would set them for the sheet's font (Calibri 14 bold). The writer has no fitting of
// its own, so the width of each text is estimated from the character widths of
// Calibri; merged cells take no part, as in the spreadsheet.
class TColumnWidths {
public:
    // The default width of a column with nothing in it, in characters.
    static constexpr double DefaultWidth = 8.43;

    void Note(int AColumn, const QString& AText);
    // Width in the spreadsheet's unit (characters of the default font); DefaultWidth
    // for a column that received no text.
    double Width(int AColumn) const;

    // Estimated width of a text in pixels at 96 per inch in Calibri 14 bold.
    static double TextPixels(const QString& AText);

private:
    QList<double> FPixels;
};
