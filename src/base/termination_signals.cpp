#include "base/termination_signals.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace {

// The write end of the pipe, read by the handler: a lock-free atomic is safe there.
std::atomic<int> gWriteFd{-1};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnTerminationSignal(int signalNumber) {
    // Nothing but write(2) here: it is async-signal-safe, and errno is the interrupted
    // code's, not ours.
    const int savedErrno = errno;
    const int fd = gWriteFd.load(std::memory_order_relaxed);
    if (fd >= 0) {
        const unsigned char number = static_cast<unsigned char>(signalNumber);
        [[maybe_unused]] const ssize_t written = ::write(fd, &number, 1);
    }
    errno = savedErrno;
}

} // namespace

TTerminationSignals::TTerminationSignals(QObject* parent) : QObject(parent) {
    int fds[2];
    if (gWriteFd.load() >= 0 || ::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    FReadFd = fds[0];
    gWriteFd.store(fds[1]);
    FNotifier = new QSocketNotifier(FReadFd, QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, [this] { PipeReadable(); });

    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    // Restart interrupted calls; reset after the first delivery, so a second signal of
    // the same kind ends a program that hangs while closing.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    FInstalled = true;
    for (size_t i = 0; i < Signals.size(); ++i)
        if (::sigaction(Signals[i], &action, &FPrevious[i]) != 0)
            FInstalled = false;
}

TTerminationSignals::~TTerminationSignals() {
    if (FReadFd < 0)
        return;
    for (size_t i = 0; i < Signals.size(); ++i)
        ::sigaction(Signals[i], &FPrevious[i], nullptr);
    const int writeFd = gWriteFd.exchange(-1);
    delete FNotifier;
    ::close(FReadFd);
    ::close(writeFd);
}

void TTerminationSignals::PipeReadable() {
    unsigned char numbers[16];
    ssize_t n;
    while ((n = ::read(FReadFd, numbers, sizeof numbers)) > 0)
        for (ssize_t i = 0; i < n; ++i)
            emit received(numbers[i]);
}
