#pragma once

#include "audio/loudness/loudness_meter.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

class TRipJobWriter;

// The last step of a rip's files: loudness and the rename. Each segment's meters of a job
// are gathered here; when the job's file is complete, they combine into its track gain,
// written into its tags with the peak of a lossy file's decoded sound where the file holds a
// peak (TRipJobWriter::DecodedPeak: the sound that went into the encoder is no bound for
// it), and the file waits. Commit renames the waiting files into place: when the whole list
// is done, with the album's values (every job's meters combined) in each; after a failure or
// a stop, what was finished is kept with its own values.
//
// Threads: the rip's coordinator (the output's worker); Written from any thread.
class TRipCommit {
public:
    // Jobs: the list's length. ReplayGain: the loudness is measured (and, for a list of
    // more than one, the album's).
    TRipCommit(size_t Jobs, bool ReplayGain);
    ~TRipCommit();
    TRipCommit(const TRipCommit&) = delete;
    TRipCommit& operator=(const TRipCommit&) = delete;

    // A segment's measurement of a job's samples; ignored once the job is finished.
    void AddMeter(size_t Job, std::unique_ptr<TLoudnessMeter> Meter);
    // Forgets an unfinished job's measurements: it is being encoded again.
    void ForgetMeters(size_t Job);

    // The job's file is complete: its track gain goes into its tag (when measured) and it
    // waits for Commit. Answers the job's loudness (not measured without ReplayGain).
    TLoudness Finish(size_t Job, std::unique_ptr<TRipJobWriter> Stream);
    bool Finished(size_t Job) const { return FFinished[Job]; }

    // Renames the waiting files into place, in list order, with the album's values when
    // ListDone. A file that cannot be renamed raises: it and the files waiting after it
    // are discarded (they leave no file, as when the encode fails), FailedJob names it.
    void Commit(bool ListDone);

    // Files finished and not given up.
    int Written() const { return FWritten; }
    // The job whose file failed in Commit, -1 before any.
    int FailedJob() const { return FFailedJob; }
    const TLoudness& Album() const { return FAlbum; }

private:
    bool FReplayGain;
    std::vector<std::vector<std::unique_ptr<TLoudnessMeter>>> FMeters;       // of every job
    std::vector<bool> FFinished;                                             // of every job
    std::vector<double> FPeaks;                                              // of every job
    std::vector<std::pair<size_t, std::unique_ptr<TRipJobWriter>>> FWaiting; // not renamed
    std::atomic<int> FWritten{0};
    int FFailedJob = -1;
    TLoudness FAlbum;
};
