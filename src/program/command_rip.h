#pragma once

#include "program/command_line.h"

#include <QString>

#include <cstdint>

class TMP3Out;

// `sonavel --rip`: the window's own pipeline (TStreamAudioIn feeding TMP3Out through Run,
// OnDone and OnThreadException) driven from the command line. Options left unset take
// the stored settings (AppSettings, loaded by the caller; never saved here).
//
// Threads: main thread, under the QCoreApplication the caller made; Execute runs a local
// event loop until the run has ended.
class TCommandRip {
public:
    explicit TCommandRip(const TCommandLineOptions& Options);

    // 0 on success; 1 after printing one line "sonavel: <what failed and why>" on stderr,
    // with no output file left behind.
    int Execute();

private:
    int Fail(const QString& Why) const;
    void Configure(TMP3Out& Out) const;
    int OutputSampleRate() const;

    TCommandLineOptions FOptions;
};
