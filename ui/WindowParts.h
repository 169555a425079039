#pragma once

#include <QLabel>
#include <QString>

class QHBoxLayout;
class QLayout;
class QWidget;

// A label that gives up width rather than widen its window: a text longer than its
// room ends in "…", whole in the tooltip.
class TElidedLabel : public QLabel {
public:
    using QLabel::QLabel;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* AEvent) override;
};

// What the parts of the main window share in their look.
namespace WindowParts {

// A bold caption above a grid.
QLabel* Caption(const QString& AText, const QString& AName, QWidget* AParent);
// A caption row: the fixed text AText (named ACaptionName), then a label the part fills
// (an order's or a pallet's number, named ALabelName) and room for buttons at the end.
QHBoxLayout* CaptionRow(QWidget* AParent, const QString& AText, const QString& ACaptionName,
                        const QString& ALabelName, QLabel** ALabel);
// A grid with its caption row above it.
QWidget* GridBox(QWidget* AParent, QLayout* ACaptionRow, QWidget* AGrid);

} // namespace WindowParts
