#pragma once

#include <QString>
#include <QStringList>

// Where a run of the program keeps its settings and its embedded database.
//
// A copy that can write beside itself (the build folder, a folder unpacked by hand)
// keeps resources/example.ini beside the executable, as it always has. An installed
// copy cannot: /usr/bin is not the operator's to write. It keeps the settings in
// $XDG_CONFIG_HOME/gravelon/gravelon.ini, made from the installed template on the
// first start, and the template's embedded database in $XDG_DATA_HOME/gravelon/.
class TSettingsLocation {
public:
    // AExecutableFolder: the folder of the running executable; AConfigHome and
    // ADataHome: the user's configuration and data folders ($XDG_CONFIG_HOME,
    // $XDG_DATA_HOME or their defaults under $HOME).
    TSettingsLocation(const QString& AExecutableFolder, const QString& AConfigHome,
                      const QString& ADataHome);
    // The running executable's folder and the folders of this user.
    static TSettingsLocation ForThisProgram();

    // The folder that holds resources/ (pictures, manual, settings template): the
    // executable's folder when resources/ lies beside it, otherwise the installed
    // <prefix>/share/gravelon. When neither has it, the executable's folder, so that
    // a missing picture or page is looked for where a copy keeps it.
    QString ProgramFolder() const;
    // resources/example.ini beside the executable.
    QString BesideExecutable() const;
    // resources/example.ini of the program folder: what a user's file is made from.
    QString Template() const;
    // The user's own settings file and the folder of the user's embedded database.
    QString UserSettings() const;
    QString UserDataFolder() const;

    // The settings file of a run. AGiven (the --settings option) wins when not empty.
    // Otherwise the file beside the executable, when it exists and both it and its
    // folder may be written; otherwise the user's file, made from the template when
    // missing. Never throws: when the user's file cannot be made, its path is returned
    // all the same (readers then report the file missing) and AProblem gets the reason
    // in Russian.
    QString Choose(const QString& AGiven, QString* AProblem = nullptr) const;

private:
    // Throws EGravelonError.
    void CreateUserSettings() const;

    QString FExecutableFolder;
    QString FConfigHome;
    QString FDataHome;
};

namespace GravelonSettings {

// TSettingsLocation::ForThisProgram().ProgramFolder(): where the pictures, the manual
// and the layout's block picture are found.
QString ProgramFolder();

// The value of "--settings INI" or "--settings=INI" among a program's arguments
// (AArgs without the program name); empty when not given. The option and its value are
// removed from AArgs. AMalformed is set when "--settings" has no value.
QString TakeSettingsOption(QStringList& AArgs, bool* AMalformed = nullptr);

// The user's own state of the program (window layout, recent workbooks), which is no
// one else's and so never in a settings file that may be shared:
// $XDG_STATE_HOME/gravelon, by the XDG rules ~/.local/state/gravelon when the variable
// is unset or not an absolute path. Not made here.
QString StateFolder();
// AFolder and the folders above it that are missing, made for the user alone (0700, as
// the XDG base directories are meant to be); false when it cannot be made.
bool MakePrivateFolder(const QString& AFolder);

// One spelling of a settings file for telling runs apart: the file's canonical path
// (links resolved), or its absolute clean path while it does not exist.
QString CanonicalPath(const QString& ASettingsPath);

} // namespace GravelonSettings
