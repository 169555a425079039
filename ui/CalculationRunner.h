#pragma once

#include "PlanVerdict.h"
#include "Settings.h"

#include <QDateTime>
#include <QSemaphore>
#include <atomic>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;
class TPrompts;
class TWindowWork;
class TWorkerThread;

// What a job on the worker thread and the window's progress panel share: the reports
// the job makes, the user's request to stop, and whether the window is still there to
// show anything. A report waits until the window has shown it, so what the panel says
// is where the job is, and "Прервать" pressed at a stage stops it at that stage.
struct TJobChannel {
    std::atomic<bool> StopRequested{false};
    // The calculation has reported its last stage: its transaction is committed and a
    // late request can no longer undo anything.
    std::atomic<bool> Finished{false};
    std::atomic<bool> WindowGone{false};
    QSemaphore Shown;
    // Called on the worker thread; returns once the window has shown the report.
    std::function<void(const QString& AStage, int APosition, int AMax)> Report;
    // Called on the worker thread for the progress bar alone; does not wait, and the
    // window shows the latest step when it gets to it.
    std::function<void(int APosition, int AMax)> Step;
    std::atomic<int> StepPosition{0};
    std::atomic<int> StepMax{1};
    std::atomic<bool> StepPending{false};
    bool Stopping() const { return StopRequested && !Finished; }
};

// One part of the main window: "Расчет поддонов", the progress panel over the window
// with "Прервать", the calculation's run on the worker thread and the texts of its
// outcome. The layout workbook and the PDF show their progress on the same panel.
class TCalculationRunner : public QObject {
    Q_OBJECT
public:
    // The panel is a child of AWindow, centred over it while it shows.
    TCalculationRunner(TWorkerThread* AWorker, TWindowWork* AWork, TPrompts* APrompts,
                       QWidget* AWindow);
    ~TCalculationRunner() override;

    // "Расчет поддонов", for the window to place.
    QPushButton* Button() const { return FButton; }
    // Why "Расчет поддонов" may or may not run on the order shown: the button follows,
    // and its tooltip says why when it is off.
    enum class TAvailability { NoOrder, Calculated, NotWorking, Ready };
    void SetAvailability(TAvailability AAvailability);
    bool Running() const;

    // Starts the calculation of the working order on the worker thread, packing densely
    // when ADense; does nothing while the window runs another command. The run changes
    // nothing when the working tables hold another order than AShownOrder by then.
    // AThen runs once the outcome has been told (and the window is free again).
    // ARecalculate: the order has pallets; its pinned ones stay and the rest is packed
    // anew from whole positions.
    void Run(qlonglong AShownOrder, bool ADense, std::function<void()> AThen = {},
             bool AReplaceLoaded = false, bool ARecalculate = false);
    // "Прервать": the job under way (the calculation, or a cancellable export) stops
    // at its next report.
    void Cancel();

    // The order the last run calculated and its outcome for the status bar.
    qlonglong LastOrderId() const { return FLastOrderId; }
    const QString& LastOutcome() const { return FLastOutcome; }
    // Why the last finished run made so many pallets; empty after any other outcome.
    const std::optional<TPlanVerdict>& LastVerdict() const { return FLastVerdict; }
    // How long a run may spend proving its pallet count, in milliseconds.
    void SetProofTime(qint64 AMilliseconds) { FProofTime = AMilliseconds; }

    // The panel for another job: shown with ATitle, "Прервать" offered when
    // ACancellable; the channel carries the job's reports (stage text, position, max).
    std::shared_ptr<TJobChannel> ShowPanel(const QString& ATitle, bool ACancellable);
    // AResetBar: the bar starts empty next time; otherwise it stays where the job stopped.
    void HidePanel(bool AResetBar = false);

signals:
    // A run starts: nothing may be printed until the order is shown again.
    void Started();
    void Status(const QString& AText);
    // A report has been shown on the panel (tests act on it while the job waits).
    void Reported(const QString& AStage, int APosition, int AMax);

private:
    void Progress(const QString& AStage, int APosition, int AMax);
    void Ended(std::exception_ptr AFailure, const std::function<void()>& AThen);
    void Centre();
    std::shared_ptr<TJobChannel> NewChannel();

    TWorkerThread* FWorker;
    TWindowWork* FWork;
    TPrompts* FPrompts;
    QWidget* FWindow;
    QPushButton* FButton;
    QFrame* FPanel;
    QLabel* FStage;
    QProgressBar* FBar;
    QLabel* FTime;
    QPushButton* FCancelButton;

    QDateTime FStartTime;
    std::shared_ptr<TJobChannel> FChannel; // of the job the panel shows
    qlonglong FLastOrderId = 0;
    QString FLastOutcome;
    std::optional<TPlanVerdict> FLastVerdict;
    qint64 FProofTime = GravelonSettings::DefaultProofTime;
};
