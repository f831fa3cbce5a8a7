#include "audio/rip/rip_segment_run.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int64_t Unbounded = INT64_MAX / 4;

// A run's last segment keeps every frame its encoder makes.
TRipSegment KeptToTheEnd(TRipSegment Seg) {
    if (Seg.Last)
        Seg.KeepUntil = Unbounded;
    return Seg;
}

} // namespace

bool SameSound(const std::vector<uint8_t>& Tail, const std::vector<uint8_t>& Head,
               int BitsPerSample) {
    if (Tail.size() != Head.size() || Tail.empty())
        return false;
    if (BitsPerSample == 24) {
        // Packed little-endian: a hair of rounding is a few steps of the 24 bits.
        for (size_t i = 0; i + 3 <= Tail.size(); i += 3) {
            auto value = [](const uint8_t* P) {
                return int32_t(uint32_t(P[0]) << 8 | uint32_t(P[1]) << 16 | uint32_t(P[2]) << 24) >>
                       8;
            };
            if (std::abs(value(&Tail[i]) - value(&Head[i])) > 8 * 256)
                return false;
        }
        return true;
    }
    if (BitsPerSample == 32) {
        const auto* a = reinterpret_cast<const float*>(Tail.data());
        const auto* b = reinterpret_cast<const float*>(Head.data());
        for (size_t i = 0; i < Tail.size() / sizeof(float); ++i)
            if (std::fabs(a[i] - b[i]) > 1.0f / 4096)
                return false;
        return true;
    }
    const auto* a = reinterpret_cast<const int16_t*>(Tail.data());
    const auto* b = reinterpret_cast<const int16_t*>(Head.data());
    for (size_t i = 0; i < Tail.size() / sizeof(int16_t); ++i)
        if (std::abs(int(a[i]) - int(b[i])) > 8)
            return false;
    return true;
}

TRipSegmentRun::TRipSegmentRun(const TRipSegment& Seg, const TRipGrid& Grid, int64_t RunFrames,
                               const TRipEncoder& Encoder, TRipPcmFormat Format,
                               std::vector<TJobSpan> Measured, TProgress Progress,
                               const std::atomic<bool>& Stop)
    : FSeg(Seg), FFormat(Format), FDownmix(Grid.Shape.Downmix && Format.Channels == 2),
      FSamplePeak(!Grid.Shape.DecodedPeak), FMeasured(std::move(Measured)), FProgress(Progress),
      FEncoder(Encoder.SegmentEncoder(KeptToTheEnd(Seg), Stop)),
      FFrameBytes(size_t(Format.FrameBytes())), FAt(Seg.FeedFrom) {
    const int spf = Grid.FrameSamples;
    const int64_t end = RunFrames < 0 ? Unbounded : Grid.Lead + RunFrames;
    FCountFrom = std::max(Grid.Plain ? 0 : Seg.Start * spf, Grid.Lead);
    FCountTo = Seg.Last ? end : std::min(Seg.End * spf, end);
    if (Seg.Index > 0)
        FHeadFrom = Seg.Start * spf - CheckFrames;
    if (!Seg.Last)
        FTailFrom = Seg.End * spf - CheckFrames;
}

int64_t TRipSegmentRun::Wanted() const {
    return FSeg.FeedTo < 0 ? Unbounded : FSeg.FeedTo - FAt;
}

void TRipSegmentRun::Feed(const uint8_t* Pcm, int Frames) {
    FEncoder->Encode(Pcm, Frames);
    Keep(FHead, FHeadFrom, Pcm, Frames);
    Keep(FTail, FTailFrom, Pcm, Frames);
    const int64_t counted = std::min(FAt + Frames, FCountTo) - std::max(FAt, FCountFrom);
    if (counted > 0) {
        FProgress.Done += counted;
        FProgress.RunDone += counted;
    }
    Measure(Pcm, Frames);
    FAt += Frames;
    FDelivered += Frames;
}

bool TRipSegmentRun::Encode(TAudioPartReader& Reader, const std::atomic<bool>& Stop,
                            TRipPart& Out) {
    constexpr int ReadFrames = TRipEncoder::MaxBlockFrames;
    std::vector<uint8_t> buffer(size_t(ReadFrames) * FFrameBytes);
    // A part that reads to the source's end ends there by definition.
    bool ended = FSeg.FeedTo < 0;
    while (Wanted() > 0) {
        if (Stop)
            return false;
        const int want = int(std::min<int64_t>(ReadFrames, Wanted()));
        const int got = Reader.Read(buffer.data(), want);
        if (got <= 0) {
            ended = true;
            break;
        }
        Feed(buffer.data(), got);
    }
    Finish(ended, Out);
    return true;
}

void TRipSegmentRun::Finish(bool Ended, TRipPart& Out) {
    Out.Segment = FEncoder->Finish();
    Out.Delivered = FDelivered;
    Out.Ended = Ended;
    Out.Head = std::move(FHead);
    Out.Tail = std::move(FTail);
    Out.Meters = std::move(FMeters);
    Out.Done = true;
}

void TRipSegmentRun::Measure(const uint8_t* Pcm, int Frames) {
    // Each job's share of the counted samples goes to that job's meter.
    const int64_t from = std::max(FAt, FCountFrom), to = std::min(FAt + Frames, FCountTo);
    for (const TJobSpan& job : FMeasured) {
        if (from >= to)
            break;
        const int64_t a = std::max(from, job.Start);
        const int64_t b = std::min(to, job.End < 0 ? Unbounded : job.End);
        if (b > a)
            Meter(job.Job).Add(Pcm + (a - FAt) * int64_t(FFrameBytes), b - a);
    }
}

TLoudnessMeter& TRipSegmentRun::Meter(size_t Job) {
    if (FMeters.empty() || FMeters.back().first != Job)
        FMeters.emplace_back(
            Job, std::make_unique<TLoudnessMeter>(FFormat.Channels, FFormat.SampleRate,
                                                  FFormat.BitsPerSample, FDownmix, FSamplePeak));
    return *FMeters.back().second;
}

void TRipSegmentRun::Keep(std::vector<uint8_t>& Into, int64_t From, const uint8_t* Pcm,
                          int Frames) const {
    if (From == INT64_MIN)
        return;
    const int64_t a = std::max(From, FAt), b = std::min(From + CheckFrames, FAt + Frames);
    if (b > a)
        Into.insert(Into.end(), Pcm + (a - FAt) * int64_t(FFrameBytes),
                    Pcm + (b - FAt) * int64_t(FFrameBytes));
}
