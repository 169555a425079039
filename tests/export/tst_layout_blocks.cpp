// The blocks of an order read in two statements (TLayoutBlocks), on both databases:
// every pallet's header and contents are exactly what the per-pallet statements give
// for it, in their order, for the working and the archive tables, for a pallet of
// another order, and for one pallet read alone.
#include "DataModule.h"
#include "ExportFixture.h"
#include "LayoutBlocks.h"
#include "LayoutStatements.h"
#include "TestDatabase.h"

#include <QDate>
#include <QLocale>
#include <QRandomGenerator>
#include <QTest>

namespace {

struct TOrderPallets {
    qlonglong Order = 0;
    QList<qlonglong> Pallets;
};

// An order of many pallets whose rows sort on ties: sizes from a small set, so rows of
// equal length × width × sheets abreast abound within a pallet and across pallets;
// some positions without a width, a height or a quantity; comments on some
// positions and some placements.
TOrderPallets Generated(TDataModule& AData, const QString& ANumber, quint32 ASeed) {
    QRandomGenerator random(ASeed);
    QList<TestDb::TPos> positions;
    struct TPlacement {
        int Pallet;
        int Position;
        int InRow;
        int Quantity;
        bool Comment;
    };
    QList<TPlacement> placements;
    constexpr int Pallets = 24;
    for (int p = 0; p < Pallets; ++p) {
        const int rows = 1 + int(random.bounded(7));
        for (int r = 0; r < rows; ++r) {
            const int quantity = 1 + int(random.bounded(6));
            placements.append({p, int(positions.size()), 1 + int(random.bounded(3)), quantity,
                               random.bounded(3) == 0});
            positions.append({1000 + 500 * qlonglong(random.bounded(3)),
                              300 + 200 * qlonglong(random.bounded(3)), 1 + p % 5, quantity,
                              random.bounded(2) == 0 ? QStringLiteral("к%1").arg(r) : QString()});
        }
    }
    QList<qlonglong> ids;
    TOrderPallets o;
    o.Order = TestDb::AddOrder(AData, ANumber, QDate(2024, 6, 3), 2, 900, positions, &ids);
    for (int p = 0; p < Pallets; ++p) {
        o.Pallets << TestDb::AddPallet(AData, 1 + p % 5);
        AData.ExecSql(
            QStringLiteral("update Palletes set Length = :l, Width = 1200 where ID = :id"),
            {{QStringLiteral(":l"), 2000 + 100 * p}, {QStringLiteral(":id"), o.Pallets[p]}});
    }
    // Placed in an order unlike the positions', so placement keys do not follow sizes.
    for (qsizetype i = placements.size() - 1; i >= 0; --i) {
        const TPlacement& t = placements[i];
        TestDb::AddSolution(AData, o.Order, ids[t.Position], o.Pallets[t.Pallet], t.InRow,
                            t.Quantity,
                            t.Comment ? QVariant(QStringLiteral("сверху")) : QVariant());
    }
    // Sizes and quantities the database does not know.
    const char* const Unknown[] = {"Width", "Height", "Quantity"};
    for (int k = 0; k < 3; ++k)
        AData.ExecSql(QStringLiteral("update ApplicatePositions set %1 = null where ID = :id")
                          .arg(QLatin1String(Unknown[k])),
                      {{QStringLiteral(":id"), ids[3 + 7 * k]}});
    return o;
}

void CompareWithStatements(TDataModule& AData, qlonglong AOrder, const QList<qlonglong>& APallets,
                           const QList<qlonglong>& AForeign) {
    const TLayoutStatements statements(AData);
    const TLayoutBlocks blocks(AData, AOrder);
    for (const qlonglong pallet : APallets + AForeign) {
        TLayoutHeader header;
        const bool found = statements.BlockHeader(AOrder, pallet, &header);
        const QList<QStringList> table = statements.Contents(AOrder, pallet);
        QCOMPARE(found, !AForeign.contains(pallet));
        for (const TLayoutBlock& b :
             {blocks.Block(pallet), TLayoutBlocks(AData, AOrder, pallet).Block(pallet)}) {
            QCOMPARE(b.Found, found);
            QCOMPARE(b.Header.OrderNumber, header.OrderNumber);
            QCOMPARE(b.Header.Length, header.Length);
            QCOMPARE(b.Header.Width, header.Width);
            QCOMPARE(b.Header.Name2, header.Name2);
            QCOMPARE(b.Header.ClrCode, header.ClrCode);
            QCOMPARE(b.Header.ClrName, header.ClrName);
            QCOMPARE(b.Table, table);
            // The values are those the texts were made from.
            QCOMPARE(b.Values.size(), b.Table.size());
            for (qsizetype r = 0; r < b.Values.size(); ++r) {
                QCOMPARE(b.Values[r].size(), qsizetype(TLayoutStatements::ContentsColumns));
                for (int c = 0; c < TLayoutStatements::ContentsColumns; ++c)
                    QCOMPARE(TLayoutStatements::CellText(b.Values[r][c]), b.Table[r][c]);
            }
        }
    }
    // Every pallet's rows in loading order, bottom first: the longest, then the widest
    // (sizes not known first); the window's contents grid lists them in the same order.
    for (const qlonglong pallet : APallets) {
        const TLayoutBlock b = blocks.Block(pallet);
        QList<QVariantList> sizes;
        for (const QVariantList& v : b.Values) {
            const QVariant width =
                v[TLayoutStatements::B].isNull() || v[TLayoutStatements::QtyInRow2].isNull()
                    ? QVariant()
                    : QVariant(v[TLayoutStatements::B].toLongLong() *
                               v[TLayoutStatements::QtyInRow2].toLongLong());
            sizes << QVariantList{v[TLayoutStatements::L], width};
        }
        const auto rank = [](const QVariant& A) {
            return A.isNull() ? std::pair<int, qlonglong>(0, 0) : std::pair(1, -A.toLongLong());
        };
        for (qsizetype r = 1; r < sizes.size(); ++r) {
            const auto before = std::pair(rank(sizes[r - 1][0]), rank(sizes[r - 1][1]));
            QVERIFY2(before <= std::pair(rank(sizes[r][0]), rank(sizes[r][1])),
                     qPrintable(QStringLiteral("pallet %1, row %2").arg(pallet).arg(r)));
        }
        AData.OpenPalletContents(AOrder, pallet);
        const TStaticQueryModel* grid = AData.PalletContents();
        QCOMPARE(grid->RowCount(), int(sizes.size()));
        const auto text = [](const QVariant& A) { return A.isNull() ? QString() : A.toString(); };
        for (int r = 0; r < grid->RowCount(); ++r) {
            QCOMPARE(text(grid->Value(r, QStringLiteral("L"))), text(sizes[r][0]));
            QCOMPARE(text(grid->Value(r, QStringLiteral("B"))), text(sizes[r][1]));
        }
    }
    // A pallet read alone leaves the others out.
    if (!APallets.isEmpty()) {
        const TLayoutBlocks one(AData, AOrder, APallets.first());
        for (qsizetype i = 1; i < APallets.size(); ++i)
            QVERIFY(!one.Block(APallets[i]).Found);
    }
    QVERIFY(!blocks.Block(QVariant()).Found);
}

} // namespace

class TstLayoutBlocks : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void sameAsPerPalletStatements_data() { TestDb::AddBackendRows(); }
    void sameAsPerPalletStatements();
};

void TstLayoutBlocks::sameAsPerPalletStatements() {
    GRAVELON_CONNECT(db);
    TDataModule& data = *db.Data;
    const TLayoutOrder fixture = ExportFixture::MakeOrder(data);
    const QList<qlonglong> fixturePallets = {fixture.P1, fixture.P2, fixture.P3};
    // The rows of pallet 3 as the workbook shows them, from the bottom of the stack:
    // 3000, then 1500 mm.
    QCOMPARE(TLayoutBlocks(data, fixture.Id).Block(fixture.P3).Table.value(1).value(0),
             QStringLiteral("1500"));
    CompareWithStatements(data, fixture.Id, fixturePallets, {999999});
    data.Archivation();
    const TOrderPallets generated = Generated(data, QStringLiteral("Г-24"), 7);
    // The archived order, read beside the working one, and each with the other's pallets.
    CompareWithStatements(data, fixture.Id, fixturePallets, generated.Pallets.mid(0, 3));
    CompareWithStatements(data, generated.Order, generated.Pallets, fixturePallets);
    data.Archivation();
    const TOrderPallets second = Generated(data, QStringLiteral("Г-25"), 11);
    CompareWithStatements(data, generated.Order, generated.Pallets, second.Pallets.mid(0, 2));
    CompareWithStatements(data, second.Order, second.Pallets, {});
}

QTEST_MAIN(TstLayoutBlocks)
#include "tst_layout_blocks.moc"
