// Would Opus encode in parallel segments as MP3 does? Generated sounds are encoded once by
// one libopus encoder (TOpusEncoder, the rip's own settings) and once in segments by several,
// each starting PREROLL packets before the packets it stands for and running on past its
// end; the segments' packets are joined at the segment starts into one stream, as the rip
// engine's packet joiner would, and both streams are decoded by one libopus decoder each.
// Printed per sound and bit rate: the error energy against the source in 20 ms windows
// around every seam over the single encoder's there (dB; 0 is a seam as clean as no seam),
// the worst and the mean, the 99th percentile of the same figure away from the seams (how
// far the joined stream differs anyway), and the largest sample error within 1 ms of a seam
// over the single encoder's there (a click shows well above 1), with the 99th percentile of
// that ratio away from the seams beside it.
//
// Usage: bench_opus_seams [--preroll PACKETS] [--seconds S]

#include "audio/xiph/opus_encoder.h"

#include <opus.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int kRate = TOpusEncoder::SampleRate;
constexpr int kFrame = TOpusEncoder::FrameSamples;

using TSound = std::vector<float>; // interleaved stereo, -1..1

// Sustained tones with a slow swell.
TSound Tonal(int64_t n) {
    TSound s(size_t(n) * 2);
    const double tau = 2 * M_PI;
    for (int64_t i = 0; i < n; ++i) {
        const double t = double(i) / kRate, swell = 0.6 + 0.4 * std::sin(tau * 0.3 * t);
        for (int c = 0; c < 2; ++c)
            s[size_t(2 * i + c)] = float(swell * (0.22 * std::sin(tau * (220 + c) * t) +
                                                  0.16 * std::sin(tau * 330.7 * t) +
                                                  0.10 * std::sin(tau * 1318.5 * t)));
    }
    return s;
}

// Low-passed noise whose level wanders, with bursts.
TSound Noisy(int64_t n) {
    TSound s(size_t(n) * 2);
    std::mt19937 rng(7);
    std::normal_distribution<double> g(0, 0.18);
    double low[2] = {};
    for (int64_t i = 0; i < n; ++i) {
        const double t = double(i) / kRate;
        const double level =
            (1.2 + std::sin(2 * M_PI * 0.13 * t)) * (std::fmod(t, 3.1) < 0.25 ? 1.6 : 1.0);
        for (int c = 0; c < 2; ++c) {
            low[c] = 0.7 * low[c] + 0.3 * g(rng);
            s[size_t(2 * i + c)] = float(std::clamp(level * low[c], -1.0, 1.0));
        }
    }
    return s;
}

// Voiced bursts of 80-300 ms on a wandering pitch, with silences of 60-250 ms between.
TSound Speech(int64_t n) {
    TSound s(size_t(n) * 2, 0.0f);
    std::mt19937 pick(11);
    for (int64_t at = kRate / 10; at < n;) {
        const int64_t length = kRate * (80 + int64_t(pick() % 220)) / 1000;
        const double pitch = 110 + double(pick() % 120);
        for (int64_t i = at; i < std::min(n, at + length); ++i) {
            const double t = double(i - at) / kRate, len = double(length) / kRate;
            double v = 0;
            for (int h = 1; h <= 12; ++h)
                v += std::sin(2 * M_PI * pitch * h * t) / (h * (h > 3 ? 2.0 : 1.0));
            s[size_t(2 * i)] = s[size_t(2 * i + 1)] = float(0.25 * std::sin(M_PI * t / len) * v);
        }
        at += length + kRate * (60 + int64_t(pick() % 190)) / 1000;
    }
    return s;
}

using TPackets = std::vector<std::vector<uint8_t>>;

// Packets of one encoder fed the sound's samples [from, to) (silence outside the sound).
TPackets Encode(const TSound& sound, int kbps, int64_t from, int64_t to) {
    TOpusEncoder encoder(2, kbps);
    const int64_t frames = int64_t(sound.size()) / 2;
    std::vector<float> block;
    for (int64_t at = from; at < to; at += 4096) {
        const int64_t end = std::min(to, at + 4096);
        block.assign(size_t(end - at) * 2, 0.0f);
        for (int64_t i = at; i < end; ++i)
            if (i >= 0 && i < frames) {
                block[size_t(2 * (i - at))] = sound[size_t(2 * i)];
                block[size_t(2 * (i - at) + 1)] = sound[size_t(2 * i + 1)];
            }
        encoder.Encode(block.data(), int(end - at));
    }
    encoder.Flush();
    TPackets packets;
    encoder.TakePackets(packets);
    return packets;
}

// The stream decoded, its look-ahead dropped: sample i is the sound's sample i.
std::vector<float> Decode(const TPackets& packets, int lookahead, int64_t frames) {
    int error = 0;
    std::unique_ptr<OpusDecoder, void (*)(OpusDecoder*)> decoder(
        opus_decoder_create(kRate, 2, &error), opus_decoder_destroy);
    std::vector<float> out, pcm(size_t(kFrame) * 2 * 6);
    for (const auto& packet : packets) {
        const int got = opus_decode_float(decoder.get(), packet.data(), opus_int32(packet.size()),
                                          pcm.data(), kFrame * 6, 0);
        if (got < 0) {
            std::fprintf(stderr, "decode failed: %s\n", opus_strerror(got));
            std::exit(1);
        }
        out.insert(out.end(), pcm.begin(), pcm.begin() + got * 2);
    }
    out.erase(out.begin(), out.begin() + std::min<size_t>(out.size(), size_t(lookahead) * 2));
    out.resize(size_t(frames) * 2, 0.0f);
    return out;
}

// Mean squared error over frames [from, to) on the 16-bit scale; never below 4 (2 LSB RMS):
// differences under what 16-bit sound resolves are no difference.
double WindowEnergy(const std::vector<float>& a, const TSound& b, int64_t from, int64_t to) {
    double e = 0;
    for (int64_t i = from * 2; i < to * 2; ++i) {
        const double d = (double(a[size_t(i)]) - b[size_t(i)]) * 32768;
        e += d * d;
    }
    return std::max(4.0, e / double(to - from));
}

double PeakError(const std::vector<float>& a, const TSound& b, int64_t from, int64_t to) {
    double peak = 0;
    for (int64_t i = from * 2; i < to * 2; ++i)
        peak = std::max(peak, std::abs(double(a[size_t(i)]) - b[size_t(i)]));
    return peak;
}

struct TFigures {
    double worst = -1e9, mean = 0, inside = 0, click = 0, insideClick = 0;
};

TFigures Measure(const TSound& sound, int kbps, int preroll) {
    const int64_t frames = int64_t(sound.size()) / 2;
    const int lookahead = TOpusEncoder(2, kbps).Lookahead();
    const int64_t packets = (frames + lookahead + kFrame - 1) / kFrame;
    const TPackets single = Encode(sound, kbps, 0, frames);
    // Seven seams at uneven packets, as a plan of segments would put them.
    std::vector<int64_t> starts{0};
    for (double f : {0.11, 0.23, 0.37, 0.49, 0.61, 0.76, 0.88})
        starts.push_back(int64_t(f * double(packets)));
    starts.push_back(packets);
    constexpr int Overlap = 2; // packets fed past a segment's end, so it heard sound
    TPackets joined;
    for (size_t k = 0; k + 1 < starts.size(); ++k) {
        const int64_t first = std::max<int64_t>(0, starts[k] - preroll);
        const TPackets part =
            Encode(sound, kbps, first * kFrame, (starts[k + 1] + Overlap) * kFrame);
        for (int64_t p = starts[k]; p < starts[k + 1]; ++p)
            joined.push_back(part[size_t(p - first)]);
    }
    const std::vector<float> one = Decode(single, lookahead, frames);
    const std::vector<float> parts = Decode(joined, lookahead, frames);

    TFigures fig;
    const int64_t half = kRate / 100; // 10 ms either side
    std::vector<int64_t> seams;
    for (size_t k = 1; k + 1 < starts.size(); ++k)
        seams.push_back(starts[k] * kFrame - lookahead);
    for (int64_t s : seams) {
        const double db = 10 * std::log10(WindowEnergy(parts, sound, s - half, s + half) /
                                          WindowEnergy(one, sound, s - half, s + half));
        fig.worst = std::max(fig.worst, db);
        fig.mean += db / double(seams.size());
        fig.click = std::max(fig.click, PeakError(parts, sound, s - 48, s + 48) /
                                            std::max(1e-6, PeakError(one, sound, s - 48, s + 48)));
    }
    std::vector<double> inside, clicks;
    for (int64_t m = 2 * half; m + 2 * half < frames; m += half) {
        bool near = false;
        for (int64_t s : seams)
            near = near || std::abs(m - s) < 3 * half;
        if (near)
            continue;
        inside.push_back(10 * std::log10(WindowEnergy(parts, sound, m - half, m + half) /
                                         WindowEnergy(one, sound, m - half, m + half)));
        clicks.push_back(PeakError(parts, sound, m - 48, m + 48) /
                         std::max(1e-6, PeakError(one, sound, m - 48, m + 48)));
    }
    std::sort(inside.begin(), inside.end());
    std::sort(clicks.begin(), clicks.end());
    if (!inside.empty()) {
        fig.inside = inside[inside.size() * 99 / 100];
        fig.insideClick = clicks[clicks.size() * 99 / 100];
    }
    return fig;
}

} // namespace

int main(int argc, char** argv) {
    int preroll = 16;
    double seconds = 12;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--preroll"))
            preroll = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--seconds"))
            seconds = std::atof(argv[i + 1]);
    }
    const int64_t n = int64_t(seconds * kRate);
    const std::pair<const char*, TSound> sounds[] = {
        {"tonal", Tonal(n)}, {"noisy", Noisy(n)}, {"speech", Speech(n)}};
    std::printf("pre-roll %d packets (%d ms), 7 seams in %.0f s\n", preroll, preroll * 20, seconds);
    std::printf("%-8s %6s %10s %10s %10s %7s %7s\n", "sound", "kbit/s", "worst dB", "mean dB",
                "inside dB", "click", "inside");
    for (const auto& [name, sound] : sounds)
        for (int kbps : {32, 64, 96, 160, 256}) {
            const TFigures f = Measure(sound, kbps, preroll);
            std::printf("%-8s %6d %+10.2f %+10.2f %+10.2f %7.2f %7.2f\n", name, kbps, f.worst,
                        f.mean, f.inside, f.click, f.insideClick);
            std::fflush(stdout);
        }
    return 0;
}
