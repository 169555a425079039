#include "WindowWork.h"

#include <QApplication>

bool TWindowWork::Begin(TKind AKind) {
    if (Busy() || AKind == TKind::None)
        return false;
    FKind = AKind;
    FReported = false;
    FClock.start();
    FFocus = QApplication::focusWidget();
    for (QWidget* w : FLockable) {
        if (w->isEnabled()) {
            w->setEnabled(false);
            FUnlock << w;
        }
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    return true;
}

void TWindowWork::Report(const QString& AOutcome) {
    if (!Busy() || FReported)
        return;
    FReported = true;
    emit Finished(FKind, FClock.elapsed(), AOutcome);
}

void TWindowWork::End(const QString& AOutcome) {
    if (!Busy())
        return;
    Report(AOutcome);
    FKind = TKind::None;
    QApplication::restoreOverrideCursor();
    for (const QPointer<QWidget>& w : FUnlock) {
        if (w)
            w->setEnabled(true);
    }
    FUnlock.clear();
    // Turning a widget off hands the keyboard on; it goes back where it was.
    if (FFocus && FFocus->isEnabled() && FFocus->isVisible())
        FFocus->setFocus();
    FFocus = nullptr;
    emit Ended();
}
