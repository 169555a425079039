#pragma once

#include <QString>

class QLabel;
class QLayout;
class QWidget;

// What the parts of the main window share in their look.
namespace WindowParts {

// A bold caption above a grid.
QLabel* Caption(const QString& AText, const QString& AName, QWidget* AParent);
// A grid with its caption row above it.
QWidget* GridBox(QWidget* AParent, QLayout* ACaptionRow, QWidget* AGrid);

} // namespace WindowParts
