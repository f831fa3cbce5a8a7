#pragma once

#include "app/output_settings.h"
#include "base/result.h"
#include "media/source_chapter.h"
#include "program/command_line.h"

#include <QString>

#include <cstdint>
#include <vector>

class TStreamAudioIn;
struct TDvdChoice;
struct TTrackJob;

// `sonavel --rip`: a range of a source into one MP3, or a track list (`--tracks`, a cue
// sheet or a list of times; `--split-chapters`, the source's chapters) into one MP3 per
// track. Both become a list of jobs for the rip engine, through the window's own output
// (TMP3Out) and its rules for output files. Every check that can be made before the first
// sample is encoded is made first (the source, the ranges, every file name); a track that
// fails ends the run, tracks finished before it stay. Options left unset take the stored
// settings (AppSettings, loaded by the caller; never saved here).
//
// Threads: main thread, under the QCoreApplication the caller made; Execute runs a local
// event loop until the run has ended.
class TCommandRip {
public:
    explicit TCommandRip(const TCommandLineOptions& Options);

    // 0 when every file is written; 1 after printing one line "sonavel: <what failed and
    // why>" on stderr, with no unfinished file left behind.
    int Execute();

    // This rip is source `Index` (0-based) of `Count` in one run (TCommandRipBatch): its
    // progress says so and leaves the line to the next source, its failure names the
    // source, and a track list's files go into a folder named after it.
    struct TBatch {
        int Index = 0;
        int Count = 1;
    };
    void SetBatch(TBatch Batch) { FBatch = Batch; }

private:
    int Fail(const QString& Why) const;
    // The extension of the format the rip writes (".mp3").
    QString Extension() const;
    bool TrackMode() const;
    // Opens the options' source on `In` at the rip's rate: a plain file, or a DVD title
    // (the choice answered, whose locator `In` then reads); else why its sound cannot be
    // read.
    TResult<TDvdChoice> OpenSource(TStreamAudioIn& In);
    // The options' encoding, with the source's rate once known (--samplerate source).
    TEncodingChoice Choice() const;
    // -o (a file, or the folder the default name goes into), else the default name of a
    // single file.
    QString OutputFile(const TDvdChoice& Dvd) const;
    // -o names a folder: one that exists, or text ending in "/".
    bool OutputIsFolder() const;
    // --chapter and --split-chapters against the source's chapters (a DVD title's or its
    // container's); else why not.
    TResult<void> CheckChapters(const TDvdChoice& Dvd,
                                const std::vector<TSourceChapter>& Chapters) const;
    // The job of a range, or the jobs of a track list, with their files; else why not.
    TResult<std::vector<TTrackJob>> RangeJob(const TDvdChoice& Dvd,
                                             const std::vector<TSourceChapter>& Chapters,
                                             TMediaTime Duration) const;
    TResult<std::vector<TTrackJob>> TrackJobs(const TDvdChoice& Dvd,
                                              const std::vector<TSourceChapter>& Chapters,
                                              TMediaTime Duration) const;
    // The output rules over the jobs' files: missing folders made, an existing file only
    // with --force (then each job replaces its file).
    TResult<void> CheckOutputFiles(std::vector<TTrackJob>& Jobs) const;
    int Run(TStreamAudioIn& In, const std::vector<TTrackJob>& Jobs, std::vector<uint8_t> Cover);

    TCommandLineOptions FOptions;
    QString FSourcePath;
    int32_t FRate = 0; // the rate a rip that keeps the source's encodes at, once open
    TBatch FBatch;
};
