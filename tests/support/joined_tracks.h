#pragma once

// Tracks of a split rip read back with FFmpeg and laid end to end, and the checks every
// split must pass against the source's own sound. Test threads (gtest assertions).

#include "support/source_sound.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

struct TJoinedTracks {
    std::vector<int16_t> samples;    // stereo, the tracks one after the other
    std::vector<int64_t> boundaries; // frame index in `samples` where each later track starts
};

// Decodes the files and checks what each one must hold: `Lengths[k]` stereo frames at
// `Rate`, exactly, and (with more than one file) its track number "k/N" and its title.
TJoinedTracks DecodeTracks(const QStringList& Files, const std::vector<int64_t>& Lengths,
                           const QStringList& Titles, int Rate);

// The joined tracks against the source's sound from `FirstSample` on: both ends and every
// boundary sit exactly where they belong (searched +-300 samples), the sound around a
// boundary correlates with the source as well as the tracks do inside (above 0.999 where
// they do better), and the largest error there is no
// larger than the largest error well inside the tracks (no click).
void ExpectSeamless(const TJoinedTracks& Joined, const TSourceSound& Source, int64_t FirstSample);

// Mean squared error of the joined tracks against the source there, in dB (16-bit units).
double ErrorDb(const TJoinedTracks& Joined, const TSourceSound& Source, int64_t FirstSample);
