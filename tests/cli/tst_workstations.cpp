// Several workstations on one database: two gravelon-cli processes started together,
// many times, at random offsets, on both databases. Whatever order the commands
// happen to run in, the tables end consistent: one working order, every order's
// sheets those of its workbook, every calculated position's sheets all on pallets,
// and no process says anything but success or one of the program's own sentences.

#include "CalculationEngine.h"
#include "Errors.h"
#include "SqlRun.h"
#include "TestDatabase.h"
#include "XlsxFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlRecord>
#include <QTest>
#include <QThread>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utime.h>

namespace {

QString CliPath() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("gravelon-cli"));
}

struct TRun {
    int Code = -1;
    QString Out;
    QString Err;
    qint64 Ms = 0;
};

// One gravelon-cli command on the test's database, started now and read when done.
class TCli {
public:
    TCli(const QString& AIni, const QStringList& AArgs) {
        FTimer.start();
        FProcess.start(CliPath(), QStringList{QStringLiteral("--settings"), AIni} + AArgs);
    }
    TRun Wait() {
        TRun r;
        if (!FProcess.waitForFinished(120000)) {
            FProcess.kill();
            FProcess.waitForFinished();
            r.Err = QStringLiteral("(не завершилась за две минуты)");
            return r;
        }
        r.Ms = FTimer.elapsed();
        r.Code = FProcess.exitStatus() == QProcess::NormalExit ? FProcess.exitCode() : -1;
        r.Out = QString::fromUtf8(FProcess.readAllStandardOutput());
        r.Err = QString::fromUtf8(FProcess.readAllStandardError()).trimmed();
        return r;
    }
    QProcess& Process() { return FProcess; }

private:
    QProcess FProcess;
    QElapsedTimer FTimer;
};

TRun Cli(const QString& AIni, const QStringList& AArgs) {
    return TCli(AIni, AArgs).Wait();
}

const QStringList Codes = {QStringLiteral("RAL 9003"), QStringLiteral("RAL 7035"),
                           QStringLiteral("RAL 8017")};

// An order of APositions rows on the 8 mm board, some tall enough to be split, with
// the sheets of each size and colour it holds.
struct TWorkbook {
    QString Path;
    QMap<QString, qlonglong> Sheets; // "length|width|code" => sheets
    qlonglong Total = 0;
};

TWorkbook MakeWorkbook(const QString& AFolder, const QString& AName, int APositions,
                       quint32 ASeed) {
    QRandomGenerator random(ASeed);
    QList<QStringList> rows = {{QStringLiteral("Цвет"), QStringLiteral("Длина"),
                                QStringLiteral("Ширина"), QStringLiteral("Толщина"),
                                QStringLiteral("Количество"), QStringLiteral("Комментарий")}};
    TWorkbook w;
    w.Path = QDir(AFolder).filePath(AName);
    for (int i = 0; i < APositions; ++i) {
        const int length = 1200 + 100 * random.bounded(19);
        const int width = 300 + 50 * random.bounded(qMin(19, (length - 300) / 50));
        const int quantity = 1 + random.bounded(i % 4 == 0 ? 200 : 30);
        const QString code = Codes.at(random.bounded(Codes.size()));
        rows << QStringList{code,
                            QString::number(length),
                            QString::number(width),
                            QStringLiteral("8"),
                            QString::number(quantity),
                            i % 3 == 0 ? QStringLiteral("ряд %1").arg(i) : QString()};
        w.Sheets[QStringLiteral("%1|%2|%3").arg(length).arg(width).arg(code)] += quantity;
        w.Total += quantity;
    }
    if (!XlsxFixture::Write(w.Path, rows))
        w.Path.clear();
    return w;
}

QStringList ImportArgs(const TWorkbook& AWorkbook, const QString& ANumber) {
    return {QStringLiteral("import"),       AWorkbook.Path,
            QStringLiteral("--number"),     ANumber,
            QStringLiteral("--customer"),   QStringLiteral("ООО Гонка"),
            QStringLiteral("--max-weight"), QStringLiteral("900"),
            QStringLiteral("--material"),   QStringLiteral("1"),
            QStringLiteral("--date"),       QStringLiteral("2026-12-09")};
}


// What every state the races leave must satisfy; empty when it does.
QString Inconsistency(TDataModule& AData, const TWorkbook& AWorkbook) {
    if (TestDb::Scalar(AData, QStringLiteral("select count(*) from Applicates")) != 1)
        return QStringLiteral("в рабочих таблицах не одна заявка");
    if (TestDb::Scalar(AData, QStringLiteral("select count(*) from ApplicatePositions where ApplicateID "
                                    "not in (select ID from Applicates)")) != 0)
        return QStringLiteral("позиции чужой заявки в рабочих таблицах");
    for (const QString& suffix : {QString(), QStringLiteral("_archive")}) {
        const QString positions = QStringLiteral("ApplicatePositions") + suffix;
        const QString solutions = QStringLiteral("Solutions") + suffix;
        QMap<qlonglong, QMap<QString, qlonglong>> orders;
        for (const QSqlRecord& r : AData.OpenSql(
                 QStringLiteral("select ap.ApplicateID, ap.Width, ap.Height, c.Code, "
                                "sum(ap.Quantity) from %1 ap inner join Colors c on c.ID = "
                                "ap.ColorID group by ap.ApplicateID, ap.Width, ap.Height, c.Code")
                     .arg(positions))) {
            orders[r.value(0).toLongLong()].insert(QStringLiteral("%1|%2|%3")
                                                       .arg(r.value(1).toLongLong())
                                                       .arg(r.value(2).toLongLong())
                                                       .arg(r.value(3).toString()),
                                                   r.value(4).toLongLong());
        }
        for (auto it = orders.cbegin(); it != orders.cend(); ++it) {
            if (it.value() != AWorkbook.Sheets)
                return QStringLiteral("листы заявки %1 (%2) не те, что в книге")
                    .arg(it.key())
                    .arg(positions);
        }
        // A calculated order has every sheet of every position on a pallet, once.
        const QString placed =
            QStringLiteral("select ap.ID, ap.ApplicateID, ap.Quantity, "
                           "(select coalesce(sum(s.Quantity), 0) from %2 s where s.PosID = ap.ID "
                           "and s.ApplicateID = ap.ApplicateID) placed, "
                           "(select count(*) from %2 s where s.ApplicateID = ap.ApplicateID) "
                           "calculated from %1 ap")
                .arg(positions, solutions);
        for (const QSqlRecord& r : AData.OpenSql(placed)) {
            if (r.value(4).toLongLong() > 0 && r.value(2).toLongLong() != r.value(3).toLongLong())
                return QStringLiteral("позиция %1 заявки %2: %3 листов, на поддонах %4")
                    .arg(r.value(0).toLongLong())
                    .arg(r.value(1).toLongLong())
                    .arg(r.value(2).toLongLong())
                    .arg(r.value(3).toLongLong());
        }
        if (TestDb::Scalar(AData, QStringLiteral("select count(*) from %1 s where s.PosID not in (select "
                                        "ID from %2)")
                             .arg(solutions, positions)) != 0)
            return QStringLiteral("размещения без позиций в %1").arg(solutions);
    }
    return QString();
}

// The one thing a refused command may say besides its own outcome.
bool OwnSentence(const QString& AErr) {
    return AErr == EDatabaseBusy::BusyMessage ||
           AErr == TPalletCalculationEngine::OrderChangedMessage;
}

enum class TScenario { TwoCalculations, TwoImports, ImportAndCalculation, ClearingAndImport };

struct TTally {
    int Races = 0;
    int BothDone = 0;
    int Busy = 0;
    int OrderChanged = 0;
    qint64 Ms = 0;
};

int RacesPerScenario() {
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("GRAVELON_RACES", &ok);
    return ok && n > 0 ? n : 6;
}

} // namespace

Q_DECLARE_METATYPE(TScenario)

class TWorkstationsTest : public QObject {
    Q_OBJECT
private slots:
    void races_data();
    void races();
    void busyCommands_data() { TestDb::AddBackendRows(); }
    void busyCommands();
    void lostConnectionDuringCalculation();
    void lostConnectionDuringImport();
    void killedImports_data() { TestDb::AddBackendRows(); }
    void killedImports();
    void killedExports_data() { TestDb::AddBackendRows(); }
    void killedExports();
};

void TWorkstationsTest::races_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<TScenario>("scenario");
    const QList<QPair<const char*, TScenario>> scenarios = {
        {"two calculations", TScenario::TwoCalculations},
        {"two imports", TScenario::TwoImports},
        {"import and calculation", TScenario::ImportAndCalculation},
        {"archive clearing and import", TScenario::ClearingAndImport}};
    for (const auto& [backend, name] :
         {qMakePair(TBackend::Sqlite, "sqlite"), qMakePair(TBackend::Postgres, "postgres")})
        for (const auto& [text, scenario] : scenarios)
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(name, text)))
                << backend << scenario;
}

void TWorkstationsTest::races() {
    GRAVELON_CONNECT(db);
    QFETCH(TScenario, scenario);
    TDataModule& d = *db.Data;
    const QString ini = db.Db.IniPath;
    const TWorkbook book = MakeWorkbook(db.Db.Folder, QStringLiteral("заявка.xlsx"), 10, 7);
    QVERIFY(!book.Path.isEmpty());

    // A first order, and the time one command takes, so that the second one starts
    // anywhere from together with the first to about when it ends.
    TRun r = Cli(ini, ImportArgs(book, QStringLiteral("Н-0")));
    QVERIFY2(r.Code == 0, qPrintable(r.Err));
    const qint64 importMs = r.Ms;
    r = Cli(ini, {QStringLiteral("calc")});
    QVERIFY2(r.Code == 0, qPrintable(r.Err));
    const qint64 calcMs = r.Ms;

    QRandomGenerator random(20261209u + quint32(scenario));
    TTally tally;
    QElapsedTimer all;
    all.start();
    for (int race = 1; race <= RacesPerScenario(); ++race) {
        const QString numberA = QStringLiteral("А-%1").arg(race);
        const QString numberB = QStringLiteral("Б-%1").arg(race);
        QStringList a;
        QStringList b;
        qint64 span = 0;
        switch (scenario) {
        case TScenario::TwoCalculations:
            r = Cli(ini, ImportArgs(book, numberA));
            QVERIFY2(r.Code == 0, qPrintable(r.Err));
            a = b = QStringList{QStringLiteral("calc")};
            span = calcMs;
            break;
        case TScenario::TwoImports:
            a = ImportArgs(book, numberA);
            b = ImportArgs(book, numberB);
            span = importMs;
            break;
        case TScenario::ImportAndCalculation: {
            r = Cli(ini, ImportArgs(book, numberA));
            QVERIFY2(r.Code == 0, qPrintable(r.Err));
            a = ImportArgs(book, numberB);
            b = QStringList{QStringLiteral("calc"), QStringLiteral("--order"), r.Out.trimmed()};
            span = qMax(importMs, calcMs);
            break;
        }
        case TScenario::ClearingAndImport:
            a = QStringList{QStringLiteral("clear-archive"), QStringLiteral("--yes")};
            b = ImportArgs(book, numberB);
            span = importMs;
            break;
        }
        if (random.bounded(2) == 1)
            std::swap(a, b);
        const int offset = int(random.bounded(quint32(span + 1)));
        TRun ra;
        TRun rb;
        {
            TCli first(ini, a);
            QThread::msleep(ulong(offset));
            TCli second(ini, b);
            ra = first.Wait();
            rb = second.Wait();
        }
        const QString what =
            QStringLiteral("race %1, %2 ms apart: «%3» -> %4 «%5», «%6» -> %7 «%8»")
                .arg(race)
                .arg(offset)
                .arg(a.first())
                .arg(ra.Code)
                .arg(ra.Err)
                .arg(b.first())
                .arg(rb.Code)
                .arg(rb.Err);
        for (const TRun* run : {&ra, &rb}) {
            QVERIFY2((run->Code == 0 && run->Err.isEmpty()) ||
                         (run->Code == 1 && OwnSentence(run->Err)),
                     qPrintable(what));
        }
        ++tally.Races;
        if (ra.Code == 0 && rb.Code == 0)
            ++tally.BothDone;
        for (const TRun* run : {&ra, &rb}) {
            if (run->Err == EDatabaseBusy::BusyMessage)
                ++tally.Busy;
            if (run->Err == TPalletCalculationEngine::OrderChangedMessage)
                ++tally.OrderChanged;
        }
        const QString wrong = Inconsistency(d, book);
        QVERIFY2(wrong.isEmpty(), qPrintable(what + QStringLiteral(": ") + wrong));

        // What each scenario promises beyond the common rules.
        const QString working =
            d.OpenSql(QStringLiteral("select Number from Applicates")).value(0).value(0).toString();
        // Whether the import of a number ran (rather than found another workstation busy).
        const auto stored = [&](const QString& ANumber) {
            return (a.contains(ANumber) && ra.Code == 0) || (b.contains(ANumber) && rb.Code == 0);
        };
        const auto orders = [&](const QString& ANumber) {
            return TestDb::Scalar(d, QStringLiteral("select (select count(*) from Applicates where Number = "
                                           "'%1') + (select count(*) from Applicates_archive where "
                                           "Number = '%1')")
                                .arg(ANumber));
        };
        switch (scenario) {
        case TScenario::TwoCalculations:
            QCOMPARE(working, numberA);
            QVERIFY2(TestDb::Scalar(d, QStringLiteral("select count(*) from Solutions")) > 0,
                     qPrintable(what));
            break;
        case TScenario::TwoImports:
            // The last import to commit is the working order, the other archived.
            QVERIFY2((working == numberA && stored(numberA)) ||
                         (working == numberB && stored(numberB)),
                     qPrintable(what));
            for (const QString& n : {numberA, numberB})
                QVERIFY2(orders(n) == (stored(n) ? 1 : 0), qPrintable(what));
            break;
        case TScenario::ImportAndCalculation:
            QVERIFY2(working == (stored(numberB) ? numberB : numberA), qPrintable(what));
            break;
        case TScenario::ClearingAndImport:
            QVERIFY2(working == numberB || !stored(numberB), qPrintable(what));
            QVERIFY2(TestDb::Scalar(d, QStringLiteral("select count(*) from Applicates_archive")) <= 1,
                     qPrintable(what));
            break;
        }
    }
    tally.Ms = all.elapsed();
    qInfo("%d races in %lld ms (one import %lld ms, one calculation %lld ms): both done %d, "
          "busy %d, order changed %d",
          tally.Races, tally.Ms, importMs, calcMs, tally.BothDone, tally.Busy, tally.OrderChanged);
}

// While another workstation holds the write lock, every changing command waits its
// few seconds and gives up with the busy message, having changed nothing.
void TWorkstationsTest::busyCommands() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    const QString ini = db.Db.IniPath;
    const TWorkbook book = MakeWorkbook(db.Db.Folder, QStringLiteral("заявка.xlsx"), 5, 3);
    QVERIFY(Cli(ini, ImportArgs(book, QStringLiteral("Н-1"))).Code == 0);
    QVERIFY(Cli(ini, ImportArgs(book, QStringLiteral("Н-2"))).Code == 0);
    QStringList before;
    for (const char* t : {"Applicates", "ApplicatePositions", "Palletes", "Solutions",
                          "Applicates_archive", "ApplicatePositions_archive", "Customers"})
        before << TestDb::Dump(d, QString::fromLatin1(t));

    QElapsedTimer held;
    {
        TTransaction other(d.Connection(), d.Dialect());
        held.start();
        TCli calc(ini, {QStringLiteral("calc")});
        TCli import(ini, ImportArgs(book, QStringLiteral("Н-3")));
        TCli clear(ini, {QStringLiteral("clear-archive"), QStringLiteral("--yes")});
        for (TCli* c : {&calc, &import, &clear}) {
            const TRun r = c->Wait();
            QCOMPARE(r.Err, EDatabaseBusy::BusyMessage);
            QCOMPARE(r.Code, 1);
            // It waited for the lock before it gave up.
            QVERIFY2(r.Ms >= TTransaction::DefaultLockWait - 500,
                     qPrintable(QString::number(r.Ms)));
        }
        other.Rollback();
    }
    QStringList after;
    for (const char* t : {"Applicates", "ApplicatePositions", "Palletes", "Solutions",
                          "Applicates_archive", "ApplicatePositions_archive", "Customers"})
        after << TestDb::Dump(d, QString::fromLatin1(t));
    QCOMPARE(after, before);
    // The lock is free again: the same command goes through.
    const TRun r = Cli(ini, {QStringLiteral("calc")});
    QVERIFY2(r.Code == 0, qPrintable(r.Err));
}

namespace {

// Ends the program's other sessions on the test's PostgreSQL database, as a server
// restart or a dropped network link would; returns how many.
int TerminateOthers(TDataModule& AData) {
    return int(TestDb::Scalar(AData, QStringLiteral("select count(pg_terminate_backend(pid)) from "
                                           "pg_stat_activity where datname = current_database() "
                                           "and application_name = 'gravelon' and pid <> "
                                           "pg_backend_pid()")));
}

// A killed client's server session may still be finishing its last statement, a COMMIT
// included; what the killed import left is only settled once that session has ended.
void AwaitOthersEnded(TDataModule& AData, const TConnectionSettings& ASettings) {
    if (ASettings.Serv.isEmpty())
        return;
    QElapsedTimer waited;
    waited.start();
    while (TestDb::Scalar(AData, QStringLiteral("select count(*) from pg_stat_activity where datname = "
                                       "current_database() and application_name = 'gravelon' "
                                       "and pid <> pg_backend_pid()")) > 0 &&
           waited.elapsed() < 30000)
        QThread::msleep(20);
}

QStringList DumpAll(TDataModule& AData) {
    QStringList all;
    for (const char* t :
         {"Applicates", "ApplicatePositions", "Palletes", "Solutions", "Applicates_archive",
          "ApplicatePositions_archive", "Palletes_archive", "Solutions_archive", "Customers"})
        all << QString::fromLatin1(t) << TestDb::Dump(AData, QString::fromLatin1(t));
    return all;
}

} // namespace

// The server drops the calculation's connection half way: the run ends with the
// Russian message and the tables are as before it.
void TWorkstationsTest::lostConnectionDuringCalculation() {
    GRAVELON_CONNECT_TO(db, TBackend::Postgres);
    TDataModule& d = *db.Data;
    const QString ini = db.Db.IniPath;
    const TWorkbook book = MakeWorkbook(db.Db.Folder, QStringLiteral("заявка.xlsx"), 24, 7);
    QVERIFY(Cli(ini, ImportArgs(book, QStringLiteral("Н-1"))).Code == 0);
    const QStringList before = DumpAll(d);

    const QStringList marks = {QStringLiteral("1/6 "), QStringLiteral("3/6 "),
                               QStringLiteral("4/6 ")};
    for (const QString& mark : marks) {
        // The calculation works in memory and is done in milliseconds: this session
        // holds back its write (reads go on), so that it is still connected, whatever
        // the machine's load, when the server drops it.
        QSqlDatabase holder = d.Connection();
        QVERIFY(holder.transaction());
        SqlRun::Exec(holder, QStringLiteral("lock table Palletes in share mode"));
        TCli calc(ini, {QStringLiteral("calc")});
        QByteArray out;
        QElapsedTimer waited;
        waited.start();
        while (!out.contains(mark.toUtf8()) && waited.elapsed() < 30000 &&
               calc.Process().state() != QProcess::NotRunning) {
            calc.Process().waitForReadyRead(100);
            out += calc.Process().readAllStandardOutput();
        }
        QVERIFY2(out.contains(mark.toUtf8()), out.constData());
        QVERIFY(TerminateOthers(d) >= 1);
        QVERIFY(holder.rollback());
        const TRun r = calc.Wait();
        QCOMPARE(r.Err, EConnectionLost::LostMessage);
        QCOMPARE(r.Code, 1);
        QCOMPARE(DumpAll(d), before);
    }
    // The next command connects again and does its work.
    const TRun r = Cli(ini, {QStringLiteral("calc")});
    QVERIFY2(r.Code == 0, qPrintable(r.Err));
    QVERIFY(Inconsistency(d, book).isEmpty());
}

// The server drops an import's connection at a random moment: either the import had
// committed (the new order whole) or nothing of it is there and the previous order is
// still the working one.
void TWorkstationsTest::lostConnectionDuringImport() {
    GRAVELON_CONNECT_TO(db, TBackend::Postgres);
    TDataModule& d = *db.Data;
    const QString ini = db.Db.IniPath;
    const TWorkbook big = MakeWorkbook(db.Db.Folder, QStringLiteral("большая.xlsx"), 3000, 11);
    TRun r = Cli(ini, ImportArgs(big, QStringLiteral("Н-0")));
    QVERIFY2(r.Code == 0, qPrintable(r.Err));
    const qint64 importMs = r.Ms;

    QRandomGenerator random(11u);
    int lost = 0;
    int done = 0;
    for (int attempt = 1; attempt <= 4; ++attempt) {
        const QStringList before = DumpAll(d);
        const QString number = QStringLiteral("Н-%1").arg(attempt);
        TCli import(ini, ImportArgs(big, number));
        QThread::msleep(ulong(random.bounded(quint32(importMs))));
        TerminateOthers(d);
        r = import.Wait();
        if (r.Code == 0) {
            ++done;
        } else {
            // Cut while it was still connecting, the import says it could not connect.
            QVERIFY2(r.Err == EConnectionLost::LostMessage ||
                         r.Err.startsWith(QStringLiteral("Ошибка подключения к базе данных: ")),
                     qPrintable(QStringLiteral("%1: [%2]").arg(r.Code).arg(r.Err)));
            QCOMPARE(DumpAll(d), before);
            ++lost;
        }
        QVERIFY(Inconsistency(d, big).isEmpty());
    }
    qInfo("import of 3000 rows %lld ms; cut 4 times: %d lost (nothing stored), %d had committed",
          importMs, lost, done);
}

// Imports killed at random moments: afterwards the database holds either the state
// before the import (the previous order the working one, nothing of the new one, not
// even its customer) or the whole new order with the previous one archived.
void TWorkstationsTest::killedImports() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    const QString ini = db.Db.IniPath;
    const TWorkbook big = MakeWorkbook(db.Db.Folder, QStringLiteral("большая.xlsx"), 3000, 13);
    TRun r = Cli(ini, ImportArgs(big, QStringLiteral("Н-0")));
    QVERIFY2(r.Code == 0, qPrintable(r.Err));
    const qint64 importMs = r.Ms;

    QRandomGenerator random(13u);
    const int kills = qMax(8, RacesPerScenario());
    int before = 0;
    int after = 0;
    for (int kill = 1; kill <= kills; ++kill) {
        const QStringList was = DumpAll(d);
        const QString number = QStringLiteral("К-%1").arg(kill);
        // A new customer each time, so that a half import would show in Customers too.
        QStringList args = ImportArgs(big, number);
        args[args.indexOf(QStringLiteral("--customer")) + 1] =
            QStringLiteral("ИП Клиент %1").arg(kill);
        TCli import(ini, args);
        // From the start to a while after a whole import would have ended.
        QThread::msleep(ulong(random.bounded(quint32(importMs * 3 / 2 + 1))));
        import.Process().kill();
        import.Wait();
        AwaitOthersEnded(d, db.Db.Settings);
        const QString working =
            d.OpenSql(QStringLiteral("select Number from Applicates")).value(0).value(0).toString();
        if (working == number) {
            ++after;
        } else {
            QCOMPARE(DumpAll(d), was);
            ++before;
        }
        const QString wrong = Inconsistency(d, big);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        QCOMPARE(TestDb::Scalar(d, QStringLiteral("select count(*) from Customers where ID not in (select "
                                         "CustomerID from Applicates union select CustomerID "
                                         "from Applicates_archive)")),
                 0);
    }
    qInfo("import of 3000 rows %lld ms; killed %d times: %d left the state before, %d the whole "
          "new order",
          importMs, kills, before, after);
}

namespace {

// Every name in the folder, hidden ones included.
QStringList Entries(const QString& AFolder) {
    return QDir(AFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                   QDir::NoDotAndDotDot);
}

// A workbook is a zip archive, whose last record is the end of its central directory:
// a file cut short anywhere lacks it.
bool WholeWorkbook(const QString& APath) {
    QFile f(APath);
    if (!f.open(QIODevice::ReadOnly) || f.size() < 22)
        return false;
    const QByteArray head = f.read(4);
    f.seek(f.size() - 22);
    return head == QByteArrayLiteral("PK\x03\x04") && f.read(4) == QByteArrayLiteral("PK\x05\x06");
}

// A leftover of the form a killed export leaves where the file system has no unnamed
// files, last written AAgeSeconds ago; returns its path.
QString Leftover(const QString& AFolder, const QString& ATarget, const char* ASuffix,
                 int AAgeSeconds) {
    const QString path =
        QDir(AFolder).filePath(QStringLiteral(".~%1.%2").arg(ATarget, QLatin1String(ASuffix)));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write("PK half a workbook") <= 0)
        return QString();
    f.close();
    const time_t then = time(nullptr) - AAgeSeconds;
    const utimbuf times{then, then};
    utime(QFile::encodeName(path).constData(), &times);
    return path;
}

} // namespace

// Exports killed at random moments leave nothing beside their target: the target is
// either missing, the one before, or a whole workbook. Leftovers of the hidden form
// go with the next export unless a living writer holds them; two exports to one
// target at once do not collide.
void TWorkstationsTest::killedExports() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    const QString ini = db.Db.IniPath;
    const TWorkbook book = MakeWorkbook(db.Db.Folder, QStringLiteral("заявка.xlsx"), 200, 5);
    TRun r = Cli(ini, ImportArgs(book, QStringLiteral("Н-1")));
    QVERIFY2(r.Code == 0, qPrintable(r.Err));
    r = Cli(ini, {QStringLiteral("calc")});
    QVERIFY2(r.Code == 0, qPrintable(r.Err));
    const qlonglong pallets = TestDb::Scalar(d, QStringLiteral("select count(*) from Palletes"));

    const QString folder = QDir(db.Db.Folder).filePath(QStringLiteral("раскладки"));
    QVERIFY(QDir().mkpath(folder));
    const QString name = QStringLiteral("раскладки.xlsx");
    const QString target = QDir(folder).filePath(name);
    const QStringList exportArgs = {QStringLiteral("export"), target};
    r = Cli(ini, exportArgs);
    QVERIFY2(r.Code == 0, qPrintable(r.Err));
    const qint64 exportMs = r.Ms;
    QVERIFY(QFile::remove(target));

    QRandomGenerator random(5u);
    const int kills = qMax(8, RacesPerScenario());
    int finished = 0;
    int halfPlaced = 0;
    for (int kill = 1; kill <= kills; ++kill) {
        TCli run(ini, exportArgs);
        QThread::msleep(ulong(random.bounded(quint32(exportMs + 1))));
        run.Process().kill();
        r = run.Wait();
        if (r.Code == 0)
            ++finished;
        // Killed in the instant between the finished workbook's hidden name and its
        // rename, an export leaves it under that name, which the next export that finds
        // it no longer fresh removes (made old here; the exports below check it goes).
        const QRegularExpression hidden(QStringLiteral("^\\.~") + QRegularExpression::escape(name) +
                                        QStringLiteral("\\.[A-Za-z0-9]{6}$"));
        for (const QString& entry : Entries(folder)) {
            if (entry == name)
                continue;
            QVERIFY2(hidden.match(entry).hasMatch(), qPrintable(entry));
            const time_t then = time(nullptr) - 3600;
            const utimbuf times{then, then};
            QVERIFY(utime(QFile::encodeName(QDir(folder).filePath(entry)).constData(), &times) ==
                    0);
            ++halfPlaced;
        }
        QVERIFY(!QFile::exists(target) || WholeWorkbook(target));
    }

    // Leftovers of the hidden form: an old one no writer holds goes with the next
    // export; one a living writer holds, and one just made, stay.
    const QString stale = Leftover(folder, name, "Ab12Cd", 3600);
    const QString held = Leftover(folder, name, "Xy34Zw", 3600);
    const QString fresh = Leftover(folder, name, "Fr56Sh", 0);
    QVERIFY(!stale.isEmpty() && !held.isEmpty() && !fresh.isEmpty());
    const int holder = ::open(QFile::encodeName(held).constData(), O_RDONLY);
    QVERIFY(holder >= 0 && ::flock(holder, LOCK_EX | LOCK_NB) == 0);
    r = Cli(ini, exportArgs);
    QVERIFY2(r.Code == 0, qPrintable(r.Err));
    ::close(holder);
    QStringList left = Entries(folder);
    left.sort();
    QStringList expected = {QFileInfo(held).fileName(), QFileInfo(fresh).fileName(), name};
    expected.sort();
    QCOMPARE(left, expected);
    QFile::remove(held);
    QFile::remove(fresh);

    // Two exports to one target at once: both succeed, one whole workbook remains.
    {
        TCli a(ini, exportArgs);
        TCli b(ini, exportArgs);
        const TRun ra = a.Wait();
        const TRun rb = b.Wait();
        QVERIFY2(ra.Code == 0 && rb.Code == 0, qPrintable(ra.Err + QLatin1Char('|') + rb.Err));
    }
    QCOMPARE(Entries(folder), QStringList{name});
    QVERIFY(WholeWorkbook(target));
    qInfo("export of %lld pallets %lld ms; killed %d times at random moments, %d had finished, "
          "%d left the finished workbook under its hidden name",
          pallets, exportMs, kills, finished, halfPlaced);
}

QTEST_GUILESS_MAIN(TWorkstationsTest)
#include "tst_workstations.moc"
