#include "ColumnWidths.h"

#include <QtMath>
#include <algorithm>

namespace {

// Advance widths of Calibri 11 (the default font) in pixels at 96 per inch, by
// character class; close enough to give each column room for its longest text.
double CalibriPixels(QChar AChar) {
    const char16_t c = AChar.unicode();
    if (c >= u'0' && c <= u'9')
        return 7;
    switch (c) {
    case u' ':
    case u'.':
    case u',':
    case u'\'':
    case u'|':
        return 3;
    case u':':
    case u';':
    case u'!':
    case u'(':
    case u')':
    case u'[':
    case u']':
    case u'-':
    case u'i':
    case u'j':
    case u'l':
    case u'I':
        return 4;
    case u'f':
    case u't':
    case u'r':
    case u'/':
    case u'J':
        return 5;
    case u'*':
    case u'_':
    case u's':
    case u'z':
        return 6;
    case u'm':
    case u'M':
    case u'W':
    case u'ж':
    case u'щ':
    case u'Ж':
    case u'Ш':
    case u'Щ':
    case u'Ю':
        return 12;
    case u'w':
    case u'ш':
    case u'ю':
    case u'Ы':
    case u'М':
        return 11;
    case u'м':
    case u'ы':
    case u'Д':
    case u'Ф':
    case u'ф':
        return 9;
    case u'№':
        return 14;
    default:
        break;
    }
    if (AChar.isUpper())
        return 9;
    if (AChar.isLower())
        return 7;
    return 8;
}

// Calibri 14 bold against Calibri 11: larger by the size, a little wider for the weight.
constexpr double SheetFontFactor = 14.0 / 11.0 * 1.06;
// The spreadsheet's width unit is the width of a digit of the default font, 7 pixels;
// the cell's padding (5 pixels) comes on top when the workbook is written.
constexpr double DigitPixels = 7;

} // namespace

double TColumnWidths::TextPixels(const QString& AText) {
    double px = 0;
    for (const QChar ch : AText)
        px += CalibriPixels(ch);
    return px * SheetFontFactor;
}

void TColumnWidths::Note(int AColumn, const QString& AText) {
    if (AColumn < 0 || AText.isEmpty())
        return;
    if (FPixels.size() <= AColumn)
        FPixels.resize(AColumn + 1, 0);
    FPixels[AColumn] = std::max(FPixels[AColumn], TextPixels(AText));
}

double TColumnWidths::Width(int AColumn) const {
    if (AColumn < 0 || AColumn >= FPixels.size() || FPixels[AColumn] <= 0)
        return DefaultWidth;
    // Rounded up to hundredths so that the text never ends up just clipped.
    return qCeil(FPixels[AColumn] / DigitPixels * 100) / 100.0;
}
