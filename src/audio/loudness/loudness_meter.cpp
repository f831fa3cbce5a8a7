#include "audio/loudness/loudness_meter.h"

#include "audio/pipeline/audio_exception.h"

#include <QCoreApplication>

#include <ebur128.h>

#include <algorithm>

double TLoudness::Gain() const {
    constexpr double Reference = -18;
    constexpr double Limit = 64;
    if (!std::isfinite(Lufs))
        return Limit;
    return std::clamp(Reference - Lufs, -Limit, Limit);
}

struct TLoudnessMeter::TState {
    ebur128_state* S;
    ~TState() { ebur128_destroy(&S); }
};

TLoudnessMeter::TLoudnessMeter(int Channels, int SampleRate, int BitsPerSample, bool Downmix,
                               bool SamplePeak)
    : FChannels(Downmix && Channels == 2 ? 1 : Channels), FBits(BitsPerSample),
      FDownmix(Downmix && Channels == 2), FSamplePeak(SamplePeak) {
    ebur128_state* state = ebur128_init(unsigned(FChannels), static_cast<unsigned long>(SampleRate),
                                        EBUR128_MODE_I | EBUR128_MODE_HISTOGRAM |
                                            (SamplePeak ? EBUR128_MODE_SAMPLE_PEAK : 0));
    if (state)
        FState.reset(new TState{state});
    if (!FState || (BitsPerSample != 16 && BitsPerSample != 24 && BitsPerSample != 32))
        throw EAudioException(
            QCoreApplication::translate("Loudness",
                                        "The loudness of %1 channels at %2 Hz cannot be measured.")
                .arg(Channels)
                .arg(SampleRate));
}

TLoudnessMeter::~TLoudnessMeter() = default;

void TLoudnessMeter::Add(const uint8_t* Pcm, int64_t Frames) {
    if (Frames <= 0)
        return;
    FHeard = true;
    const uint8_t* pcm = Pcm;
    if (FBits == 24) {
        FWide.resize(size_t(Frames) * size_t(FDownmix ? 2 : FChannels));
        for (size_t i = 0; i < FWide.size(); ++i)
            FWide[i] = int32_t(uint32_t(Pcm[3 * i]) << 8 | uint32_t(Pcm[3 * i + 1]) << 16 |
                               uint32_t(Pcm[3 * i + 2]) << 24);
        pcm = reinterpret_cast<const uint8_t*>(FWide.data());
    }
    int result = EBUR128_SUCCESS;
    if (FDownmix) {
        auto sample = [this, pcm](size_t i) {
            return FBits == 32   ? reinterpret_cast<const float*>(pcm)[i]
                   : FBits == 24 ? float(reinterpret_cast<const int32_t*>(pcm)[i]) / 2147483648.0f
                                 : float(reinterpret_cast<const int16_t*>(pcm)[i]) / 32768.0f;
        };
        FMono.resize(size_t(Frames));
        for (size_t i = 0; i < FMono.size(); ++i)
            FMono[i] = 0.5f * (sample(2 * i) + sample(2 * i + 1));
        result = ebur128_add_frames_float(FState->S, FMono.data(), size_t(Frames));
    } else if (FBits == 24) {
        result = ebur128_add_frames_int(FState->S, reinterpret_cast<const int32_t*>(pcm),
                                        size_t(Frames));
    } else if (FBits == 32) {
        result = ebur128_add_frames_float(FState->S, reinterpret_cast<const float*>(pcm),
                                          size_t(Frames));
    } else {
        result = ebur128_add_frames_short(FState->S, reinterpret_cast<const short*>(pcm),
                                          size_t(Frames));
    }
    if (result != EBUR128_SUCCESS)
        throw EAudioException(
            QCoreApplication::translate("Loudness", "The loudness measurement ran out of memory."));
}

TLoudness TLoudnessMeter::Combine(const std::vector<const TLoudnessMeter*>& Meters) {
    TLoudness out;
    std::vector<ebur128_state*> states;
    for (const TLoudnessMeter* meter : Meters) {
        if (!meter || !meter->FHeard)
            continue;
        states.push_back(meter->FState->S);
        for (int c = 0; meter->FSamplePeak && c < meter->FChannels; ++c) {
            double peak = 0;
            if (ebur128_sample_peak(meter->FState->S, unsigned(c), &peak) == EBUR128_SUCCESS)
                out.Peak = std::max(out.Peak, peak);
        }
    }
    if (states.empty())
        return out;
    double lufs = -INFINITY;
    if (ebur128_loudness_global_multiple(states.data(), states.size(), &lufs) == EBUR128_SUCCESS) {
        out.Lufs = lufs;
        out.Measured = true;
    }
    return out;
}
