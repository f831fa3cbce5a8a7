#pragma once

#include "audio/loudness/loudness_meter.h"
#include "audio/pipeline/audio_part_reader.h"
#include "audio/rip/rip_commit.h"
#include "audio/rip/rip_encoder.h"
#include "audio/rip/rip_plan.h"
#include "audio/rip/rip_segment_run.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

// What became of one job of a finished run.
struct TRipJobResult {
    int64_t Frames = 0;         // samples of the range in the file
    int Segments = 0;           // encoders that made it
    std::vector<int64_t> Seams; // first frame taken from each later encoder
    bool Redone = false;        // parts disagreed; encoded again by one encoder
    int Carriers = 0;
    TLoudness Loudness; // of the range, when measured
};

// The rip engine: runs a list of jobs over one input, every job a file, in any format the
// encoder interface offers (TRipEncoder: MP3, FLAC, Opus). Jobs are cut into segments
// (TRipGrid, PlanSegments) that a pool of threads encodes, each thread reading its own
// stretch of the source and feeding its own encoder with pre-roll before and overlap
// after; the coordinator joins each job's segments in order into its stream (the format's
// TRipJoiner) and hands each job's frames to its file (TRipJobWriter), which is renamed
// into place when complete. Short
// jobs run side by side, long ones on every thread. An input that can only be read from
// start to end is encoded by the coordinator itself, as one job of one segment.
//
// Where two parts of a job meet, both decoded the same sound; if it differs (a source whose
// seeks land beside the sample asked for) or no cut fits, the job is encoded again by one
// encoder: a valid file matters more than the time. A source whose sound ends before a
// job's end fails the job (ESoundEndsError), unless that end is the source's own (within a
// tenth of a second): a job to the end ends with the sound. A job with no sound at all
// fails, unless it allows that.
//
// A failure ends the run: the jobs before the failing one are finished and stay, the
// failing one and those after leave no file; FailedJob tells which job failed.
//
// With ReplayGain, each segment measures the loudness of the samples it stands for, job by
// job (not its pre-roll nor its overlap); a job's loudness combines its segments' meters,
// the album's every job's. Files are renamed into place when the whole list is done, with
// the album's values in each; a list that fails or is stopped keeps its finished files,
// with their own values only.
//
// The pieces: a segment's encoder and what it hands over (rip_segment_run.h), the
// coordinator's joining and cutting (here), each job's file (rip_job_stream.h), loudness
// and the renames (rip_commit.h).
//
// Threads: made, stepped and destroyed by one thread (the output's worker; made on the main
// thread); the pool lives from the constructor to Stop or the destructor. RequestStop and the
// progress figures may be used from any thread.
class TRipExecutor {
public:
    struct TSource {
        int Channels = 2;
        int BitsPerSample = 16; // 16, 24 (packed), or 32 for float
        int SampleRate = 44100;
        // Frames of the run as far as the input tells (-1 unknown).
        int64_t RunFrames = -1;
        // A reader of frames [First, First + Frames) of the run's time line (Frames -1: to
        // the end), called on pool threads; empty when the input can only be read in order.
        std::function<std::unique_ptr<TAudioPartReader>(int64_t First, int64_t Frames)> OpenPart;
        // The input's frames in order from its start (coordinator thread); 0 at the end.
        std::function<int(void* Buffer, int Frames)> ReadNext;
    };
    struct TSettings {
        std::shared_ptr<TRipEncoder> Encoder; // the format; tag texts come from each job
        std::vector<TRipJob> Jobs;
        TSource Source;
        int Threads = 1;
        TRipTuning Tuning;
        bool ReplayGain = true;
        std::vector<uint8_t> Cover; // JPEG of every file's front cover
    };

    explicit TRipExecutor(TSettings Settings);
    // Checks every job's file name (EAudioException naming it, FailedJob set), plans the
    // segments and starts the pool. The encoder's library (LAME) must be held.
    void Start();
    ~TRipExecutor();
    TRipExecutor(const TRipExecutor&) = delete;
    TRipExecutor& operator=(const TRipExecutor&) = delete;

    // Does the next piece of the coordinator's work, waiting up to WaitMs for the pool;
    // false once every job is written. Raises the run's first failure.
    bool Step(int WaitMs);
    // Asks the run to stop soon (any thread): the pool ends its reads and encodes.
    void RequestStop() noexcept;
    // Stops the pool and waits for it; the unfinished job's file is discarded.
    void Stop() noexcept;

    // Progress: frames of the jobs' ranges encoded, out of all (0 when unknown).
    int64_t DoneFrames() const { return FDone; }
    // Nothing is encoded yet, and the first part had to seek to its start first.
    bool Seeking() const { return FFirstSeeks && FDone == 0; }
    int64_t TotalFrames() const { return FTotal; }
    int JobsWritten() const { return FCommit.Written(); }
    // The job of the failure raised, -1 before any.
    int FailedJob() const { return FFailedJob; }
    int Threads() const { return FPoolSize; }
    // After the last Step: what became of each job.
    const std::vector<TRipJobResult>& Results() const { return FResults; }
    // After the last Step: the loudness of the whole list, when measured.
    const TLoudness& AlbumLoudness() const { return FCommit.Album(); }

    // PCM frames compared where neighbouring parts meet.
    static constexpr int CheckFrames = TRipSegmentRun::CheckFrames;

private:
    // A run: jobs [FirstJob, EndJob) on one grid, and what becomes of each of them.
    struct TRun {
        size_t FirstJob = 0, EndJob = 0;
        int64_t Planned = -1; // PCM of the run, -1 unknown
    };
    struct TJobPlace {
        size_t Run = 0;
        int64_t Start = 0, End = -1; // grid PCM; End -1: to the source's end
        int64_t FirstKept = 0;
    };
    void Plan();
    void Work();
    // Seg's encoder, fed from the segment's first PCM frame.
    std::unique_ptr<TRipSegmentRun> SegmentRun(const TRipSegment& Seg);
    // Encodes Seg from a part of the source into Out (pool threads, and a run encoded again).
    void EncodePart(const TRipSegment& Seg, TRipPart& Out);
    // A pool thread failed in the job of segment Index or in an earlier one (under FLock).
    bool FailedAt(size_t Index) const;
    void JoinSegment(const TRipSegment& Seg, TRipPart&& Part);
    // Hands the frames the joiner has finished to the jobs that take them.
    void Distribute(size_t Run);
    void OpenJob(size_t Job);
    void FinishJob(size_t Job);
    // Raises ESoundEndsError when the source's sound ended well before the job's end.
    void CheckSoundReaches(size_t Job);
    // The job's end on its grid as far as the source reaches (-1 while unknown).
    int64_t JobEnd(size_t Job) const;
    void FinishRun(size_t Run);
    void RedoRun(size_t Run);
    void StartRun(size_t Run);
    void SaveWhatWasJoined() noexcept;
    // Renames the finished files into place, with the album's values when the list is done.
    void CommitFinished(bool ListDone);
    // After a failure or a stop: what was finished stays, with its own values.
    void KeepFinished() noexcept;
    bool StepSequential();
    bool StepJoin(int WaitMs);

    TSettings FSettings;
    // The cover as the format's files hold it, one for every file of the list.
    std::shared_ptr<const std::vector<uint8_t>> FCover;
    std::vector<TRun> FRuns;
    std::vector<TRipGrid> FGrids; // of each run
    std::vector<TJobPlace> FPlaces;
    std::vector<TRipSegment> FPlan;
    TRipStreamShape FShape;
    bool FFirstSeeks = false;

    // Shared with the pool, under FLock.
    std::mutex FLock;
    std::condition_variable FChanged;
    std::vector<TRipPart> FSlots;
    size_t FNext = 0;   // next segment a pool thread takes
    size_t FJoined = 0; // segments the coordinator has taken
    bool FStop = false;
    std::exception_ptr FFailure;
    int FFailureJob = -1;
    std::set<TAudioPartReader*> FReaders; // open parts, interrupted by RequestStop

    std::atomic<bool> FStopRequested{false};
    std::atomic<int64_t> FDone{0};
    std::atomic<int64_t> FTotal{0};
    std::atomic<int> FFailedJob{-1};
    std::unique_ptr<std::atomic<int64_t>[]> FRunDone;
    std::vector<std::thread> FPool;
    int FPoolSize = 0;

    // The coordinator's own, for the run being joined.
    size_t FRun = SIZE_MAX;
    std::unique_ptr<TRipJoiner> FJoiner;
    std::vector<std::unique_ptr<TRipJobWriter>> FStreams; // of its jobs
    std::vector<uint8_t> FTail;                           // of the part joined last
    int64_t FRunEnd = -1; // grid PCM where the source ended in the run
    bool FRedo = false;
    std::vector<std::unique_ptr<TRipPacket>> FFrames;
    std::vector<TRipJobResult> FResults;
    TRipCommit FCommit; // the finished files, renamed when the list is done
    // An input read in order: its one segment, encoded step by step.
    std::unique_ptr<TRipSegmentRun> FSequential;
    std::vector<uint8_t> FBlock;
};
