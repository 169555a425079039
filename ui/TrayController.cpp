#include "TrayController.h"

#include <QTimer>
#include <QWidget>

TTrayController::TTrayController(QWidget* AWindow, bool ATrayAvailable, QObject* AParent)
    : QObject(AParent), FWindow(AWindow), FTrayAvailable(ATrayAvailable),
      FIcon(new QSystemTrayIcon(this)) {
    FIcon->setObjectName(QStringLiteral("TrayIcon"));
    FIcon->setIcon(AWindow->windowIcon());
    connect(FIcon, &QSystemTrayIcon::activated, this, &TTrayController::IconActivated);
}

void TTrayController::WindowMinimised() {
    if (!FTrayAvailable || FIcon->isVisible())
        return;
    FIcon->setIcon(FWindow->windowIcon());
    FIcon->show();
    // Hidden once the minimise itself has been handled: a window hidden inside its own
    // state change keeps a stale task-bar entry on some window managers.
    QTimer::singleShot(0, FWindow, [this] {
        if (FIcon->isVisible())
            FWindow->hide();
    });
}

void TTrayController::IconActivated(QSystemTrayIcon::ActivationReason AReason) {
    // Qt reports a double click only for the left button.
    if (AReason == QSystemTrayIcon::DoubleClick && FIcon->isVisible())
        Restore();
}

bool TTrayController::IconShown() const {
    return FIcon->isVisible();
}

void TTrayController::Restore() {
    FIcon->hide();
    FWindow->setWindowState((FWindow->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    FWindow->show();
    FWindow->raise();
    FWindow->activateWindow();
}
