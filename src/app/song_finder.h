#pragma once

// The songs of a recording without chapters (a concert, a compilation, a lecture): the
// pauses between them found in the loudness buckets the time line already draws, and the
// tracks they propose, cut at the quietest point of each pause so neither neighbour loses
// its fade. Plain values and a pure function: any thread.
//
// A pause is a stretch of at least MinPauseSeconds whose every bucket lies PauseDb or more
// below the median short-term (3 s) loudness of the whole sound, so a quiet recording and
// a loud one behave alike: applause stays far above it, hiss and hum of an empty stage
// fall below. Pauses that touch the start or the end of the sound cut nothing: the tracks
// always cover the whole sound. A track shorter than MinTrackSeconds is joined to the
// neighbour across the shorter of its pauses.

#include "app/track_list.h"
#include "audio/loudness/loudness_envelope.h"
#include "base/media_time.h"

#include <cstdint>
#include <vector>

struct TSongFinderOptions {
    double MinPauseSeconds = 1.0;
    double PauseDb = 30.0; // below the median short-term loudness
    double MinTrackSeconds = 20.0;
};

// The bucket size the finder needs for cuts within 50 ms.
inline constexpr double kSongFinderBucketSeconds = 0.05;

struct TSoundPause {
    TMediaTime Start, End; // the quiet stretch, in stream time
    TMediaTime Cut;        // its quietest point, to the millisecond
    bool Used = false;     // a boundary of the proposed tracks
};

struct TSongProposal {
    std::vector<TSoundPause> Pauses; // every pause between sound, in time order
    TTrackList Tracks;               // the whole sound, cut at the used pauses
    double MedianDb = 0;             // median short-term loudness, dB of full scale
    double ThresholdDb = 0;          // what lies below it is quiet
};

// `Data` covers the sound from stream time 0 (TLoudnessEnvelope's overview); `Duration`
// is the sound's length (0: the buckets' end). Without buckets the proposal is empty; a
// sound without pauses is one track.
TSongProposal FindSongs(const TEnvelopeData& Data, TMediaTime Duration,
                        const TSongFinderOptions& Options = {});

// The proposal as a list `--tracks` reads back: the start of every track, each pause as
// a comment, with `Header` (comment lines) first.
QString SongListText(const TSongProposal& Proposal, const QString& Header);
