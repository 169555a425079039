#include "CalculationRunner.h"

#include "CalculationEngine.h"
#include "CalculationRun.h"
#include "DataModule.h"
#include "Errors.h"
#include "Prompts.h"
#include "WorkingOrder.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

namespace {

QFont PanelFont() {
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(16);
    return f;
}

} // namespace

TCalculationRunner::TCalculationRunner(TDataModule* AData, TPrompts* APrompts, QWidget* AWindow)
    : QObject(AWindow), FData(AData), FPrompts(APrompts), FWindow(AWindow) {
    setObjectName(QStringLiteral("CalculationRunner"));
    FButton = new QPushButton(QStringLiteral("Расчет поддонов"), AWindow);
    FButton->setObjectName(QStringLiteral("CalculateButton"));
    FButton->setMinimumSize(150, 34);
    FButton->setEnabled(false);
    // A click leaves the keyboard where it was: the button is disabled at once and
    // would otherwise hand the focus to whatever comes next.
    FButton->setFocusPolicy(Qt::TabFocus);

    FPanel = new QFrame(AWindow);
    FPanel->setObjectName(QStringLiteral("ProgressPanel"));
    FPanel->setFrameShape(QFrame::Panel);
    FPanel->setFrameShadow(QFrame::Raised);
    FPanel->setLineWidth(2);
    FPanel->setAutoFillBackground(true);
    FPanel->setFixedSize(440, 127);
    auto* v = new QVBoxLayout(FPanel);
    v->setContentsMargins(5, 5, 5, 5);
    v->setSpacing(2);
    FStage = new QLabel(QStringLiteral("Выгрузка раскладок"), FPanel);
    FStage->setObjectName(QStringLiteral("ProgressStage"));
    FStage->setFont(PanelFont());
    v->addWidget(FStage);
    FBar = new QProgressBar(FPanel);
    FBar->setObjectName(QStringLiteral("ProgressBar"));
    FBar->setFixedHeight(27);
    FBar->setTextVisible(false);
    v->addWidget(FBar);
    FTime = new QLabel(QStringLiteral("Прошло времени: 0 мин."), FPanel);
    FTime->setObjectName(QStringLiteral("ProgressTime"));
    FTime->setFont(PanelFont());
    v->addWidget(FTime);
    FCancelButton = new QPushButton(QStringLiteral("Прервать"), FPanel);
    FCancelButton->setObjectName(QStringLiteral("CancelCalculationButton"));
    FCancelButton->setFont(PanelFont());
    FCancelButton->setFixedHeight(31);
    v->addWidget(FCancelButton);
    FPanel->hide();
    connect(FCancelButton, &QPushButton::clicked, this, &TCalculationRunner::Cancel);
}

void TCalculationRunner::Run(qlonglong AShownOrder, bool ADense) {
    if (FRunning)
        return;
    FButton->setEnabled(false);
    FCanceled = false;
    FFinished = false;
    FStartTime = QDateTime::currentDateTime();
    FCancelButton->setEnabled(true);
    FRunning = true;
    emit Started();
    Lock(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);

    QString outcome;
    QString failure;
    QString changed;
    FLastOrderId = 0;
    FLastOutcome.clear();
    try {
        // The run calculates the order of the working tables; its outcome is told
        // while that order is the one shown.
        FLastOrderId = WorkingOrder::Id(FData->Connection());
        Progress(QStringLiteral("Подготовка расчета"), 0, 6);
        TCalculationRun run(FData->Connection(),
                            ADense ? TCalculationMode::Dense : TCalculationMode::Memory);
        run.OnProgress = [this](const QString& AStage, int APosition, int AMax) {
            Progress(AStage, APosition, AMax);
        };
        run.OnCancel = [this] { return Canceled(); };
        run.SetShownOrder(AShownOrder);
        run.Execute();
        outcome = QStringLiteral("Расчет завершен");
    } catch (const ECalculationCanceled&) {
        outcome = FFinished ? QStringLiteral("Расчет завершен") : QStringLiteral("Расчет прерван");
    } catch (const EOrderChanged& e) {
        // Not a failure of the calculation: the list is shown afresh after the run.
        outcome = QStringLiteral("Расчет не выполнен");
        changed = e.Message();
    } catch (const EGravelonError& e) {
        outcome = QStringLiteral("Ошибка расчета");
        failure = e.Message();
    } catch (const std::exception& e) {
        outcome = QStringLiteral("Ошибка расчета");
        failure = QString::fromLocal8Bit(e.what());
    }
    emit Status(outcome);

    FLastOutcome = outcome;
    FPanel->hide();
    FButton->setEnabled(true);
    QApplication::restoreOverrideCursor();
    FRunning = false;
    Lock(false);
    QCoreApplication::processEvents();
    // The box comes after the panel and the hourglass are gone, so the user reads it
    // with an ordinary cursor.
    if (!failure.isNull())
        FPrompts->Message(FWindow, TPrompts::TKind::Error,
                          QStringLiteral("Ошибка расчета: ") + failure);
    if (!changed.isNull())
        FPrompts->Message(FWindow, TPrompts::TKind::Plain, changed);
    if (FCloseAfterRun) {
        FCloseAfterRun = false;
        QTimer::singleShot(0, FWindow, &QWidget::close);
    }
}

void TCalculationRunner::Lock(bool ALocked) {
    if (ALocked) {
        for (QWidget* w : FLocked) {
            if (w->isEnabled()) {
                w->setEnabled(false);
                FUnlockAfterRun << w;
            }
        }
        return;
    }
    for (const QPointer<QWidget>& w : FUnlockAfterRun) {
        if (w)
            w->setEnabled(true);
    }
    FUnlockAfterRun.clear();
}

void TCalculationRunner::Progress(const QString& AStage, int APosition, int AMax) {
    if (AMax > 0 && APosition >= AMax)
        FFinished = true;
    Centre();
    FPanel->show();
    FPanel->raise();
    FBar->show();
    FBar->setRange(0, AMax);
    FBar->setValue(APosition);
    FStage->setText(AStage);
    const qint64 minutes = FStartTime.secsTo(QDateTime::currentDateTime()) / 60;
    FTime->setText(QStringLiteral("Прошло времени: %1 мин.").arg(minutes));
    emit Status(AStage);
    FPanel->repaint();
    FBar->repaint();
    FTime->repaint();
    QCoreApplication::processEvents();
}

void TCalculationRunner::Cancel() {
    FCanceled = true;
    FCancelButton->setEnabled(false);
    FStage->setText(QStringLiteral("Прерывание расчета..."));
    emit Status(QStringLiteral("Прерывание расчета..."));
    FPanel->repaint();
    QCoreApplication::processEvents();
}

void TCalculationRunner::Centre() {
    FPanel->move((FWindow->width() - FPanel->width()) / 2,
                 (FWindow->height() - FPanel->height()) / 2);
}

void TCalculationRunner::ShowPanel() {
    // Where a calculation shows it: centred over the window.
    Centre();
    FPanel->show();
    FPanel->raise();
    FPanel->repaint();
}

void TCalculationRunner::SetProgressMaximum(int AMax) {
    // An order without pallets gives 0 steps, and a 0..0 range would turn the bar into
    // a busy indicator; it starts empty whatever a calculation left in it.
    FBar->setRange(0, qMax(1, AMax));
    FBar->setValue(0);
    FBar->repaint();
}

void TCalculationRunner::StepProgress() {
    FBar->setValue(FBar->value() + 1);
    FBar->repaint();
}

void TCalculationRunner::ResetProgress() {
    FBar->setValue(0);
}

void TCalculationRunner::HidePanel() {
    FPanel->hide();
}
