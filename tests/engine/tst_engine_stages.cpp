// Whole calculation runs on small orders whose results were worked out by hand, the
// transaction's behaviour on cancel and failure, and agreement of the two databases.

#include "EngineTestSupport.h"

#include <QTest>

using EngineTest::TRecordedRun;

namespace {

const QString Canceled = QStringLiteral("Расчет прерван пользователем");

QStringList Lines(std::initializer_list<QString> ALines, qlonglong AOrder) {
    QStringList out;
    for (QString l : ALines)
        out << l.replace(QStringLiteral("{A}"), QString::number(AOrder));
    return out;
}

// The reports of one stage (the lines beginning "n/6").
QStringList StageReports(const QStringList& AReports, int AStage) {
    QStringList out;
    for (const QString& r : AReports)
        if (r.startsWith(QStringLiteral("%1/6 ").arg(AStage)))
            out << r;
    return out;
}

// Every case on both databases with both engines; AExtraName adds runs without callbacks.
void AddRunRows(const char* AExtraName = nullptr) {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<bool>("memory");
    QTest::addColumn<bool>("callbacks");
    for (const auto& [name, backend] :
         {std::pair{"sqlite", TBackend::Sqlite}, std::pair{"postgres", TBackend::Postgres}}) {
        for (const bool memory : {false, true}) {
            const QString row = QStringLiteral("%1 %2").arg(
                QLatin1String(name), memory ? QStringLiteral("memory") : QStringLiteral("literal"));
            QTest::newRow(qPrintable(row)) << backend << memory << true;
            if (AExtraName)
                QTest::newRow(qPrintable(row + QLatin1Char(' ') + QLatin1String(AExtraName)))
                    << backend << memory << false;
        }
    }
}

// 7 sheets of 14.4 kg against 60 kg: split once into 4 and 3, which then need two pallets.
qlonglong AddOddOrder(TDataModule& AData) {
    return TestDb::AddOrder(AData, QStringLiteral("7"), QDate(2024, 1, 1), 1, 60.0,
                            {{1000, 1000, 5, 7, {}}});
}

// Stage 4's merge: stage 3 splits the pallet twice; the last two parts fit together.
qlonglong AddMergeOrder(TDataModule& AData, bool AWithTallPosition) {
    QList<TestDb::TPos> pos = {
        {3000, 1000, 1, 50, {}}, {2000, 1000, 1, 20, {}}, {1500, 1000, 1, 15, {}}};
    if (AWithTallPosition)
        pos << TestDb::TPos{1000, 1000, 2, 70, {}}; // 70 rows against 60: split by stage 1
    return TestDb::AddOrder(AData, QStringLiteral("M"), QDate(2024, 1, 1), 1, 3000.0, pos);
}

bool PgReachable(TestDb::TConnected* AOut, QString* AWhy) {
    return TestDb::Connect(TBackend::Postgres, AOut, AWhy);
}

} // namespace

class TEngineStagesTest : public QObject {
    Q_OBJECT
private slots:
    void oddSplit_data() { AddRunRows("without callbacks"); }
    void oddSplit();
    void eightSplitTwice_data() { AddRunRows(); }
    void eightSplitTwice();
    void twoColours_data() { AddRunRows(); }
    void twoColours();
    void splitParity_data() { AddRunRows(); }
    void splitParity();
    void mergeWholePallets_data() { AddRunRows(); }
    void mergeWholePallets();
    void rowsAndRotation_data() { AddRunRows(); }
    void rowsAndRotation();
    void cancelRollsBack_data();
    void cancelRollsBack();
    void cancelAfterCommit_data() { AddRunRows(); }
    void cancelAfterCommit();
    void failureInStage4_data() { AddRunRows(); }
    void failureInStage4();
    void nullColourFails_data() { AddRunRows(); }
    void nullColourFails();
    void startedRowsSplitPallet_data() { AddRunRows(); }
    void startedRowsSplitPallet();
    void startedRowsSplitPosition_data() { AddRunRows(); }
    void startedRowsSplitPosition();
    void refusedBeforeCalculation_data();
    void refusedBeforeCalculation();
    void sameResultOnBothBackends();
};

void TEngineStagesTest::oddSplit() {
    QFETCH(bool, callbacks);
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    const qlonglong order = AddOddOrder(d);
    QFETCH(bool, memory);
    EngineTest::TAnyEngine engine(memory, d.Connection());
    TRecordedRun run;
    QString timeout;
    if (callbacks) {
        run.Attach(engine);
        const auto record = engine.OnProgress;
        engine.OnProgress = [&, record](const QString& AStage, int APosition, int AMax) {
            // The server allows the run's statements 20 minutes, inside the run only.
            if (d.Dialect().IsPostgres() && timeout.isEmpty())
                timeout = d.OpenSql(QStringLiteral("show statement_timeout"))
                              .value(0)
                              .value(0)
                              .toString();
            record(AStage, APosition, AMax);
        };
    }
    engine.Execute();
    if (callbacks && d.Dialect().IsPostgres()) {
        QCOMPARE(timeout, QStringLiteral("20min"));
        QCOMPARE(d.OpenSql(QStringLiteral("show statement_timeout")).value(0).value(0).toString(),
                 QStringLiteral("30s"));
    }

    QCOMPARE(TestDb::Dump(d, QStringLiteral("ApplicatePositions")),
             Lines({"1|{A}|1000|1000|5|4|NULL", "2|{A}|1000|1000|5|3|(часть позиции 1)"}, order));
    // Neither part fits beside the other (57.6 + 43.2 kg > 60 kg): both end marked.
    QCOMPARE(TestDb::Dump(d, QStringLiteral("Palletes")),
             Lines({"1|5|1000|1000|60|60|NoMatch", "2|5|1000|1000|60|60|NoMatch"}, order));
    QCOMPARE(TestDb::Dump(d, QStringLiteral("Solutions")),
             Lines({"1|{A}|1|1|1|4|NULL", "2|{A}|2|2|1|3|NULL"}, order));
    if (!callbacks)
        return;
    QCOMPARE(run.Reports,
             QStringList({QStringLiteral("1/6 Расщепление больших позиций"),
                          QStringLiteral("1/6 Расщепление больших позиций: проход 1"),
                          QStringLiteral("2/6 Начальное распределение поддонов"),
                          QStringLiteral("3/6 Расщепление исходных поддонов"),
                          QStringLiteral("3/6 Расщепление исходных поддонов: проход 1"),
                          QStringLiteral("4/6 Переброска целых поддонов"),
                          QStringLiteral("4/6 Переброска целых поддонов: проход 1"),
                          QStringLiteral("4/6 Переброска целых поддонов: проход 2"),
                          QStringLiteral("5/6 Уточнение размеров поддонов"),
                          QStringLiteral("6/6 Расчет завершен")}));
    QVERIFY(run.Polls > run.Reports.size());
    QVERIFY(engine.StatementCount() > 0);
}

void TEngineStagesTest::eightSplitTwice() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    // One sheet a row and 3 rows a pallet: 8 and 4 sheets are too tall, 2 are not.
    const qlonglong mat = EngineTest::AddMaterial(d, 14.4, 3);
    const qlonglong order =
        TestDb::AddOrder(d, QStringLiteral("8"), QDate(2024, 1, 1), mat, 10000.0,
                         {{2000, 1000, 1, 8, QStringLiteral("цоколь, 'серый'")}});
    QFETCH(bool, memory);
    EngineTest::TAnyEngine engine(memory, d.Connection());
    TRecordedRun run;
    run.Attach(engine);
    engine.Execute();
    QCOMPARE(TestDb::Dump(d, QStringLiteral("ApplicatePositions")),
             Lines({"1|{A}|2000|1000|1|2|цоколь, 'серый'",
                    "2|{A}|2000|1000|1|2|цоколь, 'серый' (часть позиции 1)",
                    "3|{A}|2000|1000|1|2|цоколь, 'серый' (часть позиции 1)",
                    "4|{A}|2000|1000|1|2|цоколь, 'серый' (часть позиции 2)"},
                   order));
    QCOMPARE(StageReports(run.Reports, 1),
             QStringList({QStringLiteral("1/6 Расщепление больших позиций"),
                          QStringLiteral("1/6 Расщепление больших позиций: проход 1"),
                          QStringLiteral("1/6 Расщепление больших позиций: проход 2")}));
}

void TEngineStagesTest::twoColours() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    const qlonglong order =
        TestDb::AddOrder(d, QStringLiteral("2"), QDate(2024, 1, 1), 1, 1000.0,
                         {{2000, 1000, 3, 10, {}}, {1500, 300, 1, 2, {}}, {1800, 1000, 3, 5, {}}});
    QFETCH(bool, memory);
    EngineTest::TAnyEngine engine(memory, d.Connection());
    TRecordedRun run;
    run.Attach(engine);
    engine.Execute();
    // One pallet a colour in ascending colour order; two sheets 300 wide stand 2 abreast.
    QCOMPARE(TestDb::Dump(d, QStringLiteral("Palletes")),
             Lines({"1|1|1500|600|60|1000|NoMatch", "2|3|2000|1000|60|1000|NoMatch"}, order));
    QCOMPARE(TestDb::Dump(d, QStringLiteral("Solutions")),
             Lines({"1|{A}|1|2|1|10|NULL", "2|{A}|2|1|2|2|NULL", "3|{A}|3|2|1|5|NULL"}, order));
    // Nothing oversized, nothing overloaded: the first stages report once.
    QCOMPARE(StageReports(run.Reports, 1),
             QStringList({QStringLiteral("1/6 Расщепление больших позиций")}));
    QCOMPARE(StageReports(run.Reports, 3),
             QStringList({QStringLiteral("3/6 Расщепление исходных поддонов")}));
    QCOMPARE(StageReports(run.Reports, 4).size(), 3);
}

void TEngineStagesTest::splitParity() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    // Colour 1: three positions, 15 rows. Colour 2: four positions of 20 rows, 80 > 60.
    const qlonglong order = TestDb::AddOrder(d, QStringLiteral("P"), QDate(2024, 1, 1), 1, 5000.0,
                                             {{1200, 1000, 1, 5, {}},
                                              {1000, 1000, 1, 5, {}},
                                              {1100, 1000, 1, 5, {}},
                                              {1500, 1000, 2, 20, {}},
                                              {3000, 1000, 2, 20, {}},
                                              {2000, 1000, 2, 20, {}},
                                              {2500, 1000, 2, 20, {}}});
    QFETCH(bool, memory);
    EngineTest::TAnyEngine engine(memory, d.Connection());
    TRecordedRun run;
    run.Attach(engine);
    engine.Execute();
    // The walk counts pallet 1's rows 1 to 3 and pallet 2's 4 to 7: pallet 2's largest
    // (3000) and third largest (2000) rows fall on even counts and move to its twin.
    QCOMPARE(TestDb::Dump(d, QStringLiteral("Solutions")),
             Lines({"1|{A}|1|1|1|5|NULL", "2|{A}|2|1|1|5|NULL", "3|{A}|3|1|1|5|NULL",
                    "4|{A}|4|2|1|20|NULL", "5|{A}|5|3|1|20|NULL", "6|{A}|6|3|1|20|NULL",
                    "7|{A}|7|2|1|20|NULL"},
                   order));
    QCOMPARE(TestDb::Dump(d, QStringLiteral("Palletes")),
             Lines({"1|1|1200|1000|60|5000|NoMatch", "2|2|2500|1000|60|5000|NoMatch",
                    "3|2|3000|1000|60|5000|NoMatch"},
                   order));
    QCOMPARE(StageReports(run.Reports, 3),
             QStringList({QStringLiteral("3/6 Расщепление исходных поддонов"),
                          QStringLiteral("3/6 Расщепление исходных поддонов: проход 1")}));
    QCOMPARE(StageReports(run.Reports, 4).size(), 4);
}

void TEngineStagesTest::mergeWholePallets() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    const qlonglong order = AddMergeOrder(d, false);
    QFETCH(bool, memory);
    EngineTest::TAnyEngine engine(memory, d.Connection());
    TRecordedRun run;
    run.Attach(engine);
    engine.Execute();
    // Stage 3 leaves 50, 20 and 15 rows on pallets 1, 2, 3. Stage 4 moves pallet 3 (most
    // free weight) onto pallet 2, the heaviest that fits, deletes it, then marks the rest.
    QCOMPARE(TestDb::Dump(d, QStringLiteral("Palletes")),
             Lines({"1|1|3000|1000|60|3000|NoMatch", "2|1|2000|1000|60|3000|NoMatch"}, order));
    QCOMPARE(TestDb::Dump(d, QStringLiteral("Solutions")),
             Lines({"1|{A}|1|1|1|50|NULL", "2|{A}|2|2|1|20|NULL", "3|{A}|3|2|1|15|NULL"}, order));
    QCOMPARE(StageReports(run.Reports, 3),
             QStringList({QStringLiteral("3/6 Расщепление исходных поддонов"),
                          QStringLiteral("3/6 Расщепление исходных поддонов: проход 1"),
                          QStringLiteral("3/6 Расщепление исходных поддонов: проход 2")}));
    QCOMPARE(StageReports(run.Reports, 4),
             QStringList({QStringLiteral("4/6 Переброска целых поддонов"),
                          QStringLiteral("4/6 Переброска целых поддонов: проход 1"),
                          QStringLiteral("4/6 Переброска целых поддонов: проход 2"),
                          QStringLiteral("4/6 Переброска целых поддонов: проход 3")}));
}

void TEngineStagesTest::rowsAndRotation() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    const qlonglong order = TestDb::AddOrder(d, QStringLiteral("R"), QDate(2024, 1, 1), 1, 10000.0,
                                             {{1000, 600, 1, 2, {}},
                                              {1000, 600, 1, 1, {}},
                                              {1200, 600, 1, 2, {}},
                                              {1000, 300, 1, 5, {}},
                                              {1000, 301, 1, 5, {}},
                                              {1000, 400, 1, 5, {}},
                                              {1000, 401, 1, 5, {}},
                                              {1000, 750, 1, 5, {}},
                                              {1000, 751, 1, 5, {}},
                                              {1000, 200, 1, 3, {}}});
    QFETCH(bool, memory);
    EngineTest::TAnyEngine engine(memory, d.Connection());
    engine.Execute();
    const QString turn = QStringLiteral("Повернуть на 90 град.");
    // A row wider than the sheet is long (1200 > 1000) is turned; 600 and an equal
    // 1200 against 1200 are not.
    QCOMPARE(TestDb::Dump(d, QStringLiteral("Solutions")),
             Lines({"1|{A}|1|1|2|2|" + turn, "2|{A}|2|1|1|1|NULL", "3|{A}|3|1|2|2|NULL",
                    "4|{A}|4|1|4|5|" + turn, "5|{A}|5|1|3|5|NULL", "6|{A}|6|1|3|5|" + turn,
                    "7|{A}|7|1|2|5|NULL", "8|{A}|8|1|2|5|" + turn, "9|{A}|9|1|1|5|NULL",
                    "10|{A}|10|1|3|3|NULL"},
                   order));
    QCOMPARE(TestDb::Dump(d, QStringLiteral("Palletes")),
             Lines({"1|1|1200|1500|60|10000|NoMatch"}, order));
}

void TEngineStagesTest::cancelRollsBack_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<bool>("memory");
    QTest::addColumn<int>("poll");
    for (const auto& [name, backend] :
         {std::pair{"sqlite", TBackend::Sqlite}, std::pair{"postgres", TBackend::Postgres}}) {
        for (int poll : {1, 2, 7, 30, 90, 150}) {
            QTest::newRow(
                qPrintable(QStringLiteral("%1 literal poll %2").arg(QLatin1String(name)).arg(poll)))
                << backend << false << poll;
        }
        // The in-memory engine polls at every report, every pass and before every
        // statement of its write; 0 asks to stop at the write's last statement.
        for (int poll : {1, 2, 7, 20, 0}) {
            QTest::newRow(
                qPrintable(QStringLiteral("%1 memory poll %2").arg(QLatin1String(name)).arg(poll)))
                << backend << true << poll;
        }
    }
}

void TEngineStagesTest::cancelRollsBack() {
    QFETCH(int, poll);
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    const qlonglong order = AddMergeOrder(d, true);
    // Pallets of an earlier run, which stage 2 would throw away.
    const qlonglong old = TestDb::AddPallet(d, 1);
    TestDb::AddSolution(d, order, TestDb::LastId(d, QStringLiteral("ApplicatePositions")), old, 1,
                        70, QStringLiteral("прежний расчет"));
    const auto before = EngineTest::DumpWorking(d);

    QFETCH(bool, memory);
    EngineTest::TAnyEngine engine(memory, d.Connection());
    TRecordedRun run;
    run.CancelAtPoll = poll;
    run.Attach(engine);
    if (poll == 0) {
        // Stop half way through the write: the new pallets are in, the placements not yet.
        const auto count = engine.OnCancel;
        bool writing = false;
        const auto report = engine.OnProgress;
        engine.OnProgress = [&, report](const QString& AStage, int APosition, int AMax) {
            report(AStage, APosition, AMax);
            writing = APosition == 5;
        };
        engine.OnCancel = [&, count] {
            count();
            if (writing && d.OpenSql(QStringLiteral("select count(*) from Palletes"))
                                   .value(0)
                                   .value(0)
                                   .toInt() >= 2) {
                poll = run.Polls;
                return true;
            }
            return false;
        };
    }
    try {
        engine.Execute();
        QFAIL("the run was not canceled");
    } catch (const ECalculationCanceled& e) {
        QCOMPARE(e.Message(), Canceled);
        QCOMPARE(QString::fromUtf8(e.what()), Canceled);
    }
    QCOMPARE(run.Polls, poll);
    QCOMPARE(EngineTest::DumpWorking(d), before);
    if (poll == 1)
        QCOMPARE(run.Reports, QStringList({QStringLiteral("1/6 Расщепление больших позиций")}));

    // The transaction is over: the same connection runs the calculation to its end.
    EngineTest::TAnyEngine again(memory, d.Connection());
    again.Execute();
    QCOMPARE(TestDb::Dump(d, QStringLiteral("ApplicatePositions")).size(), 5);
}

void TEngineStagesTest::cancelAfterCommit() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    const qlonglong order = AddOddOrder(d);
    QFETCH(bool, memory);
    EngineTest::TAnyEngine engine(memory, d.Connection());
    QStringList reports;
    engine.OnProgress = [&](const QString& AStage, int, int) { reports << AStage; };
    // The request arrives with the final report, after the commit: the results stand.
    engine.OnCancel = [&] { return reports.last() == QStringLiteral("Расчет завершен"); };
    engine.Execute();
    QCOMPARE(reports.last(), QStringLiteral("Расчет завершен"));
    QCOMPARE(TestDb::Dump(d, QStringLiteral("Solutions")),
             Lines({"1|{A}|1|1|1|4|NULL", "2|{A}|2|2|1|3|NULL"}, order));
    // Nothing is left open on the connection.
    d.ExecSql(QStringLiteral("delete from Solutions"));
    QVERIFY(TestDb::Dump(d, QStringLiteral("Solutions")).isEmpty());
}

void TEngineStagesTest::failureInStage4() {
    QFETCH(TBackend, backend);
    QFETCH(bool, memory);
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    const qlonglong order = AddMergeOrder(d, true);
    const qlonglong old = TestDb::AddPallet(d, 2);
    TestDb::AddSolution(d, order, TestDb::LastId(d, QStringLiteral("ApplicatePositions")), old, 1,
                        70);
    // The database refuses to delete any pallet the run creates: stage 2 may drop the
    // earlier pallet, the first merge of stage 4 fails. The in-memory engine deletes no
    // pallet it made: the last statement of its write, the placements, is refused.
    if (memory && backend == TBackend::Sqlite) {
        d.ExecSql(QStringLiteral("create trigger tst_keep_pallets before insert on Solutions "
                                 "begin select raise(abort, 'поддон удалять нельзя'); end"));
    } else if (memory) {
        d.ExecSql(QStringLiteral("create function tst_keep_pallets() returns trigger language "
                                 "plpgsql as $$ begin raise exception 'поддон удалять нельзя'; "
                                 "end $$"));
        d.ExecSql(QStringLiteral("create trigger tst_keep_pallets before insert on Solutions for "
                                 "each row execute function tst_keep_pallets()"));
    } else if (backend == TBackend::Sqlite) {
        d.ExecSql(QStringLiteral("create trigger tst_keep_pallets before delete on Palletes "
                                 "when old.ID > %1 begin select raise(abort, 'поддон удалять "
                                 "нельзя'); end")
                      .arg(old));
    } else {
        d.ExecSql(QStringLiteral("create function tst_keep_pallets() returns trigger language "
                                 "plpgsql as $$ begin if old.ID > %1 then raise exception "
                                 "'поддон удалять нельзя'; end if; return old; end $$")
                      .arg(old));
        d.ExecSql(QStringLiteral("create trigger tst_keep_pallets before delete on Palletes for "
                                 "each row execute function tst_keep_pallets()"));
    }
    const auto before = EngineTest::DumpWorking(d);

    EngineTest::TAnyEngine engine(memory, d.Connection());
    TRecordedRun run;
    run.Attach(engine);
    try {
        engine.Execute();
        QFAIL("the run did not fail");
    } catch (const ECalculationCanceled&) {
        QFAIL("a failure must not pass for a cancel");
    } catch (const EDatabaseError& e) {
        QVERIFY2(e.Message().contains(QStringLiteral("поддон удалять нельзя")),
                 qPrintable(e.Message()));
        QVERIFY2(e.Statement().startsWith(memory
                                              ? QStringLiteral("insert into Solutions (")
                                              : QStringLiteral("delete from Palletes where ID = ")),
                 qPrintable(e.Statement()));
    }
    QVERIFY2(
        run.Reports.last().startsWith(memory ? QStringLiteral("5/6 ") : QStringLiteral("4/6 ")),
        qPrintable(run.Reports.last()));
    // Stage 1 had split the tall position; that is undone with everything else.
    QVERIFY(run.Reports.contains(QStringLiteral("1/6 Расщепление больших позиций: проход 1")));
    QCOMPARE(EngineTest::DumpWorking(d), before);

    d.ExecSql(QStringLiteral("drop trigger tst_keep_pallets") +
              (backend != TBackend::Postgres ? QString()
               : memory                      ? QStringLiteral(" on Solutions")
                                             : QStringLiteral(" on Palletes")));
    EngineTest::TAnyEngine again(memory, d.Connection());
    again.Execute();
    QCOMPARE(TestDb::Dump(d, QStringLiteral("ApplicatePositions")).size(), 5);
}

void TEngineStagesTest::nullColourFails() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    TestDb::AddOrder(d, QStringLiteral("N"), QDate(2024, 1, 1), 1, 60.0,
                     {{1000, 1000, 5, 2, {}}, {1000, 1000, 6, 2, {}}});
    d.ExecSql(QStringLiteral("update ApplicatePositions set ColorID = null where ColorID = 6"));
    const auto before = EngineTest::DumpWorking(d);
    QFETCH(bool, memory);
    EngineTest::TAnyEngine engine(memory, d.Connection());
    TRecordedRun run;
    run.Attach(engine);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, engine.Execute());
    // A missing colour leaves stage 2's statement without a value: refused, rolled back.
    QCOMPARE(run.Reports.last(), QStringLiteral("2/6 Начальное распределение поддонов"));
    QCOMPARE(EngineTest::DumpWorking(d), before);
}

void TEngineStagesTest::startedRowsSplitPallet() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    // 30 positions of 3 sheets 500 wide: 2 abreast, 2 started rows each, 60 rows against
    // a stack limit of 50, although 3 / 2 counts 1.
    const qlonglong mat = EngineTest::AddMaterial(d, 10, 50);
    QList<TestDb::TPos> pos;
    for (int i = 0; i < 30; ++i)
        pos << TestDb::TPos{1000, 500, 4, 3, {}};
    const qlonglong order =
        TestDb::AddOrder(d, QStringLiteral("S"), QDate(2024, 1, 1), mat, 10000.0, pos);
    QFETCH(bool, memory);
    EngineTest::TAnyEngine engine(memory, d.Connection());
    TRecordedRun run;
    run.Attach(engine);
    engine.Execute();
    // Equal rows go by key: every second one moves to the twin, 30 rows each; neither
    // pallet can take the other's 30 rows beside its own.
    QCOMPARE(TestDb::Dump(d, QStringLiteral("Palletes")),
             Lines({"1|4|1000|1000|50|10000|NoMatch", "2|4|1000|1000|50|10000|NoMatch"}, order));
    QStringList solutions;
    for (int i = 1; i <= 30; ++i)
        solutions << QStringLiteral("%1|%2|%1|%3|2|3|NULL").arg(i).arg(order).arg(i % 2 ? 1 : 2);
    QCOMPARE(TestDb::Dump(d, QStringLiteral("Solutions")), solutions);
    QCOMPARE(StageReports(run.Reports, 3),
             QStringList({QStringLiteral("3/6 Расщепление исходных поддонов"),
                          QStringLiteral("3/6 Расщепление исходных поддонов: проход 1")}));
    QCOMPARE(StageReports(run.Reports, 4).size(), 3);
}

void TEngineStagesTest::startedRowsSplitPosition() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    // 7 sheets 500 wide stand 4 rows high against a limit of 3: split into 4 and 3
    // sheets (2 rows each), which then need a pallet each.
    const qlonglong mat = EngineTest::AddMaterial(d, 10, 3);
    const qlonglong order = TestDb::AddOrder(d, QStringLiteral("T"), QDate(2024, 1, 1), mat, 1000.0,
                                             {{1000, 500, 2, 7, QStringLiteral(" цоколь  ")}});
    QFETCH(bool, memory);
    EngineTest::TAnyEngine engine(memory, d.Connection());
    TRecordedRun run;
    run.Attach(engine);
    engine.Execute();
    QCOMPARE(TestDb::Dump(d, QStringLiteral("ApplicatePositions")),
             Lines({"1|{A}|1000|500|2|4| цоколь  ", "2|{A}|1000|500|2|3|цоколь (часть позиции 1)"},
                   order));
    QCOMPARE(TestDb::Dump(d, QStringLiteral("Palletes")),
             Lines({"1|2|1000|1000|3|1000|NoMatch", "2|2|1000|1000|3|1000|NoMatch"}, order));
    QCOMPARE(TestDb::Dump(d, QStringLiteral("Solutions")),
             Lines({"1|{A}|1|1|2|4|NULL", "2|{A}|2|2|2|3|NULL"}, order));
    QCOMPARE(StageReports(run.Reports, 1),
             QStringList({QStringLiteral("1/6 Расщепление больших позиций"),
                          QStringLiteral("1/6 Расщепление больших позиций: проход 1")}));
}

void TEngineStagesTest::refusedBeforeCalculation_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<bool>("memory");
    QTest::addColumn<QVariant>("maxW");
    // A position of colour 1 added to the order: width, height, sheets (none when 0).
    QTest::addColumn<QList<qlonglong>>("extra");
    QTest::addColumn<QString>("message");
    const QString heavy = QStringLiteral(
        "Расчет невозможен: один лист тяжелее максимального веса поддона в позициях "
        "2 (3000×1500 мм, лист 64,8 кг при пределе 60 кг), 3 (3000×1400 мм, лист 60,48 кг при "
        "пределе 60 кг). Уменьшите листы этих позиций или увеличьте максимальный вес поддона.");
    for (const auto& [name, backend] :
         {std::pair{"sqlite", TBackend::Sqlite}, std::pair{"postgres", TBackend::Postgres}}) {
        for (const bool memory : {false, true}) {
            const auto row = [&](const char* ACase) {
                return &QTest::newRow(qPrintable(
                    QStringLiteral("%1 %2 %3")
                        .arg(QLatin1String(name),
                             memory ? QStringLiteral("memory") : QStringLiteral("literal"),
                             QLatin1String(ACase))));
            };
            *row("no limit") << backend << memory << QVariant() << QList<qlonglong>()
                             << QStringLiteral("Расчет невозможен: в заявке № Л не задан "
                                               "максимальный вес поддона.");
            *row("zero") << backend << memory << QVariant(0.0) << QList<qlonglong>()
                         << QStringLiteral("Расчет невозможен: в заявке № Л максимальный вес "
                                           "поддона 0 кг, а он должен быть больше нуля.");
            *row("negative") << backend << memory << QVariant(-5.5) << QList<qlonglong>()
                             << QStringLiteral("Расчет невозможен: в заявке № Л максимальный вес "
                                               "поддона -5,5 кг, а он должен быть больше нуля.");
            *row("heavy sheets") << backend << memory << QVariant(60.0) << QList<qlonglong>()
                                 << heavy;
            // The largest quantity a workbook may give, of sheets that would go 240 to a
            // pallet: refused by its sheets, in a moment, before any memory is spent.
            *row("sheets beyond the ceiling")
                << backend << memory << QVariant(1000.0) << QList<qlonglong>{100, 100, 2147483647}
                << QStringLiteral(
                       "Расчет невозможен: заявка № Л содержит 2\u00a0147\u00a0483\u00a0656 "
                       "листов, а один расчет принимает не больше 10\u00a0000\u00a0000 "
                       "листов. Проверьте количество листов в позициях или разделите "
                       "заявку на несколько.");
            // 9,000,004 sheets of 28.8 kg on colour 1 where a pallet carries 1000 kg and 60
            // rows: the weight needs 259,201 pallets, colour 2 one more.
            *row("pallets beyond the ceiling")
                << backend << memory << QVariant(1000.0) << QList<qlonglong>{2000, 1000, 9000000}
                << QStringLiteral("Расчет невозможен: для заявки № Л нужно не меньше "
                                  "259\u00a0202 поддонов, а за один расчет укладывается не больше "
                                  "100\u00a0000 поддонов. Проверьте количество листов в позициях "
                                  "или разделите заявку на несколько.");
        }
    }
}

void TEngineStagesTest::refusedBeforeCalculation() {
    QFETCH(QVariant, maxW);
    QFETCH(QList<qlonglong>, extra);
    QFETCH(QString, message);
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    // 14.4 kg a square metre: 2000×1000 weighs 28.8 kg, 3000×1500 64.8 kg, 3000×1400
    // 60.48 kg; 3000×1388 is 59.96 kg and fits.
    QList<TestDb::TPos> positions = {{2000, 1000, 1, 4, {}},
                                     {3000, 1500, 1, 1, {}},
                                     {3000, 1400, 2, 2, {}},
                                     {3000, 1388, 2, 2, {}}};
    if (!extra.isEmpty())
        positions << TestDb::TPos{extra[0], extra[1], 1, extra[2], {}};
    const qlonglong order =
        TestDb::AddOrder(d, QStringLiteral("Л"), QDate(2024, 1, 1), 1, maxW, positions);
    // An earlier result that must survive the refusal.
    const qlonglong old = TestDb::AddPallet(d, 1);
    TestDb::AddSolution(d, order, 1, old, 1, 4);
    const auto before = EngineTest::DumpWorking(d);
    QFETCH(bool, memory);
    EngineTest::TAnyEngine engine(memory, d.Connection());
    TRecordedRun run;
    run.Attach(engine);
    try {
        engine.Execute();
        QFAIL("the order was calculated");
    } catch (const ECalculationRefused& e) {
        QCOMPARE(e.Message(), message);
    }
    QVERIFY(run.Reports.isEmpty());
    QCOMPARE(EngineTest::DumpWorking(d), before);
}

void TEngineStagesTest::sameResultOnBothBackends() {
    TestDb::TConnected pg;
    QString why;
    if (!PgReachable(&pg, &why)) {
        if (TestDb::PostgresRequired() || !TestDb::IsUnavailable(why))
            QFAIL(qPrintable(why));
        QSKIP(qPrintable(why));
    }
    TestDb::TConnected lite;
    QVERIFY2(TestDb::Connect(TBackend::Sqlite, &lite, &why), qPrintable(why));

    for (const quint32 seed : {11u, 12u, 13u, 14u, 15u}) {
        QMap<QString, QStringList> result[2];
        QStringList reports[2];
        int i = 0;
        for (TDataModule* d : {lite.Data.get(), pg.Data.get()}) {
            d->Archivation();
            EngineTest::AddGeneratedOrder(*d, seed, 14 + static_cast<int>(seed % 4) * 5);
            TPalletCalculationEngine engine(d->Connection());
            TRecordedRun run;
            run.Attach(engine);
            engine.Execute();
            for (const QString& t : {QStringLiteral("ApplicatePositions"),
                                     QStringLiteral("Palletes"), QStringLiteral("Solutions")})
                result[i].insert(t, TestDb::Dump(*d, t));
            reports[i] = run.Reports;
            ++i;
        }
        QVERIFY(!result[0].value(QStringLiteral("Palletes")).isEmpty());
        QCOMPARE(result[1], result[0]);
        QCOMPARE(reports[1], reports[0]);
    }
}

QTEST_GUILESS_MAIN(TEngineStagesTest)
#include "tst_engine_stages.moc"
