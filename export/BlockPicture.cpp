#include "BlockPicture.h"

#include "Errors.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QtEndian>

namespace {

[[noreturn]] void Unreadable(const QString& APath) {
    throw EGravelonError(QStringLiteral("Не удалось прочитать рисунок %1").arg(APath));
}

// The resolution a PNG states in its pHYs chunk (pixels per metre), as the workbook
// writer reads it; 96 per inch when there is none or it is given without unit.
void PngResolution(const QByteArray& AData, double* ADpiX, double* ADpiY) {
    *ADpiX = *ADpiY = 96;
    qsizetype pos = 8; // after the signature
    while (pos + 12 <= AData.size()) {
        const quint32 length = qFromBigEndian<quint32>(AData.constData() + pos);
        const QByteArray type = AData.mid(pos + 4, 4);
        if (type == "IDAT" || type == "IEND" || pos + 12 + qsizetype(length) > AData.size())
            return;
        if (type == "pHYs" && length >= 9) {
            const char* body = AData.constData() + pos + 8;
            const quint32 x = qFromBigEndian<quint32>(body);
            const quint32 y = qFromBigEndian<quint32>(body + 4);
            if (body[8] == 1 && x > 0 && y > 0) {
                *ADpiX = x * 0.0254;
                *ADpiY = y * 0.0254;
            }
            return;
        }
        pos += 12 + qsizetype(length);
    }
}

} // namespace

TBlockPicture TBlockPicture::Load(const QString& AProgramFolder) {
    const QDir folder(AProgramFolder);
    TBlockPicture p;
    const QString bmpPath = folder.filePath(QStringLiteral("resources/C.bmp"));
    {
        // Loaded whole, not just its header: a damaged file is refused here rather
        // than giving a size nobody can check.
        const QImage bitmap(bmpPath, "BMP");
        if (bitmap.isNull())
            Unreadable(bmpPath);
        p.FTarget = bitmap.size();
    }
    p.FPngPath = folder.filePath(QStringLiteral("resources/C.png"));
    QFile file(p.FPngPath);
    if (!file.open(QIODevice::ReadOnly))
        Unreadable(p.FPngPath);
    const QByteArray data = file.readAll();
    const QImage png = QImage::fromData(data, "PNG");
    if (png.isNull())
        Unreadable(p.FPngPath);
    p.FPng = png.size();
    PngResolution(data, &p.FPngDpiX, &p.FPngDpiY);
    return p;
}

double TBlockPicture::XScale() const {
    return FTarget.width() * FPngDpiX / (96.0 * FPng.width());
}

double TBlockPicture::YScale() const {
    return FTarget.height() * FPngDpiY / (96.0 * FPng.height());
}
