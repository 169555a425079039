#pragma once

#include <QList>
#include <QString>

class TDataModule;

// Hand edits of a calculated plan: sheets of a pallet's row moved to another pallet of
// their colour or onto a new one. Every edit is checked against the same rules as the
// calculation (one colour a pallet, the order's weight limit, the material's stack
// limit in started rows) before it is committed, and is one transaction under the write
// lock: a refusal or a failure changes nothing.

// A pallet as the pallet list shows it.
struct TPlanPallet {
    int Number = 0; // the list's number: by colour code, then length and width
    qint64 Id = 0;
    QString ColourCode;
    qint64 Sheets = 0;
    qint64 Rows = 0;    // started rows, as the list's "Высота, листов"
    double Weight = 0;  // kg
};

struct TPlanMove {
    qint64 Order = 0;      // the order the operator sees
    qint64 FromPallet = 0; // pallet keys
    qint64 Position = 0;   // the position row (ApplicatePositions.ID) on that pallet
    qint64 Count = 0;      // sheets moved
    qint64 ToPallet = 0;   // 0: onto a new pallet
    // What the window showed of the two pallets (Contents); null when the caller read
    // nothing before (a script), so there is nothing to compare.
    QString SeenFrom;
    QString SeenTo;
};

namespace PlanEdit {

// The pallets of AOrder (working or archived), in the list's order.
QList<TPlanPallet> Pallets(TDataModule& AData, qint64 AOrder);

// What a pallet holds, as text that changes whenever a row of it changes: compared
// with what a window showed, it tells an edit made elsewhere meanwhile.
QString Contents(TDataModule& AData, qint64 APallet);

// Moves the sheets; throws EGravelonError with the reason in Russian (EOrderChanged
// when the pallets no longer hold what was seen). Returns the key of the pallet the
// sheets went to.
qint64 Move(TDataModule& AData, const TPlanMove& AMove);

} // namespace PlanEdit
