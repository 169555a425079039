#include "BarcodeReading.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
// zxing-cpp 1.4 gives the text as UTF-8 only when asked to.
#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>
#include <algorithm>

namespace BarcodeReading {

QStringList Codes(const QImage& AImage) {
    const QImage grey = AImage.convertToFormat(QImage::Format_Grayscale8);
    const ZXing::ImageView view(grey.constBits(), grey.width(), grey.height(),
                                ZXing::ImageFormat::Lum, int(grey.bytesPerLine()));
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::Code128);
    hints.setTryHarder(true);
    struct TFound {
        int Y, X;
        QString Text;
    };
    QList<TFound> found;
    for (const ZXing::Result& r : ZXing::ReadBarcodes(view, hints)) {
        if (r.isValid())
            found.append({r.position().topLeft().y, r.position().topLeft().x,
                          QString::fromStdString(r.text())});
    }
    // A row of symbols within a tenth of the page of one another counts as one row.
    const int band = std::max(1, grey.height() / 10);
    std::sort(found.begin(), found.end(), [band](const TFound& A, const TFound& B) {
        return A.Y / band != B.Y / band ? A.Y < B.Y : A.X < B.X;
    });
    QStringList codes;
    for (const TFound& f : found)
        codes << f.Text;
    return codes;
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
    for (const QString& f : QDir(dir.path()).entryList({QStringLiteral("page*.png")},
                                                       QDir::Files, QDir::Name))
        pages << QImage(dir.filePath(f));
    return pages;
}

} // namespace BarcodeReading
