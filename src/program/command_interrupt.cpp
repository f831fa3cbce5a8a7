#include "program/command_interrupt.h"

#include <atomic>
#include <csignal>

namespace {

std::atomic<bool> InterruptRequested{false};

extern "C" void RequestInterrupt(int) {
    InterruptRequested = true;
}

} // namespace

void CatchInterrupts() {
    std::signal(SIGXFSZ, SIG_IGN);
    InterruptRequested = false;
    std::signal(SIGINT, RequestInterrupt);
    std::signal(SIGTERM, RequestInterrupt);
    std::signal(SIGHUP, RequestInterrupt); // the terminal was closed
}

bool Interrupted() {
    return InterruptRequested;
}
