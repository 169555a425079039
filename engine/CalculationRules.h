#pragma once

#include "PartRemark.h"

#include <QString>

// Rules both calculation engines share, so they cannot drift apart.
namespace CalculationRules {

// Stage loops that cannot make progress (a stack limit no sheet meets) end here quietly
// and the run goes on.
constexpr int DefaultPassLimit = 1000;

// The factor that turns millimetre by millimetre into square metres, as the database
// writes it in the weight statements.
constexpr double SquareMetresPerMm2 = 1e-6;

// Rows a stack of AQuantity sheets takes at APerRow sheets a row: a started row stands
// as high as a full one. The same integer expression as the database evaluates
// ((q + n - 1) / n, cut toward zero); no rows where the sheets per row are unknown.
inline qint64 StartedRows(qint64 AQuantity, qint64 APerRow) {
    return APerRow == 0 ? 0 : (AQuantity + APerRow - 1) / APerRow;
}

// The remark of a divided position, as the order's readers recognise it too.
using PartRemark::OwnWords;
using PartRemark::PartComment;
using PartRemark::SplitOff;
using PartRemark::SplitRemark;

} // namespace CalculationRules
