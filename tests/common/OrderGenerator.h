#pragma once

#include "SqlDialect.h"

#include <QSqlDatabase>
#include <QString>
#include <optional>
#include <vector>

// Orders made from a seed, for comparing the calculations and for measuring them: the
// same seed always gives the same order, the same limits and the same state of the key
// generators, so one order picked out of thousands can be run again on its own.
namespace OrderGenerator {

struct TPosition {
    qint64 Width = 0;  // the sheet's length, mm
    qint64 Height = 0; // the sheet's width, mm: decides the sheets a row
    qint64 ColorId = 1;
    qint64 Quantity = 1;
    QString Comment; // null for NULL
};

struct TOrder {
    QString Number;
    std::optional<double> MaxW;
    std::vector<TPosition> Positions;
    // The material: its figures are TCase::Weight1m2 and MaxH, or with 1 those of
    // SecondWeight1m2 and SecondMaxH.
    int Material = 0;
};

// What a generated case holds: one or more orders in the working tables, their
// materials' figures, the key generators' state before the run and the pass limit the
// run is given.
struct TCase {
    quint32 Seed = 0;
    QString Kind; // which family of cases it belongs to, for messages
    std::optional<double> Weight1m2;
    std::optional<qint64> MaxH;
    std::optional<double> SecondWeight1m2;
    std::optional<qint64> SecondMaxH;
    std::vector<TOrder> Orders;
    // The last key each working table handed out before the order was stored (0: none
    // yet, as in a new database). Orders: Applicates, ApplicatePositions, Palletes,
    // Solutions.
    qint64 LastKeys[4] = {0, 0, 0, 0};
    int PassLimit = 1000;

    int PositionCount() const;
};

// A case of the mixed families the differential test runs: mostly small orders (sizes at
// the sheets-per-row borders, quantities 1, odd and large, 1-12 colours, low and high
// stack limits, weight limits just above a sheet or a few, no stack limit at all with a
// low pass limit, orders the calculation refuses, two orders at once), now and then a
// larger one.
TCase Mixed(quint32 ASeed);

// A workshop's order of APositions positions, as the benchmark measures it: 3-6
// colours, sheets 1200-3600 mm long and 190-1500 mm wide, mostly a handful of sheets a
// position and now and then up to 200, a pallet limit of 800-1500 kg, a reference
// material's figures.
TCase Workshop(quint32 ASeed, int APositions);

// One position of ASheets sheets of 3000x1200 mm, pallet limit 1000 kg.
TCase SinglePosition(qint64 ASheets);

// Replaces the working tables' contents by the case: clears them, sets the key
// generators to the case's state, stores its materials' figures (in two material rows
// kept for the purpose), its orders and positions. One transaction; raises
// EGravelonError on failure.
void Store(const QSqlDatabase& AConnection, const TSqlDialect& ADialect, const TCase& ACase);

} // namespace OrderGenerator
