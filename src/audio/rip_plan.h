#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// What a rip is: a list of jobs over one input's time line, each a range of its samples,
// a file and the tag texts of that file. A single range is a list of one.
//
// Threads: plain values; any thread.

struct TMp3TagTexts {
    QString Title, Artist, Album, Year, Track, Comment, Genre;
};

struct TRipJob {
    // [First, End) in frames of the run's time line (the input's samples at the MP3's rate,
    // counted from the input's range start); End -1: to the end of the source.
    int64_t First = 0;
    int64_t End = -1;
    QString FileName;
    TMp3TagTexts Tag;
    // An existing file of that name may be replaced (the user said so); otherwise the last
    // step refuses to replace one, even one that appeared while the rip ran.
    bool Replace = true;
    // A range that holds no sound still gives a (silent) file, rather than failing.
    bool AllowEmpty = false;
};

// How far a run is cut into segments that encode on separate threads. Tests lower the
// lengths so that short sources take the same path as long ones.
struct TRipTuning {
    double MinSegmentSeconds = 10;
    double MaxSegmentSeconds = 120;
};

// Where a job's samples lie in its MP3 stream. The encoder hears the sound before the range
// (Lead frames of PCM, silence where the source has none) so that it is warm when the range
// begins; frames before FirstKept are dropped, a few carrier frames hold the reservoir the
// first kept frame borrowed, and the information frame's delay and padding tell a decoder
// exactly which decoded samples are the range's. Frame n of the grid decodes to PCM
// [n * FrameSamples - DecoderLag, ...) of the grid, PCM 0 being Origin on the run's line.
struct TRipGrid {
    static constexpr int PrerollFrames = 16;
    // Half a frame beyond the pre-roll, so that what the first kept frame cannot decode
    // alone (its first granule and the filter bank's start) lies well before the range.
    static constexpr int LeadExtra = 576;
    // LAME's tag says how many samples to skip besides the decoder's own 529.
    static constexpr int DecoderDelay = 529;
    static constexpr int MaxTagSamples = 4095;

    // Plain: for an encoder that resamples, whose frames do not lie on the input's samples;
    // its stream is kept whole from its first frame, with its own delay and padding.
    TRipGrid(int64_t First, int FrameSamples, int EncoderDelay, bool Plain = false);

    int FrameSamples;
    int EncoderDelay;
    bool Plain;
    int64_t Lead;   // PCM of the grid before the range's first sample
    int64_t Origin; // run frame of the grid's PCM 0 (negative before the line's start)

    int64_t FirstKept() const { return Plain ? 0 : PrerollFrames; }
    // The last frame a range of Frames samples needs.
    int64_t LastKept(int64_t Frames) const;
    // Carrier frames the tag's 12-bit delay leaves room for.
    int CarrierLimit() const;
    // The tag's delay and padding for a stream of Carriers + kept frames.
    int Delay(int Carriers) const;
    int Padding(int Carriers, int64_t Frames) const;
};

// One piece of work: a stretch of one job's grid encoded by one encoder.
struct TRipSegment {
    size_t Job = 0;
    int Index = 0;     // within the job
    bool Last = false; // the job's last
    // MP3 frames on the job's grid: fed from First, standing for [Start, End), kept until
    // KeepUntil (the later ones heard the flush).
    int64_t First = 0, Start = 0, End = 0, KeepUntil = 0;
    // PCM frames of the grid fed to the encoder; FeedTo -1: to the source's end.
    int64_t FeedFrom = 0, FeedTo = 0;
};

// Cuts jobs into segments: a job shorter than two of the shortest segments stays whole;
// otherwise pieces shrink as the list nears its end (the remaining length over the threads,
// within the tuning's bounds), so every thread stays busy until the end and the seams stay
// few. Jobs whose length is unknown (-1) stay whole and read to the source's end.
// Threads 1: every job whole.
std::vector<TRipSegment> PlanSegments(const std::vector<int64_t>& JobFrames,
                                      const std::vector<TRipGrid>& Grids, int Threads, int Rate,
                                      const TRipTuning& Tuning);
