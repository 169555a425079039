// gravelon-cli export: the layout workbook of an order, as the print commands of the
// main window write it, through the very same export.

#include "CliCommon.h"
#include "DataModule.h"
#include "Errors.h"
#include "ExportArgs.h"
#include "LayoutExport.h"
#include "SettingsLocation.h"
#include "SqlRun.h"

#include <QCoreApplication>

namespace {

int CliExport(TCliContext& AContext) {
    TExportArgs args;
    QString why;
    if (!ParseExportArgs(AContext.Args, &args, &why)) {
        AContext.Err << why << "\n";
        return 2;
    }
    TDataModule data;
    if (!CliConnect(AContext, data))
        return 1;

    TExportSelection selection;
    try {
        selection = ResolveExportSelection(data, args);
    } catch (const EGravelonError& e) {
        AContext.Err << e.Message() << "\n";
        return 1;
    }
    const TLayoutScope scope = args.HasPallet ? TLayoutScope::OnePallet : TLayoutScope::AllPallets;

    TExportCallbacks callbacks;
    QString failure;
    callbacks.ShowMessage = [&](TExportCallbacks::TMessageKind AKind, const QString& AText) {
        if (AKind == TExportCallbacks::TMessageKind::Plain)
            failure = AText;
    };
    TLayoutExport exporter(data, GravelonSettings::ProgramFolder(), callbacks);
    if (!exporter.ExportLayouts(args.File, scope, selection)) {
        AContext.Err << failure << "\n";
        return 1;
    }
    if (!exporter.Warning().isEmpty())
        AContext.Err << exporter.Warning() << "\n";
    AContext.Out << CliField(args.File) << "\n";
    return 0;
}

const TCliRegistration Registration("export", CliExport, "export FILE [--order ID] [--pallet ID]");

} // namespace
