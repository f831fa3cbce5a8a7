#pragma once

#include "app/song_finder.h"
#include "base/result.h"
#include "media/media_audio_stream.h"

#include <QString>

#include <vector>

// Why audio track `AudioTrack` (1-based as --list-tracks numbers them, 0 = the primary one)
// of the source named `Shown`, whose tracks are `Tracks`, cannot be read: the source has no
// such track, or one the disc marks unavailable; empty when it can be read.
QString AudioTrackRefusal(const std::vector<TMediaTrackInfo>& Tracks, const QString& Shown,
                          int AudioTrack);

// Finds the songs of `Path` (a file, or a DVD title's locator), audio track `AudioTrack`
// (1-based as --list-tracks numbers them, 0 = the primary one), reading its sound once as
// the window's loudness overview does; `Duration` (0 unknown) ends the last track. With
// `ShowProgress`, a progress line on stderr. The songs, else why not, as one line for the user.
// Main thread, under a QCoreApplication (a local event loop waits for the decoding worker).
TResult<TSongProposal> FindSourceSongs(const QString& Path, int AudioTrack, TMediaTime Duration,
                                       const TSongFinderOptions& Options, bool ShowProgress);

// `sonavel --list-pauses SOURCE`: the songs found in SOURCE's sound printed as a list
// that --tracks reads back (a track's start per line, the pauses as comments), so a user
// can edit it before ripping. Threads: main thread.
class TCommandListPauses {
public:
    TCommandListPauses(QString Source, int DvdTitle, int AudioTrack, TSongFinderOptions Options,
                       bool Quiet)
        : FSource(std::move(Source)), FDvdTitle(DvdTitle), FAudioTrack(AudioTrack),
          FOptions(Options), FQuiet(Quiet) {}
    // 0 on success; 1 after one line "sonavel: ..." on stderr.
    int Execute();

private:
    QString FSource;
    int FDvdTitle = 0;
    int FAudioTrack = 0;
    TSongFinderOptions FOptions;
    bool FQuiet = false;
};
