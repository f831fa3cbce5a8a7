// The one time type: its conversions round as the media layer always has (FFmpeg's
// av_rescale_rnd, which it used before, is the judge), and the sample rules hold for the
// rates sources come in.

#include "base/media_time.h"

extern "C" {
#include <libavutil/mathematics.h>
}

#include <gtest/gtest.h>

#include <random>

namespace {

constexpr int kRates[] = {8000, 11025, 22050, 32000, 44100, 48000, 88200, 96000, 192000};

} // namespace

TEST(MediaTime, ConversionsRoundAsFFmpegDoes) {
    std::mt19937_64 random(36);
    std::vector<int64_t> values = {0,
                                   1,
                                   -1,
                                   9,
                                   10,
                                   11,
                                   4999,
                                   5000,
                                   5001,
                                   9999,
                                   10000,
                                   10001,
                                   111,
                                   112,
                                   -111,
                                   -112,
                                   1'000'000'000'000'000};
    for (int i = 0; i < 20000; ++i) {
        // Every magnitude from single units to days, both signs.
        const int64_t magnitude = int64_t(1) << (random() % 44);
        const int64_t v = int64_t(random() % uint64_t(magnitude));
        values.push_back(random() % 4 == 0 ? -v : v);
    }
    for (const int64_t v : values) {
        SCOPED_TRACE(v);
        const TMediaTime t = TMediaTime::FromUnits(v);
        EXPECT_EQ(t.To90kHz(), av_rescale_rnd(v, 90000, 10'000'000, AV_ROUND_NEAR_INF));
        EXPECT_EQ(TMediaTime::From90kHz(v).Units(),
                  av_rescale_rnd(v, 10'000'000, 90000, AV_ROUND_NEAR_INF));
        for (const int rate : kRates) {
            EXPECT_EQ(t.ToSample(rate), av_rescale_rnd(v, rate, 10'000'000, AV_ROUND_UP));
            EXPECT_EQ(t.ToSampleNearest(rate),
                      av_rescale_rnd(v, rate, 10'000'000, AV_ROUND_NEAR_INF));
            EXPECT_EQ(TMediaTime::FromSample(v, rate).Units(),
                      av_rescale_rnd(v, 10'000'000, rate, AV_ROUND_DOWN));
            EXPECT_EQ(TMediaTime::FromSampleNearest(v, rate).Units(),
                      av_rescale_rnd(v, 10'000'000, rate, AV_ROUND_NEAR_INF));
        }
    }
}

TEST(MediaTime, ASampleAndItsTimeFindEachOther) {
    for (const int rate : kRates) {
        SCOPED_TRACE(rate);
        for (int64_t n : {int64_t(0), int64_t(1), int64_t(rate - 1), int64_t(rate),
                          int64_t(rate) * 3600 * 5 + 17, int64_t(-1), int64_t(-rate - 3)}) {
            const TMediaTime time = TMediaTime::FromSample(n, rate);
            EXPECT_EQ(time.ToSample(rate), n);
            // A time just before it still finds it: a time's sample is the first at or
            // after it.
            EXPECT_EQ((time - TMediaTime::FromUnits(1)).ToSample(rate), n);
            EXPECT_EQ((time + TMediaTime::FromUnits(1)).ToSample(rate), n + 1);
        }
    }
    // No rate, no samples: a stream that has not opened answers 0 either way.
    EXPECT_EQ(TMediaTime::FromSeconds(5).ToSample(0), 0);
    EXPECT_EQ(TMediaTime::FromSample(5, 0), TMediaTime());
    EXPECT_EQ(TMediaTime::FromSampleNearest(5, 0), TMediaTime());
}

TEST(MediaTime, MillisecondsSecondsAndMicroseconds) {
    EXPECT_EQ(TMediaTime::FromMs(1500).Units(), 15'000'000);
    EXPECT_EQ(TMediaTime::FromSeconds(2).Units(), 20'000'000);
    EXPECT_EQ(TMediaTime::FromSeconds(2.5).Units(), 25'000'000);
    EXPECT_EQ(TMediaTime::FromSeconds(1e-7 * 0.5).Units(), 1); // to the nearest unit
    EXPECT_EQ(TMediaTime::FromMicroseconds(7).Units(), 70);
    // Toward zero on both sides: the millisecond a time falls in, the way a track bar
    // shows it.
    EXPECT_EQ(TMediaTime::FromUnits(19'999).ToMs(), 1);
    EXPECT_EQ(TMediaTime::FromUnits(-19'999).ToMs(), -1);
    EXPECT_EQ(TMediaTime::FromUnits(79).ToMicroseconds(), 7);
    EXPECT_DOUBLE_EQ(TMediaTime::FromMs(2250).ToSeconds(), 2.25);

    constexpr TMediaTime a = TMediaTime::FromSeconds(3), b = TMediaTime::FromMs(500);
    static_assert((a + b).ToMs() == 3500 && (a - b).ToMs() == 2500 && (-b).ToMs() == -500);
    static_assert(b * 4 == TMediaTime::FromSeconds(2) && b < a && a >= a);
    TMediaTime c = a;
    c += b;
    c -= TMediaTime::FromSeconds(1);
    EXPECT_EQ(c, TMediaTime::FromMs(2500));
    // A DVD's second and its chapter starts: whole ticks land on the nearest unit.
    EXPECT_EQ(TMediaTime::FromSeconds(1).To90kHz(), 90000);
    EXPECT_EQ(TMediaTime::From90kHz(1).Units(), 111);
    EXPECT_EQ(TMediaTime::From90kHz(5).Units(), 556);
    EXPECT_EQ(TMediaTime::From90kHz(-5).Units(), -556);
}
