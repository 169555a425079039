// "Новая заявка" in the main window on both databases: the file dialog cancelled, the
// New-order dialog left without saving, the example workbook imported through the
// dialog with and without the automatic calculation, imports that fail before the
// dialog, and workbooks of invalid rows, whose report the program shows and goes on.
#include "DataModule.h"
#include "MainWindow.h"
#include "NewOrderDialog.h"
#include "OrderImport.h"
#include "Prompts.h"
#include "TestDatabase.h"
#include "UiTestSupport.h"
#include "WorkingOrder.h"
#include "XlsxFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QDragEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

using namespace UiTest;

namespace {

const QDate OldDay(2021, 5, 20);
const QDate NewDay(2021, 5, 31);
const QStringList Header = {"Цвет", "Длина", "Ширина", "Толщина", "Количество", "Комментарий"};


// The order the import moves to the archive: calculated, so its pallets show.
qlonglong PreviousOrder(TDataModule& AData) {
    QList<qlonglong> pos;
    const qlonglong order = TestDb::AddOrder(AData, QStringLiteral("прежняя"), OldDay, 1, 1000.0,
                                             {{2000, 1000, 3, 10, QStringLiteral("A")}}, &pos);
    const qlonglong pallet = TestDb::AddPallet(AData, 3);
    TestDb::AddSolution(AData, order, pos[0], pallet, 1, 10);
    return order;
}

// Every table the command could change, row by row.
QStringList DumpAll(TDataModule& AData) {
    QStringList all;
    for (const char* t :
         {"Applicates", "ApplicatePositions", "Palletes", "Solutions", "Applicates_archive",
          "ApplicatePositions_archive", "Palletes_archive", "Solutions_archive", "Customers"})
        all << QString::fromLatin1(t) << TestDb::Dump(AData, QString::fromLatin1(t));
    return all;
}

// The user's desktop (where the invalid-rows report is written) inside a scratch
// folder for the length of a test.
struct TTestHome {
    explicit TTestHome(const QString& AHome)
        : FHome(qgetenv("HOME")), FConfig(qgetenv("XDG_CONFIG_HOME")) {
        qputenv("HOME", AHome.toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (AHome + QStringLiteral("/.config")).toLocal8Bit());
    }
    ~TTestHome() {
        qputenv("HOME", FHome);
        if (FConfig.isEmpty())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", FConfig);
    }
    QByteArray FHome, FConfig;
};

QString DataFile(const char* AName) {
    return QDir(qEnvironmentVariable("GRAVELON_SOURCE_DIR"))
        .filePath(QStringLiteral("tests/intake/data/") + QLatin1String(AName));
}

QString ExampleWorkbook() {
    return QDir(qEnvironmentVariable("GRAVELON_SOURCE_DIR"))
        .filePath(QStringLiteral("examples/order_8mm.xlsx"));
}

// Answers the New-order dialog as a user would, through its widgets, as soon as it is
// shown, and notes what the main window looked like at that moment.
class TDialogAnswer : public QObject {
public:
    // How the user leaves the dialog once the fields are filled.
    enum class TLeave { Save, CancelButton, Escape, CloseButton };

    TDialogAnswer(TMainWindow* AForm, TDataModule* AData, TLeave ALeave = TLeave::Save)
        : FForm(AForm), FData(AData), FLeave(ALeave) {
        FTimer.setInterval(5);
        connect(&FTimer, &QTimer::timeout, this, [this] { Poll(); });
        FTimer.start();
    }
    int Shown = 0;
    bool PrintEnabled = true;
    int StoredOrders = -1;
    int StoredPositions = -1;
    bool ArrowCursor = false;
    QString SheetNote; // what the dialog said of the workbook's sheet; null when hidden

private:
    void Poll() {
        TNewOrderDialog* dialog = nullptr;
        for (TNewOrderDialog* d : FForm->findChildren<TNewOrderDialog*>()) {
            if (d->isVisible())
                dialog = d;
        }
        if (!dialog || !dialog->isModal())
            return;
        ++Shown;
        PrintEnabled = Child<QPushButton>(FForm, "PrintAllButton")->isEnabled() ||
                       Child<QPushButton>(FForm, "PrintPalletButton")->isEnabled();
        StoredOrders = TestDb::Count(*FData, "Applicates");
        StoredPositions = TestDb::Count(*FData, "ApplicatePositions");
        ArrowCursor = QApplication::overrideCursor() &&
                      QApplication::overrideCursor()->shape() == Qt::ArrowCursor;
        if (auto* note = Child<QLabel>(dialog, "SheetNote"); note->isVisibleTo(dialog))
            SheetNote = note->text();
        Child<QDateEdit>(dialog, "OrderDate")->setDate(NewDay);
        Child<QLineEdit>(dialog, "OrderNumber")->setText(QStringLiteral("Т-831"));
        Child<QComboBox>(dialog, "Customer")->setEditText(QStringLiteral("ООО Новый"));
        Child<QComboBox>(dialog, "MaxWeight")->setEditText(QStringLiteral("1200"));
        auto* material = Child<QComboBox>(dialog, "Material");
        material->setCurrentIndex(
            material->findText(QStringLiteral("Фиброцементная плита (8 мм)")));
        switch (FLeave) {
        case TLeave::Save:
            Child<QPushButton>(dialog, "SaveButton")->click();
            break;
        case TLeave::CancelButton:
            Child<QPushButton>(dialog, "CancelButton")->click();
            break;
        case TLeave::Escape:
            QTest::keyClick(Child<QLineEdit>(dialog, "OrderNumber"), Qt::Key_Escape);
            break;
        case TLeave::CloseButton:
            // What the window manager sends for the title bar's close button.
            dialog->close();
            break;
        }
    }

    TMainWindow* FForm;
    TDataModule* FData;
    TLeave FLeave;
    QTimer FTimer;
};

struct TWindow : TWindowOf<> {
    void Open(TestDb::TConnected& ADb) {
        TWindowOf::Open(ADb);
        SearchDate(OldDay);
    }
    QDate PickerDate() { return Child<QDateEdit>(Form.get(), "SearchDate")->date(); }
    QString Path() { return Child<QLineEdit>(Form.get(), "OrderFilePath")->text(); }
};

} // namespace

Q_DECLARE_METATYPE(TDialogAnswer::TLeave)

class TestMainWindowNewOrder : public QObject {
    Q_OBJECT
private slots:
    void cancelled_data() { TestDb::AddBackendRows(); }
    void cancelled();
    void dialogLeft_data();
    void dialogLeft();
    void importsExample_data();
    void importsExample();
    void failsBeforeDialog_data();
    void failsBeforeDialog();
    void invalidRowsKeepRunning_data() { TestDb::AddBackendRows(); }
    void invalidRowsKeepRunning();
    void materialFromWorkbook_data() { TestDb::AddBackendRows(); }
    void materialFromWorkbook();
    void droppedAndRecent_data() { TestDb::AddBackendRows(); }
    void droppedAndRecent();
};

void TestMainWindowNewOrder::cancelled() {
    GRAVELON_CONNECT(db);
    PreviousOrder(*db.Data);
    TWindow w;
    w.Open(db);
    QVERIFY(w.Enabled("NewOrderButton"));
    QVERIFY(w.Enabled("PrintAllButton"));
    QVERIFY(w.Enabled("PrintPalletButton"));
    const bool calc = w.Enabled("CalculateButton");

    w.Click("NewOrderButton");
    QCOMPARE(w.Prompts.Asked.size(), 1);
    QCOMPARE(w.Prompts.Asked.first().Call, QStringLiteral("OpenFileName"));
    QCOMPARE(w.Prompts.Asked.first().Text, QStringLiteral("Новая заявка"));
    // Nothing imported, nothing archived: the order shown may be printed as before.
    QVERIFY(w.Enabled("PrintAllButton"));
    QVERIFY(w.Enabled("PrintPalletButton"));
    QCOMPARE(w.Enabled("CalculateButton"), calc);
    QCOMPARE(TestDb::Count(*db.Data, "Applicates"), 1);
    QCOMPARE(TestDb::Count(*db.Data, "Applicates_archive"), 0);
    QCOMPARE(Rows(w.Form.get(), "OrdersGrid"), 1);
    QCOMPARE(Rows(w.Form.get(), "PalletsGrid"), 1);
    QCOMPARE(Rows(w.Form.get(), "ContentsGrid"), 1);
    QVERIFY(w.Path().isEmpty());
    QCOMPARE(w.PickerDate(), OldDay);
    QVERIFY(!QApplication::overrideCursor());
}

void TestMainWindowNewOrder::dialogLeft_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<TDialogAnswer::TLeave>("leave");
    for (const auto& [name, backend] :
         {std::pair{"sqlite", TBackend::Sqlite}, std::pair{"postgres", TBackend::Postgres}}) {
        QTest::addRow("%s, Отмена", name) << backend << TDialogAnswer::TLeave::CancelButton;
        QTest::addRow("%s, Escape", name) << backend << TDialogAnswer::TLeave::Escape;
        QTest::addRow("%s, close button", name) << backend << TDialogAnswer::TLeave::CloseButton;
    }
}

// The operator fills the New-order dialog and then leaves it without saving: the
// command ends with the database exactly as before and the previous order shown.
void TestMainWindowNewOrder::dialogLeft() {
    QFETCH(TDialogAnswer::TLeave, leave);
    GRAVELON_CONNECT(db);
    PreviousOrder(*db.Data);
    TWindow w;
    w.Open(db);
    const QStringList before = DumpAll(*db.Data);
    w.Prompts.FileAnswers << ExampleWorkbook();

    TDialogAnswer answer(w.Form.get(), db.Data.get(), leave);
    w.Click("NewOrderButton");

    QCOMPARE(answer.Shown, 1);
    QVERIFY(w.Prompts.Messages().isEmpty());
    QCOMPARE(DumpAll(*db.Data), before);
    QCOMPARE(w.PickerDate(), OldDay);
    QCOMPARE(Rows(w.Form.get(), "OrdersGrid"), 1);
    QCOMPARE(Cell(w.Form.get(), "OrdersGrid", 0, QStringLiteral("Номер заявки")),
             QStringLiteral("прежняя"));
    QCOMPARE(Rows(w.Form.get(), "PalletsGrid"), 1);
    QVERIFY(w.Enabled("PrintAllButton"));
    QVERIFY(w.Enabled("NewOrderButton"));
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(!w.Form->NewOrderDialog()->isVisible());
}

void TestMainWindowNewOrder::importsExample_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<bool>("automatic");
    for (const auto& [name, backend] :
         {std::pair{"sqlite", TBackend::Sqlite}, std::pair{"postgres", TBackend::Postgres}}) {
        QTest::addRow("%s, button", name) << backend << false;
        QTest::addRow("%s, automatic", name) << backend << true;
    }
}

void TestMainWindowNewOrder::importsExample() {
    QFETCH(bool, automatic);
    GRAVELON_CONNECT(db);
    const qlonglong previous = PreviousOrder(*db.Data);
    TWindow w;
    w.Open(db);
    auto* box = Child<QCheckBox>(w.Form.get(), "AutoCalculation");
    if (box->isChecked() != automatic)
        box->click();
    const QString file = ExampleWorkbook();
    QVERIFY2(QFileInfo::exists(file), qPrintable(file));
    w.Prompts.FileAnswers << file;

    TDialogAnswer answer(w.Form.get(), db.Data.get());
    w.Click("NewOrderButton");

    QCOMPARE(answer.Shown, 1);
    QVERIFY(w.Prompts.Messages().isEmpty());
    // When the dialog came up the previous order was still the working one, nothing
    // of the new one was stored and printing was off; the user typed with an arrow.
    // The save archived the one and stored the other.
    QVERIFY(!answer.PrintEnabled);
    QCOMPARE(answer.StoredOrders, 1);
    QCOMPARE(answer.StoredPositions, 1);
    QVERIFY(answer.ArrowCursor);
    QCOMPARE(TestDb::Count(*db.Data, "Applicates_archive"), 1);
    QCOMPARE(db.Data->OpenSql(QStringLiteral("select ID from Applicates_archive"))
                 .value(0)
                 .value(0)
                 .toLongLong(),
             previous);

    // The new order, listed on its own day.
    QCOMPARE(TestDb::Count(*db.Data, "Applicates"), 1);
    // A calculation may split positions; the sheets stay the workbook's 1622.
    QCOMPARE(db.Data->OpenSql(QStringLiteral("select sum(Quantity) from ApplicatePositions"))
                 .value(0)
                 .value(0)
                 .toInt(),
             1622);
    QCOMPARE(w.PickerDate(), NewDay);
    QCOMPARE(w.Path(), QDir::toNativeSeparators(file));
    QCOMPARE(Rows(w.Form.get(), "OrdersGrid"), 1);
    QCOMPARE(Cell(w.Form.get(), "OrdersGrid", 0, QStringLiteral("Номер заявки")),
             QStringLiteral("Т-831"));
    QCOMPARE(Cell(w.Form.get(), "OrdersGrid", 0, QStringLiteral("Заказчик")),
             QStringLiteral("ООО Новый"));
    QCOMPARE(Child<QLabel>(w.Form.get(), "OrderNumberLabel")->text(), QStringLiteral("Т-831"));
    QCOMPARE(Rows(w.Form.get(), "PositionsGrid"), TestDb::Count(*db.Data, "ApplicatePositions"));
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(w.Enabled("NewOrderButton"));

    const int pallets = TestDb::Count(*db.Data, "Palletes");
    if (automatic) {
        // The calculation ran inside the import, before the list was refreshed, so the
        // list shows its pallets at once.
        QVERIFY(pallets > 0);
        QCOMPARE(Rows(w.Form.get(), "PalletsGrid"), pallets);
        QCOMPARE(w.Form->StatusText(), QStringLiteral("Расчет завершен"));
        QVERIFY(!w.Enabled("CalculateButton"));
        QVERIFY(w.Enabled("PrintAllButton"));
        QVERIFY(w.Enabled("PrintPalletButton"));
        QVERIFY(w.Form->menuBar()->isEnabled());
        QVERIFY(w.Enabled("NewOrderButton"));
    } else {
        QCOMPARE(pallets, 0);
        QCOMPARE(TestDb::Count(*db.Data, "ApplicatePositions"), 25);
        QCOMPARE(Rows(w.Form.get(), "PalletsGrid"), 0);
        QVERIFY(!w.Enabled("PrintAllButton"));
        QVERIFY(!w.Enabled("PrintPalletButton"));
        // The button calculates the imported order.
        w.Click("CalculateButton");
        QVERIFY(TestDb::Count(*db.Data, "Palletes") > 0);
        QCOMPARE(Rows(w.Form.get(), "PalletsGrid"), TestDb::Count(*db.Data, "Palletes"));
    }

    // The next import gets a dialog of its own, not the one that still holds this
    // order's number.
    const QPointer<TNewOrderDialog> used = w.Form->NewOrderDialog();
    w.Form->OnActivated();
    QVERIFY(used.isNull());
    QVERIFY(w.Form->NewOrderDialog());
    QVERIFY(Child<QLineEdit>(w.Form->NewOrderDialog(), "OrderNumber")->text().isEmpty());
}

void TestMainWindowNewOrder::failsBeforeDialog_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<QStringList>("row"); // a data row; empty: no readable workbook
    QTest::addColumn<QString>("call");    // how it is told: a message box or the report window
    QTest::addColumn<int>("kind");        // TPrompts::TKind of the message
    QTest::addColumn<QString>("message"); // the message, or a part of it
    QTest::addColumn<bool>("refreshed");  // the list moved to the picker's date
    for (const auto& [name, backend] :
         {std::pair{"sqlite", TBackend::Sqlite}, std::pair{"postgres", TBackend::Postgres}}) {
        const QString message = QStringLiteral("Message");
        QTest::addRow("%s, unknown colour", name)
            << backend << QStringList{"RAL 0000", "1200", "600", "8", "5", ""} << message
            << int(TPrompts::TKind::Plain)
            << TOrderImport::UnknownColoursMessage({QStringLiteral("RAL 0000")}, {{2}}) << true;
        QTest::addRow("%s, bad length", name)
            << backend << QStringList{"RAL 9003", "12,5", "600", "8", "5", ""}
            << QStringLiteral("ShowText") << int(TPrompts::TKind::Plain)
            << QStringLiteral("Строка 2 | RAL 9003 | 12,5 | 600 | 8 | 5 |  | Длина «12,5» не "
                              "целое число от 1 до 2147483647")
            << false;
        QTest::addRow("%s, unknown thickness", name)
            << backend << QStringList{"RAL 9003", "1200", "600", "9", "5", ""} << message
            << int(TPrompts::TKind::Plain)
            << TOrderImport::AbortText(QStringLiteral(
                   "Толщина листа не совпадает ни с одним материалом: 9 мм (строка 2)"))
            << true;
        // Not a workbook: the reader's error ends the command before the refresh.
        QTest::addRow("%s, not a workbook", name)
            << backend << QStringList() << message << int(TPrompts::TKind::Error)
            << QStringLiteral("заявка.xlsx") << false;
    }
}

void TestMainWindowNewOrder::failsBeforeDialog() {
    QFETCH(QStringList, row);
    QFETCH(QString, call);
    QFETCH(int, kind);
    QFETCH(QString, message);
    QFETCH(bool, refreshed);
    GRAVELON_CONNECT(db);
    QTemporaryDir home;
    TTestHome desktop(home.path());
    PreviousOrder(*db.Data);
    TWindow w;
    w.Open(db);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("заявка.xlsx"));
    if (row.isEmpty()) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Цвет;Длина;Ширина\n");
    } else {
        QVERIFY(XlsxFixture::Write(file, {Header, row}));
    }
    w.Prompts.FileAnswers << file;
    QCOMPARE(Rows(w.Form.get(), "OrdersGrid"), 1);
    const QStringList before = DumpAll(*db.Data);
    // The picker moved to a day without orders, not searched: a failed import must not
    // read the list there.
    const QDate picked = OldDay.addDays(3);
    Child<QDateEdit>(w.Form.get(), "SearchDate")->setDate(picked);
    const QString status = w.Form->StatusText();

    TDialogAnswer answer(w.Form.get(), db.Data.get());
    w.Click("NewOrderButton");

    QCOMPARE(answer.Shown, 0);
    // The database is as before: the previous order is still the working one.
    QCOMPARE(DumpAll(*db.Data), before);
    QCOMPARE(w.Prompts.Asked.size(), 2); // the file dialog, then what went wrong
    QCOMPARE(w.Prompts.Asked.last().Call, call);
    const QStringList messages = QStringList{w.Prompts.Asked.last().Text};
    QCOMPARE(int(w.Prompts.Asked.last().Kind), kind);
    if (refreshed)
        QCOMPARE(messages.first(), message);
    else
        QVERIFY2(messages.first().contains(message), qPrintable(messages.first()));
    QCOMPARE(w.Path(), QDir::toNativeSeparators(file));
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(w.PickerDate(), picked);
    // Whether the import reported the failure itself or ended with it, the window stays
    // as it was: the previous order, still the working one, listed and shown, its
    // pallets printable again.
    QCOMPARE(w.Form->StatusText(), status);
    QCOMPARE(Rows(w.Form.get(), "OrdersGrid"), 1);
    QCOMPARE(Cell(w.Form.get(), "OrdersGrid", 0, QStringLiteral("Номер заявки")),
             QStringLiteral("прежняя"));
    QVERIFY(w.Enabled("PrintAllButton"));
    QVERIFY(w.Enabled("PrintPalletButton"));
}

// A workbook of invalid rows: the report, with the sheet's row numbers and the causes,
// comes in a window whose text can be copied and is written to the desktop; nothing is
// stored, the previous order stays the working one and is shown, and the program
// carries on: the next import goes through.
void TestMainWindowNewOrder::invalidRowsKeepRunning() {
    GRAVELON_CONNECT(db);
    const qlonglong previous = PreviousOrder(*db.Data);
    TWindow w;
    w.Open(db);
    QTemporaryDir home;
    TTestHome desktop(home.path());
    const QStringList before = DumpAll(*db.Data);
    QCOMPARE(WorkingOrder::Keys(db.Data->Connection()), QList<qlonglong>{previous});
    QCOMPARE(w.Form->CurrentOrderValue(QStringLiteral("ID")).toLongLong(), previous);
    QSignalSpy quit(QCoreApplication::instance(), &QCoreApplication::aboutToQuit);
    w.Prompts.FileAnswers << DataFile("invalid_rows.xlsx");

    TDialogAnswer answer(w.Form.get(), db.Data.get());
    w.Click("NewOrderButton");
    QCoreApplication::processEvents();

    QCOMPARE(answer.Shown, 0);
    QCOMPARE(w.Prompts.Texts().size(), 1);
    QVERIFY(w.Prompts.Messages().isEmpty());
    QCOMPARE(w.Prompts.Asked.last().Caption, TOrderImport::ReportCaption);
    const QString report = w.Prompts.Texts().first();
    for (const char* line :
         {"Строка 3 | RAL 9003 | 1200 | 600 |  | 5 | без толщины | не заполнено поле Толщина",
          "Строка 5 | RAL 7016 | 12,5 | 600 | 8 | 3 | дробная длина | Длина «12,5» не целое",
          "Строка 6 | RAL 7016 | 1200 | 600 | 8 | 0 | ноль листов | Количество «0» не целое",
          "Строка 7 | RAL 7016 | 2147483648 | 600 | 8 | 1 | длиннее целого | Длина «2147483648»",
          "Строка 8 | RAL 7016 | 1200 | -1 | 8 | 1,5 |  | Ширина «-1» не целое"})
        QVERIFY2(report.contains(QString::fromUtf8(line)), line);
    QVERIFY(!report.contains(QStringLiteral("Строка 4")));
    const QString file = QDir(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation))
                             .filePath(TOrderImport::ReportFileName);
    QVERIFY2(file.startsWith(home.path()), qPrintable(file));
    QVERIFY(QFileInfo::exists(file));
    QVERIFY(report.contains(QDir::toNativeSeparators(file)));

    // Nothing changed; the program did not end.
    QCOMPARE(DumpAll(*db.Data), before);
    QCOMPARE(WorkingOrder::Keys(db.Data->Connection()), QList<qlonglong>{previous});
    QCOMPARE(w.Form->CurrentOrderValue(QStringLiteral("ID")).toLongLong(), previous);
    QCOMPARE(quit.count(), 0);
    QVERIFY(w.Form->isVisible());
    QVERIFY(w.Enabled("NewOrderButton"));
    QVERIFY(w.Enabled("PrintAllButton"));
    QVERIFY(!QApplication::overrideCursor());

    w.Prompts.FileAnswers << ExampleWorkbook();
    w.Click("NewOrderButton");
    QCOMPARE(answer.Shown, 1);
    QVERIFY(WorkingOrder::Keys(db.Data->Connection()).value(0) > previous);
    QCOMPARE(TestDb::Count(*db.Data, "Applicates_archive"), 1);
}

// The 12 mm example opens the dialog with the 12 mm material chosen; the operator who
// picks the 8 mm one instead is asked, and declining keeps the dialog open.
void TestMainWindowNewOrder::materialFromWorkbook() {
    GRAVELON_CONNECT(db);
    const qlonglong previous = PreviousOrder(*db.Data);
    TWindow w;
    w.Open(db);
    w.Prompts.FileAnswers << QDir(qEnvironmentVariable("GRAVELON_SOURCE_DIR"))
                                 .filePath(QStringLiteral("examples/order_12mm.ods"));
    w.Prompts.ConfirmAnswers << TPrompts::TAnswer::Cancel << TPrompts::TAnswer::Ok;
    QString preset;
    bool openAfterNo = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        TNewOrderDialog* dialog = w.Form->NewOrderDialog();
        if (!dialog->isVisible() || !dialog->isModal())
            return;
        poll.stop();
        auto* material = Child<QComboBox>(dialog, "Material");
        preset = material->currentText();
        Child<QLineEdit>(dialog, "OrderNumber")->setText(QStringLiteral("Т-12"));
        Child<QComboBox>(dialog, "Customer")->setEditText(QStringLiteral("ООО Толщина"));
        Child<QComboBox>(dialog, "MaxWeight")->setEditText(QStringLiteral("800"));
        material->setCurrentIndex(
            material->findText(QStringLiteral("Фиброцементная плита (8 мм)")));
        Child<QPushButton>(dialog, "SaveButton")->click(); // declined
        openAfterNo = dialog->isVisible();
        Child<QPushButton>(dialog, "SaveButton")->click(); // confirmed
    });
    poll.start();
    w.Click("NewOrderButton");

    QCOMPARE(preset, QStringLiteral("Фиброцементная плита (12 мм)"));
    QVERIFY(openAfterNo);
    QStringList questions;
    for (const TRecordingPrompts::TAsked& a : w.Prompts.Asked)
        if (a.Call == QLatin1String("Confirm"))
            questions << a.Text;
    QCOMPARE(questions.size(), 2);
    QVERIFY(questions.first().startsWith(
        QStringLiteral("Листы заявки толщиной 12 мм, а выбран материал «Фиброцементная плита (8 "
                       "мм)» толщиной 8 мм.")));
    QVERIFY(WorkingOrder::Keys(db.Data->Connection()).value(0) > previous);
    QCOMPARE(db.Data
                 ->OpenSql(QStringLiteral(
                     "select m.Width from Applicates a inner join Materials m on m.ID = a.MatID"))
                 .value(0)
                 .value(0)
                 .toDouble(),
             8.0);
}

// A workbook dropped on the window is imported as "Новая заявка" would, its file dialog
// skipped; the dialog says which sheet the order came from (a headless LibreOffice .ods
// names no active sheet and starts with a calculation sheet), and "Файл" lists the
// workbook afterwards, greyed once it has gone.
void TestMainWindowNewOrder::droppedAndRecent() {
    GRAVELON_CONNECT(db);
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("заявка.ods"));
    QVERIFY(QFile::copy(DataFile("calculation_first.ods"), file));
    TWindow w;
    w.Open(db);
    w.Form->SetStateFolder(folder.filePath(QStringLiteral("state")));
    const auto drag = [&](const QString& AFile) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(AFile)});
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(w.Form.get(), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.Form.get(), &drop);
        return drop.isAccepted();
    };
    // Anything but a workbook is not taken.
    QVERIFY(!drag(folder.filePath(QStringLiteral("заметки.txt"))));

    TDialogAnswer answer(w.Form.get(), db.Data.get());
    QVERIFY(drag(file));
    QTRY_COMPARE(answer.Shown, 1);
    w.WaitIdle();
    QVERIFY(w.Prompts.Asked.isEmpty()); // no file dialog, no message
    QCOMPARE(answer.SheetNote,
             QStringLiteral("Заявка взята с листа «Заявка»: в книге не отмечен активный лист, а "
                            "на этом листе есть строка заголовков"));
    QCOMPARE(TestDb::Count(*db.Data, "ApplicatePositions"), 3);
    QCOMPARE(w.Path(), QDir::toNativeSeparators(file));

    const auto recent = [&] {
        auto* menu = Child<QMenu>(w.Form.get(), "FileMenu");
        emit menu->aboutToShow();
        QStringList items;
        for (QAction* a : menu->actions())
            items << (a->isSeparator()
                          ? QStringLiteral("—")
                          : a->text() + (a->isEnabled() ? QString() : QStringLiteral(" (нет)")) +
                                QStringLiteral(" | ") + a->toolTip());
        emit menu->aboutToHide();
        return items;
    };
    QCOMPARE(recent(), QStringList({"Новая заявка… | Новая заявка…",
                                    "&1 заявка.ods | " + QDir::toNativeSeparators(file), "—",
                                    "Выход | Выход"}));
    // The list is the user's: another window on the same state folder shows it.
    TWindow other;
    other.Open(db);
    other.Form->SetStateFolder(folder.filePath(QStringLiteral("state")));
    QCOMPARE(other.Form->RecentWorkbooks().Files(), QStringList{file});
    QVERIFY(QFile::remove(file));
    QCOMPARE(recent().at(1),
             "&1 заявка.ods (нет) | Файл не найден: " + QDir::toNativeSeparators(file));
}

QTEST_MAIN(TestMainWindowNewOrder)
#include "tst_main_window_new_order.moc"
