#include "ScreenFit.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace ScreenFit {

namespace {

QRect FreeArea(const QWidget* AWindow) {
    const QScreen* screen = AWindow->screen() ? AWindow->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

class TDialogGuard : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override {
        if (AEvent->type() == QEvent::Show)
            if (auto* dialog = qobject_cast<QDialog*>(AWatched))
                KeepOnScreen(dialog);
        return false;
    }
};

} // namespace

void ShowMainWindow(QWidget* AWindow) {
    const QRect area = FreeArea(AWindow);
    if (area.isEmpty() || area.width() < 1366 || area.height() < 768) {
        AWindow->showMaximized();
        return;
    }
    AWindow->resize(area.size() * 0.9);
    AWindow->move(area.center() - AWindow->rect().center());
    AWindow->show();
}

void KeepOnScreen(QWidget* AWindow) {
    const QRect area = FreeArea(AWindow);
    if (area.isEmpty())
        return;
    // The frame is not known before the first show: room for a usual one is kept.
    const QSize room = area.size() - QSize(16, 40);
    if (AWindow->width() > room.width() || AWindow->height() > room.height())
        AWindow->resize(AWindow->size().boundedTo(room));
    QRect placed = AWindow->frameGeometry();
    if (area.contains(placed))
        return;
    placed.moveRight(qMin(placed.right(), area.right()));
    placed.moveBottom(qMin(placed.bottom(), area.bottom()));
    placed.moveLeft(qMax(placed.left(), area.left()));
    placed.moveTop(qMax(placed.top(), area.top()));
    AWindow->move(placed.topLeft());
}

void InstallDialogGuard(QWidget* AOwner) {
    qApp->installEventFilter(new TDialogGuard(AOwner));
}

} // namespace ScreenFit
