#include "Autoriz.h"
#include "Prompts.h"

#include <QApplication>
#include <QSystemTrayIcon>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Гравелон"));
    QApplication::setApplicationVersion(QStringLiteral("2.0"));
    // The start-up window is the program: it stays alive, hidden, behind the main
    // window, and the program ends when it closes.
    QApplication::setQuitOnLastWindowClosed(false);
    TQtPrompts prompts;
    TForm4 startup(&prompts, GravelonSettings::DefaultPath(), 3000, 100,
                   QSystemTrayIcon::isSystemTrayAvailable());
    QObject::connect(&startup, &TForm4::Closed, &app, &QApplication::quit, Qt::QueuedConnection);
    startup.show();
    return app.exec();
}
