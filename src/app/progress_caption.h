#pragma once

// How far a rip is, for the window's progress bar and the command line's progress line:
// percent of the range done, speed against real time and time left, and the caption
// "42 % · 3.1× · 0:12 left". A plain value, any thread.
//
// - Percent is rounded down, so "100 %" means done.
// - Speed (source time done / wall time spent) is only given once half a second of wall
//   time and some source have passed; before that the caption shows the percent alone.
// - Time left = source left / speed, rounded up to the second; at 100 % it is left out.

#include <QString>

#include <cstdint>

class TProgressCaption {
public:
    static constexpr int64_t kMinElapsedMs = 500;

    TProgressCaption() = default;
    // Range [rangeStartMs, rangeEndMs] of source time, the current source position and
    // the wall time since the run began. Positions outside the range are held to it.
    TProgressCaption(int64_t rangeStartMs, int64_t rangeEndMs, int64_t positionMs,
                     int64_t elapsedMs);

    int Percent() const { return FPercent; }      // 0..100
    double Fraction() const { return FFraction; } // 0..1, unrounded
    bool SpeedKnown() const { return FSpeed > 0; }
    double Speed() const { return FSpeed; }              // × real time; 0 when unknown
    int64_t SecondsLeft() const { return FSecondsLeft; } // -1 when unknown
    bool Done() const { return FPercent >= 100; }

    // "42 % · 3.1× · 0:12 left", "0 %", "100 % · 3.1×".
    QString Text() const;

    // "3.1×" below 10, "12×" from there; "0:12", "1:02:03".
    static QString SpeedText(double speed);
    static QString DurationText(int64_t seconds);

private:
    int FPercent = 0;
    double FFraction = 0;
    double FSpeed = 0;
    int64_t FSecondsLeft = -1;
};
