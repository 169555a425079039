#pragma once

#include <QStringList>
#include <QTextStream>

class TDataModule1;

// What every command gets: the settings file chosen, its own arguments and the two
// output streams.
struct TCliContext {
    QString SettingsPath;
    QStringList Args;
    QTextStream& Out;
    QTextStream& Err;
};

// Connects the data module as the program does, from the settings file's CONNECT
// section. Prints the reason on standard error and returns false on failure.
bool CliConnect(TCliContext& AContext, TDataModule1& AData);

// Value of "--name VALUE" among the arguments; ABad is set when the option is given
// without a value.
QString CliOption(const QStringList& AArgs, const QString& AName, bool* AGiven = nullptr);

// The commands; each returns the process exit code.
int CliOrders(TCliContext& AContext);
