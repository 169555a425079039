// The New-order dialog offscreen: its controls by objectName, the save checks with
// their message and yellow boxes, the order row it records, the customer it finds or
// adds (also for names holding LIKE wildcards), and the lists of its boxes. Answers
// come from TRecordingPrompts; database behaviour on both backends.

#include "DataModule.h"
#include "Errors.h"
#include "NewOrderDialog.h"
#include "OrderHeaderStore.h"
#include "Prompts.h"
#include "TestDatabase.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

namespace {

int Count(TDataModule& AData, const QString& ATable) {
    return AData.OpenSql(QStringLiteral("select count(*) from ") + ATable)
        .value(0)
        .value(0)
        .toInt();
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
    void customerMatching_data();
    void customerMatching();
    void wildcardNames_data();
    void wildcardNames();
    void boxLists_data();
    void boxLists();
    void askRunsModally_data();
    void askRunsModally();
    void windowHooks();
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
    QCOMPARE(Count(*db.Data, QStringLiteral("Applicates")), 0);
    QCOMPARE(Count(*db.Data, QStringLiteral("Customers")), 0);

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
    QCOMPARE(OrderHeader.Number, QStringLiteral(" З-31/05 "));
    QCOMPARE(OrderHeader.DateText, QStringLiteral("31.05.2021"));
    QCOMPARE(OrderHeader.CustomerID, r.value(8).toString());
    QCOMPARE(OrderHeader.MaterialID, materialId);
}

void TestNewOrderDialog::weightNotANumber_data() {
    TestDb::AddBackendRows();
}

void TestNewOrderDialog::weightNotANumber() {
    GRAVELON_CONNECT(db);
    TDialog d(*db.Data);
    d.Fill(QStringLiteral("1"), QStringLiteral("ИП Петров"), QStringLiteral("полторы тонны"), 0);
    d.Save();
    QCOMPARE(d.Prompts.Asked.size(), 1);
    QCOMPARE(d.Prompts.Asked.first().Kind, TPrompts::TKind::Error);
    QVERIFY(d.Form.isVisible());
    QVERIFY(!d.Form.Saved());
    QCOMPARE(Count(*db.Data, QStringLiteral("Applicates")), 0);
    QCOMPARE(Count(*db.Data, QStringLiteral("Customers")), 1); // added before the refusal
    // Corrected, the same dialog saves, reusing the customer.
    d.W<QComboBox>("MaxWeight")->setEditText(QStringLiteral("1500"));
    d.Save();
    QVERIFY(d.Form.Saved());
    QCOMPARE(Count(*db.Data, QStringLiteral("Customers")), 1);
    QCOMPARE(Count(*db.Data, QStringLiteral("Applicates")), 1);
}

void TestNewOrderDialog::customerMatching_data() {
    TestDb::AddBackendRows();
}

void TestNewOrderDialog::customerMatching() {
    GRAVELON_CONNECT(db);
    const TOrderHeaderStore store(*db.Data);
    const QString first = store.FindOrCreateCustomer(QStringLiteral("ООО Фасад Строй"));
    QCOMPARE(Count(*db.Data, QStringLiteral("Customers")), 1);
    // Same key: letter case and spaces do not count.
    QCOMPARE(store.FindOrCreateCustomer(QStringLiteral("ОООФАСАДСТРОЙ")), first);
    QCOMPARE(store.FindOrCreateCustomer(QStringLiteral("  ооо фасад  строй ")), first);
    // Part of a stored name matches that customer.
    QCOMPARE(store.FindOrCreateCustomer(QStringLiteral("Фасад")), first);
    QCOMPARE(Count(*db.Data, QStringLiteral("Customers")), 1);
    // A new name adds exactly one row.
    const QString second = store.FindOrCreateCustomer(QStringLiteral("ИП Петров А.А."));
    QVERIFY(second != first);
    QCOMPARE(Count(*db.Data, QStringLiteral("Customers")), 2);
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
    QCOMPARE(Count(*db.Data, QStringLiteral("Customers")), 5);
    QCOMPARE(store.FindOrCreateCustomer(QStringLiteral("бетон 100%")), percent);
    QCOMPARE(store.FindOrCreateCustomer(QStringLiteral("БЕТОН_100")), under);
    QCOMPARE(store.FindOrCreateCustomer(QStringLiteral("Бетон\\100")), slash);
    QCOMPARE(store.FindOrCreateCustomer(QStringLiteral("o'brien&co")), quote);
    QCOMPARE(Count(*db.Data, QStringLiteral("Customers")), 5);
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
        nullptr, true, [&runs] { ++runs; }, [&enables] { ++enables; });
    h.ShowMessage(TOrderImportHooks::TMessageKind::Plain, QStringLiteral("обычное"));
    h.ShowMessage(TOrderImportHooks::TMessageKind::Error, QStringLiteral("ошибка"));
    QCOMPARE(prompts.Asked.size(), 2);
    QCOMPARE(prompts.Asked.at(0).Kind, TPrompts::TKind::Plain);
    QCOMPARE(prompts.Asked.at(1).Kind, TPrompts::TKind::Error);
    QVERIFY(h.AutoCalculation);
    h.RunCalculation();
    h.EnableCalculation();
    QCOMPARE(runs + enables, 2);
    QCOMPARE(h.DesktopFolder, QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
    // The end of the program is requested, not carried out, while the command runs.
    QSignalSpy quit(QCoreApplication::instance(), &QCoreApplication::aboutToQuit);
    h.TerminateApplication();
    QCOMPARE(quit.count(), 0);
}

QTEST_MAIN(TestNewOrderDialog)
#include "tst_new_order_dialog.moc"
