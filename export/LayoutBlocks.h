#pragma once

#include "LayoutStatements.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <QVariant>
#include <optional>

class TDataModule;

// One pallet's block as the layout statements give it: the header lines, and the
// contents rows both as the texts the sheet shows and as the database's values (in
// the columns of TLayoutStatements::TContentsColumn), for what is computed from them.
struct TLayoutBlock {
    bool Found = false; // false: the pallet is not one of the order's
    TLayoutHeader Header;
    QList<QStringList> Table;
    QList<QVariantList> Values;
};

// The blocks of an order's pallets, read in two statements whatever the number of
// pallets (the headers of all, then the contents of all), so a note of 500 pallets
// costs no more round trips than a note of one. Every block is what S2 and S3 give
// for that pallet alone: the workbook and the printed notes read through here, so
// they cannot differ.
class TLayoutBlocks {
public:
    // Every pallet's block; with AOnePallet set, that pallet's alone (the others then
    // read as not the order's).
    TLayoutBlocks(TDataModule& AData, const QVariant& AOrderKey,
                  std::optional<QVariant> AOnePallet = std::nullopt);

    // The pallet's block; a pallet that is not the order's has an empty header and a
    // bare table, as S2 and S3 answer for it.
    TLayoutBlock Block(const QVariant& APalletKey) const;

private:
    QHash<qlonglong, TLayoutBlock> FBlocks;
};
