#pragma once

#include "ShippingNote.h"

#include <QList>
#include <QVariant>

class TDataModule;
struct TExportSelection;

// Reads the shipping notes of an order from the database, with the statements of the
// layout export, so a printed note carries exactly what the workbook's block does:
// the selected pallet alone under the number its label shows, or every pallet of the
// order numbered 1, 2, 3 … in the pallet list's order. Each note also gets its stack
// with the order's weight limit and the material's stack limit.
class TShippingNoteReader {
public:
    explicit TShippingNoteReader(TDataModule& AData);

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
    TShippingNote Note(const QVariant& AOrder, const QVariant& APallet, int ANumber,
                       const QString& ASummary, const TLimits& ALimits) const;

    TDataModule& FData;
};
