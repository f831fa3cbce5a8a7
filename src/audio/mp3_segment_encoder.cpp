#include "audio/mp3_segment_encoder.h"

#include "audio/audio_exception.h"
#include "audio/lame.h"

#include <algorithm>

namespace {

const TLameEntryPoints& L() {
    return TLameLibrary::Api();
}

} // namespace

void TMp3SegmentEncoder::TCloser::operator()(lame_global_struct* Handle) const noexcept {
    if (Handle && L().lame_close)
        L().lame_close(Handle);
}

TMp3SegmentEncoder::TMp3SegmentEncoder(const TConfigure& Configure, int64_t FirstFrame,
                                       int64_t Start, int64_t End, int64_t KeepUntil)
    : FKeepUntil(KeepUntil) {
    FEncoder.reset(L().lame_init());
    if (!FEncoder)
        throw EAudioException(QStringLiteral("The MP3 encoder could not be started."));
    Configure(FEncoder.get());
    const int rc = L().lame_init_params(FEncoder.get());
    if (rc < 0)
        throw EAudioException(
            QStringLiteral("The MP3 encoder rejected its settings (error %1).").arg(rc));
    FReader.PlaceholderFirst = L().lame_get_bWriteVbrTag(FEncoder.get()) > 0;
    FSegment.FirstFrame = FirstFrame;
    FSegment.Start = Start;
    FSegment.End = End;
}

TMp3SegmentEncoder::~TMp3SegmentEncoder() = default;

void TMp3SegmentEncoder::Take(int Count) {
    if (Count < 0)
        throw EAudioException(QStringLiteral("The MP3 encoder failed (error %1).").arg(Count));
    FReader.Append(FBuffer.data(), size_t(Count));
    if (!FReader.Error.empty())
        throw EAudioException(
            QStringLiteral("The MP3 encoder wrote %1.").arg(QString::fromStdString(FReader.Error)));
}

void TMp3SegmentEncoder::Encode(const void* Pcm, int Frames, int Channels, int BitsPerSample) {
    if (BitsPerSample != 16 || Channels < 1 || Channels > 2)
        throw EAudioException(QStringLiteral("The segment encoder takes 16-bit PCM only."));
    FBuffer.resize(size_t(Frames) * 5 / 4 + 7200);
    auto* pcm = static_cast<short*>(const_cast<void*>(Pcm));
    const int count = Channels == 2
                          ? L().lame_encode_buffer_interleaved(FEncoder.get(), pcm, Frames,
                                                               FBuffer.data(), int(FBuffer.size()))
                          : L().lame_encode_buffer(FEncoder.get(), pcm, pcm, Frames, FBuffer.data(),
                                                   int(FBuffer.size()));
    Take(count);
}

TMp3SegmentJoiner::TSegment TMp3SegmentEncoder::Finish() {
    FBuffer.resize(16384);
    Take(L().lame_encode_flush(FEncoder.get(), FBuffer.data(), int(FBuffer.size())));
    FReader.Finish();
    if (!FReader.Error.empty())
        throw EAudioException(
            QStringLiteral("The MP3 encoder wrote %1.").arg(QString::fromStdString(FReader.Error)));
    std::vector<TLayer3Frame>& frames = FReader.Frames;
    const int64_t keep = std::max<int64_t>(0, FKeepUntil - FSegment.FirstFrame);
    if (int64_t(frames.size()) > keep)
        frames.resize(size_t(keep));
    FSegment.Frames = std::move(frames);
    return std::move(FSegment);
}

int TMp3SegmentEncoder::FrameSamples() const {
    return L().lame_get_framesize(FEncoder.get());
}

int TMp3SegmentEncoder::EncoderDelay() const {
    return L().lame_get_encoder_delay(FEncoder.get());
}

std::vector<uint8_t> TMp3SegmentEncoder::InfoFrame() const {
    std::vector<uint8_t> frame(2048);
    const size_t size = L().lame_get_lametag_frame(FEncoder.get(), frame.data(), frame.size());
    frame.resize(size <= frame.size() ? size : 0);
    return frame;
}
