#include "ProcessLocale.h"
#include "ProgramVersion.h"
#include "Prompts.h"
#include "RussianInterface.h"
#include "SettingsLocation.h"
#include "StartupWindow.h"

#include <QApplication>
#include <QSystemTrayIcon>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // After Qt has taken the user's locale: numbers written by the libraries use a point.
    ProcessLocale::UseCNumericFormatting();
    QApplication::setApplicationName(QStringLiteral("Гравелон"));
    QApplication::setApplicationVersion(ProgramVersion::Number());
    // The start-up window is the program: it stays alive, hidden, behind the main
    // window, and the program ends when it closes.
    QApplication::setQuitOnLastWindowClosed(false);
    RussianInterface::Install(app);
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
