#pragma once

#include "audio/mp3/mp3_tag_texts.h"

#include <QString>

#include <cstdint>
#include <vector>

// What a rip is: a list of jobs over one input's time line, each a range of its samples,
// a file and the tag texts of that file. A single range is a list of one.
//
// Threads: plain values; any thread.

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
    // Chapter marks inside the file: [First, End) on the same time line as the job's, and
    // a title each.
    struct TChapter {
        int64_t First = 0, End = 0;
        QString Title;
    };
    std::vector<TChapter> Chapters;
};

// How far a run is cut into segments that encode on separate threads. Tests lower the
// lengths so that short sources take the same path as long ones.
struct TRipTuning {
    double MinSegmentSeconds = 10;
    double MaxSegmentSeconds = 120;
};

// How a format's stream lies on the input's samples: what a grid is made of. The defaults
// are MP3's (LAME's frames and delays, 16 frames of pre-roll).
struct TRipStreamShape {
    int FrameSamples = 1152;
    // Samples of the encoder's own stream before the first sample fed, and those a decoder
    // adds (both before a frame's sound: frame n decodes to grid PCM n * FrameSamples minus
    // the two).
    int EncoderDelay = 576;
    int DecoderDelay = 529;
    // Frames a later segment's encoder starts before the frames it stands for.
    int PrerollFrames = 16;
    // PCM of a run's grid before its first sample besides the pre-roll frames.
    int LeadExtra = 576;
    // Decoded samples of a file's first frame that are not yet the stream's sound (a decoder
    // that starts cold), counted from the first the frame decodes to: a range's first kept
    // frame is the last whose sound is right from the range's first sample on. MP3's: the
    // first granule's 18 slots lack the overlap of the granule before, and the synthesis
    // filter bank wants 15 slots of history (32 samples each), so a player that ignores the
    // delay replays no more of the sound before the range than that and the frame's
    // alignment (measured: FFmpeg's decode of a frame alone differs from the stream's for
    // 990 samples at most).
    int UnsettledSamples = 1056;
    // Frames fed past the last kept one, so that it heard sound, not the encoder's flush.
    int GuardFrames = 3;
    // Frames an earlier segment's encoder goes on past its end, so that the seam can be
    // chosen where both encoders heard the same sound.
    int OverlapFrames = 16;
    // The last segment of a run is fed to the run's last sample and no further (a lossless
    // stream ends exactly there), not GuardFrames past its last frame.
    bool ExactEnd = false;
    // The longest segment in seconds, when shorter than the tuning's (0: the tuning's): a
    // format whose segments hold on to their samples keeps them short. A run cut under this
    // cap is cut into whole rounds of the threads.
    double MaxSegmentSeconds = 0;
    // Jobs that follow each other without a gap share one stream (else each job's file is
    // its own run, its encoder hearing its neighbours' sound before and after it).
    bool JoinsJobs = true;
    // A run may be cut into segments that encode on separate threads.
    bool Segments = true;
    // The encoder makes one channel of two, (left + right) / 2: the loudness is measured of
    // that sound, as the file holds it.
    bool Downmix = false;
    // The files' peak is their decoded sound's (the job's writer measures it, DecodedPeak):
    // the loudness meters need not find the samples' peak.
    bool DecodedPeak = false;
    // A stream kept whole from its first frame (an encoder that resamples, whose frames do
    // not lie on the input's samples, or a lossless one fed exactly the range): fed the
    // range alone, never cut into segments nor shared by two jobs.
    bool Plain = false;
};

// Where a run's samples lie in its stream. A run is a stretch of the input's time line
// encoded as one stream: one job, or jobs that follow each other without a gap, which then
// share the stream's frames (a track list is cut out of one continuous encoding, so its
// joins are those of a single rip). The encoder hears the sound before the run (Lead frames
// of PCM, silence where the source has none) so that it is warm when the run begins. Each
// job's file takes the frames from the first that its range needs (FirstKept) to the last
// (LastKept); its delay (MP3's information frame, Opus's pre-skip) and length tell a decoder
// exactly which decoded samples are the job's. Frame n of the grid decodes to grid PCM
// [n * FrameSamples - lag, ...) where lag is the encoder's and the decoder's delay; grid
// PCM 0 is Origin on the input's line.
struct TRipGrid {
    // MP3's: the pre-roll of a later segment, in frames.
    static constexpr int PrerollFrames = 16;
    // PCM of a run's grid before its first sample besides the pre-roll frames: half a frame.
    static constexpr int LeadExtra = 576;
    // MP3's: what a file's first frame cannot decode alone (see TRipStreamShape).
    static constexpr int UnsettledSamples = TRipStreamShape().UnsettledSamples;
    // LAME's tag says how many samples to skip besides the decoder's own 529.
    static constexpr int DecoderDelay = 529;
    static constexpr int MaxTagSamples = 4095;

    // An MP3 grid. Plain: for an encoder that resamples, whose frames do not lie on the
    // input's samples; its stream is kept whole from its first frame, with its own delay
    // and padding.
    TRipGrid(int64_t First, int FrameSamples, int EncoderDelay, bool Plain = false);
    // A grid of any format; First is the run's first frame on the input's line.
    TRipGrid(int64_t First, const TRipStreamShape& Shape);

    TRipStreamShape Shape;
    int FrameSamples;
    int EncoderDelay;
    bool Plain;
    int64_t Lead;   // PCM of the grid before the run's first sample
    int64_t Origin; // input frame of the grid's PCM 0 (negative before the line's start)

    // Grid PCM of an input frame.
    int64_t At(int64_t InputFrame) const { return InputFrame - Origin; }
    // The first and the last frame a range of grid PCM [Start, End) needs.
    int64_t FirstKept(int64_t Start) const;
    int64_t LastKept(int64_t End) const;
    // Carrier frames the tag's 12-bit delay leaves room for, for a range from Start.
    int CarrierLimit(int64_t Start) const;
    // The delay for a range from Start whose stream begins with Carriers frames before its
    // first kept one: the samples a decoder drops before the range's first.
    int Delay(int64_t Start, int Carriers) const;
};

// One piece of work: a stretch of one run's grid encoded by one encoder.
struct TRipSegment {
    size_t Run = 0;
    int Index = 0;     // within the run
    bool Last = false; // the run's last
    // Frames on the run's grid: fed from First, standing for [Start, End), kept until
    // KeepUntil (the later ones heard the flush).
    int64_t First = 0, Start = 0, End = 0, KeepUntil = 0;
    // PCM frames of the grid fed to the encoder; FeedTo -1: to the source's end.
    int64_t FeedFrom = 0, FeedTo = 0;
    // The first job whose sound the segment stands for.
    size_t FirstJob = 0;
};

// Cuts runs into segments: a run shorter than two of the shortest segments stays whole;
// otherwise pieces shrink as the list nears its end (the remaining length over the threads,
// within the tuning's bounds), so every thread stays busy until the end and the seams stay
// few. Runs whose length is unknown (-1) stay whole and read to the source's end.
// Threads 1: every run whole.
std::vector<TRipSegment> PlanSegments(const std::vector<int64_t>& RunFrames,
                                      const std::vector<TRipGrid>& Grids, int Threads, int Rate,
                                      const TRipTuning& Tuning);
