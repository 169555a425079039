#pragma once

#include "PalletDispatch.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class TDataModule;
class TPrompts;

// "Отгрузка": the loader scans each pallet's label at the gate (a hand scanner types
// the code and Enter into the scan field). The first pallet scanned names the order
// being loaded; its pallets are listed loaded or not with "Погружено N из M", and every
// scan is answered at once, loud: green when loaded, amber when it already was, red
// with a beep for a pallet of another order and a stale or unknown code. A mark can be
// taken off again, after a question. The checks and marks are the data layer's
// (TPalletDispatch); this window only shows them.
class TDispatchWindow : public QWidget {
    Q_OBJECT
public:
    TDispatchWindow(TDataModule* AData, TPrompts* APrompts, QWidget* AParent);

    // Takes ACode as if it was scanned.
    void Scan(const QString& ACode);
    // The order being loaded, 0 before the first scan.
    qlonglong LoadingOrder() const { return FOrder.Id; }
    // Shows the scan field empty with the keyboard in it.
    void Open();

signals:
    // Marks of the order changed: the main window shows its pallets afresh.
    void MarksChanged(qlonglong AOrderId);

private slots:
    void OnScanEntered();
    void OnUndoClicked();
    void OnOtherOrderClicked();

private:
    enum class TTone { Neutral, Good, Repeated, Refused };
    void Tell(TTone ATone, const QString& AText);
    void ShowOrder(const TDispatchOrder& AOrder);
    void Reload();
    void RunGuarded(const std::function<void()>& AAction);

    TDataModule* FData;
    TPrompts* FPrompts;
    TPalletDispatch FDispatch;
    TDispatchOrder FOrder;
    QLineEdit* FScan;
    QLabel* FVerdict;
    QLabel* FOrderLabel;
    QLabel* FCounter;
    QTableWidget* FPallets;
    QPushButton* FUndo;
    QPushButton* FOtherOrder;
};
