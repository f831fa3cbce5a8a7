#include "audio/rip/mp3_rip_encoder.h"

#include "audio/layer3/mpeg_frame_header.h"
#include "audio/mp3/mp3_segment_encoder.h"
#include "audio/mp3/mp3_tag_writer.h"
#include "audio/pipeline/audio_exception.h"
#include "audio/rip/rip_job_stream.h"

#include <QCoreApplication>

namespace {

// What one segment's LAME instance made.
struct TMp3Encoded : TRipEncoded {
    TMp3SegmentJoiner::TSegment Segment;
    std::vector<uint8_t> InfoFrame; // the encoder's own, kept from a run's first segment
    int Padding = 0;
};

class TMp3RipSegment : public TRipSegmentEncoder {
public:
    TMp3RipSegment(const TMp3EncoderSettings& Settings, const TRipPcmFormat& Input,
                   int64_t FirstFrame, int64_t Start, int64_t End, int64_t KeepUntil,
                   bool FramePeaks)
        : FInput(Input), FEncoder(Settings, FirstFrame, Start, End, KeepUntil, FramePeaks),
          FFirst(FirstFrame == 0) {}

    void Encode(const uint8_t* Pcm, int Frames) override {
        FEncoder.Encode(Pcm, Frames, FInput.Channels, FInput.BitsPerSample);
    }
    std::unique_ptr<TRipEncoded> Finish() override {
        auto out = std::make_unique<TMp3Encoded>();
        out->Segment = FEncoder.Finish();
        if (FFirst)
            out->InfoFrame = FEncoder.InfoFrame();
        out->Padding = FEncoder.EncoderPadding();
        return out;
    }

private:
    TRipPcmFormat FInput;
    TMp3SegmentEncoder FEncoder;
    bool FFirst;
};

class TMp3RipJoiner : public TRipJoiner {
public:
    explicit TMp3RipJoiner(bool ConstantBitRate)
        : FJoiner(ConstantBitRate), FRun(std::make_shared<TMp3RunInfo>()) {}

    bool Add(std::unique_ptr<TRipEncoded> Segment) override {
        auto& part = static_cast<TMp3Encoded&>(*Segment);
        if (!FJoiner.Add(std::move(part.Segment)))
            return false;
        if (!FStarted)
            FRun->InfoFrame = std::move(part.InfoFrame);
        FStarted = true;
        FRun->Padding = part.Padding;
        return true;
    }
    void Finish(int64_t EndFrame) override { FJoiner.Finish(EndFrame); }
    void TakeFinished(std::vector<std::unique_ptr<TRipPacket>>& Out) override {
        FFrames.clear();
        FJoiner.TakeFinished(FFrames);
        for (TMp3SegmentJoiner::TJoinedFrame& frame : FFrames) {
            auto packet = std::make_unique<TMp3Packet>();
            packet->Index = frame.Index;
            packet->Frame = std::move(frame);
            packet->Run = FRun;
            Out.push_back(std::move(packet));
        }
    }
    std::vector<int64_t> Seams() const override {
        std::vector<int64_t> cuts;
        for (const TMp3SegmentJoiner::TSeam& seam : FJoiner.Seams())
            cuts.push_back(seam.Cut);
        return cuts;
    }

private:
    TMp3SegmentJoiner FJoiner;
    std::shared_ptr<TMp3RunInfo> FRun;
    bool FStarted = false;
    std::vector<TMp3SegmentJoiner::TJoinedFrame> FFrames;
};

} // namespace

TMp3RipEncoder::TMp3RipEncoder(const TMp3EncoderSettings& Settings) : FSettings(Settings) {
    FSettings.Tag = TMp3TagTexts();
}

QString TMp3RipEncoder::Extension() const {
    return QStringLiteral(".mp3");
}

TRipStreamShape TMp3RipEncoder::Prepare(const TRipPcmFormat& Input, bool Loudness) {
    if (Input.BitsPerSample != 16 && Input.BitsPerSample != 32)
        throw EAudioException(
            QCoreApplication::translate("Rip", "The MP3 encoder takes 16-bit or float samples, "
                                               "not %1 bits.")
                .arg(Input.BitsPerSample));
    FInput = Input;
    FFramePeaks = Loudness;
    FSettings.InputSampleRate = Input.SampleRate;
    // What LAME makes of the settings: its frame length and delay, and whether it resamples
    // (then its frames do not lie on the input's samples).
    TMp3Encoder probe(MaxBlockFrames);
    probe.Open(FSettings);
    if (!FSettings.EnableVBR) {
        // LAME would quietly take another rate; say what the sample rate allows instead.
        const QString refusal = Layer3BitRateRefusal(probe.OutputSampleRate(), FSettings.BitRate);
        if (!refusal.isEmpty())
            throw EAudioException(refusal);
    }
    TRipStreamShape shape;
    shape.FrameSamples = probe.FrameSamples();
    shape.EncoderDelay = probe.EncoderDelay();
    shape.Plain = probe.OutputSampleRate() != Input.SampleRate;
    shape.Downmix = FSettings.Mode == 3 && Input.Channels == 2; // LAME's MONO
    shape.DecodedPeak = true;
    return shape;
}

std::unique_ptr<TRipSegmentEncoder> TMp3RipEncoder::SegmentEncoder(const TRipSegment& Segment,
                                                                   const std::atomic<bool>&) const {
    return std::make_unique<TMp3RipSegment>(FSettings, FInput, Segment.First, Segment.Start,
                                            Segment.End, Segment.KeepUntil, FFramePeaks);
}

std::unique_ptr<TRipJoiner> TMp3RipEncoder::Joiner() const {
    return std::make_unique<TMp3RipJoiner>(!FSettings.EnableVBR);
}

std::unique_ptr<TRipJobWriter> TMp3RipEncoder::JobWriter(const TRipJobFile& File) const {
    // The tags the encoder makes for the job's texts: ID3v2 (UTF-16) first, ID3v1 last.
    TMp3EncoderSettings settings = FSettings;
    settings.Tag = File.Job->Tag;
    TMp3Encoder tagger(MaxBlockFrames);
    tagger.Open(settings);
    TMp3TagWriter tag(tagger.Id3v2Tag());
    tag.ReserveGains(File.TrackGain, File.AlbumGain);
    tag.SetCover(File.Cover);
    std::vector<TMp3TagWriter::TChapter> chapters;
    for (const TRipChapterMark& mark : File.Chapters)
        chapters.push_back({mark.StartMs, mark.EndMs, mark.Title});
    tag.SetChapters(std::move(chapters));
    const TMp3EncoderSettings& e = FSettings;
    const int maxKbps = !e.EnableVBR ? 0 : e.VBRLimits ? e.VBRMaxBitrate : 320;
    // The peak a player decodes is what the ReplayGain peak stands for: only a file with
    // loudness values needs it.
    return std::make_unique<TMp3JobStream>(*File.Job, *File.Grid, File.Start, !e.EnableVBR, maxKbps,
                                           File.TrackGain, std::move(tag), tagger.Id3v1Tag());
}

std::shared_ptr<const std::vector<uint8_t>>
TMp3RipEncoder::Cover(const std::vector<uint8_t>& Jpeg) const {
    return TMp3TagWriter::CoverFrame(Jpeg);
}
