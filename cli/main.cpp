// gravelon-cli: the program's operations without windows, on the same database.

#include "CliCommon.h"
#include "Settings.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

int Usage(QTextStream& AErr) {
    AErr << "Использование: gravelon-cli [--settings INI] КОМАНДА [ПАРАМЕТРЫ]\n";
    for (const TCliCommand& c : CliCommands())
        AErr << "  " << c.Usage << "\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = app.arguments().mid(1);
    QString settings = GravelonSettings::DefaultPath();
    if (!args.isEmpty() && args.first() == QLatin1String("--settings")) {
        if (args.size() < 2)
            return Usage(err);
        settings = args.at(1);
        args = args.mid(2);
    }
    if (args.isEmpty())
        return Usage(err);
    const QString name = args.takeFirst();
    for (const TCliCommand& c : CliCommands()) {
        if (name == c.Name) {
            TCliContext context{settings, args, out, err};
            const int rc = c.Run(context);
            out.flush();
            err.flush();
            return rc;
        }
    }
    err << "Неизвестная команда «" << name << "»\n";
    return Usage(err);
}
