#include "LayoutBlocks.h"

#include "DataModule.h"
#include "SqlRun.h"

#include <QSqlRecord>

namespace {

QVariant Column(const QSqlRecord& ARecord, const QString& AName) {
    const int i = ARecord.indexOf(AName);
    return i < 0 ? QVariant() : ARecord.value(i);
}

QString Text(const QSqlRecord& ARecord, const QString& AName) {
    return TLayoutStatements::CellText(Column(ARecord, AName));
}

} // namespace

TLayoutBlocks::TLayoutBlocks(TDataModule& AData, const QVariant& AOrderKey,
                             std::optional<QVariant> AOnePallet) {
    const QVariant order = SqlRun::KeyValue(AOrderKey);
    QVariantMap headerKeys{{QStringLiteral(":apno1"), order}, {QStringLiteral(":apno2"), order}};
    QVariantMap contentsKeys{{QStringLiteral(":apid1"), order}, {QStringLiteral(":apid2"), order}};
    if (AOnePallet) {
        const QVariant pallet = SqlRun::KeyValue(*AOnePallet);
        headerKeys.insert(QStringLiteral(":ptno1"), pallet);
        headerKeys.insert(QStringLiteral(":ptno2"), pallet);
        contentsKeys.insert(QStringLiteral(":pdid1"), pallet);
        contentsKeys.insert(QStringLiteral(":pdid2"), pallet);
    }
    // A pallet in both the working and the archive tables keeps the first of its rows,
    // as S2 does.
    for (const QSqlRecord& r :
         AData.OpenSql(TLayoutStatements::HeadersSql(AOnePallet.has_value()), headerKeys)) {
        TLayoutBlock& block = FBlocks[Column(r, QStringLiteral("id")).toLongLong()];
        if (block.Found)
            continue;
        block.Found = true;
        TLayoutHeader& h = block.Header;
        h.OrderNumber = Text(r, QStringLiteral("OrderNumber"));
        h.Length = Text(r, QStringLiteral("Length"));
        h.Width = Text(r, QStringLiteral("Width"));
        h.Name2 = Text(r, QStringLiteral("Name2"));
        h.ClrCode = Text(r, QStringLiteral("clrcode"));
        h.ClrName = Text(r, QStringLiteral("clrname"));
    }

    static const char* const Columns[TLayoutStatements::ContentsColumns] = {
        "L", "B", "Height", "Quantity", "QtyInRow", "QtyInRow2", "Comment"};
    const QList<QSqlRecord> rows = AData.OpenSql(AOnePallet ? TLayoutStatements::ContentsSql()
                                                            : TLayoutStatements::OrderContentsSql(),
                                                 contentsKeys);
    if (rows.isEmpty())
        return;
    // Column positions once: the record of every row has the same fields.
    int at[TLayoutStatements::ContentsColumns];
    for (int c = 0; c < TLayoutStatements::ContentsColumns; ++c)
        at[c] = rows.first().indexOf(QLatin1String(Columns[c]));
    const int pid = rows.first().indexOf(QStringLiteral("pid"));
    for (const QSqlRecord& r : rows) {
        QStringList cells;
        QVariantList values;
        cells.reserve(TLayoutStatements::ContentsColumns);
        values.reserve(TLayoutStatements::ContentsColumns);
        for (int c : at) {
            const QVariant v = c < 0 ? QVariant() : r.value(c);
            cells << TLayoutStatements::CellText(v);
            values << v;
        }
        TLayoutBlock& block = FBlocks[r.value(pid).toLongLong()];
        block.Table << cells;
        block.Values << values;
    }
}

TLayoutBlock TLayoutBlocks::Block(const QVariant& APalletKey) const {
    const QVariant key = SqlRun::KeyValue(APalletKey);
    if (key.isNull())
        return {};
    return FBlocks.value(key.toLongLong());
}
