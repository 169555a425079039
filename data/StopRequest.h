#pragma once

#include <QString>

// A request to stop the process (SIGTERM, SIGHUP, a second kind of Ctrl-C) that arrived
// while a command runs. Set from a signal handler; read by whatever is about to make a
// change last: a transaction refuses to commit once it is set, and an export refuses to
// put its file in place, so a command stopped half way leaves everything as it was.
namespace StopRequest {

// Async-signal-safe: only stores to a lock-free atomic.
void Request(int ASignal) noexcept;
bool Requested() noexcept;
// The signal that asked, 0 when none did.
int Signal() noexcept;

// What a command stopped this way tells the operator.
extern const QString StoppedMessage;

} // namespace StopRequest
