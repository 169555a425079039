#include "SqlRun.h"
#include "TestDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlError>
#include <QTest>
#include <QThread>
#include <memory>
#include <vector>

namespace {

struct TRun {
    int Code = -1;
    QString Out;
    QString Err;
};

TRun RunCli(const QStringList& AArgs) {
    QProcess p;
    p.start(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("gravelon-cli")),
            AArgs);
    TRun r;
    if (!p.waitForFinished(60000))
        return r;
    r.Code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.Out = QString::fromUtf8(p.readAllStandardOutput());
    r.Err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace

class TCliOrdersTest : public QObject {
    Q_OBJECT
private slots:
    void listsOrders_data() { TestDb::AddBackendRows(); }
    void listsOrders();
    void scriptableOutput_data() { TestDb::AddBackendRows(); }
    void scriptableOutput();
    void createsEmbeddedDatabase();
    void firstConnectionsAtOnce_data() { TestDb::AddBackendRows(); }
    void firstConnectionsAtOnce();
    void failures_data();
    void failures();
};

void TCliOrdersTest::listsOrders() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    const qlonglong first = TestDb::AddOrder(d, QStringLiteral("17'А"), QDate(2021, 5, 31), 2,
                                             900.0, {}, nullptr, QStringLiteral("ООО Ромашка"));
    d.Archivation();
    const qlonglong second = TestDb::AddOrder(d, QStringLiteral("18"), QDate(2021, 5, 31), 1, 900.0,
                                              {}, nullptr, QStringLiteral("ИП Лебедев"));
    TestDb::AddOrder(d, QStringLiteral("19"), QDate::currentDate(), 3, 900.0, {});

    TRun r = RunCli({QStringLiteral("--settings"), db.Db.IniPath, QStringLiteral("orders"),
                     QStringLiteral("--date"), QStringLiteral("2021-05-31")});
    QVERIFY2(r.Code == 0, qPrintable(r.Err));
    QStringList lines = r.Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lines.sort();
    QVERIFY2(lines.size() == 2, qPrintable(r.Out + r.Err));
    QCOMPARE(
        lines,
        QStringList(
            {QStringLiteral("%1\t17'А\t2021-05-31\tООО Ромашка\tФиброцементная плита").arg(first),
             QStringLiteral("%1\t18\t2021-05-31\tИП Лебедев\tФиброцементная плита").arg(second)}));

    r = RunCli({QStringLiteral("--settings"), db.Db.IniPath, QStringLiteral("orders"),
                QStringLiteral("--number"), QStringLiteral("'А")});
    QCOMPARE(r.Code, 0);
    QVERIFY2(r.Out.startsWith(QString::number(first) + QLatin1Char('\t')), qPrintable(r.Out));
    QCOMPARE(r.Out.count(QLatin1Char('\n')), 1);

    // Without a condition: today's orders.
    r = RunCli({QStringLiteral("--settings"), db.Db.IniPath, QStringLiteral("orders")});
    QCOMPARE(r.Code, 0);
    QCOMPARE(r.Out.count(QLatin1Char('\n')), 1);
    QVERIFY(r.Out.contains(QStringLiteral("\t19\t")));
}

// Whatever a name holds, "orders" prints one line an order and JSON that parses back to
// the stored texts; names imported through the tool are stored on one line.
void TCliOrdersTest::scriptableOutput() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    // Written by another program, as the database may hold them.
    const QString customer = QStringLiteral("ООО\t«Рога\nи копыта»\\\r");
    QList<qlonglong> pos;
    const qlonglong order = TestDb::AddOrder(d, QStringLiteral("7\\8"), QDate(2021, 5, 31), 1,
                                             900.0, {{2000, 1000, 3, 4, {}}}, &pos, customer);
    TestDb::AddSolution(d, order, pos[0], TestDb::AddPallet(d, 3), 1, 4);
    const QStringList base = {QStringLiteral("--settings"), db.Db.IniPath};

    TRun r = RunCli(base + QStringList{"orders", "--date", "2021-05-31"});
    QVERIFY2(r.Code == 0, qPrintable(r.Err));
    QCOMPARE(r.Out, QStringLiteral("%1\t7\\\\8\t2021-05-31\tООО\\t«Рога\\nи копыта»\\\\\\r\t"
                                   "Фиброцементная плита\n")
                        .arg(order));
    r = RunCli(base + QStringList{"orders", "--date", "2021-05-31", "--format", "json"});
    QVERIFY2(r.Code == 0, qPrintable(r.Err));
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(r.Out.toUtf8(), &error);
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
    QCOMPARE(json.array().size(), 1);
    const QJsonObject o = json.array().first().toObject();
    QCOMPARE(o.keys(), QStringList({"customer", "date", "id", "material", "number"}));
    QCOMPARE(o.value("id").toInteger(), order);
    QCOMPARE(o.value("number").toString(), QStringLiteral("7\\8"));
    QCOMPARE(o.value("customer").toString(), customer);

    r = RunCli(base +
               QStringList{"pallets", "--order", QString::number(order), "--format", "json"});
    QVERIFY2(r.Code == 0, qPrintable(r.Err));
    const QJsonArray pallets = QJsonDocument::fromJson(r.Out.toUtf8()).array();
    QCOMPARE(pallets.size(), 1);
    QCOMPARE(pallets.first().toObject().value("number").toInteger(), 1);
    QCOMPARE(pallets.first().toObject().keys(),
             QStringList({"colour", "id", "number", "pinned", "rows", "sheets", "weight"}));
    QCOMPARE(pallets.first().toObject().value("colour").toString(), QStringLiteral("RAL 1015"));
    QCOMPARE(pallets.first().toObject().value("sheets").toInteger(), 4);
    r = RunCli(base + QStringList{"orders", "--format", "csv"});
    QCOMPARE(r.Code, 2);
    QVERIFY(r.Out.isEmpty());

    // A name typed with a line break or a tab is stored with spaces.
    r = RunCli(base + QStringList{"import",
                                  QDir(qEnvironmentVariable("GRAVELON_SOURCE_DIR"))
                                      .filePath(QStringLiteral("tests/intake/data/sample.xlsx")),
                                  "--number", "N\t1", "--customer", "ООО\r\nЛето\tи зима",
                                  "--max-weight", "1300", "--material", "1", "--date",
                                  "2021-06-01"});
    QVERIFY2(r.Code == 0, qPrintable(r.Err));
    r = RunCli(base + QStringList{"orders", "--date", "2021-06-01"});
    QCOMPARE(r.Out.section(u'\t', 1), QStringLiteral("N 1\t2021-06-01\tООО Лето и зима\t"
                                                     "Фиброцементная плита\n"));
}

void TCliOrdersTest::createsEmbeddedDatabase() {
    TestDb::TFreshDatabase fresh;
    QString why;
    QVERIFY(TestDb::Fresh(TBackend::Sqlite, &fresh, &why));
    const QString file = QDir(fresh.Folder).filePath(fresh.Settings.Baza);
    QVERIFY(!QFile::exists(file));
    const TRun r = RunCli({QStringLiteral("--settings"), fresh.IniPath, QStringLiteral("orders")});
    QCOMPARE(r.Code, 0);
    QCOMPARE(r.Out, QString());
    QVERIFY(QFile::exists(file));
    TDataModule d;
    d.Connect(fresh.Settings, fresh.Folder);
    QVERIFY(!d.CreatedSchema());
    QCOMPARE(d.OpenSql(QStringLiteral("select count(*) from Colors")).value(0).value(0).toInt(),
             12);
    QCOMPARE(d.OpenSql(QStringLiteral("select count(*) from Materials")).value(0).value(0).toInt(),
             4);
}

// Several workstations meeting a database that has no tables yet, all at once: one
// makes the schema, the others wait for it like any writer and go on with their
// command. Many trials, since the moments the processes meet differ from one to the
// next; in every other one the test itself holds the write lock of the new database
// while they start (on SQLite an empty file, which their first statement would
// otherwise turn into a write at once), so that they surely meet a writer. Not timed.
void TCliOrdersTest::firstConnectionsAtOnce() {
    QFETCH(TBackend, backend);
    const int trials = backend == TBackend::Sqlite ? 30 : 8;
    for (int trial = 0; trial < trials; ++trial) {
        TestDb::TFreshDatabase fresh;
        QString why;
        if (!TestDb::Fresh(backend, &fresh, &why)) {
            if (backend == TBackend::Sqlite || TestDb::PostgresRequired() ||
                !TestDb::IsUnavailable(why))
                QFAIL(qPrintable(why));
            QSKIP(qPrintable(why));
        }
        const bool hold = trial % 2 == 1;
        const QString holder = QStringLiteral("holder");
        if (hold) {
            QSqlDatabase db;
            if (backend == TBackend::Sqlite) {
                db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), holder);
                db.setDatabaseName(QDir(fresh.Folder).filePath(fresh.Settings.Baza));
            } else {
                db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), holder);
                db.setHostName(fresh.Settings.Serv.section(QLatin1Char(':'), 0, 0));
                db.setPort(fresh.Settings.Serv.section(QLatin1Char(':'), 1).toInt());
                db.setDatabaseName(fresh.Settings.Baza);
                db.setUserName(fresh.Settings.Log);
                db.setPassword(fresh.Settings.Pass);
            }
            QVERIFY2(db.open(), qPrintable(db.lastError().text()));
            SqlRun::Exec(db, backend == TBackend::Sqlite
                                 ? QStringLiteral("BEGIN IMMEDIATE")
                                 : QStringLiteral("select pg_advisory_lock(%1)")
                                       .arg(TTransaction::WriteLockKey));
        }
        std::vector<std::unique_ptr<QProcess>> runs;
        for (int i = 0; i < 3; ++i) {
            runs.push_back(std::make_unique<QProcess>());
            runs.back()->start(
                QDir(QCoreApplication::applicationDirPath())
                    .filePath(QStringLiteral("gravelon-cli")),
                {QStringLiteral("--settings"), fresh.IniPath, QStringLiteral("orders")});
        }
        if (hold) {
            QThread::msleep(400);
            QSqlDatabase::database(holder).close();
            QSqlDatabase::removeDatabase(holder);
        }
        for (auto& p : runs) {
            QVERIFY(p->waitForFinished(60000));
            const QString err = QString::fromUtf8(p->readAllStandardError());
            QVERIFY2(p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0,
                     qPrintable(QStringLiteral("trial %1: %2").arg(trial).arg(err)));
            QVERIFY2(err.isEmpty(), qPrintable(err));
        }
        // The reference rows were made once.
        TDataModule d;
        d.Connect(fresh.Settings, fresh.Folder);
        QVERIFY(!d.CreatedSchema());
        QCOMPARE(d.OpenSql(QStringLiteral("select count(*) from Colors")).value(0).value(0).toInt(),
                 12);
        QCOMPARE(
            d.OpenSql(QStringLiteral("select count(*) from Materials")).value(0).value(0).toInt(),
            4);
    }
}

void TCliOrdersTest::failures_data() {
    QTest::addColumn<QString>("ini");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("server that does not answer")
        << "[CONNECT]\nServ=127.0.0.1:1\nBaza=x\nLog=a\nPass=Секрет-пароль-42\n"
        << QStringList{"orders"}
        << "Ошибка подключения к базе данных: сервер 127.0.0.1:1 недоступен (база данных «x»)";
    QTest::newRow("embedded path that is a folder")
        << "[CONNECT]\nServ=\nBaza=.\n"
        << QStringList{"orders"}
        << "Ошибка подключения к базе данных: укажите в настройках подключения (Baza) файл "
           "базы данных";
    QTest::newRow("embedded without file name")
        << "[CONNECT]\nServ=\nBaza=\n"
        << QStringList{"orders"} << "Ошибка подключения к базе данных";
    QTest::newRow("no settings file")
        << QString() << QStringList{"orders"} << "Файл example.ini не найден!";
    QTest::newRow("bad date") << "[CONNECT]\nServ=\nBaza=x.db\n"
                              << QStringList{"orders", "--date", "31.05.2021"} << "Неверная дата";
    QTest::newRow("unknown command") << "[CONNECT]\nServ=\nBaza=x.db\n"
                                     << QStringList{"bake"} << "Неизвестная команда";
}

void TCliOrdersTest::failures() {
    QFETCH(QString, ini);
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("example.ini"));
    if (!ini.isNull()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(ini.toUtf8());
    }
    const TRun r = RunCli(QStringList{QStringLiteral("--settings"), path} + args);
    QVERIFY(r.Code > 0);
    QVERIFY2(r.Err.startsWith(message), qPrintable(r.Err));
    // Neither the driver's words nor the password reach the operator.
    QVERIFY2(!r.Err.contains(QStringLiteral("QPSQL")) &&
                 !r.Err.contains(QStringLiteral("Секрет-пароль-42")),
             qPrintable(r.Err));
    QCOMPARE(r.Out, QString());
}

QTEST_GUILESS_MAIN(TCliOrdersTest)
#include "tst_cli_orders.moc"
