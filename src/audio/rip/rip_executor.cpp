#include "audio/rip/rip_executor.h"

#include "audio/pipeline/audio_exception.h"
#include "audio/rip/output_file.h"

#include <algorithm>
#include <chrono>

#include <QCoreApplication>
#include <QStringList>

namespace {

constexpr int ReadFrames = TRipEncoder::MaxBlockFrames;

// A file's chapters in its own milliseconds: 0 is the job's first sample, the first a
// decoder gives, the format's delay and padding accounted for.
std::vector<TRipChapterMark> ChapterMarks(const TRipJob& Job, int Rate) {
    std::vector<TRipChapterMark> marks;
    const int64_t end = Job.End;
    for (const TRipJob::TChapter& c : Job.Chapters) {
        const int64_t first = std::max(c.First, Job.First);
        const int64_t last = end < 0 ? c.End : std::min(c.End, end);
        if (last <= first)
            continue;
        auto ms = [&](int64_t Sample) {
            return uint32_t(((Sample - Job.First) * 1000 + Rate / 2) / Rate);
        };
        marks.push_back({ms(first), ms(last), c.Title});
    }
    return marks;
}

} // namespace

TRipExecutor::TRipExecutor(TSettings Settings)
    : FSettings(std::move(Settings)),
      FCover(FSettings.Encoder ? FSettings.Encoder->Cover(FSettings.Cover) : nullptr),
      FCommit(FSettings.Jobs.size(), FSettings.ReplayGain) {
    // The format's form is all the files need of the cover.
    std::vector<uint8_t>().swap(FSettings.Cover);
}

void TRipExecutor::Start() {
    const TSource& src = FSettings.Source;
    if (FSettings.Jobs.empty())
        throw EAudioException(QCoreApplication::translate("Rip", "There is nothing to rip."));
    if (!src.OpenPart && FSettings.Jobs.size() > 1)
        throw EAudioException(
            QCoreApplication::translate("Rip", "The input cannot be read in parts."));
    QStringList landings; // no two jobs may write one file (a name that links to another's)
    for (size_t j = 0; j < FSettings.Jobs.size(); ++j) {
        try {
            TOutputFile::Check(FSettings.Jobs[j].FileName);
            landings << TOutputFile::Landing(FSettings.Jobs[j].FileName);
            if (const qsizetype other = landings.indexOf(landings.last()); other < qsizetype(j))
                throw EAudioException(
                    QCoreApplication::translate("Rip", "Tracks %1 and %2 would be written to one "
                                                       "file, \"%3\".")
                        .arg(QString::number(other + 1), QString::number(j + 1), landings.last()));
        } catch (...) {
            FFailedJob = int(j);
            throw;
        }
    }
    // What the encoder makes of the settings: its frame length and delays, and whether its
    // stream is kept whole (then its frames do not lie on the input's samples).
    FShape = FSettings.Encoder->Prepare({src.Channels, src.BitsPerSample, src.SampleRate},
                                        FSettings.ReplayGain);
    const int threads = src.OpenPart ? std::max(1, FSettings.Threads) : 1;

    Plan();
    FSlots.resize(FPlan.size());
    const TRipSegment& first = FPlan.front();
    FFirstSeeks = FGrids[first.Run].Origin + first.FeedFrom > 0;
    // The first file is there from the start, so a folder that cannot take it fails now.
    StartRun(0);
    try {
        OpenJob(0);
    } catch (...) {
        FFailedJob = 0;
        throw;
    }
    if (!src.OpenPart) {
        FSequential = SegmentRun(FPlan.front());
        return;
    }
    FPoolSize = std::min<int>(threads, int(FPlan.size()));
    for (int i = 0; i < FPoolSize; ++i)
        FPool.emplace_back([this] { Work(); });
}

void TRipExecutor::Plan() {
    // Jobs that follow each other without a gap are one run: one stream, cut into files.
    const TSource& src = FSettings.Source;
    const std::vector<TRipJob>& jobs = FSettings.Jobs;
    for (size_t j = 0; j < jobs.size(); ++j) {
        const bool joins = !FShape.Plain && FShape.JoinsJobs && j > 0 && jobs[j - 1].End >= 0 &&
                           jobs[j].First == jobs[j - 1].End;
        if (!joins)
            FRuns.push_back({j, j, -1});
        FRuns.back().EndJob = j + 1;
    }
    int64_t total = 0;
    for (size_t r = 0; r < FRuns.size(); ++r) {
        TRun& run = FRuns[r];
        const TRipJob& first = jobs[run.FirstJob];
        const TRipJob& last = jobs[run.EndJob - 1];
        FGrids.emplace_back(first.First, FShape);
        const TRipGrid& grid = FGrids.back();
        if (last.End >= 0)
            run.Planned = std::max<int64_t>(0, last.End - first.First);
        else if (src.RunFrames >= 0)
            run.Planned = std::max<int64_t>(0, src.RunFrames - first.First);
        total += std::max<int64_t>(run.Planned, 0);
        for (size_t j = run.FirstJob; j < run.EndJob; ++j) {
            TJobPlace place;
            place.Run = r;
            place.Start = grid.At(jobs[j].First);
            place.End = jobs[j].End >= 0 ? grid.At(jobs[j].End) : -1;
            place.FirstKept = grid.FirstKept(place.Start);
            FPlaces.push_back(place);
        }
    }
    FTotal = total;
    FRunDone = std::make_unique<std::atomic<int64_t>[]>(FRuns.size());
    FResults.resize(jobs.size());

    // Segments are sized by the cores, whatever the thread count asked for: more threads
    // than cores make nothing faster, more segments only cost seams.
    std::vector<int64_t> planned;
    for (const TRun& run : FRuns)
        planned.push_back(run.Planned);
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    const int threads = src.OpenPart ? std::max(1, FSettings.Threads) : 1;
    FPlan =
        PlanSegments(planned, FGrids, std::min(threads, cores), src.SampleRate, FSettings.Tuning);
    for (TRipSegment& seg : FPlan) {
        const TRun& run = FRuns[seg.Run];
        // A run to the source's end reads on until it ends, whatever the input guessed.
        if (seg.Last && jobs[run.EndJob - 1].End < 0 && !FGrids[seg.Run].Plain)
            seg.FeedTo = -1;
        seg.FirstJob = run.FirstJob;
        const int64_t from = seg.Start * FGrids[seg.Run].FrameSamples;
        for (size_t j = run.FirstJob; j < run.EndJob; ++j)
            if (FPlaces[j].Start <= from)
                seg.FirstJob = j;
    }
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
    for (auto& stream : FStreams)
        if (stream)
            stream->Discard();
    KeepFinished();
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
            if (FStop || FNext >= FPlan.size() || FailedAt(FNext))
                return;
            index = FNext++;
        }
        TRipPart slot;
        try {
            EncodePart(FPlan[index], slot);
        } catch (...) {
            std::lock_guard lock(FLock);
            if (!FFailure || int(FPlan[index].FirstJob) < FFailureJob) {
                FFailure = std::current_exception();
                FFailureJob = int(FPlan[index].FirstJob);
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
    return FFailure && int(FPlan[Index].FirstJob) >= FFailureJob;
}

std::unique_ptr<TRipSegmentRun> TRipExecutor::SegmentRun(const TRipSegment& Seg) {
    const TSource& src = FSettings.Source;
    std::vector<TRipSegmentRun::TJobSpan> measured;
    if (FSettings.ReplayGain)
        for (size_t j = Seg.FirstJob; j < FRuns[Seg.Run].EndJob; ++j)
            measured.push_back({j, FPlaces[j].Start, FPlaces[j].End});
    return std::make_unique<TRipSegmentRun>(
        Seg, FGrids[Seg.Run], FRuns[Seg.Run].Planned, *FSettings.Encoder,
        TRipPcmFormat{src.Channels, src.BitsPerSample, src.SampleRate}, std::move(measured),
        TRipSegmentRun::TProgress{FDone, FRunDone[Seg.Run]}, FStopRequested);
}

void TRipExecutor::EncodePart(const TRipSegment& Seg, TRipPart& Out) {
    const TRipGrid& grid = FGrids[Seg.Run];
    const int64_t asked = Seg.FeedTo < 0 ? -1 : Seg.FeedTo - Seg.FeedFrom;
    std::unique_ptr<TAudioPartReader> reader =
        FSettings.Source.OpenPart(grid.Origin + Seg.FeedFrom, asked);
    if (!reader)
        throw EAudioException(
            QCoreApplication::translate("Rip", "The input cannot be read in parts."));
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
    SegmentRun(Seg)->Encode(*reader, FStopRequested, Out);
}

bool TRipExecutor::Step(int WaitMs) {
    try {
        const bool more = FSequential ? StepSequential() : StepJoin(WaitMs);
        if (!more)
            CommitFinished(true);
        return more;
    } catch (...) {
        KeepFinished();
        throw;
    }
}

bool TRipExecutor::StepJoin(int WaitMs) {
    if (FJoined >= FPlan.size())
        return false;
    TRipPart slot;
    const size_t index = FJoined;
    {
        std::unique_lock lock(FLock);
        FChanged.wait_for(lock, std::chrono::milliseconds(WaitMs),
                          [&] { return FailedAt(index) || FSlots[index].Done; });
        if (FailedAt(index)) {
            FFailedJob = FFailureJob;
            const std::exception_ptr failure = FFailure;
            lock.unlock();
            SaveWhatWasJoined();
            std::rethrow_exception(failure);
        }
        if (!FSlots[index].Done)
            return true;
        slot = std::move(FSlots[index]);
        FSlots[index] = TRipPart();
        ++FJoined;
    }
    FChanged.notify_all();
    const TRipSegment& seg = FPlan[index];
    try {
        JoinSegment(seg, std::move(slot));
        if (seg.Last)
            FinishRun(seg.Run);
    } catch (...) {
        if (FFailedJob < 0)
            FFailedJob = int(seg.FirstJob);
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
        TRipPart slot;
        FSequential->Finish(true, slot);
        FSequential.reset();
        FJoined = 1;
        JoinSegment(seg, std::move(slot));
        FinishRun(seg.Run);
    } catch (...) {
        FFailedJob = 0;
        throw;
    }
    return false;
}

void TRipExecutor::SaveWhatWasJoined() noexcept {
    // The frames of the segments joined so far are a single encoder's: the jobs they hold
    // whole are written before the run's failure is told.
    if (!FJoiner || FJoined == 0 || FRedo)
        return;
    const TRipSegment& last = FPlan[FJoined - 1];
    if (last.Run != FRun || FRunEnd >= 0)
        return;
    const int failed = FFailedJob;
    try {
        FJoiner->Finish(last.End);
        Distribute(FRun);
    } catch (...) {
        // The run has failed already; its first error is the one told.
    }
    FFailedJob = failed;
}

void TRipExecutor::StartRun(size_t Run) {
    FRun = Run;
    FJoiner = FSettings.Encoder->Joiner();
    FStreams.clear();
    FStreams.resize(FRuns[Run].EndJob - FRuns[Run].FirstJob);
    FTail.clear();
    FRunEnd = -1;
    FRedo = false;
}

void TRipExecutor::OpenJob(size_t Job) {
    const TJobPlace& place = FPlaces[Job];
    auto& stream = FStreams[Job - FRuns[place.Run].FirstJob];
    try {
        TRipJobFile file;
        file.Job = &FSettings.Jobs[Job];
        file.Grid = &FGrids[place.Run];
        file.Start = place.Start;
        file.TrackGain = FSettings.ReplayGain;
        file.AlbumGain = FSettings.ReplayGain && FSettings.Jobs.size() > 1;
        file.Cover = FCover;
        file.Chapters = ChapterMarks(FSettings.Jobs[Job], FSettings.Source.SampleRate);
        stream = FSettings.Encoder->JobWriter(file);
    } catch (...) {
        FFailedJob = int(Job);
        throw;
    }
}

int64_t TRipExecutor::JobEnd(size_t Job) const {
    const int64_t end = FPlaces[Job].End;
    if (FRunEnd < 0)
        return end;
    return end < 0 ? FRunEnd : std::min(end, FRunEnd);
}

void TRipExecutor::JoinSegment(const TRipSegment& Seg, TRipPart&& Part) {
    if (FRun != Seg.Run)
        StartRun(Seg.Run);
    const TRun& run = FRuns[Seg.Run];
    for (size_t j = run.FirstJob; j < run.EndJob; ++j)
        FResults[j].Segments = std::max(FResults[j].Segments, 1);
    if (FRedo)
        return; // encoded again as a whole when its last segment comes
    const int64_t end = Seg.FeedFrom + Part.Delivered;
    if (FRunEnd >= 0) {
        // The source ended in an earlier segment: this one must have found nothing more.
        if (end > FRunEnd + CheckFrames)
            FRedo = true;
        return;
    }
    if (Seg.Index > 0 && !SameSound(FTail, Part.Head, FSettings.Source.BitsPerSample)) {
        FRedo = true;
        return;
    }
    FTail = std::move(Part.Tail);
    if (Part.Ended)
        FRunEnd = end;
    if (!FJoiner->Add(std::move(Part.Segment))) {
        FRedo = true;
        return;
    }
    for (auto& [job, meter] : Part.Meters)
        FCommit.AddMeter(job, std::move(meter));
    // Which jobs the segment's frames stood for.
    const int spf = FGrids[Seg.Run].FrameSamples;
    for (size_t j = run.FirstJob; j < run.EndJob; ++j) {
        const int64_t jobEnd = FPlaces[j].End < 0 ? INT64_MAX : FPlaces[j].End;
        if (Seg.Index > 0 && FPlaces[j].Start < Seg.End * spf && jobEnd > Seg.Start * spf)
            ++FResults[j].Segments;
    }
    Distribute(Seg.Run);
}

void TRipExecutor::Distribute(size_t Run) {
    FFrames.clear();
    FJoiner->TakeFinished(FFrames);
    const TRun& run = FRuns[Run];
    const TRipGrid& grid = FGrids[Run];
    for (const std::unique_ptr<TRipPacket>& frame : FFrames) {
        for (size_t j = run.FirstJob; j < run.EndJob; ++j) {
            if (FCommit.Finished(j) || frame->Index < FPlaces[j].FirstKept)
                continue;
            const int64_t end = JobEnd(j);
            if (end >= 0 && frame->Index > grid.LastKept(end))
                continue;
            auto& stream = FStreams[j - run.FirstJob];
            if (!stream)
                OpenJob(j);
            try {
                stream->Add(*frame);
            } catch (...) {
                FFailedJob = int(j);
                throw;
            }
            // The job's last frame: its file is complete (the source reached its end).
            if (end >= 0 && frame->Index == grid.LastKept(end) &&
                (FRunEnd >= 0 || FPlaces[j].End >= 0))
                FinishJob(j);
        }
    }
}

void TRipExecutor::FinishJob(size_t Job) {
    const TJobPlace& place = FPlaces[Job];
    const TRun& run = FRuns[place.Run];
    auto& stream = FStreams[Job - run.FirstJob];
    int64_t frames = JobEnd(Job) - place.Start;
    if (FGrids[place.Run].Plain && FRunEnd >= 0)
        frames = FRunEnd - place.Start;
    if (frames <= 0) {
        if (!FSettings.Jobs[Job].AllowEmpty) {
            FFailedJob = int(Job);
            throw ENoSoundError(
                QCoreApplication::translate("Rip", "The source has no sound in this range."));
        }
        frames = 0;
    }
    CheckSoundReaches(Job);
    if (!stream)
        OpenJob(Job);
    try {
        stream->Finish(frames);
    } catch (...) {
        FFailedJob = int(Job);
        throw;
    }
    TRipJobResult& result = FResults[Job];
    result.Frames = frames;
    result.Carriers = stream->Carriers();
    const int64_t spf = FGrids[place.Run].FrameSamples;
    for (const int64_t cut : FJoiner->Seams())
        if (cut * spf >= place.Start && (place.End < 0 || cut * spf < place.End))
            result.Seams.push_back(cut);
    result.Loudness = FCommit.Finish(Job, std::move(stream));
}

void TRipExecutor::CheckSoundReaches(size_t Job) {
    // A short file is no file of the range: the job fails. An end within a tenth of a
    // second of the source's own is that end, which its sound need not quite reach.
    const TJobPlace& place = FPlaces[Job];
    if (FRunEnd < 0 || place.End < 0 || FSettings.Jobs[Job].AllowEmpty)
        return;
    const TSource& src = FSettings.Source;
    const TRipGrid& grid = FGrids[place.Run];
    const int64_t slack = src.SampleRate / 10;
    if (place.End - FRunEnd <= slack ||
        (src.RunFrames >= 0 && place.End >= grid.At(src.RunFrames) - slack))
        return;
    FFailedJob = int(Job);
    const double seconds = double(FRunEnd + grid.Origin) / src.SampleRate;
    throw ESoundEndsError(
        QCoreApplication::translate("Rip", "The sound ends at %1 s, before the end of the range.")
            .arg(QString::number(seconds, 'f', 1)),
        FRunEnd + grid.Origin, place.End + grid.Origin);
}

void TRipExecutor::CommitFinished(bool ListDone) {
    try {
        FCommit.Commit(ListDone);
    } catch (...) {
        FFailedJob = FCommit.FailedJob();
        throw;
    }
}

void TRipExecutor::KeepFinished() noexcept {
    const int failed = FFailedJob;
    try {
        CommitFinished(false);
    } catch (...) {
        // The run has failed or was stopped already; that is what is told.
    }
    if (failed >= 0)
        FFailedJob = failed;
}

void TRipExecutor::FinishRun(size_t Run) {
    if (FRedo)
        RedoRun(Run);
    const TRun& run = FRuns[Run];
    const TRipGrid& grid = FGrids[Run];
    // The last job's frames end with its range (or the source), whatever the flush added.
    const int64_t end = JobEnd(run.EndJob - 1);
    FJoiner->Finish(grid.Plain || end < 0 ? INT64_MAX : grid.LastKept(end) + 1);
    Distribute(Run);
    for (size_t j = run.FirstJob; j < run.EndJob; ++j)
        if (!FCommit.Finished(j))
            FinishJob(j);
}

void TRipExecutor::RedoRun(size_t Run) {
    // The parts of this run disagree: one encoder encodes it from the start; the jobs
    // already written keep their files (and their loudness).
    for (auto& stream : FStreams)
        if (stream)
            stream->Discard();
    for (size_t j = FRuns[Run].FirstJob; j < FRuns[Run].EndJob; ++j)
        FCommit.ForgetMeters(j);
    StartRun(Run);
    FDone -= FRunDone[Run].exchange(0);
    TRipSegment whole{};
    const TRipSegment* last = nullptr;
    for (const TRipSegment& seg : FPlan) {
        if (seg.Run != Run)
            continue;
        if (seg.Index == 0)
            whole = seg;
        if (seg.Last)
            last = &seg;
    }
    whole.Last = true;
    whole.End = whole.KeepUntil = last->KeepUntil;
    whole.FeedTo = last->FeedTo;
    TRipPart slot;
    EncodePart(whole, slot);
    if (FStopRequested)
        throw EAudioException(QCoreApplication::translate("Rip", "The run was stopped."));
    const TRun& run = FRuns[Run];
    for (size_t j = run.FirstJob; j < run.EndJob; ++j) {
        FResults[j].Redone = true;
        FResults[j].Segments = 0;
    }
    JoinSegment(whole, std::move(slot));
    if (FRedo)
        throw EAudioException(
            QCoreApplication::translate("Rip", "The input cannot be read in parts."));
}
