// The songs found in loudness buckets as a recording gives them: the same cuts however
// loud it was recorded, nothing cut by a dip, the lead-in or the run-out, and short tracks
// joined across their weaker pause.

#include "app/song_finder.h"

#include <gtest/gtest.h>

namespace {

constexpr TMediaTime kSecond = TMediaTime::FromSeconds(1);

// 50 ms buckets: `level` (RMS, full scale 1) over [from, to) seconds.
struct TRecording {
    TEnvelopeData data;
    TRecording(double seconds, float hiss) {
        data.bucketSeconds = 0.05;
        data.state = TEnvelopeData::TState::esFinished;
        data.buckets.assign(size_t(seconds / 0.05 + 0.5), TEnvelopeBucket{hiss * 3, hiss});
    }
    TRecording& Sound(double from, double to, float level) {
        for (size_t k = size_t(from / 0.05 + 0.5); k < size_t(to / 0.05 + 0.5); ++k)
            data.buckets[k] = {level * 1.4f, level};
        return *this;
    }
    TRecording Scaled(float gain) const {
        TRecording r = *this;
        for (TEnvelopeBucket& b : r.data.buckets)
            b = {b.peak * gain, b.rms * gain};
        return r;
    }
};

std::vector<TMediaTime> Starts(const TSongProposal& p) {
    std::vector<TMediaTime> starts;
    for (const TTrackEntry& t : p.Tracks.Tracks)
        starts.push_back(t.Start);
    return starts;
}

} // namespace

TEST(SongFinder, CutsInPausesAloneWhateverTheRecordingLevel) {
    // Hiss before the first song and after the last; a 0.9 s dip in song 2; one pause
    // with a quieter spot off its middle, where the cut goes; the other cut in the middle.
    TRecording r(100, 0.0005f);
    r.Sound(2, 30, 0.2f).Sound(32, 50, 0.1f).Sound(50.9, 62, 0.1f).Sound(65, 97, 0.3f);
    r.Sound(30, 30.3, 0.0004f).Sound(30.3, 30.8, 0.00002f).Sound(30.8, 32, 0.0004f);
    const TSongProposal loud = FindSongs(r.data, 100 * kSecond);
    ASSERT_EQ(loud.Pauses.size(), 2u);
    EXPECT_EQ(Starts(loud), (std::vector<TMediaTime>{TMediaTime(), TMediaTime::FromMs(30625),
                                                     TMediaTime::FromMs(63475)}));
    EXPECT_EQ(loud.Tracks.Tracks.back().End, 100 * kSecond);
    // 40 dB quieter: the same pauses and cuts.
    const TSongProposal quiet = FindSongs(r.Scaled(0.01f).data, 100 * kSecond);
    EXPECT_EQ(Starts(quiet), Starts(loud));
    EXPECT_NEAR(quiet.MedianDb, loud.MedianDb - 40, 0.01);
    // A dip of 0.9 s is a pause once pauses of 0.8 s count.
    TSongFinderOptions shorter;
    shorter.MinPauseSeconds = 0.8;
    shorter.MinTrackSeconds = 5;
    EXPECT_EQ(FindSongs(r.data, 100 * kSecond, shorter).Tracks.Tracks.size(), 4u);
}

TEST(SongFinder, ShortTracksJoinAcrossTheirShorterPause) {
    // Songs of 30, 8, 30 and 10 s; the pause before the 8 s track is the shorter one.
    TRecording r(90, 0.0001f);
    r.Sound(0, 30, 0.2f).Sound(31.5, 39.5, 0.2f).Sound(42.5, 72.5, 0.2f).Sound(74, 84, 0.2f);
    const TSongProposal p = FindSongs(r.data, TMediaTime());
    ASSERT_EQ(p.Pauses.size(), 3u); // the run-out from 84 s is the last track's
    EXPECT_FALSE(p.Pauses[0].Used);
    EXPECT_TRUE(p.Pauses[1].Used);
    EXPECT_FALSE(p.Pauses[2].Used);
    ASSERT_EQ(p.Tracks.Tracks.size(), 2u);
    EXPECT_EQ(p.Tracks.Tracks[1].Start, TMediaTime::FromMs(40975));
    EXPECT_EQ(p.Tracks.Tracks[1].End, 90 * kSecond);
    const QString text = SongListText(p, QStringLiteral("# header\n"));
    EXPECT_TRUE(text.startsWith(QStringLiteral("# header\n0:00:00.000\n# pause 0:00:30.000 - "
                                               "0:00:31.500 (1.50 s), not cut")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("(3.00 s)\n0:00:40.975\n")));

    // Nothing to find: no buckets, and a silent recording (no pause without sound).
    EXPECT_TRUE(FindSongs(TEnvelopeData{}, TMediaTime()).Tracks.Tracks.empty());
    const TSongProposal silent = FindSongs(TRecording(30, 0).data, TMediaTime());
    ASSERT_EQ(silent.Tracks.Tracks.size(), 1u);
    EXPECT_TRUE(silent.Pauses.empty());
}
