#include "audio/rip_executor.h"

#include "audio/audio_exception.h"
#include "audio/mp3_segment_encoder.h"
#include "audio/mpeg_frame_header.h"
#include "audio/output_file.h"
#include "audio/rip_job_stream.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include <QStringList>

namespace {

constexpr int ReadFrames = TMp3SegmentEncoder::MaxBlockFrames;
constexpr int64_t Unbounded = INT64_MAX / 4;

TMp3EncoderSettings WithTag(TMp3EncoderSettings Settings, const TMp3TagTexts& Tag) {
    Settings.Title = Tag.Title;
    Settings.Artist = Tag.Artist;
    Settings.Album = Tag.Album;
    Settings.Year = Tag.Year;
    Settings.Track = Tag.Track;
    Settings.Comment = Tag.Comment;
    Settings.Genre = Tag.Genre;
    return Settings;
}

// The job's range on its grid: [Lead, Lead + frames), to the end when unknown.
int64_t RangeEnd(const TRipGrid& Grid, int64_t Planned) {
    return Planned < 0 ? Unbounded : Grid.Lead + Planned;
}

} // namespace

// One segment's encoder fed in order from the segment's first PCM frame: keeps the sound
// its neighbours must agree on, and counts the frames of the range it stands for.
class TRipExecutor::TSegmentRun {
public:
    TSegmentRun(TRipExecutor& Owner, const TRipSegment& Seg)
        : FOwner(Owner), FSeg(Seg), FGrid(Owner.FGrids[Seg.Job]),
          FEncoder(Owner.FSettings.Encoder, Seg.First, Seg.Start, Seg.End,
                   Seg.Last ? Unbounded : Seg.KeepUntil),
          FFrameBytes(
              size_t(Owner.FSettings.Source.Channels * Owner.FSettings.Source.BitsPerSample / 8)),
          FAt(Seg.FeedFrom) {
        const int spf = FGrid.FrameSamples;
        const int64_t end = RangeEnd(FGrid, Owner.FPlanned[Seg.Job]);
        FCountFrom = std::max(FGrid.Plain ? 0 : Seg.Start * spf, FGrid.Lead);
        FCountTo = Seg.Last ? end : std::min(Seg.End * spf, end);
        if (Seg.Index > 0)
            FHeadFrom = Seg.Start * spf - CheckFrames;
        if (!Seg.Last)
            FTailFrom = Seg.End * spf - CheckFrames;
    }

    // PCM frames still wanted, Unbounded when the part reads to the source's end.
    int64_t Wanted() const { return FSeg.FeedTo < 0 ? Unbounded : FSeg.FeedTo - FAt; }

    void Feed(const uint8_t* Pcm, int Frames) {
        const TSource& src = FOwner.FSettings.Source;
        FEncoder.Encode(Pcm, Frames, src.Channels, src.BitsPerSample);
        Keep(FHead, FHeadFrom, Pcm, Frames);
        Keep(FTail, FTailFrom, Pcm, Frames);
        const int64_t counted = std::min(FAt + Frames, FCountTo) - std::max(FAt, FCountFrom);
        if (counted > 0) {
            FOwner.FDone += counted;
            FOwner.FJobDone[FSeg.Job] += counted;
        }
        FAt += Frames;
        FDelivered += Frames;
    }

    void Finish(bool Ended, TSlot& Out) {
        Out.Segment = FEncoder.Finish();
        Out.Delivered = FDelivered;
        Out.Ended = Ended;
        Out.Head = std::move(FHead);
        Out.Tail = std::move(FTail);
        if (FSeg.Index == 0)
            Out.InfoFrame = FEncoder.InfoFrame();
        Out.Padding = FEncoder.EncoderPadding();
        Out.Done = true;
    }

private:
    void Keep(std::vector<uint8_t>& Into, int64_t From, const uint8_t* Pcm, int Frames) const {
        if (From == INT64_MIN)
            return;
        const int64_t a = std::max(From, FAt), b = std::min(From + CheckFrames, FAt + Frames);
        if (b > a)
            Into.insert(Into.end(), Pcm + (a - FAt) * int64_t(FFrameBytes),
                        Pcm + (b - FAt) * int64_t(FFrameBytes));
    }

    TRipExecutor& FOwner;
    TRipSegment FSeg;
    const TRipGrid& FGrid;
    TMp3SegmentEncoder FEncoder;
    size_t FFrameBytes;
    int64_t FAt;
    int64_t FDelivered = 0;
    int64_t FCountFrom = 0, FCountTo = 0;
    int64_t FHeadFrom = INT64_MIN, FTailFrom = INT64_MIN;
    std::vector<uint8_t> FHead, FTail;
};

TRipExecutor::TRipExecutor(TSettings Settings) : FSettings(std::move(Settings)) {}

void TRipExecutor::Start() {
    const TSource& src = FSettings.Source;
    if (FSettings.Jobs.empty())
        throw EAudioException(QStringLiteral("There is nothing to rip."));
    if (!src.OpenPart && FSettings.Jobs.size() > 1)
        throw EAudioException(QStringLiteral("The input cannot be read in parts."));
    for (size_t j = 0; j < FSettings.Jobs.size(); ++j) {
        try {
            TOutputFile::Check(FSettings.Jobs[j].FileName);
        } catch (...) {
            FFailedJob = int(j);
            throw;
        }
    }
    // What the encoder makes of the settings: its frame length and delay, and whether it
    // resamples (then its frames do not lie on the input's samples).
    TMp3Encoder probe(ReadFrames);
    probe.Open(FSettings.Encoder);
    FFrameSamples = probe.FrameSamples();
    if (!FSettings.Encoder.EnableVBR) {
        // LAME would quietly take another rate; say what the sample rate allows instead.
        const std::vector<int> rates = Layer3BitRates(probe.OutputSampleRate());
        if (std::find(rates.begin(), rates.end(), FSettings.Encoder.BitRate) == rates.end()) {
            QStringList listed;
            for (int r : rates)
                listed << QString::number(r);
            throw EAudioException(
                QStringLiteral("An MP3 at %1 Hz cannot have a constant bit rate of %2 kbit/s; "
                               "it can have %3 kbit/s.")
                    .arg(QString::number(probe.OutputSampleRate()),
                         QString::number(FSettings.Encoder.BitRate), listed.join(u", ")));
        }
    }
    FPlain = probe.OutputSampleRate() != src.SampleRate;
    const int delay = probe.EncoderDelay();
    probe.Close();

    const size_t count = FSettings.Jobs.size();
    FJobDone = std::make_unique<std::atomic<int64_t>[]>(count);
    FResults.resize(count);
    int64_t total = 0;
    for (const TRipJob& job : FSettings.Jobs) {
        FGrids.emplace_back(job.First, FFrameSamples, delay, FPlain);
        int64_t planned = -1;
        if (job.End >= 0)
            planned = std::max<int64_t>(0, job.End - job.First);
        else if (src.RunFrames >= 0)
            planned = std::max<int64_t>(0, src.RunFrames - job.First);
        FPlanned.push_back(planned);
        total += std::max<int64_t>(planned, 0);
    }
    FTotal = total;
    // Segments are sized by the cores, whatever the thread count asked for: more threads
    // than cores make nothing faster, more segments only cost seams.
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    const int threads = src.OpenPart ? std::max(1, FSettings.Threads) : 1;
    FPlan =
        PlanSegments(FPlanned, FGrids, std::min(threads, cores), src.SampleRate, FSettings.Tuning);
    // A job to the source's end reads on until it ends, whatever the input guessed.
    for (TRipSegment& seg : FPlan)
        if (seg.Last && FSettings.Jobs[seg.Job].End < 0 && !FGrids[seg.Job].Plain)
            seg.FeedTo = -1;
    FSlots.resize(FPlan.size());
    const TRipSegment& first = FPlan.front();
    FFirstSeeks = FGrids[first.Job].Origin + first.FeedFrom > 0;
    // The first file is there from the start, so a folder that cannot take it fails now.
    try {
        StartJob(first.Job);
    } catch (...) {
        FFailedJob = int(first.Job);
        throw;
    }
    if (!src.OpenPart) {
        FSequential = std::make_unique<TSegmentRun>(*this, FPlan.front());
        return;
    }
    FPoolSize = std::min<int>(threads, int(FPlan.size()));
    for (int i = 0; i < FPoolSize; ++i)
        FPool.emplace_back([this] { Work(); });
}

TRipExecutor::~TRipExecutor() {
    Stop();
}

void TRipExecutor::RequestStop() noexcept {
    FStopRequested = true;
    std::lock_guard lock(FLock);
    FStop = true;
    for (TAudioPartReader* reader : FReaders)
        reader->Interrupt();
    FChanged.notify_all();
}

void TRipExecutor::Stop() noexcept {
    RequestStop();
    for (std::thread& t : FPool)
        if (t.joinable())
            t.join();
    FPool.clear();
    if (FStream)
        FStream->Discard();
}

void TRipExecutor::Work() {
    // Threads take segments in order, no further ahead of the coordinator than a few per
    // thread, so that memory stays bounded however long the run.
    const size_t ahead = 2 * size_t(FPoolSize) + 1;
    for (;;) {
        size_t index;
        {
            std::unique_lock lock(FLock);
            FChanged.wait(
                lock, [&] { return FStop || FNext >= FPlan.size() || FNext < FJoined + ahead; });
            // After a failure only the jobs before the failing one are finished.
            if (FStop || FNext >= FPlan.size() ||
                (FFailure && int(FPlan[FNext].Job) >= FFailureJob))
                return;
            index = FNext++;
        }
        TSlot slot;
        try {
            EncodePart(FPlan[index], slot);
        } catch (...) {
            std::lock_guard lock(FLock);
            if (!FFailure || int(FPlan[index].Job) < FFailureJob) {
                FFailure = std::current_exception();
                FFailureJob = int(FPlan[index].Job);
            }
            FChanged.notify_all();
            return;
        }
        {
            std::lock_guard lock(FLock);
            FSlots[index] = std::move(slot);
        }
        FChanged.notify_all();
    }
}

bool TRipExecutor::FailedAt(size_t Index) const {
    // Jobs before the failing one are still finished, so that what could be written is.
    return FFailure && int(FPlan[Index].Job) >= FFailureJob;
}

void TRipExecutor::EncodePart(const TRipSegment& Seg, TSlot& Out) {
    const TRipGrid& grid = FGrids[Seg.Job];
    const int64_t asked = Seg.FeedTo < 0 ? -1 : Seg.FeedTo - Seg.FeedFrom;
    std::unique_ptr<TAudioPartReader> reader =
        FSettings.Source.OpenPart(grid.Origin + Seg.FeedFrom, asked);
    if (!reader)
        throw EAudioException(QStringLiteral("The input cannot be read in parts."));
    {
        std::lock_guard lock(FLock);
        if (FStop)
            return;
        FReaders.insert(reader.get());
    }
    struct TUnlist {
        TRipExecutor& Owner;
        TAudioPartReader* Reader;
        ~TUnlist() {
            std::lock_guard lock(Owner.FLock);
            Owner.FReaders.erase(Reader);
        }
    } unlist{*this, reader.get()};
    TSegmentRun run(*this, Seg);
    const size_t frameBytes =
        size_t(FSettings.Source.Channels * FSettings.Source.BitsPerSample / 8);
    std::vector<uint8_t> buffer(size_t(ReadFrames) * frameBytes);
    bool ended = Seg.FeedTo < 0;
    while (run.Wanted() > 0) {
        if (FStopRequested)
            return;
        const int want = int(std::min<int64_t>(ReadFrames, run.Wanted()));
        const int got = reader->Read(buffer.data(), want);
        if (got <= 0) {
            ended = true;
            break;
        }
        run.Feed(buffer.data(), got);
    }
    run.Finish(ended, Out);
}

bool TRipExecutor::SameSound(const std::vector<uint8_t>& A, const std::vector<uint8_t>& B) const {
    if (A.size() != B.size() || A.empty())
        return false;
    // Decoders that land exactly give the same samples; a source whose timestamps disagree
    // with its samples numbers them differently after each seek, and the sound is shifted.
    // A hair of tolerance for decoders that round differently after a seek.
    if (FSettings.Source.BitsPerSample == 32) {
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

bool TRipExecutor::Step(int WaitMs) {
    if (FSequential)
        return StepSequential();
    if (FJoined >= FPlan.size())
        return false;
    TSlot slot;
    const size_t index = FJoined;
    {
        std::unique_lock lock(FLock);
        FChanged.wait_for(lock, std::chrono::milliseconds(WaitMs),
                          [&] { return FailedAt(index) || FSlots[index].Done; });
        if (FailedAt(index)) {
            FFailedJob = FFailureJob;
            std::rethrow_exception(FFailure);
        }
        if (!FSlots[index].Done)
            return true;
        slot = std::move(FSlots[index]);
        FSlots[index] = TSlot();
        ++FJoined;
    }
    FChanged.notify_all();
    const TRipSegment& seg = FPlan[index];
    try {
        JoinSegment(seg, std::move(slot));
        if (seg.Last)
            FinishJob(seg.Job);
    } catch (...) {
        FFailedJob = int(seg.Job);
        throw;
    }
    return FJoined < FPlan.size();
}

bool TRipExecutor::StepSequential() {
    const TRipSegment& seg = FPlan.front();
    const TSource& src = FSettings.Source;
    const size_t frameBytes = size_t(src.Channels * src.BitsPerSample / 8);
    if (FBlock.empty()) {
        FBlock.assign(size_t(ReadFrames) * frameBytes, 0);
        // The input starts with the range: silence stands for the sound before it.
        for (int64_t left = FGrids.front().Lead; left > 0;) {
            const int n = int(std::min<int64_t>(left, ReadFrames));
            FSequential->Feed(FBlock.data(), n);
            left -= n;
        }
    }
    try {
        const int want = int(std::min<int64_t>(ReadFrames, FSequential->Wanted()));
        const int got = want > 0 ? src.ReadNext(FBlock.data(), want) : 0;
        if (got > 0) {
            FSequential->Feed(FBlock.data(), got);
            return true;
        }
        TSlot slot;
        FSequential->Finish(true, slot);
        FSequential.reset();
        FJoined = 1;
        JoinSegment(seg, std::move(slot));
        FinishJob(seg.Job);
    } catch (...) {
        FFailedJob = 0;
        throw;
    }
    return false;
}

void TRipExecutor::StartJob(size_t Job) {
    // The tags the encoder makes for the job's texts: ID3v2 (UTF-16) first, ID3v1 last.
    TMp3Encoder tagger(ReadFrames);
    tagger.Open(WithTag(FSettings.Encoder, FSettings.Jobs[Job].Tag));
    FStream = std::make_unique<TMp3JobStream>(FSettings.Jobs[Job], FGrids[Job],
                                              !FSettings.Encoder.EnableVBR, tagger.Id3v2Tag(),
                                              tagger.Id3v1Tag());
    FStreamJob = Job;
    FTail.clear();
    FJobEnd = -1;
    FRedo = false;
}

void TRipExecutor::JoinSegment(const TRipSegment& Seg, TSlot&& Slot) {
    if (!FStream || FStreamJob != Seg.Job) {
        try {
            StartJob(Seg.Job);
        } catch (...) {
            FFailedJob = int(Seg.Job);
            throw;
        }
    }
    TRipJobResult& result = FResults[Seg.Job];
    result.Segments = Seg.Index + 1;
    if (FRedo)
        return; // encoded again as a whole when its last segment comes
    const int64_t end = Seg.FeedFrom + Slot.Delivered;
    if (FJobEnd >= 0) {
        // The source ended in an earlier segment: this one must have found nothing more.
        if (end > FJobEnd + CheckFrames)
            FRedo = true;
        return;
    }
    if (Seg.Index > 0 && !SameSound(FTail, Slot.Head)) {
        FRedo = true;
        return;
    }
    FTail = std::move(Slot.Tail);
    if (Slot.Ended)
        FJobEnd = end;
    FPlainPadding = Slot.Padding;
    if (!FStream->Add(std::move(Slot.Segment), Slot.InfoFrame))
        FRedo = true;
    FResults[Seg.Job].Carriers = FStream->Carriers();
}

void TRipExecutor::FinishJob(size_t Job) {
    if (FRedo)
        RedoJob(Job);
    const TRipGrid& grid = FGrids[Job];
    const TRipJob& job = FSettings.Jobs[Job];
    TRipJobResult& result = FResults[Job];
    int64_t frames = FPlanned[Job];
    if (FJobEnd >= 0)
        frames = frames < 0 ? FJobEnd - grid.Lead : std::min(frames, FJobEnd - grid.Lead);
    if (frames <= 0) {
        if (!job.AllowEmpty)
            throw ENoSoundError(QStringLiteral("The source has no sound in this range."));
        frames = 0;
    }
    FStream->Finish(frames, grid.EncoderDelay, FPlainPadding);
    result.Frames = frames;
    for (const auto& seam : FStream->Seams())
        result.Seams.push_back(seam.Cut);
    FStream.reset();
    ++FWritten;
}

void TRipExecutor::RedoJob(size_t Job) {
    // The parts of this job disagree: one encoder encodes it from the start.
    FStream->Discard();
    StartJob(Job);
    FDone -= FJobDone[Job].exchange(0);
    TRipSegment whole = FPlan.front();
    for (const TRipSegment& seg : FPlan)
        if (seg.Job == Job && seg.Index == 0)
            whole = seg;
    whole.Last = true;
    const TRipSegment* last = nullptr;
    for (const TRipSegment& seg : FPlan)
        if (seg.Job == Job && seg.Last)
            last = &seg;
    whole.End = whole.KeepUntil = last->KeepUntil;
    whole.FeedTo = last->FeedTo;
    TSlot slot;
    EncodePart(whole, slot);
    if (FStopRequested)
        throw EAudioException(QStringLiteral("The run was stopped."));
    FRedo = false;
    FResults[Job].Redone = true;
    FResults[Job].Segments = 1;
    JoinSegment(whole, std::move(slot));
    if (FRedo)
        throw EAudioException(QStringLiteral("The input cannot be read in parts."));
}
