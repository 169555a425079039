#pragma once

#include <QImage>
#include <QList>
#include <QStringList>

// Barcodes read back by a decoder of its own (zxing-cpp), never by the code that drew
// them: what a scanner at the gate would read.
namespace BarcodeReading {

// The Code 128 symbol on the image (a page or part of one holding one), empty when
// none can be read. One symbol at a time: zxing-cpp 1.4 asserts when it merges several
// linear symbols of one image.
QString Code(const QImage& AImage);

// The pages of a PDF as poppler's pdftoppm renders them at ADpi; empty, with the
// reason in AWhy, when it cannot.
QList<QImage> PdfPages(const QString& AFile, int ADpi = 200, QString* AWhy = nullptr);

} // namespace BarcodeReading
