// gravelon-cli: the program's operations without windows, on the same database.

#include "CliCommon.h"
#include "ProcessLocale.h"
#include "SettingsLocation.h"
#include "StopRequest.h"
#include "StopSignals.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>
#include <memory>

namespace {

QtMessageHandler DefaultMessages = nullptr;

// A GUI application run by root without a session warns that it has no runtime
// folder and uses one of its own; the tool's output is no place for that.
void QuietMessages(QtMsgType AType, const QMessageLogContext& AContext, const QString& AText) {
    if (AType == QtWarningMsg && AText.startsWith(QLatin1String("QStandardPaths: ")))
        return;
    DefaultMessages(AType, AContext, AText);
}

int Usage(QTextStream& AErr) {
    AErr << "Использование: gravelon-cli [--settings INI] КОМАНДА [ПАРАМЕТРЫ]\n"
         << "               gravelon-cli --help | --version\n";
    for (const TCliCommand& c : CliCommands())
        AErr << "  " << c.Usage << "\n";
    return 2;
}

// Standard error carries the commands' own Russian sentences. What Qt and its drivers
// warn about (a connection the server ended, among others) the command reports in its
// own words, so their English notes are left out; critical errors still show.
void KeepQtWarningsOff(QtMsgType AType, const QMessageLogContext&, const QString& AText) {
    if (AType == QtCriticalMsg || AType == QtFatalMsg)
        std::fprintf(stderr, "%s\n", AText.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(KeepQtWarningsOff);
    std::unique_ptr<QCoreApplication> app;
    if (CliCommandPaints(argc, argv)) {
        // The tool never shows a window, whatever display the session names.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        DefaultMessages = qInstallMessageHandler(QuietMessages);
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    // After Qt has taken the user's locale: numbers written by the libraries use a point.
    ProcessLocale::UseCNumericFormatting();
    StopSignals::Install();
    QTextStream out(stdout);
    TStderrDevice errDevice;
    QTextStream err(&errDevice);
    QStringList args = app->arguments().mid(1);
    bool malformed = false;
    const QString given = GravelonSettings::TakeSettingsOption(args, &malformed);
    if (malformed)
        return Usage(err);
    if (!args.isEmpty() && CliInformation(args.first(), out))
        return 0;
    if (args.isEmpty())
        return Usage(err);
    const QString name = args.takeFirst();
    for (const TCliCommand& c : CliCommands()) {
        if (name == c.Name) {
            QString problem;
            const QString settings = TSettingsLocation::ForThisProgram().Choose(given, &problem);
            if (!problem.isEmpty())
                err << problem << "\n";
            TCliContext context{settings, args, out, err};
            int rc = c.Run(context);
            StopSignals::CommandFinished();
            if (StopRequest::Requested() && rc != 0) {
                // Stopped at a commit or a cancellation point, which rolled back.
                err.flush();
                if (!errDevice.Said(StopRequest::StoppedMessage))
                    err << StopRequest::StoppedMessage << "\n";
                rc = StopSignals::ExitCode();
            }
            out.flush();
            err.flush();
            return rc;
        }
    }
    err << "Неизвестная команда «" << name << "»\n";
    return Usage(err);
}
