#pragma once

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
    void End();

signals:
    void Ended();

private:
    TKind FKind = TKind::None;
    QList<QWidget*> FLockable;
    QList<QPointer<QWidget>> FUnlock;
    QPointer<QWidget> FFocus;
};
