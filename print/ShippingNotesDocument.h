#pragma once

#include "ShippingNote.h"

#include <QImage>
#include <QList>
#include <QSizeF>
#include <QString>
#include <functional>

class QPagedPaintDevice;

// Shipping notes on paper: one note a page (a long note runs on), on whatever paged
// device is given, a printer from the print preview or a PDF file. A4 portrait with
// narrow margins for PDF; a printer keeps the paper it was given.
class TShippingNotesDocument {
public:
    // Reads the block picture from the program folder (resources/C.png, sized by
    // resources/C.bmp); throws EGravelonError when it is missing, as the workbook
    // export does.
    TShippingNotesDocument(QList<TShippingNote> ANotes, const QString& AProgramFolder);

    // Paints every note; returns the number of pages, 0 when the device cannot be
    // painted on. Never throws, so the print preview can call it at any time.
    int Paint(QPagedPaintDevice* ADevice) const;

    // Told after each note is painted, with how many of how many; false stops the
    // painting.
    using TNoteDone = std::function<bool(int ADone, int ATotal)>;
    // Writes the PDF beside the target and puts it in place only once complete, so a
    // failure leaves an existing file as it was. Throws EGravelonError, EWorkCanceled
    // when AOnNote stopped it (nothing written); returns pages.
    int SavePdf(const QString& AFileName, const TNoteDone& AOnNote = {}) const;

    const QList<TShippingNote>& Notes() const { return FNotes; }

private:
    int PaintNotes(QPagedPaintDevice* ADevice, const TNoteDone& AOnNote, bool* AStopped) const;

    QList<TShippingNote> FNotes;
    QImage FPicture;
    QSizeF FPictureSize; // points
};
