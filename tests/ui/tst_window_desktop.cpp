// The main window on the desktop: its layout kept between starts and fitted to the
// screens there are, and the note when long work ends while the operator looks
// elsewhere (over a session bus the test starts, whose notification service it is).
#include "DataGrid.h"
#include "TestDatabase.h"
#include "UiTestSupport.h"
#include "WindowLayout.h"
#include "WindowWork.h"
#include "WorkNotifier.h"

#include <QDBusConnection>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QSplitter>
#include <QTemporaryDir>

using namespace UiTest;

namespace {

// The freedesktop notification service as a desktop runs it: it records the notes.
class TNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList Notes; // "summary: body"

public slots:
    uint Notify(const QString&, uint, const QString&, const QString& ASummary, const QString& ABody,
                const QStringList&, const QVariantMap&, int) {
        Notes << ASummary + QStringLiteral(": ") + ABody;
        return uint(Notes.size());
    }
};

} // namespace

class TstWindowDesktop : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void fit_data();
    void fit();
    void layoutKept();
    void saveFolderKept();
    void noteWhenWorkEnds();

private:
    QProcess FBus;
};

// A session bus of the test's own: no note reaches the desktop of whoever runs it.
void TstWindowDesktop::initTestCase() {
    FBus.start(QStringLiteral("dbus-daemon"),
               {QStringLiteral("--session"), QStringLiteral("--nofork"),
                QStringLiteral("--print-address")});
    QVERIFY2(FBus.waitForStarted(), "dbus-daemon (package dbus-daemon) is needed");
    QVERIFY(FBus.waitForReadyRead(10000));
    qputenv("DBUS_SESSION_BUS_ADDRESS", FBus.readLine().trimmed());
}

void TstWindowDesktop::cleanupTestCase() {
    FBus.kill();
    FBus.waitForFinished();
}

void TstWindowDesktop::fit_data() {
    QTest::addColumn<QRect>("saved");
    QTest::addColumn<QList<QRect>>("screens");
    QTest::addColumn<QRect>("fitted"); // null: placed by the program
    const QRect hd(0, 0, 1920, 1080);
    const QList<QRect> one{hd};
    const QList<QRect> two{hd, QRect(1920, 0, 1280, 1024)};
    QTest::newRow("fits") << QRect(100, 80, 800, 600) << one << QRect(100, 80, 800, 600);
    QTest::newRow("larger than the screen") << QRect(-50, 0, 3000, 2000) << one << hd;
    QTest::newRow("partly off the right")
        << QRect(1500, 100, 800, 600) << one << QRect(1120, 100, 800, 600);
    QTest::newRow("on a screen gone") << QRect(2100, 50, 1000, 800) << one << QRect();
    QTest::newRow("on the second screen")
        << QRect(2100, 50, 1000, 800) << two << QRect(2100, 50, 1000, 800);
    QTest::newRow("a sliver on the screen") << QRect(1880, 100, 800, 600) << one << QRect();
    QTest::newRow("implausibly small") << QRect(10, 10, 120, 60) << one << QRect();
}

void TstWindowDesktop::fit() {
    QFETCH(QRect, saved);
    QFETCH(QList<QRect>, screens);
    QFETCH(QRect, fitted);
    QCOMPARE(TWindowLayout::Fit(saved, screens).value_or(QRect()), fitted);
}

// What the user arranged comes back in the next window: size (within the screen),
// splitters, a dragged column, the sort; maximised stays maximised.
void TstWindowDesktop::layoutKept() {
    TestDb::TConnected db;
    QString why;
    QVERIFY2(TestDb::Connect(TBackend::Sqlite, &db, &why), qPrintable(why));
    QTemporaryDir state;
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QList<int> splitter;
    QSize size;
    {
        TWindowOf<> w;
        w.Open(db, screen.size() - QSize(60, 40));
        w.Form->SetStateFolder(state.path());
        w.Form->move(screen.topLeft() + QPoint(30, 20));
        auto* work = Child<QSplitter>(w.Form.get(), "WorkSplitter");
        work->setSizes({300, work->width() - 300 - work->handleWidth()});
        splitter = work->sizes();
        Child<QTableView>(w.Form.get(), "OrdersGrid")->horizontalHeader()->resizeSection(1, 222);
        ClickTitle(w.Form.get(), "OrdersGrid", 2);
        ClickTitle(w.Form.get(), "OrdersGrid", 2); // descending
        size = w.Form->size();
        QVERIFY(w.Form->close());
    }
    TWindowOf<> w;
    w.Form =
        std::make_unique<TMainWindow>(db.Data.get(), &w.Prompts, db.Db.IniPath, nullptr, false);
    w.Form->SetStateFolder(state.path());
    QCOMPARE(w.Form->RestoreGeometry(), TWindowLayout::TPlacement::Normal);
    QCOMPARE(w.Form->size(), size);
    w.Form->show();
    QCOMPARE(Child<QSplitter>(w.Form.get(), "WorkSplitter")->sizes(), splitter);
    auto* orders = Child<TDataGrid>(w.Form.get(), "OrdersGrid");
    QCOMPARE(orders->columnWidth(1), 222);
    QCOMPARE(orders->horizontalHeader()->sortIndicatorSection(), 2);
    QCOMPARE(orders->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    w.Form->showMaximized();
    QVERIFY(w.Form->close());
    TMainWindow again(db.Data.get(), &w.Prompts, db.Db.IniPath, nullptr, false);
    again.SetStateFolder(state.path());
    QCOMPARE(again.RestoreGeometry(), TWindowLayout::TPlacement::Maximised);
}

// The save dialogs start where the last file was saved, after a restart too.
void TstWindowDesktop::saveFolderKept() {
    TestDb::TConnected db;
    QString why;
    QVERIFY2(TestDb::Connect(TBackend::Sqlite, &db, &why), qPrintable(why));
    TestDb::AddOrder(*db.Data, QStringLiteral("С-1"), QDate::currentDate(), 1, 1000.0,
                     {{1000, 1000, 1, 5, {}}});
    QTemporaryDir state, saved;
    const auto open = [&](TWindowOf<>& AWindow) {
        AWindow.Open(db);
        AWindow.Form->SetStateFolder(state.path());
        AWindow.SearchDate(QDate::currentDate());
    };
    {
        TWindowOf<> w;
        open(w);
        w.Click("CalculateButton");
        w.Prompts.FileAnswers << saved.filePath(QStringLiteral("notes.pdf"));
        w.Click("SavePdfAllButton");
        QTRY_VERIFY(QFile::exists(saved.filePath(QStringLiteral("notes.pdf"))));
        w.WaitIdle();
        QVERIFY(w.Form->close());
    }
    TWindowOf<> w;
    open(w);
    w.Click("SavePdfAllButton"); // the dialog is cancelled
    QCOMPARE(w.Prompts.Asked.last().Call, QStringLiteral("SaveFileName"));
    QCOMPARE(QFileInfo(w.Prompts.Asked.last().Suggested).absolutePath(), saved.path());
}

// A calculation that ends while another window is active is told through the desktop's
// notification service; with the window active, nothing is said.
void TstWindowDesktop::noteWhenWorkEnds() {
    TestDb::TConnected db;
    QString why;
    QVERIFY2(TestDb::Connect(TBackend::Sqlite, &db, &why), qPrintable(why));
    TestDb::AddOrder(*db.Data, QStringLiteral("Н-1"), QDate::currentDate(), 1, 1000.0,
                     {{2000, 1000, 3, 40, {}}});
    TNotifications service;
    QDBusConnection bus = QDBusConnection::sessionBus();
    QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.Notifications")));
    QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                               QDBusConnection::ExportAllSlots));
    TWindowOf<> w;
    w.Open(db);
    w.Form->Notifier()->SetThreshold(0); // every command counts as long
    QWidget elsewhere;
    elsewhere.show();
    QApplication::setActiveWindow(&elsewhere);
    QTRY_VERIFY(!w.Form->isActiveWindow());
    QSignalSpy notified(w.Form->Notifier(), &TWorkNotifier::Notified);
    w.Click("CalculateButton");
    QTRY_COMPARE(notified.size(), 1);
    QCOMPARE(w.Form->Notifier()->LastChannel(), QStringLiteral("desktop"));
    QCOMPARE(service.Notes, QStringList{"Расчет поддонов: Расчет завершен"});

    // Without the service, and no tray to fall back on offscreen, nothing goes out.
    bus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    w.Form->Notifier()->OnFinished(TWindowWork::TKind::Layouts, 5000, QStringLiteral("готово"));
    QTRY_COMPARE(notified.size(), 2);
    QCOMPARE(w.Form->Notifier()->LastChannel(), QStringLiteral("none"));
    // The operator looking at the window is not told.
    QApplication::setActiveWindow(w.Form.get());
    QTRY_VERIFY(w.Form->isActiveWindow());
    w.Form->Notifier()->OnFinished(TWindowWork::TKind::Calculation, 60000, QString());
    QTest::qWait(0);
    QCOMPARE(notified.size(), 2);
    QCOMPARE(service.Notes.size(), 1);
}

QTEST_MAIN(TstWindowDesktop)
#include "tst_window_desktop.moc"
