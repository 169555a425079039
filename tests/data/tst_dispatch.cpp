// The dispatch at the gate on both databases: every answer a scan can get, refusals
// that change nothing, the marks following their orders into the archive and out with
// "clear archive", the calculation refusing loaded pallets unless told, an earlier
// database getting the table, and two workstations scanning one order at once.
#include "CalculationRun.h"
#include "DataModule.h"
#include "Errors.h"
#include "ExportFixture.h"
#include "PalletDispatch.h"
#include "Schema.h"
#include "TestDatabase.h"
#include "WorkingOrder.h"

#include <QDate>
#include <QDateTime>
#include <QSqlRecord>
#include <QTest>
#include <QThread>

using namespace ExportFixture;

namespace {

QString Code(qlonglong APallet) {
    return PalletCode::Of(APallet);
}


} // namespace

class TDispatchTest : public QObject {
    Q_OBJECT
private slots:
    void codes();
    void scans_data() { TestDb::AddBackendRows(); }
    void scans();
    void calculationKeepsLoadedPallets_data() { TestDb::AddBackendRows(); }
    void calculationKeepsLoadedPallets();
    void earlierDatabaseGetsTable_data() { TestDb::AddBackendRows(); }
    void earlierDatabaseGetsTable();
    void twoWorkstations_data() { TestDb::AddBackendRows(); }
    void twoWorkstations();
};

void TDispatchTest::codes() {
    QCOMPARE(Code(12), QStringLiteral("GRV-12"));
    QCOMPARE(PalletCode::Parse(QStringLiteral(" grv-12\r\n")), std::optional<qlonglong>(12));
    for (const char* bad : {"GRV-", "GRV-0", "GRV-012", "GRV-12a", "12", "GRV--1",
                            "GRV-99999999999999999999", "ГРВ-12"})
        QVERIFY2(!PalletCode::Parse(QString::fromUtf8(bad)), bad);
}

void TDispatchTest::scans() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    const TLayoutOrder a = MakeOrder(d, QStringLiteral("А-1"));
    TPalletDispatch gate(d, QStringLiteral("ворота 1"));
    const QString today = QDateTime::currentDateTime().toString(QStringLiteral("HH:mm"));
    qlonglong b = 0;
    TLayoutOrder bo;
    struct TStep {
        QString Code;
        bool ExpectOrderA; // the order being loaded is А-1 (otherwise any)
        TScanOutcome Outcome;
        QString Says;
        int LoadedOfA; // after the step
    };
    // Before the archive: the working order.
    const QList<TStep> working = {
        {Code(a.P2), false, TScanOutcome::Loaded,
         QStringLiteral("Поддон 2 заявки А-1 погружен. "
                        "Погружено 1 из 3"),
         1},
        {Code(a.P2), true, TScanOutcome::AlreadyLoaded,
         QStringLiteral("Поддон 2 заявки А-1 уже погружен в %1 (ворота 1)").arg(today), 1},
        {QStringLiteral("GRV-999999999"), true, TScanOutcome::Unknown,
         QStringLiteral("GRV-999999999: такого поддона в базе нет"), 1},
        {QStringLiteral("4607001234567"), false, TScanOutcome::Unknown,
         QStringLiteral("«4607001234567» — не код поддона: отсканируйте этикетку поддона"), 1},
    };
    const auto run = [&](const QList<TStep>& ASteps) {
        for (const TStep& s : ASteps) {
            const QStringList before = TestDb::Dump(d, QStringLiteral("PalleteLoads"));
            const TScanVerdict v = gate.Scan(s.Code, s.ExpectOrderA ? a.Id : 0);
            QCOMPARE(int(v.Outcome), int(s.Outcome));
            QCOMPARE(v.Message, s.Says);
            QCOMPARE(gate.Status(a.Id).LoadedCount(), s.LoadedOfA);
            // Only a pallet marked now changes the table.
            if (s.Outcome != TScanOutcome::Loaded)
                QCOMPARE(TestDb::Dump(d, QStringLiteral("PalleteLoads")), before);
        }
    };
    run(working);

    // The truck leaves after the next order was imported: А-1 is archived.
    d.Archivation();
    bo = MakeOrder(d, QStringLiteral("Б-2"));
    b = bo.Id;
    run({{Code(bo.P1), true, TScanOutcome::OtherOrder,
          QStringLiteral("Поддон 1 заявки Б-2 — другой заказ: грузится заявка А-1. Не грузить!"),
          1},
         {Code(a.P1), true, TScanOutcome::Loaded,
          QStringLiteral("Поддон 1 заявки А-1 погружен. Погружено 2 из 3"), 2},
         {Code(a.P3), true, TScanOutcome::Loaded,
          QStringLiteral("Поддон 3 заявки А-1 погружен. Погружено 3 из 3"), 3}});
    QVERIFY(gate.Status(a.Id).NotLoaded().isEmpty());
    QVERIFY(WorkingOrder::HasLoadedPallets(d.Connection(), a.Id));
    QVERIFY(!WorkingOrder::HasLoadedPallets(d.Connection(), b));

    // Undo, once.
    QVERIFY(gate.Undo(a.P3));
    QVERIFY(!gate.Undo(a.P3));
    QCOMPARE(gate.Status(a.Id).NotLoaded(), QList<int>{3});
    QCOMPARE(gate.Status(a.Id).Counter(), QStringLiteral("Погружено 2 из 3"));

    // "Очистить архив" takes the archived order's marks, never the working one's.
    QCOMPARE(gate.Scan(Code(bo.P1)).Outcome, TScanOutcome::Loaded);
    d.ClearArchive();
    QCOMPARE(TestDb::Scalar(d, QStringLiteral("select count(*) from PalleteLoads")), 1);
    QCOMPARE(gate.Status(b).LoadedCount(), 1);
    QCOMPARE(gate.Status(a.Id).Id, 0);
    QCOMPARE(gate.Scan(Code(a.P1)).Outcome, TScanOutcome::Stale);
}

void TDispatchTest::calculationKeepsLoadedPallets() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    // Every way of calculating asks the same: the stages in memory, the literal ones,
    // the dense packing.
    for (const TCalculationMode mode :
         {TCalculationMode::Memory, TCalculationMode::Literal, TCalculationMode::Dense}) {
        d.ExecSql(QStringLiteral("delete from PalleteLoads"));
        d.Archivation();
        const TLayoutOrder o = MakeOrder(d);
        TPalletDispatch gate(d);
        QCOMPARE(gate.Scan(Code(o.P1)).Outcome, TScanOutcome::Loaded);
        QStringList before;
        for (const QString& t : Schema::TableNames())
            before << TestDb::Dump(d, t);

        TCalculationRun refused(d.Connection(), mode);
        refused.SetShownOrder(o.Id);
        QVERIFY_THROWS_EXCEPTION(ELoadedPallets, refused.Execute());
        QStringList after;
        for (const QString& t : Schema::TableNames())
            after << TestDb::Dump(d, t);
        QCOMPARE(after, before);

        TCalculationRun forced(d.Connection(), mode);
        forced.SetReplaceLoaded(true);
        forced.Execute();
        QVERIFY(!WorkingOrder::HasLoadedPallets(d.Connection(), o.Id));
        const TScanVerdict stale = gate.Scan(Code(o.P1));
        QCOMPARE(int(stale.Outcome), int(TScanOutcome::Stale));
        QCOMPARE(stale.Message,
                 Code(o.P1) + QStringLiteral(": этикетка устарела: заказ пересчитан. Напечатайте "
                                             "этикетки заново"));
        // The new pallets' labels are good.
        const QList<qlonglong> fresh = d.PalletIds(o.Id);
        QVERIFY(!fresh.isEmpty() && !fresh.contains(o.P1));
        QCOMPARE(gate.Scan(Code(fresh.first())).Outcome, TScanOutcome::Loaded);
    }
}

void TDispatchTest::earlierDatabaseGetsTable() {
    GRAVELON_CONNECT(db);
    const TLayoutOrder o = MakeOrder(*db.Data);
    // A database of the version before the table: everything else as it was.
    db.Data->ExecSql(QStringLiteral("drop table PalleteLoads"));
    QStringList before;
    for (const QString& t : Schema::TableNames().mid(0, 11))
        before << TestDb::Dump(*db.Data, t);
    db.Data->Disconnect();

    TDataModule again;
    again.Connect(db.Db.Settings, db.Db.Folder);
    QVERIFY(!again.CreatedSchema());
    QStringList after;
    for (const QString& t : Schema::TableNames().mid(0, 11))
        after << TestDb::Dump(again, t);
    QCOMPARE(after, before);
    TPalletDispatch gate(again);
    QCOMPARE(gate.Scan(Code(o.P3)).Outcome, TScanOutcome::Loaded);
    QCOMPARE(gate.Scan(Code(o.P3)).Outcome, TScanOutcome::AlreadyLoaded);
    // The table refuses a second mark of a pallet whoever writes it.
    QVERIFY_THROWS_EXCEPTION(
        EDatabaseError,
        again.ExecSql(QStringLiteral("insert into PalleteLoads (PalleteID, LoadedAt) values "
                                     "(:p, '2026-01-01 10:00:00')"),
                      {{QStringLiteral(":p"), o.P3}}));
}

void TDispatchTest::twoWorkstations() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    constexpr int Pallets = 40;
    QList<qlonglong> pos;
    const qlonglong order = TestDb::AddOrder(d, QStringLiteral("Г-4"), QDate(2024, 1, 9), 2, 1000,
                                             {{2000, 1000, 1, Pallets, {}}}, &pos);
    QList<qlonglong> pallets;
    for (int i = 0; i < Pallets; ++i) {
        pallets << TestDb::AddPallet(d, 1);
        TestDb::AddSolution(d, order, pos[0], pallets.last(), 1, 1);
    }
    // Each gate scans every pallet, the second from the other end, so they meet in the
    // middle and then scan what the other has marked.
    struct TTally {
        int Loaded = 0;
        int Already = 0;
        QString Failure;
    };
    TTally tallies[2];
    QList<QThread*> threads;
    for (int g = 0; g < 2; ++g) {
        threads << QThread::create([&, g] {
            try {
                TDataModule gateData;
                gateData.Connect(db.Db.Settings, db.Db.Folder);
                TPalletDispatch gate(gateData, QStringLiteral("ворота %1").arg(g + 1));
                for (int i = 0; i < Pallets; ++i) {
                    const qlonglong p = pallets[g == 0 ? i : Pallets - 1 - i];
                    const TScanVerdict v = gate.Scan(Code(p), order);
                    (v.Outcome == TScanOutcome::Loaded ? tallies[g].Loaded : tallies[g].Already)++;
                    if (v.Refused())
                        tallies[g].Failure = v.Message;
                }
            } catch (const EGravelonError& e) {
                tallies[g].Failure = e.Message();
            }
        });
        threads.last()->start();
    }
    for (QThread* t : threads) {
        QVERIFY(t->wait(120000));
        delete t;
    }
    for (const TTally& t : tallies)
        QVERIFY2(t.Failure.isEmpty(), qPrintable(t.Failure));
    QCOMPARE(tallies[0].Loaded + tallies[1].Loaded, Pallets);
    QCOMPARE(tallies[0].Already + tallies[1].Already, Pallets);
    QCOMPARE(TestDb::Scalar(d, QStringLiteral("select count(*) from PalleteLoads")), Pallets);
    QCOMPARE(TestDb::Scalar(d, QStringLiteral("select count(distinct PalleteID) from PalleteLoads")),
             Pallets);
    QCOMPARE(TPalletDispatch(d).Status(order).Counter(), QStringLiteral("Погружено 40 из 40"));
}

QTEST_GUILESS_MAIN(TDispatchTest)
#include "tst_dispatch.moc"
