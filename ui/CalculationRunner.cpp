#include "CalculationRunner.h"

#include "CalculationEngine.h"
#include "CalculationRun.h"
#include "DataModule.h"
#include "Errors.h"
#include "Prompts.h"
#include "WindowWork.h"
#include "WorkerThread.h"
#include "WorkingOrder.h"

#include <QFrame>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

namespace {

QFont PanelFont() {
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(16);
    return f;
}

} // namespace

TCalculationRunner::TCalculationRunner(TWorkerThread* AWorker, TWindowWork* AWork,
                                       TPrompts* APrompts, QWidget* AWindow)
    : QObject(AWindow), FWorker(AWorker), FWork(AWork), FPrompts(APrompts), FWindow(AWindow) {
    setObjectName(QStringLiteral("CalculationRunner"));
    FButton = new QPushButton(QStringLiteral("Расчет поддонов"), AWindow);
    FButton->setObjectName(QStringLiteral("CalculateButton"));
    FButton->setMinimumSize(150, 34);
    SetAvailability(TAvailability::NoOrder);
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
    FCancelButton->setToolTip(QStringLiteral("Остановить работу; ничего не будет записано"));
    v->addWidget(FCancelButton);
    FPanel->hide();
    connect(FCancelButton, &QPushButton::clicked, this, &TCalculationRunner::Cancel);
}

TCalculationRunner::~TCalculationRunner() {
    // A job waiting for its report to be shown goes on without it, and stops.
    if (FChannel) {
        FChannel->WindowGone = true;
        FChannel->StopRequested = true;
    }
}

void TCalculationRunner::SetAvailability(TAvailability AAvailability) {
    FButton->setEnabled(AAvailability == TAvailability::Ready);
    switch (AAvailability) {
    case TAvailability::NoOrder:
        FButton->setToolTip(QStringLiteral("Выберите заявку в списке заявок"));
        break;
    case TAvailability::Calculated:
        FButton->setToolTip(QStringLiteral("Поддоны уже рассчитаны — см. «Пересчитать…»"));
        break;
    case TAvailability::NotWorking:
        FButton->setToolTip(QStringLiteral("Рассчитать можно только последнюю загруженную "
                                           "заявку; эта — в архиве"));
        break;
    case TAvailability::Ready:
        FButton->setToolTip(QStringLiteral("Разложить листы заявки по поддонам (F9)"));
        break;
    }
}

bool TCalculationRunner::Running() const {
    return FWork->Kind() == TWindowWork::TKind::Calculation;
}

std::shared_ptr<TJobChannel> TCalculationRunner::NewChannel() {
    auto channel = std::make_shared<TJobChannel>();
    std::weak_ptr<TJobChannel> weak = channel;
    channel->Report = [this, weak](const QString& AStage, int APosition, int AMax) {
        const std::shared_ptr<TJobChannel> c = weak.lock();
        if (!c || c->WindowGone)
            return;
        if (AMax > 0 && APosition >= AMax)
            c->Finished = true;
        QMetaObject::invokeMethod(
            this,
            [this, c, AStage, APosition, AMax] {
                if (FChannel == c)
                    Progress(AStage, APosition, AMax);
                c->Shown.release();
            },
            Qt::QueuedConnection);
        while (!c->Shown.tryAcquire(1, 50)) {
            if (c->WindowGone)
                return;
        }
    };
    channel->Step = [this, weak](int APosition, int AMax) {
        const std::shared_ptr<TJobChannel> c = weak.lock();
        if (!c || c->WindowGone)
            return;
        c->StepPosition = APosition;
        c->StepMax = AMax;
        if (c->StepPending.exchange(true))
            return;
        QMetaObject::invokeMethod(
            this,
            [this, c] {
                c->StepPending = false;
                // A step that comes after the job has ended shows nothing.
                if (FChannel == c)
                    Progress(QString(), c->StepPosition, c->StepMax);
            },
            Qt::QueuedConnection);
    };
    FChannel = channel;
    return channel;
}

void TCalculationRunner::Run(qlonglong AShownOrder, bool ADense, std::function<void()> AThen,
                             bool AReplaceLoaded, bool ARecalculate) {
    if (!FWork->Begin(TWindowWork::TKind::Calculation))
        return;
    FButton->setEnabled(false);
    FStartTime = QDateTime::currentDateTime();
    FCancelButton->setEnabled(true);
    FLastOrderId = 0;
    FLastOutcome.clear();
    FLastVerdict.reset();
    emit Started();
    const std::shared_ptr<TJobChannel> channel = NewChannel();
    auto calculated = std::make_shared<qlonglong>(0);
    auto verdict = std::make_shared<TPlanVerdict>();
    Progress(QStringLiteral("Подготовка расчета"), 0, 6);
    FWorker->Start(
        [channel, calculated, verdict, AShownOrder, ADense, AReplaceLoaded, ARecalculate,
         proofTime = FProofTime](TDataModule& AData) {
            // The run calculates the order of the working tables; its outcome is told
            // while that order is the one shown.
            *calculated = WorkingOrder::Id(AData.Connection());
            TCalculationRun run(AData.Connection(),
                                ADense ? TCalculationMode::Dense : TCalculationMode::Memory);
            run.OnProgress = channel->Report;
            run.OnCancel = [channel] { return channel->Stopping(); };
            run.SetShownOrder(AShownOrder);
            run.SetReplaceLoaded(AReplaceLoaded);
            run.SetRecalculation(ARecalculate);
            run.SetProofTime(proofTime);
            run.Execute();
            *verdict = run.Verdict();
        },
        [this, calculated, verdict, AThen](std::exception_ptr AFailure) {
            FLastOrderId = *calculated;
            if (!AFailure)
                FLastVerdict = *verdict;
            Ended(AFailure, AThen);
        });
}

void TCalculationRunner::Ended(std::exception_ptr AFailure, const std::function<void()>& AThen) {
    QString outcome = QStringLiteral("Расчет завершен");
    QString failure;
    QString changed;
    try {
        if (AFailure)
            std::rethrow_exception(AFailure);
    } catch (const ECalculationCanceled&) {
        if (!FChannel->Finished)
            outcome = QStringLiteral("Расчет прерван");
    } catch (const ELoadedPallets& e) {
        // A pallet was loaded on another workstation after the question: nothing changed.
        outcome = QStringLiteral("Расчет не выполнен");
        changed = e.Message();
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
    FChannel.reset();
    emit Status(outcome);
    FLastOutcome = outcome;
    FPanel->hide();
    FButton->setEnabled(true);
    FWork->End(outcome);
    // The box comes after the panel and the hourglass are gone, so the user reads it
    // with an ordinary cursor.
    if (!failure.isNull())
        FPrompts->Message(FWindow, TPrompts::TKind::Error,
                          QStringLiteral("Ошибка расчета: ") + failure);
    if (!changed.isNull())
        FPrompts->Message(FWindow, TPrompts::TKind::Plain, changed);
    if (AThen)
        AThen();
}

void TCalculationRunner::Progress(const QString& AStage, int APosition, int AMax) {
    Centre();
    FPanel->show();
    FPanel->raise();
    FBar->show();
    // An export of an order without pallets gives 0 steps, and a 0..0 range would turn
    // the bar into a busy indicator.
    FBar->setRange(0, qMax(1, AMax));
    FBar->setValue(APosition);
    if (!AStage.isEmpty()) {
        FStage->setText(AStage);
        emit Status(AStage);
    }
    const qint64 minutes = FStartTime.secsTo(QDateTime::currentDateTime()) / 60;
    FTime->setText(QStringLiteral("Прошло времени: %1 мин.").arg(minutes));
    emit Reported(AStage, APosition, AMax);
}

void TCalculationRunner::Cancel() {
    if (!FChannel || !FCancelButton->isEnabled())
        return;
    FChannel->StopRequested = true;
    FCancelButton->setEnabled(false);
    const QString text = Running() ? QStringLiteral("Прерывание расчета...")
                                   : QStringLiteral("Прерывание...");
    FStage->setText(text);
    emit Status(text);
}

void TCalculationRunner::Centre() {
    FPanel->move((FWindow->width() - FPanel->width()) / 2,
                 (FWindow->height() - FPanel->height()) / 2);
}

std::shared_ptr<TJobChannel> TCalculationRunner::ShowPanel(const QString& ATitle,
                                                           bool ACancellable) {
    FStartTime = QDateTime::currentDateTime();
    FCancelButton->setEnabled(ACancellable);
    FCancelButton->setVisible(ACancellable);
    FStage->setText(ATitle);
    Centre();
    FPanel->show();
    FPanel->raise();
    return NewChannel();
}

void TCalculationRunner::HidePanel(bool AResetBar) {
    FChannel.reset();
    if (AResetBar)
        FBar->setValue(0);
    FPanel->hide();
    FCancelButton->setVisible(true);
}
