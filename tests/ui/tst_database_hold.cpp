// The window keeps its hold on the embedded database whatever its file dialogs list,
// and a connection that has lost it anyway refuses to write. A POSIX lock belongs to
// the process and the file: a dialog that opens and closes the database's files to
// tell their types drops SQLite's locks, another program then deletes the log the
// window still writes into, and the next saved order is lost.
//
// The window runs in a child process (this executable again, told so by the
// environment), so that it can be killed as an operator's program is, and a second
// process (gravelon-cli) works on the database meanwhile.
#include "DataModule.h"
#include "Errors.h"
#include "ExportTempFile.h"
#include "IniFile.h"
#include "MainWindow.h"
#include "Prompts.h"
#include "Settings.h"
#include "TestDatabase.h"
#include "UiTestSupport.h"
#include "WorkbookReader.h"

#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <unistd.h>

using namespace UiTest;

namespace {

const QDate Day(2021, 5, 31);
const char* WindowVariable = "GRAVELON_HOLD_TEST_WINDOW";
const char* ButtonVariable = "GRAVELON_HOLD_TEST_BUTTON";

// The POSIX locks this process holds, as the kernel lists them: "inode start end".
QStringList OwnLocks() {
    QStringList locks;
    QFile f(QStringLiteral("/proc/locks"));
    if (!f.open(QIODevice::ReadOnly))
        return {QStringLiteral("/proc/locks unreadable")};
    const QString pid = QString::number(::getpid());
    for (const QByteArray& line : f.readAll().split('\n')) {
        // "1: POSIX  ADVISORY  READ 1234 08:01:56789 128 128"
        const QStringList f = QString::fromLatin1(line).simplified().split(QLatin1Char(' '));
        if (f.size() >= 8 && f[1] == QLatin1String("POSIX") && f[4] == pid)
            locks << f[5] + QLatin1Char(' ') + f[6] + QLatin1Char(' ') + f[7];
    }
    locks.sort();
    return locks;
}

QString CliPath() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("gravelon-cli"));
}

// gravelon-cli orders of the day: the order numbers it lists.
QString ListedOrders(const QString& AIni) {
    QProcess cli;
    cli.start(CliPath(), {QStringLiteral("--settings"), AIni, QStringLiteral("orders"),
                          QStringLiteral("--date"), Day.toString(Qt::ISODate)});
    if (!cli.waitForFinished(60000) || cli.exitCode() != 0)
        return QStringLiteral("gravelon-cli failed: ") + QString::fromUtf8(cli.readAllStandardError());
    return QString::fromUtf8(cli.readAllStandardOutput());
}

// A calculated order as the window shows it: one position on one pallet.
void OrderWithPallet(TDataModule& AData) {
    QList<qlonglong> pos;
    const qlonglong order = TestDb::AddOrder(AData, QStringLiteral("П/1"), Day, 1, 1000.0,
                                             {{2000, 1000, 1, 10, QString()}}, &pos);
    const qlonglong pallet = TestDb::AddPallet(AData, 1);
    TestDb::AddSolution(AData, order, pos[0], pallet, 1, 10);
    AData.ExecSql(QStringLiteral("update Palletes set Length = 2000, Width = 1000 where ID = :id"),
                  {{QStringLiteral(":id"), pallet}});
}

void Say(const QByteArray& ALine) {
    std::fputs(ALine.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// The child: the real window with the real dialogs, on the database of the settings
// file, started in the database's folder as the portable layout is. Clicks the button,
// lets the dialog list the folder, closes it, reports the locks before and after,
// then saves an order when asked and waits to be killed.
int RunWindow(const QString& AIni, const QString& AButton) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QDir::setCurrent(QFileInfo(AIni).absolutePath());
    const TIniFile ini(AIni);
    TDataModule data;
    data.Connect(GravelonSettings::ReadConnection(ini), QFileInfo(AIni).absolutePath());
    TQtPrompts prompts;
    TMainWindow window(&data, &prompts, AIni, nullptr, false);
    window.resize(1400, 900);
    window.show();
    Child<QDateEdit>(&window, "SearchDate")->setDate(Day);
    Child<QToolButton>(&window, "SearchByDateButton")->click();
    QCoreApplication::processEvents();
    const QStringList before = OwnLocks();

    QString seen = QStringLiteral("no dialog");
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || !seen.startsWith(QLatin1String("no")))
            return;
        seen = QStringLiteral("listed ") + dialog->directory().path();
        // Listing the folder and telling each file's type runs on the dialog's own
        // thread; give it the time a user looking at the list would.
        auto* model = dialog->findChild<QFileSystemModel*>();
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 2000 && OwnLocks() == before) {
            QTest::qWait(50);
            if (model)
                model->fetchMore(model->index(model->rootPath()));
        }
        dialog->reject();
    });
    poll.start(20);
    auto* button = Child<QPushButton>(&window, AButton.toLatin1().constData());
    if (!button || !button->isEnabled()) {
        Say("NO BUTTON");
        return 1;
    }
    button->click();
    poll.stop();
    QCoreApplication::processEvents();
    Say("DIALOG " + seen.toUtf8());
    Say("LOCKS " + before.join(QLatin1Char(',')).toLatin1() + " | " +
        OwnLocks().join(QLatin1Char(',')).toLatin1());

    char line[64];
    if (!std::fgets(line, sizeof line, stdin))
        return 1;
    try {
        TestDb::AddOrder(data, QStringLiteral("П/сохранённый"), Day, 1, 1000.0,
                         {{1000, 500, 1, 1, QString()}});
        Say("SAVED");
    } catch (const EGravelonError& e) {
        Say("REFUSED " + e.Message().toUtf8());
    }
    // Killed here, as a program is when the computer is switched off.
    while (std::fgets(line, sizeof line, stdin))
        ;
    return 0;
}

// A line the child prints, read as it comes.
QByteArray ReadLine(QProcess& AChild) {
    QElapsedTimer t;
    t.start();
    while (!AChild.canReadLine() && t.elapsed() < 60000 && AChild.state() == QProcess::Running)
        AChild.waitForReadyRead(200);
    return AChild.readLine().trimmed();
}

} // namespace

class TstDatabaseHold : public QObject {
    Q_OBJECT
private slots:
    void dialogsKeepTheHold_data();
    void dialogsKeepTheHold();
    void lostHoldRefusesToWrite_data();
    void lostHoldRefusesToWrite();
    void movedDatabaseIsNotMadeAnew();
    void ownDatabaseIsLeftAlone();
};

void TstDatabaseHold::dialogsKeepTheHold_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<QString>("button");
    const QList<QPair<const char*, TBackend>> backends = {{"sqlite", TBackend::Sqlite},
                                                          {"postgres", TBackend::Postgres}};
    // Every command of the window that asks for a file.
    for (const auto& [backendName, backend] : backends) {
        for (const char* button : {"NewOrderButton", "PrintAllButton", "PrintPalletButton",
                                   "SavePdfAllButton", "SavePdfPalletButton"})
            QTest::addRow("%s %s", button, backendName) << backend << QString::fromLatin1(button);
    }
}

void TstDatabaseHold::dialogsKeepTheHold() {
    QFETCH(TBackend, backend);
    QFETCH(QString, button);
    GRAVELON_CONNECT_TO(db, backend);
    OrderWithPallet(*db.Data);
    // The window is the only program on the database.
    db.Data.reset();

    QProcess window;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(WindowVariable), db.Db.IniPath);
    env.insert(QString::fromLatin1(ButtonVariable), button);
    // The save dialogs start in the home folder when there is no Documents folder.
    env.insert(QStringLiteral("HOME"), db.Db.Folder);
    env.remove(QStringLiteral("XDG_CONFIG_HOME"));
    window.setProcessEnvironment(env);
    window.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    window.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(window.waitForStarted());
    const auto stop = qScopeGuard([&window] {
        window.kill();
        window.waitForFinished();
    });
    const QByteArray dialog = ReadLine(window);
    QVERIFY2(dialog.startsWith("DIALOG listed " +
                               QFileInfo(db.Db.IniPath).absolutePath().toUtf8()),
             dialog.constData());
    const QList<QByteArray> locks = ReadLine(window).mid(6).split('|');
    QCOMPARE(locks.size(), 2);
    if (backend == TBackend::Sqlite)
        QVERIFY2(!locks[0].trimmed().isEmpty(), "SQLite holds no lock to keep");
    QCOMPARE(locks[1].trimmed(), locks[0].trimmed());

    // Another workstation's command while the window is open, then a save by the window.
    QVERIFY(!ListedOrders(db.Db.IniPath).contains(QStringLiteral("П/сохранённый")));
    window.write("save\n");
    QCOMPARE(ReadLine(window), QByteArray("SAVED"));
    window.kill();
    window.waitForFinished();
    QCOMPARE(window.exitStatus(), QProcess::CrashExit);
    QVERIFY(ListedOrders(db.Db.IniPath).contains(QStringLiteral("П/сохранённый")));
}

void TstDatabaseHold::lostHoldRefusesToWrite_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<bool>("otherProgram");
    QTest::newRow("locks dropped sqlite") << TBackend::Sqlite << false;
    QTest::newRow("log deleted by another program sqlite") << TBackend::Sqlite << true;
    QTest::newRow("postgres") << TBackend::Postgres << true;
}

// What any code of the process does that opens a database file by its path and closes
// it again (a size check, a copy, a thumbnail): the write after it is refused, nothing
// is lost, and the next command works on a connection opened anew.
void TstDatabaseHold::lostHoldRefusesToWrite() {
    QFETCH(TBackend, backend);
    QFETCH(bool, otherProgram);
    GRAVELON_CONNECT_TO(db, backend);
    TDataModule& data = *db.Data;
    TestDb::AddOrder(data, QStringLiteral("П/до"), Day, 1, 1000.0, {{1000, 500, 1, 1, QString()}});
    const bool sqlite = backend == TBackend::Sqlite;
    if (sqlite) {
        QVERIFY(!OwnLocks().isEmpty());
        const QString path = QDir(db.Db.Folder).filePath(db.Db.Settings.Baza);
        for (const QString& name : {path, path + QStringLiteral("-wal"), path + QStringLiteral("-shm")}) {
            QFile file(name);
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(name));
        }
        QVERIFY(OwnLocks().isEmpty());
    }
    if (otherProgram)
        QVERIFY(ListedOrders(db.Db.IniPath).contains(QStringLiteral("П/до")));

    const auto save = [&data](const QString& ANumber) {
        TestDb::AddOrder(data, ANumber, Day, 1, 1000.0, {{1000, 500, 1, 1, QString()}});
    };
    if (!sqlite) {
        save(QStringLiteral("П/после"));
    } else {
        try {
            save(QStringLiteral("П/после"));
            QFAIL("written on a connection that lost its hold");
        } catch (const EDatabaseHoldLost& e) {
            QCOMPARE(e.Message(),
                     QStringLiteral("Связь с файлом базы данных нарушена другой программой; "
                                    "данные не записаны, перезапустите программу"));
        }
    }
    save(QStringLiteral("П/заново"));
    const QString listed = ListedOrders(db.Db.IniPath);
    QVERIFY2(listed.contains(QStringLiteral("П/до")) && listed.contains(QStringLiteral("П/заново")),
             qPrintable(listed));
    QCOMPARE(listed.contains(QStringLiteral("П/после")), !sqlite);
    if (sqlite)
        QVERIFY(!OwnLocks().isEmpty());
}

// The database file moved away under the window: nothing goes into it any more, and no
// empty database appears at the old path to take the orders' place.
void TstDatabaseHold::movedDatabaseIsNotMadeAnew() {
    GRAVELON_CONNECT_TO(db, TBackend::Sqlite);
    TestDb::AddOrder(*db.Data, QStringLiteral("П/до"), Day, 1, 1000.0, {{1000, 500, 1, 1, QString()}});
    const QString path = QDir(db.Db.Folder).filePath(db.Db.Settings.Baza);
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QVERIFY(QFile::rename(path + suffix, path + QStringLiteral(".moved") + suffix));
    const auto save = [&db] {
        TestDb::AddOrder(*db.Data, QStringLiteral("П/после"), Day, 1, 1000.0,
                         {{1000, 500, 1, 1, QString()}});
    };
    QVERIFY_THROWS_EXCEPTION(EDatabaseHoldLost, save());
    try {
        save();
        QFAIL("an empty database was made at the old path");
    } catch (const EDatabaseError& e) {
        QVERIFY2(e.Message().contains(QStringLiteral("не найден")), qPrintable(e.Message()));
    }
    QVERIFY(!QFileInfo::exists(path));
}

// A workbook or an export target typed in a dialog that names the database itself.
void TstDatabaseHold::ownDatabaseIsLeftAlone() {
    GRAVELON_CONNECT_TO(db, TBackend::Sqlite);
    TestDb::AddOrder(*db.Data, QStringLiteral("П/до"), Day, 1, 1000.0, {{1000, 500, 1, 1, QString()}});
    const QStringList locks = OwnLocks();
    const QString path = QDir(db.Db.Folder).filePath(db.Db.Settings.Baza);
    for (const QString& name : {path, path + QStringLiteral("-wal"), path + QStringLiteral("-shm")}) {
        try {
            TWorkbookReader::ReadActiveSheet(name);
            QFAIL("the database was read as a workbook");
        } catch (const EGravelonError& e) {
            QVERIFY2(e.Message().contains(QStringLiteral("файл базы данных программы")),
                     qPrintable(e.Message()));
        }
        try {
            TExportTempFile target(name);
            QFAIL("the database was taken for an export's target");
        } catch (const EGravelonError& e) {
            QVERIFY2(e.Message().contains(QStringLiteral("файл базы данных")), qPrintable(e.Message()));
        }
    }
    QCOMPARE(OwnLocks(), locks);
    QVERIFY(ListedOrders(db.Db.IniPath).contains(QStringLiteral("П/до")));
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString window = qEnvironmentVariable(WindowVariable);
    if (!window.isEmpty())
        return RunWindow(window, qEnvironmentVariable(ButtonVariable));
    TstDatabaseHold test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_database_hold.moc"
