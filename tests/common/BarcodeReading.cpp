#include "BarcodeReading.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
// zxing-cpp 1.4 gives the text as UTF-8 only when asked to.
#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>

namespace BarcodeReading {

QString Code(const QImage& AImage) {
    const QImage grey = AImage.convertToFormat(QImage::Format_Grayscale8);
    const ZXing::ImageView view(grey.constBits(), grey.width(), grey.height(),
                                ZXing::ImageFormat::Lum, int(grey.bytesPerLine()));
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::Code128);
    const ZXing::Result r = ZXing::ReadBarcode(view, hints);
    return r.isValid() ? QString::fromStdString(r.text()) : QString();
}

QList<QImage> PdfPages(const QString& AFile, int ADpi, QString* AWhy) {
    QTemporaryDir dir;
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(ADpi),
                                         QStringLiteral("-png"), AFile, dir.filePath("page")});
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (AWhy)
            *AWhy = QStringLiteral("pdftoppm failed (package poppler-utils): ") + p.errorString() +
                    QString::fromUtf8(p.readAllStandardError());
        return {};
    }
    QList<QImage> pages;
    // page-1.png … page-N.png, zero-padded to the same width: sorted by name is in order.
    for (const QString& f :
         QDir(dir.path()).entryList({QStringLiteral("page*.png")}, QDir::Files, QDir::Name))
        pages << QImage(dir.filePath(f));
    return pages;
}

} // namespace BarcodeReading
