#pragma once

#include <QList>
#include <QString>
#include <optional>

class TDataModule;

// A pallet's code, printed as Code 128 on its label and its shipping note: "GRV-" and
// the pallet's key. Keys are never reused and every calculation makes new pallets, so
// the label of a pallet that has been calculated anew is told from a current one.
namespace PalletCode {

QString Of(qlonglong APallet);
// The pallet key a scanned text names; nothing when it is not a pallet code. A
// scanner's trailing blanks and a lower-case prefix are taken.
std::optional<qlonglong> Parse(const QString& AText);

} // namespace PalletCode

// One pallet of an order on the way to the truck.
struct TDispatchPallet {
    qlonglong Id = 0;
    int Number = 0;      // its number in the pallet list and on the notes, 1, 2, …
    QString LoadedAt;    // "yyyy-MM-dd HH:mm:ss", empty while not loaded
    QString Workstation; // where it was scanned
    bool Loaded() const { return !LoadedAt.isEmpty(); }
};

// An order's pallets and which of them are loaded.
struct TDispatchOrder {
    qlonglong Id = 0; // 0: no order
    QString Number;
    QString Customer;
    QList<TDispatchPallet> Pallets; // in the pallet list's order

    int LoadedCount() const;
    // "Погружено 7 из 12".
    QString Counter() const;
    // The numbers of the pallets not loaded yet, in order.
    QList<int> NotLoaded() const;
    const TDispatchPallet* Pallet(qlonglong AId) const;
};

// What a scan did.
enum class TScanOutcome {
    Loaded,        // marked loaded now
    AlreadyLoaded, // was loaded before: nothing changed
    OtherOrder,    // a pallet of another order than the one being loaded: nothing changed
    Stale,         // a pallet that was, before its order was calculated anew
    Unknown        // not a pallet code of this database
};

struct TScanVerdict {
    TScanOutcome Outcome = TScanOutcome::Unknown;
    qlonglong Pallet = 0; // the key the code names, 0 when it names none
    int Number = 0;       // the pallet's number in its order, when it has one
    TDispatchOrder Order; // the scanned pallet's order (Loaded, AlreadyLoaded, OtherOrder)
    QString LoadedAt;     // AlreadyLoaded: when
    QString Message;      // what the operator is told, in Russian
    bool Refused() const {
        return Outcome == TScanOutcome::OtherOrder || Outcome == TScanOutcome::Stale ||
               Outcome == TScanOutcome::Unknown;
    }
};

// The dispatch at the gate: a scanned pallet code is checked against the plan and
// marked loaded, working and archived orders alike (a truck often leaves after the
// next order was imported). The window and gravelon-cli both go through here. A scan
// and an undo are one write transaction each, under the database-wide write lock every
// change takes, so two workstations scanning at once never lose or double a mark (and
// the table's unique pallet key would refuse a double anyway).
class TPalletDispatch {
public:
    // AWorkstation is stored with every mark; empty: this computer's name.
    explicit TPalletDispatch(TDataModule& AData, QString AWorkstation = QString());

    // Checks ACode and marks its pallet loaded. AExpectedOrder is the order being
    // loaded (0: any): a pallet of another one is refused. Refusals change nothing.
    TScanVerdict Scan(const QString& ACode, qlonglong AExpectedOrder = 0);
    // Takes the mark off: false when the pallet was not marked.
    bool Undo(qlonglong APallet);
    // The order's pallets and their marks; an order that does not exist has Id 0.
    TDispatchOrder Status(qlonglong AOrder);
    // The working order's key, 0 when none.
    qlonglong WorkingOrder();

    static QString ThisWorkstation();

private:
    TDispatchOrder ReadOrder(qlonglong AOrder);
    qlonglong OrderOf(qlonglong APallet);
    bool EverIssued(qlonglong APallet);

    TDataModule& FData;
    QString FWorkstation;
};
