// TFileAudioStream: holes. Where a frame's own timestamp lies later than the samples counted
// so far, sound is missing there (a damaged stretch that does not decode, a hole in a DVD's
// audio packets): silence fills it, so everything after keeps its own time, as a seek would
// place it. A gap of about one frame stays in doubt until a later timestamp tells a lost
// frame (its gap stays in every later stamp) from one the parser labelled with its
// neighbour's time (no gap behind it).
#include "media/file_audio_stream.h"

extern "C" {
#include <libavutil/mathematics.h>
#include <libavutil/samplefmt.h>
}

#include <algorithm>

using namespace media;

namespace {

// The longest stretch filled with silence where a stream of unknown length has no sound.
constexpr int64_t kMaxHoleSeconds = 600;
// Frames without a timestamp of their own held while a one-frame gap is in doubt.
constexpr size_t kMaxDoubtFrames = 16;

} // namespace

ffmpeg::FramePtr TFileAudioStream::SilenceLike(const AVFrame* like, int64_t samples) {
    ffmpeg::FramePtr silence = ffmpeg::MakeFrame();
    silence->format = like->format;
    silence->sample_rate = like->sample_rate;
    silence->nb_samples = int(samples);
    if (av_channel_layout_copy(&silence->ch_layout, &like->ch_layout) < 0 ||
        av_frame_get_buffer(silence.get(), 0) < 0 ||
        av_samples_set_silence(silence->extended_data, 0, int(samples),
                               silence->ch_layout.nb_channels, AVSampleFormat(silence->format)) < 0)
        return nullptr;
    return silence;
}

std::optional<int64_t> TFileAudioStream::StampedHole(const AVFrame* frame) const {
    // Only a timestamp the container wrote places a frame; LPCM's are placed otherwise.
    const int64_t ts = frame->best_effort_timestamp;
    if (ts == AV_NOPTS_VALUE || frame->pkt_pos < 0 || FLpcm || FTimestampsDoubtful)
        return std::nullopt;
    return TimestampToSample(ts) - FSourceCount - FDoubtSamples;
}

TMediaResult TFileAudioStream::PlaceFrame(const AVFrame* frame) {
    const std::optional<int64_t> hole = StampedHole(frame);
    if (!FDoubtFrames.empty()) {
        // Held behind a gap of about one frame, which the next frame with a timestamp of its
        // own settles: a lost frame leaves its gap in every later timestamp, while a frame
        // the parser labelled with its neighbour's time leaves none behind it.
        if (!hole && FDoubtFrames.size() < kMaxDoubtFrames)
            return HoldFrame(frame);
        if (TMediaResult settled = SettleDoubt(hole && *hole >= FDoubtHole / 2); Failed(settled))
            return settled;
        return PlaceFrame(frame);
    }
    // Less than half a frame (and 10 ms) is the container's rounding, not missing sound.
    if (!hole || *hole < std::max<int64_t>(frame->nb_samples / 2, FSourceRate / 100))
        return ConvertFrame(frame);
    // A clock that leaps beyond the stream's own length is a restart, not a hole.
    const int64_t end = FDuration > TMediaTime()
                            ? FDuration.ToSampleNearest(FSourceRate)
                            : FSourceCount + kMaxHoleSeconds * int64_t(FSourceRate);
    if (FSourceCount + *hole > end + FSourceRate)
        return ConvertFrame(frame);
    if (*hole < frame->nb_samples * 3 / 2) {
        FDoubtHole = *hole;
        return HoldFrame(frame);
    }
    if (TMediaResult filled = FillSilence(frame, *hole); Failed(filled))
        return filled;
    return ConvertFrame(frame);
}

TMediaResult TFileAudioStream::HoldFrame(const AVFrame* frame) {
    ffmpeg::FramePtr held(av_frame_clone(frame));
    if (!held)
        return AVERROR(ENOMEM);
    FDoubtSamples += frame->nb_samples;
    FDoubtFrames.push_back(std::move(held));
    return S_OK;
}

TMediaResult TFileAudioStream::SettleDoubt(bool lost) {
    std::vector<ffmpeg::FramePtr> held;
    held.swap(FDoubtFrames);
    FDoubtSamples = 0;
    if (held.empty())
        return S_OK;
    if (lost)
        if (TMediaResult filled = FillSilence(held.front().get(), FDoubtHole); Failed(filled))
            return filled;
    for (const ffmpeg::FramePtr& frame : held)
        if (TMediaResult converted = ConvertFrame(frame.get()); Failed(converted))
            return converted;
    return S_OK;
}

TMediaResult TFileAudioStream::FillSilence(const AVFrame* like, int64_t samples) {
    const int64_t from = av_rescale(FSourceCount, FFormat.sampleRate, FSourceRate);
    for (int64_t left = samples; left > 0;) {
        const int64_t n = std::min<int64_t>(left, FSourceRate);
        const ffmpeg::FramePtr silence = SilenceLike(like, n);
        if (!silence)
            return AVERROR(ENOMEM);
        if (TMediaResult converted = ConvertFrame(silence.get()); Failed(converted))
            return converted;
        left -= n;
    }
    const int64_t to = av_rescale(FSourceCount, FFormat.sampleRate, FSourceRate);
    if (std::none_of(FHoles.begin(), FHoles.end(),
                     [&](const std::pair<int64_t, int64_t>& h) { return h.first == from; }))
        FHoles.emplace_back(from, to);
    return S_OK;
}
