#include "StackDrawing.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>

namespace {

const QColor Wood(0xc8, 0x9b, 0x62);
const QColor Ink(0x1d, 0x35, 0x57);
const QColor Alarm(0xc0, 0x1c, 0x28);
// Neighbouring layers alternate, so two bands of one size still read as two.
const QColor BandFill[] = {QColor(0xd9, 0xe2, 0xec), QColor(0xb8, 0xc7, 0xd6)};

QRectF Bounds(const QList<QRectF>& ARects) {
    QRectF r;
    for (const QRectF& b : ARects)
        r = r.isNull() ? b : r.united(b);
    return r;
}

} // namespace

TStackDrawing::TStackDrawing(TPalletStack AStack, QFont ALabelFont)
    : FStack(std::move(AStack)), FFont(std::move(ALabelFont)) {}

TStackDrawing::TLayout TStackDrawing::Layout(const QRectF& ABox) const {
    const QFontMetricsF fm(FFont);
    const double lh = fm.height();
    const double pad = lh * 0.3;
    const double gap = lh * 0.6;
    TLayout l;

    l.WeightLine = QRectF(ABox.left(), ABox.bottom() - lh, ABox.width(), lh);
    l.HeightLine = l.WeightLine.translated(0, -lh);
    const QRectF views(ABox.left(), ABox.top(), ABox.width(),
                       std::max(0.0, l.HeightLine.top() - pad - ABox.top()));
    // Side by side in a wide box (a page, a wide window), one above the other otherwise.
    if (views.width() >= views.height() * 1.3) {
        const double w = views.width() * 0.62 - gap / 2;
        l.SideView = QRectF(views.left(), views.top(), w, views.height());
        l.TopView = QRectF(l.SideView.right() + gap, views.top(),
                           views.right() - l.SideView.right() - gap, views.height());
    } else {
        const double h = views.height() * 0.6 - gap / 2;
        l.SideView = QRectF(views.left(), views.top(), views.width(), h);
        l.TopView = QRectF(views.left(), l.SideView.bottom() + gap, views.width(),
                           views.bottom() - l.SideView.bottom() - gap);
    }

    // Side view: the stack on the left, the bands' labels in a column on the right.
    const QRectF side = l.SideView.adjusted(0, lh + pad, 0, 0);
    double labelWidth = 0;
    for (const TStackBand& b : FStack.Bands)
        labelWidth = std::max(labelWidth, fm.horizontalAdvance(b.Label()) + 2 * pad);
    labelWidth = std::min(labelWidth, side.width() * 0.45);
    const double leader = FStack.Bands.isEmpty() ? 0 : lh;
    const QRectF stackArea(side.left(), side.top(),
                           std::max(0.0, side.width() - labelWidth - leader), side.height());
    const double scale = stackArea.width() / std::max(1, FStack.Length());
    const double baseHeight = std::clamp(stackArea.height() * 0.07, 3.0, std::max(3.0, lh));
    const double cx = stackArea.center().x();
    const double palletLength = FStack.PalletLength > 0 ? FStack.PalletLength : FStack.Length();
    l.Base = QRectF(cx - palletLength * scale / 2, stackArea.bottom() - baseHeight,
                    palletLength * scale, baseHeight);

    // Heights in sheets: the taller of the stack and its limit fills the view, with
    // room above for the limit's label.
    const int span = std::max({FStack.RowLimit, FStack.Rows(), 1});
    l.RowPitch = std::max(0.0, (stackArea.height() - baseHeight - lh) / span);
    double y = l.Base.top();
    for (const TStackBand& b : FStack.Bands) {
        const double w = b.Length * scale;
        const double h = b.Rows() * l.RowPitch;
        l.SideBands << QRectF(cx - w / 2, y - h, w, h);
        y -= h;
    }
    if (FStack.RowLimit > 0)
        l.LimitY = l.Base.top() - FStack.RowLimit * l.RowPitch;
    const QRectF stack = Bounds(l.SideBands);
    if (FStack.TooTall())
        l.OverLimit = QRectF(QPointF(stack.left(), stack.top()), QPointF(stack.right(), *l.LimitY));
    if (FStack.TooHeavy())
        l.HeavyMark = stack.adjusted(-2, -2, 2, 2);
    if (!FStack.IsEmpty() && !FStack.ColourCode.isEmpty()) {
        const double w = std::min(fm.horizontalAdvance(FStack.ColourCode) + 2 * pad, stack.width());
        l.ColourCode = QRectF(cx - w / 2, stack.center().y() - lh / 2, w, lh);
    }

    // Each label level with its band where there is room, otherwise pushed up just
    // clear of the one below, and the whole column pulled down if it overruns the top.
    const double labelLeft = stackArea.right() + leader;
    double floor = side.bottom();
    for (const QRectF& band : l.SideBands) {
        const double top = std::min(band.center().y() - lh / 2, floor - lh);
        l.BandLabels << QRectF(labelLeft, top, labelWidth, lh);
        floor = top;
    }
    double ceiling = side.top();
    for (int i = int(l.BandLabels.size()) - 1; i >= 0; --i) {
        QRectF& label = l.BandLabels[i];
        if (label.top() < ceiling)
            label.moveTop(ceiling);
        ceiling = label.bottom();
    }
    for (int i = 0; i < l.SideBands.size(); ++i)
        l.Leaders << QLineF(QPointF(l.SideBands[i].right(), l.SideBands[i].center().y()),
                            QPointF(labelLeft, l.BandLabels[i].center().y()));

    // Top view: length across, width down, both to one scale. Its caption takes two
    // lines where one does not fit (the window's side-by-side drawing on a small
    // screen) rather than running past the frame.
    const QString size = QStringLiteral("%1×%2 мм").arg(FStack.PalletLength).arg(FStack.PalletWidth);
    const QString caption = QStringLiteral("Вид сверху, ") + size;
    if (fm.horizontalAdvance(caption) <= l.TopView.width())
        l.TopCaption = QStringList{caption};
    else
        l.TopCaption = QStringList{
            fm.elidedText(QStringLiteral("Вид сверху,"), Qt::ElideRight, l.TopView.width()),
            fm.elidedText(size, Qt::ElideRight, l.TopView.width())};
    const QRectF top = l.TopView.adjusted(0, lh * l.TopCaption.size() + pad, 0, 0);
    const double length = std::max(1, FStack.Length());
    const double width = std::max(1, FStack.Width());
    const double s = std::max(0.0, std::min(top.width() / length, top.height() / width));
    const QPointF centre = top.center();
    const double pl = FStack.PalletLength > 0 ? FStack.PalletLength : length;
    const double pw = FStack.PalletWidth > 0 ? FStack.PalletWidth : width;
    l.TopPallet = QRectF(centre.x() - pl * s / 2, centre.y() - pw * s / 2, pl * s, pw * s);
    for (const TStackBand& b : FStack.Bands)
        l.TopBands << QRectF(centre.x() - b.Length * s / 2, centre.y() - b.RowWidth() * s / 2,
                             b.Length * s, b.RowWidth() * s);
    return l;
}

void TStackDrawing::Paint(QPainter& APainter, const QRectF& ABox) const {
    const TLayout l = Layout(ABox);
    APainter.save();
    APainter.setRenderHint(QPainter::Antialiasing);
    APainter.setFont(FFont);
    PaintSide(APainter, l);
    PaintTop(APainter, l);
    APainter.setPen(FStack.TooTall() ? Alarm : Ink);
    APainter.drawText(l.HeightLine, Qt::AlignLeft | Qt::AlignVCenter, FStack.HeightText());
    APainter.setPen(FStack.TooHeavy() ? Alarm : Ink);
    APainter.drawText(l.WeightLine, Qt::AlignLeft | Qt::AlignVCenter, FStack.WeightText());
    APainter.restore();
}

void TStackDrawing::PaintSide(QPainter& APainter, const TLayout& ALayout) const {
    const QFontMetricsF fm(FFont);
    APainter.setPen(Ink);
    APainter.drawText(ALayout.SideView, Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Вид сбоку"));

    // The pallet: a deck on three runners.
    const QRectF& base = ALayout.Base;
    APainter.setPen(QPen(Wood.darker(160), 0.8));
    APainter.setBrush(Wood);
    const QRectF deck(base.left(), base.top(), base.width(), base.height() * 0.55);
    APainter.drawRect(deck);
    const double runner = base.width() * 0.12;
    APainter.setBrush(Wood.darker(120));
    for (int i = 0; i < 3; ++i)
        APainter.drawRect(QRectF(base.left() + i * (base.width() - runner) / 2, deck.bottom(),
                                 runner, base.bottom() - deck.bottom()));

    for (int i = 0; i < ALayout.SideBands.size(); ++i) {
        const QRectF& band = ALayout.SideBands[i];
        const QColor fill = BandFill[i % 2];
        APainter.setPen(Qt::NoPen);
        APainter.setBrush(fill);
        APainter.drawRect(band);
        // A faint line between sheets where they are far enough apart to tell.
        if (ALayout.RowPitch >= 3) {
            QList<QLineF> rows;
            for (double y = band.bottom() - ALayout.RowPitch; y > band.top() + 0.5;
                 y -= ALayout.RowPitch)
                rows << QLineF(band.left(), y, band.right(), y);
            APainter.setPen(QPen(fill.darker(115), 0.5));
            APainter.drawLines(rows);
        }
        APainter.setPen(QPen(Ink, 0.8));
        APainter.setBrush(Qt::NoBrush);
        APainter.drawRect(band);
        APainter.setPen(QPen(Ink.lighter(180), 0.6));
        APainter.drawLine(ALayout.Leaders[i]);
        APainter.setPen(Ink);
        APainter.drawText(
            ALayout.BandLabels[i], Qt::AlignLeft | Qt::AlignVCenter,
            fm.elidedText(FStack.Bands[i].Label(), Qt::ElideRight, ALayout.BandLabels[i].width()));
    }
    if (FStack.IsEmpty()) {
        APainter.setPen(Ink);
        APainter.drawText(
            QRectF(base.left(), base.top() - 2 * fm.height(), base.width(), fm.height()),
            Qt::AlignCenter, QStringLiteral("нет листов"));
    }

    if (!ALayout.OverLimit.isEmpty()) {
        APainter.setPen(QPen(Alarm, 1.2));
        APainter.setBrush(QBrush(Alarm, Qt::BDiagPattern));
        APainter.drawRect(ALayout.OverLimit);
    }
    if (!ALayout.HeavyMark.isEmpty()) {
        APainter.setPen(QPen(Alarm, 1.6, Qt::DashLine));
        APainter.setBrush(Qt::NoBrush);
        APainter.drawRect(ALayout.HeavyMark);
    }
    if (ALayout.LimitY) {
        const double y = *ALayout.LimitY;
        const double left = std::min(base.left(), ALayout.SideView.left());
        const double right = ALayout.SideBands.isEmpty()
                                 ? base.right()
                                 : std::max(base.right(), Bounds(ALayout.SideBands).right());
        APainter.setPen(QPen(FStack.TooTall() ? Alarm : Ink, 1.0, Qt::DashLine));
        APainter.drawLine(QLineF(left, y, right, y));
        APainter.drawText(QRectF(left, y - fm.height(), right - left, fm.height()),
                          Qt::AlignLeft | Qt::AlignBottom,
                          QStringLiteral("предел %1").arg(FStack.RowLimit));
    }
    if (!ALayout.ColourCode.isEmpty()) {
        APainter.setPen(QPen(Ink, 0.8));
        APainter.setBrush(Qt::white);
        APainter.drawRect(ALayout.ColourCode);
        APainter.drawText(ALayout.ColourCode, Qt::AlignCenter, FStack.ColourCode);
    }
}

void TStackDrawing::PaintTop(QPainter& APainter, const TLayout& ALayout) const {
    APainter.setPen(Ink);
    const double lh = QFontMetricsF(FFont).height();
    for (int i = 0; i < ALayout.TopCaption.size(); ++i)
        APainter.drawText(QRectF(ALayout.TopView.left(), ALayout.TopView.top() + i * lh,
                                 ALayout.TopView.width(), lh),
                          Qt::AlignLeft | Qt::AlignTop, ALayout.TopCaption.at(i));
    // The deck shows a little round the layers, so a layer as large as the pallet is
    // still seen to lie on it.
    APainter.setPen(QPen(Wood.darker(160), 0.8));
    APainter.setBrush(Wood);
    APainter.drawRect(ALayout.TopPallet.adjusted(-3, -3, 3, 3));
    APainter.setBrush(Wood.lighter(125));
    APainter.drawRect(ALayout.TopPallet);
    // Layers bottom up, each hiding what it covers; then every outline, so a smaller
    // layer under a larger one is still there to see.
    for (int i = 0; i < ALayout.TopBands.size(); ++i) {
        APainter.setPen(Qt::NoPen);
        APainter.setBrush(BandFill[i % 2]);
        APainter.drawRect(ALayout.TopBands[i]);
    }
    for (int i = 0; i < ALayout.TopBands.size(); ++i) {
        const QRectF& band = ALayout.TopBands[i];
        const TStackBand& b = FStack.Bands[i];
        APainter.setPen(QPen(Ink, 0.8));
        APainter.setBrush(Qt::NoBrush);
        APainter.drawRect(band);
        // Where the sheets of a layer meet.
        QList<QLineF> joints;
        const int abreast = std::max(1, b.SheetsAbreast);
        for (int k = 1; k < abreast; ++k) {
            const double y = band.top() + band.height() * k / abreast;
            joints << QLineF(band.left(), y, band.right(), y);
        }
        APainter.setPen(QPen(Ink, 0.5, Qt::DotLine));
        APainter.drawLines(joints);
    }
}
