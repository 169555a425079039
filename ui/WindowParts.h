#pragma once

#include <QString>

class QHBoxLayout;
class QLabel;
class QLayout;
class QWidget;

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
