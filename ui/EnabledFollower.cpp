#include "EnabledFollower.h"

#include <QEvent>

TEnabledFollower::TEnabledFollower(QWidget* ALeader, QList<QWidget*> AFollowers)
    : QObject(ALeader), FLeader(ALeader) {
    for (QWidget* w : AFollowers)
        FFollowers << w;
    ALeader->installEventFilter(this);
    Follow();
}

bool TEnabledFollower::eventFilter(QObject* AWatched, QEvent* AEvent) {
    if (AWatched == FLeader && AEvent->type() == QEvent::EnabledChange)
        Follow();
    return QObject::eventFilter(AWatched, AEvent);
}

void TEnabledFollower::Follow() {
    if (!FLeader)
        return;
    // The leader's own setting, not its parents': a window disabled as a whole
    // disables the followers through their own parents anyway.
    const bool enabled = FLeader->isEnabledTo(FLeader->parentWidget());
    for (const QPointer<QWidget>& w : FFollowers)
        if (w)
            w->setEnabled(enabled);
}
