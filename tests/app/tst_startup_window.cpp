// The start-up window: splash and timers, the settings file, failed and successful
// connections at start-up and from the main window's menu, the about view.
#include "StartupWindow.h"
#include "DataModule.h"
#include "IniFile.h"
#include "Prompts.h"
#include "Settings.h"
#include "MainWindow.h"
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
    Child<QLineEdit>(&AForm, "Edit1")->setText(AS.Serv);
    Child<QLineEdit>(&AForm, "Edit2")->setText(AS.Baza);
    Child<QLineEdit>(&AForm, "Edit3")->setText(AS.Log);
    Child<QLineEdit>(&AForm, "Edit4")->setText(AS.Pass);
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
    TStartupWindow form(&prompts, db.IniPath, 400, 10);
    form.show();
    QCOMPARE(form.size(), QSize(990, 584));
    QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
    auto* bar = Child<QProgressBar>(&form, "ProgressBar1");
    QVERIFY(Child<QTimer>(&form, "Timer1")->isActive());
    QVERIFY(Child<QTimer>(&form, "Timer2")->isActive());
    QVERIFY(!Visible(&form, "Panel2"));
    QVERIFY(!Visible(&form, "Button2"));
    // Ten steps of ten: full after a tenth of the splash time, and it stays full.
    QTRY_COMPARE(bar->value(), 100);
    QVERIFY(!form.DataModule());
    QTRY_VERIFY(form.MainWindow());
    QVERIFY(!bar->isVisible());
    QVERIFY(!Child<QTimer>(&form, "Timer1")->isActive());
    QVERIFY(!Child<QTimer>(&form, "Timer2")->isActive());
    QVERIFY(!form.isVisible());
    QVERIFY(form.MainWindow()->isVisible());
    QVERIFY(form.DataModule()->Connected());
    QVERIFY(prompts.Asked.isEmpty());

    auto* version = Child<QLabel>(&form, "VersionLabel");
    QVERIFY(version);
    QCOMPARE(version->text(), QStringLiteral("Версия 2.0"));
    QVERIFY(version->font().bold());
    QCOMPARE(version->geometry().x() + version->width(), 990 - 30);
    QCOMPARE(version->geometry().y() + version->height(), 584 - 26);
    auto* picture = Child<QWidget>(&form, "Image1");
    QVERIFY(picture);
    QCOMPARE(picture->geometry(), QRect(0, 0, 990, 584));
}

void TestStartupWindow::missingSettingsFile() {
    GRAVELON_FRESH(db);
    const QString path = QDir(db.Folder).filePath(QStringLiteral("absent.ini"));
    TRecordingPrompts prompts;
    TStartupWindow form(&prompts, path, Never, Never);
    form.show();
    form.Timer1Timer();
    // The file is missing, so the empty fields are tried, and fail.
    QCOMPARE(Texts(prompts), QStringList({GravelonSettings::IniNotFoundMessage, ConnectFailed}));
    QCOMPARE(prompts.Asked[0].Kind, TPrompts::TKind::Plain);
    QCOMPARE(prompts.Asked[1].Kind, TPrompts::TKind::Warning);
    QVERIFY(form.isVisible());
    QVERIFY(Visible(&form, "Panel2"));
    QVERIFY(!Visible(&form, "Button3"));
    QVERIFY(Visible(&form, "ServerHint"));
    QVERIFY(!form.LastConnectError().isEmpty());
    QCOMPARE(form.ConnectPurpose(), TConnectPurpose::StartUp);
    QVERIFY(!form.MainWindow());
    QCOMPARE(Child<QLineEdit>(&form, "Edit3")->text(), QString());
    QCOMPARE(Child<QLineEdit>(&form, "Edit4")->echoMode(), QLineEdit::Password);

    // Typed settings connect although there is no file to keep them in.
    Type(form, db.Settings);
    Child<QPushButton>(&form, "Button1")->click();
    QVERIFY(form.MainWindow());
    QVERIFY(form.MainWindow()->isVisible());
    QVERIFY(!form.isVisible());
    QVERIFY(form.LastConnectError().isEmpty());
    // Not found for writing, for reading, and once more when the main window reads
    // its option.
    QCOMPARE(Texts(prompts), QStringList({GravelonSettings::IniNotFoundMessage, ConnectFailed,
                                          GravelonSettings::IniNotFoundMessage,
                                          GravelonSettings::IniNotFoundMessage,
                                          GravelonSettings::IniNotFoundMessage}));
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
    form.Timer1Timer();
    QCOMPARE(Texts(prompts), QStringList({ConnectFailed}));
    QVERIFY(Visible(&form, "Panel2"));
    QVERIFY(!Visible(&form, "Button3"));
    QCOMPARE(Child<QLineEdit>(&form, "Edit2")->text(), Broken(db).Baza);
    QCOMPARE(form.ConnectPurpose(), TConnectPurpose::StartUp);
    QVERIFY(!form.MainWindow());
    QVERIFY(!form.DataModule()->Connected());

    // A second failure keeps everything as it was.
    Child<QPushButton>(&form, "Button1")->click();
    QCOMPARE(Texts(prompts), QStringList({ConnectFailed, ConnectFailed}));
    QVERIFY(Visible(&form, "Panel2"));
    QVERIFY(!form.MainWindow());

    Child<QLineEdit>(&form, "Edit2")->setText(db.Settings.Baza);
    Child<QPushButton>(&form, "Button1")->click();
    QCOMPARE(Texts(prompts).size(), 2);
    // The settings that worked are in the file; the main window lists today's order.
    QCOMPARE(GravelonSettings::ReadConnection(ini).Baza, db.Settings.Baza);
    QCOMPARE(GravelonSettings::ReadConnection(ini).Serv, db.Settings.Serv);
    QVERIFY(form.MainWindow());
    QVERIFY(!form.isVisible());
    QCOMPARE(Rows(form.MainWindow(), "cxGrid1"), 1);
    QCOMPARE(Cell(form.MainWindow(), "cxGrid1", 0, QStringLiteral("Номер заявки")),
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
    form.Timer1Timer();
    QCOMPARE(Child<QLineEdit>(&form, "Edit3")->text(), QStringLiteral("sa"));
    QVERIFY(form.MainWindow());
}

void TestStartupWindow::reconnectFromMenu() {
    GRAVELON_FRESH(db);
    AddOrders(db);
    TRecordingPrompts prompts;
    TStartupWindow form(&prompts, db.IniPath, Never, Never);
    form.show();
    form.Timer1Timer();
    TMainWindow* main = form.MainWindow();
    QVERIFY(main);
    QCOMPARE(Rows(main, "cxGrid1"), 1);
    // Every order listed, and a date picked that the reload must not touch.
    Child<QDateEdit>(main, "DateTimeZayavki")->setDate(QDate(2020, 1, 15));
    Child<QLineEdit>(main, "NomerZayavki")->clear();
    Child<QToolButton>(main, "BitBtn2")->click();
    QCOMPARE(Rows(main, "cxGrid1"), 2);
    main->SetStatusText(QStringLiteral("до переподключения"));

    Trigger(main, "N6");
    QVERIFY(form.isVisible());
    QVERIFY(Visible(&form, "Panel2"));
    QVERIFY(Visible(&form, "Button3"));
    QCOMPARE(form.ConnectPurpose(), TConnectPurpose::Reconnect);
    QCOMPARE(Child<QLineEdit>(&form, "Edit2")->text(), db.Settings.Baza);

    // A failed reconnect keeps the panel, hides "Закрыть" and stays a reconnect.
    Child<QLineEdit>(&form, "Edit2")->setText(Broken(db).Baza);
    Child<QPushButton>(&form, "Button1")->click();
    QCOMPARE(Texts(prompts), QStringList({ConnectFailed}));
    QVERIFY(form.isVisible());
    QVERIFY(Visible(&form, "Panel2"));
    QVERIFY(!Visible(&form, "Button3"));
    QCOMPARE(form.ConnectPurpose(), TConnectPurpose::Reconnect);
    QCOMPARE(form.MainWindow(), main);

    // A successful one reloads today's orders in the same main window.
    Child<QLineEdit>(&form, "Edit2")->setText(db.Settings.Baza);
    Child<QPushButton>(&form, "Button1")->click();
    QCOMPARE(Texts(prompts).size(), 1);
    QVERIFY(!form.isVisible());
    QCOMPARE(form.MainWindow(), main);
    QCOMPARE(Rows(main, "cxGrid1"), 1);
    QCOMPARE(Cell(main, "cxGrid1", 0, QStringLiteral("Номер заявки")), QStringLiteral("Сегодня-1"));
    QCOMPARE(Child<QDateEdit>(main, "DateTimeZayavki")->date(), QDate(2020, 1, 15));
    QCOMPARE(main->StatusText(), QStringLiteral("до переподключения"));
    // The grids work on the new connection, queries closed under the old one included.
    Child<QToolButton>(main, "BitBtn2")->click();
    QCOMPARE(Rows(main, "cxGrid1"), 2);
    ClickRow(main, "cxGrid1", 1);
    QCOMPARE(Rows(main, "cxGrid2"), 1);
    QVERIFY(prompts.Asked.size() == 1);

    // "Закрыть" only hides the window; the connection stays.
    Trigger(main, "N6");
    QVERIFY(Visible(&form, "Button3"));
    Child<QPushButton>(&form, "Button3")->click();
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
    form.Timer1Timer();
    QVERIFY(form.MainWindow());
    Trigger(form.MainWindow(), "N1");
    QVERIFY(form.isVisible());
    QVERIFY(Visible(&form, "Button2"));
    QVERIFY(Visible(&form, "VersionLabel"));
    QVERIFY(!Visible(&form, "ProgressBar1"));
    QVERIFY(!Visible(&form, "Panel2"));
    QCOMPARE(Child<QPushButton>(&form, "Button2")->text(), QStringLiteral("ОК"));
    Child<QPushButton>(&form, "Button2")->click();
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
    form.Timer1Timer();
    QVERIFY(form.MainWindow());
    QCOMPARE(closed.count(), 0);
    QVERIFY(form.MainWindow()->close());
    QCOMPARE(closed.count(), 1);
}

QTEST_MAIN(TestStartupWindow)
#include "tst_startup_window.moc"
