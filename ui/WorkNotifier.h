#pragma once

#include "WindowWork.h"

#include <QObject>
#include <QPointer>

class QWidget;
class TTrayController;

// Word when a long command ends while the operator looks elsewhere: a calculation, an
// import's reading or an export that ran longer than AThresholdMs and ended with the
// window not active is told by a desktop notification (the freedesktop notification
// service over the session bus), or, where none answers, by the tray's message.
class TWorkNotifier : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 DefaultThresholdMs = 3000;

    TWorkNotifier(QWidget* AWindow, TTrayController* ATray,
                  qint64 AThresholdMs = DefaultThresholdMs, QObject* AParent = nullptr);

    void SetThreshold(qint64 AMs) { FThresholdMs = AMs; }
    // What the last note said and how it went out ("desktop", "tray", "none"); for
    // the tests and for a look in a debugger.
    const QString& LastText() const { return FLastText; }
    const QString& LastChannel() const { return FLastChannel; }

    // The note's title for a command.
    static QString Title(TWindowWork::TKind AKind);

public slots:
    void OnFinished(TWindowWork::TKind AKind, qint64 AElapsedMs, const QString& AOutcome);

signals:
    // A note went out (LastChannel says how).
    void Notified();

private:
    void ShowInTray(const QString& ATitle, const QString& AText);
    void Sent(const QString& AChannel);

    QPointer<QWidget> FWindow;
    TTrayController* FTray;
    qint64 FThresholdMs;
    QString FLastText;
    QString FLastChannel;
};
