// The calculation's measures and predicates on hand-made pallets, on both databases.

#include "EngineTestSupport.h"

#include <QTest>

// Reaches the engine's private measures (declared a friend of the engine).
class TEngineProbe {
public:
    explicit TEngineProbe(const QSqlDatabase& AConnection) : FEngine(AConnection) {}
    static qint64 SheetsPerRow(qint64 AHeight, qint64 AQuantity) {
        return TPalletCalculationEngine::SheetsPerRow(AHeight, AQuantity);
    }
    double PalletWeight(qint64 AId) { return FEngine.PalletWeight(AId); }
    qint64 PalletRows(qint64 AId) { return FEngine.PalletRows(AId); }
    qint64 PalletHeightLimit(qint64 AId) { return FEngine.PalletHeightLimit(AId); }
    double PalletWeightLimit(qint64 AId) { return FEngine.PalletWeightLimit(AId); }
    double PalletFreeWeight(qint64 AId) { return FEngine.PalletFreeWeight(AId); }
    qint64 PalletFreeRows(qint64 AId) { return FEngine.PalletFreeRows(AId); }
    bool PositionTooTall(qint64 AId) { return FEngine.PositionTooTall(AId); }
    bool PositionTooHeavy(qint64 AId) { return FEngine.PositionTooHeavy(AId); }
    bool PalletTooTall(qint64 AId) { return FEngine.PalletTooTall(AId); }
    bool PalletTooHeavy(qint64 AId) { return FEngine.PalletTooHeavy(AId); }
    bool AnyPositionOversized() { return FEngine.AnyPositionOversized(); }
    bool AnyPalletOverloaded() { return FEngine.AnyPalletOverloaded(); }
    qint64 TotalFreeWeight() { return FEngine.TotalFreeWeight(); }
    qint64 TotalFreeRows() { return FEngine.TotalFreeRows(); }
    qint64 PickMostFreePallet() { return FEngine.PickMostFreePallet(); }
    qint64 FindMergeTarget(qint64 AId) { return FEngine.FindMergeTarget(AId); }
    void UpdatePalletSizes() { FEngine.UpdatePalletSizes(); }
    qint64 QueryInteger(const QString& ASql) { return FEngine.QueryInteger(ASql, 0); }
    double QueryFloat(const QString& ASql) { return FEngine.QueryFloat(ASql, 0); }

private:
    TPalletCalculationEngine FEngine;
};

namespace {

void Mark(TDataModule& AData, qlonglong APallet) {
    AData.ExecSql(QStringLiteral("update Palletes set Number = 'NoMatch' where ID = :id"),
                  {{QStringLiteral(":id"), APallet}});
}

} // namespace

class TEngineMeasuresTest : public QObject {
    Q_OBJECT
private slots:
    void sheetsPerRow_data();
    void sheetsPerRow();
    void palletMeasures_data() { TestDb::AddBackendRows(); }
    void palletMeasures();
    void positionPredicates_data() { TestDb::AddBackendRows(); }
    void positionPredicates();
    void totalFreeWeight_data();
    void totalFreeWeight();
    void pickAndMergeTarget_data() { TestDb::AddBackendRows(); }
    void pickAndMergeTarget();
    void palletSizes_data() { TestDb::AddBackendRows(); }
    void palletSizes();
};

void TEngineMeasuresTest::sheetsPerRow_data() {
    QTest::addColumn<qint64>("height");
    QTest::addColumn<qint64>("quantity");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("300") << qint64(300) << qint64(100) << qint64(4);
    QTest::newRow("301") << qint64(301) << qint64(100) << qint64(3);
    QTest::newRow("400") << qint64(400) << qint64(100) << qint64(3);
    QTest::newRow("401") << qint64(401) << qint64(100) << qint64(2);
    QTest::newRow("750") << qint64(750) << qint64(100) << qint64(2);
    QTest::newRow("751") << qint64(751) << qint64(100) << qint64(1);
    QTest::newRow("200 x3") << qint64(200) << qint64(3) << qint64(3);
    QTest::newRow("300 x2") << qint64(300) << qint64(2) << qint64(2);
    QTest::newRow("500 x1") << qint64(500) << qint64(1) << qint64(1);
    QTest::newRow("300 x0") << qint64(300) << qint64(0) << qint64(4);
    QTest::newRow("300 x-5") << qint64(300) << qint64(-5) << qint64(4);
    QTest::newRow("1500 x0") << qint64(1500) << qint64(0) << qint64(1);
}

void TEngineMeasuresTest::sheetsPerRow() {
    QFETCH(qint64, height);
    QFETCH(qint64, quantity);
    QFETCH(qint64, expected);
    QCOMPARE(TEngineProbe::SheetsPerRow(height, quantity), expected);
}

void TEngineMeasuresTest::palletMeasures() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    // 10 kg a square metre, 3 rows at most, 100 kg a pallet.
    const qlonglong mat = EngineTest::AddMaterial(d, 10, 3);
    QList<qlonglong> pos;
    const qlonglong order = TestDb::AddOrder(d, QStringLiteral("1"), QDate(2024, 1, 1), mat, 100.0,
                                             {{1000, 1000, 1, 5, {}}, {500, 350, 1, 9, {}}}, &pos);
    const qlonglong full = TestDb::AddPallet(d, 1);
    const qlonglong empty = TestDb::AddPallet(d, 1);
    TestDb::AddSolution(d, order, pos[0], full, 2, 5); // 5 sheets at 2 a row: 3 rows, 50 kg
    TestDb::AddSolution(d, order, pos[1], full, 3, 9); // 3 rows, 15.75 kg
    TestDb::AddSolution(d, order, pos[0], full, 0, 4); // no rows counted, 40 kg

    TEngineProbe probe(d.Connection());
    QCOMPARE(probe.PalletWeight(full), 105.75);
    QCOMPARE(probe.PalletRows(full), qint64(6)); // a started row stands as high as a full one
    QCOMPARE(probe.PalletHeightLimit(full), qint64(3));
    QCOMPARE(probe.PalletWeightLimit(full), 100.0);
    QCOMPARE(probe.PalletFreeWeight(full), 100.0 - 105.75);
    QCOMPARE(probe.PalletFreeRows(full), qint64(-3));
    QVERIFY(probe.PalletTooTall(full));
    QVERIFY(probe.PalletTooHeavy(full));
    QVERIFY(probe.AnyPalletOverloaded());

    QCOMPARE(probe.PalletWeight(empty), 0.0);
    QCOMPARE(probe.PalletRows(empty), qint64(0));
    QCOMPARE(probe.PalletHeightLimit(empty), qint64(0));
    QCOMPARE(probe.PalletWeightLimit(empty), 0.0);
    QCOMPARE(probe.PalletFreeWeight(empty), 0.0);
    QCOMPARE(probe.PalletFreeRows(empty), qint64(0));
    QVERIFY(!probe.PalletTooTall(empty));
    QVERIFY(!probe.PalletTooHeavy(empty));

    // A query without a row, or with NULL, gives the default.
    QCOMPARE(probe.QueryInteger(QStringLiteral("select ID from Palletes where ID < 0")), 0);
    QCOMPARE(probe.QueryInteger(QStringLiteral("select max(ID) from Palletes where ID < 0")), 0);
    QCOMPARE(probe.QueryFloat(QStringLiteral("select max(MaxW) from Applicates where ID < 0")),
             0.0);

    // Taking the heavy contents away leaves nothing overloaded.
    d.ExecSql(QStringLiteral("delete from Solutions where Quantity <> 9"));
    QVERIFY(!probe.PalletTooTall(full));
    QVERIFY(!probe.PalletTooHeavy(full));
    QVERIFY(!probe.AnyPalletOverloaded());
}

void TEngineMeasuresTest::positionPredicates() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    const qlonglong three = EngineTest::AddMaterial(d, 10, 3);
    const qlonglong two = EngineTest::AddMaterial(d, 10, 2);
    const qlonglong noLimit = EngineTest::AddMaterial(d, 10, QVariant());
    QList<qlonglong> a, b, b3, c, e;
    // 9 sheets 350 wide stand 3 abreast: 3 rows, not more than 3.
    TestDb::AddOrder(d, QStringLiteral("1"), QDate(2024, 1, 1), three, 100.0,
                     {{1000, 350, 1, 9, {}}, {1000, 1000, 1, 10, {}}, {1000, 1000, 1, 11, {}}}, &a);
    // 7 sheets 500 wide at 2 a row stand 4 high: too tall for 3, although 7 / 2 is 3.
    TestDb::AddOrder(d, QStringLiteral("2"), QDate(2024, 1, 1), two, 100.0,
                     {{1000, 350, 1, 9, {}}, {1000, 500, 1, 7, {}}, {1000, 500, 1, 6, {}}}, &b);
    TestDb::AddOrder(d, QStringLiteral("2a"), QDate(2024, 1, 1), three, 100.0,
                     {{1000, 500, 1, 7, {}}, {1000, 500, 1, 6, {}}}, &b3);
    TestDb::AddOrder(d, QStringLiteral("3"), QDate(2024, 1, 1), noLimit, 100.0,
                     {{1000, 1000, 1, 1, {}}}, &c);
    // No weight limit on the order: its positions are never too heavy.
    const qlonglong free = TestDb::AddOrder(d, QStringLiteral("4"), QDate(2024, 1, 1), three,
                                            QVariant(), {{3000, 1500, 1, 2, {}}}, &e);

    TEngineProbe probe(d.Connection());
    QVERIFY(!probe.PositionTooTall(a[0]));
    QVERIFY(probe.PositionTooTall(b[0]));
    QVERIFY(probe.PositionTooTall(b[1]));
    QVERIFY(probe.PositionTooTall(b[2])); // 3 rows against 2
    QVERIFY(probe.PositionTooTall(b3[0]));
    QVERIFY(!probe.PositionTooTall(b3[1])); // 6 sheets: exactly 3 rows
    QVERIFY(probe.PositionTooTall(c[0]));   // no stack limit counts as 0
    QVERIFY(!probe.PositionTooTall(-1));    // no such position
    QVERIFY(!probe.PositionTooHeavy(a[0]));
    QVERIFY(!probe.PositionTooHeavy(a[1])); // exactly 100 kg against 100 kg
    QVERIFY(probe.PositionTooHeavy(a[2]));  // 110 kg
    QVERIFY(!probe.PositionTooHeavy(e[0]));
    QVERIFY(probe.AnyPositionOversized());

    // ...while a pallet of such an order counts its limit as 0 and is too heavy.
    const qlonglong pallet = TestDb::AddPallet(d, 1);
    TestDb::AddSolution(d, free, e[0], pallet, 1, 2);
    QVERIFY(probe.PalletTooHeavy(pallet));
    QVERIFY(!probe.PalletTooTall(pallet));

    d.ExecSql(QStringLiteral("delete from Solutions"));
    d.ExecSql(QStringLiteral("delete from ApplicatePositions where ID <> :id"),
              {{QStringLiteral(":id"), a[0]}});
    QVERIFY(!probe.AnyPositionOversized());
}

void TEngineMeasuresTest::totalFreeWeight_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<QList<double>>("free");
    QTest::addColumn<qint64>("expected");
    const QList<QPair<const char*, TBackend>> backends = {{"sqlite", TBackend::Sqlite},
                                                          {"postgres", TBackend::Postgres}};
    for (const auto& [name, backend] : backends) {
        const auto row = [&](const char* ACase) {
            return &QTest::newRow(
                qPrintable(QStringLiteral("%1 %2").arg(QLatin1String(name), QLatin1String(ACase))));
        };
        *row("10.6 and -0.4") << backend << QList<double>{10.6, -0.4} << qint64(10);
        *row("0.6 twice") << backend << QList<double>{0.6, 0.6} << qint64(0);
        *row("12.9 and -0.7") << backend << QList<double>{12.9, -0.7} << qint64(12);
        *row("-1.5") << backend << QList<double>{-1.5} << qint64(-1);
        *row("none") << backend << QList<double>{} << qint64(0);
    }
}

void TEngineMeasuresTest::totalFreeWeight() {
    QFETCH(QList<double>, free);
    QFETCH(qint64, expected);
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    // One 14.4 kg sheet a pallet; each pallet's order allows 14.4 kg plus its free weight.
    for (int i = 0; i < free.size(); ++i) {
        QList<qlonglong> pos;
        const qlonglong order = TestDb::AddOrder(d, QString::number(i), QDate(2024, 1, 1), 1,
                                                 14.4 + free[i], {{1000, 1000, 1, 1, {}}}, &pos);
        TestDb::AddSolution(d, order, pos[0], TestDb::AddPallet(d, 1), 1, 1);
    }
    TestDb::AddPallet(d, 1); // an empty pallet adds nothing
    TEngineProbe probe(d.Connection());
    QCOMPARE(probe.TotalFreeWeight(), expected);
    QCOMPARE(probe.TotalFreeRows(), qint64(59 * free.size()));
}

void TEngineMeasuresTest::pickAndMergeTarget() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    // A sheet of 1 kg, 60 rows and 100 kg a pallet.
    const qlonglong mat = EngineTest::AddMaterial(d, 1, 60);
    QList<qlonglong> pos;
    const qlonglong order = TestDb::AddOrder(d, QStringLiteral("1"), QDate(2024, 1, 1), mat, 100.0,
                                             {{1000, 1000, 1, 1, {}}}, &pos);
    const auto pallet = [&](qlonglong AColour, qlonglong AQuantity, qlonglong AInRow) {
        const qlonglong id = TestDb::AddPallet(d, AColour);
        TestDb::AddSolution(d, order, pos[0], id, AInRow, AQuantity);
        return id;
    };
    const qlonglong a = pallet(1, 50, 1);     // 50 kg, 50 rows: too many rows for B
    const qlonglong b = pallet(1, 20, 1);     // free 80 kg, 40 rows
    const qlonglong c = pallet(1, 20, 2);     // 20 kg, 10 rows: fits
    const qlonglong e = pallet(1, 90, 3);     // 90 kg: too heavy for B
    const qlonglong other = pallet(2, 30, 6); // fits, but another colour
    const qlonglong f = pallet(1, 40, 4);     // 40 kg, 10 rows: fits and heaviest

    TEngineProbe probe(d.Connection());
    QCOMPARE(probe.FindMergeTarget(b), f);
    QCOMPARE(probe.FindMergeTarget(a), f);         // free 50 kg and 10 rows: C and F fit
    QCOMPARE(probe.FindMergeTarget(e), qint64(0)); // free 10 kg: nothing of its colour fits
    QCOMPARE(probe.FindMergeTarget(other), qint64(0));

    // B and C have the same free weight: the first met wins.
    QCOMPARE(probe.PickMostFreePallet(), b);
    Mark(d, b);
    QCOMPARE(probe.PickMostFreePallet(), c);
    // Marked pallets are no sources but still receive contents.
    Mark(d, a);
    QCOMPARE(probe.FindMergeTarget(c), a);
    d.ExecSql(QStringLiteral("update Palletes set Number = 'NoMatch'"));
    QCOMPARE(probe.PickMostFreePallet(), qint64(0));
}

void TEngineMeasuresTest::palletSizes() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    QList<qlonglong> pos;
    const qlonglong order = TestDb::AddOrder(
        d, QStringLiteral("1"), QDate(2024, 1, 1), 2, 900.0,
        {{2400, 300, 1, 8, {}}, {3000, 1200, 1, 2, {}}, {1800, 600, 1, 4, {}}}, &pos);
    const qlonglong p = TestDb::AddPallet(d, 1);
    const qlonglong emptyPallet = TestDb::AddPallet(d, 1);
    d.ExecSql(QStringLiteral("update Palletes set Length = 7, Width = 8, MaxH = 9, MaxW = 10 "
                             "where ID = :id"),
              {{QStringLiteral(":id"), emptyPallet}});
    TestDb::AddSolution(d, order, pos[0], p, 4, 8);
    TestDb::AddSolution(d, order, pos[1], p, 1, 2);
    TestDb::AddSolution(d, order, pos[2], p, 2, 4);
    TEngineProbe probe(d.Connection());
    probe.UpdatePalletSizes();
    // Longest sheet, widest row (300 x 4), the material's stack limit, the order's weight.
    QCOMPARE(TestDb::Dump(d, QStringLiteral("Palletes")),
             QStringList({QStringLiteral("%1|1|3000|1200|50|900|NULL").arg(p),
                          QStringLiteral("%1|1|7|8|9|10|NULL").arg(emptyPallet)}));
}

QTEST_GUILESS_MAIN(TEngineMeasuresTest)
#include "tst_engine_measures.moc"
