#include "NotePainter.h"

#include "PalletBarcode.h"
#include "PalletDispatch.h"
#include "ShippingNote.h"
#include "StackDrawing.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>

namespace {

constexpr double LineHeight = 15;
constexpr double LabelColumn = 130; // where the header's values start
constexpr double CellPad = 3;
constexpr double SignatureBlock = 3 * 18 + 8;
// Less room than this under the totals and the drawing goes to the next page.
constexpr double DrawingMinimum = 170;
constexpr double DrawingMaximum = 300;
// The pallet's code at the top right of the head, its text under the bars.
constexpr double CodeWidth = 170;
constexpr double CodeBars = 36;
// Shares of the page width, in the order of the table's columns.
const double ColumnShares[] = {0.11, 0.11, 0.11, 0.09, 0.10, 0.14, 0.34};

const QString Blank = QStringLiteral("_____________");

QFont Font(int APixels, bool ABold = false) {
    // Sizes in the painter's units, which are points: the same on paper and in PDF.
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(APixels);
    f.setBold(ABold);
    return f;
}

QString Number(double AValue) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(AValue, 'f', QLocale::FloatingPointShortest);
}

} // namespace

const QStringList TNotePainter::TableHeader = {
    QStringLiteral("Длина"),      QStringLiteral("Ширина"), QStringLiteral("Толщина"),
    QStringLiteral("шт."),        QStringLiteral("м2"),     QStringLiteral("К-во в 1 ряду"),
    QStringLiteral("Комментарий")};

TNotePainter::TNotePainter(QPainter& APainter, const QRectF& APage, std::function<void()> ANewPage,
                           QImage APicture, QSizeF APictureSize)
    : FPainter(APainter), FPage(APage), FNewPage(std::move(ANewPage)),
      FPicture(std::move(APicture)), FPictureSize(APictureSize), FTitle(Font(14, true)),
      FText(Font(10)), FBold(Font(10, true)), FTable(Font(9)), FDrawing(Font(8)) {}

QList<double> TNotePainter::ColumnWidths() const {
    QList<double> widths;
    for (double share : ColumnShares)
        widths << FPage.width() * share;
    return widths;
}

double TNotePainter::RowHeight(const QStringList& ACells) const {
    const QFontMetricsF fm(FTable);
    const QList<double> widths = ColumnWidths();
    double h = LineHeight;
    for (int c = 0; c < ACells.size() && c < widths.size(); ++c) {
        const QRectF r = fm.boundingRect(QRectF(0, 0, widths[c] - 2 * CellPad, 1e6),
                                         Qt::TextWordWrap, ACells[c]);
        h = std::max(h, r.height() + 2 * CellPad);
    }
    return h;
}

void TNotePainter::TableRow(const QStringList& ACells, bool AHeader) {
    const QList<double> widths = ColumnWidths();
    const double h = RowHeight(ACells);
    double x = FPage.left();
    FPainter.setFont(FTable);
    for (int c = 0; c < widths.size(); ++c) {
        const QRectF cell(x, FY, widths[c], h);
        FPainter.setPen(QPen(Qt::black, 0.6));
        FPainter.setBrush(AHeader ? QColor(0xe8, 0xec, 0xf1) : QColor(Qt::white));
        FPainter.drawRect(cell);
        FPainter.setPen(Qt::black);
        if (c < ACells.size())
            FPainter.drawText(cell.adjusted(CellPad, CellPad, -CellPad, -CellPad),
                              Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, ACells[c]);
        x += widths[c];
    }
    FY += h;
}

void TNotePainter::Line(const QString& ALabel, const QString& AValue) {
    FPainter.setFont(FText);
    FPainter.setPen(Qt::black);
    FPainter.drawText(QRectF(FPage.left(), FY, LabelColumn, LineHeight),
                      Qt::AlignLeft | Qt::AlignVCenter, ALabel);
    FPainter.drawText(
        QRectF(FPage.left() + LabelColumn, FY, FPage.width() - LabelColumn, LineHeight),
        Qt::AlignLeft | Qt::AlignVCenter, AValue);
    FY += LineHeight;
}

void TNotePainter::NewPage(const TShippingNote& ANote) {
    FNewPage();
    ++FPages;
    FY = FPage.top();
    FPainter.setFont(FBold);
    FPainter.setPen(Qt::black);
    FPainter.drawText(QRectF(FPage.left(), FY, FPage.width(), LineHeight),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      QStringLiteral("Служебная записка № %1, Под.№ %2 (продолжение)")
                          .arg(ANote.OrderNumber)
                          .arg(ANote.Number));
    FY += LineHeight * 1.5;
}

int TNotePainter::Paint(const TShippingNote& ANote) {
    FPages = 1;
    FY = FPage.top();
    const double left = FPage.left();

    // Head: the picture, then the note's number and the pallet's size beside it.
    if (!FPicture.isNull())
        FPainter.drawImage(QRectF(QPointF(left, FY), FPictureSize), FPicture);
    const double textLeft = left + FPictureSize.width() + 12;
    double head = std::max(FPictureSize.height(), 20 + LineHeight);
    if (ANote.PalletId > 0) {
        const QString code = PalletCode::Of(ANote.PalletId);
        const QRectF bars(FPage.right() - CodeWidth, FY, CodeWidth, CodeBars);
        TPalletBarcode(code).Paint(FPainter, bars);
        FPainter.setPen(Qt::black);
        FPainter.setFont(FText);
        FPainter.drawText(QRectF(bars.left(), bars.bottom(), CodeWidth, LineHeight),
                          Qt::AlignHCenter | Qt::AlignVCenter, code);
        head = std::max(head, CodeBars + LineHeight);
    }
    FPainter.setPen(Qt::black);
    FPainter.setFont(FTitle);
    FPainter.drawText(QRectF(textLeft, FY, FPage.right() - textLeft, 20),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      QStringLiteral("Служебная записка № ") + ANote.OrderNumber);
    FPainter.setFont(FText);
    FPainter.drawText(QRectF(textLeft, FY + 20, FPage.right() - textLeft, LineHeight),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      QStringLiteral("Подд. ") + ANote.PalletSize);
    FY += head + 8;

    FPainter.setFont(FTitle);
    FPainter.drawText(QRectF(left, FY, LabelColumn, 20), Qt::AlignLeft | Qt::AlignVCenter,
                      QStringLiteral("Под.№ ") + QString::number(ANote.Number));
    FPainter.drawText(QRectF(left + LabelColumn, FY, FPage.width() - LabelColumn, 20),
                      Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Фиброцементные плиты"));
    FY += 26;
    Line(QStringLiteral("Грузоотправитель:"), QString());
    Line(QStringLiteral("Грузополучатель:"), ANote.Consignee);
    Line(QStringLiteral("Общий заказ:"), ANote.OrderSummary);
    Line(QStringLiteral("Дата изготовления:"), Blank);
    Line(QStringLiteral("Номер партии, смена:"), Blank);
    FY += LineHeight / 2;
    Line(QStringLiteral("Цвет"),
         ANote.ColourCode + QStringLiteral("  (") + ANote.ColourName + QLatin1Char(')'));
    FY += 4;

    // The table, its header again at the top of every page it continues on.
    const double bottom = FPage.bottom();
    TableRow(TableHeader, true);
    for (const QStringList& row : ANote.Table) {
        if (FY + RowHeight(row) > bottom - LineHeight) {
            NewPage(ANote);
            TableRow(TableHeader, true);
        }
        TableRow(row, false);
    }
    const QList<double> widths = ColumnWidths();
    FPainter.setFont(FBold);
    FPainter.setPen(Qt::black);
    double x = left;
    const double totalsY = FY + 2;
    FPainter.drawText(QRectF(x + CellPad, totalsY, widths[0] * 2, LineHeight),
                      Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("ИТОГО:"));
    for (int c = 0; c < 3; ++c)
        x += widths[c];
    FPainter.drawText(QRectF(x + CellPad, totalsY, widths[3], LineHeight),
                      Qt::AlignLeft | Qt::AlignVCenter, Number(ANote.QuantityTotal));
    FPainter.drawText(QRectF(x + widths[3] + CellPad, totalsY, widths[4], LineHeight),
                      Qt::AlignLeft | Qt::AlignVCenter, Number(ANote.AreaTotal));
    FY = totalsY + LineHeight + 10;

    // The stack under the table, with the signature lines below it.
    double room = bottom - FY - SignatureBlock - 8;
    if (room < DrawingMinimum) {
        NewPage(ANote);
        room = bottom - FY - SignatureBlock - 8;
    }
    const double height = std::min(room, DrawingMaximum);
    TStackDrawing(ANote.Stack, FDrawing).Paint(FPainter, QRectF(left, FY, FPage.width(), height));
    FY += height + 12;

    Line(QStringLiteral("Контроллер ОТКиЛ"), Blank);
    FY += 3;
    Line(QStringLiteral("Оператор:"), Blank);
    FY += 3;
    Line(QStringLiteral("Мастер:"), Blank);
    return FPages;
}
