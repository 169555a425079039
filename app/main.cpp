#include "ProcessLocale.h"
#include "ProgramVersion.h"
#include "Prompts.h"
#include "RussianInterface.h"
#include "SettingsLocation.h"
#include "SingleInstance.h"
#include "StartupWindow.h"

#include <QApplication>
#include <QFileInfo>
#include <QSystemTrayIcon>
#include <QUrl>

namespace {

// The workbook named on the command line (the desktop's "Open with" passes one file),
// as an absolute path: a running program it is handed to has another working folder.
QString WorkbookArgument(const QStringList& AArgs) {
    for (const QString& arg : AArgs) {
        if (arg.startsWith(u'-'))
            continue;
        const QUrl url(arg);
        const QString file = url.isLocalFile() ? url.toLocalFile() : arg;
        return QFileInfo(file).absoluteFilePath();
    }
    return QString();
}

} // namespace

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
    const QString workbook = WorkbookArgument(args);
    // One window per settings file: a second start hands its workbook over and ends.
    TSingleInstance instance;
    if (instance.Start(TSingleInstance::ServerName(settings), workbook) ==
        TSingleInstance::TStart::HandedOver)
        return 0;
    if (!problem.isEmpty())
        prompts.Message(nullptr, TPrompts::TKind::Warning, problem);
    TStartupWindow startup(&prompts, settings, 3000, 100, QSystemTrayIcon::isSystemTrayAvailable());
    startup.SetStateFolder(GravelonSettings::StateFolder());
    QObject::connect(&instance, &TSingleInstance::Requested, &startup,
                     &TStartupWindow::OpenWorkbook);
    if (!workbook.isEmpty())
        startup.OpenWorkbook(workbook);
    QObject::connect(&startup, &TStartupWindow::Closed, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    startup.show();
    return app.exec();
}
