#include "ShippingNoteReader.h"

#include "DataModule.h"
#include "Errors.h"
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

QList<TShippingNote> TShippingNoteReader::Read(const TExportSelection& ASelection,
                                               bool ASinglePallet) const {
    const QVariant order = SqlRun::KeyValue(ASelection.OrderId);
    if (order.isNull())
        throw EGravelonError(QStringLiteral("Не выбрана заявка"));
    const TLayoutStatements statements(FData);
    const QString summary = statements.OrderSummary(order);
    const TLimits limits = Limits(order);

    QList<TShippingNote> notes;
    if (ASinglePallet) {
        bool ok = false;
        const int number = ASelection.PalletNumberText.trimmed().toInt(&ok);
        if (!ok)
            throw EGravelonError(QStringLiteral("Номер поддона «%1» не является целым числом")
                                     .arg(ASelection.PalletNumberText));
        notes << Note(order, SqlRun::KeyValue(ASelection.PalletId), number, summary, limits);
        return notes;
    }
    FData.OpenPalletesfromExcel(order);
    QList<QVariant> pallets;
    const TStaticQueryModel* list = FData.QPalletesfromExcel;
    for (int row = 0; row < list->RowCount(); ++row)
        pallets << list->Value(row, QStringLiteral("id"));
    notes.reserve(pallets.size());
    int number = 0;
    for (const QVariant& pallet : pallets)
        notes << Note(order, pallet, ++number, summary, limits);
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

TShippingNote TShippingNoteReader::Note(const QVariant& AOrder, const QVariant& APallet,
                                        int ANumber, const QString& ASummary,
                                        const TLimits& ALimits) const {
    TShippingNote note;
    note.Number = ANumber;
    note.OrderSummary = ASummary;
    // A pallet that is no longer the order's leaves the header empty and the table
    // bare, as the workbook's block does.
    TLayoutHeader header;
    TLayoutStatements(FData).BlockHeader(AOrder, APallet, &header);
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

    // The contents statement's own values: texts for the table, numbers for the totals
    // and the stack, so nothing is parsed back from locale-formatted text.
    static const char* const Columns[TLayoutStatements::ContentsColumns] = {
        "L", "B", "Height", "Quantity", "QtyInRow", "QtyInRow2", "Comment"};
    const QVariant pallet = SqlRun::KeyValue(APallet);
    const QList<QSqlRecord> rows =
        FData.OpenSql(TLayoutStatements::ContentsSql(), {{QStringLiteral(":apid1"), AOrder},
                                                         {QStringLiteral(":apid2"), AOrder},
                                                         {QStringLiteral(":pdid1"), pallet},
                                                         {QStringLiteral(":pdid2"), pallet}});
    double area = 0;
    for (const QSqlRecord& r : rows) {
        QStringList cells;
        for (const char* c : Columns)
            cells << TLayoutStatements::CellText(Column(r, c));
        const QVariant rowArea = Column(r, "QtyInRow");
        if (IsNull(rowArea))
            throw EGravelonError(
                QStringLiteral("У позиции %1 × %2 поддона %3 не указано количество листов")
                    .arg(cells.at(TLayoutStatements::L), cells.at(TLayoutStatements::B))
                    .arg(ANumber));
        note.QuantityTotal += Column(r, "Quantity").toDouble();
        area += rowArea.toDouble();
        note.Table << cells;

        TStackBand band;
        band.Length = Column(r, "L").toInt();
        band.SheetWidth = Column(r, "B").toInt();
        band.SheetsAbreast = std::max(1, Column(r, "QtyInRow2").toInt());
        band.Sheets = Column(r, "Quantity").toInt();
        stack.Bands << band;
    }
    // Each row's area has one decimal; their sum must not show a binary tail.
    note.AreaTotal = std::round(area * 10) / 10;
    return note;
}
