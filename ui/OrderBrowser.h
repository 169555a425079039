#pragma once

#include <QDate>
#include <QVariant>
#include <QWidget>

#include "ShownOrder.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TDataGrid;
class TDataModule;
class TFieldDateEdit;
struct TOrderFilter;

// One part of the main window: the search by date or number, the new-order field and
// button, the order list and the positions of the current order, with their captions.
// The window decides what follows a search or a move to another order; the browser
// reads and shows its own grids.
class TOrderBrowser : public QWidget {
    Q_OBJECT
public:
    TOrderBrowser(TDataModule* AData, QWidget* AParent);

    // Reads the orders AFilter selects and makes the first current; false when
    // nothing was found.
    bool LoadOrders(const TOrderFilter& AFilter);
    int OrderCount() const;
    // A field of the current order (invalid without a current row).
    QVariant CurrentOrderValue(const QString& AField) const;
    // The current order as the pallet panel shows it.
    TShownOrder CurrentOrder() const;
    // The positions of an order and its number in the caption.
    void ShowPositions(const QString& AOrderId, const QString& ANumber);
    void ClearPositions();
    bool PositionsShown() const;

    QDate PickerDate() const;
    void SetPickerDate(const QDate& ADate);
    QString SearchText() const;
    void SetOrderFile(const QString& AFile);
    TDataGrid* OrdersGrid() const { return FOrdersGrid; }
    // What a running calculation switches off, for it may not use the connection.
    QList<QWidget*> CommandsLockedByRun() const;

signals:
    void SearchByDateRequested();
    void SearchByNumberRequested();
    void NewOrderRequested();
    // A click on a row or a move of the current row, however made.
    void OrderRowChosen();

private:
    TDataModule* FData;
    TFieldDateEdit* FSearchDate;
    QToolButton* FSearchByDateButton;
    QLineEdit* FSearchNumber;
    QToolButton* FSearchByNumberButton;
    QLineEdit* FOrderFilePath;
    QPushButton* FNewOrderButton;
    TDataGrid* FOrdersGrid;
    TDataGrid* FPositionsGrid;
    QLabel* FOrderNumberLabel;
};
