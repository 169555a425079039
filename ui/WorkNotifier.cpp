#include "WorkNotifier.h"

#include "TrayController.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTimer>
#include <QWidget>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
constexpr int ShownMs = 10000;

} // namespace

TWorkNotifier::TWorkNotifier(QWidget* AWindow, TTrayController* ATray, qint64 AThresholdMs,
                             QObject* AParent)
    : QObject(AParent), FWindow(AWindow), FTray(ATray), FThresholdMs(AThresholdMs) {}

QString TWorkNotifier::Title(TWindowWork::TKind AKind) {
    switch (AKind) {
    case TWindowWork::TKind::Calculation:
        return QStringLiteral("Расчет поддонов");
    case TWindowWork::TKind::Import:
        return QStringLiteral("Новая заявка");
    case TWindowWork::TKind::Layouts:
        return QStringLiteral("Выгрузка раскладок");
    case TWindowWork::TKind::Pdf:
        return QStringLiteral("Раскладки для печати");
    case TWindowWork::TKind::None:
        break;
    }
    return QStringLiteral("Гравелон");
}

void TWorkNotifier::OnFinished(TWindowWork::TKind AKind, qint64 AElapsedMs,
                               const QString& AOutcome) {
    // The operator who is looking at the window sees the end there.
    if (AElapsedMs < FThresholdMs || !FWindow || FWindow->isActiveWindow())
        return;
    const QString title = Title(AKind);
    const QString text = AOutcome.isEmpty() ? QStringLiteral("Команда завершена") : AOutcome;
    FLastText = title + QStringLiteral(": ") + text;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        ShowInTray(title, text);
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(Service, Path, Service, QStringLiteral("Notify"));
    // The desktop entry's name lets the desktop show the program's icon and group its
    // notes.
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("gravelon")}};
    call << QStringLiteral("Гравелон") << uint(0) << QStringLiteral("gravelon") << title << text
         << QStringList() << hints << int(ShownMs);
    // Asynchronous: a desktop without the service answers with an error, and the window
    // does not wait for it.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, title, text] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> reply = *watcher;
        if (reply.isError())
            ShowInTray(title, text);
        else
            Sent(QStringLiteral("desktop"));
    });
}

void TWorkNotifier::ShowInTray(const QString& ATitle, const QString& AText) {
    if (!FTray || !FTray->TrayAvailable()) {
        Sent(QStringLiteral("none"));
        return;
    }
    QSystemTrayIcon* icon = FTray->Icon();
    // The icon stands for a minimised window; otherwise it is shown for the message only.
    const bool borrowed = !icon->isVisible();
    if (borrowed)
        icon->show();
    icon->showMessage(ATitle, AText, QSystemTrayIcon::Information, ShownMs);
    if (borrowed)
        QTimer::singleShot(ShownMs, icon, [this, icon] {
            if (FWindow && FWindow->isVisible())
                icon->hide();
        });
    Sent(QStringLiteral("tray"));
}

void TWorkNotifier::Sent(const QString& AChannel) {
    FLastChannel = AChannel;
    emit Notified();
}
