#include "CliCommon.h"

#include "DataModule.h"
#include "Errors.h"
#include "IniFile.h"
#include "Settings.h"
#include "SettingsLocation.h"

#include <QFileInfo>

QList<TCliCommand>& CliCommands() {
    static QList<TCliCommand> commands;
    return commands;
}

bool CliConnect(TCliContext& AContext, TDataModule& AData) {
    const TIniFile ini(AContext.SettingsPath);
    if (!ini.Exists()) {
        AContext.Err << GravelonSettings::IniNotFound(AContext.SettingsPath) << " (" << AContext.SettingsPath
                     << ")\n";
        return false;
    }
    try {
        AData.Connect(GravelonSettings::ReadConnection(ini),
                      QFileInfo(AContext.SettingsPath).absolutePath());
    } catch (const EGravelonError& e) {
        AContext.Err << e.Message() << "\n";
        return false;
    }
    return true;
}

QString CliOption(const QStringList& AArgs, const QString& AName, bool* AGiven) {
    const int i = AArgs.indexOf(AName);
    if (AGiven)
        *AGiven = i >= 0;
    if (i < 0 || i + 1 >= AArgs.size())
        return QString();
    return AArgs.at(i + 1);
}

bool CliCommandPaints(int AArgc, char** AArgv) {
    QStringList args;
    for (int i = 1; i < AArgc; ++i)
        args << QString::fromLocal8Bit(AArgv[i]);
    GravelonSettings::TakeSettingsOption(args, nullptr);
    if (args.isEmpty())
        return false;
    for (const TCliCommand& c : CliCommands())
        if (c.Name == args.first())
            return c.Paints;
    return false;
}
