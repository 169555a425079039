#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>

// The order in the working tables, as a command sees it inside its transaction. A
// command started from what a window shows checks here that it still acts on that
// order: another workstation may have replaced it in the meantime.
namespace WorkingOrder {

// Keys of the orders in the working tables, in key order (one, or none).
QList<qlonglong> Keys(const QSqlDatabase& ADb);

// The working order's key (the newest when, against the rule, there are several), or
// 0 when the working tables are empty.
qlonglong Id(const QSqlDatabase& ADb);

// Whether AOrder is in the working tables (not archived): only such an order can be
// calculated.
bool Holds(const QSqlDatabase& ADb, qlonglong AOrder);

// Throws EOrderChanged with AMessage unless the working tables hold the order
// AShownOrder and no other; with "Заявка N не найдена" when the order is not in the
// archive either.
void Require(const QSqlDatabase& ADb, qlonglong AShownOrder, const QString& AMessage);

// Whether any pallet of AOrder (working or archived) is marked loaded on a truck. A
// change that makes the order's pallets anew (the calculation, a move of sheets
// between pallets) makes their labels stale: it asks first, or is refused.
bool HasLoadedPallets(const QSqlDatabase& ADb, qlonglong AOrder);

// Throws ELoadedPallets, naming the order and how many of its pallets are loaded, when
// HasLoadedPallets; a change told to go on anyway (AReplace) instead removes the marks
// of the working order's pallets, which it is about to make anew. Run inside the
// change's write transaction, so no pallet is loaded between the check and the change.
void RequireNoLoadedPallets(const QSqlDatabase& ADb, qlonglong AOrder, bool AReplace);

} // namespace WorkingOrder
