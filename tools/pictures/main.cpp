// Paints the splash picture, the main window's banner and the program icon, or the
// program icon in the sizes of the desktop's icon theme.
// Usage: make_pictures OUTPUT_FOLDER | make_pictures --icons HICOLOR_FOLDER
#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

namespace {

// Colours of the sheets in the pictures: a few of the RAL shades the workshop paints.
const QColor SheetColours[] = {QColor(0xf4, 0xf4, 0xf0), QColor(0x9a, 0x9f, 0xa3),
                               QColor(0x38, 0x3e, 0x42), QColor(0xb0, 0x5a, 0x3c),
                               QColor(0x3d, 0x5a, 0x3c), QColor(0xe6, 0xd6, 0xb0)};

// A wooden pallet seen slightly from above, with a stack of coloured sheets on it.
// ABox is the space the drawing may take.
void DrawPalletStack(QPainter& APainter, const QRectF& ABox, int ASheets) {
    APainter.save();
    APainter.setRenderHint(QPainter::Antialiasing);
    const qreal w = ABox.width();
    const qreal h = ABox.height();
    const qreal depth = w * 0.18;   // how far the top face recedes
    const qreal palletH = h * 0.16; // height of the pallet itself
    const qreal sheetH = (h - palletH - depth) / ASheets;
    const qreal left = ABox.left();
    const qreal bottom = ABox.bottom();
    const qreal faceW = w - depth;

    auto box = [&](qreal ATop, qreal AHeight, const QColor& AColour) {
        const QPointF a(left, ATop + depth);
        const QPointF b(left + faceW, ATop + depth);
        const QPointF c(left + w, ATop);
        const QPointF d(left + depth, ATop);
        QPainterPath top;
        top.moveTo(a);
        top.lineTo(b);
        top.lineTo(c);
        top.lineTo(d);
        top.closeSubpath();
        QPainterPath front;
        front.addRect(QRectF(a, QSizeF(faceW, AHeight)));
        QPainterPath side;
        side.moveTo(b);
        side.lineTo(c);
        side.lineTo(c + QPointF(0, AHeight));
        side.lineTo(b + QPointF(0, AHeight));
        side.closeSubpath();
        const QPen edge(AColour.darker(170), 1.0);
        APainter.setPen(edge);
        APainter.setBrush(AColour);
        APainter.drawPath(front);
        APainter.setBrush(AColour.darker(125));
        APainter.drawPath(side);
        APainter.setBrush(AColour.lighter(112));
        APainter.drawPath(top);
    };

    // The pallet: three runners under a deck.
    const QColor wood(0xc8, 0x9b, 0x62);
    const qreal deckTop = bottom - palletH - depth;
    box(deckTop, palletH * 0.35, wood);
    const qreal runnerW = faceW * 0.16;
    for (int i = 0; i < 3; ++i) {
        const qreal x = left + i * (faceW - runnerW) / 2.0;
        const QRectF runner(x, deckTop + depth + palletH * 0.35, runnerW, palletH * 0.65);
        APainter.setPen(QPen(wood.darker(170), 1.0));
        APainter.setBrush(wood.darker(115));
        APainter.drawRect(runner);
    }
    // The sheets, bottom up, in bands of colour.
    for (int i = 0; i < ASheets; ++i) {
        const qreal top = deckTop - (i + 1) * sheetH;
        box(top, sheetH, SheetColours[(i / 3) % std::size(SheetColours)]);
    }
    APainter.restore();
}

QFont Font(int APixels, bool ABold) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(APixels);
    f.setBold(ABold);
    return f;
}

QImage Splash() {
    QImage img(990, 584, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bg(0, 0, 990, 584);
    bg.setColorAt(0.0, QColor(0x16, 0x2f, 0x4f));
    bg.setColorAt(1.0, QColor(0x2a, 0x6f, 0x97));
    p.fillRect(img.rect(), bg);
    // A faint drawing grid, as on a layout sheet.
    p.setPen(QPen(QColor(255, 255, 255, 18), 1));
    for (int x = 0; x < 990; x += 33)
        p.drawLine(x, 0, x, 584);
    for (int y = 0; y < 584; y += 33)
        p.drawLine(0, y, 990, y);

    DrawPalletStack(p, QRectF(590, 120, 330, 330), 15);

    p.setPen(Qt::white);
    p.setFont(Font(84, true));
    p.drawText(QRectF(60, 150, 560, 110), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Гравелон"));
    p.setFont(Font(26, false));
    p.setPen(QColor(0xdc, 0xe9, 0xf5));
    p.drawText(QRectF(64, 260, 540, 40), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("раскладка листов по поддонам"));
    p.setPen(QPen(QColor(0xf0, 0xa2, 0x02), 4));
    p.drawLine(64, 312, 300, 312);
    p.setFont(Font(17, false));
    p.setPen(QColor(0xc4, 0xd7, 0xe8));
    p.drawText(QRectF(64, 330, 520, 90), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
               QStringLiteral("Заявки на фиброцементные плиты, расчет поддонов\n"
                              "по весу и высоте, раскладки для отгрузки"));
    p.end();
    return img;
}

QImage Banner() {
    QImage img(960, 120, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bg(0, 0, 960, 0);
    bg.setColorAt(0.0, QColor(0x16, 0x2f, 0x4f));
    bg.setColorAt(0.7, QColor(0x2a, 0x6f, 0x97));
    bg.setColorAt(1.0, QColor(0x6d, 0xa9, 0xc9));
    p.fillRect(img.rect(), bg);
    DrawPalletStack(p, QRectF(22, 10, 100, 100), 9);
    p.setPen(Qt::white);
    p.setFont(Font(46, true));
    p.drawText(QRectF(150, 14, 420, 60), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Гравелон"));
    p.setFont(Font(18, false));
    p.setPen(QColor(0xdc, 0xe9, 0xf5));
    p.drawText(QRectF(152, 72, 600, 30), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("раскладка листов по поддонам"));
    p.setPen(QPen(QColor(0xf0, 0xa2, 0x02), 3));
    p.drawLine(152, 106, 330, 106);
    p.end();
    return img;
}

// The icon is drawn on a 64-pixel square and scaled as a drawing, so every size of
// the menu icon is the same picture, sharp, not a 64-pixel bitmap enlarged.
QImage Icon(int ASize = 64) {
    QImage img(ASize, ASize, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.scale(ASize / 64.0, ASize / 64.0);
    DrawPalletStack(p, QRectF(4, 4, 56, 56), 6);
    p.end();
    return img;
}

// The hicolor theme's folders: <folder>/<n>x<n>/apps/gravelon.png.
bool SaveThemeIcons(const QString& AFolder) {
    bool ok = true;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(AFolder).arg(size);
        ok = QDir().mkpath(dir) && Icon(size).save(dir + QStringLiteral("/gravelon.png"), "PNG") &&
             ok;
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc == 3 && QByteArray(argv[1]) == "--icons") {
        if (!SaveThemeIcons(QString::fromLocal8Bit(argv[2]))) {
            err << "cannot write the icons into " << argv[2] << "\n";
            return 1;
        }
        return 0;
    }
    if (argc != 2) {
        err << "usage: make_pictures OUTPUT_FOLDER | make_pictures --icons HICOLOR_FOLDER\n";
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    bool ok = Splash().save(dir + QStringLiteral("/gravelon_splash.png"), "PNG");
    ok = Banner().save(dir + QStringLiteral("/gravelon_banner.jpg"), "JPG", 90) && ok;
    ok = Icon().save(dir + QStringLiteral("/gravelon_icon.png"), "PNG") && ok;
    if (!ok) {
        err << "cannot write the pictures into " << dir << "\n";
        return 1;
    }
    return 0;
}
