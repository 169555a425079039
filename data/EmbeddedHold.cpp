#include "EmbeddedHold.h"

#include <QByteArray>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>
#include <sqlite3.h>

#ifdef __linux__
#include <dirent.h>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>
#include <cstring>
#endif

namespace {

sqlite3* SqliteHandle(const QSqlDatabase& ADb) {
    if (!ADb.isOpen() || !ADb.driver())
        return nullptr;
    const QVariant v = ADb.driver()->handle();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(v.constData());
}

#ifdef __linux__

// SQLite's unix locking: a reader's shared lock lies in this range of the database
// file, the "still using the log" lock on this byte of the -shm file.
constexpr off_t SharedFirst = 0x40000000 + 2;
constexpr off_t SharedSize = 510;
constexpr off_t ShmDmsByte = 128;

// Whether the process's own POSIX lock list names the inode: the fallback when the
// lock probe below answers with another process's lock.
bool LockListHas(pid_t APid, ino_t AInode) {
    std::FILE* f = std::fopen("/proc/locks", "re");
    if (!f)
        return true; // nothing to tell by: do not refuse on a guess
    char line[512];
    bool found = false;
    while (!found && std::fgets(line, sizeof line, f)) {
        // "1: POSIX  ADVISORY  READ 1234 08:01:56789 128 128"
        char kind[16] = {};
        long pid = 0;
        unsigned major = 0;
        unsigned minor = 0;
        unsigned long long inode = 0;
        const char* p = std::strchr(line, ':');
        if (!p)
            continue;
        if (std::sscanf(p + 1, " %15s %*s %*s %ld %x:%x:%llu", kind, &pid, &major, &minor,
                        &inode) == 5 &&
            std::strcmp(kind, "POSIX") == 0 && pid == APid && inode == AInode)
            found = true;
    }
    std::fclose(f);
    return found;
}

// Whether this process holds a POSIX lock over the range of the open file. An open
// file description lock conflicts with POSIX locks of its own process too, so asking
// for one through SQLite's descriptor (nothing opened, nothing closed) finds ours.
bool HoldsLock(int AFd, off_t AStart, off_t ALength) {
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = AStart;
    probe.l_len = ALength;
    if (::fcntl(AFd, F_OFD_GETLK, &probe) != 0)
        return true; // a kernel without the probe: nothing to tell by
    if (probe.l_type == F_UNLCK)
        return false;
    if (probe.l_pid == ::getpid())
        return true;
    // Another process's lock came first; ours may stand beside it.
    struct stat st {};
    return ::fstat(AFd, &st) != 0 || LockListHas(::getpid(), st.st_ino);
}

bool SameFile(int AFd, const QByteArray& APath) {
    struct stat opened {};
    struct stat named {};
    if (::fstat(AFd, &opened) != 0)
        return true;
    return ::stat(APath.constData(), &named) == 0 && named.st_dev == opened.st_dev &&
           named.st_ino == opened.st_ino;
}

bool IntactFiles(const QByteArray& ADatabase) {
    static const QByteArray Deleted(" (deleted)");
    DIR* fds = ::opendir("/proc/self/fd");
    if (!fds)
        return true;
    bool intact = true;
    int database = -1;
    int shm = -1;
    while (dirent* e = ::readdir(fds)) {
        if (e->d_name[0] == '.')
            continue;
        char target[4096];
        const QByteArray link = QByteArray("/proc/self/fd/") + e->d_name;
        const ssize_t n = ::readlink(link.constData(), target, sizeof target - 1);
        if (n <= 0)
            continue;
        QByteArray path(target, int(n));
        const bool deleted = path.endsWith(Deleted);
        if (deleted)
            path.chop(Deleted.size());
        if (!path.startsWith(ADatabase))
            continue;
        const QByteArray suffix = path.mid(ADatabase.size());
        if (!suffix.isEmpty() && suffix != "-wal" && suffix != "-shm" && suffix != "-journal")
            continue;
        const int fd = std::atoi(e->d_name);
        if (deleted || !SameFile(fd, path)) {
            intact = false;
            break;
        }
        if (suffix.isEmpty())
            database = fd;
        else if (suffix == "-shm")
            shm = fd;
    }
    ::closedir(fds);
    // Between transactions only a connection that uses the log holds locks: in WAL
    // mode, for as long as it is open.
    if (intact && shm >= 0) {
        intact = HoldsLock(shm, ShmDmsByte, 1) &&
                 (database < 0 || HoldsLock(database, SharedFirst, SharedSize));
    }
    return intact;
}

#endif

} // namespace

namespace EmbeddedHold {

bool Intact(const QSqlDatabase& ADb) {
#ifdef __linux__
    sqlite3* handle = SqliteHandle(ADb);
    if (!handle)
        return true;
    const char* file = sqlite3_db_filename(handle, "main");
    if (!file || !*file)
        return true; // an in-memory database has no files to lose
    // SQLite's own word on the database file: still the one at its path.
    int moved = 0;
    if (sqlite3_file_control(handle, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved)
        return false;
    // The kernel names open files by their real path; SQLite's may pass through a link.
    char real[PATH_MAX];
    return IntactFiles(QByteArray(::realpath(file, real) ? real : file));
#else
    Q_UNUSED(ADb);
    return true;
#endif
}

void Abandon(QSqlDatabase& ADb) {
    if (sqlite3* handle = SqliteHandle(ADb))
        sqlite3_db_config(handle, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    ADb.close();
}

} // namespace EmbeddedHold
