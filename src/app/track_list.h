#pragma once

// A rip's track list: ranges of one source, each to become one MP3, with the texts that
// name them. Made from a DVD title's chapters, from ranges marked in the window, or read
// from a cue sheet or a plain list of times. Plain values and pure functions: any thread.

#include "base/exception.h"
#include "base/media_time.h"

#include <QByteArray>
#include <QString>

#include <vector>

// A list that cannot be read or does not fit the source; the message says where and why
// ("line 7: ...").
class ETrackListError : public Exception {
public:
    using Exception::Exception;
};

// The most tracks a list holds, wherever it comes from (a file, the songs found, the
// window's list): track numbers and names have three digits.
inline constexpr int MaxTrackCount = 999;

struct TTrackEntry {
    // [Start, End) on the player's time line. End 0 stands for the end of the source (a
    // list's last track, until ResolveTrackEnds knows the length).
    TMediaTime Start;
    TMediaTime End;
    QString Title;     // empty: the default title ("Track n")
    QString Performer; // empty: the list's or the rip's artist
};

struct TTrackList {
    std::vector<TTrackEntry> Tracks;
    // What a cue sheet says of the whole (empty when it says nothing).
    QString Album, Performer, Year, Genre, Comment;
};

// A cue sheet (TITLE, PERFORMER, REM DATE/GENRE/COMMENT, TRACK, INDEX 01 mm:ss:ff; INDEX
// 00 pregaps stay with the track before) or lines "START [END] [TITLE]" in the command
// line's time format, '#' starting a comment. A track without END ends where the next one
// starts. UTF-8, or Latin-1 when the bytes are not UTF-8. Raises ETrackListError.
TTrackList ParseTrackList(const QByteArray& Text);
// The same, read from a file (ETrackListError naming the file when it cannot be read).
TTrackList ReadTrackListFile(const QString& FileName);

// Gives open ends the source's length and checks every track: not empty, inside the
// source (its end may be given as the length to the millisecond). `Duration` 0 (unknown)
// accepts any range but refuses an open end. Raises ETrackListError "track 3: ...".
void ResolveTrackEnds(TTrackList& List, TMediaTime Duration);

// "Track 3", "Chapter 3".
QString DefaultTrackTitle(int Number, bool Chapters);

// Chapters `First` to `Last` (1-based, clamped to the title's) of a DVD title, one track
// each, exact to the sample and titled "Chapter c" after the disc's own numbers, so that
// a list that starts at chapter 6 or loses a chapter still says which is which.
struct TDvdChoice;
TTrackList ChapterTrackList(const TDvdChoice& Dvd, int First, int Last);
