// The segment joiner on real LAME segments, judged by FFmpeg's decoder: segments that
// overlap join into one stream with every frame once, in order, as many bytes as one
// encoder's at a constant bit rate, decoding without a complaint as close to the input as
// one encoder's stream; a segment that leaves a gap, or whose frames fit no cut, is
// refused and changes nothing. The peak each segment's encoder decoded of a frame is the
// joined stream's wherever it is kept: a frame decodes the same after the same frame.
#include "audio/layer3/layer3_packer.h"
#include "audio/layer3/mp3_segment_joiner.h"
#include "audio/mp3/lame.h"
#include "audio/mp3/mp3_decoded_peak.h"
#include "audio/mp3/mp3_segment_encoder.h"
#include "support/decoded_audio.h"
#include "support/fixture_signal.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <QFile>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kJoinerRate = 44100;
constexpr int kJoinerSpf = 1152;
constexpr int kPreroll = 16;
constexpr int kOverlap = 16;
// What a decoder gives lies behind the input by the encoder's and its own delay.
constexpr int kLag = 576 + 529;

struct TLameHold {
    TLameHold() { TLameLibrary::Acquire(); }
    ~TLameHold() { TLameLibrary::Release(); }
};

// Tones and noise in seconds with silent gaps: attacks after silence (short blocks) and a
// reservoir that fills in the quiet and empties in the loud.
std::vector<int16_t> Music(int64_t Frames) {
    return fixture_signal::SourceS16({7, 2, 0.5, -1}, kJoinerRate, 0, Frames);
}

TMp3EncoderSettings Settings(bool Vbr) {
    TMp3EncoderSettings s;
    s.InputSampleRate = s.OutputSampleRate = kJoinerRate;
    s.Mode = 1; // joint stereo
    s.BitRate = 128;
    s.EnableVBR = Vbr;
    s.VBRQuality = 2;
    s.VBRMinBitrate = 96;
    s.VBRMaxBitrate = 256;
    return s;
}

// One encoder's frames [First, KeepUntil) of the grid, standing for [Start, End): fed the
// input from frame First on, and a few frames past what it keeps.
TMp3SegmentJoiner::TSegment Encode(const std::vector<int16_t>& Pcm, const TMp3EncoderSettings& S,
                                   int64_t First, int64_t Start, int64_t End, int64_t KeepUntil) {
    TMp3SegmentEncoder encoder(S, First, Start, End, KeepUntil, true);
    const int64_t to = std::min(int64_t(Pcm.size() / 2), (KeepUntil + 3) * kJoinerSpf);
    for (int64_t at = First * kJoinerSpf; at < to; at += TMp3SegmentEncoder::MaxBlockFrames) {
        const int n = int(std::min<int64_t>(TMp3SegmentEncoder::MaxBlockFrames, to - at));
        encoder.Encode(&Pcm[size_t(at * 2)], n, 2, 16);
    }
    return encoder.Finish();
}

// Frames [0, Frames) cut at the given frames: each later segment with its pre-roll before
// and every one but the last with its overlap after.
std::vector<TMp3SegmentJoiner::TSegment> Segments(const std::vector<int16_t>& Pcm,
                                                  const TMp3EncoderSettings& S, int64_t Frames,
                                                  const std::vector<int64_t>& Cuts) {
    std::vector<TMp3SegmentJoiner::TSegment> out;
    for (size_t i = 0; i <= Cuts.size(); ++i) {
        const int64_t start = i == 0 ? 0 : Cuts[i - 1];
        const int64_t end = i == Cuts.size() ? Frames : Cuts[i];
        const bool last = i == Cuts.size();
        out.push_back(
            Encode(Pcm, S, i == 0 ? 0 : start - kPreroll, start, end, last ? end : end + kOverlap));
    }
    return out;
}

std::vector<TMp3SegmentJoiner::TJoinedFrame> Take(TMp3SegmentJoiner& Joiner) {
    std::vector<TMp3SegmentJoiner::TJoinedFrame> frames;
    Joiner.TakeFinished(frames);
    return frames;
}

// The joined frames as a stream of their own, laid out anew from the first.
QString Lay(const std::vector<TMp3SegmentJoiner::TJoinedFrame>& Frames, const QString& Name) {
    TLayer3Packer packer;
    std::vector<uint8_t> bytes;
    for (const auto& f : Frames) {
        EXPECT_TRUE(packer.Append(f.Frame, f.Frame.Header)) << "frame " << f.Index;
        packer.TakeFinished(bytes);
    }
    packer.TakeAll(bytes);
    const QString path = FreshDir(QStringLiteral("joined")) + u'/' + Name;
    EXPECT_TRUE(WriteFile(
        path, QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()))));
    return path;
}

double ErrorEnergy(const DecodedAudio& Decoded, const std::vector<int16_t>& Input) {
    double sum = 0;
    const int64_t frames = std::min<int64_t>(Decoded.frames() - kLag, int64_t(Input.size() / 2));
    for (int64_t i = 0; i < 2 * frames; ++i) {
        const double d = double(Decoded.samples[size_t(i + 2 * kLag)]) - Input[size_t(i)];
        sum += d * d;
    }
    return sum;
}

bool SameFrames(const std::vector<TMp3SegmentJoiner::TJoinedFrame>& A,
                const std::vector<TMp3SegmentJoiner::TJoinedFrame>& B) {
    if (A.size() != B.size())
        return false;
    for (size_t i = 0; i < A.size(); ++i)
        if (A[i].Index != B[i].Index || A[i].Frame.MainData != B[i].Frame.MainData ||
            A[i].Frame.Header.FrameBytes() != B[i].Frame.Header.FrameBytes())
            return false;
    return true;
}

} // namespace

TEST(SegmentJoiner, OverlappingSegmentsJoinIntoTheStreamOneEncoderWouldMake) {
    TLameHold hold;
    const int64_t frames = 300; // about 8 s
    std::vector<int16_t> pcm = Music(frames * kJoinerSpf);
    // A quiet start, so that the seams' frames are what is loudest of what is decoded below.
    for (size_t i = 0; i < size_t(2 * TMp3DecodedPeak::HeadSamples + 4 * kJoinerSpf); ++i)
        pcm[i] = int16_t(pcm[i] / 64);
    const std::vector<int64_t> cuts = {90, 200};
    for (bool vbr : {false, true}) {
        SCOPED_TRACE(vbr ? "vbr" : "cbr");
        const TMp3EncoderSettings settings = Settings(vbr);
        TMp3SegmentJoiner single(!vbr);
        ASSERT_TRUE(single.Add(Encode(pcm, settings, 0, 0, frames, frames)));
        single.Finish();
        const auto one = Take(single);
        ASSERT_EQ(one.size(), size_t(frames));

        TMp3SegmentJoiner joiner(!vbr);
        for (auto& segment : Segments(pcm, settings, frames, cuts))
            ASSERT_TRUE(joiner.Add(std::move(segment)));
        joiner.Finish();
        const auto joined = Take(joiner);

        // Every frame once, in order; each seam inside the overlap of the two segments.
        ASSERT_EQ(joined.size(), size_t(frames));
        for (size_t i = 0; i < joined.size(); ++i)
            ASSERT_EQ(joined[i].Index, int64_t(i));
        ASSERT_EQ(joiner.Seams().size(), cuts.size());
        for (size_t i = 0; i < cuts.size(); ++i) {
            EXPECT_GE(joiner.Seams()[i].Cut, cuts[i]);
            EXPECT_LE(joiner.Seams()[i].Cut, cuts[i] + kOverlap);
        }
        // A constant bit rate keeps one encoder's padding: the same bytes in all.
        if (!vbr) {
            int64_t oneBytes = 0, joinedBytes = 0;
            for (size_t i = 0; i < one.size(); ++i) {
                oneBytes += one[i].Frame.Header.FrameBytes();
                joinedBytes += joined[i].Frame.Header.FrameBytes();
                EXPECT_EQ(joined[i].Frame.Header.BitRateKbps(), 128);
            }
            EXPECT_EQ(joinedBytes, oneBytes);
        }

        const DecodedAudio a = DecodeAudioFile(Lay(one, QStringLiteral("one.mp3")));
        const DecodedAudio b = DecodeAudioFile(Lay(joined, QStringLiteral("joined.mp3")));
        ASSERT_TRUE(a.ok && b.ok) << b.error.toStdString();
        EXPECT_EQ(b.complaints, a.complaints); // no tag: both lengths are estimated alike
        EXPECT_EQ(b.frames(), a.frames());
        const double ratio = ErrorEnergy(b, pcm) / ErrorEnergy(a, pcm);
        EXPECT_LT(std::fabs(10 * std::log10(ratio)), 0.3);

        // Each frame's peak as its own encoder decoded it, against FFmpeg's decode of the
        // joined stream; unknown only where no frame came before it in that encoder's
        // stream or another encoder's frame comes before it here.
        const DecodedAudio f = DecodeAudioFile(Lay(joined, QStringLiteral("joined.mp3")), -1, true);
        ASSERT_TRUE(f.ok) << f.error.toStdString();
        int known = 0;
        for (const auto& frame : joined) {
            const bool seam = std::any_of(joiner.Seams().begin(), joiner.Seams().end(),
                                          [&](const auto& s) { return s.Cut == frame.Index; });
            if (frame.Index == 0 || seam) {
                EXPECT_LT(frame.Frame.DecodedPeak, 0) << "frame " << frame.Index;
                continue;
            }
            float peak = 0;
            for (int64_t i = frame.Index * kJoinerSpf * 2; i < (frame.Index + 1) * kJoinerSpf * 2;
                 ++i)
                peak = std::max(peak, std::fabs(f.floats[size_t(i)]));
            ASSERT_EQ(frame.Frame.DecodedPeak, peak) << "frame " << frame.Index;
            ++known;
        }
        EXPECT_EQ(known, frames - 1 - int(cuts.size()));

        // A file's peak takes the frames known as they are (here: told silent) and decodes
        // the others, where they lie in the stream: the seams' frames after the frames before
        // them, the head and the last frame, which the range ends inside.
        QFile file(Lay(joined, QStringLiteral("joined.mp3")));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        TMp3DecodedPeak decoded;
        for (const auto& frame : joined)
            decoded.Expect(frame.Frame.DecodedPeak < 0 ? -1.0f : 0.0f);
        decoded.Add(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
        const int64_t first = 1500, end = frames * kJoinerSpf - 1000;
        float expected = 0;
        for (int64_t i = first; i < end; ++i) {
            const int64_t frame = i / kJoinerSpf;
            const bool seam = std::any_of(joiner.Seams().begin(), joiner.Seams().end(),
                                          [&](const auto& s) { return s.Cut == frame; });
            if (frame * kJoinerSpf < TMp3DecodedPeak::HeadSamples || seam || frame == frames - 1)
                expected = std::max({expected, std::fabs(f.floats[size_t(2 * i)]),
                                     std::fabs(f.floats[size_t(2 * i + 1)])});
        }
        EXPECT_DOUBLE_EQ(decoded.Finish(first, end), double(expected) + 1.0 / 32768);
        EXPECT_LT(decoded.FramesDecoded(), frames / 4);
    }
}

TEST(SegmentJoiner, ASegmentThatCannotFollowIsRefusedAndChangesNothing) {
    TLameHold hold;
    const int64_t frames = 200;
    const std::vector<int16_t> pcm = Music(frames * kJoinerSpf);
    const TMp3EncoderSettings settings = Settings(false);
    const auto parts = Segments(pcm, settings, frames, {100});

    TMp3SegmentJoiner expected(true);
    ASSERT_TRUE(expected.Add(TMp3SegmentJoiner::TSegment(parts[0])));
    ASSERT_TRUE(expected.Add(TMp3SegmentJoiner::TSegment(parts[1])));
    expected.Finish();
    const auto joined = Take(expected);

    TMp3SegmentJoiner joiner(true);
    ASSERT_TRUE(joiner.Add(TMp3SegmentJoiner::TSegment(parts[0])));
    // Frames that leave a gap after the first segment's last: no cut joins them.
    TMp3SegmentJoiner::TSegment late = Encode(pcm, settings, 150 - kPreroll, 150, frames, frames);
    EXPECT_FALSE(joiner.Add(std::move(late)));
    // Frames whose main data no frame's slots and reservoir could hold at this bit rate.
    TMp3SegmentJoiner::TSegment bloated = parts[1];
    for (TLayer3Frame& f : bloated.Frames)
        f.MainData.resize(f.MainData.size() + 1200, 0x55);
    EXPECT_FALSE(joiner.Add(std::move(bloated)));
    EXPECT_TRUE(joiner.Seams().empty());
    // The real next segment still joins as if nothing had been offered in between.
    ASSERT_TRUE(joiner.Add(TMp3SegmentJoiner::TSegment(parts[1])));
    joiner.Finish();
    EXPECT_TRUE(SameFrames(Take(joiner), joined));
    ASSERT_EQ(joiner.Seams().size(), 1u);
    EXPECT_EQ(joiner.Seams()[0].Cut, expected.Seams()[0].Cut);
}
