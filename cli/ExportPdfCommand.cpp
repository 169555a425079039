// gravelon-cli export-pdf: the shipping notes of an order as a PDF, one note a page,
// exactly as "Сохранить PDF…" in the main window writes them.

#include "CliCommon.h"
#include "DataModule.h"
#include "Errors.h"
#include "ExportArgs.h"
#include "LayoutExport.h"
#include "SettingsLocation.h"
#include "ShippingNoteReader.h"
#include "ShippingNotesDocument.h"

namespace {

int CliExportPdf(TCliContext& AContext) {
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
        const TShippingNotesDocument document(
            TShippingNoteReader(data).Read(selection, args.HasPallet),
            GravelonSettings::ProgramFolder());
        document.SavePdf(args.File);
        AContext.Out << CliField(args.File) << "\n";
    } catch (const EGravelonError& e) {
        AContext.Err << QStringLiteral("Не удалось сохранить PDF: ") << e.Message() << "\n";
        return 1;
    }
    return 0;
}

const TCliRegistration Registration("export-pdf", CliExportPdf,
                                    "export-pdf FILE [--order ID] [--pallet ID]", true);

} // namespace
