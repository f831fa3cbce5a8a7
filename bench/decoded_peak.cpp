// What the decoded peak costs a rip: every file's frames are decoded once more (FFmpeg's
// float decoder) for the ReplayGain peak. Three sounds made here (tonal chords, wandering
// noise, speech-like bursts with pauses), 48 kHz stereo, are encoded as the window's
// default rip encodes them (CBR 192 kbit/s, quality 2) and as -V 2; the encoder's CPU time
// is set against the peak's, both on this thread, best of the rounds.
//
//   bench_decoded_peak [seconds=120] [rounds=3]
//
// A rip also decodes its source and measures its loudness, so the share of a whole rip is
// smaller than the share printed here of the encoder alone.

#include "audio/mp3/lame.h"
#include "audio/mp3/mp3_decoded_peak.h"
#include "audio/mp3/mp3_encoder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <random>
#include <vector>

namespace {

constexpr int Rate = 48000;

double ThreadCpu() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

using TSound = std::function<double(int Channel, int64_t N)>;

std::vector<int16_t> Make(int64_t Frames, const TSound& Sound) {
    std::vector<int16_t> pcm(size_t(Frames) * 2);
    for (int64_t n = 0; n < Frames; ++n)
        for (int c = 0; c < 2; ++c)
            pcm[size_t(n * 2 + c)] = int16_t(std::clamp(Sound(c, n) * 32767, -32767.0, 32767.0));
    return pcm;
}

struct TCost {
    double Encode = 1e30, Peak = 1e30;
};

TCost Measure(const std::vector<int16_t>& Pcm, bool Vbr) {
    TMp3EncoderSettings s;
    s.InputSampleRate = s.OutputSampleRate = Rate;
    s.Mode = 1; // joint stereo
    s.EnableVBR = Vbr;
    s.VBRCurrentMethod = true;
    s.VBRLimits = false;
    s.VBRQuality = 2;
    s.BitRate = 192;
    s.Quality = 2;
    constexpr int block = 4096;
    TMp3Encoder encoder(block);
    std::vector<uint8_t> mp3;
    const double start = ThreadCpu();
    encoder.Open(s);
    const int64_t frames = int64_t(Pcm.size() / 2);
    for (int64_t at = 0; at < frames; at += block) {
        const int n = int(std::min<int64_t>(block, frames - at));
        const int got = encoder.Encode(&Pcm[size_t(at * 2)], n, 2, 16);
        mp3.insert(mp3.end(), encoder.Data(), encoder.Data() + got);
    }
    const int got = encoder.Flush();
    mp3.insert(mp3.end(), encoder.Data(), encoder.Data() + got);
    encoder.Close();
    TCost cost;
    cost.Encode = ThreadCpu() - start;
    const double peakStart = ThreadCpu();
    TMp3DecodedPeak peak;
    // In blocks as a job's stream hands them over.
    for (size_t at = 0; at < mp3.size(); at += 16384)
        peak.Add(mp3.data() + at, std::min<size_t>(16384, mp3.size() - at));
    const double value = peak.Finish(0, -1);
    cost.Peak = ThreadCpu() - peakStart;
    if (value <= 0)
        std::fprintf(stderr, "no peak decoded\n");
    return cost;
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 120.0;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    TLameLibrary::Acquire();
    const int64_t frames = int64_t(seconds * Rate);
    std::mt19937 rng(3);
    std::normal_distribution<double> g(0, 1);
    double low[2] = {};
    const std::pair<const char*, TSound> sounds[] = {
        {"tonal",
         [](int c, int64_t n) {
             const double t = double(n) / Rate, f = 196.0 * (1 + int(t / 1.5) % 5 * 0.125);
             double v = 0;
             for (int h = 1; h <= 5; ++h)
                 v += std::sin(2 * M_PI * f * h * (c ? 1.5 : 1) * t) / (h * 3.0);
             return 0.5 * v * std::exp(-std::fmod(t, 1.5));
         }},
        {"noisy",
         [&](int c, int64_t n) {
             low[c] = 0.9 * low[c] + 0.1 * g(rng);
             return 0.25 * (1.1 + std::sin(2 * M_PI * 0.2 * double(n) / Rate)) * low[c];
         }},
        {"speech",
         [](int, int64_t n) {
             const double t = double(n) / Rate;
             if (std::fmod(t, 0.9) > 0.55) // a pause between words
                 return 0.0;
             const double pulse = std::fmod(t * (120 + 40 * std::sin(7 * t)), 1.0) < 0.05 ? 1 : 0;
             return 0.3 * pulse * std::sin(2 * M_PI * 700 * t) +
                    0.05 * std::sin(2 * M_PI * 1800 * t);
         }},
    };
    std::printf("%-7s %-4s %12s %12s %8s\n", "sound", "mode", "encode, s", "peak, s", "share");
    for (const auto& [name, sound] : sounds) {
        const std::vector<int16_t> pcm = Make(frames, sound);
        for (bool vbr : {false, true}) {
            TCost best;
            for (int r = 0; r < rounds; ++r) {
                const TCost c = Measure(pcm, vbr);
                best.Encode = std::min(best.Encode, c.Encode);
                best.Peak = std::min(best.Peak, c.Peak);
            }
            std::printf("%-7s %-4s %12.2f %12.3f %7.2f%%\n", name, vbr ? "V2" : "CBR", best.Encode,
                        best.Peak, 100 * best.Peak / best.Encode);
        }
    }
    TLameLibrary::Release();
    return 0;
}
