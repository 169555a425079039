#pragma once

// Sheets of a position standing side by side in one row of a pallet. Narrow sheets
// stand several abreast; a position never claims more places than it has sheets.
// Shared by the calculation and the embedded database's QtyInRow, so the grids and
// the calculation agree.
constexpr long long SheetsPerRowRule(long long AHeight, long long AQuantity) {
    long long n = 1;
    if (AHeight <= 300)
        n = 4;
    else if (AHeight <= 400)
        n = 3;
    else if (AHeight <= 750)
        n = 2;
    if (AQuantity > 0 && AQuantity < n)
        n = AQuantity;
    return n;
}
