#include "audio/xiph/flac_encoder.h"

#include "audio/pipeline/audio_exception.h"

#include <QCoreApplication>

#include <FLAC/stream_encoder.h>

#include <algorithm>

void TFlacEncoder::TDeleter::operator()(FLAC__StreamEncoder* Encoder) const noexcept {
    FLAC__stream_encoder_delete(Encoder);
}

TFlacEncoder::TFlacEncoder(const TSettings& Settings)
    : FEncoder(FLAC__stream_encoder_new()), FSettings(Settings) {
    if (!FEncoder)
        throw EAudioException(
            QCoreApplication::translate("Xiph", "The FLAC encoder cannot be made."));
    FLAC__StreamEncoder* e = FEncoder.get();
    const bool set =
        (Settings.BitsPerSample == 16 || Settings.BitsPerSample == 24) &&
        FLAC__stream_encoder_set_channels(e, unsigned(Settings.Channels)) &&
        FLAC__stream_encoder_set_bits_per_sample(e, unsigned(Settings.BitsPerSample)) &&
        FLAC__stream_encoder_set_sample_rate(e, unsigned(Settings.SampleRate)) &&
        FLAC__stream_encoder_set_compression_level(e, unsigned(Settings.Level)) &&
        FLAC__stream_encoder_set_verify(e, false);
    if (!set ||
        FLAC__stream_encoder_init_stream(
            e, reinterpret_cast<FLAC__StreamEncoderWriteCallback>(&TFlacEncoder::WriteBytes),
            nullptr, nullptr, &TFlacEncoder::Metadata, this) != FLAC__STREAM_ENCODER_INIT_STATUS_OK)
        throw EAudioException(
            QCoreApplication::translate(
                "Xiph", "FLAC cannot hold %1 channels of %2 bits at %3 Hz at level %4.")
                .arg(Settings.Channels)
                .arg(Settings.BitsPerSample)
                .arg(Settings.SampleRate)
                .arg(Settings.Level));
}

TFlacEncoder::~TFlacEncoder() = default;

int TFlacEncoder::BlockSize() const {
    return int(FLAC__stream_encoder_get_blocksize(FEncoder.get()));
}

int TFlacEncoder::WriteBytes(const FLAC__StreamEncoder*, const uint8_t* Buffer, size_t Bytes,
                             uint32_t Samples, uint32_t, void* Self) {
    auto* self = static_cast<TFlacEncoder*>(Self);
    // A call with samples begins a frame; one without is metadata, or the rest of a frame.
    if (Samples > 0) {
        self->FFrames.emplace_back();
        self->FInFrame = true;
    }
    if (self->FInFrame)
        self->FFrames.back().insert(self->FFrames.back().end(), Buffer, Buffer + Bytes);
    return FLAC__STREAM_ENCODER_WRITE_STATUS_OK;
}

void TFlacEncoder::Metadata(const FLAC__StreamEncoder*, const FLAC__StreamMetadata* Info,
                            void* Self) {
    if (Info && Info->type == FLAC__METADATA_TYPE_STREAMINFO) {
        const uint8_t* md5 = Info->data.stream_info.md5sum;
        static_cast<TFlacEncoder*>(Self)->FMd5.assign(md5, md5 + 16);
    }
}

void TFlacEncoder::Check(bool Ok) const {
    if (!Ok)
        throw EAudioException(
            QCoreApplication::translate("Xiph", "The FLAC encoder failed (%1).")
                .arg(QString::fromLatin1(
                    FLAC__stream_encoder_get_resolved_state_string(FEncoder.get()))));
}

void TFlacEncoder::Encode(const uint8_t* Pcm, int Frames) {
    const size_t count = size_t(Frames) * size_t(FSettings.Channels);
    FSamples.resize(count);
    if (FSettings.BitsPerSample == 16) {
        for (size_t i = 0; i < count; ++i)
            FSamples[i] = int16_t(uint16_t(Pcm[2 * i] | Pcm[2 * i + 1] << 8));
    } else {
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* p = Pcm + 3 * i;
            FSamples[i] =
                int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24) >> 8;
        }
    }
    Check(FLAC__stream_encoder_process_interleaved(FEncoder.get(), FSamples.data(),
                                                   unsigned(Frames)));
}

void TFlacEncoder::TakeFrames(std::vector<std::vector<uint8_t>>& Out) {
    // The last frame may still be growing until the next one begins, or the stream ends.
    const size_t done =
        FFinished ? FFrames.size() : FFrames.size() - std::min<size_t>(1, FFrames.size());
    for (size_t i = 0; i < done; ++i)
        Out.push_back(std::move(FFrames[i]));
    FFrames.erase(FFrames.begin(), FFrames.begin() + long(done));
}

void TFlacEncoder::Finish() {
    Check(FLAC__stream_encoder_finish(FEncoder.get()));
    FFinished = true;
}

std::vector<uint8_t> TFlacEncoder::StreamInfoBytes(const FLAC__StreamMetadata& Info) {
    const FLAC__StreamMetadata_StreamInfo& s = Info.data.stream_info;
    std::vector<uint8_t> out;
    auto put = [&out](uint64_t Value, int Bytes) {
        for (int i = Bytes - 1; i >= 0; --i)
            out.push_back(uint8_t(Value >> (8 * i)));
    };
    put(s.min_blocksize, 2);
    put(s.max_blocksize, 2);
    put(s.min_framesize, 3);
    put(s.max_framesize, 3);
    // 20 bits of rate, 3 of channels - 1, 5 of bits - 1, 36 of samples.
    const uint64_t packed = uint64_t(s.sample_rate) << 44 | uint64_t(s.channels - 1) << 41 |
                            uint64_t(s.bits_per_sample - 1) << 36 |
                            (s.total_samples & 0xFFFFFFFFFull);
    put(packed, 8);
    out.insert(out.end(), s.md5sum, s.md5sum + 16);
    return out;
}
