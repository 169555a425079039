// The dense packing: the bound on hand-worked orders, the packer's limits on generated
// positions, and on both databases a packing that keeps every sheet, every limit and
// every colour apart, never uses more pallets than the five-stage calculation, and
// refuses or stops without changing anything.

#include "CalculationRun.h"
#include "DensePacker.h"
#include "DensePackingEngine.h"
#include "EngineTestSupport.h"
#include "OrderGenerator.h"
#include "OrderModel.h"
#include "PalletBound.h"
#include "PlanVerdict.h"
#include "SheetsPerRow.h"

#include <QTest>
#include <array>
#include <map>

// Sheets of hand-worked positions: length, width, quantity.
using TSheets = QList<std::array<qint64, 3>>;
Q_DECLARE_METATYPE(TSheets)

namespace {

using EngineTest::CheckStored;
using EngineTest::Ordered;
using EngineTest::OrderValue;

// 1000 by 1000 mm at 14.4 kg a square metre weighs 14.4 kg: four sheets come within
// 60 kg, five do not.
const double FourSheets = 60.0;

// Puts the order back as it was before a run: no pallets, no parts, the quantities read.
void Restore(TDataModule& AData, const std::map<qlonglong, qlonglong>& AOrdered) {
    AData.ExecSql(QStringLiteral("delete from Solutions"));
    AData.ExecSql(QStringLiteral("delete from Palletes"));
    AData.ExecSql(QStringLiteral("delete from ApplicatePositions where ID > :id"),
                  {{QStringLiteral(":id"), AOrdered.rbegin()->first}});
    for (const auto& [id, q] : AOrdered)
        AData.ExecSql(QStringLiteral("update ApplicatePositions set Quantity = :q where ID = :id"),
                      {{QStringLiteral(":q"), q}, {QStringLiteral(":id"), id}});
}


std::vector<TDenseItem> Items(const TSheets& ASheets) {
    std::vector<TDenseItem> items;
    for (const auto& [length, height, quantity] : ASheets)
        items.push_back({static_cast<int>(items.size()), length, height, quantity});
    return items;
}

} // namespace

class TDensePackingTest : public QObject {
    Q_OBJECT
private slots:
    void bound_data();
    void bound();
    void areaCapacity();
    void caption();
    void provenBound_data();
    void provenBound();
    void packerKeepsLimits_data();
    void packerKeepsLimits();
    void dividesAtWholeRows();
    void heavyAndNarrowShareRows();
    void cutsLoadsAnew();
    void dividesOnlyToSavePallets();
    void generatedOrders_data() { TestDb::AddBackendRows(); }
    void generatedOrders();
    void dividedPositionRows_data() { TestDb::AddBackendRows(); }
    void dividedPositionRows();
    void refusedOrders_data();
    void refusedOrders();
    void cancelRollsBack_data() { TestDb::AddBackendRows(); }
    void cancelRollsBack();
    void storedBound_data() { TestDb::AddBackendRows(); }
    void storedBound();
};

void TDensePackingTest::bound_data() {
    QTest::addColumn<TSheets>("sheets"); // length, width, quantity
    QTest::addColumn<qint64>("area");
    QTest::addColumn<qint64>("rows");
    QTest::addColumn<qint64>("bound");
    // 10 sheets of 1 m² where a pallet carries 4.17 m²: the weight needs 3.
    QTest::newRow("weight") << TSheets{{1000, 1000, 10}} << qint64(4166666) << qint64(60)
                            << qint64(3);
    // 10 sheets 200 wide stand 4 a row: 3 started rows on pallets of 2 rows.
    QTest::newRow("rows") << TSheets{{1000, 200, 10}} << qint64(1) << qint64(2) << qint64(2);
    // Two positions of 3 narrow sheets start a row each, though 6 sheets would fill
    // only two rows together: 2 rows on pallets of 1 row.
    QTest::newRow("started rows per position")
        << TSheets{{1000, 200, 3}, {1200, 200, 3}} << qint64(1) << qint64(1) << qint64(2);
    // The larger of the two: 8.2 m² on pallets of 3 m² need 3, 9 rows of 2 need 5.
    QTest::newRow("larger of both")
        << TSheets{{1000, 1000, 5}, {1000, 800, 4}} << qint64(3000000) << qint64(2) << qint64(5);
    QTest::newRow("no sheets still one pallet")
        << TSheets{{1000, 1000, 0}} << qint64(1) << qint64(1) << qint64(1);
}

void TDensePackingTest::bound() {
    QFETCH(TSheets, sheets);
    QFETCH(qint64, area);
    QFETCH(qint64, rows);
    QFETCH(qint64, bound);
    // A weight of area 1 is as good as no weight: count in area units of the test.
    const qint64 capacity = area == 1 ? std::numeric_limits<qint64>::max() / 4 : area;
    QCOMPARE(TDensePacker::LowerBound(Items(sheets), {capacity, rows}), bound);
}

void TDensePackingTest::areaCapacity() {
    // The last square millimetre that stays within the limit, weighed as a pallet is.
    for (const auto& [maxW, weight] : {std::pair{60.0, 14.4}, std::pair{1000.0, 18.0},
                                       std::pair{850.0, 21.6}, std::pair{57.6, 14.4}}) {
        const qint64 area = PalletBound::AreaCapacity(maxW, weight);
        QVERIFY(static_cast<double>(area) * weight * 1e-6 <= maxW);
        QVERIFY(!(static_cast<double>(area + 1) * weight * 1e-6 <= maxW));
    }
    QCOMPARE(PalletBound::AreaCapacity(std::nullopt, 14.4), qint64(0));
    QCOMPARE(PalletBound::AreaCapacity(0.0, 14.4), qint64(0));
    QVERIFY(PalletBound::AreaCapacity(100.0, std::nullopt) > qint64(1) << 60);
}

void TDensePackingTest::caption() {
    for (const auto& [pallets, text] :
         {std::pair{1, "1 поддон"}, std::pair{2, "2 поддона"}, std::pair{5, "5 поддонов"},
          std::pair{11, "11 поддонов"}, std::pair{14, "14 поддонов"}, std::pair{21, "21 поддон"},
          std::pair{40, "40 поддонов"}, std::pair{112, "112 поддонов"},
          std::pair{123, "123 поддона"}})
        QCOMPARE(PalletsText(pallets), QString::fromUtf8(text));
    QCOMPARE(TCalculationRun::Summary(40, 32), QStringLiteral("pallets 40, lower bound 32"));

    // Two colours: pallets made, least proven, dense packing's count.
    const auto verdict = [](std::array<qint64, 3> A, std::array<qint64, 3> B) {
        TPlanVerdict v;
        for (const auto& [pallets, bound, dense] : {A, B}) {
            TColourVerdict c;
            c.Proof.Pallets = pallets;
            c.Proof.Bound = bound;
            c.DensePallets = dense;
            v.Colours.push_back(c);
        }
        return v.Caption();
    };
    QCOMPARE(verdict({10, 10, 10}, {3, 3, 3}), QStringLiteral("13 поддонов — минимум доказан"));
    QCOMPARE(verdict({40, 39, 40}, {6, 6, 6}), QStringLiteral("46 поддонов, возможно 45"));
    QCOMPARE(verdict({30, 27, 27}, {10, 5, 5}),
             QStringLiteral("40 поддонов; плотная укладка — 32"));
    QCOMPARE(verdict({30, 27, 28}, {10, 5, 5}),
             QStringLiteral("40 поддонов; плотная укладка — 33, возможно 32"));
}

void TDensePackingTest::provenBound_data() {
    QTest::addColumn<TSheets>("sheets"); // length, width, quantity
    QTest::addColumn<qint64>("area");
    QTest::addColumn<qint64>("heaviest");
    QTest::addColumn<qint64>("bound");
    QTest::addColumn<qint64>("proven");
    // Five sheets of 1 m² where a pallet carries 2.5 m²: no pallet takes more than two,
    // so the weight's share of 2 pallets is out of reach.
    QTest::newRow("two sheets a pallet")
        << TSheets{{1000, 1000, 5}} << qint64(2500000) << qint64(2000000) << qint64(2) << qint64(3);
    // Two of 1 m² and one of 0.5 m² make up the 2.5 m² exactly.
    QTest::newRow("sheets making up a pallet")
        << TSheets{{1000, 1000, 2}, {1000, 500, 1}} << qint64(2500000) << qint64(2500000)
        << qint64(1) << qint64(1);
    // 1.5 m² and 0.7 m² sheets come to 3.7 m² at most where 4.1 m² would be allowed:
    // 8.1 m² then need 3 pallets, not 2.
    QTest::newRow("sizes that never make up a pallet")
        << TSheets{{1500, 1000, 4}, {1000, 700, 3}} << qint64(4100000) << qint64(3700000)
        << qint64(2) << qint64(3);
    // Where the weight does not count, the rows decide alone.
    QTest::newRow("no weight") << TSheets{{1000, 1000, 10}} << qint64(1)
                               << std::numeric_limits<qint64>::max() / 4 << qint64(5) << qint64(5);
}

void TDensePackingTest::provenBound() {
    QFETCH(TSheets, sheets);
    QFETCH(qint64, area);
    QFETCH(qint64, heaviest);
    QFETCH(qint64, bound);
    QFETCH(qint64, proven);
    // Rows of 2 where the weight does not count, else as many as the sheets need.
    const TDenseLimits limits{area == 1 ? std::numeric_limits<qint64>::max() / 4 : area,
                              area == 1 ? 2 : 60};
    QCOMPARE(TDensePacker::HeaviestLoad(Items(sheets), limits), heaviest);
    QCOMPARE(TDensePacker::LowerBound(Items(sheets), limits), bound);
    QCOMPARE(TDensePacker::ProvenBound(Items(sheets), limits), proven);
    QCOMPARE(static_cast<qint64>(TDensePacker(limits).Pack(Items(sheets)).size()), proven);
}

void TDensePackingTest::packerKeepsLimits_data() {
    QTest::addColumn<quint32>("firstSeed");
    QTest::addColumn<quint32>("seeds");
    QTest::addColumn<int>("fewest"); // positions of an order
    QTest::addColumn<int>("most");
    QTest::newRow("many small orders") << 1u << 150u << 20 << 300;
    // Colours of a hundred pallets and more, where the pallets are filled one by one.
    QTest::newRow("large orders") << 9001u << 4u << 1000 << 2000;
}

void TDensePackingTest::packerKeepsLimits() {
    // Generated orders straight through the packer, colour by colour: every sheet once,
    // both limits, no more than one pallet above the bound, the same pallets twice.
    QFETCH(quint32, firstSeed);
    QFETCH(quint32, seeds);
    QFETCH(int, fewest);
    QFETCH(int, most);
    int atBound = 0;
    int colours = 0;
    for (quint32 seed = firstSeed; seed < firstSeed + seeds; ++seed) {
        QRandomGenerator random(seed);
        const int count = fewest + random.bounded(most - fewest);
        const int colourCount = 3 + random.bounded(4);
        std::vector<std::vector<TDenseItem>> byColour(colourCount);
        for (int i = 0; i < count; ++i) {
            const int kind = random.bounded(100);
            const qint64 length = 1200 + 10 * random.bounded(241);
            const qint64 height = 190 + 5 * random.bounded(263);
            const qint64 quantity = kind < 80   ? 1 + random.bounded(6)
                                    : kind < 96 ? 7 + random.bounded(34)
                                                : 41 + random.bounded(160);
            std::vector<TDenseItem>& items = byColour[random.bounded(colourCount)];
            items.push_back({static_cast<int>(items.size()), length, height, quantity});
        }
        const TDenseLimits limits{PalletBound::AreaCapacity(800.0 + 50 * random.bounded(15),
                                                            14.4 + 3.6 * random.bounded(3)),
                                  40 + 10 * random.bounded(3)};
        for (const std::vector<TDenseItem>& items : byColour) {
            if (items.empty())
                continue;
            const std::vector<TDensePallet> pallets = TDensePacker(limits).Pack(items);
            const std::vector<TDensePallet> again = TDensePacker(limits).Pack(items);
            QCOMPARE(again.size(), pallets.size());
            for (size_t p = 0; p < pallets.size(); ++p) {
                QCOMPARE(again[p].size(), pallets[p].size());
                for (size_t s = 0; s < pallets[p].size(); ++s) {
                    QCOMPARE(again[p][s].Position, pallets[p][s].Position);
                    QCOMPARE(again[p][s].Quantity, pallets[p][s].Quantity);
                }
            }
            std::vector<qint64> placed(items.size());
            for (const TDensePallet& p : pallets) {
                qint64 area = 0;
                qint64 rows = 0;
                for (const TDensePart& part : p) {
                    QVERIFY(part.Quantity > 0);
                    const TDenseItem& item = items[part.Position];
                    area += item.Length * item.Height * part.Quantity;
                    rows += TDensePacker::Rows(item.Height, part.Quantity);
                    placed[part.Position] += part.Quantity;
                }
                QVERIFY2(area <= limits.AreaCapacity, qPrintable(QString::number(seed)));
                QVERIFY2(rows <= limits.MaxRows, qPrintable(QString::number(seed)));
            }
            for (size_t i = 0; i < items.size(); ++i)
                QCOMPARE(placed[i], items[i].Quantity);
            const qint64 bound = TDensePacker::LowerBound(items, limits);
            QVERIFY(static_cast<qint64>(pallets.size()) >=
                    TDensePacker::ProvenBound(items, limits));
            QVERIFY2(static_cast<qint64>(pallets.size()) <= bound + 1,
                     qPrintable(QStringLiteral("seed %1: %2 pallets, bound %3")
                                    .arg(seed)
                                    .arg(pallets.size())
                                    .arg(bound)));
            ++colours;
            if (static_cast<qint64>(pallets.size()) == bound)
                ++atBound;
        }
    }
    QVERIFY2(atBound * 10 >= colours * 9,
             qPrintable(QStringLiteral("%1 of %2 at the bound").arg(atBound).arg(colours)));
}

void TDensePackingTest::dividesOnlyToSavePallets() {
    const qint64 sheet = 1000 * 1000;
    const TDenseLimits fourSheets{4 * sheet, 60};
    // 3, 3 and 2 sheets: no two go together whole, dividing one fills two pallets.
    std::vector<TDensePallet> p =
        TDensePacker(fourSheets).Pack(Items({{1000, 1000, 3}, {1000, 1000, 3}, {1000, 1000, 2}}));
    QCOMPARE(p.size(), size_t(2));
    QCOMPARE(p[0].size() + p[1].size(), size_t(4));
    // 2, 2, 1 and 1: two pallets whole, nothing divided.
    p = TDensePacker(fourSheets)
            .Pack(Items({{1000, 1000, 2}, {1000, 1000, 1}, {1000, 1000, 2}, {1000, 1000, 1}}));
    QCOMPARE(p.size(), size_t(2));
    QCOMPARE(p[0].size() + p[1].size(), size_t(4));
    // 9 sheets no pallet carries whole: two full loads and the last sheet, which goes
    // with the other position.
    p = TDensePacker(fourSheets).Pack(Items({{1000, 1000, 9}, {1000, 1000, 3}}));
    QCOMPARE(p.size(), size_t(3));
    // Alike lengths share pallets when the count allows it: four stacks of one row on
    // pallets of two rows.
    p = TDensePacker({std::numeric_limits<qint64>::max() / 4, 2})
            .Pack(Items({{3000, 300, 4}, {1200, 300, 4}, {3000, 300, 4}, {1200, 300, 4}}));
    QCOMPARE(p.size(), size_t(2));
    for (const TDensePallet& pallet : p) {
        QCOMPARE(pallet.size(), size_t(2));
        QCOMPARE(pallet[0].Position % 2, pallet[1].Position % 2);
    }
}

namespace {

// Area and rows of each pallet and the sheets of each position over all pallets.
struct TPacked {
    std::vector<qint64> Area;
    std::vector<qint64> Rows;
    std::vector<qint64> Sheets;
    std::vector<int> Parts; // pallets each position stands on
};

TPacked Packed(const std::vector<TDensePallet>& APallets, const std::vector<TDenseItem>& AItems) {
    TPacked packed;
    packed.Sheets.assign(AItems.size(), 0);
    packed.Parts.assign(AItems.size(), 0);
    for (const TDensePallet& p : APallets) {
        packed.Area.push_back(0);
        packed.Rows.push_back(0);
        for (const TDensePart& part : p) {
            const TDenseItem& item = AItems[part.Position];
            packed.Area.back() += item.Length * item.Height * part.Quantity;
            packed.Rows.back() += TDensePacker::Rows(item.Height, part.Quantity);
            packed.Sheets[part.Position] += part.Quantity;
            ++packed.Parts[part.Position];
        }
    }
    return packed;
}

} // namespace

void TDensePackingTest::dividesAtWholeRows() {
    // 19.5 m² on pallets of 10 m²: sheets of 3 m² (three), 2.5 m² (two), 2 m² (two) and
    // 1.5 m² (one) make up no two pallets whole, and no pallet takes whole positions and
    // a part of another except the two sheets of 2 m² with two of the 3 m² sheets. The
    // first pallet is filled exactly, the rest goes onto the second.
    const std::vector<TDenseItem> items =
        Items({{3000, 1000, 3}, {2500, 1000, 2}, {2000, 1000, 2}, {1500, 1000, 1}});
    const TDenseLimits limits{10 * 1000 * 1000, 60};
    QCOMPARE(TDensePacker::LowerBound(items, limits), qint64(2));
    std::vector<TDensePallet> pallets = TDensePacker(limits).Pack(items);
    TPacked packed = Packed(pallets, items);
    QCOMPARE(pallets.size(), size_t(2));
    QCOMPARE(packed.Sheets, std::vector<qint64>({3, 2, 2, 1}));
    QCOMPARE(packed.Parts, std::vector<int>({2, 1, 1, 1}));
    for (const qint64 area : packed.Area)
        QVERIFY(area <= limits.AreaCapacity);

    // Rows decide: stacks of 3 rows (12 sheets four a row), 4 and 5 rows on pallets of
    // 6 rows fill two pallets only divided, and only at whole rows, since a divided
    // row would start a row more than the two pallets hold.
    const std::vector<TDenseItem> rows = Items({{1000, 250, 12}, {2000, 1000, 4}, {2000, 1000, 5}});
    const TDenseLimits sixRows{std::numeric_limits<qint64>::max() / 4, 6};
    pallets = TDensePacker(sixRows).Pack(rows);
    packed = Packed(pallets, rows);
    QCOMPARE(pallets.size(), size_t(2));
    QCOMPARE(packed.Rows, std::vector<qint64>({6, 6}));
    QCOMPARE(packed.Sheets, std::vector<qint64>({12, 4, 5}));
    QCOMPARE(packed.Parts[0] + packed.Parts[1] + packed.Parts[2], 4);
}

void TDensePackingTest::heavyAndNarrowShareRows() {
    // 40 narrow sheets stand 10 rows, a whole pallet's rows, but weigh only 4 of its
    // 8 m²; the two positions of three 2 m² sheets then leave no second pallet for them.
    // Half of the narrow sheets beside each of the others: two pallets of 8 m², 8 rows.
    const std::vector<TDenseItem> items = Items({{2000, 1000, 3}, {500, 200, 40}, {2000, 1000, 3}});
    const TDenseLimits limits{8 * 1000 * 1000, 10};
    QCOMPARE(TDensePacker::LowerBound(items, limits), qint64(2));
    const std::vector<TDensePallet> pallets = TDensePacker(limits).Pack(items);
    const TPacked packed = Packed(pallets, items);
    QCOMPARE(pallets.size(), size_t(2));
    QCOMPARE(packed.Sheets, std::vector<qint64>({3, 40, 3}));
    QCOMPARE(packed.Parts, std::vector<int>({1, 2, 1}));
    QCOMPARE(packed.Area, std::vector<qint64>({8000000, 8000000}));
    QCOMPARE(packed.Rows, std::vector<qint64>({8, 8}));
}

void TDensePackingTest::cutsLoadsAnew() {
    // Seven sheets of 3 m² on pallets of 10 m² make loads of three, each leaving 1 m²
    // that only the 1 m² sheet fills; the two 4 m² sheets then need a fourth pallet. Two
    // loads of two sheets beside a 4 m² sheet each fill all three pallets exactly.
    const std::vector<TDenseItem> items =
        Items({{3000, 1000, 7}, {2000, 2000, 1}, {2000, 2000, 1}, {1000, 1000, 1}});
    const TDenseLimits limits{10 * 1000 * 1000, 60};
    QCOMPARE(TDensePacker::LowerBound(items, limits), qint64(3));
    const std::vector<TDensePallet> pallets = TDensePacker(limits).Pack(items);
    const TPacked packed = Packed(pallets, items);
    QCOMPARE(pallets.size(), size_t(3));
    QCOMPARE(packed.Sheets, std::vector<qint64>({7, 1, 1, 1}));
    // No more parts of the large position than pallet loads it needs anyway.
    QCOMPARE(packed.Parts, std::vector<int>({3, 1, 1, 1}));
    QCOMPARE(packed.Area, std::vector<qint64>({10000000, 10000000, 10000000}));
}

void TDensePackingTest::generatedOrders() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    for (const auto& [seed, size] :
         {std::pair{11u, 20}, std::pair{12u, 60}, std::pair{13u, 150}, std::pair{14u, 40}}) {
        d.ExecSql(QStringLiteral("delete from Solutions"));
        d.ExecSql(QStringLiteral("delete from Palletes"));
        d.ExecSql(QStringLiteral("delete from ApplicatePositions"));
        d.ExecSql(QStringLiteral("delete from Applicates"));
        EngineTest::AddGeneratedOrder(d, seed, size);
        const std::map<qlonglong, qlonglong> ordered = Ordered(d);
        const double maxW = OrderValue(d, "a.MaxW").toDouble();
        const double weight = OrderValue(d, "m.Weight1m2").toDouble();
        const qlonglong maxH = OrderValue(d, "m.MaxH").toLongLong();

        TCalculationRun stages(d.Connection(), TCalculationMode::Memory);
        stages.Execute();
        std::map<qlonglong, int> byStages;
        for (const QSqlRecord& r : d.OpenSql(QStringLiteral(
                 "select p.ColorID, count(distinct p.ID) from Palletes p inner join Solutions s "
                 "on s.PalleteID = p.ID group by p.ColorID")))
            byStages[r.value(0).toLongLong()] = r.value(1).toInt();
        Restore(d, ordered);

        TCalculationRun dense(d.Connection(), TCalculationMode::Dense);
        dense.Execute();
        QCOMPARE(dense.Bound(), stages.Bound());
        std::map<qlonglong, int> byDense;
        CheckStored(d, ordered, maxW, weight, maxH, &byDense);
        qlonglong total = 0;
        for (const auto& [colour, count] : byDense) {
            QVERIFY2(count <= byStages[colour],
                     qPrintable(QStringLiteral("seed %1 colour %2: %3 pallets, the stages %4")
                                    .arg(seed)
                                    .arg(colour)
                                    .arg(count)
                                    .arg(byStages[colour])));
            total += count;
        }
        QCOMPARE(dense.Pallets(), total);
        QVERIFY(dense.Pallets() <= dense.Bound() + qlonglong(byDense.size()));
        QVERIFY(dense.Pallets() >= dense.Bound());
    }
}

void TDensePackingTest::dividedPositionRows() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    QList<qlonglong> ids;
    const qlonglong order =
        TestDb::AddOrder(d, QStringLiteral("П-1"), QDate(2024, 1, 1), 1, FourSheets,
                         {{1000, 1000, 3, 3, QStringLiteral("срочно")},
                          {1000, 1000, 3, 3, {}},
                          {1000, 1000, 3, 2, {}},
                          {2000, 1000, 4, 1, {}}},
                         &ids);
    const std::map<qlonglong, qlonglong> ordered = Ordered(d);

    TCalculationRun stages(d.Connection(), TCalculationMode::Memory);
    stages.Execute();
    QCOMPARE(stages.Bound(), qlonglong(3));
    QVERIFY(stages.Pallets() > 3);
    Restore(d, ordered);

    EngineTest::TRecordedRun recorded;
    TDensePackingEngine engine(d.Connection());
    recorded.Attach(engine);
    engine.Execute();
    QCOMPARE(recorded.Reports, QStringList({QStringLiteral("1/6 Плотная укладка: проверка заявки"),
                                            QStringLiteral("2/6 Плотная укладка: цвет 1 из 2"),
                                            QStringLiteral("3/6 Плотная укладка: цвет 2 из 2"),
                                            QStringLiteral("5/6 Плотная укладка: запись поддонов"),
                                            QStringLiteral("6/6 Расчет завершен")}));
    QCOMPARE(engine.PalletCount(), qlonglong(3));
    QCOMPARE(engine.Bound(), qlonglong(3));
    CheckStored(d, ordered, FourSheets, 14.4, 60, nullptr);

    // One of the three-sheet positions was divided: its part is a row of its own that
    // names it and keeps the customer's words; the others are whole.
    const QList<QSqlRecord> parts = d.OpenSql(
        QStringLiteral("select ApplicateID, Width, Height, ColorID, Quantity, Comment from "
                       "ApplicatePositions where ID > :id"),
        {{QStringLiteral(":id"), ids.last()}});
    QCOMPARE(parts.size(), 1);
    const QString comment = parts[0].value(QStringLiteral("Comment")).toString();
    const QRegularExpressionMatch named =
        QRegularExpression(QStringLiteral("\\(часть позиции (\\d+)\\)$")).match(comment);
    QVERIFY2(named.hasMatch(), qPrintable(comment));
    const qlonglong from = named.captured(1).toLongLong();
    QVERIFY(ids.indexOf(from) >= 0 && ids.indexOf(from) < 3);
    QCOMPARE(comment, (from == ids[0] ? QStringLiteral("срочно ") : QString()) +
                          QStringLiteral("(часть позиции %1)").arg(from));
    QCOMPARE(parts[0].value(QStringLiteral("ApplicateID")).toLongLong(), order);
    QCOMPARE(parts[0].value(QStringLiteral("ColorID")).toLongLong(), qlonglong(3));
    QCOMPARE(parts[0].value(QStringLiteral("Width")).toLongLong(), qlonglong(1000));
    // No row wider than its sheet is long, so nothing is turned; the pallet's sizes are
    // those of its contents, as the grids and layouts read them.
    QCOMPARE(d.OpenSql(QStringLiteral("select count(*) from Solutions where Comment is not null"))
                 .value(0)
                 .value(0)
                 .toInt(),
             0);
    QCOMPARE(d.OpenSql(QStringLiteral("select Length, Width, MaxH, MaxW from Palletes where "
                                      "ColorID = 4"))
                 .value(0)
                 .value(0)
                 .toLongLong(),
             qlonglong(2000));
}

void TDensePackingTest::refusedOrders_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("message");
    for (const auto& [name, backend] :
         {std::pair{"sqlite", TBackend::Sqlite}, std::pair{"postgres", TBackend::Postgres}}) {
        const QString n = QLatin1String(name);
        QTest::newRow(qPrintable(n + QStringLiteral(" no weight limit")))
            << backend << 0
            << QStringLiteral("Расчет невозможен: в заявке № О-1 не задан максимальный вес "
                              "поддона.");
        QTest::newRow(qPrintable(n + QStringLiteral(" sheet too heavy")))
            << backend << 1 << QStringLiteral("один лист тяжелее");
        QTest::newRow(qPrintable(n + QStringLiteral(" no stack limit")))
            << backend << 2
            << QStringLiteral("Расчет невозможен: у материала заявки № О-1 не задана "
                              "наибольшая высота стопы.");
        // 20,000,000 sheets that would go 240 to a pallet; 7,000,000 that go 4 to one.
        QTest::newRow(qPrintable(n + QStringLiteral(" sheets beyond the ceiling")))
            << backend << 3
            << QStringLiteral("Расчет невозможен: заявка № О-1 содержит 20\u00a0000\u00a0005 "
                              "листов, а один расчет принимает не больше 10\u00a0000\u00a0000 "
                              "листов.");
        QTest::newRow(qPrintable(n + QStringLiteral(" pallets beyond the ceiling")))
            << backend << 4
            << QStringLiteral("поддонов, а за один расчет укладывается не больше 100\u00a0000 "
                              "поддонов.");
    }
}

void TDensePackingTest::refusedOrders() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    QFETCH(int, kind);
    QFETCH(QString, message);
    const qlonglong material = kind == 2 ? EngineTest::AddMaterial(d, 14.4, 0) : 1;
    const QVariant maxW = kind == 0 ? QVariant() : QVariant(kind == 1 ? 10.0 : FourSheets);
    QList<qlonglong> ids;
    QList<TestDb::TPos> positions = {{1000, 1000, 3, 3, {}}, {500, 500, 3, 2, {}}};
    if (kind == 3)
        positions << TestDb::TPos{100, 100, 3, 20000000, {}};
    if (kind == 4)
        positions << TestDb::TPos{1000, 1000, 3, 7000000, {}};
    TestDb::AddOrder(d, QStringLiteral("О-1"), QDate(2024, 1, 1), material, maxW, positions, &ids);
    const auto before = EngineTest::DumpWorking(d);
    TDensePackingEngine engine(d.Connection());
    try {
        engine.Execute();
        QFAIL("the order was packed");
    } catch (const ECalculationRefused& e) {
        QVERIFY2(e.Message().contains(message), qPrintable(e.Message()));
        if (kind == 1) {
            QVERIFY2(e.Message().contains(QStringLiteral("позициях %1 (").arg(ids[0])),
                     qPrintable(e.Message()));
            QVERIFY(!e.Message().contains(QStringLiteral(" %1 (").arg(ids[1])));
        }
    }
    QCOMPARE(EngineTest::DumpWorking(d), before);
}

void TDensePackingTest::cancelRollsBack() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    EngineTest::AddGeneratedOrder(d, 5, 40);
    const auto before = EngineTest::DumpWorking(d);
    // Stopped at each of its first polls: nothing stays changed.
    for (const int poll : {1, 2, 3, 5}) {
        EngineTest::TRecordedRun recorded;
        recorded.CancelAtPoll = poll;
        TCalculationRun run(d.Connection(), TCalculationMode::Dense);
        run.OnProgress = [&recorded](const QString& AStage, int APosition, int AMax) {
            recorded.Reports << QStringLiteral("%1/%2 %3").arg(APosition).arg(AMax).arg(AStage);
        };
        run.OnCancel = [&recorded] { return ++recorded.Polls >= recorded.CancelAtPoll; };
        QVERIFY_THROWS_EXCEPTION(ECalculationCanceled, run.Execute());
        QCOMPARE(run.Pallets(), qlonglong(0));
        QCOMPARE(EngineTest::DumpWorking(d), before);
    }
}

// The bound read back from a calculated order, working or archived, is the one of its
// positions before the run, whose parts it counts back into them: on generated orders
// (look-alike remarks in customers' comments included) in both modes.
void TDensePackingTest::storedBound() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    const bool server = !db.Db.Settings.Serv.isEmpty();
    const int wanted = server ? 25 : 120;
    int compared = 0, divided = 0;
    for (quint32 seed = 1; compared < wanted && seed < 2000; ++seed) {
        const OrderGenerator::TCase c = seed % 5 == 0
                                            ? OrderGenerator::Workshop(seed, 20 + int(seed % 90))
                                            : OrderGenerator::Mixed(seed);
        if (c.Orders.size() != 1)
            continue;
        OrderGenerator::Store(d.Connection(), d.Dialect(), c);
        const qint64 before =
            PalletBound::Total(PalletBound::Groups(TOrderModel::Read(d.Connection())));
        const qlonglong order =
            d.OpenSql(QStringLiteral("select ID from Applicates")).value(0).value(0).toLongLong();
        const auto count = [&d] {
            return d.OpenSql(QStringLiteral("select count(*) from ApplicatePositions"))
                .value(0)
                .value(0)
                .toLongLong();
        };
        const qlonglong rows = count();
        try {
            TCalculationRun run(d.Connection(),
                                seed % 2 ? TCalculationMode::Dense : TCalculationMode::Memory);
            run.Execute();
            // The proof only ever raises the bound, never past a packing it found.
            QVERIFY(run.Bound() >= before);
            QVERIFY(run.Bound() <= run.Pallets());
        } catch (const ECalculationRefused&) {
            continue;
        }
        ++compared;
        if (count() > rows)
            ++divided;
        const auto stored = [&d, order] {
            const std::optional<TOrderModel> m = PalletBound::StoredOrderModel(d.Connection(), order);
            return m ? std::optional(PalletBound::Total(PalletBound::Groups(*m))) : std::nullopt;
        };
        QCOMPARE(stored(), std::optional(before));
        d.Archivation();
        QCOMPARE(stored(), std::optional(before));
        for (const char* t : {"Solutions_archive", "Palletes_archive", "ApplicatePositions_archive",
                              "Applicates_archive"})
            d.ExecSql(QStringLiteral("delete from ") + QLatin1String(t));
    }
    QCOMPARE(compared, wanted);
    // Most of them had parts to count back.
    QVERIFY2(divided * 2 > compared, qPrintable(QString::number(divided)));
    // An order nobody stored has no bound.
    QVERIFY(!PalletBound::StoredOrderModel(d.Connection(), 987654321));
}

QTEST_GUILESS_MAIN(TDensePackingTest)
#include "tst_dense_packing.moc"
