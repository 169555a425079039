// The calculation run of the main window on both databases: a run that completes, one
// cancelled with "Прервать", one the database stops, and closing the window mid-run.
#include "CalculationRun.h"
#include "CalculationRunner.h"
#include "DataModule.h"
#include "IniFile.h"
#include "OrderGenerator.h"
#include "MainWindow.h"
#include "Prompts.h"
#include "TestDatabase.h"
#include "UiTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

using namespace UiTest;

namespace {

// Stage 1 splits the 70-sheet position (60 at most per stack), stage 3 splits the
// heavy pallet: every stage has work, so a cancel in stage 3 undoes real changes.
qlonglong AddOrder(TDataModule& AData) {
    return TestDb::AddOrder(AData, QStringLiteral("Р-77"), QDate(2024, 1, 1), 1, 3000.0,
                            {{3000, 1000, 1, 50, {}},
                             {2000, 1000, 1, 20, {}},
                             {1500, 1000, 1, 15, {}},
                             {1000, 1000, 2, 70, {}}});
}

QStringList Tables(TDataModule& AData) {
    QStringList all;
    for (const char* t : {"ApplicatePositions", "Palletes", "Solutions"})
        all << TestDb::Dump(AData, QString::fromLatin1(t)).join(QLatin1Char('\n'));
    return all;
}

// What the window showed at each progress report, seen from inside the run.
struct TSeen {
    QString Stage;
    int Position = -1;
    int Max = -1;
    bool PanelVisible = false;
    QPoint PanelPos;
    QString Elapsed;
    QString Status;
    bool CalculateEnabled = true;
    bool MenuEnabled = true;
    bool WaitCursor = false;
};

// Looks at the window whenever it has shown a report of the run, the run waiting
// meanwhile; AOnReport may act (click "Прервать", close the window).
class TWatcher : public QObject {
public:
    TWatcher(TMainWindow* AForm, std::function<void(const TSeen&)> AOnReport = {})
        : FForm(AForm), FOnReport(std::move(AOnReport)) {
        connect(Child<TCalculationRunner>(AForm, "CalculationRunner"),
                &TCalculationRunner::Reported, this, [this] { Poll(); });
    }
    QList<TSeen> Seen;

private:
    void Poll() {
        auto* panel = Child<QWidget>(FForm, "ProgressPanel");
        if (!panel->isVisible())
            return;
        TSeen s;
        s.Stage = Child<QLabel>(FForm, "ProgressStage")->text();
        s.Position = Child<QProgressBar>(FForm, "ProgressBar")->value();
        s.Max = Child<QProgressBar>(FForm, "ProgressBar")->maximum();
        s.PanelVisible = true;
        s.PanelPos = panel->pos();
        s.Elapsed = Child<QLabel>(FForm, "ProgressTime")->text();
        s.Status = FForm->StatusText();
        s.CalculateEnabled = Child<QPushButton>(FForm, "CalculateButton")->isEnabled();
        s.MenuEnabled = FForm->menuBar()->isEnabled();
        s.WaitCursor = QApplication::overrideCursor() &&
                       QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        if (!Seen.isEmpty() && Seen.last().Stage == s.Stage && Seen.last().Position == s.Position)
            return;
        Seen << s;
        if (FOnReport)
            FOnReport(s);
    }
    TMainWindow* FForm;
    std::function<void(const TSeen&)> FOnReport;
};

struct TWindow : TWindowOf<> {
    void Open(TestDb::TConnected& ADb) {
        TWindowOf::Open(ADb, QSize(1300, 860));
        SearchNumber(QStringLiteral("Р-77"));
    }
};

// Counts the paints of a widget that is asked to repaint every 20 ms, while the window
// is busy: the window's thread is free only if they arrive.
class TPaintCounter : public QObject {
public:
    TPaintCounter(TMainWindow* AForm, QWidget* AWidget) : FForm(AForm), FWidget(AWidget) {
        AWidget->installEventFilter(this);
        FTimer.setInterval(20);
        connect(&FTimer, &QTimer::timeout, this, [this] { FWidget->update(); });
        FTimer.start();
    }
    int PaintsWhileBusy = 0;

protected:
    bool eventFilter(QObject* AObject, QEvent* AEvent) override {
        if (AObject == FWidget && AEvent->type() == QEvent::Paint && FForm->Busy())
            ++PaintsWhileBusy;
        return false;
    }

private:
    TMainWindow* FForm;
    QWidget* FWidget;
    QTimer FTimer;
};

} // namespace

class TstCalcRun : public QObject {
    Q_OBJECT
private slots:
    void completes_data() { TestDb::AddBackendRows(); }
    void completes();
    void cancelled_data() { TestDb::AddBackendRows(); }
    void cancelled();
    void fails_data();
    void fails();
    void closeDuringRun_data();
    void closeDuringRun();
    void densePacking_data() { TestDb::AddBackendRows(); }
    void densePacking();
    void earlierCalculationCaption_data() { TestDb::AddBackendRows(); }
    void earlierCalculationCaption();
    void windowAnswersDuringLongWork_data() { TestDb::AddBackendRows(); }
    void windowAnswersDuringLongWork();
};

void TstCalcRun::completes() {
    GRAVELON_CONNECT(db);
    AddOrder(*db.Data);
    TWindow w;
    w.Open(db);
    QVERIFY(w.Button("CalculateButton")->isEnabled());
    QVERIFY(!w.Button("PrintAllButton")->isEnabled());
    QCOMPARE(Rows(w.Form.get(), "PalletsGrid"), 0);

    TWatcher watch(w.Form.get());
    w.Click("CalculateButton");

    QVERIFY(watch.Seen.size() >= 7);
    const TSeen& first = watch.Seen.first();
    QCOMPARE(first.Stage, QStringLiteral("Подготовка расчета"));
    QCOMPARE(first.Position, 0);
    QCOMPARE(first.Max, 6);
    QCOMPARE(first.Elapsed, QStringLiteral("Прошло времени: 0 мин."));
    QCOMPARE(watch.Seen.last().Stage, QStringLiteral("Расчет завершен"));
    QCOMPARE(watch.Seen.last().Position, 6);
    QStringList stages;
    for (const TSeen& s : watch.Seen) {
        // During the run: the panel in the middle, the stage in the status bar, the
        // hourglass, and neither the button nor the menu to start anything else.
        QCOMPARE(s.PanelPos, QPoint((w.Form->width() - 440) / 2, (w.Form->height() - 127) / 2));
        QCOMPARE(s.Status, s.Stage);
        QVERIFY(!s.CalculateEnabled);
        QVERIFY(!s.MenuEnabled);
        QVERIFY(s.WaitCursor);
        stages << s.Stage;
    }
    QVERIFY2(stages.contains(QStringLiteral("Расщепление исходных поддонов")),
             qPrintable(stages.join(QLatin1Char('|'))));

    // Afterwards: the outcome, the order's new pallets and the buttons that go with them.
    QCOMPARE(w.Form->StatusText(), QStringLiteral("Расчет завершен"));
    QVERIFY(!Child<QWidget>(w.Form.get(), "ProgressPanel")->isVisible());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(w.Form->menuBar()->isEnabled());
    const int pallets =
        db.Data->OpenSql(QStringLiteral("select count(*) from Palletes")).value(0).value(0).toInt();
    QVERIFY(pallets > 1);
    QCOMPARE(Rows(w.Form.get(), "OrdersGrid"), 1);
    QCOMPARE(Rows(w.Form.get(), "PalletsGrid"), pallets);
    QVERIFY(Rows(w.Form.get(), "ContentsGrid") > 0);
    QCOMPARE(Child<QLabel>(w.Form.get(), "PalletNumberLabel")->text(), QStringLiteral("1"));
    QVERIFY(!w.Button("CalculateButton")->isEnabled());
    QVERIFY(w.Button("PrintAllButton")->isEnabled());
    QVERIFY(w.Button("PrintPalletButton")->isEnabled());
    QVERIFY(w.Prompts.Asked.isEmpty());
}

void TstCalcRun::cancelled() {
    GRAVELON_CONNECT(db);
    AddOrder(*db.Data);
    const QStringList before = Tables(*db.Data);
    TWindow w;
    w.Open(db);
    QString afterClick;
    QString statusAfterClick;
    bool buttonAfterClick = true;
    TWatcher watch(w.Form.get(), [&](const TSeen& s) {
        if (afterClick.isNull() && s.Stage.startsWith(QStringLiteral("Расщепление исходных"))) {
            QTest::mouseClick(w.Button("CancelCalculationButton"), Qt::LeftButton);
            afterClick = Child<QLabel>(w.Form.get(), "ProgressStage")->text();
            statusAfterClick = w.Form->StatusText();
            buttonAfterClick = w.Button("CancelCalculationButton")->isEnabled();
        }
    });
    w.Click("CalculateButton");

    QCOMPARE(afterClick, QStringLiteral("Прерывание расчета..."));
    QCOMPARE(statusAfterClick, QStringLiteral("Прерывание расчета..."));
    QVERIFY(!buttonAfterClick);
    QCOMPARE(w.Form->StatusText(), QStringLiteral("Расчет прерван"));
    QVERIFY(w.Prompts.Asked.isEmpty());
    // Everything the run had done, stage 1's splits included, is undone.
    QCOMPARE(Tables(*db.Data), before);
    QCOMPARE(Rows(w.Form.get(), "PalletsGrid"), 0);
    QCOMPARE(Rows(w.Form.get(), "PositionsGrid"), 4);
    QVERIFY(w.Button("CalculateButton")->isEnabled());
    QVERIFY(!w.Button("PrintAllButton")->isEnabled());
    QVERIFY(!Child<QWidget>(w.Form.get(), "ProgressPanel")->isVisible());
    QVERIFY(!QApplication::overrideCursor());

    // The next run starts with "Прервать" enabled again and completes.
    bool button4Enabled = false;
    TWatcher again(w.Form.get(), [&](const TSeen&) {
        button4Enabled = w.Button("CancelCalculationButton")->isEnabled();
    });
    w.Click("CalculateButton");
    QVERIFY(button4Enabled);
    QCOMPARE(w.Form->StatusText(), QStringLiteral("Расчет завершен"));
    QVERIFY(Rows(w.Form.get(), "PalletsGrid") > 1);
}

void TstCalcRun::fails_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<bool>("large"); // the order beyond the calculation's ceiling
    QTest::addColumn<QString>("says");
    for (const auto& [name, backend] :
         {std::pair{"sqlite", TBackend::Sqlite}, std::pair{"postgres", TBackend::Postgres}}) {
        QTest::addRow("%s refused pallets", name) << backend << false << "поддоны запрещены";
        // Refused as every calculation and gravelon-cli refuse it, before anything changes.
        QTest::addRow("%s order beyond the ceiling", name)
            << backend << true
            << QStringLiteral("Расчет невозможен: заявка № Р-77 содержит 2\u00a0147\u00a0483\u00a0"
                              "752 листа, а один расчет принимает не больше 10\u00a0000\u00a0000 "
                              "листов.");
    }
}

void TstCalcRun::fails() {
    QFETCH(bool, large);
    QFETCH(QString, says);
    GRAVELON_CONNECT(db);
    AddOrder(*db.Data);
    if (large) {
        db.Data->ExecSql(QStringLiteral("update ApplicatePositions set Quantity = 2147483647 "
                                        "where Quantity = 50"));
    } else if (db.Data->Dialect().IsPostgres()) {
        // The database refuses every new pallet, as a constraint would.
        db.Data->ExecSql(
            QStringLiteral("create function refuse_pallet() returns trigger language plpgsql as "
                           "$$ begin raise exception 'поддоны запрещены'; end $$"));
        db.Data->ExecSql(QStringLiteral("create trigger refuse_pallet before insert on Palletes "
                                        "for each row execute function refuse_pallet()"));
    } else {
        db.Data->ExecSql(QStringLiteral("create trigger refuse_pallet before insert on Palletes "
                                        "begin select raise(abort, 'поддоны запрещены'); end"));
    }
    const QStringList before = Tables(*db.Data);
    TWindow w;
    w.Open(db);
    w.Click("CalculateButton");

    QCOMPARE(w.Form->StatusText(), QStringLiteral("Ошибка расчета"));
    QCOMPARE(w.Prompts.Asked.size(), 1);
    QCOMPARE(w.Prompts.Asked[0].Kind, TPrompts::TKind::Error);
    const QString text = w.Prompts.Asked[0].Text;
    QVERIFY2(text.startsWith(QStringLiteral("Ошибка расчета: ")), qPrintable(text));
    QVERIFY2(text.contains(says), qPrintable(text));
    QCOMPARE(Tables(*db.Data), before);
    QVERIFY(!Child<QWidget>(w.Form.get(), "ProgressPanel")->isVisible());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(w.Button("CalculateButton")->isEnabled());
    QVERIFY(w.Form->menuBar()->isEnabled());
    QCOMPARE(Rows(w.Form.get(), "OrdersGrid"), 1);
}

void TstCalcRun::closeDuringRun_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<bool>("stop"); // the answer to the question
    for (const auto& [name, backend] :
         {std::pair{"sqlite", TBackend::Sqlite}, std::pair{"postgres", TBackend::Postgres}}) {
        QTest::addRow("%s stop and close", name) << backend << true;
        QTest::addRow("%s keep calculating", name) << backend << false;
    }
}

void TstCalcRun::closeDuringRun() {
    QFETCH(bool, stop);
    GRAVELON_CONNECT(db);
    AddOrder(*db.Data);
    const QStringList before = Tables(*db.Data);
    TWindow w;
    w.Open(db);
    w.Prompts.ConfirmAnswers << (stop ? TPrompts::TAnswer::Ok : TPrompts::TAnswer::Cancel);
    bool stillOpen = false;
    TWatcher watch(w.Form.get(), [&](const TSeen& s) {
        if (!stillOpen && s.Stage.startsWith(QStringLiteral("Начальное распределение"))) {
            w.Form->close();
            stillOpen = w.Form->isVisible();
        }
    });
    w.Click("CalculateButton");
    // The close asked first and waited for the run to end.
    QVERIFY(stillOpen);
    QCOMPARE(w.Prompts.Asked.size(), 1);
    QCOMPARE(w.Prompts.Asked[0].Call, QStringLiteral("Confirm"));
    QCOMPARE(w.Prompts.Asked[0].Text,
             QStringLiteral("Идет расчет поддонов. Прервать расчет и закрыть программу?"));
    if (!stop) {
        QCOMPARE(w.Form->StatusText(), QStringLiteral("Расчет завершен"));
        QVERIFY(Rows(w.Form.get(), "PalletsGrid") > 1);
        QTest::qWait(50);
        QVERIFY(w.Form->isVisible());
        return;
    }
    // Nothing of the stopped run stayed in the tables.
    QCOMPARE(w.Form->StatusText(), QStringLiteral("Расчет прерван"));
    QCOMPARE(Tables(*db.Data), before);
    QTRY_VERIFY(!w.Form->isVisible());
}

void TstCalcRun::densePacking() {
    GRAVELON_CONNECT(db);
    AddOrder(*db.Data);
    const TIniFile ini(db.Db.IniPath);
    ini.WriteString(QStringLiteral("PROGSETTIG"), QStringLiteral("PlotnayaUkladka"),
                    QStringLiteral("true"));
    TWindow w;
    w.Open(db);
    // The box shows what the settings file holds, and the calculation follows it.
    auto* box = Child<QCheckBox>(w.Form.get(), "DensePacking");
    QVERIFY(box->isChecked());
    QCOMPARE(box->text(), QStringLiteral("Плотная укладка"));
    QCOMPARE(Child<QLabel>(w.Form.get(), "PalletsOrderLabel")->text(), QStringLiteral("Р-77"));
    auto* caption = Child<QLabel>(w.Form.get(), "PalletsVerdictLabel");
    QCOMPARE(caption->text(), QString());
    TWatcher watch(w.Form.get());
    w.Click("CalculateButton");
    QStringList stages;
    for (const TSeen& s : watch.Seen)
        stages << s.Stage;
    QVERIFY2(stages.contains(QStringLiteral("Плотная укладка: цвет 1 из 2")),
             qPrintable(stages.join(QLatin1Char('|'))));
    QCOMPARE(w.Form->StatusText(), QStringLiteral("Расчет завершен"));
    // 3060 kg and 85 rows of colour 1 need two pallets of 3000 kg and 60 rows, the 70
    // rows of colour 2 two more: the bound, reached.
    QCOMPARE(Rows(w.Form.get(), "PalletsGrid"), 4);
    QCOMPARE(caption->text(), QStringLiteral("4 поддона — минимум доказан"));
    QVERIFY(w.Prompts.Asked.isEmpty());
    QVERIFY(!w.Enabled("CalculateButton"));
    QCOMPARE(w.Button("CalculateButton")->toolTip(),
             QStringLiteral("Поддоны уже рассчитаны — см. «Пересчитать…»"));
    // Asked why, the window tells colour by colour what decided the count.
    w.Click("WhyPalletsButton");
    QCOMPARE(w.Prompts.Asked.size(), 1);
    QCOMPARE(w.Prompts.Asked.first().Caption, QStringLiteral("Почему столько поддонов?"));
    const QString why = w.Prompts.Asked.first().Text;
    for (const char* said : {"Всего: 4 поддона — минимум доказан.", "2 поддона — минимум доказан",
                             "Начатых рядов: 85 при пределе стопы 60 — не меньше 2 поддонов.",
                             "Нижняя граница: 2 поддона, по высоте"})
        QVERIFY2(why.contains(QString::fromUtf8(said)), qPrintable(why));
    w.Prompts.Asked.clear();

    // Cleared, the box is stored as off and the five stages calculate again.
    box->click();
    QCOMPARE(ini.ReadString(QStringLiteral("PROGSETTIG"), QStringLiteral("PlotnayaUkladka"), {}),
             QStringLiteral("false"));
    for (const char* t : {"Solutions", "Palletes"})
        db.Data->ExecSql(QStringLiteral("delete from %1").arg(QLatin1String(t)));
    db.Data->ExecSql(QStringLiteral("delete from ApplicatePositions where Comment like '%часть%'"));
    db.Data->ExecSql(
        QStringLiteral("update ApplicatePositions set Quantity = 70 where ColorID = 2"));
    Child<QToolButton>(w.Form.get(), "SearchByNumberButton")->click();
    TWatcher again(w.Form.get());
    w.Click("CalculateButton");
    stages.clear();
    for (const TSeen& s : again.Seen)
        stages << s.Stage;
    QVERIFY2(stages.contains(QStringLiteral("Переброска целых поддонов")),
             qPrintable(stages.join(QLatin1Char('|'))));
    const int pallets = Rows(w.Form.get(), "PalletsGrid");
    QVERIFY(pallets >= 4);
    // The five stages' count against the dense packing's, which reaches the bound.
    QCOMPARE(caption->text(),
             pallets == 4 ? QStringLiteral("4 поддона — минимум доказан")
                          : QStringLiteral("%1; плотная укладка — 4").arg(PalletsText(pallets)));
}

// An order calculated before the window opened (on another workstation, say) and even
// archived since still has its caption: the pallets and the least number possible, as
// the calculation found them.
void TstCalcRun::earlierCalculationCaption() {
    GRAVELON_CONNECT(db);
    AddOrder(*db.Data);
    TCalculationRun run(db.Data->Connection(), TCalculationMode::Memory);
    run.Execute();
    // The run divided positions: the caption counts their parts back into them.
    QVERIFY(db.Data
                ->OpenSql(QStringLiteral("select count(*) from ApplicatePositions where "
                                         "Comment like '%часть позиции%'"))
                .value(0)
                .value(0)
                .toInt() > 0);
    const QString expected = run.Verdict().Caption();
    for (const bool archived : {false, true}) {
        if (archived)
            db.Data->Archivation();
        TWindow w;
        w.Open(db);
        QCOMPARE(Child<QLabel>(w.Form.get(), "PalletsOrderLabel")->text(), QStringLiteral("Р-77"));
        QCOMPARE(Child<QLabel>(w.Form.get(), "PalletsVerdictLabel")->text(), expected);
        QVERIFY(w.Prompts.Asked.isEmpty());
    }
}

// A 10,000-position calculation and a PDF of thousands of pages run on the worker
// thread: the window repaints meanwhile, and "Прервать" stops either at once with
// nothing of it kept.
void TstCalcRun::windowAnswersDuringLongWork() {
    GRAVELON_CONNECT(db);
    OrderGenerator::Store(db.Data->Connection(), db.Data->Dialect(),
                          OrderGenerator::Workshop(7u, 10000));
    const QStringList before = Tables(*db.Data);
    TWindow w;
    w.TWindowOf::Open(db, QSize(1300, 860));
    w.SearchDate(QDate(2024, 3, 1));
    QCOMPARE(Rows(w.Form.get(), "PositionsGrid"), 10000);
    auto* panel = Child<QWidget>(w.Form.get(), "ProgressPanel");
    auto* cancel = w.Button("CancelCalculationButton");
    {
        TPaintCounter paints(w.Form.get(), panel);
        w.Button("CalculateButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(paints.PaintsWhileBusy >= 3, 60000);
        QVERIFY(w.Form->Busy());
        QTest::mouseClick(cancel, Qt::LeftButton);
        QCOMPARE(Child<QLabel>(w.Form.get(), "ProgressStage")->text(),
                 QStringLiteral("Прерывание расчета..."));
        w.WaitIdle();
    }
    QCOMPARE(w.Form->StatusText(), QStringLiteral("Расчет прерван"));
    QCOMPARE(Tables(*db.Data), before);

    TCalculationRun(db.Data->Connection(), TCalculationMode::Memory).Execute();
    w.SearchDate(QDate(2024, 3, 1));
    const int pallets = Rows(w.Form.get(), "PalletsGrid");
    QVERIFY2(pallets >= 3000, qPrintable(QString::number(pallets)));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("раскладки.pdf"));
    w.Prompts.FileAnswers << file;
    {
        TPaintCounter paints(w.Form.get(), panel);
        w.Button("SavePdfAllButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(paints.PaintsWhileBusy >= 3 &&
                                     Child<QProgressBar>(w.Form.get(), "ProgressBar")->value() > 0,
                                 60000);
        QVERIFY(w.Form->Busy());
        QTest::mouseClick(cancel, Qt::LeftButton);
        w.WaitIdle();
    }
    QCOMPARE(w.Prompts.Messages().last(),
             QStringLiteral("Сохранение PDF прервано; файл не записан"));
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

QTEST_MAIN(TstCalcRun)
#include "tst_calcrun.moc"
