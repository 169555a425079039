#include "CliCommon.h"
#include "DataModule.h"
#include "Errors.h"
#include "ExportArgs.h"

namespace {

// The pallet list of the main window for an order: what a script needs to pick a
// pallet for export or to check a calculation.
int CliPallets(TCliContext& AContext) {
    TExportArgs args;
    args.Order = CliOption(AContext.Args, QStringLiteral("--order"), &args.HasOrder);
    TDataModule data;
    if (!CliConnect(AContext, data))
        return 1;
    try {
        const qlonglong order = ResolveExportOrder(data, args);
        data.OpenPallets(order);
        const TStaticQueryModel* q = data.Pallets();
        // The keys name the grid's columns; "number" is the pallet's number on its note.
        TCliRecords records{{"number", "id", "length", "width", "colour", "colour_code",
                             "weight_kg", "height_sheets", "weight_load_percent",
                             "height_load_percent"},
                            {}};
        const QStringList columns = {"Number",  "id", "Length", "Width", "clrname",
                                     "clrcode", "W",  "h",      "wfill", "hfill"};
        for (int row = 0; row < q->RowCount(); ++row) {
            QVariantList values;
            for (const QString& c : columns)
                values << q->Value(row, c);
            records.Rows.append(values);
        }
        return CliPrintRecords(AContext, records) ? 0 : 2;
    } catch (const EGravelonError& e) {
        AContext.Err << e.Message() << "\n";
        return 1;
    }
}

const TCliRegistration Registration("pallets", CliPallets,
                                    "pallets [--order ID] [--format tsv|json]");

} // namespace
