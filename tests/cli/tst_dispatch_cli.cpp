// gravelon-cli dispatch and calc --force on both databases, run as programs: a full
// load ends "loaded M of M", a repeated scan warns and still succeeds, unknown and
// stale codes fail with a Russian reason and change nothing, and the calculation of an
// order with loaded pallets is refused unless forced.
#include "CliRun.h"
#include "DataModule.h"
#include "ExportFixture.h"
#include "PalletDispatch.h"
#include "TestDatabase.h"

#include <QTest>

using namespace ExportFixture;

class TDispatchCliTest : public QObject {
    Q_OBJECT
private slots:
    void fullLoad_data() { TestDb::AddBackendRows(); }
    void fullLoad();
    void recalculation_data() { TestDb::AddBackendRows(); }
    void recalculation();
};

void TDispatchCliTest::fullLoad() {
    GRAVELON_CONNECT(db);
    const TLayoutOrder o = MakeOrder(*db.Data);
    const QString ini = db.Db.IniPath;
    const QStringList status = {QStringLiteral("dispatch"), QStringLiteral("--status")};
    CliRun::TResult r = CliRun::Run(ini, status);
    QCOMPARE(r.Out, QStringLiteral("loaded 0 of 3\nnot loaded: 1 2 3\n"));

    const struct {
        QString Code;
        int Exit;
        QString Out; // a part of standard output, or of standard error when failing
    } scans[] = {
        {PalletCode::Of(o.P2), 0, QStringLiteral("Поддон 2 заявки З-17/2024 погружен")},
        {PalletCode::Of(o.P2), 0, QStringLiteral("уже погружен в ")},
        {QStringLiteral("GRV-77777777"), 1,
         QStringLiteral("GRV-77777777: такого поддона в базе нет")},
        {QStringLiteral("накладная"), 1, QStringLiteral("не код поддона")},
        {PalletCode::Of(o.P1), 0, QStringLiteral("Погружено 2 из 3")},
    };
    for (const auto& s : scans) {
        const QStringList before = TestDb::Dump(*db.Data, QStringLiteral("PalleteLoads"));
        r = CliRun::Run(ini, {QStringLiteral("dispatch"), s.Code});
        QCOMPARE(r.Exit, s.Exit);
        QVERIFY2((s.Exit == 0 ? r.Out : r.Err).contains(s.Out), qPrintable(r.Out + r.Err));
        if (s.Exit != 0)
            QCOMPARE(TestDb::Dump(*db.Data, QStringLiteral("PalleteLoads")), before);
    }
    r = CliRun::Run(ini, status + QStringList{QStringLiteral("--order"), QString::number(o.Id)});
    QCOMPARE(r.Out, QStringLiteral("loaded 2 of 3\nnot loaded: 3\n"));
    QCOMPARE(CliRun::Run(ini, {QStringLiteral("dispatch"), PalletCode::Of(o.P3)}).Exit, 0);
    QCOMPARE(CliRun::Run(ini, status).Out, QStringLiteral("loaded 3 of 3\n"));

    // Loading against an order: another order's pallet is refused.
    db.Data->Archivation();
    const TLayoutOrder next = MakeOrder(*db.Data, QStringLiteral("З-18"));
    r = CliRun::Run(ini, {QStringLiteral("dispatch"), PalletCode::Of(next.P1),
                          QStringLiteral("--order"), QString::number(o.Id)});
    QCOMPARE(r.Exit, 1);
    QVERIFY2(r.Err.contains(QStringLiteral("другой заказ: грузится заявка З-17/2024")),
             qPrintable(r.Err));
    QCOMPARE(CliRun::Run(ini, status).Out, QStringLiteral("loaded 0 of 3\nnot loaded: 1 2 3\n"));
}

void TDispatchCliTest::recalculation() {
    GRAVELON_CONNECT(db);
    const TLayoutOrder o = MakeOrder(*db.Data);
    const QString ini = db.Db.IniPath;
    QCOMPARE(CliRun::Run(ini, {QStringLiteral("dispatch"), PalletCode::Of(o.P3)}).Exit, 0);
    const QStringList pallets = TestDb::Dump(*db.Data, QStringLiteral("Palletes"));

    CliRun::TResult r = CliRun::Run(ini, {QStringLiteral("calc")});
    QCOMPARE(r.Exit, 1);
    QVERIFY2(r.Err.contains(QStringLiteral("Погружено поддонов заявки З-17/2024: 1")),
             qPrintable(r.Err));
    QVERIFY(r.Err.contains(QStringLiteral("--force")));
    QCOMPARE(TestDb::Dump(*db.Data, QStringLiteral("Palletes")), pallets);

    r = CliRun::Run(ini, {QStringLiteral("calc"), QStringLiteral("--force")});
    QVERIFY2(r.Exit == 0, qPrintable(r.Err));
    r = CliRun::Run(ini, {QStringLiteral("dispatch"), PalletCode::Of(o.P3)});
    QCOMPARE(r.Exit, 1);
    QVERIFY2(r.Err.contains(QStringLiteral("этикетка устарела: заказ пересчитан")),
             qPrintable(r.Err));
    QVERIFY(CliRun::Run(ini, {QStringLiteral("dispatch"), QStringLiteral("--status")})
                .Out.startsWith(QStringLiteral("loaded 0 of ")));
}

QTEST_GUILESS_MAIN(TDispatchCliTest)
#include "tst_dispatch_cli.moc"
