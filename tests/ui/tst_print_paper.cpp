// "Печать…" and "Сохранить PDF…" beside the print buttons, and the stack drawing beside
// the contents grid, on both databases: the drawing follows the shown pallet, the
// preview and the save dialog go through the prompts (one question before a file is
// replaced), the PDF is read back, and an order changed on another workstation is
// refused as the workbook print refuses it.
#include "DataModule.h"
#include "LayoutExport.h"
#include "MainWindow.h"
#include "PdfText.h"
#include "Prompts.h"
#include "StackView.h"
#include "TestDatabase.h"
#include "UiTestSupport.h"

#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QSplitter>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

using namespace UiTest;

namespace {

const QDate Day(2021, 5, 31);

// Records the names the save dialog proposes.
class TPaperPrompts : public TRecordingPrompts {
public:
    QStringList Suggested;
    QStringList Filters;
    QString SaveFileName(QWidget* AParent, const QString& ACaption, const QString& AFilter,
                         const QString& ASuggested) override {
        Suggested << ASuggested;
        Filters << AFilter;
        return TRecordingPrompts::SaveFileName(AParent, ACaption, AFilter, ASuggested);
    }
};

// Two pallets in colour order: 1 (RAL 1015, colour 3) holds 2000 × 1000 × 10 and
// 1500 × 300 × 7, 2 (RAL 9003, colour 1) holds 3000 × 1200 × 20. Material 1: 8 mm, 60
// sheets, 14.4 kg/m².
void OrderWithPallets(TDataModule& AData) {
    QList<qlonglong> pos;
    const qlonglong order = TestDb::AddOrder(AData, QStringLiteral("П/5"), Day, 1, 1000.0,
                                             {{3000, 1200, 1, 20, QStringLiteral("B")},
                                              {2000, 1000, 3, 10, QStringLiteral("A")},
                                              {1500, 300, 3, 7, QString()}},
                                             &pos);
    const qlonglong p1 = TestDb::AddPallet(AData, 1);
    TestDb::AddSolution(AData, order, pos[0], p1, 1, 20);
    const qlonglong p2 = TestDb::AddPallet(AData, 3);
    TestDb::AddSolution(AData, order, pos[1], p2, 1, 10);
    TestDb::AddSolution(AData, order, pos[2], p2, 3, 7);
    // Sizes as the calculation leaves them: the longest sheet, the widest row.
    AData.ExecSql(QStringLiteral("update Palletes set Length = 3000, Width = 1200 where ID = :id"),
                  {{QStringLiteral(":id"), p1}});
    AData.ExecSql(QStringLiteral("update Palletes set Length = 2000, Width = 1200 where ID = :id"),
                  {{QStringLiteral(":id"), p2}});
}

struct TWindow : TWindowOf<> {
    void Open(TestDb::TConnected& ADb, TPrompts* APrompts) {
        TWindowOf::Open(ADb, QSize(1400, 900), false, APrompts);
        SearchDate(Day);
        QCoreApplication::processEvents();
    }
    TStackView* Stack() { return Child<TStackView>(Form.get(), "StackView"); }
};

// The calls made of the prompts from the AFrom-th on.
QStringList Calls(const TRecordingPrompts& APrompts, int AFrom) {
    QStringList calls;
    for (qsizetype i = AFrom; i < APrompts.Asked.size(); ++i)
        calls << APrompts.Asked[i].Call;
    return calls;
}

QByteArray Contents(const QString& AFile) {
    QFile f(AFile);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList Pages(const QString& AFile) {
    QStringList pages;
    for (const QString& p : PdfText::Pages(AFile))
        pages << PdfText::Simplified(p);
    return pages;
}

} // namespace

class TstPrintPaper : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void buttonsFollowThePrintButtons_data() { TestDb::AddBackendRows(); }
    void buttonsFollowThePrintButtons();
    void drawingFollowsTheShownPallet_data() { TestDb::AddBackendRows(); }
    void drawingFollowsTheShownPallet();
    void preview_data() { TestDb::AddBackendRows(); }
    void preview();
    void savePdf_data() { TestDb::AddBackendRows(); }
    void savePdf();
    void overwriteAskedOnce_data();
    void overwriteAskedOnce();
    void realSaveDialogAsksOnce();
    void orderChanged_data();
    void orderChanged();
    void realPreviewDialog();
    void previewPaintsUnderWaitCursor();
};

void TstPrintPaper::buttonsFollowThePrintButtons() {
    GRAVELON_CONNECT(db);
    // An order without pallets: nothing to print on paper either.
    TestDb::AddOrder(*db.Data, QStringLiteral("Б-0"), Day.addDays(-1), 1, 1000.0,
                     {{1500, 600, 5, 4, QString()}});
    OrderWithPallets(*db.Data);
    TRecordingPrompts prompts;
    TWindow w;
    w.Open(db, &prompts);
    const char* const all[] = {"PreviewAllButton", "SavePdfAllButton"};
    const char* const one[] = {"PreviewPalletButton", "SavePdfPalletButton"};
    QCOMPARE(w.Button("PreviewAllButton")->text(), QStringLiteral("Печать…"));
    QCOMPARE(w.Button("SavePdfPalletButton")->text(), QStringLiteral("Сохранить PDF…"));
    // Beside the print button of their caption row.
    QCOMPARE(w.Button("PreviewAllButton")->parentWidget(),
             w.Button("PrintAllButton")->parentWidget());
    QCOMPARE(w.Button("PreviewPalletButton")->parentWidget(),
             w.Button("PrintPalletButton")->parentWidget());
    for (const char* b : all)
        QVERIFY(w.Button(b)->isEnabled());
    for (const char* b : one)
        QVERIFY(w.Button(b)->isEnabled());

    Child<QDateEdit>(w.Form.get(), "SearchDate")->setDate(Day.addDays(-1));
    Child<QToolButton>(w.Form.get(), "SearchByDateButton")->click();
    QVERIFY(!w.Button("PrintAllButton")->isEnabled());
    for (const char* b : all)
        QVERIFY(!w.Button(b)->isEnabled());
    // A search that finds nothing switches everything off.
    Child<QDateEdit>(w.Form.get(), "SearchDate")->setDate(Day.addDays(5));
    Child<QToolButton>(w.Form.get(), "SearchByDateButton")->click();
    for (const char* b : one)
        QVERIFY(!w.Button(b)->isEnabled());
    Child<QDateEdit>(w.Form.get(), "SearchDate")->setDate(Day);
    Child<QToolButton>(w.Form.get(), "SearchByDateButton")->click();
    for (const char* b : all)
        QVERIFY(w.Button(b)->isEnabled());
    QVERIFY(prompts.Asked.isEmpty());
}

void TstPrintPaper::drawingFollowsTheShownPallet() {
    GRAVELON_CONNECT(db);
    OrderWithPallets(*db.Data);
    TRecordingPrompts prompts;
    TWindow w;
    w.Open(db, &prompts);
    TStackView* view = w.Stack();
    QVERIFY(view);
    // Beside the contents grid, in one splitter.
    auto* split = Child<QSplitter>(w.Form.get(), "ContentsSplitter");
    QCOMPARE(split->indexOf(Child<QWidget>(w.Form.get(), "ContentsGrid")), 0);
    QCOMPARE(split->indexOf(view), 1);

    QTRY_VERIFY(view->Stack().has_value());
    TPalletStack s = *view->Stack();
    QCOMPARE(s.ColourCode, QStringLiteral("RAL 1015"));
    // The grid's rows bottom up, the longest at the bottom: 2000 × 1000 (one abreast,
    // 10 high) under 1500 × 300 (sheets up to 300 wide lie four abreast, so seven stand
    // 2 high).
    QCOMPARE(s.Bands.size(), 2);
    QCOMPARE(s.Bands[1].Length, 1500);
    QCOMPARE(s.Bands[1].SheetWidth, 300);
    QCOMPARE(s.Bands[1].SheetsAbreast, 4);
    QCOMPARE(s.Bands[1].Rows(), 2);
    QCOMPARE(s.Bands[0].Length, 2000);
    QCOMPARE(s.Rows(), 12);
    QCOMPARE(s.PalletLength, 2000);
    QCOMPARE(s.PalletWidth, 1200);
    QCOMPARE(s.RowLimit, 60);
    QCOMPARE(s.WeightLimit, std::optional<double>(1000));
    QVERIFY(std::abs(s.Weight() - (2000 * 1000 * 10 + 1500 * 300 * 7) * 14.4e-6) < 1e-9);

    ClickRow(w.Form.get(), "PalletsGrid", 1);
    QTRY_COMPARE(view->Stack()->ColourCode, QStringLiteral("RAL 9003"));
    s = *view->Stack();
    QCOMPARE(s.Bands.size(), 1);
    QCOMPARE(s.Bands[0].Length, 3000);
    QCOMPARE(s.Rows(), 20);

    // The drawing scales with the window.
    const QSizeF before = view->DrawingBox().size();
    w.Form->resize(1800, 1100);
    QTRY_VERIFY(view->DrawingBox().width() > before.width());
    QVERIFY(view->DrawingBox().height() > before.height());
    // Nothing to draw once no pallet is shown.
    Child<QDateEdit>(w.Form.get(), "SearchDate")->setDate(Day.addDays(1));
    TestDb::AddOrder(*db.Data, QStringLiteral("Б-0"), Day.addDays(1), 1, 1000.0,
                     {{1500, 600, 5, 4, QString()}});
    Child<QToolButton>(w.Form.get(), "SearchByDateButton")->click();
    QTRY_VERIFY(!view->Stack().has_value());
}

void TstPrintPaper::preview() {
    GRAVELON_CONNECT(db);
    OrderWithPallets(*db.Data);
    TRecordingPrompts prompts;
    QTemporaryDir dir;
    prompts.PreviewPdf = dir.filePath(QStringLiteral("preview.pdf"));
    TWindow w;
    w.Open(db, &prompts);

    w.Click("PreviewAllButton");
    QCOMPARE(prompts.Asked.size(), 1);
    QCOMPARE(prompts.Asked[0].Call, QStringLiteral("PrintPreview"));
    QCOMPARE(prompts.Asked[0].Text, QStringLiteral("Печать раскладок"));
    QStringList pages = Pages(prompts.PreviewPdf);
    QCOMPARE(pages.size(), 2);
    QVERIFY(pages[0].contains(QStringLiteral("Служебная записка № П/5")));
    QVERIFY(pages[0].contains(QStringLiteral("Под.№ 1 ")));
    QVERIFY(pages[1].contains(QStringLiteral("Под.№ 2 ")));
    QVERIFY(pages[1].contains(QStringLiteral("Цвет RAL 9003")));

    ClickRow(w.Form.get(), "PalletsGrid", 1);
    prompts.PreviewAnswers << true;
    w.Click("PreviewPalletButton");
    QCOMPARE(prompts.Asked.last().Text, QStringLiteral("Печать раскладки"));
    pages = Pages(prompts.PreviewPdf);
    QCOMPARE(pages.size(), 1);
    QVERIFY(pages[0].contains(QStringLiteral("Под.№ 2 ")));
    QVERIFY(pages[0].contains(QStringLiteral("Высота, листов: 20 из 60")));
    QVERIFY(prompts.Messages().isEmpty());
    QVERIFY(!QApplication::overrideCursor());
}

void TstPrintPaper::savePdf() {
    GRAVELON_CONNECT(db);
    OrderWithPallets(*db.Data);
    TPaperPrompts prompts;
    TWindow w;
    w.Open(db, &prompts);
    QTemporaryDir dir;

    // A name typed without a suffix gets ".pdf".
    prompts.FileAnswers << dir.filePath(QStringLiteral("раскладки"));
    w.Click("SavePdfAllButton");
    const QString file = dir.filePath(QStringLiteral("раскладки.pdf"));
    // Named as the workbook of the same notes would be, with the PDF's suffix.
    QCOMPARE(prompts.Suggested.size(), 1);
    QCOMPARE(QFileInfo(prompts.Suggested[0]).fileName(),
             QStringLiteral("Раскладки П-5 2021-05-31.pdf"));
    QCOMPARE(prompts.Filters, QStringList{QStringLiteral("PDF (*.pdf);;Все файлы (*)")});
    QCOMPARE(prompts.Messages(), QStringList{QStringLiteral("PDF сохранён в файл:\n") + file});
    QCOMPARE(Pages(file).size(), 2);
    QVERIFY(!QApplication::overrideCursor());

    // The same name again: asked once before the file is replaced; Cancel keeps it.
    ClickRow(w.Form.get(), "PalletsGrid", 1);
    int asked = int(prompts.Asked.size());
    const QByteArray before = [&] {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    prompts.FileAnswers << file;
    prompts.ConfirmAnswers << TPrompts::TAnswer::Cancel;
    w.Click("SavePdfPalletButton");
    // The shown pallet's name, in the folder saved to last.
    QCOMPARE(prompts.Suggested.last(),
             dir.filePath(QStringLiteral("Раскладка П-5 2021-05-31 поддон 2.pdf")));
    QCOMPARE(Calls(prompts, asked), QStringList({"SaveFileName", "Confirm"}));
    QCOMPARE(prompts.Asked.last().Text,
             QStringLiteral("Файл «%1» уже существует. Заменить его?").arg(file));
    QFile same(file);
    QVERIFY(same.open(QIODevice::ReadOnly));
    QCOMPARE(same.readAll(), before);
    same.close();
    // Ok replaces it with the shown pallet's note.
    asked = int(prompts.Asked.size());
    prompts.FileAnswers << file;
    prompts.ConfirmAnswers << TPrompts::TAnswer::Ok;
    w.Click("SavePdfPalletButton");
    QCOMPARE(Calls(prompts, asked), QStringList({"SaveFileName", "Confirm", "Choose"}));
    const QStringList pages = Pages(file);
    QCOMPARE(pages.size(), 1);
    QVERIFY(pages[0].contains(QStringLiteral("Под.№ 2 ")));

    // A folder that is not there: an error with a Russian sentence, nothing written.
    prompts.FileAnswers << dir.filePath(QStringLiteral("нет/р.pdf"));
    w.Click("SavePdfAllButton");
    QCOMPARE(int(prompts.Asked.last().Kind), int(TPrompts::TKind::Error));
    QVERIFY(prompts.Asked.last().Text.startsWith(QStringLiteral("Не удалось сохранить PDF.\n")));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("раскладки.pdf")});
    // A cancelled dialog does nothing.
    asked = int(prompts.Asked.size());
    w.Click("SavePdfAllButton");
    QCOMPARE(prompts.Asked.size(), asked + 1);
    QCOMPARE(prompts.Asked.last().Call, QStringLiteral("SaveFileName"));
}

void TstPrintPaper::overwriteAskedOnce_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("replace");
    for (auto [name, backend] :
         {std::pair{"sqlite", TBackend::Sqlite}, std::pair{"postgres", TBackend::Postgres}}) {
        QTest::addRow("%s replace", name) << backend << QStringLiteral("старая.pdf") << true;
        QTest::addRow("%s keep, suffix added", name)
            << backend << QStringLiteral("старая") << false;
    }
}

// The file dialog asks nothing about an existing file; the command asks once, about the
// name it will write (the suffix added), and a new name is not asked about at all.
void TstPrintPaper::overwriteAskedOnce() {
    QFETCH(QString, typed);
    QFETCH(bool, replace);
    GRAVELON_CONNECT(db);
    OrderWithPallets(*db.Data);
    TPaperPrompts prompts;
    TWindow w;
    w.Open(db, &prompts);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("старая.pdf"));
    {
        QFile old(file);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("накладная, уже отданная водителю");
    }
    prompts.FileAnswers << dir.filePath(typed);
    prompts.ConfirmAnswers << (replace ? TPrompts::TAnswer::Ok : TPrompts::TAnswer::Cancel);
    w.Click("SavePdfAllButton");
    QCOMPARE(Calls(prompts, 0), replace ? QStringList({"SaveFileName", "Confirm", "Choose"})
                                        : QStringList({"SaveFileName", "Confirm"}));
    QCOMPARE(prompts.Asked[1].Text,
             QStringLiteral("Файл «%1» уже существует. Заменить его?").arg(file));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("старая.pdf")});
    if (replace)
        QCOMPARE(Pages(file).size(), 2);
    else
        QCOMPARE(Contents(file), QByteArray("накладная, уже отданная водителю"));

    const QString fresh = dir.filePath(QStringLiteral("новая"));
    prompts.FileAnswers << fresh;
    const int asked = int(prompts.Asked.size());
    w.Click("SavePdfPalletButton");
    QCOMPARE(Calls(prompts, asked), QStringList({"SaveFileName", "Choose"}));
    QCOMPARE(Pages(fresh + QStringLiteral(".pdf")).size(), 1);
}

// With the real dialogs: the file dialog takes an existing name without a question of
// its own, and the one question that follows is the program's.
void TstPrintPaper::realSaveDialogAsksOnce() {
    TestDb::TConnected db;
    QString why;
    QVERIFY2(TestDb::Connect(TBackend::Sqlite, &db, &why), qPrintable(why));
    OrderWithPallets(*db.Data);
    TQtPrompts prompts;
    TWindow w;
    w.Open(db, &prompts);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("старая.pdf"));
    {
        QFile old(file);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("старая");
    }
    bool dialogSeen = false;
    QStringList questions;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            if (dialogSeen)
                return;
            dialogSeen = true;
            // Typed as the user would: the folder, then the name in the name box.
            dialog->setDirectory(dir.path());
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->setText(QFileInfo(file).fileName());
            static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept, as "Сохранить" does
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            questions << box->text();
            // Keep the file: a second question would be answered the same way.
            box->button(QMessageBox::Cancel) ? box->button(QMessageBox::Cancel)->click()
                                             : box->reject();
        }
    });
    poll.start(30);
    // Whatever happens, no dialog is left open for ever.
    QTimer::singleShot(15000, [] {
        while (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    w.Click("SavePdfAllButton");
    poll.stop();
    QVERIFY(dialogSeen);
    QCOMPARE(questions,
             QStringList{QStringLiteral("Файл «%1» уже существует. Заменить его?").arg(file)});
    QCOMPARE(Contents(file), QByteArray("старая"));
}

void TstPrintPaper::orderChanged_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<QString>("button");
    for (auto [name, backend] :
         {std::pair{"sqlite", TBackend::Sqlite}, std::pair{"postgres", TBackend::Postgres}}) {
        for (const char* button :
             {"PrintAllButton", "PrintPalletButton", "PreviewAllButton", "PreviewPalletButton",
              "SavePdfAllButton", "SavePdfPalletButton"})
            QTest::addRow("%s %s", name, button) << backend << QString::fromLatin1(button);
    }
}

// Another workstation recalculates the order after the window showed it: every print
// command, on paper as in a workbook, refuses with the same message, writes and shows
// nothing, and the window shows the order as it now is.
void TstPrintPaper::orderChanged() {
    QFETCH(QString, button);
    GRAVELON_CONNECT(db);
    OrderWithPallets(*db.Data);
    TPaperPrompts prompts;
    QTemporaryDir dir;
    prompts.PreviewPdf = dir.filePath(QStringLiteral("preview.pdf"));
    TWindow w;
    w.Open(db, &prompts);
    QCOMPARE(Rows(w.Form.get(), "PalletsGrid"), 2);

    TDataModule& data = *db.Data;
    const qlonglong order =
        data.OpenSql(QStringLiteral("select ID from Applicates")).value(0).value(0).toLongLong();
    const QList<QSqlRecord> positions =
        data.OpenSql(QStringLiteral("select ID, Quantity from ApplicatePositions order by ID"));
    data.ExecSql(QStringLiteral("delete from Solutions"));
    data.ExecSql(QStringLiteral("delete from Palletes"));
    for (const QSqlRecord& r : positions) {
        const qlonglong pallet = TestDb::AddPallet(data, 1);
        TestDb::AddSolution(data, order, r.value(0).toLongLong(), pallet, 1,
                            r.value(1).toLongLong());
    }

    const bool asksFile =
        button.startsWith(QLatin1String("Print")) || button.startsWith(QLatin1String("SavePdf"));
    const QString file = dir.filePath(QStringLiteral("раскладки"));
    if (asksFile)
        prompts.FileAnswers << file;
    w.Click(qPrintable(button));
    QStringList expected;
    if (asksFile)
        expected << QStringLiteral("SaveFileName");
    expected << QStringLiteral("Message");
    QCOMPARE(Calls(prompts, 0), expected);
    QCOMPARE(int(prompts.Asked.last().Kind), int(TPrompts::TKind::Plain));
    QCOMPARE(prompts.Asked.last().Text, TLayoutExport::OrderChangedMessage);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    QVERIFY(!QApplication::overrideCursor());
    // Shown afresh: three pallets now.
    QCOMPARE(Rows(w.Form.get(), "PalletsGrid"), 3);
}

// The real preview dialog shows every note as a page. With GRAVELON_PREVIEW_SCREENSHOT
// set, its picture is saved there (the manual's screenshot).
void TstPrintPaper::realPreviewDialog() {
    TestDb::TConnected db;
    QString why;
    QVERIFY2(TestDb::Connect(TBackend::Sqlite, &db, &why), qPrintable(why));
    OrderWithPallets(*db.Data);
    TQtPrompts prompts;
    TWindow w;
    w.Open(db, &prompts);
    int pages = -1;
    bool seen = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        if (!dialog || seen)
            return;
        auto* preview = dialog->findChild<QPrintPreviewWidget*>();
        if (!preview || preview->pageCount() == 0)
            return;
        seen = true;
        pages = preview->pageCount();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Печать раскладок"));
        const QByteArray shot = qgetenv("GRAVELON_PREVIEW_SCREENSHOT");
        if (!shot.isEmpty()) {
            dialog->resize(1000, 760);
            preview->setZoomMode(QPrintPreviewWidget::FitInView);
            QTest::qWait(300);
            QVERIFY(dialog->grab().save(QString::fromLocal8Bit(shot)));
        }
        dialog->reject();
    });
    poll.start(50);
    w.Click("PreviewAllButton");
    QVERIFY(seen);
    QCOMPARE(pages, 2);
}

// However long the pages take, the cursor says the program is working while the preview
// paints them, and is itself again once the preview is closed.
void TstPrintPaper::previewPaintsUnderWaitCursor() {
    TQtPrompts prompts;
    QList<int> shapes;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        if (dialog && !shapes.isEmpty())
            dialog->reject();
    });
    poll.start(50);
    prompts.PrintPreview(nullptr, QStringLiteral("Печать раскладок"),
                         [&shapes](QPagedPaintDevice* ADevice) {
                             const QCursor* c = QApplication::overrideCursor();
                             shapes << (c ? int(c->shape()) : -1);
                             QPainter painter(ADevice);
                             painter.drawText(100, 100, QStringLiteral("лист"));
                         });
    QVERIFY(!shapes.isEmpty());
    for (int shape : shapes)
        QCOMPARE(shape, int(Qt::WaitCursor));
    QVERIFY(!QApplication::overrideCursor());
}

QTEST_MAIN(TstPrintPaper)
#include "tst_print_paper.moc"
