#pragma once

#include "audio/layer3/layer3_frame.h"
#include "audio/layer3/layer3_packer.h"

#include <cstdint>
#include <vector>

// Joins the frames of several encoders, each of which encoded one segment of the same
// sound, into one stream with one bit reservoir.
//
// A segment's encoder starts some frames before the segment (its pre-roll, dropped) and
// runs some frames past its end (the overlap), on the same frame grid as the whole stream:
// the frame numbered n in every segment covers the same sound. Where the frames of one
// segment give way to the next (the cut) is chosen within the overlap. A cut is possible
// where the later segment's frames fit the joined stream's reservoir (placed by the
// packer's layout, simulated to the segment's end; with variable bit rate a frame that
// does not fit may be given a higher bit rate). Among possible cuts the best is taken:
//   1. the windows meet: the last granule before the cut and the first after it are both
//      long-edged or both short-edged in every channel, and both encoders chose the same
//      blocks on either side of the cut (time-domain aliasing cancels as in one stream);
//   2. no bit rate raised;
//   3. both encoders wrote the same frame just before the cut (their states agree);
//   4. the least difference between the reservoir the joined stream offers and the one the
//      later encoder used (bits neither wasted nor shifted);
//   5. the earliest.
//
// Constant bit rate: each frame's padding bit is set as one encoder running over the whole
// stream would set it, so the frame and byte counts are those of a single encoder.
//
// The first segment may begin with pre-roll too: its encoder heard the sound before the
// stream's first kept frame, whose main data may reach back into the dropped frames'
// reservoir. The joined layout then starts with as much reservoir as that frame borrowed.
//
// The joined frames come out as frames (with the headers they got and the reservoir the
// joined layout offered before each), not bytes: the files cut out of the stream lay their
// frames out anew, each from its own first frame (TMp3JobStream).
//
// Threads: one thread at a time.
class TMp3SegmentJoiner {
public:
    struct TSegment {
        // Frame number of Frames[0] on the whole stream's grid.
        int64_t FirstFrame = 0;
        // The frames the segment stands for, [Start, End); those before are pre-roll, those
        // after are overlap.
        int64_t Start = 0;
        int64_t End = 0;
        std::vector<TLayer3Frame> Frames;
        int64_t EndFrame() const { return FirstFrame + int64_t(Frames.size()); }
    };
    // A frame of the joined stream: its number on the grid, its frame with the header the
    // joiner gave it, and the reservoir the joined layout had free before it.
    struct TJoinedFrame {
        int64_t Index = 0;
        TLayer3Frame Frame;
        int FreeBefore = 0;
    };
    struct TSeam {
        int64_t Cut = 0;      // first frame taken from the later segment
        bool Matched = false; // the windows meet at the cut
        bool Raised = false;  // bit rates were raised to make the frames fit
        bool Same = false;    // both encoders wrote the same frame before the cut
    };

    // ConstantBitRate: impose the single-encoder padding pattern.
    explicit TMp3SegmentJoiner(bool ConstantBitRate) : FConstant(ConstantBitRate) {}

    // Adds the next segment (in order; the first one's frames before its Start are
    // pre-roll and dropped). Answers false when no cut lets its frames follow the earlier
    // segment's (nothing changes then).
    bool Add(TSegment&& Segment);
    // Appends the rest of the last segment, up to frame EndFrame of the grid at most.
    void Finish(int64_t EndFrame = INT64_MAX);
    // Moves the frames that are final to the end of Out.
    void TakeFinished(std::vector<TJoinedFrame>& Out);

    const std::vector<TSeam>& Seams() const { return FSeams; }

private:
    // Where the next frame goes: the packer's layout, the frame's number, padding bytes so
    // far, bit-rate raises so far.
    struct TPlacement {
        TLayer3Packer::TState Packer;
        int64_t Index = 0;
        int64_t Padded = 0;
        int Raised = 0;
    };
    int64_t PaddedThrough(int64_t Index) const;
    // Places Frame after At (advancing it), with the header it gets in Out; false when it
    // does not fit. Raise lets a variable bit rate rise.
    bool Place(TPlacement& At, const TLayer3Frame& Frame, TMpegFrameHeader* Out, bool Raise) const;
    bool WindowsMeet(const TLayer3Frame& Before, const TLayer3Frame& After) const;
    bool SameBlocks(const TSegment& Later, int64_t Cut) const;
    // Same side information and main data (the padding may differ).
    static bool SameFrame(const TLayer3Frame& A, const TLayer3Frame& B);
    // Raises needed for Later's frames [Cut, End) after At; -1 when they do not fit.
    int Fits(TPlacement At, const TSegment& Later, int64_t Cut, bool Raise) const;
    // Appends the current segment's frames up to To.
    void Append(const TSegment& Segment, int64_t To);

    bool FConstant;
    int64_t FRate = 1;
    int64_t FRest = 0;
    TPlacement FAt;
    TSegment FCurrent;
    bool FHaveCurrent = false;
    std::vector<TSeam> FSeams;
    std::vector<TJoinedFrame> FFinished;
};
