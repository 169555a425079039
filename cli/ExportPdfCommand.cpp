// gravelon-cli export-pdf: the shipping notes of an order as a PDF, one note a page,
// exactly as "Сохранить PDF…" in the main window writes them; and labels-pdf: the
// pallets' labels, one a page (or four to an A4 sheet when the settings say so), as
// "Этикетки…" prints them. Both read the notes the same way.

#include "CliCommon.h"
#include "DataModule.h"
#include "Errors.h"
#include "ExportArgs.h"
#include "IniFile.h"
#include "LayoutExport.h"
#include "PalletLabels.h"
#include "Settings.h"
#include "SettingsLocation.h"
#include "ShippingNoteReader.h"
#include "ShippingNotesDocument.h"

namespace {

enum class TPdfKind { Notes, Labels };

int WritePdf(TCliContext& AContext, TPdfKind AKind) {
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
        const TShippingNoteReader reader(data);
        if (AKind == TPdfKind::Notes) {
            TShippingNotesDocument(reader.Read(selection, args.HasPallet),
                                   GravelonSettings::ProgramFolder())
                .SavePdf(args.File);
        } else {
            const bool a4 = GravelonSettings::ReadLabelsOnA4(TIniFile(AContext.SettingsPath));
            TPalletLabelsDocument(TPalletLabel::Read(reader, data, selection, args.HasPallet),
                                  a4 ? TLabelPaper::A4Four : TLabelPaper::Label100x150)
                .SavePdf(args.File);
        }
        AContext.Out << CliField(args.File) << "\n";
    } catch (const EGravelonError& e) {
        AContext.Err << (AKind == TPdfKind::Notes
                             ? QStringLiteral("Не удалось сохранить PDF: ")
                             : QStringLiteral("Не удалось сохранить этикетки: "))
                     << e.Message() << "\n";
        return 1;
    }
    return 0;
}

int CliExportPdf(TCliContext& AContext) {
    return WritePdf(AContext, TPdfKind::Notes);
}

int CliLabelsPdf(TCliContext& AContext) {
    return WritePdf(AContext, TPdfKind::Labels);
}

const TCliRegistration Registration("export-pdf", CliExportPdf,
                                    "export-pdf FILE [--order ID] [--pallet ID]", true);
const TCliRegistration LabelsRegistration("labels-pdf", CliLabelsPdf,
                                          "labels-pdf FILE [--order ID] [--pallet ID]", true);

} // namespace
