// The order browser of the main window on both databases: searches, the
// master-detail refresh on clicks and keyboard moves, the button rules and the stored
// option.
#include "DataModule.h"
#include "IniFile.h"
#include "MainWindow.h"
#include "Prompts.h"
#include "Settings.h"
#include "TestDatabase.h"
#include "UiTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

using namespace UiTest;

namespace {

const QDate Day1(2021, 5, 31);
const QDate Day2(2021, 6, 1);

// An order with two pallets: the first in colour order (RAL 1015) holds the 2000 mm
// position, the second (RAL 9003) the 3000 mm one.
qlonglong OrderWithPallets(TDataModule& AData, const QString& ANumber, const QDate& ADate) {
    QList<qlonglong> pos;
    const qlonglong order = TestDb::AddOrder(
        AData, ANumber, ADate, 1, 1000.0,
        {{2000, 1000, 3, 10, QStringLiteral("A")}, {3000, 1200, 1, 20, QStringLiteral("B")}}, &pos);
    const qlonglong p1 = TestDb::AddPallet(AData, 3);
    TestDb::AddSolution(AData, order, pos[0], p1, 1, 10);
    const qlonglong p2 = TestDb::AddPallet(AData, 1);
    TestDb::AddSolution(AData, order, pos[1], p2, 1, 20);
    return order;
}

qlonglong OrderWithoutPallets(TDataModule& AData, const QString& ANumber, const QDate& ADate) {
    return TestDb::AddOrder(AData, ANumber, ADate, 2, 800.0,
                            {{1500, 600, 5, 4, QString()}, {2500, 900, 5, 7, QString()}});
}

QStringList Numbers(QObject* AForm) {
    QStringList numbers;
    for (int r = 0; r < Rows(AForm, "OrdersGrid"); ++r)
        numbers << Cell(AForm, "OrdersGrid", r, QStringLiteral("Номер заявки"));
    numbers.sort();
    return numbers;
}

using TWindow = TWindowOf<>;

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void layout();
    void searchByDate_data() { TestDb::AddBackendRows(); }
    void searchByDate();
    void searchByNumber_data() { TestDb::AddBackendRows(); }
    void searchByNumber();
    void nothingFound_data() { TestDb::AddBackendRows(); }
    void nothingFound();
    void buttonRules_data() { TestDb::AddBackendRows(); }
    void buttonRules();
    void clickVersusKeyboard_data() { TestDb::AddBackendRows(); }
    void clickVersusKeyboard();
    void autoCalcSetting_data();
    void autoCalcSetting();
    void databaseErrorShown_data() { TestDb::AddBackendRows(); }
    void databaseErrorShown();
};

void TestMainWindow::layout() {
    TestDb::TConnected db;
    QString why;
    QVERIFY2(TestDb::Connect(TBackend::Sqlite, &db, &why), qPrintable(why));
    OrderWithPallets(*db.Data, QStringLiteral("L-1"), QDate::currentDate());
    TWindow w;
    w.Open(db);
    QCOMPARE(w.Form->windowTitle(), QStringLiteral("Гравелон 1.0"));
    QCOMPARE(Titles(w.Form.get(), "OrdersGrid"),
             QStringList({"№", "Заказчик", "Номер заявки", "Дата", "Комментарий",
                          "Предельный вес поддона, кг", "Материал",
                          "Предельное число листов по высоте", "Плотность кг/м2", "Толщина, мм"}));
    QCOMPARE(Titles(w.Form.get(), "PositionsGrid"),
             QStringList({"№", "Код цвета", "Цвет", "Длина", "Ширина", "Количество", "Заказано",
                          "Комментарий"}));
    QCOMPARE(Titles(w.Form.get(), "PalletsGrid"),
             QStringList({"№", "Длина", "Ширина", "Цвет", "Код Цвета", "Вес, кг.", "Высота, листов",
                          "Загрузка по весу, %", "Загрузка по высоте, %", "Погружен", "Закреплен"}));
    QCOMPARE(Titles(w.Form.get(), "ContentsGrid"),
             QStringList({"Длина", "Ширина", "К-во в 1 ряду", "Ширина 1 лист", "Количество",
                          "Комментарий", "Площадь, м2", "Шт. в высоту", "Вес, кг"}));
    // Today's order is listed on opening; the customer and the material are told apart.
    QCOMPARE(Rows(w.Form.get(), "OrdersGrid"), 1);
    QCOMPARE(Cell(w.Form.get(), "OrdersGrid", 0, QStringLiteral("Заказчик")),
             QStringLiteral("ООО Тест"));
    QCOMPARE(Cell(w.Form.get(), "OrdersGrid", 0, QStringLiteral("Материал")),
             QStringLiteral("Фиброцементная плита"));
    QCOMPARE(Cell(w.Form.get(), "OrdersGrid", 0, QStringLiteral("Дата")),
             QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")));
    // The first pallet: 288 kg of 1000, 10 rows of 60.
    QCOMPARE(Cell(w.Form.get(), "PalletsGrid", 0, QStringLiteral("Загрузка по весу, %")),
             QStringLiteral("28.8"));
    QCOMPARE(Cell(w.Form.get(), "PalletsGrid", 0, QStringLiteral("Загрузка по высоте, %")),
             QStringLiteral("16.7"));
    // The contents' "comment" is shown under "Комментарий" whatever the case of its name.
    QCOMPARE(Rows(w.Form.get(), "ContentsGrid"), 1);
    QCOMPARE(Cell(w.Form.get(), "ContentsGrid", 0, QStringLiteral("Длина")),
             QStringLiteral("2000"));
    auto* grid = Child<QTableView>(w.Form.get(), "OrdersGrid");
    // Listed widths are the least a column gets; it grows for its title and contents.
    QVERIFY(grid->columnWidth(0) >= 26);
    QVERIFY(grid->columnWidth(1) >= 130);
    QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(grid->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(grid->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
    QVERIFY(!(grid->model()->flags(grid->model()->index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(!Child<QWidget>(w.Form.get(), "ProgressPanel")->isVisible());
    QCOMPARE(Child<QLabel>(w.Form.get(), "ProgressStage")->text(),
             QStringLiteral("Выгрузка раскладок"));
    QCOMPARE(Child<QLabel>(w.Form.get(), "ProgressTime")->text(),
             QStringLiteral("Прошло времени: 0 мин."));
    QVERIFY(w.Prompts.Asked.isEmpty());
}

void TestMainWindow::searchByDate() {
    GRAVELON_CONNECT(db);
    // One order of the day lies in the archive, one in the working tables.
    OrderWithoutPallets(*db.Data, QStringLiteral("Д-0"), Day1);
    db.Data->Archivation();
    OrderWithPallets(*db.Data, QStringLiteral("Д-1"), Day1);
    OrderWithoutPallets(*db.Data, QStringLiteral("Д-2"), Day2);
    TWindow w;
    w.Open(db);
    w.Form->SetStatusText(QStringLiteral("прежний текст"));

    w.SearchDate(Day1);
    QCOMPARE(Numbers(w.Form.get()), QStringList({"Д-0", "Д-1"}));
    // The details are those of the first order listed.
    const QString first = Cell(w.Form.get(), "OrdersGrid", 0, QStringLiteral("Номер заявки"));
    QCOMPARE(w.Text("OrderNumberLabel"), first);
    // An order calculated elsewhere still has its pallets counted in the caption. These
    // were made by hand, one heavier than the order's limit: the bound (3) above the
    // count no longer speaks of them and is left out.
    QCOMPARE(w.Text("PalletsOrderLabel"), first);
    QCOMPARE(w.Text("PalletsVerdictLabel"),
             first == QStringLiteral("Д-1") ? QStringLiteral("2 поддона") : QString());
    QCOMPARE(Rows(w.Form.get(), "PositionsGrid"), 2);
    // The status bar speaks of the list shown.
    QCOMPARE(w.Form->StatusText(), QStringLiteral("Найдено заявок: 2"));

    ClickRow(w.Form.get(), "OrdersGrid", 1);
    const QString second =
        first == QStringLiteral("Д-1") ? QStringLiteral("Д-0") : QStringLiteral("Д-1");
    QCOMPARE(w.Text("PalletsOrderLabel"), second);
    QCOMPARE(w.Text("PalletsVerdictLabel"),
             second == QStringLiteral("Д-1") ? QStringLiteral("2 поддона") : QString());

    w.SearchDate(Day2);
    QCOMPARE(Numbers(w.Form.get()), QStringList({"Д-2"}));
    QCOMPARE(w.Text("OrderNumberLabel"), QStringLiteral("Д-2"));
    QCOMPARE(w.Text("PalletsOrderLabel"), QStringLiteral("Д-2"));
    QVERIFY(w.Prompts.Asked.isEmpty());
}

void TestMainWindow::searchByNumber() {
    GRAVELON_CONNECT(db);
    OrderWithoutPallets(*db.Data, QStringLiteral("А-1"), Day1);
    OrderWithoutPallets(*db.Data, QStringLiteral("Б'2"), Day1);
    OrderWithoutPallets(*db.Data, QStringLiteral("В_3"), Day2);
    OrderWithoutPallets(*db.Data, QStringLiteral("Г%4"), Day2);
    TWindow w;
    w.Open(db);

    const QList<QPair<QString, QStringList>> cases = {
        {QStringLiteral("'"), {"Б'2"}},                     // searched for as such
        {QStringLiteral(""), {"А-1", "Б'2", "В_3", "Г%4"}}, // every order
        {QStringLiteral("-1"), {"А-1"}},                    // contained anywhere
        {QStringLiteral("Б'"), {"Б'2"}},
        {QStringLiteral("_"), {"В_3"}}, // no wildcards: text as typed
        {QStringLiteral("%"), {"Г%4"}},
        {QStringLiteral("б'2"), {"Б'2"}},    // letters of either case
        {QStringLiteral("' or 1=1 --"), {}}, // text, never SQL
    };
    for (const auto& c : cases) {
        w.SearchNumber(c.first);
        QCOMPARE(Numbers(w.Form.get()), c.second);
    }
    QVERIFY(w.Prompts.Asked.isEmpty());
}

void TestMainWindow::nothingFound() {
    GRAVELON_CONNECT(db);
    OrderWithPallets(*db.Data, QStringLiteral("П-1"), Day1);
    TWindow w;
    w.Open(db);
    w.SearchNumber(QStringLiteral("П-1"));
    QVERIFY(w.Enabled("PrintAllButton"));
    QVERIFY(w.Enabled("PrintPalletButton"));
    QCOMPARE(Rows(w.Form.get(), "PalletsGrid"), 2);

    w.SearchNumber(QStringLiteral("нет такой"));
    QCOMPARE(Rows(w.Form.get(), "OrdersGrid"), 0);
    QVERIFY(!w.Enabled("PrintAllButton"));
    QVERIFY(!w.Enabled("PrintPalletButton"));
    QVERIFY(!w.Enabled("CalculateButton"));
    QCOMPARE(w.Form->StatusText(), QStringLiteral("Заявки не найдены"));
    // Nothing of the order shown before stays on screen.
    QCOMPARE(Rows(w.Form.get(), "PositionsGrid"), 0);
    QCOMPARE(Rows(w.Form.get(), "PalletsGrid"), 0);
    QCOMPARE(Rows(w.Form.get(), "ContentsGrid"), 0);
    QCOMPARE(w.Text("OrderNumberLabel"), QString());
    QCOMPARE(w.Text("PalletsOrderLabel"), QString());
    QCOMPARE(w.Text("PalletNumberLabel"), QString());
    // With no order listed the button does nothing.
    w.Form->OnCalculateClicked();
    QVERIFY(!Child<QWidget>(w.Form.get(), "ProgressPanel")->isVisible());
    QCOMPARE(w.Form->StatusText(), QStringLiteral("Заявки не найдены"));
}

void TestMainWindow::buttonRules() {
    GRAVELON_CONNECT(db);
    // An order archived before it was calculated: a run would calculate the working
    // tables' order instead, so it cannot be started for it.
    OrderWithoutPallets(*db.Data, QStringLiteral("Архив-0"), QDate(2020, 2, 2));
    db.Data->Archivation();
    OrderWithoutPallets(*db.Data, QStringLiteral("Без-1"), Day1);
    OrderWithPallets(*db.Data, QStringLiteral("С-2"), Day2);
    TWindow w;
    w.Open(db);
    // Before the first refresh the print buttons are on and the calculation off; the
    // window opened on today, which has no orders.
    QVERIFY(!w.Enabled("CalculateButton"));

    w.SearchDate(Day2);
    QVERIFY(!w.Enabled("CalculateButton"));
    QVERIFY(w.Enabled("PrintAllButton"));
    QVERIFY(w.Enabled("PrintPalletButton"));
    QCOMPARE(CurrentRow(w.Form.get(), "PalletsGrid"), 0);
    QCOMPARE(w.Text("PalletNumberLabel"), QStringLiteral("1"));
    QCOMPARE(Rows(w.Form.get(), "ContentsGrid"), 1);
    QCOMPARE(Cell(w.Form.get(), "ContentsGrid", 0, QStringLiteral("Длина")),
             QStringLiteral("2000"));
    QCOMPARE(Cell(w.Form.get(), "ContentsGrid", 0, QStringLiteral("Комментарий")), QString());

    w.SearchDate(Day1);
    QVERIFY(w.Enabled("CalculateButton"));
    QVERIFY(!w.Enabled("PrintAllButton"));
    QVERIFY(!w.Enabled("PrintPalletButton"));
    QCOMPARE(Rows(w.Form.get(), "PositionsGrid"), 2);
    QCOMPARE(Rows(w.Form.get(), "PalletsGrid"), 0);
    QCOMPARE(Rows(w.Form.get(), "ContentsGrid"), 0);
    // An order without pallets names no pallet.
    QCOMPARE(w.Text("PalletNumberLabel"), QString());
    QCOMPARE(w.Text("OrderNumberLabel"), QStringLiteral("Без-1"));

    w.SearchDate(QDate(2020, 2, 2));
    QCOMPARE(w.Text("OrderNumberLabel"), QStringLiteral("Архив-0"));
    QCOMPARE(Rows(w.Form.get(), "PositionsGrid"), 2);
    QCOMPARE(Rows(w.Form.get(), "PalletsGrid"), 0);
    QVERIFY(!w.Enabled("CalculateButton"));
    QVERIFY(!w.Enabled("PrintAllButton"));
}

void TestMainWindow::clickVersusKeyboard() {
    GRAVELON_CONNECT(db);
    OrderWithPallets(*db.Data, QStringLiteral("К-1"), Day1);
    OrderWithoutPallets(*db.Data, QStringLiteral("К-2"), Day1);
    TWindow w;
    w.Open(db);
    w.SearchDate(Day1);
    const QString first = Cell(w.Form.get(), "OrdersGrid", 0, QStringLiteral("Номер заявки"));
    if (first != QStringLiteral("К-1")) {
        // Put the order with pallets first for the pallet part below.
        ClickRow(w.Form.get(), "OrdersGrid", 1);
    }
    QCOMPARE(w.Text("OrderNumberLabel"), QStringLiteral("К-1"));
    QCOMPARE(w.Text("PalletNumberLabel"), QStringLiteral("1"));

    // Pallets: the arrow key moves the current row, and the contents follow it.
    auto* pallets = Child<QTableView>(w.Form.get(), "PalletsGrid");
    pallets->setFocus();
    QTest::keyClick(pallets, Qt::Key_Down);
    QCOMPARE(CurrentRow(w.Form.get(), "PalletsGrid"), 1);
    QCOMPARE(w.Text("PalletNumberLabel"), QStringLiteral("2"));
    QCOMPARE(Rows(w.Form.get(), "ContentsGrid"), 1);
    QCOMPARE(Cell(w.Form.get(), "ContentsGrid", 0, QStringLiteral("Длина")),
             QStringLiteral("3000"));
    QCOMPARE(Cell(w.Form.get(), "ContentsGrid", 0, QStringLiteral("Количество")),
             QStringLiteral("20"));
    QTest::keyClick(pallets, Qt::Key_Up);
    QCOMPARE(w.Text("PalletNumberLabel"), QStringLiteral("1"));
    QCOMPARE(Cell(w.Form.get(), "ContentsGrid", 0, QStringLiteral("Длина")),
             QStringLiteral("2000"));
    // A click on another row shows it too, and a click on the current row again.
    ClickRow(w.Form.get(), "PalletsGrid", 1);
    QCOMPARE(w.Text("PalletNumberLabel"), QStringLiteral("2"));
    ClickRow(w.Form.get(), "PalletsGrid", 1);
    QCOMPARE(w.Text("PalletNumberLabel"), QStringLiteral("2"));
    QCOMPARE(Cell(w.Form.get(), "ContentsGrid", 0, QStringLiteral("Длина")),
             QStringLiteral("3000"));

    // Orders: the same.
    auto* orders = Child<QTableView>(w.Form.get(), "OrdersGrid");
    const int k1 = CurrentRow(w.Form.get(), "OrdersGrid");
    const int k2 = 1 - k1;
    orders->setFocus();
    QTest::keyClick(orders, k2 > k1 ? Qt::Key_Down : Qt::Key_Up);
    QCOMPARE(CurrentRow(w.Form.get(), "OrdersGrid"), k2);
    QCOMPARE(w.Text("OrderNumberLabel"), QStringLiteral("К-2"));
    QCOMPARE(w.Text("PalletsOrderLabel"), QStringLiteral("К-2"));
    QCOMPARE(Rows(w.Form.get(), "PalletsGrid"), 0);
    QCOMPARE(Rows(w.Form.get(), "ContentsGrid"), 0);
    QVERIFY(w.Enabled("CalculateButton"));
    QVERIFY(!w.Enabled("PrintAllButton"));
    QVERIFY(!w.Enabled("PrintPalletButton"));
    QTest::keyClick(orders, k2 > k1 ? Qt::Key_Up : Qt::Key_Down);
    QCOMPARE(w.Text("OrderNumberLabel"), QStringLiteral("К-1"));
    QCOMPARE(Rows(w.Form.get(), "PalletsGrid"), 2);
    QCOMPARE(w.Text("PalletNumberLabel"), QStringLiteral("1"));
    QVERIFY(w.Enabled("PrintAllButton"));
    QVERIFY(!w.Enabled("CalculateButton"));
    QVERIFY(w.Prompts.Asked.isEmpty());

    // The search date: Tab goes on to its button from any part of the date, and
    // Space there searches.
    w.Form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.Form.get()));
    auto* date = Child<QDateEdit>(w.Form.get(), "SearchDate");
    date->setDate(Day1.addDays(-1));
    date->setFocus();
    date->setCurrentSection(QDateTimeEdit::MonthSection);
    QTest::keyClick(date, Qt::Key_Tab);
    auto* find = Child<QToolButton>(w.Form.get(), "SearchByDateButton");
    QCOMPARE(QApplication::focusWidget(), find);
    QTest::keyClick(find, Qt::Key_Space);
    QCOMPARE(Rows(w.Form.get(), "OrdersGrid"), 0);
    // Enter in the date searches at once, for the date as typed.
    date->setFocus();
    date->setSelectedSection(QDateTimeEdit::DaySection);
    QTest::keyClicks(date, Day1.toString(QStringLiteral("dd")));
    QTest::keyClick(date, Qt::Key_Return);
    QCOMPARE(date->date(), Day1);
    QCOMPARE(Rows(w.Form.get(), "OrdersGrid"), 2);
    QCOMPARE(QApplication::focusWidget(), date);
}

void TestMainWindow::autoCalcSetting_data() {
    QTest::addColumn<QString>("stored"); // "<none>": key missing, "<nofile>": no file
    QTest::addColumn<bool>("checked");
    QTest::addColumn<QString>("after"); // the value in the file after the showing
    QTest::newRow("false") << "false" << false << "false";
    QTest::newRow("true") << "true" << true << "true";
    QTest::newRow("one") << "1" << true << "true";
    QTest::newRow("False") << "False" << true << "true";
    QTest::newRow("empty") << "" << true << "true";
    QTest::newRow("missing key") << "<none>" << false << "<none>";
    QTest::newRow("missing file") << "<nofile>" << false << "<nofile>";
}

void TestMainWindow::autoCalcSetting() {
    QFETCH(QString, stored);
    QFETCH(bool, checked);
    QFETCH(QString, after);
    TestDb::TConnected db;
    QString why;
    QVERIFY2(TestDb::Connect(TBackend::Sqlite, &db, &why), qPrintable(why));
    {
        QFile f(db.Db.IniPath);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("[CONNECT]\nServ=\nBaza=test.db\n[PROGSETTIG]\n");
        if (stored != QLatin1String("<none>"))
            f.write(QStringLiteral("AutoObrabotka=%1\n").arg(stored).toUtf8());
    }
    if (stored == QLatin1String("<nofile>"))
        QVERIFY(QFile::remove(db.Db.IniPath));
    TWindow w;
    w.Open(db);
    auto* box = Child<QCheckBox>(w.Form.get(), "AutoCalculation");
    QCOMPARE(box->isChecked(), checked);
    const TIniFile ini(db.Db.IniPath);
    if (after == QLatin1String("<nofile>")) {
        QCOMPARE(w.Prompts.Messages(), QStringList({GravelonSettings::IniNotFound(db.Db.IniPath)}));
        QVERIFY(!ini.Exists());
        // Clicking without a file says so again and changes nothing on disk.
        box->click();
        QCOMPARE(w.Prompts.Messages().size(), 2);
        QVERIFY(!ini.Exists());
        return;
    }
    QVERIFY(w.Prompts.Asked.isEmpty());
    QCOMPARE(ini.ReadString(QStringLiteral("PROGSETTIG"), QStringLiteral("AutoObrabotka"),
                            QStringLiteral("<none>")),
             after);
    // A click stores the new state; the connection settings stay as they were.
    box->click();
    QCOMPARE(ini.ReadString(QStringLiteral("PROGSETTIG"), QStringLiteral("AutoObrabotka"), {}),
             checked ? QStringLiteral("false") : QStringLiteral("true"));
    QCOMPARE(ini.ReadString(QStringLiteral("CONNECT"), QStringLiteral("Baza"), {}),
             QStringLiteral("test.db"));
}

void TestMainWindow::databaseErrorShown() {
    GRAVELON_CONNECT(db);
    OrderWithoutPallets(*db.Data, QStringLiteral("Е-1"), Day1);
    TWindow w;
    w.Open(db);
    w.SearchDate(Day1);
    QCOMPARE(Rows(w.Form.get(), "OrdersGrid"), 1);
    // The order list can no longer be read: the search says why and the window carries on.
    db.Data->ExecSql(QStringLiteral("drop table Applicates_archive") +
                     (db.Data->Dialect().IsPostgres() ? QStringLiteral(" cascade") : QString()));
    w.SearchDate(Day1);
    QCOMPARE(w.Prompts.Asked.size(), 1);
    QCOMPARE(w.Prompts.Asked[0].Kind, TPrompts::TKind::Error);
    QVERIFY2(
        w.Prompts.Asked[0].Text.contains(QStringLiteral("applicates_archive"), Qt::CaseInsensitive),
        qPrintable(w.Prompts.Asked[0].Text));
    QCOMPARE(Rows(w.Form.get(), "OrdersGrid"), 0);
    w.Form->OnCalculateClicked();
    QVERIFY(!Child<QWidget>(w.Form.get(), "ProgressPanel")->isVisible());
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
