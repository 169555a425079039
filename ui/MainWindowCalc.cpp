// The calculation run of the main window: one run of the pallet calculation on the
// data module's connection, with the progress panel, cancelling and the outcome.
#include "MainWindow.h"

#include "CalculationRun.h"
#include "DataGrid.h"
#include "DataModule.h"
#include "Prompts.h"
#include "WorkingOrder.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

void TMainWindow::OnCalculateClicked() {
    if (FCalcRunning)
        return;
    if (!FData->QApplicates->IsOpen() || FOrdersGrid->CurrentRow() < 0)
        return;
    const QVariant id = CurrentOrderValue(QStringLiteral("ID"));
    const QString key = id.isNull() ? QString() : id.toString();
    CheckProgress(key.toLongLong());
    // After every run, whatever its outcome, the order is shown again with the pallets
    // the tables now hold.
    if (!key.isEmpty())
        RunCommand([&] { RefreshOrders(FData->IdCondition(key.toLongLong())); });
}

void TMainWindow::SetCommandsEnabled(bool AEnabled) {
    if (!AEnabled) {
        // Commands that would use the connection inside the run's transaction (or
        // close it) wait for the run to end.
        for (QWidget* w : std::initializer_list<QWidget*>{menuBar(), FSearchByDateButton,
                                                          FSearchByNumberButton, FNewOrderButton}) {
            if (w->isEnabled()) {
                w->setEnabled(false);
                FDisabledDuringRun << w;
            }
        }
        return;
    }
    for (const QPointer<QWidget>& w : FDisabledDuringRun) {
        if (w)
            w->setEnabled(true);
    }
    FDisabledDuringRun.clear();
}

void TMainWindow::CheckProgress(qlonglong AShownOrder) {
    if (FCalcRunning)
        return;
    FPrintAllButton->setEnabled(false);
    FPrintPalletButton->setEnabled(false);
    FCalculateButton->setEnabled(false);
    FCalcCanceled = false;
    FCalcFinished = false;
    FCalcStartTime = QDateTime::currentDateTime();
    FCancelCalculationButton->setEnabled(true);
    FCalcRunning = true;
    SetCommandsEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);

    QString failure;
    FLastCalcOrderId = 0;
    FLastCalcOutcome.clear();
    QString changed;
    try {
        // The run calculates the order of the working tables; its outcome is told
        // while that order is the one shown.
        FLastCalcOrderId = WorkingOrder::Id(FData->Connection());
        CalcProgress(QStringLiteral("Подготовка расчета"), 0, 6);
        TCalculationRun run(FData->Connection(), FDensePacking->isChecked()
                                                     ? TCalculationMode::Dense
                                                     : TCalculationMode::Memory);
        run.OnProgress = [this](const QString& AStage, int APosition, int AMax) {
            CalcProgress(AStage, APosition, AMax);
        };
        run.OnCancel = [this] { return CalcCanceled(); };
        run.SetShownOrder(AShownOrder);
        run.Execute();
        SetStatusText(QStringLiteral("Расчет завершен"));
    } catch (const ECalculationCanceled&) {
        if (FCalcFinished)
            SetStatusText(QStringLiteral("Расчет завершен"));
        else
            SetStatusText(QStringLiteral("Расчет прерван"));
    } catch (const EOrderChanged& e) {
        // Not a failure of the calculation: the list is shown afresh after the run.
        SetStatusText(QStringLiteral("Расчет не выполнен"));
        changed = e.Message();
    } catch (const EGravelonError& e) {
        SetStatusText(QStringLiteral("Ошибка расчета"));
        failure = e.Message();
    } catch (const std::exception& e) {
        SetStatusText(QStringLiteral("Ошибка расчета"));
        failure = QString::fromLocal8Bit(e.what());
    }

    FLastCalcOutcome = StatusText();
    FProgressPanel->hide();
    FCalculateButton->setEnabled(true);
    QApplication::restoreOverrideCursor();
    FCalcRunning = false;
    SetCommandsEnabled(true);
    QCoreApplication::processEvents();
    // The box comes after the panel and the hourglass are gone, so the user reads it
    // with an ordinary cursor.
    if (!failure.isNull())
        FPrompts->Message(this, TPrompts::TKind::Error,
                          QStringLiteral("Ошибка расчета: ") + failure);
    if (!changed.isNull())
        FPrompts->Message(this, TPrompts::TKind::Plain, changed);
    if (FCloseAfterRun) {
        FCloseAfterRun = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

void TMainWindow::CalcProgress(const QString& AStage, int APosition, int AMax) {
    if (AMax > 0 && APosition >= AMax)
        FCalcFinished = true;
    FProgressPanel->move((width() - FProgressPanel->width()) / 2,
                         (height() - FProgressPanel->height()) / 2);
    FProgressPanel->show();
    FProgressPanel->raise();
    FProgressBar->show();
    FProgressBar->setRange(0, AMax);
    FProgressBar->setValue(APosition);
    FProgressStage->setText(AStage);
    const qint64 minutes = FCalcStartTime.secsTo(QDateTime::currentDateTime()) / 60;
    FProgressTime->setText(QStringLiteral("Прошло времени: %1 мин.").arg(minutes));
    SetStatusText(AStage);
    FProgressPanel->repaint();
    FProgressBar->repaint();
    FProgressTime->repaint();
    QCoreApplication::processEvents();
}

void TMainWindow::OnCancelCalculationClicked() {
    FCalcCanceled = true;
    FCancelCalculationButton->setEnabled(false);
    FProgressStage->setText(QStringLiteral("Прерывание расчета..."));
    SetStatusText(QStringLiteral("Прерывание расчета..."));
    FProgressPanel->repaint();
    QCoreApplication::processEvents();
}
