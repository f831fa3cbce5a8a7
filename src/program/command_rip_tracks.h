#pragma once

#include "program/command_line.h"

#include <QString>

// `sonavel --rip SOURCE --tracks LIST [-o PATTERN]`: one MP3 per track of a cue sheet or
// a list of times, through TTrackRun. Every check that can be made before the first
// track is made first (the list, the source, the ranges, every file name); a track that
// fails stops the run, tracks finished before it stay.
//
// Threads: main thread, under the QCoreApplication the caller made; Execute runs a local
// event loop until the run has ended.
class TCommandRipTracks {
public:
    explicit TCommandRipTracks(const TCommandLineOptions& Options);

    // 0 when every track is written; 1 after one line "sonavel: ..." on stderr that says
    // which track failed and why (or what was wrong before the first).
    int Execute();

private:
    int Fail(const QString& Why) const;

    TCommandLineOptions FOptions;
};
