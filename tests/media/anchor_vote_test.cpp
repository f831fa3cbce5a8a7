// Where a decode's numbering starts: the vote over the first frames' timestamps, as a seek
// into a program stream, a stream without timestamps and DVD LPCM give them.

#include "media/anchor_vote.h"

#include <gtest/gtest.h>

namespace {

constexpr int64_t kFrame = 1152; // an MPEG audio frame
constexpr int64_t kOrigin = 481;

TAnchorContext AfterSeek() {
    TAnchorContext context;
    context.origin = kOrigin;
    return context;
}

} // namespace

TEST(AnchorVote, ATornFirstFrameAfterASeekIsOutvoted) {
    // The parser gave the torn frame the container's time and shifted the next ones by a
    // frame: the first frame implies a number a frame too early, the next two agree.
    const int64_t truth = 96000;
    const TAnchor anchor = VoteAnchor({{truth - kFrame, truth, truth}, {}}, AfterSeek());
    EXPECT_EQ(anchor.sample, truth);
    EXPECT_FALSE(anchor.guessed);
    EXPECT_FALSE(anchor.doubtful);
    // Its neighbours agreeing wins wherever the odd one stands.
    EXPECT_EQ(VoteAnchor({{truth, truth - kFrame, truth}, {}}, AfterSeek()).sample, truth);
    // Interpolated stamps do not outvote the container's own, however many.
    EXPECT_EQ(VoteAnchor({{truth, truth - kFrame, truth}, {7, 7, 7, 7, 7}}, AfterSeek()).sample,
              truth);
}

TEST(AnchorVote, InterpolatedStampsVoteOnlyWhenTheContainerWroteNone) {
    const TAnchor anchor = VoteAnchor({{}, {5000, 5000, 6152}}, AfterSeek());
    EXPECT_EQ(anchor.sample, 5000);
    EXPECT_FALSE(anchor.guessed);
}

TEST(AnchorVote, WithoutTimestampsTheStreamsOriginStandsIn) {
    const TAnchor first = VoteAnchor({}, {});
    EXPECT_EQ(first.sample, 0);
    EXPECT_TRUE(first.guessed);
    const TAnchor later = VoteAnchor({}, AfterSeek());
    EXPECT_EQ(later.sample, kOrigin);
    EXPECT_TRUE(later.guessed);
}

TEST(AnchorVote, TiesGoToTheLatestOrToTheFirstMajority) {
    // No two agree: the latest frame's number, the one furthest from the torn first.
    EXPECT_EQ(VoteAnchor({{100, 200, 300}, {}}, AfterSeek()).sample, 300);
    // Two pairs: the number that reached two votes first in order.
    EXPECT_EQ(VoteAnchor({{100, 200, 100, 200}, {}}, AfterSeek()).sample, 100);
    EXPECT_EQ(VoteAnchor({{200, 100, 100, 200}, {}}, AfterSeek()).sample, 200);
    // A single vote is its own majority.
    EXPECT_EQ(VoteAnchor({{42}, {}}, {}).sample, 42);
}

TEST(AnchorVote, ACountFromTheStartNeedsNoVote) {
    TAnchorContext context = AfterSeek();
    context.forced = 123456;
    context.lpcm = true;
    context.lpcmUntrusted = true;
    const TAnchor anchor = VoteAnchor({{1, 2, 3}, {}}, context);
    EXPECT_EQ(anchor.sample, 123456);
    EXPECT_FALSE(anchor.guessed);
    EXPECT_FALSE(anchor.doubtful);
    EXPECT_FALSE(VoteAnchor({}, context).guessed);
}

TEST(AnchorVote, LpcmTrustsItsFirstPacketAndDoubtsItsSeeks) {
    TAnchorContext opening;
    opening.lpcm = true;
    // When first opened the first packet's stamp places the stream, whatever follows.
    const TAnchor first = VoteAnchor({{10, 20, 20}, {}}, opening);
    EXPECT_EQ(first.sample, 10);
    EXPECT_FALSE(first.doubtful);

    TAnchorContext seek = AfterSeek();
    seek.lpcm = true;
    const TAnchor agreed = VoteAnchor({{800, 800, 800}, {}}, seek);
    EXPECT_EQ(agreed.sample, 800);
    EXPECT_FALSE(agreed.doubtful);
    EXPECT_TRUE(VoteAnchor({{800, 800, 801}, {}}, seek).doubtful); // packets disagree
    EXPECT_TRUE(VoteAnchor({{800}, {}}, seek).doubtful);           // one alone proves nothing
    seek.lpcmUntrusted = true; // a packet that did not say where its access units start
    EXPECT_TRUE(VoteAnchor({{800, 800, 800}, {}}, seek).doubtful);
}
