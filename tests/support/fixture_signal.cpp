#include "fixture_signal.h"

#include <algorithm>
#include <cmath>

namespace fixture_signal {

namespace {

constexpr double kPi = 3.14159265358979323846;

uint64_t SplitMix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Uniform in [-1, 1), a pure function of its arguments.
double White(uint32_t seed, int channel, int64_t frame) {
    uint64_t key = (uint64_t(seed) << 40) ^ (uint64_t(channel & 0xFF) << 32) ^ uint64_t(frame);
    return double(SplitMix(key) >> 11) / double(1ull << 52) - 1.0;
}

// Moving sum of four white samples: a gentle low-pass (first null at rate/4) that keeps
// the noise where lossy audio codecs keep their bits.
double Noise(uint32_t seed, int channel, int64_t frame) {
    double sum = 0;
    for (int k = 0; k < 4; ++k)
        sum += White(seed, channel, frame - k);
    return sum / 4.0;
}

} // namespace

double ToneHz(const TSignal& signal, int channel, int64_t second) {
    if (channel == signal.lfeChannel)
        return 40.0 + 10.0 * double(second % 5);
    int semitone = int((second * 5 + channel * 7 + int64_t(signal.seed) * 3) % 24);
    return 220.0 * std::pow(2.0, semitone / 12.0);
}

double SampleAt(const TSignal& signal, int channel, int64_t frame, int rate) {
    if (frame < 0)
        return 0.0;
    int64_t second = frame / rate;
    double within = double(frame - second * rate) / rate;
    if (within >= kSoundSeconds)
        return 0.0;
    double envelope =
        std::min({1.0, within / kFadeSeconds, (kSoundSeconds - within) / kFadeSeconds});
    double tone = std::sin(2 * kPi * ToneHz(signal, channel, second) * within);
    if (channel == signal.lfeChannel)
        return signal.peak * envelope * tone;
    return signal.peak * envelope * (0.6 * tone + 0.4 * Noise(signal.seed, channel, frame));
}

std::vector<int16_t> SourceS16(const TSignal& signal, int rate, int64_t first, int64_t count) {
    std::vector<int16_t> out;
    out.reserve(size_t(std::max<int64_t>(count, 0) * signal.channels));
    for (int64_t i = 0; i < count; ++i)
        for (int c = 0; c < signal.channels; ++c)
            out.push_back(int16_t(std::lround(SampleAt(signal, c, first + i, rate) * 32767.0)));
    return out;
}

double SongsSampleAt(int channel, int64_t frame) {
    const double t = double(frame) / kSongsRate;
    // Hiss about 53 dB and mains hum about 63 dB below full scale (the loudest songs'
    // short-term loudness is about -12 dB).
    double sample = 0.008 * Noise(101, channel, frame) + 0.001 * std::sin(2 * kPi * 50.0 * t);
    if (t >= kSongDipStart && t < kSongDipEnd)
        return sample;
    for (int k = 0; k < kSongCount; ++k) {
        if (t >= kSongStart[k] && t < kSongEnd[k]) {
            const TSignal song{uint32_t(111 + k), 2, 0.8, -1};
            const int64_t first = std::llround(kSongStart[k] * kSongsRate);
            sample += kSongGain[k] * SampleAt(song, channel, frame - first, kSongsRate);
        }
    }
    return sample;
}

bool IsSilentAt(double seconds, double margin) {
    double within = seconds - std::floor(seconds);
    return within >= kSoundSeconds + margin && within <= 1.0 - margin;
}

bool IsLoudAt(double seconds, double margin) {
    double within = seconds - std::floor(seconds);
    return within >= kFadeSeconds + margin && within <= kSoundSeconds - kFadeSeconds - margin;
}

TBlockLayout BlockLayout(int width, int /*height*/) {
    TBlockLayout layout;
    layout.size = std::max(16, width / 18 / 8 * 8);
    layout.x0 = std::max(0, (width - kBlockCount * layout.size) / 2 / 8 * 8);
    layout.y0 = layout.size / 16 * 16;
    return layout;
}

int DecodeFrameIndex(const uint8_t* luma, int linesize, int width, int height) {
    TBlockLayout layout = BlockLayout(width, height);
    if (!luma || layout.x0 + kBlockCount * layout.size > width || layout.y0 + layout.size > height)
        return -1;
    // Mean of the inner half of each block: edges blur under compression, centres do not.
    auto level = [&](int block) {
        int x = layout.x0 + block * layout.size + layout.size / 4;
        int y = layout.y0 + layout.size / 4;
        int n = layout.size / 2;
        long sum = 0;
        for (int row = 0; row < n; ++row)
            for (int col = 0; col < n; ++col)
                sum += luma[(y + row) * linesize + x + col];
        return double(sum) / (n * n);
    };
    if (level(0) < 160 || level(kBlockCount - 1) > 90)
        return -1;
    int index = 0;
    for (int bit = 0; bit < kIndexBits; ++bit) {
        double v = level(1 + bit);
        if (v > 90 && v < 160)
            return -1;
        index = index * 2 + (v >= 160 ? 1 : 0);
    }
    return index;
}

} // namespace fixture_signal
