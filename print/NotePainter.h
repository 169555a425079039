#pragma once

#include <QFont>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QStringList>
#include <functional>

class QPainter;
struct TShippingNote;

// Lays one shipping note out on pages, in points: the block picture and the header
// lines, the contents table with its header repeated on every page it runs over, the
// totals, the stack drawing under the table and the signature lines. A note that does
// not fit on one page continues on the next, which ANewPage starts.
class TNotePainter {
public:
    TNotePainter(QPainter& APainter, const QRectF& APage, std::function<void()> ANewPage,
                 QImage APicture, QSizeF APictureSize);

    // Starts at the top of the current page; returns the pages it took.
    int Paint(const TShippingNote& ANote);

    static const QStringList TableHeader;

private:
    void NewPage(const TShippingNote& ANote);
    void Line(const QString& ALabel, const QString& AValue);
    void TableRow(const QStringList& ACells, bool AHeader);
    double RowHeight(const QStringList& ACells) const;
    QList<double> ColumnWidths() const;

    QPainter& FPainter;
    QRectF FPage;
    std::function<void()> FNewPage;
    QImage FPicture;
    QSizeF FPictureSize;
    QFont FTitle;
    QFont FText;
    QFont FBold;
    QFont FTable;
    QFont FDrawing;
    double FY = 0;
    int FPages = 0;
};
