#include "mediagraph/audio_renderer.h"

#include <cmath>

namespace media {

// How far the clock may drift from the sound heard before it is pulled back.
static constexpr REFERENCE_TIME kDriftTolerance = 400'000; // 40 ms

TAudioRendererFilter::TAudioRendererFilter() : TMediaFilter(CLSID_DSoundRender) {}

TAudioRendererFilter::~TAudioRendererFilter() = default;

void TAudioRendererFilter::CreatePins() {
    AddPin(QStringLiteral("Audio Input pin (rendered)"), PIN_DIRECTION::PINDIR_INPUT);
}

HRESULT TAudioRendererFilter::put_Volume(long volume) {
    if (volume < -10000 || volume > 0)
        return E_INVALIDARG;
    FVolume = volume;
    return S_OK;
}

HRESULT TAudioRendererFilter::get_Volume(long& volume) {
    volume = FVolume.load();
    return S_OK;
}

HRESULT TAudioRendererFilter::put_Balance(long balance) {
    if (balance < -10000 || balance > 10000)
        return E_INVALIDARG;
    FBalance = balance;
    return S_OK;
}

HRESULT TAudioRendererFilter::get_Balance(long& balance) {
    balance = FBalance.load();
    return S_OK;
}

bool TAudioRendererFilter::Configure(const AVCodecContext* codec,
                                     std::shared_ptr<TMediaClock> clock) {
    FClock = std::move(clock);
    FEpoch = -1;
    FOutRate = codec->sample_rate;
    FOutChannels = std::min(codec->ch_layout.nb_channels, 2);
    AVChannelLayout outLayout;
    av_channel_layout_default(&outLayout, FOutChannels);
    SwrContext* swr = nullptr;
    AVChannelLayout inLayout{};
    av_channel_layout_copy(&inLayout, &codec->ch_layout);
    int err = swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_S16, FOutRate, &inLayout,
                                  codec->sample_fmt, codec->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    FSwr.reset(swr);
    if (err < 0 || swr_init(swr) < 0)
        return false;
    FOutput = TSoundOutput::Create(FOutRate, FOutChannels);
    return true;
}

void TAudioRendererFilter::StateChanged(FILTER_STATE state) {
    if (FOutput)
        FOutput->SetPlaying(state == FILTER_STATE::State_Running);
}

void TAudioRendererFilter::ApplyGain(std::int16_t* samples, int frames) {
    const long volume = FVolume.load(), balance = FBalance.load();
    if (volume == 0 && balance == 0)
        return;
    // Hundredths of a decibel to amplitude; -10000 is silence.
    const double gain = volume <= -10000 ? 0.0 : std::pow(10.0, volume / 2000.0);
    double left = gain, right = gain;
    if (FOutChannels == 2 && balance > 0)
        left *= std::pow(10.0, -balance / 2000.0);
    else if (FOutChannels == 2 && balance < 0)
        right *= std::pow(10.0, balance / 2000.0);
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < FOutChannels; ++c) {
            std::int16_t& s = samples[i * FOutChannels + c];
            s = static_cast<std::int16_t>(std::lround(s * (c == 0 ? left : right)));
        }
    }
}

void TAudioRendererFilter::Receive(const AVFrame* frame, REFERENCE_TIME pts,
                                   REFERENCE_TIME duration, int epoch) {
    if (!FClock || !FClock->IsCurrent(epoch))
        return;
    if (epoch != FEpoch) {
        FEpoch = epoch;
        if (FOutput)
            FOutput->Flush();
    }
    FLastEnd = pts + duration;
    if (!FClock->IsPrerolled(epoch)) {
        if (pts + duration <= FClock->Target())
            return; // before the seek target
        FClock->MarkPrerolled(epoch, TMediaClock::stAudio);
    }
    if (pts + duration < FClock->Now())
        return; // late: the picture went on without it
    if (!FOutput || FClock->Rate() != 1.0) {
        // Silent: consume the sound at the pace of the clock.
        FClock->WaitUntil(pts, epoch);
        return;
    }
    if (!FClock->WaitUntil(pts - 2'000'000, epoch)) // stay at most 200 ms ahead
        return;
    const int maxOut = swr_get_out_samples(FSwr.get(), frame->nb_samples);
    if (maxOut <= 0)
        return;
    FBuffer.resize(static_cast<size_t>(maxOut) * FOutChannels * 2);
    uint8_t* out[1] = {FBuffer.data()};
    const int got =
        swr_convert(FSwr.get(), out, maxOut, const_cast<const uint8_t**>(frame->extended_data),
                    frame->nb_samples);
    if (got <= 0)
        return;
    ApplyGain(reinterpret_cast<std::int16_t*>(FBuffer.data()), got);
    if (!FOutput->Write(reinterpret_cast<const char*>(FBuffer.data()),
                        static_cast<qint64>(got) * FOutChannels * 2, pts,
                        [&] { return !FClock->IsCurrent(epoch); }))
        return;
    const REFERENCE_TIME heard = FOutput->HeardTime();
    if (heard >= 0)
        FClock->Correct(heard, kDriftTolerance);
}

void TAudioRendererFilter::EndOfStream(int epoch) {
    if (!FClock || !FClock->IsCurrent(epoch))
        return;
    if (!FClock->IsPrerolled(epoch))
        FClock->MarkPrerolled(epoch, TMediaClock::stAudio);
    const REFERENCE_TIME end = FEpoch == epoch ? FLastEnd : FClock->Target();
    if (FClock->WaitUntil(end, epoch))
        FClock->MarkEndOfStream(epoch, TMediaClock::stAudio);
}

} // namespace media
