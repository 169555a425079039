#include "ShippingNotesDocument.h"

#include "BlockPicture.h"
#include "Errors.h"
#include "NotePainter.h"
#include "PdfFile.h"

#include <QDir>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>

TShippingNotesDocument::TShippingNotesDocument(QList<TShippingNote> ANotes,
                                               const QString& AProgramFolder)
    : FNotes(std::move(ANotes)) {
    if (FNotes.isEmpty())
        return;
    const TBlockPicture picture = TBlockPicture::Load(AProgramFolder);
    if (!FPicture.load(picture.PngPath()))
        throw EGravelonError(
            QStringLiteral("Не удалось прочитать рисунок %1").arg(picture.PngPath()));
    // The picture's size on the sheet is given in pixels at 96 per inch.
    FPictureSize = QSizeF(picture.TargetPixels()) * (72.0 / 96.0);
}

int TShippingNotesDocument::Paint(QPagedPaintDevice* ADevice) const {
    bool stopped = false;
    return PaintNotes(ADevice, {}, &stopped);
}

int TShippingNotesDocument::PaintNotes(QPagedPaintDevice* ADevice, const TNoteDone& AOnNote,
                                       bool* AStopped) const {
    QPainter painter;
    if (!ADevice || !painter.begin(ADevice))
        return 0;
    // Everything is laid out in points, whatever the device's resolution.
    const double sx = ADevice->logicalDpiX() / 72.0;
    const double sy = ADevice->logicalDpiY() / 72.0;
    painter.scale(sx, sy);
    const QRectF page(0, 0, ADevice->width() / sx, ADevice->height() / sy);
    bool first = true;
    TNotePainter notes(
        painter, page, [ADevice] { ADevice->newPage(); }, FPicture, FPictureSize);
    int pages = 0;
    int painted = 0;
    for (const TShippingNote& note : FNotes) {
        if (!first)
            ADevice->newPage();
        first = false;
        pages += notes.Paint(note);
        ++painted;
        if (AOnNote && !AOnNote(painted, int(FNotes.size()))) {
            *AStopped = true;
            break;
        }
    }
    // A document without notes is one empty page, as an empty workbook is one sheet.
    if (FNotes.isEmpty())
        pages = 1;
    painter.end();
    return pages;
}

int TShippingNotesDocument::SavePdf(const QString& AFileName, const TNoteDone& AOnNote) const {
    return PdfFile::Save(AFileName, QStringLiteral("Раскладки"),
                         QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(12, 10, 12, 10), QPageLayout::Millimeter),
                         [this, &AOnNote](QPagedPaintDevice* ADevice, bool* AStopped) {
                             return PaintNotes(ADevice, AOnNote, AStopped);
                         });
}
