#pragma once

#include "audio/loudness/loudness_meter.h"
#include "audio/pipeline/audio_part_reader.h"
#include "audio/rip/rip_encoder.h"
#include "audio/rip/rip_plan.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

// What one segment's encoder made, handed from the thread that encoded it to the rip's
// coordinator, which joins it after the segment before it.
struct TRipPart {
    bool Done = false;
    int64_t Delivered = 0; // PCM frames fed from the source
    bool Ended = false;    // the source ended inside the part
    // The PCM where the part meets its neighbours (CheckFrames frames each): the head of
    // a later part must be the tail of the one before, or the two heard different sound.
    std::vector<uint8_t> Head, Tail;
    std::unique_ptr<TRipEncoded> Segment; // what the encoder made, for the run's joiner
    // Loudness of the samples of each job the part stands for (not its pre-roll nor its
    // overlap), in job order.
    std::vector<std::pair<size_t, std::unique_ptr<TLoudnessMeter>>> Meters;
};

// Whether a later part's head heard the sound of the earlier part's tail (PCM as the parts
// were fed: BitsPerSample 16, 24 or 32 for float). Decoders that land exactly give the same
// samples, but for a hair of rounding after a seek; a source whose timestamps disagree
// with its samples numbers them differently after each seek, and the sound is shifted.
bool SameSound(const std::vector<uint8_t>& Tail, const std::vector<uint8_t>& Head,
               int BitsPerSample);

// One segment's encoder, fed in order from the segment's first PCM frame (its pre-roll)
// to its last (its overlap): encodes, keeps the sound its neighbours must agree on, adds
// the frames of the range it stands for to the progress, and measures each job's share of
// them. Finish hands everything over as a TRipPart.
//
// Threads: one thread at a time, the pool thread that took the segment (or the rip's
// coordinator, for an input read in order). The progress counters are atomics the owner
// reads from any thread.
class TRipSegmentRun {
public:
    // PCM frames compared where neighbouring parts meet.
    static constexpr int CheckFrames = 1024;

    // Where a job's samples lie on the run's grid (End -1: to the source's end), for its
    // loudness.
    struct TJobSpan {
        size_t Job = 0;
        int64_t Start = 0, End = -1;
    };
    struct TProgress {
        std::atomic<int64_t>& Done;    // of the whole list
        std::atomic<int64_t>& RunDone; // of the segment's run, taken back if it is redone
    };

    // RunFrames: the run's length in PCM frames, -1 unknown. Measured: the jobs the
    // segment may stand for, in order; empty: no loudness is measured. Stop: the rip's stop
    // request, for an encoder that waits.
    TRipSegmentRun(const TRipSegment& Seg, const TRipGrid& Grid, int64_t RunFrames,
                   const TRipEncoder& Encoder, TRipPcmFormat Format, std::vector<TJobSpan> Measured,
                   TProgress Progress, const std::atomic<bool>& Stop);

    // PCM frames still wanted; a very large number when the part reads to the source's end.
    int64_t Wanted() const;
    void Feed(const uint8_t* Pcm, int Frames);
    // Feeds the part from Reader until it has all it wants or the source ends, then hands
    // it over into Out. False, with Out untouched, when Stop was set first.
    bool Encode(TAudioPartReader& Reader, const std::atomic<bool>& Stop, TRipPart& Out);
    // The encoder's last frames; Ended: the source ended inside the part.
    void Finish(bool Ended, TRipPart& Out);

private:
    void Measure(const uint8_t* Pcm, int Frames);
    TLoudnessMeter& Meter(size_t Job);
    void Keep(std::vector<uint8_t>& Into, int64_t From, const uint8_t* Pcm, int Frames) const;

    TRipSegment FSeg;
    TRipPcmFormat FFormat;
    bool FDownmix;    // the encoder makes mono of two channels: measured as it does
    bool FSamplePeak; // the files' peak is the samples' (not their decoded sound's)
    std::vector<TJobSpan> FMeasured;
    TProgress FProgress;
    std::unique_ptr<TRipSegmentEncoder> FEncoder;
    size_t FFrameBytes;
    int64_t FAt;
    int64_t FDelivered = 0;
    int64_t FCountFrom = 0, FCountTo = 0; // the frames of the range the segment stands for
    int64_t FHeadFrom = INT64_MIN, FTailFrom = INT64_MIN;
    std::vector<uint8_t> FHead, FTail;
    std::vector<std::pair<size_t, std::unique_ptr<TLoudnessMeter>>> FMeters;
};
