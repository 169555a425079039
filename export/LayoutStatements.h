#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class TDataModule;

// The header lines of one layout block, as the texts written to the sheet.
struct TLayoutHeader {
    QString OrderNumber; // the order's number
    QString Length;      // the pallet's
    QString Width;
    QString Name2; // the consignee
    QString ClrCode;
    QString ClrName;
};

// The three statements of the layout export, run on the general-purpose query. Each
// unites the working and the archive tables, so an archived order exports the same
// way. Values reach the statements as bound parameters.
class TLayoutStatements {
public:
    // Columns of a contents row, in the order of the sheet's columns A to G.
    enum TContentsColumn { L, B, Height, Quantity, Area, QtyInRow2, Comment, ContentsColumns };

    explicit TLayoutStatements(TDataModule& AData);

    // S1: "<sheets> шт./ <area, two decimals> м2" of the whole order; empty for an
    // order without positions. The database writes it, the same on both backends.
    QString OrderSummary(const QVariant& AOrderKey) const;
    // S2: false, with AHeader left empty, when the pallet is not one of the order's.
    bool BlockHeader(const QVariant& AOrderKey, const QVariant& APalletKey,
                     TLayoutHeader* AHeader) const;
    // S3: the pallet's contents as cell texts, ordered by length x width x sheets per
    // row, then by placement.
    QList<QStringList> Contents(const QVariant& AOrderKey, const QVariant& APalletKey) const;

    static QString SummarySql();
    static QString HeaderSql();
    static QString ContentsSql();
    // S2 and S3 for every pallet of the order in one statement each (TLayoutBlocks):
    // the headers ordered by pallet, the contents rows of all pallets in S3's order,
    // each with its pallet's key (pid). AOnePallet: the headers of the pallet bound to
    // :ptno1 and :ptno2 alone.
    static QString HeadersSql(bool AOnePallet);
    static QString OrderContentsSql();

    // A database value as the text the sheet shows: NULL empty, numbers in the user's
    // locale without digit grouping and without needless decimals.
    static QString CellText(const QVariant& AValue);

private:
    TDataModule& FData;
};
