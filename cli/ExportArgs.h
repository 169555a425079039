#pragma once

#include <QString>
#include <QStringList>

class TDataModule;
struct TExportSelection;

// The arguments the export commands share: FILE [--order ID] [--pallet ID].
struct TExportArgs {
    QString File;
    QString Order;
    QString Pallet;
    bool HasOrder = false;
    bool HasPallet = false;
};

// False, with the reason, when the arguments are not of that form.
bool ParseExportArgs(const QStringList& AArgs, TExportArgs* AOut, QString* AWhy);

// What the arguments select, as the print commands of the main window select it: the
// order given (working or archive tables) or the current order of the working tables,
// and with --pallet that pallet numbered as the pallet list numbers it. An order without
// pallets (not calculated yet) is refused: the tool writes no empty notes. Throws
// EGravelonError with a Russian message.
TExportSelection ResolveExportSelection(TDataModule& AData, const TExportArgs& AArgs);
