#pragma once

#include <QSize>
#include <QString>

// The picture at the head of every layout block: resources/C.png is what is placed,
// resources/C.bmp only says how big it is to appear (its pixels at 96 per inch, so
// 96 pixels become 72 points, one inch).
class TBlockPicture {
public:
    // Reads both files from the program folder; throws EGravelonError when either is
    // missing or cannot be read as a picture.
    static TBlockPicture Load(const QString& AProgramFolder);

    const QString& PngPath() const { return FPngPath; }
    // Size the picture takes on the sheet, in pixels at 96 per inch.
    QSize TargetPixels() const { return FTarget; }
    // Size of the PNG's own pixels.
    QSize PngPixels() const { return FPng; }
    // Scales for the workbook writer, which sizes a PNG by its pixels and its stated
    // resolution (96 per inch when it states none).
    double XScale() const;
    double YScale() const;

private:
    QString FPngPath;
    QSize FTarget;
    QSize FPng;
    double FPngDpiX = 96;
    double FPngDpiY = 96;
};
