#include "ProcessFiles.h"

#include <QFile>

#ifdef __linux__
#include <dirent.h>
#include <sys/stat.h>
#endif

namespace ProcessFiles {

bool HasOpen(const QString& APath) {
#ifdef __linux__
    struct stat named {};
    if (::stat(QFile::encodeName(APath).constData(), &named) != 0 || !S_ISREG(named.st_mode))
        return false;
    DIR* fds = ::opendir("/proc/self/fd");
    if (!fds)
        return false;
    bool open = false;
    while (!open) {
        const dirent* e = ::readdir(fds);
        if (!e)
            break;
        struct stat opened {};
        // stat through the descriptor's link reaches the open file itself.
        open = e->d_name[0] != '.' &&
               ::stat((QByteArray("/proc/self/fd/") + e->d_name).constData(), &opened) == 0 &&
               opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
    }
    ::closedir(fds);
    return open;
#else
    Q_UNUSED(APath);
    return false;
#endif
}

} // namespace ProcessFiles
