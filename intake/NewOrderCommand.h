#pragma once

#include "OrderImport.h"

#include <QDate>
#include <QString>

class TDataModule;

// The "Новая заявка" command without its widgets. The main window runs, in order:
// disable the print buttons; ask for the file (FileFilter) and stop on cancel; with
// the wait cursor: Archive(); show the file in the order-file field; Import(); set the search
// date picker to LatestOrderDate() when it is valid; RefreshOrderList(
// RefreshCondition(picker date)). An EGravelonError from Archive, Import (a workbook
// that cannot be read) or the later steps is shown and ends the command.
class TNewOrderCommand {
public:
    explicit TNewOrderCommand(TDataModule& AData) : FData(AData) {}

    // Filter of the file dialog: workbooks first, then any file.
    static const QString FileFilter;

    // The current order moves to the archive; done before the workbook is read, so
    // it happens also when the import later fails.
    void Archive();
    // Reads, checks and stores the workbook (the New-order dialog comes through
    // AHooks.AskOrderHeader).
    TImportResult Import(const QString& AFileName, const TOrderImportHooks& AHooks);
    // Date of the newest order in the working table; invalid when it holds none
    // (the import stored nothing) or its date is empty.
    QDate LatestOrderDate() const;
    // The order list's condition for the picker's day: working and archived orders.
    QString RefreshCondition(const QDate& APickerDate) const;

private:
    TDataModule& FData;
};
