// "Распечатать все раскладки" and "Распечатать раскладку" in the main window on both
// databases: the save dialog (proposed name, suffix, the question before replacing a
// file), the workbook written (read back through the order reader) for the rows the
// details show, the messages, the opened file, a cancelled dialog and a failed export.
#include "DataModule.h"
#include "LayoutExport.h"
#include "MainWindow.h"
#include "Prompts.h"
#include "TestDatabase.h"
#include "UiTestSupport.h"
#include "WorkbookReader.h"

#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>

using namespace UiTest;

namespace {

const QDate Day(2021, 5, 31);

// Records what the save dialog was given, too.
class TPrintPrompts : public TRecordingPrompts {
public:
    QStringList Filters;
    QStringList Suggested;
    QString SaveFileName(QWidget* AParent, const QString& ACaption, const QString& AFilter,
                         const QString& ASuggested) override {
        Filters << AFilter;
        Suggested << ASuggested;
        return TRecordingPrompts::SaveFileName(AParent, ACaption, AFilter, ASuggested);
    }
};

// Two pallets, numbered in colour order: 1 is RAL 1015 with the 2000 mm position,
// 2 is RAL 9003 with the 3000 mm one.
void OrderWithPallets(TDataModule& AData, const QString& ANumber = QStringLiteral("П-5"),
                      const QString& ACustomer = QStringLiteral("ООО Тест")) {
    QList<qlonglong> pos;
    const qlonglong order = TestDb::AddOrder(
        AData, ANumber, Day, 1, 1000.0,
        {{3000, 1200, 1, 20, QStringLiteral("B")}, {2000, 1000, 3, 10, QStringLiteral("A")}}, &pos,
        ACustomer);
    const qlonglong p1 = TestDb::AddPallet(AData, 1);
    TestDb::AddSolution(AData, order, pos[0], p1, 1, 20);
    const qlonglong p2 = TestDb::AddPallet(AData, 3);
    TestDb::AddSolution(AData, order, pos[1], p2, 1, 10);
}

struct TWindow : TWindowOf<TPrintPrompts> {
    QStringList Opened;
    bool Opens = true; // whether the desktop has a program for what is opened

    void Open(TestDb::TConnected& ADb) {
        TWindowOf::Open(ADb);
        Form->SetOpenFile([this](const QString& AFile) {
            Opened << AFile;
            return Opens;
        });
        SearchDate(Day);
    }
    void Click(const char* AButton) {
        auto* b = Button(AButton);
        QVERIFY(b->isEnabled());
        b->click();
        WaitIdle();
    }
    bool PanelVisible() { return Child<QWidget>(Form.get(), "ProgressPanel")->isVisible(); }
    QProgressBar* Bar() { return Child<QProgressBar>(Form.get(), "ProgressBar"); }
};

// Starts of the layout blocks on the sheet: rows whose B reads "Служебная записка №".
QList<int> Blocks(const TSheetValues& ASheet) {
    QList<int> rows;
    for (int r = 1; r <= ASheet.RowCount(); ++r) {
        if (ASheet.Cell(r, 2) == QStringLiteral("Служебная записка №"))
            rows << r;
    }
    return rows;
}

bool IsZip(const QString& AFile) {
    QFile f(AFile);
    return f.open(QIODevice::ReadOnly) && f.read(2) == "PK";
}

} // namespace

class TstPrintLayouts : public QObject {
    Q_OBJECT
private slots:
    void printAll_data() { TestDb::AddBackendRows(); }
    void printAll();
    void printOne_data() { TestDb::AddBackendRows(); }
    void printOne();
    void keyboardThenPrint_data() { TestDb::AddBackendRows(); }
    void keyboardThenPrint();
    void overwriteQuestion_data();
    void overwriteQuestion();
    void cancelled_data() { TestDb::AddBackendRows(); }
    void cancelled();
    void fails_data() { TestDb::AddBackendRows(); }
    void fails();
    void orderWithoutPallets_data() { TestDb::AddBackendRows(); }
    void orderWithoutPallets();
    void savedOffersFileAndFolder_data();
    void savedOffersFileAndFolder();
};

void TstPrintLayouts::printAll() {
    GRAVELON_CONNECT(db);
    OrderWithPallets(*db.Data);
    TWindow w;
    w.Open(db);
    QTemporaryDir dir;
    // An existing file of the name is replaced once the user says so.
    const QString file = dir.filePath(QStringLiteral("раскладки.xls"));
    {
        QFile old(file);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("прежний файл");
    }
    w.Prompts.FileAnswers << file;
    w.Click("PrintAllButton");

    QCOMPARE(w.Prompts.Filters,
             QStringList{QStringLiteral("Таблицы (*.xls *.xlsx);;Все файлы (*)")});
    // The order's number and date make the name.
    QCOMPARE(QFileInfo(w.Prompts.Suggested.value(0)).fileName(),
             QStringLiteral("Раскладки П-5 2021-05-31.xlsx"));
    QCOMPARE(w.Prompts.Asked.size(), 3);
    QCOMPARE(w.Prompts.Asked.at(1).Call, QStringLiteral("Confirm"));
    QCOMPARE(w.Prompts.Asked.at(1).Text,
             QStringLiteral("Файл «%1» уже существует. Заменить его?").arg(file));
    QCOMPARE(w.Prompts.Asked.last().Call, QStringLiteral("Choose"));
    QCOMPARE(int(w.Prompts.Asked.last().Kind), int(TPrompts::TKind::Information));
    QCOMPARE(w.Prompts.Asked.last().Text, QStringLiteral("Отчет сохранён в файл:\n") + file);
    QCOMPARE(w.Prompts.Asked.last().Buttons,
             QStringList({"Открыть файл", "Открыть папку", "Закрыть"}));
    QCOMPARE(w.Opened, QStringList{file});
    QVERIFY(!w.PanelVisible());
    QCOMPARE(w.Bar()->value(), 0);
    QVERIFY(!QApplication::overrideCursor());

    // An .xlsx workbook whatever the name says, one block per pallet, numbered in
    // the pallet list's order.
    QVERIFY(IsZip(file));
    const TSheetValues sheet = TWorkbookReader::ReadActiveSheet(file);
    const QList<int> blocks = Blocks(sheet);
    QCOMPARE(blocks, QList<int>({1, 18}));
    QCOMPARE(sheet.Cell(1, 3), QStringLiteral("П-5"));
    QCOMPARE(sheet.Cell(3, 2), QStringLiteral("1"));
    QCOMPARE(sheet.Cell(10, 2), QStringLiteral("RAL 1015"));
    QCOMPARE(sheet.Cell(12, 1), QStringLiteral("2000"));
    QCOMPARE(sheet.Cell(20, 2), QStringLiteral("2"));
    QCOMPARE(sheet.Cell(27, 2), QStringLiteral("RAL 9003"));
    QCOMPARE(sheet.Cell(29, 1), QStringLiteral("3000"));
    // The grids are left as they were.
    QCOMPARE(Rows(w.Form.get(), "PalletsGrid"), 2);
    QCOMPARE(CurrentRow(w.Form.get(), "PalletsGrid"), 0);

    // The next print proposes the order's name in the folder saved to last.
    const QString second = dir.filePath(QStringLiteral("ещё.xlsx"));
    w.Prompts.FileAnswers << second;
    w.Click("PrintAllButton");
    QCOMPARE(w.Prompts.Suggested.value(1),
             dir.filePath(QStringLiteral("Раскладки П-5 2021-05-31.xlsx")));
    QVERIFY(IsZip(second));
    QCOMPARE(w.Opened, QStringList({file, second}));
}

void TstPrintLayouts::printOne() {
    GRAVELON_CONNECT(db);
    OrderWithPallets(*db.Data);
    TWindow w;
    w.Open(db);
    ClickRow(w.Form.get(), "PalletsGrid", 1);
    QCOMPARE(Child<QLabel>(w.Form.get(), "PalletNumberLabel")->text(), QStringLiteral("2"));
    QTemporaryDir dir;
    // A name typed without a suffix becomes a workbook's.
    w.Prompts.FileAnswers << dir.filePath(QStringLiteral("раскладка"));
    const QString file = dir.filePath(QStringLiteral("раскладка.xlsx"));
    w.Click("PrintPalletButton");

    QCOMPARE(QFileInfo(w.Prompts.Suggested.value(0)).fileName(),
             QStringLiteral("Раскладка П-5 2021-05-31 поддон 2.xlsx"));
    QCOMPARE(w.Prompts.Messages(), QStringList{QStringLiteral("Отчет сохранён в файл:\n") + file});
    QCOMPARE(w.Opened, QStringList{file});
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
             QStringList{QStringLiteral("раскладка.xlsx")});
    QVERIFY(IsZip(file));
    const TSheetValues sheet = TWorkbookReader::ReadActiveSheet(file);
    // The selected pallet alone, with the number its caption shows.
    QCOMPARE(Blocks(sheet), QList<int>{1});
    QCOMPARE(sheet.Cell(3, 2), QStringLiteral("2"));
    QCOMPARE(sheet.Cell(10, 2), QStringLiteral("RAL 9003"));
    QCOMPARE(sheet.Cell(12, 1), QStringLiteral("3000"));
    QVERIFY(!w.PanelVisible());
}

void TstPrintLayouts::savedOffersFileAndFolder_data() {
    QTest::addColumn<int>("choice");
    QTest::addColumn<bool>("opens");
    QTest::newRow("file") << 0 << true;
    QTest::newRow("folder") << 1 << true;
    QTest::newRow("closed") << -1 << true;
    QTest::newRow("nothing opens the file") << 0 << false;
}

// After the save the message offers the file and its folder; where the desktop has no
// program for the file, the message and the attempt say so.
void TstPrintLayouts::savedOffersFileAndFolder() {
    QFETCH(int, choice);
    QFETCH(bool, opens);
    TestDb::TConnected db;
    QString why;
    QVERIFY2(TestDb::Connect(TBackend::Sqlite, &db, &why), qPrintable(why));
    OrderWithPallets(*db.Data);
    TWindow w;
    w.Open(db);
    w.Opens = opens;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("раскладки.xlsx"));
    w.Prompts.FileAnswers << file;
    w.Prompts.ChooseAnswers << choice;
    w.Click("PrintAllButton");
    const QString notOpened = QStringLiteral("Открыть файл не удалось: в системе не задана "
                                             "программа для файлов этого типа.");
    QCOMPARE(w.Prompts.Messages().first(),
             QStringLiteral("Отчет сохранён в файл:\n") + file +
                 (opens ? QString() : QStringLiteral("\n\n") + notOpened));
    QStringList opened{file};
    if (choice == 0)
        opened << file;
    if (choice == 1)
        opened << dir.path();
    QCOMPARE(w.Opened, opened);
    QCOMPARE(w.Prompts.Messages().mid(1),
             opens || choice < 0 ? QStringList() : QStringList{notOpened});
}

// The rows reached by the keyboard are the rows printed: the order moved to with the
// arrow keys, and the pallet moved to in its list.
void TstPrintLayouts::keyboardThenPrint() {
    GRAVELON_CONNECT(db);
    OrderWithPallets(*db.Data);
    db.Data->Archivation();
    OrderWithPallets(*db.Data, QStringLiteral("Д-7"), QStringLiteral("ООО Другой"));
    TWindow w;
    w.Open(db);
    QCOMPARE(Rows(w.Form.get(), "OrdersGrid"), 2);
    // Whichever row the list shows first, the arrow key goes to the other order.
    const int start = CurrentRow(w.Form.get(), "OrdersGrid");
    const QString other =
        Cell(w.Form.get(), "OrdersGrid", 1 - start, QStringLiteral("Номер заявки"));
    ClickRow(w.Form.get(), "OrdersGrid", start);
    auto* orders = Child<QTableView>(w.Form.get(), "OrdersGrid");
    orders->setFocus();
    QTest::keyClick(orders, start == 0 ? Qt::Key_Down : Qt::Key_Up);
    QCOMPARE(Child<QLabel>(w.Form.get(), "OrderNumberLabel")->text(), other);

    QTemporaryDir dir;
    const QString all = dir.filePath(QStringLiteral("все.xlsx"));
    w.Prompts.FileAnswers << all;
    w.Click("PrintAllButton");
    QCOMPARE(w.Prompts.Messages(), QStringList{QStringLiteral("Отчет сохранён в файл:\n") + all});
    QCOMPARE(QFileInfo(w.Prompts.Suggested.value(0)).fileName(),
             QStringLiteral("Раскладки %1 2021-05-31.xlsx").arg(other));
    TSheetValues sheet = TWorkbookReader::ReadActiveSheet(all);
    QCOMPARE(Blocks(sheet), QList<int>({1, 18}));
    QCOMPARE(sheet.Cell(1, 3), other);
    QCOMPARE(sheet.Cell(22, 1), QStringLiteral("Грузополучатель:"));
    QCOMPARE(sheet.Cell(5, 2), other == QStringLiteral("Д-7") ? QStringLiteral("ООО Другой")
                                                              : QStringLiteral("ООО Тест"));

    // Pallet 1 clicked, the arrow key to pallet 2: pallet 2 is printed, numbered 2.
    ClickRow(w.Form.get(), "PalletsGrid", 0);
    auto* pallets = Child<QTableView>(w.Form.get(), "PalletsGrid");
    pallets->setFocus();
    QTest::keyClick(pallets, Qt::Key_Down);
    QCOMPARE(Child<QLabel>(w.Form.get(), "PalletNumberLabel")->text(), QStringLiteral("2"));
    const QString one = dir.filePath(QStringLiteral("один.xlsx"));
    w.Prompts.FileAnswers << one;
    w.Click("PrintPalletButton");
    sheet = TWorkbookReader::ReadActiveSheet(one);
    QCOMPARE(Blocks(sheet), QList<int>{1});
    QCOMPARE(sheet.Cell(1, 3), other);
    QCOMPARE(sheet.Cell(3, 2), QStringLiteral("2"));
    QCOMPARE(sheet.Cell(10, 2), QStringLiteral("RAL 9003"));
    QCOMPARE(sheet.Cell(12, 1), QStringLiteral("3000"));
    QCOMPARE(sheet.Cell(12, 4), QStringLiteral("20"));

    // And back up with the keyboard: pallet 1.
    QTest::keyClick(pallets, Qt::Key_Up);
    const QString back = dir.filePath(QStringLiteral("первый.xlsx"));
    w.Prompts.FileAnswers << back;
    w.Click("PrintPalletButton");
    sheet = TWorkbookReader::ReadActiveSheet(back);
    QCOMPARE(sheet.Cell(3, 2), QStringLiteral("1"));
    QCOMPARE(sheet.Cell(12, 1), QStringLiteral("2000"));
}

// A file of the name is replaced only when the user agrees, also when the name the
// user typed reaches it only with the suffix added.
void TstPrintLayouts::overwriteQuestion_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("replace");
    for (auto [name, backend] :
         {std::pair{"sqlite", TBackend::Sqlite}, std::pair{"postgres", TBackend::Postgres}}) {
        QTest::addRow("%s replace", name) << backend << QStringLiteral("старая.xlsx") << true;
        QTest::addRow("%s keep", name) << backend << QStringLiteral("старая.xlsx") << false;
        QTest::addRow("%s keep, suffix added", name)
            << backend << QStringLiteral("старая") << false;
        QTest::addRow("%s replace, suffix added", name)
            << backend << QStringLiteral("старая") << true;
    }
}

void TstPrintLayouts::overwriteQuestion() {
    QFETCH(QString, typed);
    QFETCH(bool, replace);
    GRAVELON_CONNECT(db);
    OrderWithPallets(*db.Data);
    TWindow w;
    w.Open(db);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("старая.xlsx"));
    {
        QFile old(file);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("накладная, уже отданная водителю");
    }
    w.Prompts.FileAnswers << dir.filePath(typed);
    w.Prompts.ConfirmAnswers << (replace ? TPrompts::TAnswer::Ok : TPrompts::TAnswer::Cancel);
    w.Click("PrintAllButton");
    QCOMPARE(w.Prompts.Asked.value(1).Call, QStringLiteral("Confirm"));
    QCOMPARE(w.Prompts.Asked.value(1).Text,
             QStringLiteral("Файл «%1» уже существует. Заменить его?").arg(file));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("старая.xlsx")});
    if (replace) {
        QCOMPARE(w.Prompts.Messages(),
                 QStringList{QStringLiteral("Отчет сохранён в файл:\n") + file});
        QVERIFY(IsZip(file));
        QCOMPARE(w.Opened, QStringList{file});
    } else {
        QCOMPARE(w.Prompts.Asked.size(), 2);
        QVERIFY(w.Opened.isEmpty());
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()),
                 QStringLiteral("накладная, уже отданная водителю"));
        QVERIFY(!w.PanelVisible());
    }
    // A new name asks nothing.
    const QString fresh = dir.filePath(QStringLiteral("новая"));
    w.Prompts.FileAnswers << fresh;
    const int asked = int(w.Prompts.Asked.size());
    w.Click("PrintAllButton");
    QCOMPARE(w.Prompts.Asked.size(), asked + 2);
    QCOMPARE(w.Prompts.Asked.at(asked + 1).Call, QStringLiteral("Choose"));
    QVERIFY(IsZip(fresh + QStringLiteral(".xlsx")));
}

void TstPrintLayouts::cancelled() {
    GRAVELON_CONNECT(db);
    OrderWithPallets(*db.Data);
    TWindow w;
    w.Open(db);
    w.Bar()->setRange(0, 6);
    w.Bar()->setValue(4);
    w.Click("PrintAllButton");
    w.Click("PrintPalletButton");
    QCOMPARE(w.Prompts.Asked.size(), 2);
    QVERIFY(w.Prompts.Messages().isEmpty());
    QVERIFY(w.Opened.isEmpty());
    QVERIFY(!w.PanelVisible());
    QCOMPARE(w.Bar()->maximum(), 6);
    QCOMPARE(w.Bar()->value(), 4);
    QCOMPARE(Rows(w.Form.get(), "PalletsGrid"), 2);
    QCOMPARE(Rows(w.Form.get(), "ContentsGrid"), 1);
    // A cancelled dialog chose no folder to propose next time.
    QTemporaryDir dir;
    w.Prompts.FileAnswers << dir.filePath(QStringLiteral("a.xlsx"));
    w.Click("PrintAllButton");
    QCOMPARE(w.Prompts.Suggested.last(), w.Prompts.Suggested.first());
}

void TstPrintLayouts::fails() {
    GRAVELON_CONNECT(db);
    OrderWithPallets(*db.Data);
    TWindow w;
    w.Open(db);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("нет/раскладки.xlsx"));
    w.Prompts.FileAnswers << file;
    w.Click("PrintAllButton");
    // The system's text, then the cause.
    QCOMPARE(w.Prompts.Messages().size(), 1);
    QVERIFY2(w.Prompts.Messages().first().startsWith(
                 QStringLiteral("Ошибка формирования ракладки!\nПапка ")),
             qPrintable(w.Prompts.Messages().first()));
    QVERIFY(w.Prompts.Messages().first().contains(QStringLiteral("не существует")));
    QCOMPARE(int(w.Prompts.Asked.last().Kind), int(TPrompts::TKind::Plain));
    QVERIFY(!w.PanelVisible());
    QVERIFY(w.Opened.isEmpty());
    QVERIFY(!QFileInfo::exists(file));
    QVERIFY(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    QVERIFY(!QApplication::overrideCursor());
}

void TstPrintLayouts::orderWithoutPallets() {
    GRAVELON_CONNECT(db);
    TestDb::AddOrder(*db.Data, QStringLiteral("Б-0"), Day, 1, 1000.0,
                     {{1500, 600, 5, 4, QString()}});
    TWindow w;
    w.Open(db);
    QVERIFY(!Child<QPushButton>(w.Form.get(), "PrintAllButton")->isEnabled());
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("пусто.xlsx"));
    w.Prompts.FileAnswers << file;
    // The command itself, as the button would run it: the empty workbook is written,
    // and the bar has a range rather than the busy indicator a 0..0 range gives.
    w.Form->OnPrintAllClicked();
    w.WaitIdle();
    QCOMPARE(w.Prompts.Messages(), QStringList{QStringLiteral("Отчет сохранён в файл:\n") + file});
    QVERIFY(IsZip(file));
    QVERIFY(w.Bar()->maximum() > w.Bar()->minimum());
    QCOMPARE(w.Bar()->value(), 0);
}

QTEST_MAIN(TstPrintLayouts)
#include "tst_print_layouts.moc"
