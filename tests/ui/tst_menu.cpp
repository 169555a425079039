// The main window's menu on both databases: clearing the archive, the colour
// directory with its new-colour dialog, help; and minimising to the tray.
#include "AddColourDialog.h"
#include "ColourDirectory.h"
#include "ColourList.h"
#include "DataModule.h"
#include "HelpWindow.h"
#include "MainWindow.h"
#include "Prompts.h"
#include "TestDatabase.h"
#include "TrayController.h"
#include "UiTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>

using namespace UiTest;

namespace {

const QString ArchiveQuestion =
    QStringLiteral("Вы действительно хотите очистить все архивные таблицы? Данные по ранее "
                   "созданным заявкам и раскладкам будут удалены!");

const QStringList ArchiveTables = {"Applicates_archive", "ApplicatePositions_archive",
                                   "Palletes_archive", "Solutions_archive"};
const QStringList WorkingTables = {"Applicates", "ApplicatePositions", "Palletes", "Solutions"};

QStringList Dumps(TDataModule& AData, const QStringList& ATables) {
    QStringList all;
    for (const QString& t : ATables)
        all << TestDb::Dump(AData, t).join(QLatin1Char('\n'));
    return all;
}


// Two orders with pallets in the archive and one in the working tables.
void AddArchive(TDataModule& AData) {
    for (const char* number : {"Архив-1", "Архив-2"}) {
        QList<qlonglong> pos;
        const qlonglong order =
            TestDb::AddOrder(AData, QString::fromUtf8(number), QDate(2021, 5, 31), 1, 900.0,
                             {{2000, 1000, 1, 5, {}}, {1500, 1000, 2, 3, {}}}, &pos);
        const qlonglong p1 = TestDb::AddPallet(AData, 1);
        TestDb::AddSolution(AData, order, pos[0], p1, 1, 5);
        const qlonglong p2 = TestDb::AddPallet(AData, 2);
        TestDb::AddSolution(AData, order, pos[1], p2, 1, 3);
        AData.Archivation();
    }
    QList<qlonglong> pos;
    const qlonglong order = TestDb::AddOrder(AData, QStringLiteral("Текущая-3"), QDate(2021, 5, 31),
                                             1, 900.0, {{1000, 1000, 3, 4, {}}}, &pos);
    TestDb::AddSolution(AData, order, pos[0], TestDb::AddPallet(AData, 3), 1, 4);
}

struct TWindow : TWindowOf<> {
    void Open(TestDb::TConnected& ADb, bool ATray = false) {
        TWindowOf::Open(ADb, QSize(1200, 800), ATray);
    }
    QStringList ListAll() {
        SearchNumber(QString());
        QStringList numbers = Column("OrdersGrid", QStringLiteral("Номер заявки"));
        numbers.sort();
        return numbers;
    }
};

// Rows of the colour directory as "code|name".
QStringList Colours(QObject* ADirectory) {
    QStringList rows;
    for (int r = 0; r < Rows(ADirectory, "ColoursGrid"); ++r)
        rows << Cell(ADirectory, "ColoursGrid", r, QStringLiteral("Код цвета")) + QLatin1Char('|') +
                    Cell(ADirectory, "ColoursGrid", r, QStringLiteral("Название цвета"));
    return rows;
}

void RefuseColours(TDataModule& AData) {
    if (AData.Dialect().IsPostgres()) {
        AData.ExecSql(
            QStringLiteral("create function refuse_colour() returns trigger language "
                           "plpgsql as $$ begin raise exception 'цвета закрыты'; end $$"));
        AData.ExecSql(QStringLiteral("create trigger refuse_colour before insert on Colors for "
                                     "each row execute function refuse_colour()"));
    } else {
        AData.ExecSql(QStringLiteral("create trigger refuse_colour before insert on Colors begin "
                                     "select raise(abort, 'цвета закрыты'); end"));
    }
}

} // namespace

class TstMenu : public QObject {
    Q_OBJECT
private slots:
    void menuItems();
    void keyboard();
    void clearArchive_data() { TestDb::AddBackendRows(); }
    void clearArchive();
    void clearArchiveFailure_data() { TestDb::AddBackendRows(); }
    void clearArchiveFailure();
    void colourDirectory_data() { TestDb::AddBackendRows(); }
    void colourDirectory();
    void newColourDialog_data() { TestDb::AddBackendRows(); }
    void newColourDialog();
    void newColourRefused_data() { TestDb::AddBackendRows(); }
    void newColourRefused();
    void tray();
    void noTray();
    void help();
};

void TstMenu::menuItems() {
    TestDb::TConnected db;
    QString why;
    QVERIFY2(TestDb::Connect(TBackend::Sqlite, &db, &why), qPrintable(why));
    TWindow w;
    w.Open(db);
    QStringList titles;
    for (QAction* a : w.Form->menuBar()->actions()) {
        QStringList items;
        for (QAction* i : a->menu()->actions())
            items << i->text();
        titles << a->text() + QStringLiteral(": ") + items.join(QStringLiteral(" / "));
    }
    // "Файл" first, a separator where the recent workbooks go (none yet).
    QCOMPARE(titles, QStringList({"Файл: Новая заявка… /  / Выход",
                                  "Заявка: Поиск по номеру / Обновить список / "
                                  "Расчет поддонов / "
                                  "Печать раскладки поддона… / Печать всех раскладок… / Отгрузка…",
                                  "Правка: Отменить изменение раскладки / Повторить изменение "
                                  "раскладки",
                                  "Настройки: Настройки подключения к БД  / Справочник цветов / "
                                  "Очистить архив",
                                  "Помощь: Справка / О программе"}));
    // The keys are shown beside the items.
    for (const auto& [action, keys] :
         {std::pair{"NewOrderAction", "Ctrl+N"}, std::pair{"FindNumberAction", "Ctrl+F"},
          std::pair{"RefreshAction", "F5"},
          std::pair{"CalculateAction", "F9"}, std::pair{"PreviewPalletAction", "Ctrl+P"},
          std::pair{"PreviewAllAction", "Ctrl+Shift+P"}, std::pair{"DispatchAction", "Ctrl+D"},
          std::pair{"QuitAction", "Ctrl+Q"},
          std::pair{"ManualAction", "F1"}})
        QCOMPARE(w.Form->findChild<QAction*>(QLatin1String(action))->shortcut(),
                 QKeySequence(QLatin1String(keys)));
    // Each key is bound once: a key bound twice does nothing at all.
    QStringList bound;
    for (QAction* a : w.Form->findChildren<QAction*>())
        if (!a->shortcut().isEmpty())
            bound << a->shortcut().toString();
    QCOMPARE(QSet<QString>(bound.begin(), bound.end()).size(), bound.size());
}

// Through the keyboard alone: Tab leaves a grid, each key does what its button does and
// nothing while the button is off.
void TstMenu::keyboard() {
    TestDb::TConnected db;
    QString why;
    QVERIFY2(TestDb::Connect(TBackend::Sqlite, &db, &why), qPrintable(why));
    TWindow w;
    w.Open(db);
    QApplication::setActiveWindow(w.Form.get());
    QVERIFY(QTest::qWaitForWindowActive(w.Form.get()));
    // Every command says what it does, and "Расчет поддонов" why it is off.
    for (QAbstractButton* b : w.Form->findChildren<QAbstractButton*>())
        if (b->isVisibleTo(w.Form.get()) && !b->objectName().isEmpty())
            QVERIFY2(!b->toolTip().isEmpty(), qPrintable(b->objectName()));
    QCOMPARE(w.Button("CalculateButton")->toolTip(),
             QStringLiteral("Выберите заявку в списке заявок"));
    QWidget* orders = Child<QWidget>(w.Form.get(), "OrdersGrid");
    orders->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), orders);
    QTest::keyClick(orders, Qt::Key_Tab);
    QVERIFY(QApplication::focusWidget() != orders);

    QTest::keyClick(w.Form.get(), Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), Child<QWidget>(w.Form.get(), "SearchNumber"));
    // No order shown: nothing to calculate or print, and the keys do nothing.
    QVERIFY(!w.Enabled("CalculateButton"));
    QTest::keyClick(w.Form.get(), Qt::Key_F9);
    QTest::keyClick(w.Form.get(), Qt::Key_P, Qt::ControlModifier);
    QVERIFY(w.Prompts.Asked.isEmpty());
    // Ctrl+N asks for the workbook, as the button does.
    QTest::keyClick(w.Form.get(), Qt::Key_N, Qt::ControlModifier);
    w.WaitIdle();
    QCOMPARE(w.Prompts.Asked.size(), 1);
    QCOMPARE(w.Prompts.Asked.first().Call, QStringLiteral("OpenFileName"));
    // F5 reads the list again: an order stored meanwhile by another workstation appears.
    const int listed = Rows(w.Form.get(), "OrdersGrid");
    TestDb::AddOrder(*db.Data, QStringLiteral("F5"), QDate::currentDate(), 1, 1000.0,
                     {{1000, 1000, 5, 1, {}}});
    QTest::keyClick(w.Form.get(), Qt::Key_F5);
    QTRY_COMPARE(Rows(w.Form.get(), "OrdersGrid"), listed + 1);
    // F1 opens the manual at the main window's page; Ctrl+Q closes the window.
    QTest::keyClick(w.Form.get(), Qt::Key_F1);
    QTRY_VERIFY(w.Form->HelpWindow() && w.Form->HelpWindow()->isVisible());
    QCOMPARE(w.Form->HelpWindow()->Browser()->source().fileName(), QStringLiteral("pallets.html"));
    w.Form->HelpWindow()->close();
    QApplication::setActiveWindow(w.Form.get());
    QTest::keyClick(w.Form.get(), Qt::Key_Q, Qt::ControlModifier);
    QTRY_VERIFY(!w.Form->isVisible());
}

void TstMenu::clearArchive() {
    GRAVELON_CONNECT(db);
    AddArchive(*db.Data);
    const QStringList archive = Dumps(*db.Data, ArchiveTables);
    const QStringList working = Dumps(*db.Data, WorkingTables);
    TWindow w;
    w.Open(db);
    QCOMPARE(w.ListAll(), QStringList({"Архив-1", "Архив-2", "Текущая-3"}));

    // Cancel deletes nothing.
    w.Prompts.ConfirmAnswers = {TPrompts::TAnswer::Cancel};
    Trigger(w.Form.get(), "ClearArchiveAction");
    QCOMPARE(w.Prompts.Asked.size(), 1);
    QCOMPARE(w.Prompts.Asked[0].Call, QStringLiteral("Confirm"));
    QCOMPARE(w.Prompts.Asked[0].Text, ArchiveQuestion);
    QCOMPARE(Dumps(*db.Data, ArchiveTables), archive);

    // OK empties the four archive tables and nothing else; no message follows.
    w.Prompts.ConfirmAnswers = {TPrompts::TAnswer::Ok};
    Trigger(w.Form.get(), "ClearArchiveAction");
    QCOMPARE(w.Prompts.Asked.size(), 2);
    for (const QString& t : ArchiveTables)
        QCOMPARE(TestDb::Count(*db.Data, t), 0);
    QCOMPARE(Dumps(*db.Data, WorkingTables), working);
    QCOMPARE(w.ListAll(), QStringList({"Текущая-3"}));
    // The archive takes orders again afterwards.
    db.Data->Archivation();
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Applicates_archive")), 1);
}

void TstMenu::clearArchiveFailure() {
    GRAVELON_CONNECT(db);
    AddArchive(*db.Data);
    // The last of the four deletes is refused: the ones before it must not stand.
    if (db.Data->Dialect().IsPostgres()) {
        db.Data->ExecSql(QStringLiteral("create function keep_orders() returns trigger language "
                                        "plpgsql as $$ begin raise exception 'архив под "
                                        "защитой'; end $$"));
        db.Data->ExecSql(QStringLiteral("create trigger keep_orders before delete on "
                                        "Applicates_archive for each row execute function "
                                        "keep_orders()"));
    } else {
        db.Data->ExecSql(QStringLiteral("create trigger keep_orders before delete on "
                                        "Applicates_archive begin select raise(abort, 'архив под "
                                        "защитой'); end"));
    }
    const QStringList archive = Dumps(*db.Data, ArchiveTables);
    TWindow w;
    w.Open(db);
    Trigger(w.Form.get(), "ClearArchiveAction");
    QCOMPARE(w.Prompts.Asked.size(), 2);
    QCOMPARE(w.Prompts.Asked[1].Kind, TPrompts::TKind::Error);
    QVERIFY2(w.Prompts.Asked[1].Text.contains(QStringLiteral("архив под защитой")),
             qPrintable(w.Prompts.Asked[1].Text));
    QCOMPARE(Dumps(*db.Data, ArchiveTables), archive);
    // The connection is usable afterwards: no transaction was left open.
    QCOMPARE(w.ListAll(), QStringList({"Архив-1", "Архив-2", "Текущая-3"}));
    db.Data->ExecSql(QStringLiteral("delete from Solutions_archive"));
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Solutions_archive")), 0);
}

void TstMenu::colourDirectory() {
    GRAVELON_CONNECT(db);
    TWindow w;
    w.Open(db);
    // The directory and the dialog are modal: each step runs once its window is up.
    QStringList before, after;
    QString directoryTitle, dialogTitle, placeholder, helpPage;
    QTimer::singleShot(0, [&] {
        auto* directory = qobject_cast<TColourList*>(QApplication::activeModalWidget());
        if (!directory)
            return;
        directoryTitle = directory->windowTitle();
        before = Colours(directory);
        // F1 in a modal window: its own page, in a help window it does not block.
        QTest::keyClick(directory, Qt::Key_F1);
        THelpWindow* help = THelpWindow::Of(directory);
        helpPage = help && help->isVisible() ? help->Browser()->source().fileName() : QString();
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<TAddColourDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            dialogTitle = dialog->windowTitle();
            placeholder = Child<QLineEdit>(dialog, "CodeEdit")->placeholderText();
            Child<QLineEdit>(dialog, "CodeEdit")->setText(QStringLiteral("RAL 1234"));
            Child<QLineEdit>(dialog, "NameEdit")->setText(QStringLiteral("Кот д'Ивуар"));
            Child<QPushButton>(dialog, "AddButton")->click();
        });
        Child<QPushButton>(directory, "AddColourButton")->click();
        after = Colours(directory);
        Child<QPushButton>(directory, "CloseButton")->click();
    });
    Trigger(w.Form.get(), "ColourDirectoryAction");

    QCOMPARE(directoryTitle, QStringLiteral("Справочник цветов"));
    QCOMPARE(helpPage, QStringLiteral("colors.html"));
    QCOMPARE(dialogTitle, QStringLiteral("Новый цвет"));
    QCOMPARE(placeholder, QStringLiteral("RAL 000 00 00"));
    QCOMPARE(before.size(), 12);
    QCOMPARE(before.first(), QStringLiteral("RAL 9003|Сигнальный белый"));
    QCOMPARE(after.size(), 13);
    QCOMPARE(after.mid(0, 12), before);
    QCOMPARE(after.last(), QStringLiteral("RAL 1234|Кот д'Ивуар"));
    QCOMPARE(db.Data->OpenSql(QStringLiteral("select Name from Colors where Code = 'RAL 1234'"))
                 .value(0)
                 .value(0)
                 .toString(),
             QStringLiteral("Кот д'Ивуар"));
    QVERIFY(w.Prompts.Asked.isEmpty());
    QVERIFY(!QApplication::activeModalWidget());
}

void TstMenu::newColourDialog() {
    GRAVELON_CONNECT(db);
    TRecordingPrompts prompts;
    enum TOutcome { Added, Refused, ClosedEmpty };
    struct TCase {
        QString Code;
        QString Name;
        TOutcome Outcome;
        QString Says; // part of the warning when refused
    };
    const QList<TCase> cases = {
        {QStringLiteral("RAL 7000"), QString(), Refused, QStringLiteral("Введите название цвета")},
        {QStringLiteral("RAL 7000"), QStringLiteral("  "), Refused,
         QStringLiteral("Введите название цвета")},
        {QString(), QStringLiteral("Серый"), Refused, QStringLiteral("Введите код цвета")},
        {QStringLiteral("RAL 9010"), QStringLiteral("Ещё белый"), Refused,
         QStringLiteral("уже есть в справочнике")},
        // Codes that an order would read as the same code.
        {QStringLiteral("ral9010"), QStringLiteral("Ещё белый"), Refused,
         QStringLiteral("«RAL 9010» — «Белый»")},
        {QStringLiteral("  "), QStringLiteral(" "), ClosedEmpty, {}},
        {QString(), QString(), ClosedEmpty, {}},
        {QStringLiteral("RAL 9010 M"), QStringLiteral("Белый матовый"), Added, {}},
        {QStringLiteral("'; drop table Colors; --"), QStringLiteral("Д'Арк"), Added, {}},
    };
    int expected = TestDb::Count(*db.Data, QStringLiteral("Colors"));
    for (const TCase& c : cases) {
        prompts.Asked.clear();
        TAddColourDialog dialog(db.Data.get(), &prompts);
        dialog.show();
        Child<QLineEdit>(&dialog, "CodeEdit")->setText(c.Code);
        Child<QLineEdit>(&dialog, "NameEdit")->setText(c.Name);
        Child<QPushButton>(&dialog, "AddButton")->click();
        if (c.Outcome == Refused) {
            // Said why, and open with what was typed.
            QCOMPARE(prompts.Asked.size(), 1);
            QCOMPARE(prompts.Asked[0].Kind, TPrompts::TKind::Warning);
            QVERIFY2(prompts.Asked[0].Text.contains(c.Says), qPrintable(prompts.Asked[0].Text));
            QVERIFY(dialog.isVisible());
            QCOMPARE(Child<QLineEdit>(&dialog, "CodeEdit")->text(), c.Code);
            QCOMPARE(Child<QLineEdit>(&dialog, "NameEdit")->text(), c.Name);
        } else {
            QVERIFY(prompts.Asked.isEmpty());
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(Child<QLineEdit>(&dialog, "CodeEdit")->text(), QString());
        }
        if (c.Outcome == Added)
            ++expected;
        QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Colors")), expected);
        if (c.Outcome == Added) {
            const QSqlRecord last =
                db.Data->OpenSql(QStringLiteral("select Code, Name from Colors order by ID desc"))
                    .value(0);
            QCOMPARE(last.value(0).toString(), c.Code);
            QCOMPARE(last.value(1).toString(), c.Name);
        }
    }
    // A colour added by another program on the database is there for this one too.
    TDataModule other;
    other.Connect(db.Db.Settings, db.Db.Folder);
    QCOMPARE(TColourDirectory(other).Add(QStringLiteral("RAL 4444"), QStringLiteral("Другой")),
             QString());
    QVERIFY(TColourDirectory(*db.Data)
                .Add(QStringLiteral("ral 4444"), QStringLiteral("Этот"))
                .contains(QStringLiteral("уже есть")));
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Colors")), expected + 1);
    // "Отмена" writes nothing.
    prompts.Asked.clear();
    TAddColourDialog dialog(db.Data.get(), &prompts);
    dialog.show();
    Child<QLineEdit>(&dialog, "CodeEdit")->setText(QStringLiteral("RAL 1111"));
    Child<QLineEdit>(&dialog, "NameEdit")->setText(QStringLiteral("Отменённый"));
    Child<QPushButton>(&dialog, "CancelButton")->click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Colors")), expected + 1);
    QVERIFY(prompts.Asked.isEmpty());
}

void TstMenu::newColourRefused() {
    GRAVELON_CONNECT(db);
    RefuseColours(*db.Data);
    TRecordingPrompts prompts;
    TAddColourDialog dialog(db.Data.get(), &prompts);
    dialog.show();
    Child<QLineEdit>(&dialog, "CodeEdit")->setText(QStringLiteral("RAL 2000"));
    Child<QLineEdit>(&dialog, "NameEdit")->setText(QStringLiteral("Жёлто-оранжевый"));
    Child<QPushButton>(&dialog, "AddButton")->click();
    // The reason is shown and the dialog stays open with what was typed.
    QCOMPARE(prompts.Asked.size(), 1);
    QCOMPARE(prompts.Asked[0].Kind, TPrompts::TKind::Error);
    QVERIFY2(prompts.Asked[0].Text.contains(QStringLiteral("цвета закрыты")),
             qPrintable(prompts.Asked[0].Text));
    QVERIFY(dialog.isVisible());
    QCOMPARE(Child<QLineEdit>(&dialog, "CodeEdit")->text(), QStringLiteral("RAL 2000"));
    QCOMPARE(Child<QLineEdit>(&dialog, "NameEdit")->text(), QStringLiteral("Жёлто-оранжевый"));
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Colors")), 12);
}

void TstMenu::tray() {
    TestDb::TConnected db;
    QString why;
    QVERIFY2(TestDb::Connect(TBackend::Sqlite, &db, &why), qPrintable(why));
    TWindow w;
    w.Open(db, true);
    TTrayController* tray = w.Form->Tray();
    QVERIFY(tray->TrayAvailable());
    QVERIFY(!tray->IconShown());

    w.Form->showMinimized();
    QVERIFY(tray->IconShown());
    QTRY_VERIFY(!w.Form->isVisible());

    // Only a left double click brings the window back.
    for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::Context,
                        QSystemTrayIcon::MiddleClick, QSystemTrayIcon::Unknown}) {
        emit tray->Icon()->activated(reason);
        QCoreApplication::processEvents();
        QVERIFY(!w.Form->isVisible());
        QVERIFY(tray->IconShown());
    }
    emit tray->Icon()->activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(w.Form->isVisible());
    QVERIFY(!w.Form->isMinimized());
    QVERIFY(!tray->IconShown());
    // Restored, it stays restored.
    QTest::qWait(20);
    QVERIFY(w.Form->isVisible());

    // And it can go to the tray again.
    w.Form->showMinimized();
    QVERIFY(tray->IconShown());
    QTRY_VERIFY(!w.Form->isVisible());
    emit tray->Icon()->activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(w.Form->isVisible());
}

void TstMenu::noTray() {
    TestDb::TConnected db;
    QString why;
    QVERIFY2(TestDb::Connect(TBackend::Sqlite, &db, &why), qPrintable(why));
    TWindow w;
    w.Open(db, false);
    w.Form->showMinimized();
    QTest::qWait(20);
    // An ordinary minimise: still a window of the task bar, no icon.
    QVERIFY(w.Form->isVisible());
    QVERIFY(w.Form->isMinimized());
    QVERIFY(!w.Form->Tray()->IconShown());
}

void TstMenu::help() {
    TestDb::TConnected db;
    QString why;
    QVERIFY2(TestDb::Connect(TBackend::Sqlite, &db, &why), qPrintable(why));
    QVERIFY2(QFile::exists(THelpWindow::ContentsFile()), qPrintable(THelpWindow::ContentsFile()));
    TWindow w;
    w.Open(db);
    // Found beside the program, whatever the working folder.
    QDir::setCurrent(QDir::tempPath());
    Trigger(w.Form.get(), "ManualAction");
    THelpWindow* help = w.Form->HelpWindow();
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QTextBrowser* browser = help->Browser();
    // The page of the window in front; "Содержание" leads to the rest.
    QCOMPARE(browser->source().fileName(), QStringLiteral("pallets.html"));
    Child<QPushButton>(help, "HelpHome")->click();
    QCOMPARE(browser->source(), QUrl::fromLocalFile(THelpWindow::ContentsFile()));
    QCOMPARE(browser->documentTitle(), QStringLiteral("Гравелон — справка"));
    // Every page the contents list names opens, and each page's pictures are there.
    const QString text = browser->toHtml();
    for (const char* page : {"connect.html", "import.html", "calculate.html", "pallets.html",
                             "print.html", "colors.html", "archive.html"}) {
        QVERIFY2(text.contains(QLatin1String(page)), page);
        browser->setSource(QUrl::fromLocalFile(
            QFileInfo(THelpWindow::ContentsFile()).dir().filePath(QLatin1String(page))));
        QVERIFY2(!browser->documentTitle().isEmpty(), page);
        QVERIFY2(browser->toPlainText().size() > 300, page);
    }
    const QDir helpDir = QFileInfo(THelpWindow::ContentsFile()).dir();
    for (const QString& page : helpDir.entryList({QStringLiteral("*.html")})) {
        QFile f(helpDir.filePath(page));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(f.readAll());
        static const QRegularExpression link(QStringLiteral("(?:src|href)=\"([^\"#:]+)\""));
        for (auto m = link.globalMatch(html); m.hasNext();) {
            const QString target = m.next().captured(1);
            QVERIFY2(QFile::exists(helpDir.filePath(target)), qPrintable(page + ": " + target));
        }
    }
    QVERIFY(w.Prompts.Asked.isEmpty());
    // Asked again, the same window comes back with the contents.
    Trigger(w.Form.get(), "ManualAction");
    QCOMPARE(w.Form->HelpWindow(), help);
    QCOMPARE(browser->source().fileName(), QStringLiteral("pallets.html"));
}

QTEST_MAIN(TstMenu)
#include "tst_menu.moc"
