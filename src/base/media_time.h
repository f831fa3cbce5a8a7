#pragma once

// A time on a source's time line, or a stretch of it, in the media layer's unit of 100 ns
// (ten million to the second). Every conversion the program makes is written here once,
// with its rounding:
//
// - milliseconds (what the window's track bar and the time texts count): truncated toward
//   zero, as a track bar position is the millisecond a time falls in;
// - samples at a rate: a sample's time is rounded down and a time's sample rounded up, so
//   FromSample(n, r).ToSample(r) == n, and a range set at a time starts on the first sample
//   at or after it; ToSampleNearest and FromSampleNearest for lengths (a stream's
//   duration, a decoded frame's);
// - the MPEG system clock's 90 kHz ticks (a DVD's times), to the nearest either way, so a
//   range set at a chapter boundary starts on the boundary's sample;
// - FFmpeg's AV_TIME_BASE microseconds (container start times and durations).
//
// Rounding to the nearest goes away from zero at a half, as FFmpeg's AV_ROUND_NEAR_INF;
// the results are FFmpeg's av_rescale_rnd's to the bit (the media layer used it before).
// A value, constexpr, any thread.

#include <compare>
#include <concepts>
#include <cstdint>
#include <limits>

class TMediaTime {
public:
    static constexpr int64_t kUnitsPerSecond = 10'000'000;
    static constexpr int64_t kUnitsPerMs = 10'000;
    static constexpr int64_t kUnitsPerMicrosecond = 10;
    // Ticks a second of the MPEG system clock, which a DVD's times count.
    static constexpr int64_t kMpegClockRate = 90'000;

    constexpr TMediaTime() = default;

    static constexpr TMediaTime FromUnits(int64_t units) { return TMediaTime(units); }
    static constexpr TMediaTime FromMs(int64_t ms) { return TMediaTime(ms * kUnitsPerMs); }
    template <std::integral T> static constexpr TMediaTime FromSeconds(T seconds) {
        return TMediaTime(int64_t(seconds) * kUnitsPerSecond);
    }
    // To the nearest unit.
    static TMediaTime FromSeconds(double seconds);
    static constexpr TMediaTime FromMicroseconds(int64_t us) {
        return TMediaTime(us * kUnitsPerMicrosecond);
    }
    // The time of sample `sample` at `rate` samples a second, rounded down; 0 for no rate.
    static constexpr TMediaTime FromSample(int64_t sample, int64_t rate) {
        return rate > 0 ? TMediaTime(Rescale(sample, kUnitsPerSecond, rate, TRound::Down))
                        : TMediaTime();
    }
    // A length of `samples` samples at `rate`, to the nearest unit (a decoded frame's
    // duration; ToSampleNearest's way back); 0 for no rate.
    static constexpr TMediaTime FromSampleNearest(int64_t samples, int64_t rate) {
        return rate > 0 ? TMediaTime(Rescale(samples, kUnitsPerSecond, rate, TRound::Nearest))
                        : TMediaTime();
    }
    static constexpr TMediaTime From90kHz(int64_t ticks) {
        return TMediaTime(Rescale(ticks, kUnitsPerSecond, kMpegClockRate, TRound::Nearest));
    }

    constexpr int64_t Units() const { return FUnits; }
    constexpr int64_t ToMs() const { return FUnits / kUnitsPerMs; }
    constexpr int64_t ToMicroseconds() const { return FUnits / kUnitsPerMicrosecond; }
    constexpr double ToSeconds() const { return double(FUnits) / double(kUnitsPerSecond); }
    // The first sample at or after this time at `rate`; 0 for no rate.
    constexpr int64_t ToSample(int64_t rate) const {
        return rate > 0 ? Rescale(FUnits, rate, kUnitsPerSecond, TRound::Up) : 0;
    }
    // This time (a length) in samples at `rate`, to the nearest; 0 for no rate.
    constexpr int64_t ToSampleNearest(int64_t rate) const {
        return rate > 0 ? Rescale(FUnits, rate, kUnitsPerSecond, TRound::Nearest) : 0;
    }
    constexpr int64_t To90kHz() const {
        return Rescale(FUnits, kMpegClockRate, kUnitsPerSecond, TRound::Nearest);
    }

    constexpr TMediaTime operator+(TMediaTime other) const {
        return TMediaTime(FUnits + other.FUnits);
    }
    constexpr TMediaTime operator-(TMediaTime other) const {
        return TMediaTime(FUnits - other.FUnits);
    }
    constexpr TMediaTime operator-() const { return TMediaTime(-FUnits); }
    constexpr TMediaTime operator*(int64_t factor) const { return TMediaTime(FUnits * factor); }
    friend constexpr TMediaTime operator*(int64_t factor, TMediaTime t) { return t * factor; }
    // Toward zero, as integers divide.
    constexpr TMediaTime operator/(int64_t divisor) const { return TMediaTime(FUnits / divisor); }
    constexpr TMediaTime& operator+=(TMediaTime other) {
        FUnits += other.FUnits;
        return *this;
    }
    constexpr TMediaTime& operator-=(TMediaTime other) {
        FUnits -= other.FUnits;
        return *this;
    }
    constexpr auto operator<=>(const TMediaTime&) const = default;
    // For logs and test failures; any stream with an operator<< for integers.
    template <class TStream> friend TStream& operator<<(TStream& out, TMediaTime t) {
        out << t.FUnits << " x 100 ns";
        return out;
    }

    enum class TRound { Down, Up, Nearest };
    // a * b / c rounded as asked (Down toward minus infinity, Up toward plus infinity,
    // Nearest with halves away from zero), computed without overflow on the way; c > 0,
    // b >= 0. A result beyond 64 bits is INT64_MIN, as FFmpeg's.
    static constexpr int64_t Rescale(int64_t a, int64_t b, int64_t c, TRound round) {
        __extension__ using TWide = __int128;
        const TWide product = TWide(a) * b;
        TWide quotient = product / c; // toward zero
        const TWide remainder = product % c;
        if (remainder != 0) {
            switch (round) {
            case TRound::Down:
                quotient -= product < 0 ? 1 : 0;
                break;
            case TRound::Up:
                quotient += product > 0 ? 1 : 0;
                break;
            case TRound::Nearest:
                if ((remainder < 0 ? -remainder : remainder) * 2 >= c)
                    quotient += product < 0 ? -1 : 1;
                break;
            }
        }
        if (quotient > std::numeric_limits<int64_t>::max() ||
            quotient < std::numeric_limits<int64_t>::min())
            return std::numeric_limits<int64_t>::min();
        return int64_t(quotient);
    }

private:
    constexpr explicit TMediaTime(int64_t units) : FUnits(units) {}

    int64_t FUnits = 0;
};
