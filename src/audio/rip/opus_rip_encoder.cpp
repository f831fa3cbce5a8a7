#include "audio/rip/opus_rip_encoder.h"

#include "audio/pipeline/audio_exception.h"
#include "audio/rip/opus_job_stream.h"
#include "audio/rip/packet_joiner.h"
#include "audio/xiph/opus_encoder.h"
#include "audio/xiph/vorbis_comment.h"

#include <QCoreApplication>

namespace {

class TOpusRipSegment : public TRipSegmentEncoder {
public:
    TOpusRipSegment(int Channels, int Kbps, int64_t FirstFrame, int64_t Start, int64_t End,
                    int64_t KeepUntil)
        : FEncoder(Channels, Kbps), FChannels(Channels), FKeepUntil(KeepUntil),
          FOut(std::make_unique<TPacketSegment>()) {
        FOut->FirstFrame = FirstFrame;
        FOut->Start = Start;
        FOut->End = End;
    }
    void Encode(const uint8_t* Pcm, int Frames) override {
        FEncoder.Encode(reinterpret_cast<const float*>(Pcm), Frames);
        Take();
    }
    std::unique_ptr<TRipEncoded> Finish() override {
        FEncoder.Flush();
        Take();
        return std::move(FOut);
    }

private:
    void Take() {
        FEncoder.TakePackets(FOut->Packets);
        // Packets from KeepUntil on heard the end of the feed, not the sound.
        const int64_t keep = std::max<int64_t>(0, FKeepUntil - FOut->FirstFrame);
        if (int64_t(FOut->Packets.size()) > keep)
            FOut->Packets.resize(size_t(keep));
    }

    TOpusEncoder FEncoder;
    int FChannels;
    int64_t FKeepUntil;
    std::unique_ptr<TPacketSegment> FOut;
};

} // namespace

TOpusRipEncoder::TOpusRipEncoder(int Kbps) : FKbps(Kbps) {}

QString TOpusRipEncoder::Extension() const {
    return QStringLiteral(".opus");
}

TRipStreamShape TOpusRipEncoder::Prepare(const TRipPcmFormat& Input, bool) {
    if (Input.BitsPerSample != 32 || Input.SampleRate != TOpusEncoder::SampleRate)
        throw EAudioException(
            QCoreApplication::translate("Rip", "Opus encodes float samples at 48000 Hz, not %1 "
                                               "bits at %2 Hz.")
                .arg(Input.BitsPerSample)
                .arg(Input.SampleRate));
    if (FKbps < 6 || FKbps > 510)
        throw EAudioException(
            QCoreApplication::translate("Rip", "Invalid Opus bit rate (%1 kbit/s).").arg(FKbps));
    FInput = Input;
    TRipStreamShape shape;
    shape.FrameSamples = TOpusEncoder::FrameSamples;
    shape.EncoderDelay = TOpusEncoder(Input.Channels, FKbps).Lookahead();
    shape.DecoderDelay = 0;
    shape.PrerollFrames = SegmentPreroll;
    shape.LeadExtra = LeadSamples;
    // A file's decoded sound starts LeadSamples before its range, after the look-ahead.
    shape.UnsettledSamples = LeadSamples + shape.EncoderDelay;
    shape.GuardFrames = 2;
    shape.JoinsJobs = false;
    shape.Segments = FKbps >= SegmentKbps;
    return shape;
}

std::unique_ptr<TRipSegmentEncoder>
TOpusRipEncoder::SegmentEncoder(const TRipSegment& Segment, const std::atomic<bool>&) const {
    return std::make_unique<TOpusRipSegment>(FInput.Channels, FKbps, Segment.First, Segment.Start,
                                             Segment.End, Segment.KeepUntil);
}

std::unique_ptr<TRipJoiner> TOpusRipEncoder::Joiner() const {
    return std::make_unique<TPacketJoiner>();
}

std::unique_ptr<TRipJobWriter> TOpusRipEncoder::JobWriter(const TRipJobFile& File) const {
    return std::make_unique<TOpusJobStream>(File, FInput.Channels);
}

std::shared_ptr<const std::vector<uint8_t>>
TOpusRipEncoder::Cover(const std::vector<uint8_t>& Jpeg) const {
    return TVorbisComment::PictureBlock(Jpeg);
}
