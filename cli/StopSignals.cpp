#include "StopSignals.h"

#include "StopRequest.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {

// Long enough for a lock wait (5 s) and the rollback after it.
constexpr int GraceMilliseconds = 15000;

int WakePipe[2] = {-1, -1};
std::atomic<bool> Finished{false};
QByteArray StoppedLine;

extern "C" void OnStopSignal(int ASignal) {
    const int saved = errno;
    StopRequest::Request(ASignal);
    const char byte = 1;
    // Only async-signal-safe calls here: the pipe is non-blocking, a full one is awake
    // already.
    [[maybe_unused]] const ssize_t n = ::write(WakePipe[1], &byte, 1);
    errno = saved;
}

void Watch() {
    char byte = 0;
    while (::read(WakePipe[0], &byte, 1) < 0 && errno == EINTR) {
    }
    // The command ends by itself at its next cancellation point or commit; it is given
    // the time a lock wait takes.
    pollfd none{-1, 0, 0};
    for (int waited = 0; waited < GraceMilliseconds && !Finished.load(); waited += 100)
        ::poll(&none, 0, 100);
    if (Finished.load())
        return;
    std::fflush(stdout);
    [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, StoppedLine.constData(),
                                               size_t(StoppedLine.size()));
    ::_exit(StopSignals::ExitCode());
}

} // namespace

namespace StopSignals {

void Install() {
    StoppedLine = StopRequest::StoppedMessage.toLocal8Bit() + '\n';
    if (::pipe2(WakePipe, O_CLOEXEC) != 0)
        return;
    ::fcntl(WakePipe[1], F_SETFL, O_NONBLOCK);
    std::thread(Watch).detach();
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    // A second signal of the kind ends the process at once, as it would have.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

void CommandFinished() {
    Finished.store(true);
}

int ExitCode() {
    return 128 + (StopRequest::Signal() > 0 ? StopRequest::Signal() : SIGTERM);
}

} // namespace StopSignals

TStderrDevice::TStderrDevice() {
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 TStderrDevice::writeData(const char* AData, qint64 ASize) {
    std::fwrite(AData, 1, size_t(ASize), stderr);
    std::fflush(stderr);
    FTail = (FTail + QByteArray(AData, ASize)).right(1024);
    return ASize;
}

bool TStderrDevice::Said(const QString& AText) const {
    return FTail.contains(AText.toLocal8Bit());
}
