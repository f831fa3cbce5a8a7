#pragma once

#include "program/command_line.h"

// `sonavel --rip A B C [-o FOLDER/]`: every source ripped in turn as --rip rips one
// (TCommandRip), with the same options, into one folder (or each beside itself); a track
// list's files go into a folder named after their source. The progress stays on one line;
// a source that fails is named on stderr and the others go on; at the end a summary line.
// One source is a plain --rip.
//
// Threads: main thread, as TCommandRip.
class TCommandRipBatch {
public:
    explicit TCommandRipBatch(const TCommandLineOptions& Options) : FOptions(Options) {}

    // 0 when every source was ripped; 1 when any failed (or the run was interrupted); 2
    // for options no source can be ripped with.
    int Execute();

private:
    TCommandLineOptions FOptions;
};
