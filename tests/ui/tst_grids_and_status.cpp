// What the main window's grids and status bar show, on both databases: dates only in
// the date column, the status bar and captions following the order shown through
// searches and calculations, sorting by a click on a column title, and columns wide
// enough for what they hold.
#include "DataGrid.h"
#include "DataModule.h"
#include "MainWindow.h"
#include "Prompts.h"
#include "TestDatabase.h"
#include "UiTestSupport.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

using namespace UiTest;

namespace {

const QDate Day(2021, 5, 31);

struct TWindow : TWindowOf<> {
    void ClickTitle(const char* AGrid, int AColumn) { UiTest::ClickTitle(Form.get(), AGrid, AColumn); }
};

qlonglong OrderWithPallets(TDataModule& AData, const QString& ANumber, const QDate& ADate) {
    QList<qlonglong> pos;
    const qlonglong order = TestDb::AddOrder(AData, ANumber, ADate, 1, 1000.0,
                                             {{2000, 1000, 3, 10, QStringLiteral("A")},
                                              {3000, 1200, 1, 20, QStringLiteral("B")},
                                              {1000, 500, 5, 40, QStringLiteral("C")}},
                                             &pos);
    // Three pallets numbered by colour code: RAL 1015 (3), RAL 7035 (5), RAL 9003 (1).
    TestDb::AddSolution(AData, order, pos[0], TestDb::AddPallet(AData, 3), 1, 10);
    TestDb::AddSolution(AData, order, pos[1], TestDb::AddPallet(AData, 1), 1, 20);
    TestDb::AddSolution(AData, order, pos[2], TestDb::AddPallet(AData, 5), 2, 40);
    return order;
}

} // namespace

class TestGridsAndStatus : public QObject {
    Q_OBJECT
private slots:
    void datesByColumn_data() { TestDb::AddBackendRows(); }
    void datesByColumn();
    void statusFollowsOrder_data() { TestDb::AddBackendRows(); }
    void statusFollowsOrder();
    void sortByTitle_data() { TestDb::AddBackendRows(); }
    void sortByTitle();
    void columnWidths();
};

void TestGridsAndStatus::datesByColumn() {
    GRAVELON_CONNECT(db);
    const qlonglong id = TestDb::AddOrder(*db.Data, QStringLiteral("2024-03-15"), Day, 1, 900.0,
                                          {{2000, 1000, 1, 5, QStringLiteral("2024-03-16")}});
    db.Data->ExecSql(
        QStringLiteral("update Applicates set Comment = '2024-03-17' where ID = %1").arg(id));
    TWindow w;
    w.Open(db);
    w.SearchDate(Day);
    QCOMPARE(Rows(w.Form.get(), "OrdersGrid"), 1);
    // Texts stay as written; only the date column shows a date, the workshop's way.
    QCOMPARE(Cell(w.Form.get(), "OrdersGrid", 0, QStringLiteral("Номер заявки")),
             QStringLiteral("2024-03-15"));
    QCOMPARE(Cell(w.Form.get(), "OrdersGrid", 0, QStringLiteral("Комментарий")),
             QStringLiteral("2024-03-17"));
    QCOMPARE(Cell(w.Form.get(), "OrdersGrid", 0, QStringLiteral("Дата")),
             QStringLiteral("31.05.2021"));
    QCOMPARE(Cell(w.Form.get(), "PositionsGrid", 0, QStringLiteral("Комментарий")),
             QStringLiteral("2024-03-16"));
    QCOMPARE(w.Text("OrderNumberLabel"), QStringLiteral("2024-03-15"));
}

void TestGridsAndStatus::statusFollowsOrder() {
    GRAVELON_CONNECT(db);
    // An archived order with pallets on another day, and the working order to calculate.
    OrderWithPallets(*db.Data, QStringLiteral("Старая-1"), Day.addDays(-1));
    db.Data->Archivation();
    TestDb::AddOrder(*db.Data, QStringLiteral("Новая-2"), Day, 1, 1000.0,
                     {{2000, 1000, 3, 10, {}}, {2500, 1200, 3, 4, {}}});
    TWindow w;
    w.Open(db);

    w.SearchDate(Day.addDays(-1));
    QCOMPARE(w.Text("PalletNumberLabel"), QStringLiteral("1"));
    QCOMPARE(w.Form->StatusText(), QStringLiteral("Найдено заявок: 1"));

    // A freshly recorded order without pallets: no pallet is named, nothing is
    // said to be calculated.
    w.SearchDate(Day);
    QCOMPARE(w.Text("OrderNumberLabel"), QStringLiteral("Новая-2"));
    QCOMPARE(Rows(w.Form.get(), "PalletsGrid"), 0);
    QCOMPARE(w.Text("PalletNumberLabel"), QString());
    QCOMPARE(w.Form->StatusText(), QStringLiteral("Найдено заявок: 1"));
    QVERIFY(Child<QPushButton>(w.Form.get(), "CalculateButton")->isEnabled());

    w.Click("CalculateButton");
    QCOMPARE(w.Form->StatusText(), QStringLiteral("Расчет завершен"));
    QVERIFY(Rows(w.Form.get(), "PalletsGrid") > 0);
    QCOMPARE(w.Text("PalletNumberLabel"), QStringLiteral("1"));

    // The outcome belongs to that order: another order shown, the list is spoken of;
    // back to it, the outcome again.
    w.SearchDate(Day.addDays(-1));
    QCOMPARE(w.Text("OrderNumberLabel"), QStringLiteral("Старая-1"));
    QCOMPARE(w.Form->StatusText(), QStringLiteral("Найдено заявок: 1"));
    w.SearchNumber(QStringLiteral("новая"));
    QCOMPARE(w.Form->StatusText(), QStringLiteral("Расчет завершен"));

    // Nothing found: no order's details stay, and nothing is calculated or printed.
    w.SearchNumber(QStringLiteral("нет такой"));
    QCOMPARE(w.Form->StatusText(), QStringLiteral("Заявки не найдены"));
    QCOMPARE(Rows(w.Form.get(), "PositionsGrid"), 0);
    QCOMPARE(Rows(w.Form.get(), "PalletsGrid"), 0);
    QCOMPARE(Rows(w.Form.get(), "ContentsGrid"), 0);
    QCOMPARE(w.Text("OrderNumberLabel"), QString());
    QCOMPARE(w.Text("PalletNumberLabel"), QString());
    for (const char* button : {"CalculateButton", "PrintAllButton", "PrintPalletButton"})
        QVERIFY2(!Child<QPushButton>(w.Form.get(), button)->isEnabled(), button);

    // Found again: the list and the details agree.
    w.SearchNumber(QString());
    QCOMPARE(w.Form->StatusText().startsWith(QStringLiteral("Найдено заявок: 2")) ||
                 w.Form->StatusText() == QStringLiteral("Расчет завершен"),
             true);
    QCOMPARE(w.Text("OrderNumberLabel"),
             Cell(w.Form.get(), "OrdersGrid", CurrentRow(w.Form.get(), "OrdersGrid"),
                  QStringLiteral("Номер заявки")));
    QVERIFY(w.Prompts.Asked.isEmpty());
}

void TestGridsAndStatus::sortByTitle() {
    GRAVELON_CONNECT(db);
    OrderWithPallets(*db.Data, QStringLiteral("П-10"), Day);
    TestDb::AddOrder(*db.Data, QStringLiteral("П-9"), Day, 1, 700.0, {{1000, 1000, 1, 2, {}}});
    TestDb::AddOrder(*db.Data, QStringLiteral("п-11"), Day, 1, 800.0, {{1000, 1000, 1, 3, {}}});
    TWindow w;
    w.Open(db);
    w.SearchDate(Day);
    const QStringList queryOrder = w.Column("OrdersGrid", QStringLiteral("Номер заявки"));
    QCOMPARE(queryOrder.size(), 3);

    // Number: a reader's order (9 before 10, case aside), then the other way, then the
    // query's order again.
    w.ClickTitle("OrdersGrid", 2);
    QCOMPARE(w.Column("OrdersGrid", QStringLiteral("Номер заявки")),
             QStringList({"П-9", "П-10", "п-11"}));
    w.ClickTitle("OrdersGrid", 2);
    QCOMPARE(w.Column("OrdersGrid", QStringLiteral("Номер заявки")),
             QStringList({"п-11", "П-10", "П-9"}));
    // A click on a row of the sorted grid shows that row's order.
    ClickRow(w.Form.get(), "OrdersGrid", 1);
    QCOMPARE(w.Text("OrderNumberLabel"), QStringLiteral("П-10"));
    QCOMPARE(Rows(w.Form.get(), "PalletsGrid"), 3);
    // The row indicator counts from the top whatever the order.
    auto* orders = Child<QTableView>(w.Form.get(), "OrdersGrid");
    QCOMPARE(orders->model()->headerData(0, Qt::Vertical).toInt(), 1);
    // A new search keeps the user's order and shows the details of the top row.
    w.SearchDate(Day);
    QCOMPARE(w.Column("OrdersGrid", QStringLiteral("Номер заявки")),
             QStringList({"п-11", "П-10", "П-9"}));
    QCOMPARE(w.Text("OrderNumberLabel"), QStringLiteral("п-11"));
    w.ClickTitle("OrdersGrid", 2);
    QCOMPARE(w.Column("OrdersGrid", QStringLiteral("Номер заявки")), queryOrder);

    // Pallets by weight: each keeps its number, and its contents follow a click.
    w.SearchNumber(QStringLiteral("П-10"));
    const QStringList numbers = w.Column("PalletsGrid", QStringLiteral("№"));
    QCOMPARE(numbers, QStringList({"1", "2", "3"}));
    QCOMPARE(w.Column("PalletsGrid", QStringLiteral("Код Цвета")),
             QStringList({"RAL 1015", "RAL 7035", "RAL 9003"}));
    w.ClickTitle("PalletsGrid", 5); // "Вес, кг."
    const QStringList weights = w.Column("PalletsGrid", QStringLiteral("Вес, кг."));
    QList<double> values;
    for (const QString& v : weights)
        values << v.toDouble();
    QVERIFY2(std::is_sorted(values.begin(), values.end()), qPrintable(weights.join(' ')));
    for (int r = 0; r < 3; ++r) {
        const QString code = Cell(w.Form.get(), "PalletsGrid", r, QStringLiteral("Код Цвета"));
        const QString number = Cell(w.Form.get(), "PalletsGrid", r, QStringLiteral("№"));
        QCOMPARE(number, QString::number(
                             QStringList({"RAL 1015", "RAL 7035", "RAL 9003"}).indexOf(code) + 1));
        ClickRow(w.Form.get(), "PalletsGrid", r);
        QCOMPARE(w.Text("PalletNumberLabel"), number);
    }
    // The pallet of the current row is the one printed.
    QCOMPARE(w.Form->CurrentPalletValue(QStringLiteral("clrcode")).toString(),
             Cell(w.Form.get(), "PalletsGrid", 2, QStringLiteral("Код Цвета")));
}

void TestGridsAndStatus::columnWidths() {
    TestDb::TConnected db;
    QString why;
    QVERIFY2(TestDb::Connect(TBackend::Sqlite, &db, &why), qPrintable(why));
    // "Светлая слоновая кость" is RAL 1015's name.
    OrderWithPallets(*db.Data, QStringLiteral("Ш-1"), Day);
    db.Data->ExecSql(
        QStringLiteral("update Applicates set Comment = '%1'").arg(QString(400, QLatin1Char('x'))));
    TWindow w;
    w.Open(db);
    w.SearchDate(Day);
    for (const char* name : {"OrdersGrid", "PositionsGrid", "PalletsGrid", "ContentsGrid"}) {
        auto* grid = Child<TDataGrid>(w.Form.get(), name);
        QVERIFY(grid);
        const QFontMetrics titles = grid->horizontalHeader()->fontMetrics();
        for (int c = 0; c < grid->model()->columnCount(); ++c) {
            const QString title = grid->model()->headerData(c, Qt::Horizontal).toString();
            const int width = grid->columnWidth(c);
            QVERIFY2(width <= TDataGrid::MaxColumnWidth, qPrintable(title));
            QVERIFY2(titles.horizontalAdvance(title) < width, qPrintable(name + (" " + title)));
            for (int r = 0; r < grid->model()->rowCount(); ++r) {
                const QModelIndex index = grid->model()->index(r, c);
                const QString text = index.data().toString();
                const bool fits = grid->sizeHintForIndex(index).width() <= width;
                // What does not fit is capped at the widest column and told in full in
                // its tooltip.
                QVERIFY2(fits || width == TDataGrid::MaxColumnWidth, qPrintable(title + text));
                QCOMPARE(index.data(Qt::ToolTipRole).toString(), text);
            }
        }
    }
    QCOMPARE(Cell(w.Form.get(), "PalletsGrid", 0, QStringLiteral("Цвет")),
             QStringLiteral("Светлая слоновая кость"));
}

QTEST_MAIN(TestGridsAndStatus)
#include "tst_grids_and_status.moc"
