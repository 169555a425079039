// The order browser of the main window: searches, the master-detail refresh of the
// four grids and the rules that enable the calculation and print buttons.
#include "MainWindow.h"

#include "CalculationRun.h"
#include "DataGrid.h"
#include "DataModule.h"
#include "FieldDateEdit.h"
#include "PalletBound.h"
#include "WorkingOrder.h"

#include <QDate>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

void TMainWindow::SearchByDate() {
    if (FCalcRunning)
        return;
    RunCommand([this] { RefreshOrders(FData->DateCondition(FSearchDate->date())); });
}

void TMainWindow::SearchByNumber() {
    if (FCalcRunning)
        return;
    // The typed text is a LIKE pattern: "%" and "_" act as wildcards, an apostrophe is
    // searched for as such because the whole pattern is quoted.
    RunCommand([this] { RefreshOrders(FData->NumberCondition(FSearchNumber->text())); });
}

int TMainWindow::DataSourceRowCount(const TStaticQueryModel* ADataSource) {
    return ADataSource ? ADataSource->RowCount() : 0;
}

QVariant TMainWindow::CurrentOrderValue(const QString& AField) const {
    return FData->QApplicates->Value(FOrdersGrid->CurrentRow(), AField);
}

QVariant TMainWindow::CurrentPalletValue(const QString& AField) const {
    return FData->QPallets->Value(FPalletsGrid->CurrentRow(), AField);
}

void TMainWindow::RefreshOrders(const QString& ACondition) {
    try {
        FData->RefreshOrderList(ACondition);
        if (DataSourceRowCount(FData->QApplicates) == 0) {
            // Nothing found: nothing of the order shown before may stay on screen, and
            // nothing may be calculated or printed.
            ClearOrderDetails();
            SetStatusText(QStringLiteral("Заявки не найдены"));
            return;
        }
        FOrdersGrid->SelectTopRow();
        ShowOrderDetails(CurrentOrderValue(QStringLiteral("ID")).toString());
    } catch (...) {
        // A list or details that could not be read are not shown half.
        ClearOrderDetails();
        SetStatusText(QString());
        throw;
    }
}

void TMainWindow::ClearOrderDetails() {
    FData->QSolutions->Close();
    FData->QPallets->Close();
    FData->QApplicPos->Close();
    FOrderNumberLabel->clear();
    FPalletsOrderLabel->clear();
    FPalletNumberLabel->clear();
    FPrintAllButton->setEnabled(false);
    FPrintPalletButton->setEnabled(false);
    FCalculateButton->setEnabled(false);
}

void TMainWindow::ShowTodayOrders() {
    if (FCalcRunning)
        return;
    FSearchDate->setDate(QDate::currentDate());
    RunCommand([this] { RefreshOrders(FData->TodayCondition()); });
}

void TMainWindow::ShowOrderDetails(const QString& AAppId) {
    FData->QSolutions->Close();
    // Nothing is printed from details that have not loaded: a failure below leaves no
    // order or pallet to print.
    FShownOrderId = QVariant();
    FShownOrderDate = QVariant();
    FShownPalletId = QVariant();
    FPrintAllButton->setEnabled(false);
    FPrintPalletButton->setEnabled(false);
    FData->QApplicPos->Close();
    FData->OpenApplicPos(AAppId);
    const QString number = CurrentOrderValue(QStringLiteral("Number")).toString();
    FOrderNumberLabel->setText(number);
    FPalletsOrderLabel->setText(number);
    FData->QPallets->Close();
    FData->OpenPallets(AAppId);
    // A calculated order's caption counts its pallets and the least number possible,
    // whenever and wherever it was calculated. A bound above the count means the
    // material's figures changed since: it no longer speaks of these pallets.
    const int pallets = DataSourceRowCount(FData->QPallets);
    if (pallets > 0) {
        const std::optional<qint64> bound =
            PalletBound::StoredOrderBound(FData->Connection(), AAppId.toLongLong());
        FPalletsOrderLabel->setText(
            number + QStringLiteral(" — ") +
            TCalculationRun::Caption(pallets, bound && *bound <= pallets ? *bound : -1));
    }
    // An order without pallets names no pallet.
    FPalletNumberLabel->clear();
    FShownOrderId = SqlRun::KeyValue(AAppId);
    FShownOrderDate = CurrentOrderValue(QStringLiteral("Date"));
    if (DataSourceRowCount(FData->QPallets) > 0)
        FPalletsGrid->SelectTopRow();
    ShowPalletContents();
    UpdateCommandButtons();
    // The status bar speaks of what is shown: the outcome of the last calculation
    // while its order is the current one, otherwise the list.
    const qlonglong id = AAppId.toLongLong();
    if (id != 0 && id == FLastCalcOrderId && !FLastCalcOutcome.isEmpty())
        SetStatusText(FLastCalcOutcome);
    else
        SetStatusText(
            QStringLiteral("Найдено заявок: %1").arg(DataSourceRowCount(FData->QApplicates)));
}

void TMainWindow::UpdateCommandButtons() {
    if (DataSourceRowCount(FData->QApplicates) == 0 || !FData->QApplicPos->IsOpen()) {
        FPrintAllButton->setEnabled(false);
        FPrintPalletButton->setEnabled(false);
        FCalculateButton->setEnabled(false);
        return;
    }
    const bool hasPallets = DataSourceRowCount(FData->QPallets) > 0;
    const QVariant id = CurrentOrderValue(QStringLiteral("ID"));
    // The calculation works on the order in the working tables; an archived order that
    // was never calculated cannot be, and a run would recalculate another order.
    FCalculateButton->setEnabled(!hasPallets && !id.isNull() && IsWorkingOrder(id.toString()));
    FPrintAllButton->setEnabled(hasPallets);
    FPrintPalletButton->setEnabled(DataSourceRowCount(FData->QSolutions) > 0);
}

bool TMainWindow::IsWorkingOrder(const QString& AAppId) const {
    return WorkingOrder::Holds(FData->Connection(), SqlRun::KeyValue(AAppId).toLongLong());
}

void TMainWindow::ShowPalletContents() {
    if (DataSourceRowCount(FData->QApplicates) == 0)
        return;
    FData->QSolutions->Close();
    FShownPalletId = QVariant();
    FPrintPalletButton->setEnabled(false);
    if (DataSourceRowCount(FData->QPallets) == 0)
        return;
    const QVariant order = CurrentOrderValue(QStringLiteral("ID"));
    const QVariant pallet = CurrentPalletValue(QStringLiteral("id"));
    const QVariant number = CurrentPalletValue(QStringLiteral("Number"));
    FPalletNumberLabel->setText(QString::number(qlonglong(number.toDouble())));
    FData->OpenSolutions(order, pallet);
    FShownPalletId = pallet;
    FPrintPalletButton->setEnabled(DataSourceRowCount(FData->QSolutions) > 0);
}

// The details follow the current row however it moves (click, arrow keys, Page Down):
// the print commands print what the details show.
void TMainWindow::OnOrderClicked(int) {
    if (FCalcRunning)
        return;
    RunCommand([this] {
        const QVariant id = CurrentOrderValue(QStringLiteral("ID"));
        if (id.isNull() || !id.isValid())
            return;
        FData->QSolutions->Close();
        ShowOrderDetails(id.toString());
    });
}

void TMainWindow::OnPalletClicked(int) {
    if (FCalcRunning)
        return;
    RunCommand([this] { ShowPalletContents(); });
}
