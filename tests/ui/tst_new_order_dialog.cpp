// The New-order dialog offscreen: its controls by objectName, the save checks with
// their message and yellow boxes, the typed pallet limit, the order row it records,
// the customer it finds by the whole name or adds (also for names holding LIKE
// wildcards), the material that follows the workbook's thickness, and the lists of
// its boxes. Answers come from TRecordingPrompts; database behaviour on both backends.

#include "DataModule.h"
#include "FieldDateEdit.h"
#include "Errors.h"
#include "NewOrderDialog.h"
#include "OrderHeaderStore.h"
#include "Prompts.h"
#include "TestDatabase.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

namespace {


// Types AText key by key, Cyrillic included (QTest::keyClicks knows ASCII only).
void Type(QWidget* AWidget, const QString& AText) {
    for (const QChar c : AText)
        QTest::sendKeyEvent(QTest::Click, AWidget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

bool Yellow(QWidget* AWidget) {
    return AWidget->palette().color(QPalette::Base) == QColor(Qt::yellow);
}

struct TDialog {
    TDialog(TDataModule& AData) : Form(AData, Prompts) { Form.show(); }
    TRecordingPrompts Prompts;
    TNewOrderDialog Form;
    template <typename T> T* W(const char* AName) {
        T* w = Form.findChild<T*>(QString::fromLatin1(AName));
        if (!w)
            qFatal("no widget %s", AName);
        return w;
    }
    void Fill(const QString& ANumber, const QString& ACustomer, const QString& AWeight,
              int AMaterial) {
        W<QLineEdit>("OrderNumber")->setText(ANumber);
        W<QComboBox>("Customer")->setEditText(ACustomer);
        W<QComboBox>("MaxWeight")->setEditText(AWeight);
        W<QComboBox>("Material")->setCurrentIndex(AMaterial);
    }
    void Save() { W<QPushButton>("SaveButton")->click(); }
};

} // namespace

class TestNewOrderDialog : public QObject {
    Q_OBJECT
private slots:
    void layout_data();
    void layout();
    void emptySave_data();
    void emptySave();
    void save_data();
    void save();
    void weightNotANumber_data();
    void weightNotANumber();
    void typedWeights_data();
    void typedWeights();
    void typedCustomer_data();
    void typedCustomer();
    void storeRefusalSaysWhy_data();
    void storeRefusalSaysWhy();
    void materialFollowsWorkbook_data();
    void materialFollowsWorkbook();
    void customerMatching_data();
    void customerMatching();
    void wildcardNames_data();
    void wildcardNames();
    void boxLists_data();
    void boxLists();
    void askRunsModally_data();
    void askRunsModally();
    void windowHooks();
    void reportWindow();
    void dateTypedAfterClick_data();
    void dateTypedAfterClick();
};

void TestNewOrderDialog::layout_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::newRow("sqlite") << TBackend::Sqlite;
}

void TestNewOrderDialog::layout() {
    GRAVELON_CONNECT(db);
    TDialog d(*db.Data);
    QCOMPARE(d.Form.windowTitle(), QStringLiteral("Новая заявка"));
    QVERIFY(d.Form.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(d.Form.windowFlags() & Qt::WindowMinMaxButtonsHint));
    QStringList labels;
    for (QLabel* l : d.Form.findChildren<QLabel*>())
        labels << l->text();
    for (const char* text : {"Параметры заявки:", "Дата", "№ заявки", "Заказчик",
                             "Максимально допустимый вес поддона, кг", "Материал", "Комментарий"})
        QVERIFY2(labels.contains(QString::fromUtf8(text)), text);
    QCOMPARE(d.W<QPushButton>("SaveButton")->text(), QStringLiteral("Сохранить"));
    QCOMPARE(d.W<QPushButton>("CancelButton")->text(), QStringLiteral("Отмена"));
    QVERIFY(d.W<QComboBox>("Customer")->isEditable());
    QVERIFY(d.W<QComboBox>("MaxWeight")->isEditable());
    QVERIFY(!d.W<QComboBox>("Material")->isEditable());
    QCOMPARE(d.W<QDateEdit>("OrderDate")->date(), QDate::currentDate());
    QCOMPARE(d.W<QLineEdit>("Comment")->text(), QString());
    // Tab order: date, number, customer, weight, material, comment, button.
    QWidget* w = d.W<QDateEdit>("OrderDate");
    QStringList order;
    for (int i = 0; i < 8; ++i) {
        order << w->objectName();
        do {
            w = w->nextInFocusChain();
        } while (w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_")));
    }
    QCOMPARE(order, (QStringList{"OrderDate", "OrderNumber", "Customer", "MaxWeight", "Material",
                                 "Comment", "SaveButton", "CancelButton"}));
    // Tab leaves the date field at once, whichever of its parts holds the cursor, and
    // Shift+Tab comes back to it.
    d.Form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d.Form));
    auto* date = d.W<QDateEdit>("OrderDate");
    date->setFocus();
    date->setCurrentSection(QDateTimeEdit::DaySection);
    QTest::keyClick(date, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), d.W<QLineEdit>("OrderNumber"));
    QTest::keyClick(d.W<QLineEdit>("OrderNumber"), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), date);
    // Enter saves from a field, as the button does: the empty form is refused with a word.
    QVERIFY(d.Prompts.Messages().isEmpty());
    QTest::keyClick(d.W<QLineEdit>("OrderNumber"), Qt::Key_Return);
    QVERIFY(!d.Prompts.Messages().isEmpty());
    QVERIFY(d.Form.isVisible());
    // The window's close button leaves the dialog unsaved.
    d.Form.close();
    QVERIFY(!d.Form.isVisible());
    QVERIFY(!d.Form.Saved());
}

void TestNewOrderDialog::emptySave_data() {
    TestDb::AddBackendRows();
}

void TestNewOrderDialog::emptySave() {
    GRAVELON_CONNECT(db);
    TDialog d(*db.Data);
    d.Save();
    QCOMPARE(d.Prompts.Messages(),
             QStringList{QStringLiteral("Не заполнено поле № заявки\n\rНе заполнено поле "
                                        "заказчик\n\rНе указан максимальный вес поддона\n\rНе "
                                        "выбран материал")});
    QCOMPARE(d.Prompts.Asked.first().Kind, TPrompts::TKind::Plain);
    for (const char* name : {"OrderNumber", "Customer", "MaxWeight", "Material"})
        QVERIFY2(Yellow(d.W<QWidget>(name)), name);
    QVERIFY(d.Form.isVisible());
    QVERIFY(!d.Form.Saved());
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Applicates")), 0);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Customers")), 0);

    // Filling two boxes: the message names the other two; yellow stays until a save
    // succeeds; spaces count as filled.
    d.W<QLineEdit>("OrderNumber")->setText(QStringLiteral(" "));
    d.W<QComboBox>("MaxWeight")->setEditText(QStringLiteral("1200"));
    d.Save();
    QCOMPARE(d.Prompts.Messages().last(),
             QStringLiteral("Не заполнено поле заказчик\n\rНе выбран материал"));
    QVERIFY(Yellow(d.W<QWidget>("OrderNumber")));

    d.Fill(QStringLiteral("15"), QStringLiteral("ООО Фасад"), QStringLiteral("1200"), 1);
    d.Save();
    QCOMPARE(d.Prompts.Messages().size(), 2);
    QVERIFY(d.Form.Saved());
    QVERIFY(!d.Form.isVisible());
    for (const char* name : {"OrderNumber", "Customer", "MaxWeight", "Material"})
        QVERIFY2(d.W<QWidget>(name)->palette().color(QPalette::Base) == QColor(Qt::white), name);
}

void TestNewOrderDialog::save_data() {
    TestDb::AddBackendRows();
}

void TestNewOrderDialog::save() {
    GRAVELON_CONNECT(db);
    TDialog d(*db.Data);
    d.W<QDateEdit>("OrderDate")->setDate(QDate(2021, 5, 31));
    d.Fill(QStringLiteral(" З-31/05 "), QStringLiteral("ООО  Фасад Строй"),
           QStringLiteral("1500.5"), 2);
    d.W<QLineEdit>("Comment")->setText(QStringLiteral("срочно, 'до пятницы'"));
    const QString materialId = d.Form.SelectedMaterialID();
    QVERIFY(!materialId.isEmpty());
    d.Save();
    QVERIFY(d.Prompts.Messages().isEmpty());
    QVERIFY(d.Form.Saved());
    const QList<QSqlRecord> rows = db.Data->OpenSql(
        QStringLiteral("select a.ID, a.Number, a.Date, a.MatID, a.Comment, a.MaxW, c.Name, "
                       "c.NameSravn, a.CustomerID from "
                       "Applicates a inner join Customers c on c.ID = a.CustomerID"));
    QCOMPARE(rows.size(), 1);
    const QSqlRecord r = rows.first();
    QCOMPARE(r.value(0).toLongLong(), d.Form.Header().OrderID);
    QCOMPARE(r.value(1).toString(), QStringLiteral(" З-31/05 ")); // as typed
    QCOMPARE(r.value(2).toString().left(10), QStringLiteral("2021-05-31"));
    QCOMPARE(r.value(3).toString(), materialId);
    QCOMPARE(r.value(4).toString(), QStringLiteral("срочно, 'до пятницы'"));
    QCOMPARE(r.value(5).toDouble(), 1500.5);
    QCOMPARE(r.value(6).toString(), QStringLiteral("ООО  Фасад Строй"));
    QCOMPARE(r.value(7).toString(), QStringLiteral("ооофасадстрой"));
    QCOMPARE(d.Form.Header().Number, QStringLiteral(" З-31/05 "));
    QCOMPARE(d.Form.Header().DateText, QStringLiteral("31.05.2021"));
    QCOMPARE(d.Form.Header().CustomerID, r.value(8).toString());
    QCOMPARE(d.Form.Header().MaterialID, materialId);
}

void TestNewOrderDialog::weightNotANumber_data() {
    TestDb::AddBackendRows();
}

void TestNewOrderDialog::weightNotANumber() {
    GRAVELON_CONNECT(db);
    TDialog d(*db.Data);
    d.Fill(QStringLiteral("1"), QStringLiteral("ИП Петров"), QStringLiteral("полторы тонны"), 0);
    d.Save();
    // Refused by the dialog, in its words, before the database is asked anything.
    QCOMPARE(d.Prompts.Messages(),
             QStringList{QStringLiteral("Максимальный вес поддона «полторы тонны» не является "
                                        "числом: укажите вес в килограммах, например 1200 или "
                                        "1200,5\n\r")});
    QVERIFY(Yellow(d.W<QWidget>("MaxWeight")));
    QVERIFY(d.Form.isVisible());
    QVERIFY(!d.Form.Saved());
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Applicates")), 0);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Customers")), 0);
    // Corrected, the same dialog saves, reusing the customer.
    d.W<QComboBox>("MaxWeight")->setEditText(QStringLiteral("1500"));
    d.Save();
    QVERIFY(d.Form.Saved());
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Customers")), 1);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Applicates")), 1);
}

void TestNewOrderDialog::typedWeights_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("stored"); // 0: refused
    QTest::addColumn<QString>("message");
    const QString notNumber = QStringLiteral("Максимальный вес поддона «%1» не является числом: "
                                             "укажите вес в килограммах, например 1200 или 1200,5");
    const QString notPositive =
        QStringLiteral("Максимальный вес поддона должен быть больше нуля (указано «%1»)");
    struct TCase {
        const char* Typed;
        double Stored;
        QString Message;
    };
    const QList<TCase> cases = {
        {"100", 100, {}},
        {"100,5", 100.5, {}},
        {"100.5", 100.5, {}},
        {"abc", 0, notNumber.arg("abc")},
        {"abc1000", 0, notNumber.arg("abc1000")},
        {"1e3", 0, notNumber.arg("1e3")},
        {"0", 0, notPositive.arg("0")},
        {"0,0", 0, notPositive.arg("0,0")},
        {"-5", 0, notPositive.arg("-5")},
    };
    for (const TCase& c : cases) {
        for (auto [be, name] :
             {std::pair{TBackend::Sqlite, "sqlite"}, {TBackend::Postgres, "postgres"}})
            QTest::addRow("%s %s", c.Typed, name)
                << be << QString::fromUtf8(c.Typed) << c.Stored << c.Message;
    }
}

// The weight is typed key by key as the operator does, with 1000 among the earlier
// weights: the list never finishes what was typed, and a bad value is refused with
// what is wrong while the dialog stays open.
void TestNewOrderDialog::typedWeights() {
    QFETCH(QString, typed);
    QFETCH(double, stored);
    QFETCH(QString, message);
    GRAVELON_CONNECT(db);
    TestDb::AddOrder(*db.Data, QStringLiteral("прежняя"), QDate(2021, 5, 1), 1, 1000.0, {});
    TestDb::AddOrder(*db.Data, QStringLiteral("другая"), QDate(2021, 5, 1), 1, 1005.5, {});
    TDialog d(*db.Data);
    auto* weight = d.W<QComboBox>("MaxWeight");
    QCOMPARE(weight->count(), 2);
    d.Fill(QStringLiteral("В-1"), QStringLiteral("ООО Вес"), QString(), 0);
    // Typed into the focused box of the active window, where a completer would act.
    d.Form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d.Form));
    weight->setFocus();
    QVERIFY(weight->lineEdit()->hasFocus());
    QTest::keyClicks(weight->lineEdit(), typed);
    QCOMPARE(weight->currentText(), typed);
    d.Save();
    if (stored == 0) {
        QCOMPARE(d.Prompts.Messages(), QStringList{message + QStringLiteral("\n\r")});
        QVERIFY(Yellow(weight));
        QVERIFY(d.Form.isVisible());
        QVERIFY(!d.Form.Saved());
        QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Applicates")), 2);
        return;
    }
    QVERIFY(d.Prompts.Messages().isEmpty());
    QVERIFY(d.Form.Saved());
    QCOMPARE(db.Data
                 ->OpenSql(QStringLiteral("select MaxW from Applicates where ID = :id"),
                           {{QStringLiteral(":id"), d.Form.Header().OrderID}})
                 .value(0)
                 .value(0)
                 .toDouble(),
             stored);
    // An earlier weight can still be picked from the list.
    TDialog again(*db.Data);
    auto* list = again.W<QComboBox>("MaxWeight");
    list->setCurrentIndex(list->findText(QStringLiteral("1005.5")));
    QCOMPARE(list->currentText(), QStringLiteral("1005.5"));
    QCOMPARE(TOrderHeaderStore::MaxWeightProblem(list->currentText()), QString());
}

void TestNewOrderDialog::typedCustomer_data() {
    TestDb::AddBackendRows();
}

// A name typed key by key is saved as typed, even when a listed name begins with it;
// the listed names are offered, not written into the box.
void TestNewOrderDialog::typedCustomer() {
    GRAVELON_CONNECT(db);
    const QString petrova =
        TOrderHeaderStore(*db.Data).FindOrCreateCustomer(QStringLiteral("ИП Петрова"));
    TDialog d(*db.Data);
    auto* customer = d.W<QComboBox>("Customer");
    QCOMPARE(customer->count(), 1);
    d.Fill(QStringLiteral("Ц-1"), QString(), QStringLiteral("900"), 0);
    d.Form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d.Form));
    customer->setFocus();
    QVERIFY(customer->lineEdit()->hasFocus());
    Type(customer->lineEdit(), QStringLiteral("ИП Петров"));
    QCOMPARE(customer->currentText(), QStringLiteral("ИП Петров"));
    d.Save();
    QVERIFY(d.Form.Saved());
    QVERIFY(d.Form.Header().CustomerID != petrova);
    QCOMPARE(TestDb::Dump(*db.Data, QStringLiteral("Customers")).last(),
             d.Form.Header().CustomerID + QStringLiteral("|ИП Петров|иппетров"));
}

void TestNewOrderDialog::storeRefusalSaysWhy_data() {
    TestDb::AddBackendRows();
}

// A save the database refuses shows a Russian sentence before the database's words,
// and the dialog stays open.
void TestNewOrderDialog::storeRefusalSaysWhy() {
    GRAVELON_CONNECT(db);
    TRecordingPrompts prompts;
    TNewOrderDialog form(*db.Data, prompts);
    QString refused;
    int stores = 0;
    QTimer::singleShot(0, &form, [&] {
        auto* material = form.findChild<QComboBox*>(QStringLiteral("Material"));
        form.findChild<QLineEdit*>(QStringLiteral("OrderNumber"))->setText(QStringLiteral("1"));
        form.findChild<QComboBox*>(QStringLiteral("Customer"))->setEditText(QStringLiteral("К"));
        form.findChild<QComboBox*>(QStringLiteral("MaxWeight"))->setEditText(QStringLiteral("900"));
        material->setCurrentIndex(0);
        form.findChild<QPushButton*>(QStringLiteral("SaveButton"))->click();
        refused = prompts.Messages().value(0);
        QVERIFY(form.isVisible());
        form.findChild<QPushButton*>(QStringLiteral("CancelButton"))->click();
    });
    TOrderHeader header;
    QVERIFY(!form.Ask(header, [&](TOrderHeader&) -> bool {
        ++stores;
        db.Data->ExecSql(QStringLiteral("insert into NoSuchTable values (1)"));
        return true;
    }));
    QCOMPARE(stores, 1);
    QVERIFY2(refused.startsWith(
                 QStringLiteral("Заявка не сохранена: база данных не приняла запись.\nОшибка базы "
                                "данных: ")),
             qPrintable(refused));
    QCOMPARE(int(prompts.Asked.first().Kind), int(TPrompts::TKind::Error));
}

void TestNewOrderDialog::materialFollowsWorkbook_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<QString>("sheet");    // the workbook's thickness
    QTest::addColumn<QString>("preset");   // the material the dialog opens with; empty: none
    QTest::addColumn<QString>("choose");   // what the user chooses then; empty: keeps it
    QTest::addColumn<bool>("confirm");     // the answer to the thickness question, if asked
    QTest::addColumn<QString>("question"); // empty: none asked
    const QString plate12 = QStringLiteral("Фиброцементная плита (12 мм)");
    const QString plate8 = QStringLiteral("Фиброцементная плита (8 мм)");
    const QString plate10 = QStringLiteral("Фиброцементная плита (10 мм)");
    const QString asked12to8 = QStringLiteral(
        "Листы заявки толщиной 12 мм, а выбран материал «Фиброцементная плита (8 мм)» толщиной 8 "
        "мм.\nВес поддонов будет рассчитан по выбранному материалу. Сохранить заявку с этим "
        "материалом?");
    for (auto [be, name] :
         {std::pair{TBackend::Sqlite, "sqlite"}, {TBackend::Postgres, "postgres"}}) {
        QTest::addRow("12 mm preselected, kept, %s", name)
            << be << "12" << plate12 << QString() << true << QString();
        QTest::addRow("10 mm preselected, %s", name)
            << be << "10" << plate10 << QString() << true << QString();
        // Two materials are 8 mm thick and weigh differently: the user picks one.
        QTest::addRow("8 mm of two materials, %s", name)
            << be << "8" << QString() << plate8 << true << QString();
        QTest::addRow("12 mm, 8 mm chosen, confirmed, %s", name)
            << be << "12" << plate12 << plate8 << true << asked12to8;
        QTest::addRow("12 mm, 8 mm chosen, declined, %s", name)
            << be << "12" << plate12 << plate8 << false << asked12to8;
        // Shown without a workbook, the dialog asks nothing of thicknesses.
        QTest::addRow("no workbook, %s", name)
            << be << QString() << QString() << plate8 << true << QString();
    }
}

void TestNewOrderDialog::materialFollowsWorkbook() {
    QFETCH(QString, sheet);
    QFETCH(QString, preset);
    QFETCH(QString, choose);
    QFETCH(bool, confirm);
    QFETCH(QString, question);
    GRAVELON_CONNECT(db);
    TRecordingPrompts prompts;
    prompts.ConfirmAnswers << (confirm ? TPrompts::TAnswer::Ok : TPrompts::TAnswer::Cancel);
    TNewOrderDialog form(*db.Data, prompts);
    QString opened;
    bool openAfterQuestion = false;
    QTimer::singleShot(0, &form, [&] {
        auto* material = form.findChild<QComboBox*>(QStringLiteral("Material"));
        opened = material->currentIndex() < 0 ? QString() : material->currentText();
        if (!choose.isEmpty())
            material->setCurrentIndex(material->findText(choose));
        form.findChild<QLineEdit*>(QStringLiteral("OrderNumber"))->setText(QStringLiteral("Т-1"));
        form.findChild<QComboBox*>(QStringLiteral("Customer"))->setEditText(QStringLiteral("К"));
        form.findChild<QComboBox*>(QStringLiteral("MaxWeight"))->setEditText(QStringLiteral("800"));
        form.findChild<QPushButton*>(QStringLiteral("SaveButton"))->click();
        if (form.isVisible()) {
            openAfterQuestion = true;
            QVERIFY(Yellow(material));
            form.findChild<QPushButton*>(QStringLiteral("CancelButton"))->click();
        }
    });
    TOrderHeader header;
    header.SheetThickness = sheet;
    const bool saved = form.Ask(header, {});
    QCOMPARE(opened, preset);
    QStringList asked;
    for (const TRecordingPrompts::TAsked& a : prompts.Asked)
        if (a.Call == QLatin1String("Confirm"))
            asked << a.Text;
    QCOMPARE(asked, question.isEmpty() ? QStringList() : QStringList{question});
    const bool declined = !question.isEmpty() && !confirm;
    QCOMPARE(saved, !declined);
    QCOMPARE(openAfterQuestion, declined);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Applicates")), declined ? 0 : 1);
    if (saved) {
        const QString chosen = choose.isEmpty() ? preset : choose;
        QCOMPARE(db.Data
                     ->OpenSql(QStringLiteral("select m.Name, m.Width from Applicates a inner "
                                              "join Materials m on m.ID = a.MatID"))
                     .value(0)
                     .value(1)
                     .toDouble(),
                 chosen.section(QLatin1Char('('), 1).section(QLatin1Char(' '), 0, 0).toDouble());
    }
}

void TestNewOrderDialog::customerMatching_data() {
    TestDb::AddBackendRows();
}

void TestNewOrderDialog::customerMatching() {
    GRAVELON_CONNECT(db);
    const TOrderHeaderStore store(*db.Data);
    const QString first = store.FindOrCreateCustomer(QStringLiteral("ООО Фасад Строй"));
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Customers")), 1);
    // Same key: letter case and spaces do not count.
    QCOMPARE(store.FindOrCreateCustomer(QStringLiteral("ОООФАСАДСТРОЙ")), first);
    QCOMPARE(store.FindOrCreateCustomer(QStringLiteral("  ооо фасад  строй ")), first);
    // The whole name is compared: a part of a stored name is another customer, and
    // so is a stored name's part of a longer one.
    const QString part = store.FindOrCreateCustomer(QStringLiteral("Фасад"));
    QVERIFY(part != first);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Customers")), 2);
    const QString petrova = store.FindOrCreateCustomer(QStringLiteral("ИП Петрова"));
    const QString petrov = store.FindOrCreateCustomer(QStringLiteral("ИП Петров"));
    QVERIFY(petrov != petrova);
    QCOMPARE(store.FindOrCreateCustomer(QStringLiteral("ип петров")), petrov);
    QCOMPARE(store.FindOrCreateCustomer(QStringLiteral("ИП Петрова")), petrova);
    db.Data->ExecSql(QStringLiteral("delete from Customers where ID in (%1, %2, %3)")
                         .arg(part, petrov, petrova));
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Customers")), 1);
    // A new name adds exactly one row.
    const QString second = store.FindOrCreateCustomer(QStringLiteral("ИП Петров А.А."));
    QVERIFY(second != first);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Customers")), 2);
    QCOMPARE(TestDb::Dump(*db.Data, QStringLiteral("Customers")).last(),
             second + QStringLiteral("|ИП Петров А.А.|иппетрова.а."));
    // A name of spaces only gets its own customer instead of matching everyone.
    const QString blank = store.FindOrCreateCustomer(QStringLiteral("   "));
    QVERIFY(blank != first && blank != second);
    QCOMPARE(store.FindOrCreateCustomer(QStringLiteral(" ")), blank);
}

void TestNewOrderDialog::wildcardNames_data() {
    TestDb::AddBackendRows();
}

// Keys holding %, _ or \ are compared as text: each finds its own row, none is read
// as a pattern that matches another customer.
void TestNewOrderDialog::wildcardNames() {
    GRAVELON_CONNECT(db);
    const TOrderHeaderStore store(*db.Data);
    const QString plain = store.FindOrCreateCustomer(QStringLiteral("Бетон 100x1"));
    const QString percent = store.FindOrCreateCustomer(QStringLiteral("Бетон 100%"));
    QVERIFY(percent != plain);
    const QString under = store.FindOrCreateCustomer(QStringLiteral("Бетон_100"));
    QVERIFY(under != plain && under != percent);
    const QString slash = store.FindOrCreateCustomer(QStringLiteral("Бетон\\100"));
    QVERIFY(slash != plain && slash != percent && slash != under);
    const QString quote = store.FindOrCreateCustomer(QStringLiteral("O'Brien & Co"));
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Customers")), 5);
    // Names of a wildcard alone are customers of their own and match no other.
    const QString onlyPercent = store.FindOrCreateCustomer(QStringLiteral("%"));
    const QString onlyUnder = store.FindOrCreateCustomer(QStringLiteral("_"));
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Customers")), 7);
    QVERIFY(onlyPercent != onlyUnder);
    QCOMPARE(store.FindOrCreateCustomer(QStringLiteral(" % ")), onlyPercent);
    QCOMPARE(store.FindOrCreateCustomer(QStringLiteral("_")), onlyUnder);
    // "Бетон_100" is not "Бетон1100", nor "Бетон%" every Бетон.
    const QString similar = store.FindOrCreateCustomer(QStringLiteral("Бетон1100"));
    QVERIFY(similar != under);
    const QString prefix = store.FindOrCreateCustomer(QStringLiteral("Бетон%"));
    QVERIFY(prefix != percent && prefix != plain);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Customers")), 9);
    db.Data->ExecSql(QStringLiteral("delete from Customers where ID in (%1, %2, %3, %4)")
                         .arg(onlyPercent, onlyUnder, similar, prefix));
    QCOMPARE(store.FindOrCreateCustomer(QStringLiteral("бетон 100%")), percent);
    QCOMPARE(store.FindOrCreateCustomer(QStringLiteral("БЕТОН_100")), under);
    QCOMPARE(store.FindOrCreateCustomer(QStringLiteral("Бетон\\100")), slash);
    QCOMPARE(store.FindOrCreateCustomer(QStringLiteral("o'brien&co")), quote);
    QCOMPARE(TestDb::Count(*db.Data, QStringLiteral("Customers")), 5);
}

void TestNewOrderDialog::boxLists_data() {
    TestDb::AddBackendRows();
}

void TestNewOrderDialog::boxLists() {
    GRAVELON_CONNECT(db);
    // Earlier orders' weights, working and archived, each once; customers by name.
    TestDb::AddOrder(*db.Data, QStringLiteral("1"), QDate(2021, 5, 1), 1, 1500.0, {}, nullptr,
                     QStringLiteral("Я-Последний"));
    db.Data->Archivation();
    TestDb::AddOrder(*db.Data, QStringLiteral("2"), QDate(2021, 5, 2), 1, 1200.5, {}, nullptr,
                     QStringLiteral("А-Первый"));
    TestDb::AddOrder(*db.Data, QStringLiteral("3"), QDate(2021, 5, 3), 1, 1500.0, {}, nullptr,
                     QStringLiteral("А-Первый"));
    {
        TDialog d(*db.Data);
        auto* customers = d.W<QComboBox>("Customer");
        QCOMPARE(customers->count(), 2);
        QCOMPARE(customers->itemText(0), QStringLiteral("А-Первый"));
        QCOMPARE(customers->currentText(), QString());
        auto* weights = d.W<QComboBox>("MaxWeight");
        QStringList w;
        for (int i = 0; i < weights->count(); ++i)
            w << weights->itemText(i);
        QCOMPARE(w, (QStringList{"1200.5", "1500"}));
        auto* material = d.W<QComboBox>("Material");
        QCOMPARE(material->count(), 4);
        QCOMPARE(material->currentIndex(), -1); // several materials: none chosen
        QVERIFY(material->itemText(0).endsWith(QStringLiteral(" мм)")));

        // A reload keeps what the user typed and chose.
        d.Fill(QStringLiteral("7"), QStringLiteral("Новый"), QStringLiteral("999"), 2);
        const QVariant chosen = material->currentData();
        d.Form.LoadComboData();
        QCOMPARE(customers->currentText(), QStringLiteral("Новый"));
        QCOMPARE(weights->currentText(), QStringLiteral("999"));
        QCOMPARE(material->currentData(), chosen);
    }
    // One material: it is chosen; a blank name reads "Материал", the width follows.
    db.Data->ExecSql(QStringLiteral("delete from Applicates"));
    db.Data->ExecSql(QStringLiteral("delete from Applicates_archive"));
    db.Data->ExecSql(QStringLiteral("delete from Materials"));
    db.Data->ExecSql(QStringLiteral("insert into Materials (Name, Width, Weight1m2, MaxH) values "
                                    "('  ', 10.5, 18, 50)"));
    {
        TDialog d(*db.Data);
        auto* material = d.W<QComboBox>("Material");
        QCOMPARE(material->count(), 1);
        QCOMPARE(material->currentIndex(), 0);
        QCOMPARE(material->currentText(), QStringLiteral("Материал (10,5 мм)"));
        QCOMPARE(d.Form.SelectedMaterialID(),
                 QString::number(TestDb::LastId(*db.Data, QStringLiteral("Materials"))));
    }
    db.Data->ExecSql(QStringLiteral("insert into Materials (Name, Width, Weight1m2, MaxH) values "
                                    "('Плита', NULL, 18, 50)"));
    {
        TDialog d(*db.Data);
        auto* material = d.W<QComboBox>("Material");
        QCOMPARE(material->count(), 2);
        QCOMPARE(material->currentIndex(), -1);
        QStringList texts{material->itemText(0), material->itemText(1)};
        QVERIFY(texts.contains(QStringLiteral("Плита")));
    }
}

void TestNewOrderDialog::askRunsModally_data() {
    TestDb::AddBackendRows();
}

void TestNewOrderDialog::askRunsModally() {
    GRAVELON_CONNECT(db);
    TRecordingPrompts prompts;
    TNewOrderDialog form(*db.Data, prompts);
    QTimer::singleShot(0, &form, [&form] {
        form.findChild<QPushButton*>(QStringLiteral("SaveButton"))->click(); // refused: empty
        form.findChild<QLineEdit*>(QStringLiteral("OrderNumber"))->setText(QStringLiteral("88"));
        form.findChild<QComboBox*>(QStringLiteral("Customer"))
            ->setEditText(QStringLiteral("Клиент"));
        form.findChild<QComboBox*>(QStringLiteral("MaxWeight"))->setEditText(QStringLiteral("900"));
        form.findChild<QComboBox*>(QStringLiteral("Material"))->setCurrentIndex(0);
        form.findChild<QPushButton*>(QStringLiteral("SaveButton"))->click();
    });
    Qt::CursorShape during = Qt::BusyCursor;
    QTimer::singleShot(0, &form, [&during] { during = QApplication::overrideCursor()->shape(); });
    QApplication::setOverrideCursor(Qt::WaitCursor);
    TOrderHeader header;
    QVERIFY(form.Ask(header));
    QCOMPARE(during, Qt::ArrowCursor);
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QApplication::restoreOverrideCursor();
    QCOMPARE(prompts.Messages().size(), 1);
    QCOMPARE(header.Number, QStringLiteral("88"));
    QCOMPARE(header.Date, QDate::currentDate());
    QVERIFY(header.OrderID > 0);
    QCOMPARE(header.OrderID, TestDb::LastId(*db.Data, QStringLiteral("Applicates")));
}

void TestNewOrderDialog::windowHooks() {
    TDataModule data; // the hooks only keep it; nothing is asked of the database
    TRecordingPrompts prompts;
    TNewOrderDialog form(data, prompts);
    int runs = 0, enables = 0;
    const TOrderImportHooks h = form.WindowHooks(
        nullptr, true, [&runs](qlonglong) { ++runs; }, [&enables] { ++enables; });
    h.ShowMessage(TOrderImportHooks::TMessageKind::Plain, QStringLiteral("обычное"));
    h.ShowMessage(TOrderImportHooks::TMessageKind::Error, QStringLiteral("ошибка"));
    QCOMPARE(prompts.Asked.size(), 2);
    QCOMPARE(prompts.Asked.at(0).Kind, TPrompts::TKind::Plain);
    QCOMPARE(prompts.Asked.at(1).Kind, TPrompts::TKind::Error);
    QVERIFY(h.AutoCalculation);
    h.RunCalculation(1);
    h.EnableCalculation();
    QCOMPARE(runs + enables, 2);
    QCOMPARE(h.DesktopFolder, QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
    // The invalid-rows report goes to a window whose text can be copied.
    h.ShowReport(QStringLiteral("Отчет"), QStringLiteral("Строка 3 | ..."));
    QCOMPARE(prompts.Asked.size(), 3);
    QCOMPARE(prompts.Asked.at(2).Call, QStringLiteral("ShowText"));
    QCOMPARE(prompts.Asked.at(2).Caption, QStringLiteral("Отчет"));
    QCOMPARE(prompts.Texts(), QStringList{QStringLiteral("Строка 3 | ...")});
}

// The real report window: the text read-only, whole, and copyable.
void TestNewOrderDialog::reportWindow() {
    TQtPrompts prompts;
    const QString text = QStringLiteral("Внимание!!!\r\nСтрока 3 | RAL 9003 | | не заполнено поле "
                                        "Толщина\r\nСтрока 5 | x");
    QString shown, copied, title;
    bool readOnly = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        auto* view =
            dialog ? dialog->findChild<QPlainTextEdit*>(QStringLiteral("TextView")) : nullptr;
        if (!view)
            return;
        poll.stop();
        title = dialog->windowTitle();
        readOnly = view->isReadOnly();
        shown = view->toPlainText();
        view->selectAll();
        view->copy();
        copied = QGuiApplication::clipboard()->text();
        QTest::keyClick(dialog, Qt::Key_Return); // OK
    });
    poll.start(20);
    prompts.ShowText(nullptr, QStringLiteral("Некорректные строки заявки"), text);
    QCOMPARE(title, QStringLiteral("Некорректные строки заявки"));
    QVERIFY(readOnly);
    QCOMPARE(shown, QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    QCOMPARE(copied, shown);
}

void TestNewOrderDialog::dateTypedAfterClick_data() {
    QTest::addColumn<int>("at"); // the character clicked in "10.12.2026"
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QDate>("expected");
    QTest::newRow("day") << 1 << "15" << QDate(2026, 12, 15);
    QTest::newRow("month") << 4 << "03" << QDate(2026, 3, 10);
    QTest::newRow("year") << 8 << "2027" << QDate(2027, 12, 10);
}

// Digits typed after a click into a box that has the keyboard replace the clicked
// part; inserted beside its digits they made it too long and were dropped.
void TestNewOrderDialog::dateTypedAfterClick() {
    QFETCH(int, at);
    QFETCH(QString, typed);
    QFETCH(QDate, expected);
    TFieldDateEdit box(QDate(2026, 12, 10), nullptr);
    box.setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.setFocus();
    QLineEdit* text = box.findChild<QLineEdit*>();
    QVERIFY(text);
    // Inside the clicked character, whatever the style's margins.
    const QFontMetrics metrics = text->fontMetrics();
    const QPoint where(metrics.horizontalAdvance(text->text().left(at)) +
                           metrics.horizontalAdvance(text->text().at(at)) / 2 + 3,
                       text->height() / 2);
    text->setCursorPosition(0);
    text->deselect();
    QTest::mouseClick(text, Qt::LeftButton, {}, where);
    QCoreApplication::processEvents();
    QTest::keyClicks(&box, typed);
    QCOMPARE(box.date(), expected);
}

QTEST_MAIN(TestNewOrderDialog)
#include "tst_new_order_dialog.moc"
