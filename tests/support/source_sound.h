#pragma once

// A source's own decoded sound, as the media layer reads it, for comparing rips with.
// Test threads.

#include "base/media_time.h"

#include <QString>

#include <cstdint>
#include <vector>

// The 16-bit PCM a source's audio track decodes to (the media layer's own reading),
// at `rate` when given, with the number of its first sample.
struct TSourceSound {
    int rate = 0;
    int channels = 0;
    int64_t firstSample = 0;
    // Samples ahead of time 0: a DVD title's sound before its first picture, which time 0
    // stands for; a later time t is the sample at the picture shown at t.
    int64_t lead = 0;
    std::vector<int16_t> samples;
    int64_t frames() const { return channels ? int64_t(samples.size()) / channels : 0; }
    // The sample a range set at `time` starts at (TMediaTime's rule), also given in 100-ns
    // units as the window's and the command line's times still are.
    int64_t SampleAt(TMediaTime time) const {
        return time <= TMediaTime() ? 0 : time.ToSample(rate) + lead;
    }
    int64_t SampleAt(int64_t units) const { return SampleAt(TMediaTime::FromUnits(units)); }
};
TSourceSound ReadSourceSound(const QString& path, int rate = 0, int track = 0);

// Only the first channel of interleaved samples.
std::vector<int16_t> FirstChannel(const std::vector<int16_t>& samples, int channels);
