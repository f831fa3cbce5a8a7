#pragma once

// Parsing of the program's command line. Pure functions: no I/O, any thread.

#include "app/common.h" // ParseTimeText, the times of --start and --end
#include "app/song_finder.h"
#include "audio/rip/mp3_out.h" // TOutputFormat
#include "base/exception.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// A command line that cannot be understood; the message says what is wrong.
class EUsageError : public Exception {
public:
    using Exception::Exception;
};

enum class TCommandMode {
    cmWindow,
    cmHelp,
    cmVersion,
    cmRip,
    cmListTracks,
    cmListTitles,
    cmListPauses,
    cmListChapters
};

struct TCommandLineOptions {
    TCommandMode Mode = TCommandMode::cmWindow;
    QString Source; // the file to rip, list or open in the window
    // --rip's sources in turn: SOURCE, then every file named after the options (Source is
    // the first); one for every other mode.
    QStringList Sources;
    QString Output;
    // --format, or the extension of Output; unset: the window's setting.
    std::optional<TOutputFormat> Format;
    std::optional<int64_t> StartMs, EndMs;
    std::optional<int32_t> Bitrate;   // kbit/s: one of MP3BitRates, or Opus's 32..256
    std::optional<int32_t> FlacLevel; // --compression: 0..8
    std::optional<int32_t> VbrMin, VbrMax;
    std::optional<int> VbrQuality;      // 0..9; variable bit rate
    std::optional<bool> ReplayGain;     // --no-replaygain: false
    QString Cover;                      // --cover: a time of the source, or a picture file
    std::optional<int32_t> SampleRate;  // 32000, 44100 or 48000; 0 the source's own
    std::optional<int32_t> ChannelMode; // AudioChannels index: 0 dual, 1 stereo, 2 joint, 3 mono
    std::optional<int32_t> Downmix;     // AudioDownmix: 0 standard, 1 dialogue
    std::optional<QString> Title, Artist, Album, Year, Comment, Genre;
    int AudioTrack = 0; // 1-based in --list-tracks order; 0 = the source's primary track
    QString TrackList;  // --tracks: a cue sheet or a list of times; Output is then a pattern
    int Jobs = 0;       // encoder threads; 0 = one per core
    int DvdTitle = 0;   // a DVD's title, 1-based; 0 = its longest
    int DvdAngle = 0;   // --angle: the title's camera angle, 1-based; 0 = not given (the first)
    int ChapterFirst = 0, ChapterLast = 0; // --chapter A[-B], 1-based; 0 = not given
    bool SplitChapters = false;            // one MP3 per chapter; Output is then a pattern
    bool SplitPauses = false;              // one MP3 per song found; Output is then a pattern
    TSongFinderOptions Pauses;             // --min-pause, --pause-db, --min-track
    bool OneFile = false;                  // the tracks or chapters as one MP3 with chapter marks
    bool Force = false;
    bool Quiet = false;
    // Options given that do nothing in the mode given (as typed, in order), and what to
    // call that mode ("with --list-tracks"), for a warning.
    QStringList Ignored;
    QString IgnoredWhere;
};

// Raises EUsageError. `args` excludes the program name.
TCommandLineOptions ParseCommandLine(const QStringList& args);

// The text of --help.
QString UsageText();

// A path as the command line's messages show it: in double quotes, with the system's separators.
QString Quoted(const QString& Path);

// A command that failed: "sonavel: <Why>" on stderr; the exit code 1.
int CommandFailure(const QString& Why);
