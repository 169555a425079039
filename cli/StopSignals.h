#pragma once

#include <QIODevice>

// SIGTERM and SIGHUP end a command the way Ctrl-C ends a calculation: the handler only
// records the request (StopRequest) and wakes a watcher thread through a pipe. The
// command goes on to its next cancellation point or commit, which refuses and rolls
// back, and the tool says in Russian that it was stopped and that nothing was changed.
// A command that does not get there within a grace period (a statement that will not
// end) is ended by the watcher with the same sentence: the database drops a transaction
// whose connection goes, so nothing is changed then either.
namespace StopSignals {

// Installs the handlers and starts the watcher; call once, before any command runs.
void Install();
// The command has returned: the watcher must not end the process any more.
void CommandFinished();
// 128 + the signal's number, as a shell reports a process a signal ended.
int ExitCode();

} // namespace StopSignals

// Standard error as the commands write it, remembering what was written last, so the
// tool says a stopped command was stopped once and only once.
class TStderrDevice : public QIODevice {
public:
    TStderrDevice();
    bool Said(const QString& AText) const;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* AData, qint64 ASize) override;

private:
    QByteArray FTail;
};
