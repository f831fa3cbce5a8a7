#include "audio/rip/rip_plan.h"

#include <algorithm>
#include <cmath>

namespace {

TRipStreamShape Mp3Shape(int FrameSamples, int EncoderDelay, bool Plain) {
    TRipStreamShape shape;
    shape.FrameSamples = FrameSamples;
    shape.EncoderDelay = EncoderDelay;
    shape.Plain = Plain;
    return shape;
}

} // namespace

TRipGrid::TRipGrid(int64_t First, int Samples, int Delay, bool Plain)
    : TRipGrid(First, Mp3Shape(Samples, Delay, Plain)) {}

TRipGrid::TRipGrid(int64_t First, const TRipStreamShape& S)
    : Shape(S), FrameSamples(S.FrameSamples), EncoderDelay(S.EncoderDelay), Plain(S.Plain),
      Lead(S.Plain ? 0 : int64_t(S.PrerollFrames) * S.FrameSamples + S.LeadExtra),
      Origin(First - Lead) {}

int64_t TRipGrid::FirstKept(int64_t Start) const {
    if (Plain)
        return 0;
    // Frame n decodes to grid PCM from n * FrameSamples - EncoderDelay - DecoderDelay.
    const int64_t settled = Start + EncoderDelay + Shape.DecoderDelay - Shape.UnsettledSamples;
    return std::max<int64_t>(0, settled / FrameSamples);
}

int64_t TRipGrid::LastKept(int64_t End) const {
    return (End + EncoderDelay + Shape.DecoderDelay - 1) / FrameSamples;
}

int TRipGrid::CarrierLimit(int64_t Start) const {
    return std::max(0, (MaxTagSamples - Delay(Start, 0)) / FrameSamples);
}

int TRipGrid::Delay(int64_t Start, int Carriers) const {
    return int(Start + EncoderDelay - (FirstKept(Start) - Carriers) * FrameSamples);
}

std::vector<TRipSegment> PlanSegments(const std::vector<int64_t>& RunFrames,
                                      const std::vector<TRipGrid>& Grids, int Threads, int Rate,
                                      const TRipTuning& Tuning) {
    std::vector<TRipSegment> plan;
    int64_t remaining = 0;
    for (int64_t n : RunFrames)
        remaining += std::max<int64_t>(n, 0);
    // A segment of less than a second would cost more in pre-roll and overlap than it saves.
    const double minFrames = std::max(0.2, Tuning.MinSegmentSeconds) * Rate;
    for (size_t j = 0; j < RunFrames.size(); ++j) {
        const TRipGrid& grid = Grids[j];
        const double longest =
            grid.Shape.MaxSegmentSeconds > 0
                ? std::min(Tuning.MaxSegmentSeconds, grid.Shape.MaxSegmentSeconds)
                : Tuning.MaxSegmentSeconds;
        const double maxFrames = std::max(minFrames, longest * Rate);
        const int spf = grid.FrameSamples;
        const int64_t n = RunFrames[j];
        const bool known = n >= 0;
        int pieces = 1;
        if (known && !grid.Plain && grid.Shape.Segments && Threads > 1 &&
            double(n) >= 2 * minFrames) {
            const double piece = std::clamp(double(remaining) / Threads, minFrames, maxFrames);
            pieces = int(std::clamp(std::lround(double(n) / piece), 1L, long(n / minFrames)));
            // Cut under a cap, whole rounds of the threads: none is left alone with the last
            // piece (300 s on two threads in three pieces of 100 s keeps one core idle for a
            // third of the rip; four of 75 s keep both busy to the end).
            if (pieces > Threads)
                pieces = int(std::min<int64_t>((pieces + Threads - 1) / Threads * Threads,
                                               int64_t(double(n) / minFrames)));
        }
        remaining -= std::max<int64_t>(n, 0);
        if (grid.Plain) {
            // The encoder's stream as it is: fed the range alone, kept whole.
            TRipSegment s;
            s.Run = j;
            s.Last = true;
            s.End = s.KeepUntil = INT64_MAX / 4;
            s.FeedTo = known ? n : -1;
            plan.push_back(s);
            continue;
        }
        const int64_t first = grid.FirstKept(grid.Lead);
        const int64_t end = known ? grid.LastKept(grid.Lead + n) + 1 : first + 1;
        const int64_t kept = end - first;
        for (int i = 0; i < pieces; ++i) {
            TRipSegment s;
            s.Run = j;
            s.Index = i;
            s.Last = i + 1 == pieces;
            s.Start = first + kept * i / pieces;
            s.End = first + kept * (i + 1) / pieces;
            s.First = i == 0 ? 0 : s.Start - grid.Shape.PrerollFrames;
            s.KeepUntil = s.Last ? s.End : s.End + grid.Shape.OverlapFrames;
            s.FeedFrom = s.First * spf;
            s.FeedTo = !known ? -1
                       : s.Last && grid.Shape.ExactEnd
                           ? grid.Lead + n
                           : (s.KeepUntil + grid.Shape.GuardFrames) * spf;
            plan.push_back(s);
        }
    }
    return plan;
}
