#include "Errors.h"
#include "Schema.h"
#include "SheetsPerRow.h"
#include "SqlRun.h"
#include "TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>

namespace {


// A trigger that makes every insert into the table fail, written for the backend.
void BreakInserts(TDataModule& AData, const QString& ATable) {
    if (AData.Dialect().IsPostgres()) {
        AData.ExecSql(QStringLiteral("create function t_fail() returns trigger language plpgsql as "
                                     "$$ begin raise exception 'injected failure'; end $$"));
        AData.ExecSql(QStringLiteral("create trigger t_fail before insert on %1 for each row "
                                     "execute function t_fail()")
                          .arg(ATable));
    } else {
        AData.ExecSql(QStringLiteral("create trigger t_fail before insert on %1 begin "
                                     "select raise(abort, 'injected failure'); end")
                          .arg(ATable));
    }
}

} // namespace

class TSchemaTest : public QObject {
    Q_OBJECT
private slots:
    void createsSchemaOnce_data() { TestDb::AddBackendRows(); }
    void createsSchemaOnce();
    void partialSchemaRefused_data() { TestDb::AddBackendRows(); }
    void partialSchemaRefused();
    void archivationKeepsKeysAndNeverReuses_data() { TestDb::AddBackendRows(); }
    void archivationKeepsKeysAndNeverReuses();
    void archivationIsAtomic_data() { TestDb::AddBackendRows(); }
    void archivationIsAtomic();
    void clearArchiveIsAtomic_data() { TestDb::AddBackendRows(); }
    void clearArchiveIsAtomic();
    void badValuesRefused_data();
    void badValuesRefused();
    void causesInRussian_data();
    void causesInRussian();
    void qtyInRowMatchesRule_data() { TestDb::AddBackendRows(); }
    void qtyInRowMatchesRule();
    void palletMeasures_data() { TestDb::AddBackendRows(); }
    void palletMeasures();
    void serverEndsConnection_data() { TestDb::AddBackendRows(); }
    void serverEndsConnection();
    void reconnectWithOpenQueries_data() { TestDb::AddBackendRows(); }
    void reconnectWithOpenQueries();
    void connectFailures_data();
    void connectFailures();
    void splitScript();
};

void TSchemaTest::createsSchemaOnce() {
    GRAVELON_CONNECT(db);
    QVERIFY(db.Data->CreatedSchema());
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Materials")), 4);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Colors")), 12);
    for (const QString& t : Schema::TableNames().mid(0, 8))
        QCOMPARE(TestDb::Count(*db.Data, t), 0);
    const qlonglong order = TestDb::AddOrder(*db.Data, QStringLiteral("A-1"), QDate(2021, 5, 31), 1,
                                             1000.0, {{2000, 500, 1, 10, {}}});

    // Reconnecting to the same database finds the schema and leaves every row alone.
    TDataModule again;
    again.Connect(db.Db.Settings, db.Db.Folder);
    QVERIFY(!again.CreatedSchema());
    QCOMPARE(TestDb::Count(again, QStringLiteral("Materials")), 4);
    QCOMPARE(TestDb::Count(again, QStringLiteral("Colors")), 12);
    QCOMPARE(TestDb::LastId(again, QStringLiteral("Applicates")), order);
    QCOMPARE(TestDb::Count(again, QStringLiteral("ApplicatePositions")), 1);
    again.Disconnect();

    // A database of the first version lacks every table added since: each is made,
    // empty, and nothing else changes.
    for (const QString& t : Schema::AddedTables())
        db.Data->ExecSql(QStringLiteral("drop table ") + t);
    db.Data->Disconnect();
    TDataModule earlier;
    earlier.Connect(db.Db.Settings, db.Db.Folder);
    QVERIFY(!earlier.CreatedSchema());
    for (const QString& t : Schema::AddedTables())
        QCOMPARE(TestDb::Count(earlier, t), 0);
    QCOMPARE(TestDb::LastId(earlier, QStringLiteral("Applicates")), order);
}

void TSchemaTest::partialSchemaRefused() {
    GRAVELON_CONNECT(db);
    db.Data->ExecSql(QStringLiteral("drop table Solutions_archive"));
    TDataModule again;
    try {
        again.Connect(db.Db.Settings, db.Db.Folder);
        QFAIL("a database with some tables missing was accepted");
    } catch (const EDatabaseError& e) {
        QVERIFY2(e.Message().startsWith(QStringLiteral("Ошибка подключения к базе данных")),
                 qPrintable(e.Message()));
    }
    QVERIFY(!again.Connected());
}

void TSchemaTest::archivationKeepsKeysAndNeverReuses() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    QList<qlonglong> pos;
    const qlonglong first =
        TestDb::AddOrder(d, QStringLiteral("1"), QDate(2021, 5, 31), 2, 900.0,
                         {{2400, 1200, 3, 20, QStringLiteral("x")}, {1800, 300, 4, 7, {}}}, &pos);
    const qlonglong pallet = TestDb::AddPallet(d, 3);
    const qlonglong sol = TestDb::AddSolution(d, first, pos[0], pallet, 1, 20);
    const QStringList before[] = {TestDb::Dump(d, QStringLiteral("Applicates")),
                                  TestDb::Dump(d, QStringLiteral("ApplicatePositions")),
                                  TestDb::Dump(d, QStringLiteral("Palletes")),
                                  TestDb::Dump(d, QStringLiteral("Solutions"))};
    d.Archivation();
    const QStringList after[] = {TestDb::Dump(d, QStringLiteral("Applicates_archive")),
                                 TestDb::Dump(d, QStringLiteral("ApplicatePositions_archive")),
                                 TestDb::Dump(d, QStringLiteral("Palletes_archive")),
                                 TestDb::Dump(d, QStringLiteral("Solutions_archive"))};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(after[i], before[i]);
        QCOMPARE(TestDb::Count(d, Schema::TableNames().at(i)), 0);
    }

    // New rows never take a key an archived row holds.
    QList<qlonglong> pos2;
    const qlonglong second = TestDb::AddOrder(d, QStringLiteral("2"), QDate(2021, 6, 1), 2, 900.0,
                                              {{2400, 1200, 3, 5, {}}}, &pos2);
    QVERIFY(second > first);
    QVERIFY(pos2[0] > pos[1]);
    QVERIFY(TestDb::AddPallet(d, 3) > pallet);
    QVERIFY(TestDb::AddSolution(d, second, pos2[0], pallet + 1, 1, 5) > sol);
    d.Archivation();
    QCOMPARE(TestDb::Count(d, QStringLiteral("Applicates_archive")), 2);
    QCOMPARE(TestDb::Count(d, QStringLiteral("Solutions_archive")), 2);
}

void TSchemaTest::archivationIsAtomic() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    QList<qlonglong> pos;
    const qlonglong order = TestDb::AddOrder(d, QStringLiteral("1"), QDate(2021, 5, 31), 1, 900.0,
                                             {{2400, 1200, 3, 20, {}}}, &pos);
    TestDb::AddSolution(d, order, pos[0], TestDb::AddPallet(d, 3), 1, 20);
    QStringList before;
    for (const QString& t : Schema::TableNames())
        before << TestDb::Dump(d, t);
    BreakInserts(d, QStringLiteral("Solutions_archive"));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, d.Archivation());
    QStringList after;
    for (const QString& t : Schema::TableNames())
        after << TestDb::Dump(d, t);
    QCOMPARE(after, before);
}

void TSchemaTest::clearArchiveIsAtomic() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    QList<qlonglong> pos;
    const qlonglong order = TestDb::AddOrder(d, QStringLiteral("1"), QDate(2021, 5, 31), 1, 900.0,
                                             {{2400, 1200, 3, 20, {}}}, &pos);
    TestDb::AddSolution(d, order, pos[0], TestDb::AddPallet(d, 3), 1, 20);
    d.Archivation();
    QStringList before;
    for (const QString& t : Schema::TableNames())
        before << TestDb::Dump(d, t);
    // The last table to be emptied refuses: nothing of the archive may go.
    if (d.Dialect().IsPostgres()) {
        d.ExecSql(QStringLiteral("create function t_keep() returns trigger language plpgsql as "
                                 "$$ begin raise exception 'injected failure'; end $$"));
        d.ExecSql(QStringLiteral("create trigger t_keep before delete on Applicates_archive "
                                 "for each row execute function t_keep()"));
    } else {
        d.ExecSql(QStringLiteral("create trigger t_keep before delete on Applicates_archive "
                                 "begin select raise(abort, 'injected failure'); end"));
    }
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, d.ClearArchive());
    QStringList after;
    for (const QString& t : Schema::TableNames())
        after << TestDb::Dump(d, t);
    QCOMPARE(after, before);
    d.ExecSql(QStringLiteral("drop trigger t_keep") +
              (d.Dialect().IsPostgres() ? QStringLiteral(" on Applicates_archive") : QString()));
    d.ClearArchive();
    for (const QString& t : Schema::TableNames().mid(4, 4))
        QCOMPARE(TestDb::Count(d, t), 0);
}

void TSchemaTest::badValuesRefused_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<QString>("sql");
    const QList<QPair<QString, QString>> cases = {
        {"text in quantity",
         "insert into ApplicatePositions (ApplicateID, Width, Height, ColorID, Quantity) "
         "values (null, '2400', '1200', '1', 'много')"},
        {"fraction in width",
         "insert into ApplicatePositions (ApplicateID, Width, Height, ColorID, Quantity) "
         "values (null, '12,5', '1200', '1', '3')"},
        {"text in weight limit",
         "insert into Applicates (Number, Date, MaxW) values ('1', '2021-05-31', 'тонна')"},
        {"not a date", "insert into Applicates (Number, Date) values ('1', '31.05.2021x')"},
        {"unknown colour", "insert into Palletes (ColorID) values (999)"},
    };
    for (const auto& c : cases) {
        QTest::newRow(qPrintable(QStringLiteral("sqlite: ") + c.first))
            << TBackend::Sqlite << c.second;
        QTest::newRow(qPrintable(QStringLiteral("postgres: ") + c.first))
            << TBackend::Postgres << c.second;
    }
}

void TSchemaTest::badValuesRefused() {
    QFETCH(QString, sql);
    GRAVELON_CONNECT(db);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, db.Data->ExecSql(sql));
}

// Failures an operator can do something about are named in Russian first, the
// database's own text after them in brackets.
void TSchemaTest::causesInRussian_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<QString>("setup"); // statements run first, ';'-separated
    QTest::addColumn<int>("rows");      // colours then inserted one by one
    QTest::addColumn<QString>("cause");
    QTest::newRow("sqlite read-only") << TBackend::Sqlite << "PRAGMA query_only = ON" << 1
                                      << "файл базы данных открыт только для чтения";
    // The file may not grow past its present pages: the disk is full for it.
    QTest::newRow("sqlite disk full")
        << TBackend::Sqlite << "PRAGMA max_page_count = 1; PRAGMA max_page_count" << 2000
        << "на диске нет места для базы данных";
    // The disk fills as the transactions are written out at their commits: the file
    // lies on a small file system of the test's own, all but full.
    QTest::newRow("sqlite disk full at commit")
        << TBackend::Sqlite << "full disk" << 2000 << "на диске нет места для базы данных";
    QTest::newRow("postgres read-only")
        << TBackend::Postgres << "SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY" << 1
        << "сервер принимает только чтение";
}

void TSchemaTest::causesInRussian() {
    QFETCH(QString, setup);
    QFETCH(int, rows);
    QFETCH(QString, cause);
    GRAVELON_CONNECT(db);
    QByteArray mounted;
    const auto unmount = qScopeGuard([&mounted] {
        if (!mounted.isEmpty())
            umount2(mounted.constData(), MNT_DETACH);
    });
    if (setup == QLatin1String("full disk")) {
        // A mount of this process alone, gone with it.
        if (unshare(CLONE_NEWNS) != 0 ||
            mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            QSKIP("a file system of the test's own needs the right to mount one");
        const QString disk = QDir(db.Db.Folder).filePath(QStringLiteral("disk"));
        QVERIFY(QDir().mkpath(disk));
        QVERIFY(mount("tmpfs", QFile::encodeName(disk).constData(), "tmpfs", 0, "size=256k") == 0);
        mounted = QFile::encodeName(disk);
        // The file as made, moved onto it; then the room filled but for the shared-memory
        // index and a few pages.
        db.Data->Disconnect();
        TConnectionSettings settings = db.Db.Settings;
        settings.Baza = QDir(disk).filePath(QStringLiteral("full.db"));
        QVERIFY(QFile::copy(QDir(db.Db.Folder).filePath(db.Db.Settings.Baza), settings.Baza));
        struct statvfs room {};
        QVERIFY(statvfs(QFile::encodeName(disk).constData(), &room) == 0);
        QFile filler(QDir(disk).filePath(QStringLiteral("filler")));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        filler.write(QByteArray(qint64(room.f_bavail) * room.f_frsize - 40 * 1024, '\0'));
        filler.close();
        db.Data->Connect(settings, db.Db.Folder);
        setup.clear();
    }
    for (const QString& sql : setup.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        SqlRun::Value(db.Data->Connection(), sql.trimmed());
    QString message;
    try {
        for (int i = 0; i < rows; ++i)
            db.Data->ExecSql(QStringLiteral("insert into Colors (Code, name) values ('Z%1', "
                                            "'%2')")
                                 .arg(i)
                                 .arg(QString(200, QLatin1Char('x'))));
    } catch (const EDatabaseError& e) {
        message = e.Message();
    }
    QVERIFY2(message.startsWith(QStringLiteral("Ошибка базы данных: ") + cause),
             qPrintable(message));
    // The database's own words follow, for whoever looks after it.
    QVERIFY2(message.endsWith(QLatin1Char(')')) && message.size() > 20 + cause.size() + 5,
             qPrintable(message));
}

void TSchemaTest::qtyInRowMatchesRule() {
    GRAVELON_CONNECT(db);
    const QList<int> heights = {1, 200, 300, 301, 399, 400, 401, 600, 750, 751, 1500};
    const QList<int> quantities = {-2, 0, 1, 2, 3, 4, 5, 100};
    for (int h : heights) {
        for (int q : quantities) {
            const QVariant v = SqlRun::Value(
                db.Data->Connection(), QStringLiteral("select QtyInRow(%1, %2)").arg(h).arg(q));
            QVERIFY2(v.toLongLong() == SheetsPerRowRule(h, q),
                     qPrintable(
                         QStringLiteral("QtyInRow(%1, %2) = %3").arg(h).arg(q).arg(v.toString())));
        }
    }
    QVERIFY(
        SqlRun::Value(db.Data->Connection(), QStringLiteral("select QtyInRow(null, 3)")).isNull());
}

void TSchemaTest::palletMeasures() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    QList<qlonglong> pos;
    // Material 2: 18 kg/m2. 2000 x 500 x 5 sheets = 5 m2 = 90 kg, 2 abreast -> 3 rows;
    // 1000 x 250 x 4 = 1 m2 = 18 kg, 4 abreast -> 1 row.
    const qlonglong order = TestDb::AddOrder(d, QStringLiteral("1"), QDate(2021, 5, 31), 2, 900.0,
                                             {{2000, 500, 1, 5, {}}, {1000, 250, 1, 4, {}}}, &pos);
    const qlonglong pallet = TestDb::AddPallet(d, 1);
    const qlonglong empty = TestDb::AddPallet(d, 1);
    TestDb::AddSolution(d, order, pos[0], pallet, 2, 5);
    TestDb::AddSolution(d, order, pos[1], pallet, 4, 4);
    auto value = [&](const QString& ASql) { return SqlRun::Value(d.Connection(), ASql); };
    QCOMPARE(value(QStringLiteral("select pw(%1)").arg(pallet)).toDouble(), 108.0);
    QCOMPARE(value(QStringLiteral("select ph(%1)").arg(pallet)).toLongLong(), 4);
    QCOMPARE(value(QStringLiteral("select pw(%1)").arg(empty)).toDouble(), 0.0);
    QCOMPARE(value(QStringLiteral("select ph(%1)").arg(empty)).toLongLong(), 0);
    d.Archivation();
    QCOMPARE(value(QStringLiteral("select pwa(%1)").arg(pallet)).toDouble(), 108.0);
    QCOMPARE(value(QStringLiteral("select pha(%1)").arg(pallet)).toLongLong(), 4);
    // The working-table functions accept an archived key without failing.
    QCOMPARE(value(QStringLiteral("select pw(%1)").arg(pallet)).toDouble(), 0.0);
}

// A server that ends the program's session (a restart, an administrator): the
// statement under way fails with the program's own sentence, libpq knows the
// connection broken, and the next command connects again by itself.
void TSchemaTest::serverEndsConnection() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    const bool server = d.Dialect().IsPostgres();
    QCOMPARE(SqlRun::PostgresConnection(d.Connection()) != nullptr, server);
    if (!server)
        return;
    QVERIFY(!SqlRun::ServerConnectionBroken(d.Connection()));
    TDataModule other;
    other.Connect(db.Db.Settings, db.Db.Folder);
    {
        // Held across the cut, so that the data module cannot connect again under it.
        TTransaction tr(d.Connection(), d.Dialect(), TTransactionKind::Read);
        other.OpenSql(QStringLiteral("select pg_terminate_backend(pid) from pg_stat_activity "
                                     "where datname = current_database() and pid <> "
                                     "pg_backend_pid()"));
        QVERIFY_THROWS_EXCEPTION(EConnectionLost, d.OpenSql(QStringLiteral("select 1")));
        QVERIFY(SqlRun::ServerConnectionBroken(d.Connection()));
    }
    QCOMPARE(d.OpenSql(QStringLiteral("select 41 + 1")).value(0).value(0).toInt(), 42);
    QVERIFY(!SqlRun::ServerConnectionBroken(d.Connection()));
}

void TSchemaTest::reconnectWithOpenQueries() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    const qlonglong order = TestDb::AddOrder(d, QStringLiteral("1"), QDate(2021, 5, 31), 1, 500.0,
                                             {{2000, 500, 1, 3, {}}});
    d.OpenOrders(TOrderFilter::ById(order));
    d.OpenPositions(order);
    d.OpenColours();
    // Connecting again closes the grids' queries of the old connection first; closing them
    // once more afterwards must not reach back into the connection that is gone.
    d.Connect(db.Db.Settings, db.Db.Folder);
    d.Orders()->Close();
    d.Positions()->Close();
    d.OpenPositions(order);
    QCOMPARE(d.Positions()->RowCount(), 1);
    try {
        d.Connect({QStringLiteral("127.0.0.1:1"), QStringLiteral("x"), QStringLiteral("a"),
                   QStringLiteral("b")},
                  db.Db.Folder);
    } catch (const EDatabaseError&) {
    }
    // A failed attempt leaves the working connection and its queries as they were.
    QVERIFY(d.Connected());
    QVERIFY(d.Positions()->IsOpen());
    QCOMPARE(d.Positions()->RowCount(), 1);
    d.OpenColours();
    QCOMPARE(d.Colours()->RowCount(), 12);
    d.Disconnect();
    QVERIFY(!d.Positions()->IsOpen());
    d.Positions()->Close();
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, d.OpenColours());
}

// The operator reads first, in Russian, what went wrong and what to check; the
// server's own words may follow, the driver's and the password never.
void TSchemaTest::connectFailures_data() {
    QTest::addColumn<QString>("serv"); // "pg": the test server
    QTest::addColumn<QString>("baza"); // "fresh": a new database whose user may not create
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("says");
    const QString secret = QStringLiteral("Секрет-пароль-42");
    QTest::newRow("embedded without a file name") << ""
                                                  << "  " << secret << "не указан файл";
    QTest::newRow("embedded file in a missing folder")
        << ""
        << "no/such/folder/x.db" << secret << "не удалось открыть файл";
    QTest::newRow("embedded path that is a folder")
        << ""
        << "." << secret << "укажите в настройках подключения (Baza) файл базы данных: ";
    QTest::newRow("server that does not answer")
        << "127.0.0.1:1"
        << "gravelon" << secret
        << "сервер 127.0.0.1:1 недоступен (база данных «gravelon»). Проверьте";
    QTest::newRow("server port not a number") << "localhost:abc"
                                              << "gravelon" << secret << "неверный порт сервера";
    QTest::newRow("server refuses the password")
        << "pg"
        << "postgres" << secret << "отказал в подключении к базе данных «postgres» пользователю «";
    QTest::newRow("server has no such database")
        << "pg"
        << "нет_такой_базы" << QString()
        << "отказал в подключении к базе данных «нет_такой_базы» пользователю «";
    QTest::newRow("user may not create the tables")
        << "pg"
        << "fresh" << QString() << "попросите администратора сервера выдать пользователю «";
}

void TSchemaTest::connectFailures() {
    QFETCH(QString, serv);
    QFETCH(QString, baza);
    QFETCH(QString, password);
    QFETCH(QString, says);
    QTemporaryDir dir;
    TConnectionSettings settings{serv, baza, QStringLiteral("gravelon"), password};
    TestDb::TFreshDatabase fresh;
    if (serv == QLatin1String("pg")) {
        // A fresh database of the test server, also where another one is named, so a
        // server that is not there skips or fails as every PostgreSQL test does.
        QString why;
        if (!TestDb::Fresh(TBackend::Postgres, &fresh, &why)) {
            if (TestDb::PostgresRequired() || !TestDb::IsUnavailable(why))
                QFAIL(qPrintable(why));
            QSKIP(qPrintable(why));
        }
        settings = fresh.Settings;
        if (baza == QLatin1String("fresh")) {
            // The owner gives up its own right to create there, as a login the
            // administrator made for using the database only would lack it.
            const QString name = QStringLiteral("revoke_create");
            {
                QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
                admin.setHostName(settings.Serv.section(QLatin1Char(':'), 0, 0));
                admin.setPort(settings.Serv.section(QLatin1Char(':'), 1).toInt());
                admin.setDatabaseName(settings.Baza);
                admin.setUserName(settings.Log);
                admin.setPassword(settings.Pass);
                QVERIFY2(admin.open(), qPrintable(admin.lastError().text()));
                SqlRun::Exec(admin,
                             QStringLiteral("revoke create on schema public from current_user"));
                admin.close();
            }
            QSqlDatabase::removeDatabase(name);
        } else {
            settings.Baza = baza;
        }
        if (!password.isNull())
            settings.Pass = password;
    }
    TDataModule d;
    try {
        d.Connect(settings, dir.path());
        QFAIL("connected");
    } catch (const EDatabaseError& e) {
        QVERIFY2(e.Message().startsWith(QStringLiteral("Ошибка подключения к базе данных: ")),
                 qPrintable(e.Message()));
        QVERIFY2(e.Message().contains(says), qPrintable(e.Message()));
        QVERIFY2(!e.Message().contains(QStringLiteral("QPSQL")), qPrintable(e.Message()));
        if (!password.isEmpty())
            QVERIFY2(!e.Message().contains(password), qPrintable(e.Message()));
    }
    QVERIFY(!d.Connected());
}

void TSchemaTest::splitScript() {
    const QStringList st = Schema::SplitScript(
        QStringLiteral("-- comment;\nCREATE TABLE a (x int);\n\nCREATE FUNCTION f() RETURNS int\n"
                       "LANGUAGE sql AS $$\n  SELECT 1;\n$$;\nINSERT INTO a VALUES (1);"));
    QCOMPARE(st.size(), 3);
    QCOMPARE(st[0], QStringLiteral("CREATE TABLE a (x int)"));
    QVERIFY(st[1].contains(QStringLiteral("SELECT 1;")));
    QVERIFY(st[1].endsWith(QStringLiteral("$$")));
    QCOMPARE(st[2], QStringLiteral("INSERT INTO a VALUES (1)"));
}

QTEST_GUILESS_MAIN(TSchemaTest)
#include "tst_schema.moc"
