#include "SettingsLocation.h"

#include "Errors.h"
#include "IniFile.h"
#include "Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <sys/stat.h>

#ifndef GRAVELON_INSTALLED_DATA_DIR
#define GRAVELON_INSTALLED_DATA_DIR "../share/gravelon"
#endif

namespace {

// The owner may mark a settings file or its folder read-only to lock a copy's
// settings: that holds for root too (access() alone would let root write anything),
// as the read-only attribute held on the system the settings file comes from.
bool MayWrite(const QFileInfo& AInfo) {
    const auto writeBits =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return AInfo.exists() && AInfo.isWritable() && (AInfo.permissions() & writeBits);
}

const QString SettingsFile = QStringLiteral("resources/example.ini");

// The settings hold the database password: their file is the user's alone (0600), and
// so is every folder made for it (0700, as the XDG base directories are meant to be),
// whatever the umask.
constexpr QFileDevice::Permissions SettingsFileMode = QFileDevice::ReadOwner |
                                                      QFileDevice::WriteOwner |
                                                      QFileDevice::ReadUser | QFileDevice::WriteUser;
constexpr mode_t SettingsFolderMode = 0700;

// AFolder and every missing folder above it, each made with AMode exactly; folders that
// exist keep theirs.
bool MakeFolders(const QString& AFolder, mode_t AMode) {
    const QString path = QDir::cleanPath(QDir(AFolder).absolutePath());
    qsizetype from = 1;
    while (true) {
        const qsizetype slash = path.indexOf(QLatin1Char('/'), from);
        const QString prefix = slash < 0 ? path : path.left(slash);
        const QByteArray native = QFile::encodeName(prefix);
        if (::mkdir(native.constData(), AMode) == 0) {
            // mkdir() leaves out what the umask takes away.
            if (::chmod(native.constData(), AMode) != 0)
                return false;
        } else if (errno != EEXIST) {
            return false;
        }
        if (slash < 0)
            break;
        from = slash + 1;
    }
    return QFileInfo(path).isDir();
}

} // namespace

TSettingsLocation::TSettingsLocation(const QString& AExecutableFolder, const QString& AConfigHome,
                                     const QString& ADataHome)
    : FExecutableFolder(AExecutableFolder), FConfigHome(AConfigHome), FDataHome(ADataHome) {}

TSettingsLocation TSettingsLocation::ForThisProgram() {
    return TSettingsLocation(
        QCoreApplication::applicationDirPath(),
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
}

QString TSettingsLocation::ProgramFolder() const {
    const QDir exe(FExecutableFolder);
    if (QFileInfo(exe.filePath(QStringLiteral("resources"))).isDir())
        return FExecutableFolder;
    const QString installed =
        QDir::cleanPath(exe.filePath(QStringLiteral(GRAVELON_INSTALLED_DATA_DIR)));
    if (QFileInfo(QDir(installed).filePath(QStringLiteral("resources"))).isDir())
        return installed;
    return FExecutableFolder;
}

QString TSettingsLocation::BesideExecutable() const {
    return QDir(FExecutableFolder).filePath(SettingsFile);
}

QString TSettingsLocation::Template() const {
    return QDir(ProgramFolder()).filePath(SettingsFile);
}

QString TSettingsLocation::UserSettings() const {
    return QDir(FConfigHome).filePath(QStringLiteral("gravelon/gravelon.ini"));
}

QString TSettingsLocation::UserDataFolder() const {
    return QDir(FDataHome).filePath(QStringLiteral("gravelon"));
}

QString TSettingsLocation::Choose(const QString& AGiven, QString* AProblem) const {
    if (AProblem)
        AProblem->clear();
    if (!AGiven.isEmpty())
        return AGiven;
    const QFileInfo beside(BesideExecutable());
    if (beside.isFile() && MayWrite(beside) && MayWrite(QFileInfo(beside.absolutePath())))
        return beside.filePath();
    const QString user = UserSettings();
    try {
        if (QFileInfo::exists(user)) {
            // A data folder removed since is made again, or the embedded database
            // could not be created in it.
            QDir().mkpath(UserDataFolder());
        } else {
            CreateUserSettings();
        }
    } catch (const EGravelonError& e) {
        if (AProblem)
            *AProblem = e.Message();
    }
    return user;
}

void TSettingsLocation::CreateUserSettings() const {
    const QString source = Template();
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        throw EGravelonError(QStringLiteral("Не удалось прочитать шаблон настроек %1: %2")
                                 .arg(source, in.errorString()));
    }
    const QByteArray text = in.readAll();
    const QString target = UserSettings();
    // The database's folder follows the umask, as the database itself does.
    const QString settingsFolder = QFileInfo(target).absolutePath();
    if (!MakeFolders(settingsFolder, SettingsFolderMode))
        throw EGravelonError(QStringLiteral("Не удалось создать папку %1").arg(settingsFolder));
    if (!QDir().mkpath(UserDataFolder()))
        throw EGravelonError(QStringLiteral("Не удалось создать папку %1").arg(UserDataFolder()));

    // Made under a name of its own and renamed into place: a first start killed
    // half-way leaves no half-written settings, and of two first starts at once the
    // second does not overwrite what the first made (rename never replaces a file).
    const QString part =
        target + QStringLiteral(".part-%1").arg(QCoreApplication::applicationPid());
    struct TRemovePart {
        QString Path;
        ~TRemovePart() { QFile::remove(Path); }
    } removePart{part};
    QFile out(part);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate, SettingsFileMode) ||
        !out.setPermissions(SettingsFileMode) || out.write(text) != text.size() || !out.flush()) {
        throw EGravelonError(QStringLiteral("Не удалось создать файл настроек %1: %2")
                                 .arg(target, out.errorString()));
    }
    out.close();

    // The template names its embedded database relative to itself; the user's copy
    // names it in the user's data folder, since the settings folder is for settings.
    const TIniFile ini(part);
    const QString baza = GravelonSettings::ReadConnection(ini).Baza.trimmed();
    const bool embedded = GravelonSettings::ReadConnection(ini).Serv.trimmed().isEmpty();
    if (embedded && !baza.isEmpty() && QDir::isRelativePath(baza))
        ini.WriteString(GravelonSettings::ConnectSection, QStringLiteral("Baza"),
                        QDir(UserDataFolder()).filePath(baza));

    if (!QFile::rename(part, target) && !QFileInfo::exists(target)) {
        throw EGravelonError(QStringLiteral("Не удалось создать файл настроек %1").arg(target));
    }
}

namespace GravelonSettings {

QString ProgramFolder() {
    return TSettingsLocation::ForThisProgram().ProgramFolder();
}

QString TakeSettingsOption(QStringList& AArgs, bool* AMalformed) {
    if (AMalformed)
        *AMalformed = false;
    if (AArgs.isEmpty())
        return QString();
    const QString first = AArgs.first();
    const QString prefix = QStringLiteral("--settings=");
    if (first.startsWith(prefix)) {
        AArgs.removeFirst();
        const QString value = first.mid(prefix.size());
        if (AMalformed)
            *AMalformed = value.isEmpty();
        return value;
    }
    if (first != QLatin1String("--settings"))
        return QString();
    if (AArgs.size() < 2) {
        AArgs.removeFirst();
        if (AMalformed)
            *AMalformed = true;
        return QString();
    }
    const QString value = AArgs.at(1);
    AArgs.remove(0, 2);
    if (AMalformed)
        *AMalformed = value.isEmpty();
    return value;
}

QString StateFolder() {
    const QString xdg = qEnvironmentVariable("XDG_STATE_HOME");
    const QString base = !xdg.isEmpty() && QDir::isAbsolutePath(xdg)
                             ? xdg
                             : QDir::home().filePath(QStringLiteral(".local/state"));
    return QDir(base).filePath(QStringLiteral("gravelon"));
}

bool MakePrivateFolder(const QString& AFolder) {
    return MakeFolders(AFolder, SettingsFolderMode);
}

QString CanonicalPath(const QString& ASettingsPath) {
    const QFileInfo info(ASettingsPath);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

} // namespace GravelonSettings
