#include "PalletBarcode.h"

#include "Errors.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <memory>
#include <zint.h>

namespace {

// Quiet zone on each side, in modules: Code 128 asks for at least ten.
constexpr int QuietModules = 10;
// Bar height in modules: tall enough for a hand scanner held askew.
constexpr float BarModules = 40;

struct TSymbolDeleter {
    void operator()(zint_symbol* ASymbol) const { ZBarcode_Delete(ASymbol); }
};
using TSymbol = std::unique_ptr<zint_symbol, TSymbolDeleter>;

TSymbol NewSymbol() {
    TSymbol s(ZBarcode_Create());
    if (!s)
        throw EGravelonError(QStringLiteral("Не хватает памяти для штрихкода"));
    s->symbology = BARCODE_CODE128;
    s->height = BarModules;
    s->whitespace_width = QuietModules;
    s->show_hrt = 0;
    return s;
}

void Check(int AResult, const zint_symbol* ASymbol, const QString& AText) {
    if (AResult >= ZINT_ERROR)
        throw EGravelonError(QStringLiteral("Не удалось построить штрихкод «%1»: %2")
                                 .arg(AText, QString::fromUtf8(ASymbol->errtxt)));
}

} // namespace

TPalletBarcode::TPalletBarcode(const QString& AText) : FText(AText) {
    const TSymbol s = NewSymbol();
    const QByteArray data = AText.toUtf8();
    Check(
        ZBarcode_Encode_and_Buffer_Vector(
            s.get(), reinterpret_cast<const unsigned char*>(data.constData()), int(data.size()), 0),
        s.get(), AText);
    FWidth = s->vector->width;
    FHeight = s->vector->height;
    for (const zint_vector_rect* r = s->vector->rectangles; r; r = r->next)
        FBars << QRectF(r->x, r->y, r->width, r->height);
}

void TPalletBarcode::Paint(QPainter& APainter, const QRectF& ARect) const {
    APainter.save();
    APainter.setPen(Qt::NoPen);
    APainter.fillRect(ARect, Qt::white);
    const double sx = ARect.width() / FWidth;
    const double sy = ARect.height() / FHeight;
    APainter.setBrush(Qt::black);
    for (const QRectF& bar : FBars)
        APainter.drawRect(QRectF(ARect.left() + bar.x() * sx, ARect.top() + bar.y() * sy,
                                 bar.width() * sx, bar.height() * sy));
    APainter.restore();
}

QByteArray TPalletBarcode::Png(const QString& AText, int AModulePixels, int ABarPixels) {
    const TSymbol s = NewSymbol();
    // libzint's raster draws a module as two pixels at scale 1.
    s->scale = float(AModulePixels) / 2;
    s->height = float(ABarPixels) / AModulePixels;
    s->show_hrt = 1;
    const QByteArray data = AText.toUtf8();
    Check(ZBarcode_Encode_and_Buffer(s.get(),
                                     reinterpret_cast<const unsigned char*>(data.constData()),
                                     int(data.size()), 0),
          s.get(), AText);
    // Black on white: one bit a pixel makes the picture, and its compression, small.
    QImage image(s->bitmap_width, s->bitmap_height, QImage::Format_Mono);
    image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    for (int y = 0; y < s->bitmap_height; ++y) {
        const unsigned char* rgb = s->bitmap + qsizetype(y) * s->bitmap_width * 3;
        uchar* line = image.scanLine(y);
        memset(line, 0, size_t(image.bytesPerLine()));
        for (int x = 0; x < s->bitmap_width; ++x)
            if (rgb[3 * x] < 128) // the most significant bit is the leftmost pixel
                line[x >> 3] |= uchar(0x80 >> (x & 7));
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        throw EGravelonError(
            QStringLiteral("Не удалось записать штрихкод «%1» рисунком").arg(AText));
    return png;
}
