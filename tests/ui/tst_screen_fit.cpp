// The windows on the screens operators have: 1366×768, and 2732×1536 at 200 % (both
// 1366×768 in the program's units). The screen comes from the test's registration
// (the offscreen platform's screen file and QT_SCALE_FACTOR), so each check runs on
// both. Nothing may be cut: every button and check box lies inside its window and is
// as wide as its text needs, every window lies on the screen, and a long order number
// elides instead of widening the main window.

#include "AddColourDialog.h"
#include "ColourList.h"
#include "MainWindow.h"
#include "NewOrderDialog.h"
#include "Prompts.h"
#include "ScreenFit.h"
#include "StartupWindow.h"
#include "TestDatabase.h"
#include "UiTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <QtTest>

using namespace UiTest;

namespace {

QRect FreeArea() {
    return QGuiApplication::primaryScreen()->availableGeometry();
}

// What of AWindow an operator could not use: a window off the screen, a button or a
// check box outside its window or narrower than its text.
QStringList Cut(QWidget* AWindow) {
    QStringList cut;
    if (!FreeArea().contains(AWindow->frameGeometry()))
        cut << QStringLiteral("window %1 off the screen %2")
                   .arg(QDebug::toString(AWindow->frameGeometry()),
                        QDebug::toString(FreeArea()));
    for (QAbstractButton* b : AWindow->findChildren<QAbstractButton*>()) {
        if (!b->isVisibleTo(AWindow) || b->text().isEmpty() || b->window() != AWindow)
            continue;
        const QRect at(b->mapTo(AWindow, QPoint(0, 0)), b->size());
        if (!AWindow->rect().contains(at) || b->width() < b->sizeHint().width())
            cut << QStringLiteral("%1 «%2» at %3 needs %4")
                       .arg(b->objectName(), b->text(), QDebug::toString(at))
                       .arg(b->sizeHint().width());
    }
    return cut;
}

} // namespace

class TstScreenFit : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void mainWindow();
    void dialogs_data();
    void dialogs();
};

void TstScreenFit::initTestCase() {
    QCOMPARE(FreeArea().size(), QSize(1366, 768));
}

void TstScreenFit::mainWindow() {
    GRAVELON_CONNECT_TO(db, TBackend::Sqlite);
    const QString number = QStringLiteral("ЗК-2026/12/10-ОЧЕНЬ-ДЛИННЫЙ-НОМЕР-ЗАЯВКИ-ПОКУПАТЕЛЯ-№-000001");
    TestDb::AddOrder(*db.Data, number, QDate::currentDate(), 1, 1000.0,
                     {{3000, 1200, 1, 60, {}}, {2500, 1200, 2, 40, {}}}, nullptr,
                     QStringLiteral("Общество с ограниченной ответственностью «Очень длинное имя»"));
    TWindowOf<> w;
    w.Form = std::make_unique<TMainWindow>(db.Data.get(), &w.Prompts, db.Db.IniPath, nullptr,
                                           false);
    ScreenFit::ShowMainWindow(w.Form.get());
    QVERIFY(QTest::qWaitForWindowExposed(w.Form.get()));
    const QSize first = w.Form->size();
    QVERIFY2(first.width() <= FreeArea().width() * 0.91, qPrintable(QDebug::toString(first)));
    w.SearchDate(QDate::currentDate());
    ClickRow(w.Form.get(), "OrdersGrid", 0);
    w.Click("CalculateButton");
    QTRY_VERIFY(Rows(w.Form.get(), "PalletsGrid") > 0);
    QCoreApplication::processEvents();
    QCOMPARE(w.Form->size(), first);
    QCOMPARE(Cut(w.Form.get()), QStringList());
    // The whole number is a hover away.
    QCOMPARE(Child<QLabel>(w.Form.get(), "PalletsOrderLabel")->text(), number);
}

void TstScreenFit::dialogs_data() {
    QTest::addColumn<QString>("window");
    for (const char* name :
         {"NewOrderDialog", "ColourList", "AddColourDialog", "TextDialog", "ConnectionPanel"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TstScreenFit::dialogs() {
    QFETCH(QString, window);
    GRAVELON_CONNECT_TO(db, TBackend::Sqlite);
    TRecordingPrompts prompts;
    TMainWindow owner(db.Data.get(), &prompts, db.Db.IniPath, nullptr, false);
    std::unique_ptr<QWidget> shown;
    if (window == QLatin1String("NewOrderDialog"))
        shown = std::make_unique<TNewOrderDialog>(*db.Data, prompts, &owner);
    else if (window == QLatin1String("ColourList"))
        shown = std::make_unique<TColourList>(db.Data.get(), &prompts, &owner);
    else if (window == QLatin1String("AddColourDialog"))
        shown = std::make_unique<TAddColourDialog>(db.Data.get(), &prompts, &owner);
    if (shown) {
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown.get()));
        QCOMPARE(Cut(shown.get()), QStringList());
        return;
    }
    if (window == QLatin1String("ConnectionPanel")) {
        TStartupWindow startup(&prompts, db.Db.IniPath, 24 * 3600 * 1000, 24 * 3600 * 1000);
        startup.show();
        startup.ShowConnectionPanel();
        QVERIFY(QTest::qWaitForWindowExposed(&startup));
        QCOMPARE(Cut(&startup), QStringList());
        return;
    }
    // A report of many long causes: the window wraps and scrolls, and stays on the screen.
    QString text;
    for (int row = 2; row < 400; ++row)
        text += QStringLiteral("Строка %1 | %2 | не заполнено поле Толщина; цвета «%2» нет в "
                               "справочнике цветов\r\n")
                    .arg(row)
                    .arg(QString(120, QLatin1Char('R')));
    QStringList cut{QStringLiteral("not shown")};
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog)
            return;
        cut = Cut(dialog);
        dialog->close();
    });
    TQtPrompts().ShowText(&owner, QStringLiteral("Некорректные строки"), text);
    QCOMPARE(cut, QStringList());
}

QTEST_MAIN(TstScreenFit)
#include "tst_screen_fit.moc"
