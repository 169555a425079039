#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

// What the main window is doing: nothing, or one long command. It alone keeps one
// command at a time: a command begins only when nothing runs, and while one runs the
// window's commands and grids are off (the progress panel stays on) and the pointer
// waits; they come back as they were, the keyboard where it was, once it ends.
class TWindowWork : public QObject {
    Q_OBJECT
public:
    enum class TKind { None, Calculation, Import, Layouts, Pdf };

    explicit TWindowWork(QObject* AParent = nullptr) : QObject(AParent) {}

    // The widgets that are off while a command runs.
    void LockWhileBusy(const QList<QWidget*>& AWidgets) { FLockable = AWidgets; }

    bool Busy() const { return FKind != TKind::None; }
    TKind Kind() const { return FKind; }
    // False, changing nothing, while another command runs.
    bool Begin(TKind AKind);
    // The long part of the command is over, AOutcome saying how in a few words (the
    // import's reading ends before its dialog). Told once; End tells it when nothing
    // has.
    void Report(const QString& AOutcome);
    void End(const QString& AOutcome = QString());

signals:
    // The command's long part ended: its kind, how long it ran, how it ended (empty
    // when the command did not say).
    void Finished(TWindowWork::TKind AKind, qint64 AElapsedMs, const QString& AOutcome);
    void Ended();

private:
    TKind FKind = TKind::None;
    bool FReported = false;
    QElapsedTimer FClock;
    QList<QWidget*> FLockable;
    QList<QPointer<QWidget>> FUnlock;
    QPointer<QWidget> FFocus;
};
