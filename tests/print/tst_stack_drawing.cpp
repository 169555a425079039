// The stack drawing from hand-worked pallets: the layers' order bottom up, lengths and
// widths to scale, heights in sheets against the stack limit, the over-limit marks and
// the texts, checked on the coordinates of what is painted.
#include "PaintRecorder.h"
#include "StackDrawing.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLocale>
#include <QPainter>
#include <QTest>
#include <memory>

Q_DECLARE_METATYPE(TPalletStack)

namespace {

QFont LabelFont() {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(10);
    return f;
}

// 3000 × 1200 pallet, limit 50 sheets and 1000 kg, 16 kg/m²: ten sheets of
// 3000 × 1200 one abreast (10 rows) under seven of 1500 × 350 three abreast (3 rows).
TPalletStack TwoBands() {
    TPalletStack s;
    s.PalletLength = 3000;
    s.PalletWidth = 1200;
    s.ColourCode = QStringLiteral("RAL 7035");
    s.RowLimit = 50;
    s.WeightLimit = 1000;
    s.Weight1m2 = 16;
    s.Bands = {{3000, 1200, 1, 10}, {1500, 350, 3, 7}};
    return s;
}

// Over both limits: 15 + 10 rows against 20, 480 + 320 kg against 600.
TPalletStack OverLimits() {
    TPalletStack s;
    s.PalletLength = 2000;
    s.PalletWidth = 1000;
    s.ColourCode = QStringLiteral("RAL 9003");
    s.RowLimit = 20;
    s.WeightLimit = 600;
    s.Weight1m2 = 16;
    s.Bands = {{2000, 500, 2, 30}, {2000, 1000, 1, 10}};
    return s;
}

bool Near(double A, double B) {
    return std::abs(A - B) < 1e-6 * std::max(1.0, std::abs(B));
}

std::unique_ptr<TPaintRecorder> Painted(const TStackDrawing& ADrawing, const QRectF& ABox) {
    auto rec = std::make_unique<TPaintRecorder>(int(ABox.right()) + 10, int(ABox.bottom()) + 10);
    QPainter p(rec.get());
    ADrawing.Paint(p, ABox);
    p.end();
    return rec;
}

} // namespace

class TstStackDrawing : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void measures();
    void toScale_data();
    void toScale();
    void overLimits();
    void painted();
    void labelsKeepApart();
    void textsInsideBox_data();
    void textsInsideBox();
    void emptyAndUnknownLimits();
    void closingLimit_data();
    void closingLimit();
};

void TstStackDrawing::measures() {
    const TPalletStack s = TwoBands();
    QCOMPARE(s.Bands[0].Rows(), 10);
    QCOMPARE(s.Bands[1].Rows(), 3); // 7 sheets at 3 abreast stand 3 high
    QCOMPARE(s.Bands[1].RowWidth(), 1050);
    QCOMPARE(s.Rows(), 13);
    QVERIFY(Near(s.Weight(), 634.8));
    QVERIFY(!s.TooTall());
    QVERIFY(!s.TooHeavy());
    QCOMPARE(s.HeightText(), QStringLiteral("Высота, листов: 13 из 50 (26 %)"));
    QCOMPARE(s.WeightText(), QStringLiteral("Вес, кг: 634,8 из 1000 (63 %)"));
    QCOMPARE(s.Bands[1].Label(), QStringLiteral("1500×350 — 7 шт."));
    const TPalletStack o = OverLimits();
    QCOMPARE(o.Rows(), 25);
    QVERIFY(o.TooTall());
    QVERIFY(o.TooHeavy());
    QCOMPARE(o.HeightText(), QStringLiteral("Высота, листов: 25 из 20 (125 %) — выше предела"));
    QCOMPARE(o.WeightText(), QStringLiteral("Вес, кг: 800 из 600 (133 %) — тяжелее предела"));
}

void TstStackDrawing::toScale_data() {
    QTest::addColumn<QRectF>("box");
    QTest::newRow("wide, views side by side") << QRectF(10, 20, 900, 300);
    QTest::newRow("tall, views one above the other") << QRectF(0, 0, 320, 520);
}

void TstStackDrawing::toScale() {
    QFETCH(QRectF, box);
    const TStackDrawing drawing(TwoBands(), LabelFont());
    const TStackDrawing::TLayout l = drawing.Layout(box);
    if (box.width() > box.height())
        QVERIFY(l.SideView.right() < l.TopView.left());
    else
        QVERIFY(l.SideView.bottom() < l.TopView.top());
    QVERIFY(box.contains(l.SideView) && box.contains(l.TopView));

    // Bottom up in the order given: the first band stands on the pallet.
    QCOMPARE(l.SideBands.size(), 2);
    QVERIFY(Near(l.SideBands[0].bottom(), l.Base.top()));
    QVERIFY(Near(l.SideBands[1].bottom(), l.SideBands[0].top()));
    // Lengths to one scale with the pallet; heights in sheets.
    const double scale = l.Base.width() / 3000;
    QVERIFY(scale > 0);
    QVERIFY(Near(l.SideBands[0].width(), 3000 * scale));
    QVERIFY(Near(l.SideBands[1].width(), 1500 * scale));
    QVERIFY(Near(l.SideBands[1].center().x(), l.Base.center().x()));
    QVERIFY(l.RowPitch > 0);
    QVERIFY(Near(l.SideBands[0].height(), 10 * l.RowPitch));
    QVERIFY(Near(l.SideBands[1].height(), 3 * l.RowPitch));
    // The limit of 50 is the tallest thing and still inside the view.
    QVERIFY(l.LimitY.has_value());
    QVERIFY(Near(*l.LimitY, l.Base.top() - 50 * l.RowPitch));
    QVERIFY(*l.LimitY >= l.SideView.top());
    QVERIFY(l.OverLimit.isEmpty());
    QVERIFY(l.HeavyMark.isEmpty());
    QVERIFY(l.SideBands[0].contains(l.ColourCode.center()) ||
            l.SideBands[1].contains(l.ColourCode.center()));

    // From above: both sizes to one scale, centred on the pallet.
    QCOMPARE(l.TopBands.size(), 2);
    QVERIFY(l.TopView.contains(l.TopPallet));
    const double top = l.TopPallet.width() / 3000;
    QVERIFY(Near(l.TopPallet.height(), 1200 * top));
    QVERIFY(Near(l.TopBands[0].width(), 3000 * top));
    QVERIFY(Near(l.TopBands[0].height(), 1200 * top));
    QVERIFY(Near(l.TopBands[1].width(), 1500 * top));
    QVERIFY(Near(l.TopBands[1].height(), 1050 * top));
    QVERIFY(Near(l.TopBands[1].center().x(), l.TopPallet.center().x()));
    QVERIFY(Near(l.TopBands[1].center().y(), l.TopPallet.center().y()));
}

void TstStackDrawing::overLimits() {
    const TStackDrawing drawing(OverLimits(), LabelFont());
    const TStackDrawing::TLayout l = drawing.Layout(QRectF(0, 0, 800, 300));
    // 25 rows fill the view, the limit line stands at 20, the last five are marked.
    QVERIFY(Near(l.SideBands[1].top(), l.Base.top() - 25 * l.RowPitch));
    QVERIFY(l.SideBands[1].top() >= l.SideView.top());
    QVERIFY(Near(*l.LimitY, l.Base.top() - 20 * l.RowPitch));
    QVERIFY(Near(l.OverLimit.top(), l.SideBands[1].top()));
    QVERIFY(Near(l.OverLimit.bottom(), *l.LimitY));
    QVERIFY(Near(l.OverLimit.height(), 5 * l.RowPitch));
    QVERIFY(Near(l.OverLimit.width(), l.SideBands[0].width()));
    QVERIFY(l.HeavyMark.contains(l.SideBands[0]) && l.HeavyMark.contains(l.SideBands[1]));

    const auto painted = Painted(drawing, QRectF(0, 0, 800, 300));
    const TPaintRecorder& rec = *painted;
    bool hatched = false;
    for (const TPaintRecorder::TRect& r : rec.Rects)
        if (r.Brush.style() == Qt::BDiagPattern && Near(r.Rect.top(), l.OverLimit.top()) &&
            Near(r.Rect.bottom(), l.OverLimit.bottom()) &&
            Near(r.Rect.left(), l.OverLimit.left()) && Near(r.Rect.width(), l.OverLimit.width()))
            hatched = true;
    QVERIFY(hatched);
    const TPaintRecorder::TText height = rec.FindText(QStringLiteral("выше предела"));
    const TPaintRecorder::TText weight = rec.FindText(QStringLiteral("тяжелее предела"));
    QCOMPARE(height.Text, QStringLiteral("Высота, листов: 25 из 20 (125 %) — выше предела"));
    QCOMPARE(weight.Text, QStringLiteral("Вес, кг: 800 из 600 (133 %) — тяжелее предела"));
    QCOMPARE(height.Pen.color(), QColor(0xc0, 0x1c, 0x28));
    QCOMPARE(weight.Pen.color(), QColor(0xc0, 0x1c, 0x28));
    QVERIFY(!rec.FindText(QStringLiteral("предел 20")).Text.isEmpty());
}

void TstStackDrawing::painted() {
    const QRectF box(10, 20, 900, 300);
    const TStackDrawing drawing(TwoBands(), LabelFont());
    const TStackDrawing::TLayout l = drawing.Layout(box);
    const auto painted = Painted(drawing, box);
    const TPaintRecorder& rec = *painted;
    // What is painted is what the layout says, in the device's coordinates.
    for (const QRectF& r : l.SideBands)
        QVERIFY(rec.HasRect(r));
    for (const QRectF& r : l.TopBands)
        QVERIFY(rec.HasRect(r));
    QVERIFY(rec.HasRect(l.TopPallet));
    QVERIFY(rec.HasRect(l.ColourCode));
    // Each band's label level with its band, beside the stack.
    const QStringList labels = {QStringLiteral("3000×1200 — 10 шт."),
                                QStringLiteral("1500×350 — 7 шт.")};
    for (int i = 0; i < 2; ++i) {
        const TPaintRecorder::TText t = rec.FindText(labels[i]);
        QCOMPARE(t.Text, labels[i]);
        QVERIFY(t.Position.x() >= l.SideBands[0].right());
        QVERIFY2(t.Position.y() >= l.SideBands[i].top() &&
                     t.Position.y() <= l.SideBands[i].bottom() + 10,
                 qPrintable(QStringLiteral("label %1 at %2").arg(i).arg(t.Position.y())));
    }
    const TPaintRecorder::TText code = rec.FindText(QStringLiteral("RAL 7035"));
    QVERIFY(l.ColourCode.adjusted(-1, -1, 1, 1).contains(code.Position));
    QCOMPARE(rec.FindText(QStringLiteral("Высота")).Text,
             QStringLiteral("Высота, листов: 13 из 50 (26 %)"));
    QCOMPARE(rec.FindText(QStringLiteral("Вес")).Text,
             QStringLiteral("Вес, кг: 634,8 из 1000 (63 %)"));
    QVERIFY(rec.FindText(QStringLiteral("выше")).Text.isEmpty());
}

void TstStackDrawing::labelsKeepApart() {
    TPalletStack s = TwoBands();
    s.Bands.clear();
    for (int i = 0; i < 8; ++i)
        s.Bands << TStackBand{2000 + 100 * i, 400, 2, 2};
    const TStackDrawing::TLayout l = TStackDrawing(s, LabelFont()).Layout(QRectF(0, 0, 700, 260));
    QCOMPARE(l.BandLabels.size(), 8);
    for (int i = 0; i < l.BandLabels.size(); ++i) {
        QVERIFY(l.SideView.contains(l.BandLabels[i]));
        if (i > 0)
            QVERIFY2(l.BandLabels[i].bottom() <= l.BandLabels[i - 1].top() + 1e-9,
                     qPrintable(QStringLiteral("labels %1 and %2 overlap").arg(i - 1).arg(i)));
        // The leader runs from the band to its label.
        QVERIFY(Near(l.Leaders[i].p1().y(), l.SideBands[i].center().y()));
        QVERIFY(Near(l.Leaders[i].p2().y(), l.BandLabels[i].center().y()));
    }
}

void TstStackDrawing::textsInsideBox_data() {
    QTest::addColumn<QRectF>("box");
    QTest::addColumn<int>("captionLines");
    QTest::newRow("page") << QRectF(10, 20, 900, 300) << 1;
    // The window's drawing beside the contents grid at 1366×768: side by side, narrow.
    QTest::newRow("small screen") << QRectF(0, 0, 330, 150) << 2;
}

// Nothing runs past the box, whatever its width: the top view's caption wraps.
void TstStackDrawing::textsInsideBox() {
    QFETCH(QRectF, box);
    QFETCH(int, captionLines);
    const TStackDrawing drawing(TwoBands(), LabelFont());
    QCOMPARE(drawing.Layout(box).TopCaption.size(), captionLines);
    const auto painted = Painted(drawing, box);
    const QFontMetricsF fm(LabelFont());
    for (const TPaintRecorder::TText& t : painted->Texts)
        QVERIFY2(t.Position.x() + fm.horizontalAdvance(t.Text) <= box.right() + 0.5,
                 qPrintable(t.Text));
    QVERIFY(!painted->FindText(QStringLiteral("Вид сверху")).Text.isEmpty());
    QVERIFY(!painted->FindText(QStringLiteral("3000×1200 мм")).Text.isEmpty());
}

void TstStackDrawing::emptyAndUnknownLimits() {
    TPalletStack s;
    s.PalletLength = 2500;
    s.PalletWidth = 1200;
    const TStackDrawing drawing(s, LabelFont());
    const TStackDrawing::TLayout l = drawing.Layout(QRectF(0, 0, 600, 240));
    QVERIFY(l.SideBands.isEmpty());
    QVERIFY(!l.LimitY.has_value());
    QVERIFY(l.ColourCode.isEmpty());
    QVERIFY(l.Base.width() > 0);
    const auto painted = Painted(drawing, QRectF(0, 0, 600, 240));
    const TPaintRecorder& rec = *painted;
    QCOMPARE(rec.FindText(QStringLiteral("Высота")).Text,
             QStringLiteral("Высота, листов: 0 (предел не задан)"));
    QCOMPARE(rec.FindText(QStringLiteral("Вес")).Text,
             QStringLiteral("Вес, кг: 0 (предел не задан)"));
    QVERIFY(!rec.FindText(QStringLiteral("нет листов")).Text.isEmpty());
}

void TstStackDrawing::closingLimit_data() {
    QTest::addColumn<TPalletStack>("stack");
    QTest::addColumn<QString>("height");
    QTest::addColumn<QString>("weight");
    const auto limited = [](TPalletStack AStack, int ARows, std::optional<double> AWeight) {
        AStack.RowLimit = ARows;
        AStack.WeightLimit = AWeight;
        return AStack;
    };
    // Two bands: 13 rows, 634.8 kg.
    QTest::newRow("weight closes")
        << limited(TwoBands(), 50, 650) << QStringLiteral("Высота, листов: 13 из 50 (26 %)")
        << QStringLiteral("Вес, кг: 634,8 из 650 (98 %) — предел достигнут");
    QTest::newRow("height closes")
        << limited(TwoBands(), 14, 1000)
        << QStringLiteral("Высота, листов: 13 из 14 (93 %) — предел достигнут")
        << QStringLiteral("Вес, кг: 634,8 из 1000 (63 %)");
    // Half full: what was left of the colour, no limit reached.
    QTest::newRow("neither near")
        << limited(TwoBands(), 26, 1269.6) << QStringLiteral("Высота, листов: 13 из 26 (50 %)")
        << QStringLiteral("Вес, кг: 634,8 из 1269,6 (50 %)");
    QTest::newRow("both reached")
        << limited(TwoBands(), 13, 634.8)
        << QStringLiteral("Высота, листов: 13 из 13 (100 %) — предел достигнут")
        << QStringLiteral("Вес, кг: 634,8 из 634,8 (100 %) — предел достигнут");
    // Shares compared as shown: 92.9 % of the rows and 92.6 % of the weight both read 93 %.
    QTest::newRow("equal as shown")
        << limited(TwoBands(), 14, 685.5)
        << QStringLiteral("Высота, листов: 13 из 14 (93 %) — предел достигнут")
        << QStringLiteral("Вес, кг: 634,8 из 685,5 (93 %) — предел достигнут");
    QTest::newRow("no limit known") << limited(TwoBands(), 0, std::nullopt)
                                    << QStringLiteral("Высота, листов: 13 (предел не задан)")
                                    << QStringLiteral("Вес, кг: 634,8 (предел не задан)");
    QTest::newRow("only the height known")
        << limited(TwoBands(), 14, std::nullopt)
        << QStringLiteral("Высота, листов: 13 из 14 (93 %) — предел достигнут")
        << QStringLiteral("Вес, кг: 634,8 (предел не задан)");
    // A weight limit of 0 gives no share to compare.
    QTest::newRow("weight limit of 0")
        << limited(TwoBands(), 50, 0) << QStringLiteral("Высота, листов: 13 из 50 (26 %)")
        << QStringLiteral("Вес, кг: 634,8 из 0 — тяжелее предела");
    QTest::newRow("over both limits")
        << OverLimits() << QStringLiteral("Высота, листов: 25 из 20 (125 %) — выше предела")
        << QStringLiteral("Вес, кг: 800 из 600 (133 %) — тяжелее предела");
    // The overfull limit is the one named: the other line says nothing.
    QTest::newRow("over the weight only")
        << limited(TwoBands(), 50, 600) << QStringLiteral("Высота, листов: 13 из 50 (26 %)")
        << QStringLiteral("Вес, кг: 634,8 из 600 (106 %) — тяжелее предела");
    QTest::newRow("over the height only")
        << limited(TwoBands(), 12, 1000)
        << QStringLiteral("Высота, листов: 13 из 12 (108 %) — выше предела")
        << QStringLiteral("Вес, кг: 634,8 из 1000 (63 %)");
    TPalletStack empty = TwoBands();
    empty.Bands.clear();
    QTest::newRow("empty pallet") << empty << QStringLiteral("Высота, листов: 0 из 50 (0 %)")
                                  << QStringLiteral("Вес, кг: 0 из 1000 (0 %)");
}

// Each limit's share, and the remark naming the limit that closes the pallet or the one
// it is over, in the texts and on the drawing; only an overfull line is in alarm red.
void TstStackDrawing::closingLimit() {
    QFETCH(TPalletStack, stack);
    QFETCH(QString, height);
    QFETCH(QString, weight);
    QCOMPARE(stack.HeightText(), height);
    QCOMPARE(stack.WeightText(), weight);
    const auto painted = Painted(TStackDrawing(stack, LabelFont()), QRectF(0, 0, 900, 300));
    const TPaintRecorder::TText h = painted->FindText(QStringLiteral("Высота, листов"));
    const TPaintRecorder::TText w = painted->FindText(QStringLiteral("Вес, кг"));
    QCOMPARE(h.Text, height);
    QCOMPARE(w.Text, weight);
    const QColor alarm(0xc0, 0x1c, 0x28);
    QCOMPARE(h.Pen.color() == alarm, height.contains(QStringLiteral("выше предела")));
    QCOMPARE(w.Pen.color() == alarm, weight.contains(QStringLiteral("тяжелее предела")));
}

QTEST_MAIN(TstStackDrawing)
#include "tst_stack_drawing.moc"
