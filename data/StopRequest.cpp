#include "StopRequest.h"

#include <atomic>

namespace {

std::atomic<int> Stop{0};
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

} // namespace

namespace StopRequest {

const QString StoppedMessage =
    QStringLiteral("Команда остановлена по сигналу завершения; ничего не изменено");

void Request(int ASignal) noexcept {
    Stop.store(ASignal > 0 ? ASignal : 1);
}

bool Requested() noexcept {
    return Stop.load() != 0;
}

int Signal() noexcept {
    return Stop.load();
}

} // namespace StopRequest
