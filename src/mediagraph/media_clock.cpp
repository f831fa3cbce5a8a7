#include "mediagraph/media_clock.h"

#include "base/media_time.h"

#include <algorithm>

namespace media {

REFERENCE_TIME TMediaClock::NowLocked() const {
    if (!FRunning)
        return FBase;
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::nanoseconds>(Steady::now() - FStart);
    return FBase +
           static_cast<REFERENCE_TIME>(static_cast<double>(elapsed.count()) / 100.0 * FRate);
}

void TMediaClock::StartLocked() {
    if (FRunning)
        return;
    FStart = Steady::now();
    FRunning = true;
}

void TMediaClock::FreezeLocked() {
    if (!FRunning)
        return;
    FBase = NowLocked();
    FRunning = false;
}

REFERENCE_TIME TMediaClock::Now() const {
    std::lock_guard lock(FLock);
    return NowLocked();
}

bool TMediaClock::Running() const {
    std::lock_guard lock(FLock);
    return FRunning;
}

void TMediaClock::SetState(FILTER_STATE state) {
    {
        std::lock_guard lock(FLock);
        FState = state;
        if (state == FILTER_STATE::State_Running && FPrerolled)
            StartLocked();
        else
            FreezeLocked();
    }
    FChanged.notify_all();
}

FILTER_STATE TMediaClock::State() const {
    std::lock_guard lock(FLock);
    return FState;
}

int TMediaClock::NewEpoch(REFERENCE_TIME target) {
    int epoch;
    {
        std::lock_guard lock(FLock);
        FreezeLocked();
        epoch = ++FEpoch;
        FBase = FTarget = target;
        FPrerolled = false;
        FEnded = 0;
        FCompleteSent = false;
    }
    FChanged.notify_all();
    return epoch;
}

void TMediaClock::SetStreams(unsigned mask, Stream prerollStream) {
    std::lock_guard lock(FLock);
    FStreams = mask;
    FPrerollStream = prerollStream;
}

void TMediaClock::SetRate(double rate) {
    {
        std::lock_guard lock(FLock);
        const bool running = FRunning;
        FreezeLocked();
        FRate = rate;
        if (running)
            StartLocked();
    }
    FChanged.notify_all();
}

double TMediaClock::Rate() const {
    std::lock_guard lock(FLock);
    return FRate;
}

void TMediaClock::SetCompleteHandler(std::function<void()> handler) {
    std::lock_guard lock(FLock);
    FComplete = std::move(handler);
}

bool TMediaClock::WaitPrerolled(long msTimeout) const {
    std::unique_lock lock(FLock);
    auto ready = [&] { return FPrerolled || FShutdown || FStreams == 0; };
    if (msTimeout < 0) {
        FChanged.wait(lock, ready);
        return FPrerolled || FStreams == 0;
    }
    FChanged.wait_for(lock, std::chrono::milliseconds(msTimeout), ready);
    return FPrerolled || FStreams == 0;
}

bool TMediaClock::Prerolled() const {
    std::lock_guard lock(FLock);
    return FPrerolled || FStreams == 0;
}

void TMediaClock::Shutdown() {
    {
        std::lock_guard lock(FLock);
        FShutdown = true;
        FreezeLocked();
    }
    FChanged.notify_all();
}

void TMediaClock::Restart() {
    std::lock_guard lock(FLock);
    FShutdown = false;
    FStreams = 0;
    FPrerolled = false;
    FEnded = 0;
    FCompleteSent = false;
}

int TMediaClock::Epoch() const {
    std::lock_guard lock(FLock);
    return FEpoch;
}

REFERENCE_TIME TMediaClock::Target() const {
    std::lock_guard lock(FLock);
    return FTarget;
}

bool TMediaClock::IsCurrent(int epoch) const {
    std::lock_guard lock(FLock);
    return epoch == FEpoch && !FShutdown;
}

bool TMediaClock::IsPrerolled(int epoch) const {
    std::lock_guard lock(FLock);
    return epoch == FEpoch && FPrerolled;
}

void TMediaClock::MarkPrerolled(int epoch, Stream stream) {
    {
        std::lock_guard lock(FLock);
        if (epoch != FEpoch || FPrerolled || stream != FPrerollStream)
            return;
        FPrerolled = true;
        if (FState == FILTER_STATE::State_Running)
            StartLocked();
    }
    FChanged.notify_all();
}

void TMediaClock::MarkEndOfStream(int epoch, Stream stream) {
    std::function<void()> complete;
    {
        std::lock_guard lock(FLock);
        if (epoch != FEpoch || FShutdown)
            return;
        FEnded |= 1u << stream;
        if ((FEnded & FStreams) == FStreams && !FCompleteSent) {
            FCompleteSent = true;
            complete = FComplete;
        }
    }
    if (complete)
        complete();
}

bool TMediaClock::WaitUntil(REFERENCE_TIME t, int epoch) const {
    std::unique_lock lock(FLock);
    for (;;) {
        if (FShutdown || epoch != FEpoch)
            return false;
        const REFERENCE_TIME now = NowLocked();
        if (FRunning && now >= t)
            return true;
        // The clock may be pulled or restarted at any time; wake up now and then.
        auto wait = std::chrono::milliseconds(50);
        if (FRunning) {
            const double ms =
                TMediaTime::FromUnits(t - now).ToSeconds() * 1000.0 / std::max(FRate, 0.01);
            wait = std::min(wait, std::chrono::milliseconds(static_cast<long>(ms) + 1));
        }
        FChanged.wait_for(lock, wait);
    }
}

bool TMediaClock::Sleep(int ms, int epoch) const {
    std::unique_lock lock(FLock);
    return !FChanged.wait_for(lock, std::chrono::milliseconds(ms),
                              [&] { return FShutdown || epoch != FEpoch; });
}

void TMediaClock::Correct(REFERENCE_TIME t, REFERENCE_TIME tolerance) {
    // The clock is slewed, never stepped: at most 5 ms every 100 ms (5 % of speed), so
    // the picture never jumps back or stalls while it follows the sound.
    constexpr REFERENCE_TIME kMaxStep = 50'000;
    std::lock_guard lock(FLock);
    if (!FRunning)
        return;
    const auto now = Steady::now();
    if (now - FLastCorrection < std::chrono::milliseconds(100))
        return;
    const REFERENCE_TIME diff = t - NowLocked();
    if (std::abs(diff) <= tolerance)
        return;
    FBase += std::clamp(diff, -kMaxStep, kMaxStep);
    FLastCorrection = now;
}

} // namespace media
