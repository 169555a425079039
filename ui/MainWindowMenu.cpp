// The main window's menu commands and the New-order command (order intake).
#include "MainWindow.h"

#include "CalculationRunner.h"
#include "ColourList.h"
#include "DataModule.h"
#include "Errors.h"
#include "HelpWindow.h"
#include "NewOrderCommand.h"
#include "NewOrderDialog.h"
#include "OrderBrowser.h"
#include "PalletPanel.h"
#include "Prompts.h"
#include "StartupServices.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QScopeGuard>

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

void TMainWindow::OnManual() {
    if (!FHelp)
        FHelp = new THelpWindow(this);
    FHelp->ShowContents();
}

void TMainWindow::OnAbout() {
    if (FStartup)
        FStartup->ShowAboutView();
}

TNewOrderDialog* TMainWindow::NewOrderDialog() {
    if (!FNewOrderDialog)
        FNewOrderDialog = new TNewOrderDialog(*FData, *FPrompts, this);
    return FNewOrderDialog;
}

void TMainWindow::OnNewOrderClicked() {
    if (FRunner->Running() || FImportRunning)
        return;
    // Nothing may be printed from the grids until they show the new order's day.
    FPallets->DisablePrintCommands();
    const QString file =
        FPrompts->OpenFileName(this, QStringLiteral("Новая заявка"), TNewOrderCommand::FileFilter);
    if (file.isEmpty()) {
        // Nothing was imported: the order shown may be printed again.
        RunCommand([this] { UpdateCommandButtons(); });
        return;
    }
    FImportRunning = true;
    QString failure;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        ImportOrder(file);
    } catch (const EDatabaseRetry& e) {
        failure = e.Message(); // says what happened and that a retry will do
    } catch (const EDatabaseError& e) {
        // The database's own words come after a sentence of ours.
        failure = QStringLiteral("Команда «Новая заявка» не выполнена до конца: ошибка при "
                                 "работе с базой данных.\n") +
                  e.Message();
    } catch (const EGravelonError& e) {
        failure = e.Message();
    } catch (const std::exception& e) {
        failure = QString::fromLocal8Bit(e.what());
    }
    QApplication::restoreOverrideCursor();
    FImportRunning = false;
    // The error comes after the hourglass is gone, so the user reads it with an
    // ordinary cursor.
    if (!failure.isNull()) {
        ShowError(failure);
        // The previous order may have gone to the archive before the import failed: the
        // list is read again at the picker's date, as a finished import reads it, so that
        // the window shows what the tables now hold.
        RunCommand([this] { RefreshOrders(TOrderFilter::ByDate(FBrowser->PickerDate())); });
    }
}

void TMainWindow::ImportOrder(const QString& AFileName) {
    TNewOrderCommand command(*FData);
    FBrowser->SetOrderFile(QDir::toNativeSeparators(AFileName));
    // A calculation started by the import runs to its end before the list is
    // refreshed below; it disables and enables the window's commands itself.
    TOrderImportHooks hooks = NewOrderDialog()->WindowHooks(
        this, FAutoCalculation->isChecked(), [this](qlonglong AOrderId) { Calculate(AOrderId); },
        [this] { FRunner->Button()->setEnabled(true); });
    // The import's own messages are read with the ordinary cursor, as the dialog is.
    hooks.ShowMessage = [show = hooks.ShowMessage](TOrderImportHooks::TMessageKind AKind,
                                                   const QString& AText) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        show(AKind, AText);
    };
    const TImportResult result = command.Import(AFileName, hooks);
    // When the import stored no order (cancelled, refused) the previous order is
    // still the working one and the picker keeps its date.
    const QDate latest = command.LatestOrderDate();
    if (result.Outcome == TImportResult::TOutcome::Stored && latest.isValid())
        FBrowser->SetPickerDate(latest);
    RefreshOrders(command.RefreshFilter(FBrowser->PickerDate()));
}
