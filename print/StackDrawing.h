#pragma once

#include "PalletStack.h"

#include <QFont>
#include <QLineF>
#include <QList>
#include <QRectF>
#include <QStringList>
#include <optional>

class QPainter;

// The side and top view of one pallet's stack, painted with QPainter on any device:
// the window's drawing beside the contents grid and the shipping note's under its
// table use this one class. The side view stands the layers on the pallet base bottom
// up in the order of the description, lengths to scale and heights in sheets against
// the stack limit; the top view shows each layer's footprint, length and width to one
// scale. Labels use ALabelFont, whose pixel size is taken in the painter's units.
class TStackDrawing {
public:
    // Where everything goes in a box; Paint() draws exactly this.
    struct TLayout {
        QRectF SideView;              // the side view's frame, caption included
        QRectF TopView;               // the top view's frame, caption included
        QStringList TopCaption;       // its caption, a line each, as it fits the frame
        QRectF Base;                  // the pallet under the stack, side view
        QList<QRectF> SideBands;      // one per band, bottom up
        QList<QRectF> TopBands;       // footprints, same order
        QRectF TopPallet;             // the pallet seen from above
        QList<QRectF> BandLabels;     // the labels' boxes beside the side view
        QList<QLineF> Leaders;        // from each band to its label
        double RowPitch = 0;          // one sheet's height in the side view
        std::optional<double> LimitY; // the stack limit line, side view
        QRectF OverLimit;             // the part of the stack above the limit; empty if none
        QRectF HeavyMark;             // around the stack when it is over the weight limit
        QRectF ColourCode;            // the colour code's box on the stack
        QRectF HeightLine;            // "Высота, листов: …"
        QRectF WeightLine;            // "Вес, кг: …"
    };

    explicit TStackDrawing(TPalletStack AStack, QFont ALabelFont = QFont());

    TLayout Layout(const QRectF& ABox) const;
    void Paint(QPainter& APainter, const QRectF& ABox) const;

    const TPalletStack& Stack() const { return FStack; }
    const QFont& LabelFont() const { return FFont; }

private:
    void PaintSide(QPainter& APainter, const TLayout& ALayout) const;
    void PaintTop(QPainter& APainter, const TLayout& ALayout) const;

    TPalletStack FStack;
    QFont FFont;
};
