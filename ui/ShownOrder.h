#pragma once

#include <QString>
#include <QVariant>

// The order whose details the window shows, as the order list has it: what the
// pallet panel prints and draws.
struct TShownOrder {
    QVariant Id;
    QVariant Date;
    QString Number;
    // The stack's limits drawn beside the contents.
    int RowLimit = 0;
    QVariant WeightLimit;
    double Weight1m2 = 0;
};
