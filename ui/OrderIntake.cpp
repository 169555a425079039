#include "OrderIntake.h"

#include "CalculationRunner.h"
#include "DataModule.h"
#include "Errors.h"
#include "NewOrderCommand.h"
#include "NewOrderDialog.h"
#include "OrderWorkbook.h"
#include "WindowWork.h"
#include "WorkerThread.h"

#include <QApplication>
#include <QScopeGuard>

TOrderIntake::TOrderIntake(TDataModule* AData, TPrompts* APrompts, TWindowWork* AWork,
                           TWorkerThread* AWorker, TCalculationRunner* AProgress,
                           QWidget* AWindow, TWindowSide ASide)
    : QObject(AWindow), FData(AData), FPrompts(APrompts), FWork(AWork), FWorker(AWorker),
      FProgress(AProgress), FWindow(AWindow), FSide(std::move(ASide)) {}

TNewOrderDialog* TOrderIntake::Dialog() {
    if (!FDialog)
        FDialog = new TNewOrderDialog(*FData, *FPrompts, FWindow);
    return FDialog;
}

void TOrderIntake::RenewDialog() {
    if (FWork->Kind() == TWindowWork::TKind::Import)
        return;
    delete FDialog;
    FDialog = new TNewOrderDialog(*FData, *FPrompts, FWindow);
}

void TOrderIntake::Import(const QString& AFile) {
    if (!FWork->Begin(TWindowWork::TKind::Import))
        return;
    FSide.ShowFile(AFile);
    // A large workbook is read without stopping the window.
    FProgress->ShowPanel(QStringLiteral("Чтение заявки"), false);
    FFile = AFile;
    auto sheet = std::make_shared<TOrderSheetChoice>();
    FWorker->Start([AFile, sheet](TDataModule&) { *sheet = TOrderWorkbook::Read(AFile); },
                   [this, sheet](std::exception_ptr AFailure) {
                       FProgress->HidePanel();
                       // The long part is over: the operator is wanted at the dialog.
                       FWork->Report(AFailure ? QStringLiteral("Книга не прочитана")
                                              : QStringLiteral("Книга прочитана, заполните "
                                                               "заявку"));
                       Dialog()->SetSheetNote(AFailure ? QString() : sheet->Note());
                       Finish(AFailure, sheet->Values);
                   });
}

void TOrderIntake::Finish(std::exception_ptr AReadFailure, const TSheetValues& AValues) {
    QString failure;
    qlonglong calculate = 0;
    try {
        if (AReadFailure)
            std::rethrow_exception(AReadFailure);
        calculate = Store(AValues);
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
    FWork->End();
    // The error comes after the hourglass is gone, so the user reads it with an
    // ordinary cursor.
    // A failed import changed nothing (the order is stored in one transaction, the
    // previous one archived in it): the window stays as the operator had it.
    if (!failure.isNull()) {
        FSide.ShowError(failure);
        FSide.Unchanged();
        return;
    }
    if (calculate != 0)
        FSide.Calculate(calculate);
}

qlonglong TOrderIntake::Store(const TSheetValues& AValues) {
    TNewOrderCommand command(*FData);
    qlonglong calculate = 0;
    TOrderImportHooks hooks = Dialog()->WindowHooks(
        FWindow, FSide.AutoCalculation(),
        [&calculate](qlonglong AOrderId) { calculate = AOrderId; }, FSide.EnableCalculation);
    // The import's own messages are read with the ordinary cursor, as the dialog is.
    hooks.ShowMessage = [show = hooks.ShowMessage](TOrderImportHooks::TMessageKind AKind,
                                                   const QString& AText) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        show(AKind, AText);
    };
    // The order is stored on the worker thread while the dialog waits, greyed.
    hooks.RunStore = [this](const std::function<void(TDataModule&)>& AStore) {
        Dialog()->setEnabled(false);
        const auto enable = qScopeGuard([this] { Dialog()->setEnabled(true); });
        FWorker->RunAndWait(AStore);
    };
    const TImportResult result = command.ImportSheet(AValues, hooks);
    // When the import stored no order (cancelled, refused) nothing changed: the list,
    // the picker's date and the order shown stay as they were.
    if (result.Outcome != TImportResult::TOutcome::Stored) {
        FSide.Unchanged();
        return calculate;
    }
    if (FSide.Imported)
        FSide.Imported(FFile);
    const QDate latest = command.LatestOrderDate();
    if (latest.isValid())
        FSide.ShowStoredDay(latest);
    FSide.ShowList();
    return calculate;
}
