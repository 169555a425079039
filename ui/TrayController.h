#pragma once

#include <QObject>
#include <QSystemTrayIcon>

class QWidget;

// Minimising the main window into the notification area. With a tray host the
// minimised window leaves the task bar and an icon stands for it; a left double click
// on the icon brings the window back and removes the icon; other clicks do nothing.
// Without a tray host the window is minimised the ordinary way. Whether a tray
// exists is given from outside, so the decisions can be driven without one.
class TTrayController : public QObject {
    Q_OBJECT
public:
    TTrayController(QWidget* AWindow, bool ATrayAvailable, QObject* AParent = nullptr);

    bool TrayAvailable() const { return FTrayAvailable; }
    // The user minimised the window.
    void WindowMinimised();
    // A mouse event on the icon.
    void IconActivated(QSystemTrayIcon::ActivationReason AReason);
    bool IconShown() const;
    QSystemTrayIcon* Icon() const { return FIcon; }
    // The window back from the tray or the task bar, in front and active.
    void Restore();

private:
    QWidget* FWindow;
    bool FTrayAvailable;
    QSystemTrayIcon* FIcon;
};
