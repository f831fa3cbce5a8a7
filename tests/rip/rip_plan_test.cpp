// How the engine cuts a list into segments, checked by what the segments must add up to:
// they tile each run's frames without a gap or an overlap, every later one starts its
// encoder early enough to be warm and ends late enough for the seam, the pieces stay
// within the tuning's bounds and shrink as the list nears its end, and the runs that
// cannot be cut (unknown length, a resampling encoder, one thread) stay whole.
#include "audio/rip/rip_plan.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

constexpr int kRate = 44100;
constexpr int kSpf = 1152;
constexpr int kDelay = 576;

std::vector<TRipGrid> Grids(size_t Runs, bool Plain = false) {
    return std::vector<TRipGrid>(Runs, TRipGrid(0, kSpf, kDelay, Plain));
}

std::vector<TRipSegment> OfRun(const std::vector<TRipSegment>& Plan, size_t Run) {
    std::vector<TRipSegment> out;
    for (const TRipSegment& s : Plan)
        if (s.Run == Run)
            out.push_back(s);
    return out;
}

// The segments of one run of Frames PCM frames, as an encoder of the grid must see them.
void ExpectTiled(const std::vector<TRipSegment>& Segments, const TRipGrid& Grid, int64_t Frames) {
    ASSERT_FALSE(Segments.empty());
    // From the frame the run's first sample needs to the one its last sample needs.
    EXPECT_EQ(Segments.front().Start, Grid.FirstKept(Grid.Lead));
    EXPECT_EQ(Segments.back().End, Grid.LastKept(Grid.Lead + Frames) + 1);
    EXPECT_EQ(Segments.front().First, 0); // the first encoder hears the run's lead
    for (size_t i = 0; i < Segments.size(); ++i) {
        SCOPED_TRACE(i);
        const TRipSegment& s = Segments[i];
        EXPECT_EQ(s.Index, int(i));
        EXPECT_EQ(s.Last, i + 1 == Segments.size());
        EXPECT_LT(s.Start, s.End);
        EXPECT_EQ(s.FeedFrom, s.First * Grid.FrameSamples);
        // Fed through everything it keeps, and a little past it: its last kept frames
        // heard sound, not the flush.
        EXPECT_GT(s.FeedTo, s.KeepUntil * Grid.FrameSamples);
        if (i > 0) {
            EXPECT_EQ(s.Start, Segments[i - 1].End); // no gap, no frame twice
            EXPECT_EQ(s.Start - s.First, TRipGrid::PrerollFrames);
        }
        if (!s.Last)
            EXPECT_GT(s.KeepUntil, s.End); // the overlap the seam is chosen in
        else
            EXPECT_EQ(s.KeepUntil, s.End);
    }
}

} // namespace

TEST(RipPlan, ARunIsCutIntoSegmentsThatTileItsFrames) {
    const TRipTuning tuning;
    // A two-minute range on two threads: two segments, one seam.
    const int64_t frames = 120LL * kRate;
    const auto grids = Grids(1);
    const auto plan = PlanSegments({frames}, grids, 2, kRate, tuning);
    ASSERT_EQ(plan.size(), 2u);
    ExpectTiled(plan, grids[0], frames);

    // Longer: no piece longer than the tuning's longest, none shorter than its shortest.
    for (int threads : {2, 3, 8}) {
        SCOPED_TRACE(threads);
        const int64_t hour = 3600LL * kRate;
        const auto long_plan = PlanSegments({hour}, grids, threads, kRate, tuning);
        ExpectTiled(long_plan, grids[0], hour);
        EXPECT_GE(long_plan.size(), size_t(3600 / 120));
        for (const TRipSegment& s : long_plan) {
            const double seconds = double((s.End - s.Start) * kSpf) / kRate;
            EXPECT_LE(seconds, tuning.MaxSegmentSeconds + 1);
            EXPECT_GE(seconds, tuning.MinSegmentSeconds - 1);
        }
    }
}

TEST(RipPlan, ShortRunsUnknownLengthsResamplingAndOneThreadStayWhole) {
    const TRipTuning tuning; // 10 s at least
    auto whole = [&](const std::vector<TRipSegment>& Plan) {
        return Plan.size() == 1 && Plan[0].Index == 0 && Plan[0].Last;
    };
    // Less than two of the shortest segments: cutting would only cost a seam.
    const int64_t under = 2 * 10 * kRate - 1;
    const auto grids = Grids(1);
    const auto shortPlan = PlanSegments({under}, grids, 4, kRate, tuning);
    EXPECT_TRUE(whole(shortPlan));
    ExpectTiled(shortPlan, grids[0], under);
    EXPECT_EQ(PlanSegments({2 * 10 * kRate}, grids, 4, kRate, tuning).size(), 2u);

    // One thread: the same frames without seams, however long.
    EXPECT_TRUE(whole(PlanSegments({3600LL * kRate}, grids, 1, kRate, tuning)));

    // A length nobody knows: one encoder reads on to the source's end.
    const auto open = PlanSegments({-1}, grids, 4, kRate, tuning);
    ASSERT_TRUE(whole(open));
    EXPECT_EQ(open[0].FeedTo, -1);

    // An encoder that resamples: its stream is kept whole from its first frame, fed the
    // range alone.
    const auto plainGrids = Grids(1, true);
    const auto plain = PlanSegments({600LL * kRate}, plainGrids, 4, kRate, tuning);
    ASSERT_TRUE(whole(plain));
    EXPECT_EQ(plain[0].FeedFrom, 0);
    EXPECT_EQ(plain[0].FeedTo, 600LL * kRate);
    EXPECT_EQ(plain[0].Start, 0);
}

TEST(RipPlan, PiecesShrinkAsTheListNearsItsEndSoEveryThreadStaysBusy) {
    TRipTuning tuning;
    tuning.MinSegmentSeconds = 5;
    // Three runs of 100 s on four threads: the first run's pieces are a quarter of the
    // whole list's length (bounded), the last run's a quarter of what is left.
    const std::vector<int64_t> runs(3, 100LL * kRate);
    const auto grids = Grids(3);
    const auto plan = PlanSegments(runs, grids, 4, kRate, tuning);
    size_t count[3] = {};
    for (size_t r = 0; r < 3; ++r) {
        SCOPED_TRACE(r);
        const auto segments = OfRun(plan, r);
        ExpectTiled(segments, grids[r], runs[r]);
        count[r] = segments.size();
    }
    EXPECT_LT(count[0], count[2]);
    EXPECT_LE(count[0], count[1]);
    EXPECT_GE(count[2], 4u); // the last run alone still keeps four threads busy
    // Runs are planned in list order.
    for (size_t i = 1; i < plan.size(); ++i)
        EXPECT_LE(plan[i - 1].Run, plan[i].Run);
}

// A lossless stream (FLAC's shape): segments cut at frame boundaries, each fed one frame
// before its start (for the seam's check) and exactly to its end, no overlap, the last one to
// the run's last sample and not beyond, no segment longer than the shape allows, whole rounds
// of the threads.
TEST(RipPlan, LosslessSegmentsAreFedExactlyTheirFrames) {
    TRipStreamShape shape;
    shape.FrameSamples = 4096;
    shape.EncoderDelay = shape.DecoderDelay = 0;
    shape.PrerollFrames = 1;
    shape.LeadExtra = shape.GuardFrames = shape.OverlapFrames = shape.UnsettledSamples = 0;
    shape.ExactEnd = true;
    shape.MaxSegmentSeconds = 30;
    const TRipGrid grid(0, shape);
    const int64_t frames = 200LL * kRate + 1234;
    const auto plan = PlanSegments({frames}, {grid}, 2, kRate, TRipTuning());
    ASSERT_GE(plan.size(), 7u);     // 200 s in pieces of at most 30 s,
    EXPECT_EQ(plan.size() % 2, 0u); // in whole rounds of the two threads
    EXPECT_EQ(plan.front().Start, grid.FirstKept(grid.Lead));
    EXPECT_EQ(plan.back().End, grid.LastKept(grid.Lead + frames) + 1);
    for (size_t i = 0; i < plan.size(); ++i) {
        SCOPED_TRACE(i);
        const TRipSegment& s = plan[i];
        EXPECT_EQ(s.Start - s.First, 1);
        EXPECT_EQ(s.KeepUntil, s.End);
        EXPECT_LE(double(s.End - s.Start) * 4096, 30.0 * kRate + 4096);
        EXPECT_EQ(s.FeedTo, s.Last ? grid.Lead + frames : s.End * 4096);
        if (i > 0) {
            EXPECT_EQ(s.Start, plan[i - 1].End);
        }
    }
}
