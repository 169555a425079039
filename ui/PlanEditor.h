#pragma once

#include "PlanEdit.h"

#include <QHash>
#include <QObject>
#include <QPoint>
#include <functional>
#include <QVariant>

class QAction;
class TDataModule;
class TPalletPanel;
class TPrompts;

// The operator's hand on the shown plan: a contents row's sheets moved to another pallet
// of their colour or onto a new one, by "Переместить…" in the row's menu (how many, and
// where) or by dragging the row onto a pallet of the pallet list (its free part: a new
// pallet); and the edits of each order undone and redone, since the program started.
// The rules are PlanEdit's; a refusal is shown with its reason and changes nothing.
class TPlanEditor : public QObject {
    Q_OBJECT
public:
    TPlanEditor(TDataModule* AData, TPrompts* APrompts, TPalletPanel* APanel, QWidget* AWindow);

    QAction* UndoAction() const { return FUndo; }
    QAction* RedoAction() const { return FRedo; }
    // Moves ACount sheets of the shown pallet's contents row ARow to the pallet with key
    // ATo (0: a new pallet).
    void MoveRow(int ARow, qint64 ACount, qint64 ATo);
    // "Переместить…" for the contents row ARow: asks how many and where.
    void AskMove(int ARow);
    // "Закрепить" / "Открепить" for the pallet list's row ARow.
    void SetPinned(int ARow, bool APinned);
    void Undo();
    void Redo();
    // A change made elsewhere in the window (a recalculation) from ABefore, recorded for
    // undo when it changed the plan.
    void Record(qint64 AOrder, const TPlanSnapshot& ABefore);
    // The undo and redo items as the shown order allows.
    void UpdateActions();

    // The drag of a contents row carries its placement's key in this format.
    static const QString MimeType;

signals:
    // The plan of AOrder changed (or was found changed): the window shows it again, with
    // the pallet APallet when it still exists.
    void PlanChanged(qlonglong AOrder, qlonglong APallet);

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
    struct TEdit {
        TPlanSnapshot Before;
        TPlanSnapshot After;
    };
    qint64 ShownOrder() const;
    // Runs AEdit and records it for undo; a refusal is shown, a plan changed elsewhere
    // is shown as it now is.
    void Edit(const std::function<qint64()>& AEdit);
    void Step(bool AUndo);
    void StartDrag(int ARow);
    void ShowMenu(const QPoint& AAt);
    void ShowPalletMenu(const QPoint& AAt);

    TDataModule* FData;
    TPrompts* FPrompts;
    TPalletPanel* FPanel;
    QWidget* FWindow;
    QAction* FUndo;
    QAction* FRedo;
    QHash<qint64, QList<TEdit>> FDone;
    QHash<qint64, QList<TEdit>> FUndone;
    QPoint FPress;
    int FPressRow = -1;
};
