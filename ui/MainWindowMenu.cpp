// The main window's menu commands and the New-order command (order intake).
#include "MainWindow.h"

#include "CalculationRunner.h"
#include "ColourList.h"
#include "DataModule.h"
#include "DispatchWindow.h"
#include "HelpWindow.h"

#include <QApplication>
#include "NewOrderCommand.h"
#include "OrderBrowser.h"
#include "OrderIntake.h"
#include "PalletPanel.h"
#include "Prompts.h"
#include "StartupServices.h"
#include "WindowWork.h"

#include <QCheckBox>
#include <QDir>
#include <QPushButton>

void TMainWindow::OnConnectionSettings() {
    if (FStartup)
        FStartup->OpenConnectionSettings();
}

void TMainWindow::OnColourDirectory() {
    RunCommand([this] {
        FData->OpenColours();
        TColourList directory(FData, FPrompts, this);
        directory.exec();
    });
}

void TMainWindow::OnClearArchive() {
    const auto answer = FPrompts->Confirm(
        this, QStringLiteral("Вы действительно хотите очистить все архивные таблицы? Данные по "
                             "ранее созданным заявкам и раскладкам будут удалены!"));
    if (answer != TPrompts::TAnswer::Ok)
        return;
    RunCommand([this] { FData->ClearArchive(); });
}

void TMainWindow::OnDispatch() {
    if (!FDispatch) {
        FDispatch = new TDispatchWindow(FData, FPrompts, this);
        // The pallet list's loaded marks follow the scans.
        connect(FDispatch, &TDispatchWindow::MarksChanged, this, [this](qlonglong AOrderId) {
            const QVariant shown = CurrentOrderValue(QStringLiteral("ID"));
            if (!FWork->Busy() && FBrowser->PositionsShown() && !shown.isNull() &&
                shown.toLongLong() == AOrderId)
                RunCommand([&] { ShowOrderDetails(shown.toString()); });
        });
    }
    FDispatch->Open();
}

THelpWindow* TMainWindow::HelpWindow() const {
    return THelpWindow::Of(this);
}

void TMainWindow::OnManual() {
    // The menu's item and its F1 alike: the page of the window in front.
    QWidget* front = QApplication::activeWindow();
    THelpWindow::ShowFor(front ? front : this);
}

void TMainWindow::OnAbout() {
    if (FStartup)
        FStartup->ShowAboutView();
}

TNewOrderDialog* TMainWindow::NewOrderDialog() {
    return FIntake->Dialog();
}

void TMainWindow::OnNewOrderClicked() {
    if (FWork->Busy())
        return;
    // Nothing may be printed from the grids until they show the new order's day.
    FPallets->DisablePrintCommands();
    const QString file =
        FPrompts->OpenFileName(this, QStringLiteral("Новая заявка"), TNewOrderCommand::FileFilter);
    if (file.isEmpty()) {
        OnNothingImported();
        return;
    }
    FIntake->Import(file);
}

void TMainWindow::OnNothingImported() {
    // The order shown may be printed again.
    RunCommand([this] { UpdateCommandButtons(); });
}

void TMainWindow::CreateIntake() {
    TOrderIntake::TWindowSide side;
    side.ShowFile = [this](const QString& AFile) {
        FBrowser->SetOrderFile(QDir::toNativeSeparators(AFile));
    };
    side.ShowStoredDay = [this](const QDate& ADay) { FBrowser->SetPickerDate(ADay); };
    const auto showDay = [this] { RefreshOrders(TOrderFilter::ByDate(FBrowser->PickerDate())); };
    side.ShowList = showDay;
    side.Unchanged = [this] { OnNothingImported(); };
    side.ShowError = [this](const QString& AText) { ShowError(AText); };
    side.AutoCalculation = [this] { return FAutoCalculation->isChecked(); };
    // The option "производить расчет автоматически": the stored order is calculated at
    // once, and the list read again at the picker's date once the run has ended.
    side.Calculate = [this, showDay](qlonglong AOrderId) {
        Calculate(AOrderId, [this, showDay] { RunCommand(showDay); });
    };
    side.EnableCalculation = [this] { FRunner->Button()->setEnabled(true); };
    side.Imported = [this](const QString& AFile) { FRecent.Add(AFile); };
    FIntake = new TOrderIntake(FData, FPrompts, FWork, FWorker, FRunner, this, std::move(side));
}
