// "Распечатать все раскладки" and "Распечатать раскладку" in the main window on both
// databases: the save dialog, the workbook written (read back through the order
// reader), the messages, the opened file, a cancelled dialog and a failed export.
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
void OrderWithPallets(TDataModule& AData) {
    QList<qlonglong> pos;
    const qlonglong order = TestDb::AddOrder(
        AData, QStringLiteral("П-5"), Day, 1, 1000.0,
        {{3000, 1200, 1, 20, QStringLiteral("B")}, {2000, 1000, 3, 10, QStringLiteral("A")}}, &pos);
    const qlonglong p1 = TestDb::AddPallet(AData, 1);
    TestDb::AddSolution(AData, order, pos[0], p1, 1, 20);
    const qlonglong p2 = TestDb::AddPallet(AData, 3);
    TestDb::AddSolution(AData, order, pos[1], p2, 1, 10);
}

struct TWindow {
    TPrintPrompts Prompts;
    QStringList Opened;
    std::unique_ptr<TMainWindow> Form;

    void Open(TestDb::TConnected& ADb) {
        Form =
            std::make_unique<TMainWindow>(ADb.Data.get(), &Prompts, ADb.Db.IniPath, nullptr, false);
        Form->SetOpenFile([this](const QString& AFile) { Opened << AFile; });
        Form->resize(1400, 900);
        Form->show();
        Child<QDateEdit>(Form.get(), "SearchDate")->setDate(Day);
        Child<QToolButton>(Form.get(), "SearchByDateButton")->click();
    }
    void Click(const char* AButton) {
        auto* b = Child<QPushButton>(Form.get(), AButton);
        QVERIFY(b->isEnabled());
        b->click();
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
    void cancelled_data() { TestDb::AddBackendRows(); }
    void cancelled();
    void fails_data() { TestDb::AddBackendRows(); }
    void fails();
    void orderWithoutPallets_data() { TestDb::AddBackendRows(); }
    void orderWithoutPallets();
};

void TstPrintLayouts::printAll() {
    GRAVELON_CONNECT(db);
    OrderWithPallets(*db.Data);
    TWindow w;
    w.Open(db);
    QTemporaryDir dir;
    // An existing file of the name is replaced without a question.
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
    QCOMPARE(w.Prompts.Suggested, QStringList{QString()});
    QCOMPARE(w.Prompts.Asked.size(), 2);
    QCOMPARE(w.Prompts.Asked.last().Call, QStringLiteral("Message"));
    QCOMPARE(int(w.Prompts.Asked.last().Kind), int(TPrompts::TKind::Information));
    QCOMPARE(w.Prompts.Asked.last().Text, QStringLiteral("Отчет сохранён в файл:\n") + file);
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

    // The next print offers the name chosen last.
    const QString second = dir.filePath(QStringLiteral("ещё.xlsx"));
    w.Prompts.FileAnswers << second;
    w.Click("PrintAllButton");
    QCOMPARE(w.Prompts.Suggested, QStringList({QString(), file}));
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
    // A name typed without an extension is used as it is.
    const QString file = dir.filePath(QStringLiteral("раскладка"));
    w.Prompts.FileAnswers << file;
    w.Click("PrintPalletButton");

    QCOMPARE(w.Prompts.Messages(), QStringList{QStringLiteral("Отчет сохранён в файл:\n") + file});
    QCOMPARE(w.Opened, QStringList{file});
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("раскладка")});
    QVERIFY(IsZip(file));
    const TSheetValues sheet = TWorkbookReader::ReadActiveSheet(file);
    // The selected pallet alone, with the number its caption shows.
    QCOMPARE(Blocks(sheet), QList<int>{1});
    QCOMPARE(sheet.Cell(3, 2), QStringLiteral("2"));
    QCOMPARE(sheet.Cell(10, 2), QStringLiteral("RAL 9003"));
    QCOMPARE(sheet.Cell(12, 1), QStringLiteral("3000"));
    QVERIFY(!w.PanelVisible());
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
    // A cancelled dialog is not a name to offer again.
    QTemporaryDir dir;
    w.Prompts.FileAnswers << dir.filePath(QStringLiteral("a.xlsx"));
    w.Click("PrintAllButton");
    QCOMPARE(w.Prompts.Suggested.last(), QString());
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
    QCOMPARE(w.Prompts.Messages(), QStringList{QStringLiteral("Ошибка формирования ракладки!")});
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
    QCOMPARE(w.Prompts.Messages(), QStringList{QStringLiteral("Отчет сохранён в файл:\n") + file});
    QVERIFY(IsZip(file));
    QVERIFY(w.Bar()->maximum() > w.Bar()->minimum());
    QCOMPARE(w.Bar()->value(), 0);
}

QTEST_MAIN(TstPrintLayouts)
#include "tst_print_layouts.moc"
