#include "PalletLabels.h"

#include "DataModule.h"
#include "LayoutExport.h"
#include "PalletBarcode.h"
#include "PalletDispatch.h"
#include "PdfFile.h"
#include "ShippingNoteReader.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>

namespace {

QFont Font(double APoints, bool ABold = false) {
    // Sizes in the painter's units, which are points: the same on paper and in PDF.
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(int(APoints));
    f.setBold(ABold);
    return f;
}

QString Figure(double AValue, int ADecimals) {
    QLocale locale;
    return locale.toString(AValue, 'f', ADecimals);
}

// One line of text in ARect's width at AY, shrunk until it fits; returns its height.
double FittedLine(QPainter& APainter, const QRectF& ARect, double AY, const QString& AText,
                  double APoints, bool ABold, Qt::Alignment AAlign = Qt::AlignLeft) {
    double size = APoints;
    QFont f = Font(size, ABold);
    while (size > 6 && QFontMetricsF(f).horizontalAdvance(AText) > ARect.width()) {
        size -= 1;
        f = Font(size, ABold);
    }
    APainter.setFont(f);
    const double h = QFontMetricsF(f).height();
    APainter.drawText(QRectF(ARect.left(), AY, ARect.width(), h), AAlign | Qt::AlignVCenter, AText);
    return h;
}

} // namespace

TPalletLabel TPalletLabel::FromNote(const TShippingNote& ANote, int ACount) {
    TPalletLabel l;
    l.PalletId = ANote.PalletId;
    l.OrderNumber = ANote.OrderNumber;
    l.Number = ANote.Number;
    l.Count = ACount;
    l.Customer = ANote.Consignee;
    l.ColourCode = ANote.ColourCode;
    l.ColourName = ANote.ColourName;
    l.Sheets = ANote.QuantityTotal;
    l.Weight = ANote.Stack.Weight();
    l.Length = ANote.Stack.PalletLength;
    l.Width = ANote.Stack.PalletWidth;
    l.Rows = ANote.Stack.Rows();
    return l;
}

QList<TPalletLabel> TPalletLabel::Read(const TShippingNoteReader& AReader, TDataModule& AData,
                                       const TExportSelection& ASelection, bool ASinglePallet) {
    const QList<TShippingNote> notes = AReader.Read(ASelection, ASinglePallet);
    const int count =
        ASinglePallet ? int(AData.PalletIds(ASelection.OrderId).size()) : int(notes.size());
    QList<TPalletLabel> labels;
    for (const TShippingNote& note : notes)
        labels << FromNote(note, count);
    return labels;
}

TPalletLabelsDocument::TPalletLabelsDocument(QList<TPalletLabel> ALabels, TLabelPaper APaper)
    : FLabels(std::move(ALabels)), FPaper(APaper) {}

QPageLayout TPalletLabelsDocument::PageLayout() const {
    if (FPaper == TLabelPaper::A4Four)
        return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(),
                           QPageLayout::Millimeter);
    return QPageLayout(
        QPageSize(QSizeF(100, 150), QPageSize::Millimeter, QStringLiteral("100×150 мм")),
        QPageLayout::Portrait, QMarginsF(), QPageLayout::Millimeter);
}

int TPalletLabelsDocument::PageCount() const {
    return std::max<int>(1, int((FLabels.size() + PerPage() - 1) / PerPage()));
}

void TPalletLabelsDocument::PaintLabel(QPainter& APainter, const QRectF& ARect,
                                       const TPalletLabel& ALabel) {
    APainter.save();
    APainter.setPen(Qt::black);
    const QRectF r = ARect.adjusted(14, 12, -14, -12);
    double y = r.top();
    y += FittedLine(APainter, r, y, QStringLiteral("Заказ"), 11, false);
    y += FittedLine(APainter, r, y, ALabel.OrderNumber, 46, true);
    y += 4;
    y += FittedLine(APainter, r, y,
                    QStringLiteral("Поддон %1 из %2").arg(ALabel.Number).arg(ALabel.Count), 24,
                    true);
    y += 8;
    APainter.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    y += 6;
    y += FittedLine(APainter, r, y, ALabel.Customer, 14, true);
    y += FittedLine(APainter, r, y, ALabel.ColourCode + QStringLiteral("  ") + ALabel.ColourName,
                    14, false);
    y += 6;
    QLocale locale;
    y += FittedLine(APainter, r, y,
                    QStringLiteral("Листов: %1    Вес: %2 кг")
                        .arg(locale.toString(qlonglong(ALabel.Sheets)), Figure(ALabel.Weight, 1)),
                    13, false);
    y += FittedLine(APainter, r, y,
                    QStringLiteral("Штабель: %1 × %2 мм, рядов: %3")
                        .arg(ALabel.Length)
                        .arg(ALabel.Width)
                        .arg(ALabel.Rows),
                    13, false);

    // The code fills the width at the bottom, its text under it.
    const QString code = PalletCode::Of(ALabel.PalletId);
    const double textHeight = QFontMetricsF(Font(14, true)).height();
    const double room = r.bottom() - textHeight - (y + 8);
    const double bars = std::clamp(room, 20.0, 110.0);
    const QRectF symbol(r.left(), r.bottom() - textHeight - bars, r.width(), bars);
    TPalletBarcode(code).Paint(APainter, symbol);
    APainter.setPen(Qt::black);
    FittedLine(APainter, r, symbol.bottom(), code, 14, true, Qt::AlignHCenter);
    APainter.restore();
}

void TPalletLabelsDocument::PaintPage(QPainter& APainter, const QRectF& ARect, int APage) const {
    const int first = APage * PerPage();
    if (FPaper == TLabelPaper::Label100x150) {
        if (first < FLabels.size())
            PaintLabel(APainter, ARect, FLabels[first]);
        return;
    }
    const double w = ARect.width() / 2;
    const double h = ARect.height() / 2;
    for (int i = 0; i < 4 && first + i < FLabels.size(); ++i)
        PaintLabel(APainter, QRectF(ARect.left() + (i % 2) * w, ARect.top() + (i / 2) * h, w, h),
                   FLabels[first + i]);
    // Where to cut.
    APainter.save();
    APainter.setPen(QPen(Qt::gray, 0.5, Qt::DashLine));
    APainter.drawLine(QPointF(ARect.left() + w, ARect.top()),
                      QPointF(ARect.left() + w, ARect.bottom()));
    APainter.drawLine(QPointF(ARect.left(), ARect.top() + h),
                      QPointF(ARect.right(), ARect.top() + h));
    APainter.restore();
}

int TPalletLabelsDocument::Paint(QPagedPaintDevice* ADevice) const {
    if (!ADevice)
        return 0;
    ADevice->setPageLayout(PageLayout());
    QPainter painter;
    if (!painter.begin(ADevice))
        return 0;
    // Everything is laid out in points, whatever the device's resolution.
    const double sx = ADevice->logicalDpiX() / 72.0;
    const double sy = ADevice->logicalDpiY() / 72.0;
    painter.scale(sx, sy);
    const QRectF page(0, 0, ADevice->width() / sx, ADevice->height() / sy);
    const int pages = PageCount();
    for (int p = 0; p < pages; ++p) {
        if (p > 0)
            ADevice->newPage();
        PaintPage(painter, page, p);
    }
    painter.end();
    return pages;
}

int TPalletLabelsDocument::SavePdf(const QString& AFileName) const {
    return PdfFile::Save(AFileName, QStringLiteral("Этикетки поддонов"), PageLayout(),
                         [this](QPagedPaintDevice* ADevice, bool*) { return Paint(ADevice); });
}
