#include "program/command_interrupt.h"

#include <atomic>
#include <csignal>

namespace {

std::atomic<bool> InterruptRequested{false};
std::atomic<bool> Deferred{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void RequestInterrupt(int signalNumber) {
    if (!Deferred.load()) {
        // Ends as the default action would (the shell sees the signal), nothing to undo.
        std::signal(signalNumber, SIG_DFL);
        std::raise(signalNumber);
        return;
    }
    InterruptRequested = true;
}

} // namespace

void CatchInterrupts() {
    std::signal(SIGXFSZ, SIG_IGN);
    InterruptRequested = false;
    Deferred = false;
    std::signal(SIGINT, RequestInterrupt);
    std::signal(SIGTERM, RequestInterrupt);
    std::signal(SIGHUP, RequestInterrupt); // the terminal was closed
}

void DeferInterrupts() {
    Deferred = true;
}

bool Interrupted() {
    return InterruptRequested;
}
