#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;
class TDataModule;
class TPrompts;

// One part of the main window: "Расчет поддонов", the progress panel over the window
// with "Прервать", the run of the calculation and the texts of its outcome. The
// layout export shows its progress on the same panel.
class TCalculationRunner : public QObject {
    Q_OBJECT
public:
    // The panel is a child of AWindow, centred over it while it shows.
    TCalculationRunner(TDataModule* AData, TPrompts* APrompts, QWidget* AWindow);

    // "Расчет поддонов", for the window to place.
    QPushButton* Button() const { return FButton; }
    bool Running() const { return FRunning; }
    // Once the engine has reported the end of the run its results are committed, and a
    // late request can no longer stop anything.
    bool Canceled() const { return FCanceled && !FFinished; }

    // Runs the calculation of the working order, packing densely when ADense. The run
    // does nothing when the working tables hold another order than AShownOrder by then.
    void Run(qlonglong AShownOrder, bool ADense);
    void Cancel();
    // Commands that would use the connection inside the run's transaction (or close
    // it): off for the length of a run, those that were on come back after it.
    void LockDuringRun(const QList<QWidget*>& AWidgets) { FLocked = AWidgets; }
    // The window is closed as soon as the run has ended.
    void CloseWindowAfterRun() { FCloseAfterRun = true; }

    // The order the last run calculated and its outcome for the status bar.
    qlonglong LastOrderId() const { return FLastOrderId; }
    const QString& LastOutcome() const { return FLastOutcome; }

    // The progress panel as the layout export drives it.
    void ShowPanel();
    void SetProgressMaximum(int AMax);
    void StepProgress();
    void ResetProgress();
    void HidePanel();

signals:
    // A run starts: nothing may be printed until the order is shown again.
    void Started();
    void Status(const QString& AText);

private:
    void Progress(const QString& AStage, int APosition, int AMax);
    void Centre();
    void Lock(bool ALocked);

    TDataModule* FData;
    TPrompts* FPrompts;
    QWidget* FWindow;
    QPushButton* FButton;
    QFrame* FPanel;
    QLabel* FStage;
    QProgressBar* FBar;
    QLabel* FTime;
    QPushButton* FCancelButton;

    QDateTime FStartTime;
    bool FRunning = false;
    bool FCanceled = false;
    // The engine has reported 6 of 6: its transaction is committed and a cancel request
    // can no longer undo anything.
    bool FFinished = false;
    bool FCloseAfterRun = false;
    QList<QWidget*> FLocked;
    QList<QPointer<QWidget>> FUnlockAfterRun;
    qlonglong FLastOrderId = 0;
    QString FLastOutcome;
};
