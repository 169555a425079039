// The import with the real New-order dialog on both databases: nothing changes until
// the dialog is saved; a save the database cannot serve (another workstation holds
// the write lock) changes nothing and leaves the dialog open for another try or a
// cancel; a save that goes through archives the previous order and stores the new
// one together.

#include "DataModule.h"
#include "Errors.h"
#include "NewOrderDialog.h"
#include "OrderImport.h"
#include "Prompts.h"
#include "SqlRun.h"
#include "TestDatabase.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

const QStringList Header = {"Цвет", "Длина", "Ширина", "Толщина", "Количество", "Комментарий"};

QStringList DumpAll(TDataModule& AData) {
    QStringList all;
    for (const char* t :
         {"Applicates", "ApplicatePositions", "Palletes", "Solutions", "Applicates_archive",
          "ApplicatePositions_archive", "Palletes_archive", "Solutions_archive", "Customers"})
        all << QString::fromLatin1(t) << TestDb::Dump(AData, QString::fromLatin1(t));
    return all;
}


// A calculated previous order in the working tables.
qlonglong PreviousOrder(TDataModule& AData) {
    QList<qlonglong> pos;
    const qlonglong order =
        TestDb::AddOrder(AData, QStringLiteral("прежняя"), QDate(2021, 5, 20), 1, 1000.0,
                         {{2000, 1000, 3, 10, QStringLiteral("A")}}, &pos);
    TestDb::AddSolution(AData, order, pos[0], TestDb::AddPallet(AData, 3), 1, 10);
    return order;
}

void Fill(TNewOrderDialog& ADialog) {
    ADialog.findChild<QLineEdit*>(QStringLiteral("OrderNumber"))->setText(QStringLiteral("Н-5"));
    ADialog.findChild<QComboBox*>(QStringLiteral("Customer"))
        ->setEditText(QStringLiteral("ООО Второй"));
    ADialog.findChild<QComboBox*>(QStringLiteral("MaxWeight"))->setEditText(QStringLiteral("900"));
    auto* material = ADialog.findChild<QComboBox*>(QStringLiteral("Material"));
    material->setCurrentIndex(material->findData(QVariant(qlonglong(1))));
}

void Click(TNewOrderDialog& ADialog, const char* AButton) {
    ADialog.findChild<QPushButton*>(QString::fromLatin1(AButton))->click();
}

// The lock wait a test sets, put back when it ends.
struct TShortLockWait {
    TShortLockWait() : FWas(TTransaction::LockWait()) { TTransaction::SetLockWait(300); }
    ~TShortLockWait() { TTransaction::SetLockWait(FWas); }
    int FWas;
};

} // namespace

class TestNewOrderStore : public QObject {
    Q_OBJECT
private slots:
    void busySave_data();
    void busySave();
};

void TestNewOrderStore::busySave_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<bool>("retry"); // save again once the lock is free; else cancel
    for (const auto& [name, backend] :
         {std::pair{"sqlite", TBackend::Sqlite}, std::pair{"postgres", TBackend::Postgres}}) {
        QTest::addRow("%s, saved again", name) << backend << true;
        QTest::addRow("%s, cancelled", name) << backend << false;
    }
}

void TestNewOrderStore::busySave() {
    QFETCH(bool, retry);
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    const qlonglong previous = PreviousOrder(d);
    const QStringList before = DumpAll(d);
    const TShortLockWait wait;

    // Another workstation, holding the write lock while the dialog is saved.
    TDataModule other;
    other.Connect(db.Db.Settings, db.Db.Folder);
    auto lock = std::make_unique<TTransaction>(other.Connection(), other.Dialect());

    TRecordingPrompts prompts;
    TNewOrderDialog dialog(d, prompts);
    TOrderImportHooks hooks = dialog.WindowHooks(nullptr, false, {}, {});
    QStringList during;
    bool stayedOpen = false;
    QTimer::singleShot(0, &dialog, [&] {
        // Nothing has changed while the dialog is open.
        during = DumpAll(d);
        Fill(dialog);
        Click(dialog, "SaveButton");
        stayedOpen = dialog.isVisible();
        // The refused save changed nothing either.
        if (DumpAll(d) != before)
            during.clear();
        lock.reset();
        Click(dialog, retry ? "SaveButton" : "CancelButton");
    });
    const TImportResult r = TOrderImport(d, hooks).ReadOrderSheet(
        TSheetValues::FromRows({Header,
                                {"RAL 9003", "1200", "600", "8", "5", "а"},
                                {"RAL 7016", "900", "2000", "8", "7", "б"}}));

    QCOMPARE(during, before);
    QVERIFY(stayedOpen);
    QCOMPARE(prompts.Messages().value(0), EDatabaseBusy::BusyMessage);
    QCOMPARE(prompts.Asked.value(0).Kind, TPrompts::TKind::Error);
    QVERIFY(!dialog.isVisible());
    if (!retry) {
        QCOMPARE(int(r.Outcome), int(TImportResult::TOutcome::NoHeader));
        QCOMPARE(prompts.Messages().size(), 1);
        QCOMPARE(DumpAll(d), before);
        return;
    }
    QCOMPARE(int(r.Outcome), int(TImportResult::TOutcome::Stored));
    QCOMPARE(prompts.Messages().size(), 1);
    // The previous order archived whole, the new one stored whole, one customer added.
    QCOMPARE(TestDb::Scalar(d, QStringLiteral("select ID from Applicates_archive")), previous);
    QCOMPARE(TestDb::Scalar(d, QStringLiteral("select count(*) from Solutions_archive")), 1);
    QCOMPARE(TestDb::Scalar(d, QStringLiteral("select count(*) from Applicates")), 1);
    QCOMPARE(TestDb::Scalar(d, QStringLiteral("select ID from Applicates")), r.OrderID);
    QCOMPARE(TestDb::Scalar(d, QStringLiteral("select sum(Quantity) from ApplicatePositions")), 12);
    QCOMPARE(TestDb::Scalar(d, QStringLiteral("select count(*) from Customers")), 2);
    QCOMPARE(dialog.Header().OrderID, r.OrderID);
}

QTEST_MAIN(TestNewOrderStore)
#include "tst_new_order_store.moc"
