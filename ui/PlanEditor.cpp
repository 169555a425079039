#include "PlanEditor.h"

#include "DataGrid.h"
#include "DataModule.h"
#include "Errors.h"
#include "PalletPanel.h"
#include "Prompts.h"
#include "RussianNumbers.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDrag>
#include <QDropEvent>
#include <QFormLayout>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <limits>

const QString TPlanEditor::MimeType = QStringLiteral("application/x-gravelon-placement");

namespace {

const QString DragHint = QStringLiteral("Перетащите строку на поддон в списке поддонов (на "
                                        "свободное место списка — на новый поддон) или выберите "
                                        "«Переместить…» в ее меню");

} // namespace

TPlanEditor::TPlanEditor(TDataModule* AData, TPrompts* APrompts, TPalletPanel* APanel,
                         QWidget* AWindow)
    : QObject(APanel), FData(AData), FPrompts(APrompts), FPanel(APanel), FWindow(AWindow) {
    FUndo = new QAction(QStringLiteral("Отменить изменение раскладки"), this);
    FUndo->setObjectName(QStringLiteral("UndoPlanAction"));
    FUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    FRedo = new QAction(QStringLiteral("Повторить изменение раскладки"), this);
    FRedo->setObjectName(QStringLiteral("RedoPlanAction"));
    FRedo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    connect(FUndo, &QAction::triggered, this, &TPlanEditor::Undo);
    connect(FRedo, &QAction::triggered, this, &TPlanEditor::Redo);
    UpdateActions();

    TDataGrid* contents = FPanel->ContentsGrid();
    contents->setContextMenuPolicy(Qt::CustomContextMenu);
    contents->setToolTip(DragHint);
    connect(contents, &QWidget::customContextMenuRequested, this, &TPlanEditor::ShowMenu);
    contents->viewport()->installEventFilter(this);
    TDataGrid* pallets = FPanel->PalletsGrid();
    pallets->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(pallets, &QWidget::customContextMenuRequested, this, &TPlanEditor::ShowPalletMenu);
    pallets->setAcceptDrops(true);
    pallets->viewport()->setAcceptDrops(true);
    pallets->viewport()->installEventFilter(this);
}

qint64 TPlanEditor::ShownOrder() const {
    return FPanel->ShownOrder().Id.toLongLong();
}

void TPlanEditor::UpdateActions() {
    const qint64 order = ShownOrder();
    FUndo->setEnabled(!FDone.value(order).isEmpty());
    FRedo->setEnabled(!FUndone.value(order).isEmpty());
}

void TPlanEditor::Edit(const std::function<qint64()>& AEdit) {
    const qint64 order = ShownOrder();
    qint64 shownPallet = FPanel->ShownPalletId().toLongLong();
    try {
        const TPlanSnapshot before = PlanEdit::Snapshot(*FData, order);
        shownPallet = AEdit();
        FDone[order].append({before, PlanEdit::Snapshot(*FData, order)});
        FUndone.remove(order);
    } catch (const EOrderChanged& e) {
        FPrompts->Message(FWindow, TPrompts::TKind::Warning, e.Message());
    } catch (const EWorkCanceled&) {
        return; // the operator said no
    } catch (const EGravelonError& e) {
        FPrompts->Message(FWindow, TPrompts::TKind::Error, e.Message());
        UpdateActions();
        return;
    }
    emit PlanChanged(order, shownPallet);
    UpdateActions();
}

void TPlanEditor::MoveRow(int ARow, qint64 ACount, qint64 ATo) {
    const QVariant placement = FData->PalletContents()->Value(ARow, QStringLiteral("sid"));
    if (!placement.isValid())
        return;
    TPlanMove move;
    move.Order = ShownOrder();
    move.FromPallet = FPanel->ShownPalletId().toLongLong();
    move.Position = PlanEdit::PlacedPosition(*FData, placement.toLongLong());
    move.Count = ACount;
    move.ToPallet = ATo;
    // What the window shows now: an edit made elsewhere since is refused, not overwritten.
    move.SeenFrom = PlanEdit::Contents(*FData, move.FromPallet);
    move.SeenTo = ATo != 0 ? PlanEdit::Contents(*FData, ATo) : QString();
    Edit([&] {
        try {
            return PlanEdit::Move(*FData, move);
        } catch (const ELoadedPallets& e) {
            if (FPrompts->Confirm(FWindow, e.Message() + QStringLiteral(
                                                           "\n\nПереместить все же? Отметки о "
                                                           "погрузке этих поддонов будут сняты.")) !=
                TPrompts::TAnswer::Ok)
                throw EWorkCanceled(QString());
            move.AllowLoaded = true;
            return PlanEdit::Move(*FData, move);
        }
    });
}

void TPlanEditor::AskMove(int ARow) {
    const qint64 sheets = FData->PalletContents()->Value(ARow, QStringLiteral("Quantity")).toLongLong();
    if (sheets <= 0)
        return;
    const qint64 from = FPanel->ShownPalletId().toLongLong();
    QDialog dialog(FWindow);
    dialog.setObjectName(QStringLiteral("MoveDialog"));
    dialog.setWindowTitle(QStringLiteral("Переместить листы"));
    auto* form = new QFormLayout(&dialog);
    auto* count = new QSpinBox(&dialog);
    count->setObjectName(QStringLiteral("MoveCount"));
    count->setRange(1, int(qMin<qint64>(sheets, std::numeric_limits<int>::max())));
    count->setValue(count->maximum());
    form->addRow(QStringLiteral("Сколько листов:"), count);
    auto* target = new QComboBox(&dialog);
    target->setObjectName(QStringLiteral("MoveTarget"));
    QString colour;
    const QList<TPlanPallet> pallets = PlanEdit::Pallets(*FData, ShownOrder());
    for (const TPlanPallet& p : pallets)
        if (p.Id == from)
            colour = p.ColourCode;
    // Only pallets of the sheets' colour can take them.
    for (const TPlanPallet& p : pallets)
        if (p.Id != from && p.ColourCode == colour)
            target->addItem(QStringLiteral("Поддон %1 (%2 кг, %3)")
                                .arg(p.Number)
                                .arg(RussianNumbers::Kilograms(p.Weight),
                                     RussianNumbers::Count(p.Rows, "ряд", "ряда", "рядов")),
                            p.Id);
    target->addItem(QStringLiteral("Новый поддон"), qint64(0));
    form->addRow(QStringLiteral("Куда:"), target);
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* ok = buttons->addButton(QStringLiteral("Переместить"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("MoveButton"));
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("MoveCancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return;
    MoveRow(ARow, count->value(), target->currentData().toLongLong());
}

void TPlanEditor::Step(bool AUndo) {
    const qint64 order = ShownOrder();
    QList<TEdit>& from = AUndo ? FDone[order] : FUndone[order];
    if (from.isEmpty())
        return;
    const TEdit edit = from.takeLast();
    try {
        if (AUndo)
            PlanEdit::Restore(*FData, order, edit.After, edit.Before);
        else
            PlanEdit::Restore(*FData, order, edit.Before, edit.After);
        (AUndo ? FUndone : FDone)[order].append(edit);
    } catch (const EGravelonError& e) {
        // What was recorded no longer matches the tables: it can be neither undone nor
        // redone, and the rest of the record goes with it.
        FDone.remove(order);
        FUndone.remove(order);
        FPrompts->Message(FWindow, TPrompts::TKind::Warning, e.Message());
    }
    emit PlanChanged(order, FPanel->ShownPalletId().toLongLong());
    UpdateActions();
}

void TPlanEditor::Record(qint64 AOrder, const TPlanSnapshot& ABefore) {
    try {
        const TPlanSnapshot after = PlanEdit::Snapshot(*FData, AOrder);
        if (after != ABefore) {
            FDone[AOrder].append({ABefore, after});
            FUndone.remove(AOrder);
        }
    } catch (const EGravelonError&) {
        // Not readable now: the change is simply not undoable.
    }
    UpdateActions();
}

void TPlanEditor::Undo() {
    Step(true);
}

void TPlanEditor::Redo() {
    Step(false);
}

void TPlanEditor::ShowMenu(const QPoint& AAt) {
    TDataGrid* contents = FPanel->ContentsGrid();
    const int row = contents->QueryRow(contents->indexAt(AAt).row());
    if (row < 0)
        return;
    QMenu menu(contents);
    QAction* move = menu.addAction(QStringLiteral("Переместить…"));
    move->setObjectName(QStringLiteral("MoveRowAction"));
    if (menu.exec(contents->viewport()->mapToGlobal(AAt)) == move)
        AskMove(row);
}

void TPlanEditor::SetPinned(int ARow, bool APinned) {
    const qint64 pallet = FData->Pallets()->Value(ARow, QStringLiteral("id")).toLongLong();
    Edit([&] {
        PlanEdit::SetPinned(*FData, ShownOrder(), pallet, APinned);
        return pallet;
    });
}

void TPlanEditor::ShowPalletMenu(const QPoint& AAt) {
    TDataGrid* pallets = FPanel->PalletsGrid();
    const int row = pallets->QueryRow(pallets->indexAt(AAt).row());
    if (row < 0)
        return;
    const bool pinned = !FData->Pallets()->Value(row, QStringLiteral("pinned")).toString().isEmpty();
    QMenu menu(pallets);
    QAction* pin = menu.addAction(pinned ? QStringLiteral("Открепить")
                                         : QStringLiteral("Закрепить"));
    pin->setObjectName(QStringLiteral("PinPalletAction"));
    pin->setToolTip(QStringLiteral("Закрепленный поддон пересчет оставляет как есть"));
    if (menu.exec(pallets->viewport()->mapToGlobal(AAt)) == pin)
        SetPinned(row, !pinned);
}

void TPlanEditor::StartDrag(int ARow) {
    const QVariant placement = FData->PalletContents()->Value(ARow, QStringLiteral("sid"));
    auto* mime = new QMimeData;
    mime->setData(MimeType, placement.toString().toLatin1());
    TDataGrid* contents = FPanel->ContentsGrid();
    auto* drag = new QDrag(contents);
    drag->setMimeData(mime);
    // The row itself travels under the pointer.
    QRect row = contents->visualRect(contents->indexAt(FPress));
    row.setLeft(0);
    row.setRight(contents->viewport()->width() - 1);
    drag->setPixmap(contents->viewport()->grab(row));
    drag->setHotSpot(FPress - row.topLeft());
    drag->exec(Qt::MoveAction);
}

bool TPlanEditor::eventFilter(QObject* AWatched, QEvent* AEvent) {
    TDataGrid* contents = FPanel->ContentsGrid();
    TDataGrid* pallets = FPanel->PalletsGrid();
    if (AWatched == contents->viewport()) {
        if (AEvent->type() == QEvent::MouseButtonPress) {
            auto* e = static_cast<QMouseEvent*>(AEvent);
            FPress = e->position().toPoint();
            FPressRow = e->button() == Qt::LeftButton
                            ? contents->QueryRow(contents->indexAt(FPress).row())
                            : -1;
        } else if (AEvent->type() == QEvent::MouseMove && FPressRow >= 0) {
            auto* e = static_cast<QMouseEvent*>(AEvent);
            if ((e->buttons() & Qt::LeftButton) &&
                (e->position().toPoint() - FPress).manhattanLength() >=
                    QApplication::startDragDistance()) {
                const int row = FPressRow;
                FPressRow = -1;
                StartDrag(row);
                return true;
            }
        }
        return false;
    }
    if (AWatched != pallets->viewport())
        return false;
    switch (AEvent->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* e = static_cast<QDropEvent*>(AEvent);
        if (!e->mimeData()->hasFormat(MimeType))
            return false;
        e->setDropAction(Qt::MoveAction);
        e->accept();
        return true;
    }
    case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(AEvent);
        if (!e->mimeData()->hasFormat(MimeType))
            return false;
        e->acceptProposedAction();
        const qint64 placement = e->mimeData()->data(MimeType).toLongLong();
        const int onto = pallets->QueryRow(pallets->indexAt(e->position().toPoint()).row());
        const qint64 to =
            onto >= 0 ? FData->Pallets()->Value(onto, QStringLiteral("id")).toLongLong() : 0;
        if (to == FPanel->ShownPalletId().toLongLong())
            return true; // dropped back where it came from
        // The row dragged is one of the shown pallet's: all of its sheets go.
        for (int row = 0; row < FData->PalletContents()->RowCount(); ++row)
            if (FData->PalletContents()->Value(row, QStringLiteral("sid")).toLongLong() ==
                placement) {
                MoveRow(row, FData->PalletContents()->Value(row, QStringLiteral("Quantity"))
                                 .toLongLong(),
                        to);
                break;
            }
        return true;
    }
    default:
        return false;
    }
}
