// The operator's hand on a plan through the window, on both databases: "Переместить…"
// moves part of a row onto a new pallet, a row dropped on a pallet or on the free part of
// the list moves whole, a refusal is shown and changes nothing, and Ctrl+Z / Ctrl+Shift+Z
// undo and redo each edit exactly; the caption says how the plan was made.

#include "DataGrid.h"
#include "MainWindow.h"
#include "PlanEditor.h"
#include "TestDatabase.h"
#include "UiTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMimeData>
#include <QSpinBox>
#include <QtTest>

using namespace UiTest;

namespace {

QStringList Plan(TDataModule& AData) {
    QStringList tables;
    for (const char* table : {"ApplicatePositions", "Palletes", "Solutions"})
        tables << TestDb::Dump(AData, QLatin1String(table));
    return tables;
}

// Drops the shown pallet's contents row ARow on the pallet list at AAt.
void Drop(TMainWindow* AForm, TDataModule& AData, int ARow, QPoint AAt) {
    const QString sid = AData.PalletContents()->Value(ARow, QStringLiteral("sid")).toString();
    QMimeData mime;
    mime.setData(TPlanEditor::MimeType, sid.toLatin1());
    QWidget* target = Child<TDataGrid>(AForm, "PalletsGrid")->viewport();
    QDragEnterEvent enter(AAt, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(AAt), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

} // namespace

class TstPlanEditor : public QObject {
    Q_OBJECT
private slots:
    void moveAndUndo_data();
    void moveAndUndo();
};

void TstPlanEditor::moveAndUndo_data() {
    TestDb::AddBackendRows();
}

// 1000 × 1000 mm sheets of 14.4 kg under a 150 kg limit: ten a pallet; fifteen stand on
// two pallets.
void TstPlanEditor::moveAndUndo() {
    GRAVELON_CONNECT(db);
    TDataModule& d = *db.Data;
    TestDb::AddOrder(d, QStringLiteral("Р-7"), QDate::currentDate(), 1, 150.0,
                     {{1000, 1000, 1, 15, {}}});
    TWindowOf<> w;
    w.Open(db);
    w.SearchDate(QDate::currentDate());
    Child<QCheckBox>(w.Form.get(), "DensePacking")->click();
    w.Click("CalculateButton");
    QCOMPARE(Rows(w.Form.get(), "PalletsGrid"), 2);
    auto* editor = w.Form->findChild<TPlanEditor*>();
    QVERIFY(editor);
    const QStringList calculated = Plan(d);
    const auto origin = [&] { return Child<QLabel>(w.Form.get(), "PlanOriginLabel")->text(); };
    QCOMPARE(origin(), QStringLiteral("Раскладка: плотная укладка"));

    // "Переместить…": two sheets of the pallet of five onto a new one.
    const int full = w.Column("PalletsGrid", QStringLiteral("Высота, листов")).indexOf("10");
    QVERIFY(full >= 0);
    const int from = 1 - full;
    ClickRow(w.Form.get(), "PalletsGrid", from);
    bool asked = false;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || dialog->objectName() != QLatin1String("MoveDialog"))
            return;
        asked = true;
        auto* count = Child<QSpinBox>(dialog, "MoveCount");
        if (count->value() != 5) // all, unless told
            return;
        count->setValue(2);
        auto* target = Child<QComboBox>(dialog, "MoveTarget");
        target->setCurrentIndex(target->count() - 1); // "Новый поддон"
        Child<QPushButton>(dialog, "MoveButton")->click();
    });
    editor->AskMove(0);
    QVERIFY(asked);
    QCOMPARE(Rows(w.Form.get(), "PalletsGrid"), 3);
    QCOMPARE(w.Column("PalletsGrid", QStringLiteral("№")), (QStringList{"1", "2", "3"}));
    QCOMPARE(w.Column("PalletsGrid", QStringLiteral("Высота, листов")).at(from), QStringLiteral("3"));
    const QStringList moved = Plan(d);
    QCOMPARE(origin(), QStringLiteral("Раскладка: плотная укладка, изменена вручную"));

    // Dropped on the full pallet: refused with the figures, nothing written.
    ClickRow(w.Form.get(), "PalletsGrid", from);
    auto* pallets = Child<TDataGrid>(w.Form.get(), "PalletsGrid");
    Drop(w.Form.get(), d, 0, pallets->visualRect(pallets->model()->index(full, 1)).center());
    QCOMPARE(w.Prompts.Asked.size(), 1);
    QVERIFY2(w.Prompts.Asked.first().Text.contains(QStringLiteral("больше допустимых 150 кг")),
             qPrintable(w.Prompts.Asked.first().Text));
    QCOMPARE(Plan(d), moved);

    // Dropped on the free part of the list: the whole row goes onto a new pallet.
    Drop(w.Form.get(), d, 0, pallets->viewport()->rect().bottomLeft() + QPoint(10, -5));
    QCOMPARE(Rows(w.Form.get(), "PalletsGrid"), 3);
    const QStringList dropped = Plan(d);
    QVERIFY(dropped != moved);

    // Ctrl+Z twice: back to the calculated plan, exactly; Ctrl+Shift+Z twice: forward.
    // (In a text box the keys undo the typing, as everywhere.)
    QVERIFY(editor->UndoAction()->isEnabled());
    QApplication::setActiveWindow(w.Form.get());
    pallets->setFocus();
    QTest::keyClick(w.Form.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Plan(d), moved);
    QTest::keyClick(w.Form.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Plan(d), calculated);
    QCOMPARE(Rows(w.Form.get(), "PalletsGrid"), 2);
    QCOMPARE(origin(), QStringLiteral("Раскладка: плотная укладка"));
    QVERIFY(!editor->UndoAction()->isEnabled());
    QTest::keyClick(w.Form.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(w.Form.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(Plan(d), dropped);
    QCOMPARE(w.Prompts.Asked.size(), 1);

    // The pallet of ten pinned (a mark in the list), then "Пересчитать…" by the normal
    // calculation: the pinned pallet stays, the rest is packed anew, the caption names the
    // calculation and still says the pinned pallet's hand edits, and Ctrl+Z brings them back.
    editor->SetPinned(full, true);
    QCOMPARE(Cell(w.Form.get(), "PalletsGrid", full, QStringLiteral("Закреплен")),
             QStringLiteral("закреплен"));
    const QString fullId = d.Pallets()->Value(full, QStringLiteral("id")).toString();
    const QStringList pinned = Plan(d);
    QVERIFY(w.Enabled("RecalculateButton"));
    w.Prompts.ChooseAnswers << 0;
    w.Click("RecalculateButton");
    QCOMPARE(w.Prompts.Asked.last().Call, QStringLiteral("Choose"));
    QCOMPARE(Rows(w.Form.get(), "PalletsGrid"), 2); // ten pinned, five packed anew
    QCOMPARE(w.Column("PalletsGrid", QStringLiteral("Закреплен")).count(QStringLiteral("закреплен")), 1);
    QVERIFY(d.OpenSql(QStringLiteral("select count(*) from Palletes where ID = ") + fullId)
                .value(0).value(0).toInt() == 1);
    pallets->setFocus();
    QCOMPARE(origin(), QStringLiteral("Раскладка: обычный расчет, изменена вручную"));
    QTest::keyClick(w.Form.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Plan(d), pinned);
    QCOMPARE(origin(), QStringLiteral("Раскладка: плотная укладка, изменена вручную"));
}

QTEST_MAIN(TstPlanEditor)
#include "tst_plan_editor.moc"
