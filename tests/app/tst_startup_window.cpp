// The start-up window: splash and timers, the settings file, failed and successful
// connections at start-up and from the main window's menu, the about view.
#include "DataModule.h"
#include "IniFile.h"
#include "MainWindow.h"

#include <QScreen>
#include "Prompts.h"
#include "ScratchPostgres.h"
#include "Settings.h"
#include "StartupWindow.h"
#include "TestDatabase.h"
#include "UiTestSupport.h"

#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>

using namespace UiTest;

namespace {

const QString ConnectFailed = QStringLiteral("Ошибка подключения, настройте подключение к БД!");
const int Never = 24 * 3600 * 1000;

// A fresh database of the row's backend, or skip/fail as the shared rules say.
#define GRAVELON_FRESH(var)                                                                        \
    TestDb::TFreshDatabase var;                                                                    \
    do {                                                                                           \
        QFETCH(TBackend, backend);                                                                 \
        QString why_;                                                                              \
        if (!TestDb::Fresh(backend, &var, &why_)) {                                                \
            if (backend == TBackend::Sqlite || TestDb::PostgresRequired() ||                       \
                !TestDb::IsUnavailable(why_))                                                      \
                QFAIL(qPrintable(why_));                                                           \
            QSKIP(qPrintable(why_));                                                               \
        }                                                                                          \
    } while (0)

// Creates the schema and puts one order dated today and one of an earlier day in.
void AddOrders(const TestDb::TFreshDatabase& ADb) {
    TDataModule data;
    data.Connect(ADb.Settings, ADb.Folder);
    TestDb::AddOrder(data, QStringLiteral("Сегодня-1"), QDate::currentDate(), 1, 900.0,
                     {{2000, 1000, 1, 5, {}}});
    TestDb::AddOrder(data, QStringLiteral("Давно-2"), QDate(2020, 1, 15), 1, 900.0,
                     {{2000, 1000, 1, 5, {}}});
}

// Settings that cannot connect: a database file in a folder that does not exist, or a
// server database that does not exist.
TConnectionSettings Broken(const TestDb::TFreshDatabase& ADb) {
    TConnectionSettings s = ADb.Settings;
    s.Baza = ADb.Settings.Serv.isEmpty() ? QStringLiteral("нет/такой/папки/x.db")
                                         : QStringLiteral("gravelon_no_such_database");
    return s;
}

void Type(TStartupWindow& AForm, const TConnectionSettings& AS) {
    Child<QLineEdit>(&AForm, "ServerEdit")->setText(AS.Serv);
    Child<QLineEdit>(&AForm, "DatabaseEdit")->setText(AS.Baza);
    Child<QLineEdit>(&AForm, "UserEdit")->setText(AS.Log);
    Child<QLineEdit>(&AForm, "PasswordEdit")->setText(AS.Pass);
}

QStringList Texts(const TRecordingPrompts& APrompts) {
    return APrompts.Messages();
}

bool Visible(QObject* ARoot, const char* AName) {
    auto* w = Child<QWidget>(ARoot, AName);
    return w && w->isVisible();
}

} // namespace

class TestStartupWindow : public QObject {
    Q_OBJECT
private slots:
    void splashAndTimers();
    void missingSettingsFile_data() { TestDb::AddBackendRows(); }
    void missingSettingsFile();
    void failedThenConnected_data() { TestDb::AddBackendRows(); }
    void failedThenConnected();
    void loginDefault();
    void reconnectFromMenu_data() { TestDb::AddBackendRows(); }
    void reconnectFromMenu();
    void aboutView();
    void closingMainWindowEndsProgram();
};

void TestStartupWindow::splashAndTimers() {
    TestDb::TFreshDatabase db;
    QString why;
    QVERIFY2(TestDb::Fresh(TBackend::Sqlite, &db, &why), qPrintable(why));
    TRecordingPrompts prompts;
    TStartupWindow form(&prompts, db.IniPath, 2000, 10);
    form.show();
    QCOMPARE(form.size(), QSize(990, 584));
    QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
    auto* bar = Child<QProgressBar>(&form, "SplashProgress");
    QVERIFY(Child<QTimer>(&form, "SplashTimer")->isActive());
    QVERIFY(Child<QTimer>(&form, "SplashProgressTimer")->isActive());
    QVERIFY(!Visible(&form, "ConnectionPanel"));
    QVERIFY(!Visible(&form, "AboutOkButton"));
    // Ten steps of ten: full long before the splash ends (a loaded machine may stall
    // the test for a while), and it stays full.
    QTRY_COMPARE(bar->value(), 100);
    QVERIFY(!form.DataModule());
    QTRY_VERIFY(form.MainWindow());
    QVERIFY(!bar->isVisible());
    QVERIFY(!Child<QTimer>(&form, "SplashTimer")->isActive());
    QVERIFY(!Child<QTimer>(&form, "SplashProgressTimer")->isActive());
    QVERIFY(!form.isVisible());
    QVERIFY(form.MainWindow()->isVisible());
    // On this small screen the window takes all of it, and no more.
    const QRect area = form.MainWindow()->screen()->availableGeometry();
    QTRY_COMPARE(form.MainWindow()->frameGeometry(), area);
    QVERIFY(form.DataModule()->Connected());
    QVERIFY(prompts.Asked.isEmpty());

    auto* version = Child<QLabel>(&form, "VersionLabel");
    QVERIFY(version);
    QCOMPARE(version->text(), QStringLiteral("Версия 1.0"));
    QVERIFY(version->font().bold());
    QCOMPARE(version->geometry().x() + version->width(), 990 - 30);
    QCOMPARE(version->geometry().y() + version->height(), 584 - 26);
    auto* picture = Child<QWidget>(&form, "SplashImage");
    QVERIFY(picture);
    QCOMPARE(picture->geometry(), QRect(0, 0, 990, 584));
}

void TestStartupWindow::missingSettingsFile() {
    GRAVELON_FRESH(db);
    const QString path = QDir(db.Folder).filePath(QStringLiteral("absent.ini"));
    // The file the run was given, by its own name.
    const QString notFound = QStringLiteral("Файл absent.ini не найден!");
    TRecordingPrompts prompts;
    TStartupWindow form(&prompts, path, Never, Never);
    form.show();
    form.OnSplashElapsed();
    // The file is missing, so the empty fields are tried, and fail.
    QCOMPARE(Texts(prompts), QStringList({notFound, ConnectFailed}));
    QCOMPARE(prompts.Asked[0].Kind, TPrompts::TKind::Plain);
    QCOMPARE(prompts.Asked[1].Kind, TPrompts::TKind::Warning);
    QVERIFY(form.isVisible());
    QVERIFY(Visible(&form, "ConnectionPanel"));
    QVERIFY(!Visible(&form, "CloseButton"));
    QVERIFY(Visible(&form, "ServerHint"));
    QVERIFY(!form.LastConnectError().isEmpty());
    QCOMPARE(form.ConnectPurpose(), TConnectPurpose::StartUp);
    QVERIFY(!form.MainWindow());
    QCOMPARE(Child<QLineEdit>(&form, "UserEdit")->text(), QString());
    QCOMPARE(Child<QLineEdit>(&form, "PasswordEdit")->echoMode(), QLineEdit::Password);

    // Typed settings connect although there is no file to keep them in.
    Type(form, db.Settings);
    Child<QPushButton>(&form, "ConnectButton")->click();
    QVERIFY(form.MainWindow());
    QVERIFY(form.MainWindow()->isVisible());
    QVERIFY(!form.isVisible());
    QVERIFY(form.LastConnectError().isEmpty());
    // Not found for keeping the settings that worked, and once more when the main
    // window reads its option.
    QCOMPARE(Texts(prompts), QStringList({notFound, ConnectFailed, notFound, notFound}));
    QVERIFY(!QFile::exists(path));
}

void TestStartupWindow::failedThenConnected() {
    GRAVELON_FRESH(db);
    AddOrders(db);
    const TIniFile ini(db.IniPath);
    GravelonSettings::WriteConnection(ini, Broken(db));
    TRecordingPrompts prompts;
    TStartupWindow form(&prompts, db.IniPath, Never, Never);
    form.show();
    form.OnSplashElapsed();
    QCOMPARE(Texts(prompts), QStringList({ConnectFailed}));
    QVERIFY(Visible(&form, "ConnectionPanel"));
    QVERIFY(!Visible(&form, "CloseButton"));
    QCOMPARE(Child<QLineEdit>(&form, "DatabaseEdit")->text(), Broken(db).Baza);
    QCOMPARE(form.ConnectPurpose(), TConnectPurpose::StartUp);
    QVERIFY(!form.MainWindow());
    QVERIFY(!form.DataModule()->Connected());

    // A second failure keeps everything as it was.
    Child<QPushButton>(&form, "ConnectButton")->click();
    QCOMPARE(Texts(prompts), QStringList({ConnectFailed, ConnectFailed}));
    QVERIFY(Visible(&form, "ConnectionPanel"));
    QVERIFY(!form.MainWindow());

    Child<QLineEdit>(&form, "DatabaseEdit")->setText(db.Settings.Baza);
    Child<QPushButton>(&form, "ConnectButton")->click();
    QCOMPARE(Texts(prompts).size(), 2);
    // The settings that worked are in the file; the main window lists today's order.
    QCOMPARE(GravelonSettings::ReadConnection(ini).Baza, db.Settings.Baza);
    QCOMPARE(GravelonSettings::ReadConnection(ini).Serv, db.Settings.Serv);
    QVERIFY(form.MainWindow());
    QVERIFY(!form.isVisible());
    QCOMPARE(Rows(form.MainWindow(), "OrdersGrid"), 1);
    QCOMPARE(Cell(form.MainWindow(), "OrdersGrid", 0, QStringLiteral("Номер заявки")),
             QStringLiteral("Сегодня-1"));
}

void TestStartupWindow::loginDefault() {
    TestDb::TFreshDatabase db;
    QString why;
    QVERIFY2(TestDb::Fresh(TBackend::Sqlite, &db, &why), qPrintable(why));
    {
        QFile f(db.IniPath);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("[CONNECT]\nServ=\nBaza=test.db\n");
    }
    TRecordingPrompts prompts;
    TStartupWindow form(&prompts, db.IniPath, Never, Never);
    form.show();
    form.OnSplashElapsed();
    QCOMPARE(Child<QLineEdit>(&form, "UserEdit")->text(), QStringLiteral("sa"));
    QVERIFY(form.MainWindow());
}

void TestStartupWindow::reconnectFromMenu() {
    GRAVELON_FRESH(db);
    AddOrders(db);
    TRecordingPrompts prompts;
    TStartupWindow form(&prompts, db.IniPath, Never, Never);
    form.show();
    form.OnSplashElapsed();
    TMainWindow* main = form.MainWindow();
    QVERIFY(main);
    QCOMPARE(Rows(main, "OrdersGrid"), 1);
    // Every order listed, and a date picked that the reload must not touch.
    Child<QDateEdit>(main, "SearchDate")->setDate(QDate(2020, 1, 15));
    Child<QLineEdit>(main, "SearchNumber")->clear();
    Child<QToolButton>(main, "SearchByNumberButton")->click();
    QCOMPARE(Rows(main, "OrdersGrid"), 2);
    main->SetStatusText(QStringLiteral("до переподключения"));

    Trigger(main, "ConnectionSettingsAction");
    QVERIFY(form.isVisible());
    QVERIFY(Visible(&form, "ConnectionPanel"));
    QVERIFY(Visible(&form, "CloseButton"));
    QCOMPARE(form.ConnectPurpose(), TConnectPurpose::Reconnect);
    QCOMPARE(Child<QLineEdit>(&form, "DatabaseEdit")->text(), db.Settings.Baza);

    // A failed reconnect keeps the working connection, the settings file and the
    // window as they were; the panel stays, with "Закрыть", and says why in Russian.
    const QByteArray fileBefore = [&] {
        QFile f(db.IniPath);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    Child<QLineEdit>(&form, "DatabaseEdit")->setText(Broken(db).Baza);
    Child<QPushButton>(&form, "ConnectButton")->click();
    QCOMPARE(Texts(prompts), QStringList({ConnectFailed}));
    QVERIFY(form.isVisible());
    QVERIFY(Visible(&form, "ConnectionPanel"));
    QVERIFY(Visible(&form, "CloseButton"));
    QVERIFY2(
        form.LastConnectError().startsWith(QStringLiteral("Ошибка подключения к базе данных: ")),
        qPrintable(form.LastConnectError()));
    QCOMPARE(Child<QLineEdit>(&form, "DatabaseEdit")->text(), Broken(db).Baza);
    QCOMPARE(form.ConnectPurpose(), TConnectPurpose::Reconnect);
    QCOMPARE(form.MainWindow(), main);
    {
        QFile f(db.IniPath);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), fileBefore);
    }
    QVERIFY(form.DataModule()->Connected());
    QCOMPARE(Rows(main, "OrdersGrid"), 2);
    QCOMPARE(main->StatusText(), QStringLiteral("до переподключения"));
    // Leaving the panel goes on with the database it had.
    Child<QPushButton>(&form, "CloseButton")->click();
    QVERIFY(!form.isVisible());
    Child<QToolButton>(main, "SearchByNumberButton")->click();
    QCOMPARE(Rows(main, "OrdersGrid"), 2);
    ClickRow(main, "OrdersGrid", 1);
    const QString shown = Child<QLabel>(main, "OrderNumberLabel")->text();
    QVERIFY(!shown.isEmpty());

    // Another database, without orders: nothing of the first stays on screen.
    QString other = db.Settings.Baza + QStringLiteral("_other");
    if (!db.Settings.Serv.isEmpty()) {
        QString why;
        QVERIFY2(TScratchServer::FromEnv(QStringLiteral("GRAVELON_TEST_PG")).Reset(other, &why),
                 qPrintable(why));
    }
    Trigger(main, "ConnectionSettingsAction");
    Child<QLineEdit>(&form, "DatabaseEdit")->setText(other);
    Child<QPushButton>(&form, "ConnectButton")->click();
    QCOMPARE(Texts(prompts).size(), 1);
    QVERIFY(!form.isVisible());
    QCOMPARE(GravelonSettings::ReadConnection(TIniFile(db.IniPath)).Baza, other);
    QCOMPARE(Rows(main, "OrdersGrid"), 0);
    QCOMPARE(Rows(main, "PositionsGrid"), 0);
    QCOMPARE(Child<QLabel>(main, "OrderNumberLabel")->text(), QString());
    QCOMPARE(Child<QLabel>(main, "PalletsOrderLabel")->text(), QString());
    QCOMPARE(main->StatusText(), QStringLiteral("Заявки не найдены"));

    // Back to the first: today's orders, the picker on today, every caption anew.
    Trigger(main, "ConnectionSettingsAction");
    Child<QLineEdit>(&form, "DatabaseEdit")->setText(db.Settings.Baza);
    Child<QPushButton>(&form, "ConnectButton")->click();
    QCOMPARE(Texts(prompts).size(), 1);
    QVERIFY(!form.isVisible());
    QCOMPARE(form.MainWindow(), main);
    QCOMPARE(GravelonSettings::ReadConnection(TIniFile(db.IniPath)).Baza, db.Settings.Baza);
    QCOMPARE(Rows(main, "OrdersGrid"), 1);
    QCOMPARE(Cell(main, "OrdersGrid", 0, QStringLiteral("Номер заявки")),
             QStringLiteral("Сегодня-1"));
    QCOMPARE(Child<QLabel>(main, "OrderNumberLabel")->text(), QStringLiteral("Сегодня-1"));
    QCOMPARE(Rows(main, "PositionsGrid"), 1);
    QCOMPARE(Child<QDateEdit>(main, "SearchDate")->date(), QDate::currentDate());
    QCOMPARE(main->StatusText(), QStringLiteral("Найдено заявок: 1"));
    // The grids work on the new connection, queries closed under the old one included.
    Child<QToolButton>(main, "SearchByNumberButton")->click();
    QCOMPARE(Rows(main, "OrdersGrid"), 2);
    ClickRow(main, "OrdersGrid", 1);
    QCOMPARE(Rows(main, "PositionsGrid"), 1);
    QCOMPARE(Texts(prompts).size(), 1);

    // "Закрыть" only hides the window; the connection stays.
    Trigger(main, "ConnectionSettingsAction");
    QVERIFY(Visible(&form, "CloseButton"));
    Child<QPushButton>(&form, "CloseButton")->click();
    QVERIFY(!form.isVisible());
    QVERIFY(form.DataModule()->Connected());
    QCOMPARE(Texts(prompts).size(), 1);
}

void TestStartupWindow::aboutView() {
    TestDb::TFreshDatabase db;
    QString why;
    QVERIFY2(TestDb::Fresh(TBackend::Sqlite, &db, &why), qPrintable(why));
    TRecordingPrompts prompts;
    TStartupWindow form(&prompts, db.IniPath, Never, Never);
    form.show();
    form.OnSplashElapsed();
    QVERIFY(form.MainWindow());
    Trigger(form.MainWindow(), "AboutAction");
    QVERIFY(form.isVisible());
    QVERIFY(Visible(&form, "AboutOkButton"));
    QVERIFY(Visible(&form, "VersionLabel"));
    QVERIFY(!Visible(&form, "SplashProgress"));
    QVERIFY(!Visible(&form, "ConnectionPanel"));
    QCOMPARE(Child<QPushButton>(&form, "AboutOkButton")->text(), QStringLiteral("ОК"));
    Child<QPushButton>(&form, "AboutOkButton")->click();
    QVERIFY(!form.isVisible());
    QVERIFY(form.MainWindow()->isVisible());
    QVERIFY(prompts.Asked.isEmpty());
}

void TestStartupWindow::closingMainWindowEndsProgram() {
    TestDb::TFreshDatabase db;
    QString why;
    QVERIFY2(TestDb::Fresh(TBackend::Sqlite, &db, &why), qPrintable(why));
    TRecordingPrompts prompts;
    TStartupWindow form(&prompts, db.IniPath, Never, Never);
    QSignalSpy closed(&form, &TStartupWindow::Closed);
    form.show();
    form.OnSplashElapsed();
    QVERIFY(form.MainWindow());
    QCOMPARE(closed.count(), 0);
    QVERIFY(form.MainWindow()->close());
    QCOMPARE(closed.count(), 1);
}

QTEST_MAIN(TestStartupWindow)
#include "tst_startup_window.moc"
