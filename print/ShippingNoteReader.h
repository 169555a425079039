#pragma once

#include "ShippingNote.h"

#include <QList>
#include <QVariant>
#include <optional>

class TDataModule;
struct TExportSelection;
struct TLayoutBlock;

// Reads the shipping notes of an order from the database through the layout export's
// reader (TLayoutBlocks), so a printed note carries exactly what the workbook's block
// does: the selected pallet alone under the number its label shows, or every pallet of
// the order numbered 1, 2, 3 … in the pallet list's order. Each note also gets its
// stack with the order's weight limit and the material's stack limit. Everything is
// read in one read-only transaction, in a handful of statements whatever the number of
// pallets.
class TShippingNoteReader {
public:
    explicit TShippingNoteReader(TDataModule& AData);

    // The pallets the window's pallet list shows for the order: once given, Read
    // refuses (EOrderChanged, TLayoutExport::OrderChangedMessage) an order that no
    // longer has exactly these pallets, or no longer the selected one, as the workbook
    // export does.
    void RequireShownPallets(const QList<qlonglong>& APallets);

    // Throws EGravelonError when nothing is selected, the label is not a number or a
    // statement fails.
    QList<TShippingNote> Read(const TExportSelection& ASelection, bool ASinglePallet) const;

    // The order's pallet weight limit and its material's stack limit and weight per m²,
    // from the working or the archive tables.
    static QString LimitsSql();

private:
    struct TLimits {
        std::optional<double> MaxW;
        int MaxH = 0;
        double Weight1m2 = 0;
    };
    TLimits Limits(const QVariant& AOrder) const;
    static TShippingNote Note(const TLayoutBlock& ABlock, const QVariant& APallet, int ANumber,
                              const QString& ASummary, const TLimits& ALimits);

    TDataModule& FData;
    std::optional<QList<qlonglong>> FShownPallets;
};
