#pragma once

#include "OrderFilter.h"
#include "OrderImport.h"

#include <QDate>
#include <QString>

class TDataModule;

// The "Новая заявка" command without its widgets. The main window runs, in order:
// disable the print buttons; ask for the file (FileFilter) and stop on cancel; with
// the wait cursor: show the file in the order-file field; Import(); when it stored the
// order, set the search date picker to LatestOrderDate(); OpenOrders(
// RefreshFilter(picker date)). The previous order is archived only together with
// storing the new one, once the New-order dialog is saved (see TStoreOrder), so a
// cancelled or failed import leaves it the working order. An EGravelonError from
// Import (a workbook that cannot be read) or the later steps is shown and ends the
// command.
class TNewOrderCommand {
public:
    explicit TNewOrderCommand(TDataModule& AData) : FData(AData) {}

    // Filter of the file dialog: workbooks first, then any file.
    static const QString FileFilter;

    // Reads, checks and stores the workbook (the New-order dialog comes through
    // AHooks.AskOrderHeader), archiving the previous order as it stores this one.
    TImportResult Import(const QString& AFileName, const TOrderImportHooks& AHooks);
    // The same for a workbook's values already read (the window reads on its worker).
    TImportResult ImportSheet(const TSheetValues& AValues, const TOrderImportHooks& AHooks);
    // Date of the newest order in the working table; invalid when it holds none
    // (the import stored nothing) or its date is empty.
    QDate LatestOrderDate() const;
    // The order list for the picker's day: working and archived orders.
    TOrderFilter RefreshFilter(const QDate& APickerDate) const;

private:
    TDataModule& FData;
};
