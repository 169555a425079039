#pragma once

#include "ShippingNote.h"

#include <QList>
#include <QPageLayout>
#include <QString>

class QPagedPaintDevice;
class TDataModule;
class TShippingNoteReader;
struct TExportSelection;
class QPainter;
class QRectF;

// What one pallet's label says: read from its shipping note, so the two never differ.
struct TPalletLabel {
    qlonglong PalletId = 0;
    QString OrderNumber;
    int Number = 0; // "Поддон N из M"
    int Count = 0;
    QString Customer;
    QString ColourCode;
    QString ColourName;
    double Sheets = 0;
    double Weight = 0; // kg
    int Length = 0;    // mm
    int Width = 0;     // mm
    int Rows = 0;      // the stack's height in started rows

    // ACount: the pallets of the note's order.
    static TPalletLabel FromNote(const TShippingNote& ANote, int ACount);
    // The labels of what ASelection selects, read through AReader as the notes are.
    static QList<TPalletLabel> Read(const TShippingNoteReader& AReader, TDataModule& AData,
                                    const TExportSelection& ASelection, bool ASinglePallet);
};

// Where labels are printed: one a page on a 100×150 mm label (a label printer's roll),
// or four to an A4 sheet, cut along the dashed lines.
enum class TLabelPaper { Label100x150, A4Four };

// Pallet labels on paper: the order number large, "Поддон N из M", customer, colour,
// sheets, weight, the stack's sizes and the pallet's code as Code 128 with its text
// under it, on a printer from the print preview or into a PDF.
class TPalletLabelsDocument {
public:
    TPalletLabelsDocument(QList<TPalletLabel> ALabels, TLabelPaper APaper);

    QPageLayout PageLayout() const;
    int PageCount() const;
    // Paints every page on the device, its page set to the labels' paper; returns the
    // pages, 0 when the device cannot be painted on. Never throws.
    int Paint(QPagedPaintDevice* ADevice) const;
    // The page APage (from 0) into APage's rectangle, in points.
    void PaintPage(QPainter& APainter, const QRectF& ARect, int APage) const;
    // As TShippingNotesDocument::SavePdf. Throws EGravelonError; returns the pages.
    int SavePdf(const QString& AFileName) const;

    const QList<TPalletLabel>& Labels() const { return FLabels; }
    static void PaintLabel(QPainter& APainter, const QRectF& ARect, const TPalletLabel& ALabel);

private:
    int PerPage() const { return FPaper == TLabelPaper::A4Four ? 4 : 1; }

    QList<TPalletLabel> FLabels;
    TLabelPaper FPaper;
};
