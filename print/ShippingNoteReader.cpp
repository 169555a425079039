#include "ShippingNoteReader.h"

#include "DataModule.h"
#include "Errors.h"
#include "LayoutBlocks.h"
#include "LayoutExport.h"
#include "LayoutStatements.h"
#include "SqlRun.h"

#include <QSqlRecord>
#include <cmath>

namespace {

const char* const LimitsHalf = "select a.MaxW MaxW, m.MaxH MaxH, m.Weight1m2 Weight1m2 "
                               "from %1 a left join Materials m on m.ID = a.MatID where a.ID = %2";

QVariant Column(const QSqlRecord& ARecord, const char* AName) {
    const int i = ARecord.indexOf(QLatin1String(AName));
    return i < 0 ? QVariant() : ARecord.value(i);
}

bool IsNull(const QVariant& AValue) {
    return !AValue.isValid() || AValue.isNull();
}

} // namespace

TShippingNoteReader::TShippingNoteReader(TDataModule& AData) : FData(AData) {}

QString TShippingNoteReader::LimitsSql() {
    return QString::fromLatin1(LimitsHalf)
               .arg(QStringLiteral("Applicates"), QStringLiteral(":a1")) +
           QStringLiteral(" union all ") +
           QString::fromLatin1(LimitsHalf)
               .arg(QStringLiteral("Applicates_archive"), QStringLiteral(":a2"));
}

void TShippingNoteReader::RequireShownPallets(const QList<qlonglong>& APallets) {
    FShownPallets = APallets;
}

QList<TShippingNote> TShippingNoteReader::Read(const TExportSelection& ASelection,
                                               bool ASinglePallet) const {
    const QVariant order = SqlRun::KeyValue(ASelection.OrderId);
    if (order.isNull())
        throw EGravelonError(QStringLiteral("Не выбрана заявка"));
    // One state of the database for every note: a calculation committed on another
    // workstation meanwhile never shows half way. Nothing is written.
    TTransaction snapshot(FData.Connection(), FData.Dialect(), TTransactionKind::Read);
    const QList<qlonglong> inOrder =
        FShownPallets ? TLayoutExport::RequirePallets(FData, order, *FShownPallets,
                                                      ASinglePallet, ASelection.PalletId)
                      : QList<qlonglong>();
    const QString summary = TLayoutStatements(FData).OrderSummary(order);
    const TLimits limits = Limits(order);

    QList<TShippingNote> notes;
    if (ASinglePallet) {
        const int number = TLayoutExport::SelectedNumber(ASelection);
        const TLayoutBlocks blocks(FData, order, ASelection.PalletId);
        notes << Note(blocks.Block(ASelection.PalletId), ASelection.PalletId, number, summary,
                      limits);
        snapshot.Commit();
        return notes;
    }
    // The check above has just read the pallet list, in this same snapshot.
    QList<QVariant> pallets;
    for (qlonglong id : FShownPallets ? inOrder : FData.PalletIds(order))
        pallets << id;
    const TLayoutBlocks blocks(FData, order);
    notes.reserve(pallets.size());
    int number = 0;
    for (const QVariant& pallet : pallets)
        notes << Note(blocks.Block(pallet), pallet, ++number, summary, limits);
    snapshot.Commit();
    return notes;
}

TShippingNoteReader::TLimits TShippingNoteReader::Limits(const QVariant& AOrder) const {
    TLimits limits;
    const QList<QSqlRecord> rows = FData.OpenSql(
        LimitsSql(), {{QStringLiteral(":a1"), AOrder}, {QStringLiteral(":a2"), AOrder}});
    if (rows.isEmpty())
        return limits;
    const QSqlRecord& r = rows.first();
    const QVariant maxW = Column(r, "MaxW");
    if (!IsNull(maxW))
        limits.MaxW = maxW.toDouble();
    limits.MaxH = Column(r, "MaxH").toInt();
    limits.Weight1m2 = Column(r, "Weight1m2").toDouble();
    return limits;
}

TShippingNote TShippingNoteReader::Note(const TLayoutBlock& ABlock, const QVariant& APallet,
                                        int ANumber, const QString& ASummary,
                                        const TLimits& ALimits) {
    TShippingNote note;
    if (ABlock.Found)
        note.PalletId = SqlRun::KeyValue(APallet).toLongLong();
    note.Number = ANumber;
    note.OrderSummary = ASummary;
    // A pallet that is no longer the order's leaves the header empty and the table
    // bare, as the workbook's block does.
    const TLayoutHeader& header = ABlock.Header;
    note.OrderNumber = header.OrderNumber;
    note.PalletSize = header.Length + QStringLiteral(" * ") + header.Width;
    note.Consignee = header.Name2;
    note.ColourCode = header.ClrCode;
    note.ColourName = header.ClrName;

    TPalletStack& stack = note.Stack;
    stack.PalletLength = header.Length.toInt();
    stack.PalletWidth = header.Width.toInt();
    stack.ColourCode = header.ClrCode;
    stack.ColourName = header.ClrName;
    stack.RowLimit = ALimits.MaxH;
    stack.WeightLimit = ALimits.MaxW;
    stack.Weight1m2 = ALimits.Weight1m2;

    // The table as the workbook writes it; the totals and the stack from the contents
    // statement's own values, so nothing is parsed back from locale-formatted text.
    note.Table = ABlock.Table;
    double area = 0;
    for (qsizetype i = 0; i < ABlock.Values.size(); ++i) {
        const QVariantList& v = ABlock.Values[i];
        const QVariant rowArea = v[TLayoutStatements::Area];
        if (IsNull(rowArea))
            throw EGravelonError(
                QStringLiteral("У позиции %1 × %2 поддона %3 не указано количество листов")
                    .arg(ABlock.Table[i].at(TLayoutStatements::L),
                         ABlock.Table[i].at(TLayoutStatements::B))
                    .arg(ANumber));
        note.QuantityTotal += v[TLayoutStatements::Quantity].toDouble();
        area += rowArea.toDouble();

        TStackBand band;
        band.Length = v[TLayoutStatements::L].toInt();
        band.SheetWidth = v[TLayoutStatements::B].toInt();
        band.SheetsAbreast = std::max(1, v[TLayoutStatements::QtyInRow2].toInt());
        band.Sheets = v[TLayoutStatements::Quantity].toInt();
        stack.Bands << band;
    }
    // Each row's area has one decimal; their sum must not show a binary tail.
    note.AreaTotal = std::round(area * 10) / 10;
    return note;
}
