#include "ExportTempFile.h"

#include "Errors.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray Native(const QString& APath) {
    return QFile::encodeName(APath);
}

QString ErrnoText(int AError) {
    return QString::fromLocal8Bit(std::strerror(AError));
}

// ".~NAME.XXXXXX": hidden, and marked as a leftover of this program by the "~".
QString HiddenTemplate(const QString& AFolder, const QString& ATargetName) {
    return QDir(AFolder).filePath(QStringLiteral(".~") + ATargetName + QStringLiteral(".XXXXXX"));
}

constexpr time_t FreshSeconds = 2;

const QRegularExpression& StalePattern() {
    static const QRegularExpression pattern(QStringLiteral("^\\.~.+\\.[A-Za-z0-9]{6}$"));
    return pattern;
}

// A free name of the template's form, made by creating the file (mkstemp).
QString CreateHidden(const QString& AFolder, const QString& ATargetName, int* AFd) {
    QByteArray name = Native(HiddenTemplate(AFolder, ATargetName));
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return QString();
    *AFd = fd;
    return QFile::decodeName(name);
}

} // namespace

TExportTempFile::TExportTempFile(const QString& AFolder, const QString& ATargetName)
    : FFolder(AFolder), FTargetName(ATargetName) {
    RemoveStale(AFolder);
#ifdef O_TMPFILE
    FFd = ::open(Native(AFolder).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (FFd >= 0) {
        FWritePath = QStringLiteral("/proc/self/fd/%1").arg(FFd);
        // Without /proc the writer could not reach the unnamed file.
        if (::access(Native(FWritePath).constData(), W_OK) != 0) {
            ::close(FFd);
            FFd = -1;
            FWritePath.clear();
        }
    }
#endif
    if (FFd < 0) {
        FVisiblePath = CreateHidden(AFolder, ATargetName, &FFd);
        if (FVisiblePath.isEmpty()) {
            const int error = errno;
            throw EGravelonError(QStringLiteral("Не удалось создать файл в папке %1: %2")
                                     .arg(QDir::toNativeSeparators(AFolder), ErrnoText(error)));
        }
        FWritePath = FVisiblePath;
    }
    // Held until this writer ends, however it ends: the mark of a living writer.
    ::flock(FFd, LOCK_EX | LOCK_NB);
}

TExportTempFile::~TExportTempFile() {
    if (!FPlaced && !FVisiblePath.isEmpty())
        ::unlink(Native(FVisiblePath).constData());
    if (FFd >= 0)
        ::close(FFd);
}

void TExportTempFile::Place(const QString& ATarget, unsigned AMode) {
    if (::fchmod(FFd, mode_t(AMode)) != 0) {
        const int error = errno;
        throw EGravelonError(
            QStringLiteral("Не удалось задать права файла %1: %2").arg(ATarget, ErrnoText(error)));
    }
    QString from = FVisiblePath;
    if (from.isEmpty()) {
        // The unnamed file gets a hidden name first (link() cannot replace a file), then
        // takes the target's in one rename. A name taken meanwhile is tried again.
        for (int attempt = 0; attempt < 100 && from.isEmpty(); ++attempt) {
            int probe = -1;
            const QString name = CreateHidden(FFolder, FTargetName, &probe);
            if (name.isEmpty())
                break;
            ::close(probe);
            ::unlink(Native(name).constData());
            if (::linkat(AT_FDCWD, Native(FWritePath).constData(), AT_FDCWD,
                         Native(name).constData(), AT_SYMLINK_FOLLOW) == 0)
                from = name;
            else if (errno != EEXIST)
                break;
        }
        if (from.isEmpty()) {
            const int error = errno;
            throw EGravelonError(
                QStringLiteral("Не удалось сохранить файл %1: %2").arg(ATarget, ErrnoText(error)));
        }
    }
    if (std::rename(Native(from).constData(), Native(ATarget).constData()) != 0) {
        const int error = errno;
        ::unlink(Native(from).constData());
        throw EGravelonError(
            QStringLiteral("Не удалось сохранить файл %1: %2").arg(ATarget, ErrnoText(error)));
    }
    FPlaced = true;
}

int TExportTempFile::RemoveStale(const QString& AFolder) {
    int removed = 0;
    const QDir dir(AFolder);
    const QStringList names =
        dir.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (!StalePattern().match(name).hasMatch())
            continue;
        const QByteArray path = Native(dir.filePath(name));
        const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat opened {};
        struct stat named {};
        // Only a regular file that no writer holds, and still the one of that name. A
        // file made within the last seconds may be a writer's that has not locked it
        // yet.
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
            ::time(nullptr) - opened.st_mtime > FreshSeconds &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::lstat(path.constData(), &named) == 0 &&
            named.st_ino == opened.st_ino && named.st_dev == opened.st_dev &&
            ::unlink(path.constData()) == 0)
            ++removed;
        ::close(fd);
    }
    return removed;
}
