// Also built alone as the preloaded library (SONAVEL_READ_FAULT_PRELOAD): there the range
// comes from the environment and nothing but the read() below is used.
#ifndef SONAVEL_READ_FAULT_PRELOAD
#include "support/read_fault.h"

#include <QFile>
#endif

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <dlfcn.h>
#include <mutex>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Atomics throughout: any thread of the process may be reading some file while a test
// arms the fault.
struct TFault {
    std::atomic<bool> armed{false};
    std::atomic<bool> hold{false};      // wait instead of failing
    std::atomic<pthread_t> holdFree{0}; // the thread whose reads are never held
    std::mutex lock;
    std::condition_variable released;
    std::atomic<int> held{0};
    std::atomic<uint64_t> device{0}, inode{0};
    std::atomic<int64_t> from{0}, to{0};
};

TFault& Fault() {
    static TFault fault;
    return fault;
}

bool Arm(const char* path, long long from, long long to, bool hold = false) {
    struct stat st;
    if (::stat(path, &st) != 0)
        return false;
    TFault& f = Fault();
    f.armed = false;
    f.hold = hold;
    f.device = st.st_dev;
    f.inode = st.st_ino;
    f.from = from;
    f.to = to;
    f.armed = true;
    return true;
}

// A program started with the variables of ReadFaultEnvironment arms itself on loading.
__attribute__((constructor)) void ArmFromEnvironment() {
    const char* path = std::getenv("SONAVEL_READ_FAULT_FILE");
    const char* from = std::getenv("SONAVEL_READ_FAULT_FROM");
    const char* to = std::getenv("SONAVEL_READ_FAULT_TO");
    if (path && from && to)
        Arm(path, std::atoll(from), std::atoll(to));
}

} // namespace

extern "C" ssize_t read(int fd, void* buffer, size_t count) {
    using TRead = ssize_t (*)(int, void*, size_t);
    static const TRead next = reinterpret_cast<TRead>(dlsym(RTLD_NEXT, "read"));
    TFault& f = Fault();
    if (f.armed && count > 0) {
        struct stat st;
        const int saved = errno; // pipes and sockets answer lseek with ESPIPE
        const off_t at = ::lseek(fd, 0, SEEK_CUR);
        errno = saved;
        const int64_t from = f.from, to = f.to;
        if (at >= 0 && at < to && at + int64_t(count) > from && ::fstat(fd, &st) == 0 &&
            st.st_dev == f.device && st.st_ino == f.inode) {
            if (at < from) {
                count = size_t(from - at); // up to the damage, the bytes are fine
            } else if (f.hold && pthread_equal(pthread_self(), f.holdFree)) {
                // the arming thread reads on
            } else if (f.hold) {
                std::unique_lock lock(f.lock);
                ++f.held;
                f.released.wait_for(lock, std::chrono::seconds(20), [&f] { return !f.armed; });
                --f.held;
            } else {
                errno = EIO;
                return -1;
            }
        }
    }
    return next(fd, buffer, count);
}

#ifndef SONAVEL_READ_FAULT_PRELOAD
void ArmReadFault(const QString& path, int64_t from, int64_t to) {
    Arm(QFile::encodeName(path).constData(), from, to);
}

void HoldReads(const QString& path, int64_t from, int64_t to) {
    Fault().holdFree = pthread_self();
    Arm(QFile::encodeName(path).constData(), from, to, true);
}

int HeldReads() {
    return Fault().held;
}

void DisarmReadFault() {
    TFault& f = Fault();
    {
        std::lock_guard lock(f.lock);
        f.armed = false;
    }
    f.released.notify_all();
}

QStringList ReadFaultEnvironment(const QString& path, int64_t from, int64_t to) {
    QString asan = qEnvironmentVariable("ASAN_OPTIONS");
    // A sanitizer build wants its runtime first; the small library in front is harmless.
    if (!asan.isEmpty())
        asan += u':';
    asan += QStringLiteral("verify_asan_link_order=0");
    return {QStringLiteral("LD_PRELOAD=" SONAVEL_TEST_READ_FAULT_LIB),
            QStringLiteral("ASAN_OPTIONS=") + asan,
            QStringLiteral("SONAVEL_READ_FAULT_FILE=") + path,
            QStringLiteral("SONAVEL_READ_FAULT_FROM=") + QString::number(from),
            QStringLiteral("SONAVEL_READ_FAULT_TO=") + QString::number(to)};
}
#endif
