#include "audio/mp3_parallel_encoder.h"

#include "audio/audio_exception.h"
#include "audio/mp3_info_tag.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int64_t Unbounded = INT64_MAX / 4;
constexpr int ReadFrames = TMp3SegmentEncoder::MaxBlockFrames;

} // namespace

bool TMp3ParallelEncoder::SameSound(const std::vector<uint8_t>& A,
                                    const std::vector<uint8_t>& B) const {
    if (A.size() != B.size() || A.empty())
        return false;
    // Decoders that land exactly give the same samples; a source whose timestamps disagree
    // with its samples numbers them differently after each seek, and the sound is shifted.
    // A hair of tolerance for decoders that round differently after a seek.
    if (FSettings.BitsPerSample == 32) {
        const auto* a = reinterpret_cast<const float*>(A.data());
        const auto* b = reinterpret_cast<const float*>(B.data());
        for (size_t i = 0; i < A.size() / sizeof(float); ++i)
            if (std::fabs(a[i] - b[i]) > 1.0f / 4096)
                return false;
        return true;
    }
    const auto* a = reinterpret_cast<const int16_t*>(A.data());
    const auto* b = reinterpret_cast<const int16_t*>(B.data());
    for (size_t i = 0; i < A.size() / sizeof(int16_t); ++i)
        if (std::abs(int(a[i]) - int(b[i])) > 8)
            return false;
    return true;
}

bool TMp3ParallelEncoder::Worthwhile(int64_t Frames, int Rate, int Jobs) {
    return Jobs > 1 && Rate > 0 && Frames >= 2 * int64_t(MinSegmentSeconds) * Rate;
}

TMp3ParallelEncoder::TMp3ParallelEncoder(TSettings Settings)
    : FSettings(std::move(Settings)), FJoiner(FSettings.ConstantBitRate) {
    if (!Worthwhile(FSettings.Frames, FSettings.SampleRate, FSettings.Jobs) ||
        FSettings.FrameSamples <= 0 || !FSettings.OpenPart)
        throw EAudioException(QStringLiteral("The run cannot be encoded in parts."));
    Plan();
    FSlots.resize(FPlan.size());
    const int threads = std::min<int>(FSettings.Jobs, int(FPlan.size()));
    for (int i = 0; i < threads; ++i)
        FPool.emplace_back([this] { Work(); });
}

TMp3ParallelEncoder::~TMp3ParallelEncoder() {
    Stop();
}

void TMp3ParallelEncoder::Plan() {
    const int spf = FSettings.FrameSamples;
    const int64_t frames = (FSettings.Frames + spf - 1) / spf;
    // Four segments per thread balance the threads' ends; longer ones cost less pre-roll
    // and overlap, shorter ones less memory and a shorter wait for the last.
    const double seconds =
        std::clamp(double(FSettings.Frames) / FSettings.SampleRate / (4.0 * FSettings.Jobs),
                   double(MinSegmentSeconds), double(MaxSegmentSeconds));
    const int64_t length = std::max<int64_t>(1, int64_t(seconds * FSettings.SampleRate / spf));
    const int64_t count = std::max<int64_t>(2, frames / length);
    for (int64_t s = 0; s < count; ++s) {
        TPart p;
        const bool last = s + 1 == count;
        p.Start = s * frames / count;
        p.End = last ? Unbounded : (s + 1) * frames / count;
        p.First = s == 0 ? 0 : p.Start - PrerollFrames;
        p.KeepUntil = last ? Unbounded : p.End + OverlapFrames;
        p.FeedFrom = p.First * spf;
        p.FeedTo =
            last ? FSettings.Frames : std::min(FSettings.Frames, (p.KeepUntil + GuardFrames) * spf);
        FPlan.push_back(p);
    }
}

void TMp3ParallelEncoder::Stop() noexcept {
    {
        std::lock_guard lock(FLock);
        FStop = true;
    }
    FChanged.notify_all();
    for (std::thread& t : FPool)
        if (t.joinable())
            t.join();
    FPool.clear();
}

void TMp3ParallelEncoder::Work() {
    // A thread takes segments in order, no further ahead of the joiner than a few per
    // thread, so that memory stays bounded however long the run.
    const size_t ahead = size_t(2 * FSettings.Jobs + 1);
    for (;;) {
        size_t index;
        {
            std::unique_lock lock(FLock);
            FChanged.wait(
                lock, [&] { return FStop || FNext >= FPlan.size() || FNext < FJoined + ahead; });
            if (FStop || FNext >= FPlan.size())
                return;
            index = FNext++;
        }
        try {
            EncodePart(index);
        } catch (...) {
            std::lock_guard lock(FLock);
            if (!FFailure)
                FFailure = std::current_exception();
            FStop = true;
        }
        FChanged.notify_all();
    }
}

void TMp3ParallelEncoder::EncodePart(size_t Index) {
    const TPart& part = FPlan[Index];
    const int spf = FSettings.FrameSamples;
    std::unique_ptr<TAudioPartReader> reader =
        FSettings.OpenPart(part.FeedFrom, part.FeedTo - part.FeedFrom);
    if (!reader)
        throw EAudioException(QStringLiteral("The input cannot be read in parts."));
    TMp3SegmentEncoder encoder(FSettings.Encoder, part.First, part.Start, part.End, part.KeepUntil);
    // The last part is unbounded: its end is the run's, never a frame count times spf.
    const int64_t startFrame = part.Start * spf;
    const int64_t endFrame = part.End == Unbounded ? FSettings.Frames : part.End * spf;
    // What this segment stands for, in PCM frames, counted as progress.
    const int64_t countFrom = startFrame;
    const int64_t countTo = std::min(FSettings.Frames, endFrame);
    const size_t frameBytes = size_t(FSettings.Channels * FSettings.BitsPerSample / 8);
    std::vector<uint8_t> buffer(ReadFrames * frameBytes);
    // The sound just before the segment's start and just before its end: the neighbours
    // decoded the same frames, and must have found the same sound there.
    std::vector<uint8_t> head, tail;
    auto keep = [&](std::vector<uint8_t>& Into, int64_t From, int64_t To, int64_t At, int Got) {
        const int64_t a = std::max(From, At), b = std::min(To, At + Got);
        if (b > a)
            Into.insert(Into.end(), buffer.data() + (a - At) * int64_t(frameBytes),
                        buffer.data() + (b - At) * int64_t(frameBytes));
    };
    int64_t at = part.FeedFrom;
    while (at < part.FeedTo) {
        {
            std::lock_guard lock(FLock);
            if (FStop)
                return;
        }
        const int want = int(std::min<int64_t>(ReadFrames, part.FeedTo - at));
        const int got = reader->Read(buffer.data(), want);
        if (got <= 0)
            break;
        encoder.Encode(buffer.data(), got, FSettings.Channels, FSettings.BitsPerSample);
        if (Index > 0)
            keep(head, startFrame - CheckFrames, startFrame, at, got);
        if (Index + 1 < FPlan.size())
            keep(tail, endFrame - CheckFrames, endFrame, at, got);
        const int64_t counted = std::min(at + got, countTo) - std::max(at, countFrom);
        if (counted > 0)
            FDone += counted;
        at += got;
    }
    TMp3SegmentJoiner::TSegment segment = encoder.Finish();
    std::lock_guard lock(FLock);
    FSlots[Index].Short = at < part.FeedTo && Index + 1 < FPlan.size();
    if (Index + 1 == FPlan.size())
        FEnd = at;
    if (Index == 0) {
        FInfoTemplate = encoder.InfoFrame();
        FEncoderDelay = encoder.EncoderDelay();
    }
    FSlots[Index].Segment = std::move(segment);
    FSlots[Index].Head = std::move(head);
    FSlots[Index].Tail = std::move(tail);
    FSlots[Index].Done = true;
}

TMp3ParallelEncoder::TStepResult TMp3ParallelEncoder::Step(std::vector<uint8_t>& Out, int WaitMs) {
    TMp3SegmentJoiner::TSegment segment;
    const size_t index = FJoined;
    if (index >= FPlan.size())
        return psDone;
    {
        std::unique_lock lock(FLock);
        FChanged.wait_for(lock, std::chrono::milliseconds(WaitMs),
                          [&] { return FFailure || FSlots[index].Done; });
        if (FFailure)
            std::rethrow_exception(FFailure);
        if (!FSlots[index].Done)
            return psWorking;
        if (FSlots[index].Short || (index > 0 && !SameSound(FTail, FSlots[index].Head)))
            return psSeamFailed;
        segment = std::move(FSlots[index].Segment);
        FTail = std::move(FSlots[index].Tail);
        FSlots[index] = TSlot();
        ++FJoined;
    }
    FChanged.notify_all();
    if (index == 0)
        Out.insert(Out.end(), FInfoTemplate.begin(), FInfoTemplate.end());
    if (!FJoiner.Add(std::move(segment)))
        return psSeamFailed;
    const bool last = index + 1 == FPlan.size();
    if (last)
        FJoiner.Finish();
    std::vector<uint8_t> bytes;
    FJoiner.TakeFinished(bytes);
    FMusicCrc = TMp3InfoTag::Crc16(bytes.data(), bytes.size(), FMusicCrc);
    FAudioBytes += uint32_t(bytes.size());
    Out.insert(Out.end(), bytes.begin(), bytes.end());
    return last ? psDone : psWorking;
}

std::vector<uint8_t> TMp3ParallelEncoder::InfoFrame() const {
    auto tag = TMp3InfoTag::Parse(FInfoTemplate.data(), FInfoTemplate.size());
    if (!tag)
        return {};
    const uint32_t head = uint32_t(FInfoTemplate.size());
    std::vector<uint32_t> offsets;
    offsets.reserve(FJoiner.FrameSizes().size());
    uint32_t at = head;
    for (uint32_t size : FJoiner.FrameSizes()) {
        offsets.push_back(at);
        at += size;
    }
    const uint32_t total = head + FAudioBytes;
    tag->SetFrames(uint32_t(FJoiner.FrameCount()));
    tag->SetByteCount(total);
    tag->SetToc(offsets, total);
    tag->SetMusicLength(total);
    tag->SetMusicCrc(FMusicCrc);
    tag->SetEncoderDelay(FEncoderDelay);
    tag->SetEncoderPadding(
        int(FJoiner.FrameCount() * FSettings.FrameSamples - FEncoderDelay - FEnd));
    return tag->Bytes();
}
