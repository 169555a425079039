#include "QuietStderr.h"

#include <QByteArray>
#include <QList>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace {

std::mutex& CaptureMutex() {
    static std::mutex m;
    return m;
}

// libxlsxwriter's messages, whatever the source file: "[ERROR][…" or "[WARNING][…".
bool LibraryLine(const QByteArray& ALine) {
    return ALine.startsWith("[ERROR]") || ALine.startsWith("[WARNING]");
}

} // namespace

TQuietStderr::TQuietStderr() {
    CaptureMutex().lock();
    std::fflush(stderr);
    FCapture = ::memfd_create("gravelon-stderr", MFD_CLOEXEC);
    if (FCapture >= 0)
        FSaved = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    if (FCapture >= 0 && FSaved >= 0 && ::dup2(FCapture, STDERR_FILENO) >= 0) {
        FActive = true;
        return;
    }
    // Without a place to put it the diagnostics stay where they were.
    if (FSaved >= 0)
        ::close(FSaved);
    if (FCapture >= 0)
        ::close(FCapture);
    FSaved = FCapture = -1;
    CaptureMutex().unlock();
}

TQuietStderr::~TQuietStderr() {
    Finish();
}

QString TQuietStderr::Finish() {
    if (!FActive)
        return FLibraryLines;
    FActive = false;
    std::fflush(stderr);
    ::dup2(FSaved, STDERR_FILENO);
    ::close(FSaved);
    QByteArray caught;
    char buffer[4096];
    ssize_t n = 0;
    off_t at = 0;
    while ((n = ::pread(FCapture, buffer, sizeof buffer, at)) > 0) {
        caught.append(buffer, n);
        at += n;
    }
    ::close(FCapture);
    FSaved = FCapture = -1;
    QByteArray others;
    for (const QByteArray& line : caught.split('\n')) {
        if (line.isEmpty())
            continue;
        if (LibraryLine(line))
            FLibraryLines += QString::fromLocal8Bit(line) + QLatin1Char('\n');
        else
            others += line + '\n';
    }
    for (qsizetype done = 0; done < others.size();) {
        const ssize_t w = ::write(STDERR_FILENO, others.constData() + done,
                                  size_t(others.size() - done));
        if (w <= 0)
            break;
        done += w;
    }
    CaptureMutex().unlock();
    return FLibraryLines;
}
