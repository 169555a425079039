#include "Prompts.h"
#include "SettingsLocation.h"
#include "StartupWindow.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QSystemTrayIcon>
#include <QTranslator>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Гравелон"));
    QApplication::setApplicationVersion(QStringLiteral("2.0"));
    // The start-up window is the program: it stays alive, hidden, behind the main
    // window, and the program ends when it closes.
    QApplication::setQuitOnLastWindowClosed(false);
    // The program speaks Russian whatever the desktop's language: Qt's own dialogs
    // (file choosers, message-box buttons) follow.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);
    // Matches the menu entry, so that desktops show its icon for the running program.
    QGuiApplication::setDesktopFileName(QStringLiteral("gravelon"));
    TQtPrompts prompts;
    QStringList args = QApplication::arguments().mid(1);
    QString problem;
    const QString settings = TSettingsLocation::ForThisProgram().Choose(
        GravelonSettings::TakeSettingsOption(args), &problem);
    if (!problem.isEmpty())
        prompts.Message(nullptr, TPrompts::TKind::Warning, problem);
    TStartupWindow startup(&prompts, settings, 3000, 100, QSystemTrayIcon::isSystemTrayAvailable());
    QObject::connect(&startup, &TStartupWindow::Closed, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    startup.show();
    return app.exec();
}
