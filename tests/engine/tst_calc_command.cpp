// gravelon-cli calc: progress lines, exit codes, failure and Ctrl-C, on both databases.

#include "EngineTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <csignal>

namespace {

using TRun = EngineTest::TCliRun;

TRun Calc(const QString& AIni, const QStringList& AArgs = {}) {
    return EngineTest::RunCli(AIni, QStringList{QStringLiteral("calc")} + AArgs);
}

} // namespace

class TCalcCommandTest : public QObject {
    Q_OBJECT
private slots:
    void reportsAndCommits_data();
    void reportsAndCommits();
    void densePacks_data() { TestDb::AddBackendRows(); }
    void densePacks();
    void failureLeavesTables_data() { TestDb::AddBackendRows(); }
    void failureLeavesTables();
    void interruptCancels_data();
    void interruptCancels();
    void refusalAndUsage_data() { TestDb::AddBackendRows(); }
    void refusalAndUsage();
    void provenWhereWeightCannotTell_data() { TestDb::AddBackendRows(); }
    void provenWhereWeightCannotTell();
};

void TCalcCommandTest::reportsAndCommits_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<QStringList>("args");
    for (const auto& [name, backend] :
         {std::pair{"sqlite", TBackend::Sqlite}, std::pair{"postgres", TBackend::Postgres}}) {
        QTest::newRow(qPrintable(QStringLiteral("%1 default").arg(QLatin1String(name))))
            << backend << QStringList();
        QTest::newRow(qPrintable(QStringLiteral("%1 memory").arg(QLatin1String(name))))
            << backend << QStringList{QStringLiteral("--engine"), QStringLiteral("memory")};
        QTest::newRow(qPrintable(QStringLiteral("%1 literal").arg(QLatin1String(name))))
            << backend << QStringList{QStringLiteral("--engine"), QStringLiteral("literal")};
    }
}

// 7 sheets of 1 m² at 14.4 kg under 60 kg: 2 pallets, the weight proves it.
QString ColourFive(TDataModule& AData) {
    const QString code = AData.OpenSql(QStringLiteral("select Code from Colors where ID = 5"))
                             .value(0)
                             .value(0)
                             .toString()
                             .trimmed();
    return QStringLiteral("colour %1: pallets 2, lower bound 2, proven minimum").arg(code);
}

void TCalcCommandTest::reportsAndCommits() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    QFETCH(QStringList, args);
    const qlonglong order = TestDb::AddOrder(d, QStringLiteral("7"), QDate(2024, 1, 1), 1, 60.0,
                                             {{1000, 1000, 5, 7, {}}});
    const TRun r = Calc(db.Db.IniPath, args);
    QVERIFY2(r.Code == 0, qPrintable(r.Err));
    QVERIFY2(r.Err.isEmpty(), qPrintable(r.Err));
    QCOMPARE(r.Out, QStringList({QStringLiteral("0/6 Подготовка расчета"),
                                 QStringLiteral("1/6 Расщепление больших позиций"),
                                 QStringLiteral("1/6 Расщепление больших позиций: проход 1"),
                                 QStringLiteral("2/6 Начальное распределение поддонов"),
                                 QStringLiteral("3/6 Расщепление исходных поддонов"),
                                 QStringLiteral("3/6 Расщепление исходных поддонов: проход 1"),
                                 QStringLiteral("4/6 Переброска целых поддонов"),
                                 QStringLiteral("4/6 Переброска целых поддонов: проход 1"),
                                 QStringLiteral("4/6 Переброска целых поддонов: проход 2"),
                                 QStringLiteral("5/6 Уточнение размеров поддонов"),
                                 QStringLiteral("6/6 Расчет завершен"), ColourFive(d),
                                 QStringLiteral("pallets 2, lower bound 2")}));
    const QString a = QString::number(order);
    QCOMPARE(TestDb::Dump(d, QStringLiteral("ApplicatePositions")),
             QStringList({QStringLiteral("1|%1|1000|1000|5|4|NULL").arg(a),
                          QStringLiteral("2|%1|1000|1000|5|3|(часть позиции 1)").arg(a)}));
    QCOMPARE(TestDb::Dump(d, QStringLiteral("Palletes")),
             QStringList({QStringLiteral("1|5|1000|1000|60|60|NoMatch"),
                          QStringLiteral("2|5|1000|1000|60|60|NoMatch")}));
}

void TCalcCommandTest::densePacks() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    // 7 sheets of 14.4 kg where a pallet carries 60 kg: 4 and 3, the 3 a part of its own.
    const qlonglong order = TestDb::AddOrder(d, QStringLiteral("7"), QDate(2024, 1, 1), 1, 60.0,
                                             {{1000, 1000, 5, 7, {}}});
    const TRun r = Calc(db.Db.IniPath, {QStringLiteral("--dense")});
    QVERIFY2(r.Code == 0, qPrintable(r.Err));
    QVERIFY2(r.Err.isEmpty(), qPrintable(r.Err));
    QCOMPARE(r.Out, QStringList({QStringLiteral("0/6 Подготовка расчета"),
                                 QStringLiteral("1/6 Плотная укладка: проверка заявки"),
                                 QStringLiteral("2/6 Плотная укладка: цвет 1 из 1"),
                                 QStringLiteral("5/6 Плотная укладка: запись поддонов"),
                                 QStringLiteral("6/6 Расчет завершен"), ColourFive(d),
                                 QStringLiteral("pallets 2, lower bound 2")}));
    const QString a = QString::number(order);
    QCOMPARE(TestDb::Dump(d, QStringLiteral("ApplicatePositions")),
             QStringList({QStringLiteral("1|%1|1000|1000|5|4|NULL").arg(a),
                          QStringLiteral("2|%1|1000|1000|5|3|(часть позиции 1)").arg(a)}));
    QCOMPARE(TestDb::Dump(d, QStringLiteral("Palletes")),
             QStringList({QStringLiteral("1|5|1000|1000|60|60|NULL"),
                          QStringLiteral("2|5|1000|1000|60|60|NULL")}));
    // Refused as the calculation refuses, before anything changes; --engine does not
    // go with it.
    d.ExecSql(QStringLiteral("update Applicates set MaxW = 10"));
    const auto before = EngineTest::DumpWorking(d);
    const TRun heavy = Calc(db.Db.IniPath, {QStringLiteral("--dense")});
    QCOMPARE(heavy.Code, 1);
    QVERIFY2(heavy.Err.startsWith(QStringLiteral("Расчет невозможен: один лист тяжелее")),
             qPrintable(heavy.Err));
    QCOMPARE(EngineTest::DumpWorking(d), before);
    const TRun both = Calc(db.Db.IniPath, {QStringLiteral("--dense"), QStringLiteral("--engine"),
                                           QStringLiteral("memory")});
    QCOMPARE(both.Code, 2);
    QVERIFY(both.Out.isEmpty());
}

void TCalcCommandTest::failureLeavesTables() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    TestDb::AddOrder(d, QStringLiteral("N"), QDate(2024, 1, 1), 1, 60.0,
                     {{1000, 1000, 5, 7, {}}, {1000, 1000, 6, 2, {}}});
    d.ExecSql(QStringLiteral("update ApplicatePositions set ColorID = null where ColorID = 6"));
    const auto before = EngineTest::DumpWorking(d);
    const TRun r = Calc(db.Db.IniPath);
    QVERIFY(r.Code > 0);
    QVERIFY2(r.Err.startsWith(QStringLiteral("Ошибка базы данных")), qPrintable(r.Err));
    QCOMPARE(r.Out.first(), QStringLiteral("0/6 Подготовка расчета"));
    QVERIFY(!r.Out.contains(QStringLiteral("6/6 Расчет завершен")));
    // Stage 1 had split the 7 sheets; the rollback undid it.
    QVERIFY(r.Out.contains(QStringLiteral("1/6 Расщепление больших позиций: проход 1")));
    QCOMPARE(EngineTest::DumpWorking(d), before);
}

// Ctrl-C cancels; SIGTERM (a shutdown, a service manager) stops the run the same way,
// with the rollback, and says so instead of ending without a word.
void TCalcCommandTest::interruptCancels_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<int>("signal");
    for (auto [name, backend] :
         {std::pair{"sqlite", TBackend::Sqlite}, std::pair{"postgres", TBackend::Postgres}}) {
        QTest::addRow("%s Ctrl-C", name) << backend << int(SIGINT);
        QTest::addRow("%s SIGTERM", name) << backend << int(SIGTERM);
    }
}

void TCalcCommandTest::interruptCancels() {
    QFETCH(int, signal);
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    // A material without a stack limit: every position and every pallet with contents
    // counts as too tall, stage 1 and then stage 3 run up to their pass limits, which takes
    // the literal engine far longer than this test waits.
    const qlonglong mat = EngineTest::AddMaterial(d, 14.4, 0);
    TestDb::AddOrder(d, QStringLiteral("L"), QDate(2024, 1, 1), mat, 1000.0,
                     {{2000, 1000, 1, 8, {}}, {1500, 1000, 1, 9, {}}, {1200, 500, 1, 4, {}}});
    const auto before = EngineTest::DumpWorking(d);

    QProcess p;
    p.start(CliRun::Path(), {QStringLiteral("--settings"), db.Db.IniPath, QStringLiteral("calc"),
                        QStringLiteral("--engine"), QStringLiteral("literal")});
    QVERIFY(p.waitForStarted());
    QByteArray out;
    const QByteArray mark =
        QStringLiteral("3/6 Расщепление исходных поддонов: проход 3\n").toUtf8();
    QElapsedTimer waited;
    waited.start();
    while (!out.contains(mark) && waited.elapsed() < 60000 && p.state() == QProcess::Running) {
        p.waitForReadyRead(1000);
        out += p.readAllStandardOutput();
    }
    QVERIFY2(out.contains(mark), out.constData());
    ::kill(static_cast<pid_t>(p.processId()), signal);
    const bool finished = p.waitForFinished(30000);
    if (!finished) {
        p.kill();
        p.waitForFinished();
    }
    QVERIFY2(finished, "the signal did not stop the run");
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), signal == SIGTERM ? 128 + SIGTERM : 130);
    out += p.readAllStandardOutput();
    QCOMPARE(QString::fromUtf8(p.readAllStandardError()).trimmed(),
             signal == SIGTERM
                 ? QStringLiteral("Команда остановлена по сигналу завершения; ничего не изменено")
                 : QStringLiteral("Расчет прерван пользователем"));
    QVERIFY(!out.contains(QStringLiteral("6/6").toUtf8()));
    QCOMPARE(EngineTest::DumpWorking(d), before);
}

void TCalcCommandTest::refusalAndUsage() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    TestDb::AddOrder(d, QStringLiteral("Б"), QDate(2024, 1, 1), 1, QVariant(),
                     {{1000, 1000, 5, 7, {}}});
    const auto before = EngineTest::DumpWorking(d);
    for (const QStringList& args :
         {QStringList(), QStringList{QStringLiteral("--engine"), QStringLiteral("literal")}}) {
        const TRun r = Calc(db.Db.IniPath, args);
        QCOMPARE(r.Code, 1);
        QCOMPARE(r.Err.trimmed(), QStringLiteral("Расчет невозможен: в заявке № Б не задан "
                                                 "максимальный вес поддона."));
        QCOMPARE(r.Out, QStringList({QStringLiteral("0/6 Подготовка расчета")}));
    }
    QCOMPARE(EngineTest::DumpWorking(d), before);
    // An order that is nowhere was not replaced by anyone: it does not exist.
    const TRun unknown = Calc(db.Db.IniPath, {QStringLiteral("--order"), QStringLiteral("999999")});
    QCOMPARE(unknown.Code, 1);
    QCOMPARE(unknown.Err.trimmed(), QStringLiteral("Заявка 999999 не найдена"));

    // The largest quantity a workbook may give: every calculation refuses it alike, at
    // once, naming the ceiling, where it used to run on through gigabytes.
    d.ExecSql(QStringLiteral("update Applicates set MaxW = 1000"));
    d.ExecSql(QStringLiteral("update ApplicatePositions set Quantity = 2147483647"));
    const auto large = EngineTest::DumpWorking(d);
    for (const QStringList& args :
         {QStringList(), QStringList{QStringLiteral("--engine"), QStringLiteral("literal")},
          QStringList{QStringLiteral("--dense")}}) {
        const TRun r = Calc(db.Db.IniPath, args);
        QCOMPARE(r.Code, 1);
        QCOMPARE(
            r.Err.trimmed(),
            QStringLiteral("Расчет невозможен: заявка № Б содержит 2\u00a0147\u00a0483\u00a0647 "
                           "листов, а один расчет принимает не больше 10\u00a0000\u00a0000 "
                           "листов. Проверьте количество листов в позициях или разделите "
                           "заявку на несколько."));
        QVERIFY(!r.Out.join(QLatin1Char('\n')).contains(QStringLiteral("2/6")));
    }
    QCOMPARE(EngineTest::DumpWorking(d), large);
    for (const QStringList& args : {QStringList{QStringLiteral("--engine")},
                                    QStringList{QStringLiteral("--engine"), QStringLiteral("sql")},
                                    QStringList{QStringLiteral("extra")}}) {
        const TRun r = Calc(db.Db.IniPath, args);
        QCOMPARE(r.Code, 2);
        QVERIFY(r.Out.isEmpty());
    }
}


// Ten sheets of 77.8 kg and six of 51.8 kg under 127 kg: no heavy sheet shares a pallet,
// two light ones do, so 13 pallets and no fewer, where the weight alone says 9. Both
// calculations print it per colour and in the summary; the five stages may need more
// pallets, never a lower bound.
void TCalcCommandTest::provenWhereWeightCannotTell() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    TestDb::AddOrder(d, QStringLiteral("Т"), QDate(2024, 1, 1), 1, 127.0,
                     {{3600, 1500, 5, 10, {}}, {3000, 1200, 5, 6, {}}});
    const TRun dense = Calc(db.Db.IniPath, {QStringLiteral("--dense")});
    QVERIFY2(dense.Code == 0, qPrintable(dense.Err));
    const QString code = ColourFive(d).section(QLatin1Char(':'), 0, 0);
    QCOMPARE(dense.Out.mid(dense.Out.size() - 2),
             QStringList({code + QStringLiteral(": pallets 13, lower bound 13, proven minimum"),
                          QStringLiteral("pallets 13, lower bound 13")}));
    for (const char* t : {"Solutions", "Palletes"})
        d.ExecSql(QStringLiteral("delete from %1").arg(QLatin1String(t)));
    d.ExecSql(QStringLiteral("delete from ApplicatePositions where Comment like '%часть%'"));
    d.ExecSql(QStringLiteral("update ApplicatePositions set Quantity = 10 where Width = 3600"));
    d.ExecSql(QStringLiteral("update ApplicatePositions set Quantity = 6 where Width = 3000"));
    const TRun stages = Calc(db.Db.IniPath);
    QVERIFY2(stages.Code == 0, qPrintable(stages.Err));
    const QRegularExpression line(QStringLiteral("^pallets (\\d+), lower bound 13$"));
    const QRegularExpressionMatch m = line.match(stages.Out.last());
    QVERIFY2(m.hasMatch(), qPrintable(stages.Out.join(QLatin1Char('\n'))));
    const int pallets = m.captured(1).toInt();
    QCOMPARE(stages.Out.at(stages.Out.size() - 2),
             code + QStringLiteral(": pallets %1, lower bound 13, %2")
                        .arg(pallets)
                        .arg(pallets == 13 ? QStringLiteral("proven minimum")
                                           : QStringLiteral("not proven")));
}

QTEST_GUILESS_MAIN(TCalcCommandTest)
#include "tst_calc_command.moc"
