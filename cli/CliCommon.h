#pragma once

#include <QStringList>
#include <QTextStream>

class TDataModule;

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
bool CliConnect(TCliContext& AContext, TDataModule& AData);

// Value of "--name VALUE" among the arguments; AGiven tells whether the option was given at all
// (a missing value reads as empty).
QString CliOption(const QStringList& AArgs, const QString& AName, bool* AGiven = nullptr);

// A value as one field of a line: a backslash and the control characters are written as
// escapes (\\, \n, \t, \r, others \xHH), so whatever a name holds, one line is one
// record and a tab separates fields. Every command that prints data prints it through
// this or as JSON.
QString CliField(const QString& AValue);

// A listing's records: TSV (one escaped line each, fields in Keys' order, a number with
// a fraction to two decimals; the keys first when Header is set) or JSON (an array of
// objects under Keys, numbers as numbers). The --format option's value ("tsv" when not
// given) chooses; false, with the reason on standard error, for another.
struct TCliRecords {
    QStringList Keys;
    QList<QVariantList> Rows;
    bool Header = false;
};
bool CliPrintRecords(TCliContext& AContext, const TCliRecords& ARecords);

// A command: its name, what it runs (returning the exit code) and its usage line.
// Each command's file registers itself with a static TCliRegistration, so adding a
// command touches no other file.
// A command that paints (APaints) runs in a GUI application on the offscreen platform:
// fonts and painting need one, a display is never needed.
struct TCliCommand {
    QString Name;
    int (*Run)(TCliContext&);
    QString Usage;
    bool Paints = false;
};
QList<TCliCommand>& CliCommands();

struct TCliRegistration {
    TCliRegistration(const char* AName, int (*ARun)(TCliContext&), const char* AUsage,
                     bool APaints = false) {
        CliCommands().append({QString::fromUtf8(AName), ARun, QString::fromUtf8(AUsage), APaints});
    }
};

// Whether the command the raw arguments name paints; read before any application
// object exists, so the right kind can be made.
bool CliCommandPaints(int AArgc, char** AArgv);

// "--help" prints what the tool does, its commands and where its files are; "--version"
// its version. Returns false for any other argument.
bool CliInformation(const QString& AArg, QTextStream& AOut);
