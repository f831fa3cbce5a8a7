#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

// What a measurement found: integrated loudness (LUFS; -inf when nothing passed the
// gates, as for silence) and the sample peak (linear, 1.0 full scale).
struct TLoudness {
    double Lufs = -INFINITY;
    double Peak = 0;
    bool Measured = false;

    // The gain that brings the sound to the reference of -18 LUFS, within what players
    // accept (silence would ask for an infinite gain).
    double Gain() const;
};

// Integrated loudness and sample peak of interleaved PCM as it reaches the encoder. The
// state keeps a histogram, so meters that heard separate stretches of one sound combine
// into the loudness of the whole (a job cut into segments, an album of jobs) exactly as
// one meter would have measured it, but for the few gating blocks that straddle a cut.
//
// Threads: one thread at a time; Combine reads meters no thread is feeding.
class TLoudnessMeter {
public:
    // BitsPerSample: 16 (signed integers), 24 (signed integers packed in three bytes) or 32
    // (float). Downmix: the sound is measured as an encoder in mono mode makes it of two
    // channels, (left + right) / 2, one channel (as a mono file counts in ITU BS.1770,
    // whatever players then send to both speakers). SamplePeak: the samples' peak is found
    // too (not where the file's peak is its decoded sound's: then Peak stays 0).
    TLoudnessMeter(int Channels, int SampleRate, int BitsPerSample, bool Downmix = false,
                   bool SamplePeak = true);
    ~TLoudnessMeter();
    TLoudnessMeter(const TLoudnessMeter&) = delete;
    TLoudnessMeter& operator=(const TLoudnessMeter&) = delete;

    void Add(const uint8_t* Pcm, int64_t Frames);
    // The loudness of everything the meters heard together.
    static TLoudness Combine(const std::vector<const TLoudnessMeter*>& Meters);

private:
    struct TState; // the library's, which it declares without a name
    std::unique_ptr<TState> FState;
    int FChannels; // of the sound measured
    int FBits;
    bool FDownmix;
    bool FSamplePeak;
    std::vector<float> FMono; // the downmix of a block
    bool FHeard = false;
    std::vector<int32_t> FWide; // 24-bit samples, widened for the library
};
