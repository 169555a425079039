// gravelon-cli labels-pdf: the pallets' labels as a PDF, one a page (or four to an A4
// sheet when the settings say so), as "Этикетки…" in the main window prints them.

#include "CliCommon.h"
#include "DataModule.h"
#include "Errors.h"
#include "ExportArgs.h"
#include "IniFile.h"
#include "LayoutExport.h"
#include "PalletLabels.h"
#include "Settings.h"
#include "ShippingNoteReader.h"

namespace {

int CliLabelsPdf(TCliContext& AContext) {
    TExportArgs args;
    QString why;
    if (!ParseExportArgs(AContext.Args, &args, &why)) {
        AContext.Err << why << "\n";
        return 2;
    }
    TDataModule data;
    if (!CliConnect(AContext, data))
        return 1;
    try {
        const TExportSelection selection = ResolveExportSelection(data, args);
        const TLabelPaper paper = GravelonSettings::ReadLabelsOnA4(TIniFile(AContext.SettingsPath))
                                      ? TLabelPaper::A4Four
                                      : TLabelPaper::Label100x150;
        const TPalletLabelsDocument document(
            TPalletLabel::Read(TShippingNoteReader(data), data, selection, args.HasPallet), paper);
        document.SavePdf(args.File);
        AContext.Out << args.File << "\n";
    } catch (const EGravelonError& e) {
        AContext.Err << QStringLiteral("Не удалось сохранить этикетки: ") << e.Message() << "\n";
        return 1;
    }
    return 0;
}

const TCliRegistration Registration("labels-pdf", CliLabelsPdf,
                                    "labels-pdf FILE [--order ID] [--pallet ID]", true);

} // namespace
