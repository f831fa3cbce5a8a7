#pragma once

// The jobs of a rip as the window and the command line make them: a track list's tracks
// (or one range) with their files and tag texts, then the same jobs on the run input's
// sample line for the rip engine. Pure functions: any thread.

#include "app/globals.h"
#include "app/track_list.h"
#include "app/track_names.h"
#include "audio/rip/rip_plan.h"

#include <QString>

#include <vector>

class TAudioFileReader;

struct TTrackJob {
    // [Start, End) on the player's time line; End negative: to the end of the source,
    // wherever that is.
    TMediaTime Start, End;
    QString FileName;     // the MP3 to write
    TCurrentTag Tag;      // its texts, its own title among them
    QString Track;        // the tag's track number, "3/12"
    bool Replace = false; // an existing file of that name may be replaced
    // Chapter marks inside the file, on the same time line, with their titles.
    struct TChapter {
        TMediaTime Start, End;
        QString Title;
    };
    std::vector<TChapter> Chapters;
};

// One job a track of `List`, numbered "n/N", with the common texts and the track's title
// (a default one when it has none); a cue sheet's performer becomes the artist when
// `PerformerAsArtist`. The files' names are left to the caller; `Names` gets the fields
// a name pattern fills.
void MakeTrackJobs(const TTrackList& List, const TCurrentTag& Common, bool PerformerAsArtist,
                   std::vector<TTrackJob>& Jobs, std::vector<TTrackNameFields>& Names);

// The jobs on the samples of `Reader` (the run's input, ranged over its whole source): each
// job's first and end sample are those its times name, so neighbouring tracks share their
// boundary and no sample is lost or doubled.
// The tracks as one file from the first's start to the last's end, each a chapter of it.
TTrackJob OneFileJob(const std::vector<TTrackJob>& Tracks);

std::vector<TRipJob> RipJobs(const std::vector<TTrackJob>& Jobs, const TAudioFileReader& Reader);
