#pragma once

#include <QString>

// How a cell's value becomes the text the order reader works with, the same for
// every workbook format: a whole number without a decimal part ("1200"), a fraction
// in its shortest form with the decimal comma of the Russian locale ("12,5"), so a
// fraction is never mistaken for a whole number.
namespace CellText {

QString Number(double AValue);
QString Boolean(bool AValue);

} // namespace CellText
