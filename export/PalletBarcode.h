#pragma once

#include <QByteArray>
#include <QList>
#include <QRectF>
#include <QString>

class QPainter;

// A pallet's code as a Code 128 symbol, encoded by libzint: the labels, the printed
// notes and the layout workbook all show this one symbol, never bars of their own.
// libzint (a Debian package, kept up to date, with every linear symbology and exact
// quiet zones) was chosen over writing the encoding here: the code's check character
// and code-set switching are the library's, tested, not ours.
class TPalletBarcode {
public:
    // Throws EGravelonError, with libzint's reason, when the text cannot be encoded.
    explicit TPalletBarcode(const QString& AText);

    // The symbol, quiet zones included, filling ARect: white ground, black bars; the
    // text under it is the caller's (it is printed in the label's own font).
    void Paint(QPainter& APainter, const QRectF& ARect) const;
    // A PNG of the symbol from libzint's raster output, AModulePixels wide a module, the
    // bars ABarPixels high and the code's text under them, for the workbook.
    QByteArray Png(int AModulePixels, int ABarPixels) const { return Png(FText, AModulePixels, ABarPixels); }
    // The same without the vector form Paint needs: a workbook of thousands of pallets
    // encodes each code once.
    static QByteArray Png(const QString& AText, int AModulePixels, int ABarPixels);
    // Width over height of the symbol as libzint lays it out.
    double AspectRatio() const { return FHeight > 0 ? FWidth / FHeight : 1; }
    const QString& Text() const { return FText; }

private:
    QString FText;
    QList<QRectF> FBars; // in libzint's vector units
    double FWidth = 0;
    double FHeight = 0;
};
