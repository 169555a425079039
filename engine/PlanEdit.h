#pragma once

#include "SqlDialect.h"

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

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
    bool Pinned = false;
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
    // Loaded pallets change with the plan: without this the move is refused
    // (ELoadedPallets); with it the marks of the two pallets go, as they no longer hold
    // what was loaded.
    bool AllowLoaded = false;
};

// An order's plan as its rows: the positions (parts included), the pallets holding its
// sheets, the placements, the pins and how the plan came about, keys and all. Undoing an
// edit puts one back.
struct TPlanSnapshot {
    QList<QVariantList> Positions;
    QList<QVariantList> Pallets;
    QList<QVariantList> Placements;
    QList<QVariantList> Pins;
    QList<QVariantList> Origin;
    bool operator==(const TPlanSnapshot&) const = default;
};

namespace PlanEdit {

// The pallets of AOrder (working or archived), in the list's order.
QList<TPlanPallet> Pallets(TDataModule& AData, qint64 AOrder);

// What a pallet holds, as text that changes whenever a row of it changes: compared
// with what a window showed, it tells an edit made elsewhere meanwhile.
QString Contents(TDataModule& AData, qint64 APallet);

// The position row a placement (Solutions.ID, as a contents row carries it) places.
qint64 PlacedPosition(TDataModule& AData, qint64 APlacement);

// Moves the sheets; throws EGravelonError with the reason in Russian (EOrderChanged
// when the pallets no longer hold what was seen). Returns the key of the pallet the
// sheets went to.
qint64 Move(TDataModule& AData, const TPlanMove& AMove);

// The working order AOrder's plan as it stands.
TPlanSnapshot Snapshot(TDataModule& AData, qint64 AOrder);
// Puts AOrder's plan back to ATo, in one transaction under the write lock, provided it
// is still AExpected; otherwise EOrderChanged and nothing written. Rows get back their
// keys; the key generators do not go back, so rows made later get new ones.
void Restore(TDataModule& AData, qint64 AOrder, const TPlanSnapshot& AExpected,
             const TPlanSnapshot& ATo);

// Pins or unpins the working order's pallet APallet: a recalculation leaves a pinned
// pallet exactly as it is. One transaction under the write lock.
void SetPinned(TDataModule& AData, qint64 AOrder, qint64 APallet, bool APinned);

// What a recalculation keeps: the pinned pallets with their placements and the position
// rows they place, keys and all.
struct TSetAside {
    TPlanSnapshot Rows;
    QHash<qint64, qint64> Roots; // each position row's customer's position, as it was
    bool Any() const { return !Rows.Pallets.isEmpty(); }
};
// Before a recalculation, inside its transaction: the pinned pallets of the working
// order are taken out with their rows, the rest of the plan goes and every position is
// whole again (the parts of a position that are not pinned join it), so the calculation
// packs what is left as it would a fresh order. Loaded pallets among the rest are refused
// unless AReplaceLoaded, which removes their marks.
TSetAside SetAside(const QSqlDatabase& ADb, bool AReplaceLoaded);
// After the calculation, inside the same transaction: the pinned rows back, unchanged but
// for a part's remark naming a row that joined its position again: it names the
// customer's position instead.
void PutBack(const QSqlDatabase& ADb, const TSqlDialect& ADialect, const TSetAside& ARows);
// Whether the working order has pallets pinned.
bool AnyPinned(const QSqlDatabase& ADb);

} // namespace PlanEdit
