#include "audio/rip/flac_rip_encoder.h"

#include "audio/pipeline/audio_exception.h"
#include "audio/rip/flac_job_stream.h"
#include "audio/rip/packet_joiner.h"
#include "audio/xiph/flac_encoder.h"

#include <QCoreApplication>

namespace {

class TFlacRipSegment : public TRipSegmentEncoder {
public:
    explicit TFlacRipSegment(const TFlacEncoder::TSettings& Settings)
        : FEncoder(Settings), FOut(std::make_unique<TPacketSegment>()) {
        FOut->End = INT64_MAX / 4;
    }
    void Encode(const uint8_t* Pcm, int Frames) override {
        FEncoder.Encode(Pcm, Frames);
        FEncoder.TakeFrames(FOut->Packets);
    }
    std::unique_ptr<TRipEncoded> Finish() override {
        FOut->StreamInfo = FEncoder.Finish();
        FEncoder.TakeFrames(FOut->Packets);
        return std::move(FOut);
    }

private:
    TFlacEncoder FEncoder;
    std::unique_ptr<TPacketSegment> FOut;
};

} // namespace

TFlacRipEncoder::TFlacRipEncoder(int Level) : FLevel(Level) {}

QString TFlacRipEncoder::Extension() const {
    return QStringLiteral(".flac");
}

TRipStreamShape TFlacRipEncoder::Prepare(const TRipPcmFormat& Input) {
    if (Input.BitsPerSample != 16 && Input.BitsPerSample != 24)
        throw EAudioException(
            QCoreApplication::translate("Rip", "FLAC takes 16-bit or 24-bit samples, not %1 bits.")
                .arg(Input.BitsPerSample));
    if (FLevel < 0 || FLevel > 8)
        throw EAudioException(
            QCoreApplication::translate("Rip", "Invalid FLAC compression level (%1).").arg(FLevel));
    FInput = Input;
    FBlockSize =
        TFlacEncoder({Input.Channels, Input.BitsPerSample, Input.SampleRate, FLevel}).BlockSize();
    TRipStreamShape shape;
    shape.FrameSamples = FBlockSize;
    shape.EncoderDelay = shape.DecoderDelay = 0;
    shape.PrerollFrames = shape.LeadExtra = shape.GuardFrames = 0;
    shape.Plain = true; // fed exactly the range: every sample of it, no other
    return shape;
}

std::unique_ptr<TRipSegmentEncoder> TFlacRipEncoder::SegmentEncoder(int64_t, int64_t, int64_t,
                                                                    int64_t) const {
    return std::make_unique<TFlacRipSegment>(
        TFlacEncoder::TSettings{FInput.Channels, FInput.BitsPerSample, FInput.SampleRate, FLevel});
}

std::unique_ptr<TRipJoiner> TFlacRipEncoder::Joiner() const {
    return std::make_unique<TPacketJoiner>();
}

std::unique_ptr<TRipJobWriter> TFlacRipEncoder::JobWriter(const TRipJobFile& File) const {
    return std::make_unique<TFlacJobStream>(File, FInput, FBlockSize);
}
