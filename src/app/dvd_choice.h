#pragma once

// A source as a person names it, resolved for the media layer: a plain file stays what
// it is; a DVD (any path dvd::DvdRootFor accepts: its folder, a file in VIDEO_TS, an
// image, a device) becomes one of its titles, with the title's time line, chapters and
// audio streams. The window and the command line choose through the same functions.
// Any thread (the window resolves on its opening worker).

#include "media/dvd/dvd_disc.h"
#include "media/media_input.h"

#include <QString>

#include <vector>

struct TDvdChoice {
    QString root;                       // the DVD opened
    QString volume;                     // its volume (or folder) name
    std::vector<TDvdTitleEntry> titles; // every title of the disc
    int title = 0;                      // the one chosen, 1-based
    int angle = 1;                      // its camera angle played, 1-based
    QString locator;                    // what the media layer reads for it
    media::TDvdTitleInfo info;          // its cells, chapters, audio and time line

    // The title's chapters (numbered from 1, exact: a range set with a chapter's times holds
    // its samples and no other) and its length.
    const std::vector<TSourceChapter>& ChapterList() const { return info.timeline.Chapters(); }
    TMediaTime Length() const;
};

// False for a plain file (`choice` untouched). For a DVD, opens it and chooses title
// `title` (0: the longest that can be played) in camera angle `angle`; raises EDvdError
// with the reason in words when the disc or the title cannot be read, or the title has no
// such angle.
bool ChooseDvdTitle(const QString& path, int title, TDvdChoice& choice, int angle = 1);

// The default name of a rip, without its extension: "CONCERT_t01_c06" for chapter 6 of
// title 1, "CONCERT_t01_c06-c08" for chapters 6 to 8, "CONCERT_t01" for the whole title
// (firstChapter 0); "CONCERT_t01_a2_c06" in the second camera angle, so the angles' rips do
// not take each other's names. Characters a file name cannot hold become "_".
QString DvdOutputName(const QString& volume, int title, int angle, int firstChapter,
                      int lastChapter);

// "3: 1:42:07, 24 chapters": a title as the window offers it ("..., 2 angles" when it has
// camera angles).
QString DvdTitleLabel(const TDvdTitleEntry& entry);

// "1  0:16:40.0  7 chapters   1: eng ac3 2ch, 2: fra ac3 6ch": a title as --list-titles
// prints it, "2 angles" after the chapters when it has camera angles (or why it cannot be
// played).
QString DvdTitleLine(const TDvdTitleEntry& entry);

// "Angle 2 of 3": an angle as the window offers it.
QString DvdAngleLabel(int angle, int angles);
