#include "audio/rip/flac_rip_encoder.h"

#include "audio/pipeline/audio_exception.h"
#include "audio/rip/flac_job_stream.h"
#include "audio/rip/flac_signature.h"
#include "audio/rip/packet_joiner.h"
#include "audio/xiph/flac_encoder.h"
#include "audio/xiph/vorbis_comment.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

class TFlacRipSegment : public TRipSegmentEncoder {
public:
    TFlacRipSegment(const TFlacEncoder::TSettings& Settings, const TRipSegment& Segment,
                    int BlockSize, std::shared_ptr<TFlacSignature> Signature,
                    const std::atomic<bool>& Stop)
        : FEncoder(Settings), FFrameBytes(size_t(Settings.Channels * Settings.BitsPerSample / 8)),
          FSkip((Segment.Start - Segment.First) * BlockSize), FIndex(Segment.Index),
          FLast(Segment.Last), FSignature(std::move(Signature)), FStop(Stop),
          FOut(std::make_unique<TPacketSegment>()) {
        FOut->FirstFrame = FOut->Start = Segment.Start;
        // A run of one segment takes the encoder's own MD5; a cut one makes it in order.
        FAlone = Segment.Index == 0 && Segment.Last;
        FOut->End = Segment.Last ? INT64_MAX / 4 : Segment.End;
    }
    ~TFlacRipSegment() override {
        if (!FSigned)
            FSignature->GiveUp(FIndex);
    }
    void Encode(const uint8_t* Pcm, int Frames) override {
        // The frame before the segment's start was read for the seam's check alone.
        const int64_t skip = std::min<int64_t>(FSkip, Frames);
        FSkip -= skip;
        Pcm += skip * int64_t(FFrameBytes);
        Frames -= int(skip);
        if (Frames == 0)
            return;
        FEncoder.Encode(Pcm, Frames);
        FEncoder.TakeFrames(FOut->Packets);
        if (FAlone)
            return;
        FHeld.insert(FHeld.end(), Pcm, Pcm + size_t(Frames) * FFrameBytes);
        FSignature->AddIfDue(FIndex, FHeld);
    }
    std::unique_ptr<TRipEncoded> Finish() override {
        FEncoder.Finish();
        FEncoder.TakeFrames(FOut->Packets);
        if (FAlone) {
            FSigned = true;
            FOut->Signature = FEncoder.Md5();
            return std::move(FOut);
        }
        // Without its turn (the run stops or failed before it) the segment has no signature;
        // it is never joined then.
        FSigned = FSignature->Finish(FIndex, FHeld, FStop);
        if (FSigned && FLast) {
            const QByteArray md5 = FSignature->Result();
            FOut->Signature.assign(md5.begin(), md5.end());
        }
        return std::move(FOut);
    }

private:
    TFlacEncoder FEncoder;
    size_t FFrameBytes;
    int64_t FSkip;
    int FIndex;
    bool FLast;
    bool FAlone;
    std::shared_ptr<TFlacSignature> FSignature;
    const std::atomic<bool>& FStop;
    std::vector<uint8_t> FHeld; // samples not signed yet
    bool FSigned = false;
    std::unique_ptr<TPacketSegment> FOut;
};

} // namespace

TFlacRipEncoder::TFlacRipEncoder(int Level) : FLevel(Level) {}

TFlacRipEncoder::~TFlacRipEncoder() = default;

QString TFlacRipEncoder::Extension() const {
    return QStringLiteral(".flac");
}

TRipStreamShape TFlacRipEncoder::Prepare(const TRipPcmFormat& Input, bool) {
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
    // One frame before a segment, for the check that it meets the one before in the same
    // sound; no overlap; the last segment ends with the range.
    shape.PrerollFrames = 1;
    shape.LeadExtra = shape.GuardFrames = shape.OverlapFrames = 0;
    // Every frame decodes alone, sample for sample.
    shape.UnsettledSamples = 0;
    shape.ExactEnd = true;
    shape.JoinsJobs = false;
    shape.MaxSegmentSeconds = SegmentSeconds;
    return shape;
}

std::unique_ptr<TRipSegmentEncoder>
TFlacRipEncoder::SegmentEncoder(const TRipSegment& Segment, const std::atomic<bool>& Stop) const {
    std::shared_ptr<TFlacSignature> signature;
    {
        std::lock_guard lock(FLock);
        std::shared_ptr<TFlacSignature>& run = FSignatures[Segment.Run];
        if (Segment.Index == 0 || !run)
            run = std::make_shared<TFlacSignature>();
        signature = run;
    }
    return std::make_unique<TFlacRipSegment>(
        TFlacEncoder::TSettings{FInput.Channels, FInput.BitsPerSample, FInput.SampleRate, FLevel},
        Segment, FBlockSize, std::move(signature), Stop);
}

std::unique_ptr<TRipJoiner> TFlacRipEncoder::Joiner() const {
    return std::make_unique<TPacketJoiner>();
}

std::unique_ptr<TRipJobWriter> TFlacRipEncoder::JobWriter(const TRipJobFile& File) const {
    return std::make_unique<TFlacJobStream>(File, FInput, FBlockSize);
}

std::shared_ptr<const std::vector<uint8_t>>
TFlacRipEncoder::Cover(const std::vector<uint8_t>& Jpeg) const {
    return TVorbisComment::PictureBlock(Jpeg);
}
