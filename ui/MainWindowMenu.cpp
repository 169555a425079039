// The main window's menu commands, the new-order command (order intake) and the print
// commands (layout export).
#include "MainWindow.h"

#include "ColourList.h"
#include "DataGrid.h"
#include "DataModule.h"
#include "Errors.h"
#include "FieldDateEdit.h"
#include "HelpWindow.h"
#include "LayoutExport.h"
#include "LayoutFileName.h"
#include "NewOrderCommand.h"
#include "NewOrderDialog.h"
#include "OrderHeader.h"
#include "Prompts.h"
#include "SettingsLocation.h"
#include "StartupServices.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>

namespace {

// The print commands' save dialog: workbooks first, then any file.
const QString LayoutFileFilter = QStringLiteral("Таблицы (*.xls *.xlsx);;Все файлы (*)");

} // namespace

void TMainWindow::OnConnectionSettings() {
    if (FStartup)
        FStartup->OpenConnectionSettings();
}

void TMainWindow::OnColourDirectory() {
    RunCommand([this] {
        FData->OpenColors();
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

void TMainWindow::SetOpenFile(std::function<void(const QString&)> AOpenFile) {
    FOpenFile = std::move(AOpenFile);
}

void TMainWindow::OnNewOrderClicked() {
    if (FCalcRunning || FImportRunning)
        return;
    // Nothing may be printed from the grids until they show the new order's day.
    FPrintAllButton->setEnabled(false);
    FPrintPalletButton->setEnabled(false);
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
        RunCommand([this] { RefreshOrders(FData->DateCondition(FSearchDate->date())); });
    }
}

void TMainWindow::ImportOrder(const QString& AFileName) {
    TNewOrderCommand command(*FData);
    FOrderFilePath->setText(QDir::toNativeSeparators(AFileName));
    // A calculation started by the import runs to its end before the list is
    // refreshed below; it disables and enables the window's commands itself.
    TOrderImportHooks hooks = NewOrderDialog()->WindowHooks(
        this, FAutoCalculation->isChecked(), [this] { CheckProgress(OrderHeader.OrderID); },
        [this] { FCalculateButton->setEnabled(true); });
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
        FSearchDate->setDate(latest);
    RefreshOrders(command.RefreshCondition(FSearchDate->date()));
}

void TMainWindow::OnPrintAllClicked() {
    PrintLayouts(QStringLiteral("1"));
}

void TMainWindow::OnPrintPalletClicked() {
    PrintLayouts(QStringLiteral("2"));
}

void TMainWindow::PrintLayouts(const QString& AMode) {
    if (FCalcRunning || FImportRunning)
        return;
    const QString file =
        AskSaveName(QStringLiteral("Сохранить раскладки"), LayoutFileFilter,
                    TLayoutFileName::WorkbookSuffix, AMode == QLatin1String("2"), FLastSaveName);
    if (file.isEmpty())
        return;
    FLastSaveName = file;
    ExportLayouts(file, AMode);
}

QString TMainWindow::AskSaveName(const QString& ACaption, const QString& AFilter,
                                 const QString& ASuffix, bool ASinglePallet,
                                 const QString& ALastName) {
    // The dialog proposes a name made of the order on screen, in the folder saved to
    // last; a name typed without a suffix gets the command's.
    const int pallet = FPalletNumberLabel->text().trimmed().toInt();
    const QString proposed = TLayoutFileName::Proposed(FOrderNumberLabel->text(), FShownOrderDate,
                                                       ASinglePallet ? pallet : -1, ASuffix);
    QString folder = QFileInfo(ALastName).absolutePath();
    if (ALastName.isEmpty() || !QFileInfo(folder).isDir()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (folder.isEmpty() || !QFileInfo(folder).isDir())
            folder = QDir::homePath();
    }
    QString file = FPrompts->SaveFileName(this, ACaption, AFilter, QDir(folder).filePath(proposed));
    if (file.isEmpty())
        return QString();
    file = TLayoutFileName::WithSuffix(file, ASuffix);
    // The file may be a note already handed out: it is replaced only when the user says
    // so, asked here alone (the dialog asks nothing), about the name really written.
    const QFileInfo target(file);
    if (target.exists() && !target.isDir() &&
        FPrompts->Confirm(this, QStringLiteral("Файл «%1» уже существует. Заменить его?")
                                    .arg(QDir::toNativeSeparators(file))) != TPrompts::TAnswer::Ok)
        return QString();
    return file;
}

QList<qlonglong> TMainWindow::ShownPallets() const {
    QList<qlonglong> shown;
    for (int row = 0; row < FData->QPallets->RowCount(); ++row)
        shown << FData->QPallets->Value(row, QStringLiteral("id")).toLongLong();
    return shown;
}

void TMainWindow::ExportLayouts(const QString& AFileName, const QString& AMode) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool busy = true;
    auto idle = [&busy] {
        if (busy) {
            busy = false;
            QApplication::restoreOverrideCursor();
        }
    };
    const auto restore = qScopeGuard(idle);

    TExportCallbacks cb;
    cb.ShowPanel = [this] {
        // Where a calculation shows it: centred over the window.
        FProgressPanel->move((width() - FProgressPanel->width()) / 2,
                             (height() - FProgressPanel->height()) / 2);
        FProgressPanel->show();
        FProgressPanel->raise();
        FProgressPanel->repaint();
    };
    cb.SetProgressMaximum = [this](int AMax) {
        // An order without pallets gives 0 steps, and a 0..0 range would turn the bar
        // into a busy indicator; it starts empty whatever a calculation left in it.
        FProgressBar->setRange(0, qMax(1, AMax));
        FProgressBar->setValue(0);
        FProgressBar->repaint();
    };
    cb.StepProgress = [this] {
        FProgressBar->setValue(FProgressBar->value() + 1);
        FProgressBar->repaint();
    };
    cb.ResetProgress = [this] { FProgressBar->setValue(0); };
    cb.HidePanel = [this] { FProgressPanel->hide(); };
    cb.ShowMessage = [this, &idle](TExportCallbacks::TMessageKind AKind, const QString& AText) {
        // The user reads the outcome with the ordinary cursor.
        idle();
        FPrompts->Message(this,
                          AKind == TExportCallbacks::TMessageKind::Information
                              ? TPrompts::TKind::Information
                              : TPrompts::TKind::Plain,
                          AText);
    };
    cb.OpenFile = [this](const QString& AFile) {
        if (FOpenFile)
            FOpenFile(AFile);
    };

    // What the pallet list shows: the export refuses an order that no longer has
    // these pallets, and the window then shows the order as it now is.
    const TExportSelection selection = ShownSelection(AMode == QLatin1String("2"));
    TLayoutExport exporter(*FData, GravelonSettings::ProgramFolder(), cb);
    exporter.RequireShownPallets(ShownPallets());
    exporter.ExportLayouts(AFileName, AMode, selection);
    if (exporter.OrderChanged())
        RunCommand([&] { RefreshOrders(FData->IdCondition(selection.OrderId.toLongLong())); });
}

// What the details show, whatever row the grids have moved to since.
TExportSelection TMainWindow::ShownSelection(bool ASinglePallet) const {
    TExportSelection selection;
    selection.OrderId = FShownOrderId;
    if (ASinglePallet) {
        selection.PalletId = FShownPalletId;
        selection.PalletNumberText = FPalletNumberLabel->text();
    }
    return selection;
}
