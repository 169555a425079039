#include "ExportTempFile.h"

#include "ProcessFiles.h"

#include "Errors.h"
#include "FileProblem.h"
#include "StopRequest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

QByteArray Native(const QString& APath) {
    return QFile::encodeName(APath);
}

QString Shown(const QString& APath) {
    return QDir::toNativeSeparators(APath);
}

// Refuses what a rename must not replace: anything but a regular file.
void RequireRegularOrMissing(const QString& APath) {
    struct stat st {};
    if (::lstat(Native(APath).constData(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode))
        throw EGravelonError(QStringLiteral("%1 является папкой").arg(APath));
    if (!S_ISREG(st.st_mode))
        throw EGravelonError(
            QStringLiteral("%1 не является обычным файлом (это устройство, канал, сокет или "
                           "ссылка на несуществующий файл); укажите другое имя файла")
                .arg(Shown(APath)));
    // Replacing the program's own database (or its log) would take the orders from under
    // the connection.
    if (ProcessFiles::HasOpen(APath))
        throw EGravelonError(QStringLiteral("%1 — файл базы данных, открытый программой; укажите "
                                            "другое имя файла")
                                 .arg(Shown(APath)));
}

// Mode of a newly created file, as the user's umask grants it.
unsigned NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return unsigned(0666 & ~mask);
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

QString TExportTempFile::CheckedTarget(const QString& AFileName) {
    QFileInfo target(AFileName);
    if (AFileName.trimmed().isEmpty() || target.fileName().isEmpty())
        throw EGravelonError(QStringLiteral("Не указано имя файла"));
    // Saving through a link replaces the file it points to, not the link.
    if (target.isSymLink() && target.exists())
        target = QFileInfo(target.canonicalFilePath());
    const QString folder = target.absolutePath();
    struct stat st {};
    if (::stat(Native(folder).constData(), &st) != 0) {
        const int error = errno;
        if (error == ENOENT)
            throw EGravelonError(QStringLiteral("Папка %1 не существует; выберите существующую "
                                                "папку")
                                     .arg(Shown(folder)));
        throw EGravelonError(QStringLiteral("Папка %1 недоступна: %2")
                                 .arg(Shown(folder), FileProblem::Reason(error)));
    }
    if (!S_ISDIR(st.st_mode))
        throw EGravelonError(QStringLiteral("%1 не является папкой").arg(Shown(folder)));
    const QString path = target.absoluteFilePath();
    RequireRegularOrMissing(path);
    return path;
}

TExportTempFile::TExportTempFile(const QString& ATarget) : FTarget(CheckedTarget(ATarget)) {
    const QFileInfo target(FTarget);
    FFolder = target.absolutePath();
    FTargetName = target.fileName();
    RemoveStale(FFolder);
#ifdef O_TMPFILE
    FFd = ::open(Native(FFolder).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
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
        FVisiblePath = CreateHidden(FFolder, FTargetName, &FFd);
        if (FVisiblePath.isEmpty()) {
            const int error = errno;
            throw EGravelonError(QStringLiteral("Не удалось создать файл в папке %1: %2")
                                     .arg(Shown(FFolder), FileProblem::Reason(error)));
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

void TExportTempFile::Write(const QByteArray& ABytes) {
    const char* at = ABytes.constData();
    qint64 left = ABytes.size();
    while (left > 0) {
        const ssize_t n = ::write(FFd, at, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            throw EGravelonError(QStringLiteral("Не удалось записать файл %1: %2")
                                     .arg(Shown(FTarget), FileProblem::Reason(error)));
        }
        at += n;
        left -= n;
    }
}

bool TExportTempFile::DiskFull() const {
    // Less than 64 KB left is as good as none: a writer's next buffer does not fit.
    struct statvfs fs {};
    return ::fstatvfs(FFd, &fs) == 0 && fs.f_bavail * fs.f_frsize < 64 * 1024 &&
           fs.f_frsize > 0;
}

void TExportTempFile::Place() {
    if (StopRequest::Requested())
        throw EGravelonError(StopRequest::StoppedMessage);
    // What the target is now, not when the export began: it may have been replaced.
    RequireRegularOrMissing(FTarget);
    // An existing target keeps its mode; a new file gets what the umask grants.
    struct stat existing {};
    const unsigned mode = ::stat(Native(FTarget).constData(), &existing) == 0
                              ? unsigned(existing.st_mode & 07777)
                              : NewFileMode();
    if (::fchmod(FFd, mode_t(mode)) != 0) {
        const int error = errno;
        throw EGravelonError(QStringLiteral("Не удалось задать права файла %1: %2")
                                 .arg(Shown(FTarget), FileProblem::Reason(error)));
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
            throw EGravelonError(QStringLiteral("Не удалось сохранить файл %1: %2")
                                     .arg(Shown(FTarget), FileProblem::Reason(error)));
        }
    }
    if (std::rename(Native(from).constData(), Native(FTarget).constData()) != 0) {
        const int error = errno;
        ::unlink(Native(from).constData());
        throw EGravelonError(QStringLiteral("Не удалось сохранить файл %1: %2")
                                 .arg(Shown(FTarget), FileProblem::Reason(error)));
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
