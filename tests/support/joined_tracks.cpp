#include "support/joined_tracks.h"

#include "support/decoded_audio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

double Correlation(const int16_t* a, const int16_t* b, size_t count) {
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < count; ++i) {
        ab += double(a[i]) * b[i];
        aa += double(a[i]) * a[i];
        bb += double(b[i]) * b[i];
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

} // namespace

TJoinedTracks DecodeTracks(const QStringList& Files, const std::vector<int64_t>& Lengths,
                           const QStringList& Titles, int Rate) {
    TJoinedTracks joined;
    for (int k = 0; k < Files.size(); ++k) {
        SCOPED_TRACE(Files[k].toStdString());
        const DecodedAudio mp3 = DecodeAudioFile(Files[k]);
        EXPECT_TRUE(mp3.ok) << mp3.error.toStdString();
        EXPECT_EQ(mp3.complaints, 0);
        EXPECT_EQ(mp3.sampleRate, Rate);
        EXPECT_EQ(mp3.channels, 2);
        EXPECT_EQ(mp3.frames(), Lengths[size_t(k)]);
        if (Files.size() > 1) {
            EXPECT_EQ(mp3.tags.value(QStringLiteral("track")),
                      QStringLiteral("%1/%2").arg(k + 1).arg(Files.size()));
            if (k < Titles.size()) {
                EXPECT_EQ(mp3.tags.value(QStringLiteral("title")), Titles[k]);
            }
        }
        if (k > 0)
            joined.boundaries.push_back(int64_t(joined.samples.size()) / 2);
        joined.samples.insert(joined.samples.end(), mp3.samples.begin(), mp3.samples.end());
    }
    return joined;
}

void ExpectSeamless(const TJoinedTracks& Joined, const TSourceSound& Source, int64_t FirstSample) {
    const int64_t at = FirstSample - Source.firstSample;
    const int64_t frames = int64_t(Joined.samples.size()) / 2;
    ASSERT_GE(at, 0);
    ASSERT_LE(at + frames, Source.frames());
    ASSERT_EQ(Source.channels, 2);
    const int16_t* reference = Source.samples.data() + at * 2;
    auto largestError = [&](int64_t from, int64_t to) {
        int worst = 0;
        for (int64_t i = std::max<int64_t>(from, 0) * 2; i < std::min(to, frames) * 2; ++i)
            worst = std::max(worst, std::abs(int(Joined.samples[size_t(i)]) - reference[i]));
        return worst;
    };
    auto sounding = [&](int64_t from, int64_t to) {
        for (int64_t i = std::max<int64_t>(from, 0) * 2; i < std::min(to, frames) * 2; ++i)
            if (std::abs(int(reference[i])) > 100) // the decoder's faint residue is no sound
                return true;
        return false;
    };
    // Where a stretch of the joined sound is found in the source.
    auto place = [&](int64_t from, int64_t count, double* score) {
        const std::vector<int16_t> part(Joined.samples.begin() + from * 2,
                                        Joined.samples.begin() + (from + count) * 2);
        return FindBestOffset(Source.samples, part, 2, at + from - 300, at + from + 300, score,
                              count);
    };
    constexpr int64_t kWindow = 1152;
    // Both ends, over a stretch long enough to hold sound.
    int64_t head = 4096, tail = 4096;
    while (head < frames / 2 && !sounding(0, head))
        head *= 2;
    while (tail < frames / 2 && !sounding(frames - tail, frames))
        tail *= 2;
    head = std::min(head, frames);
    tail = std::min(tail, frames);
    double score = 0;
    EXPECT_EQ(place(0, head, &score), at) << "start";
    EXPECT_GT(score, 0.9);
    EXPECT_EQ(place(frames - tail, tail, &score), at + frames - tail) << "end";
    EXPECT_GT(score, 0.9);
    auto correlationAt = [&](int64_t from, int64_t count) {
        return Correlation(Joined.samples.data() + from * 2, reference + from * 2,
                           size_t(2 * count));
    };
    // How close the encoding comes anywhere: the median over sounding windows inside.
    std::vector<double> inside;
    for (int64_t w = 4 * kWindow; w + 6 * kWindow < frames; w += 8 * kWindow) {
        bool nearBoundary = false;
        for (int64_t b : Joined.boundaries)
            nearBoundary = nearBoundary || std::abs(w + kWindow - b) < 4 * kWindow;
        if (!nearBoundary && sounding(w, w + 2 * kWindow))
            inside.push_back(correlationAt(w, 2 * kWindow));
    }
    std::sort(inside.begin(), inside.end());
    const double typical = inside.empty() ? 0.999 : inside[inside.size() / 2];

    int interior = 0;
    int64_t previous = 0;
    for (int64_t b : Joined.boundaries) {
        interior = std::max(interior, largestError(previous + 3 * kWindow, b - 3 * kWindow));
        previous = b;
    }
    interior = std::max(interior, largestError(previous + 3 * kWindow, frames - 3 * kWindow));
    for (int64_t b : Joined.boundaries) {
        SCOPED_TRACE(b);
        // A boundary in one of the source's silent gaps is compared over a window wide
        // enough to hold sound on both sides, so that it is found and scored all the same.
        int64_t half = kWindow;
        while (half < 16 * kWindow && !(sounding(b - half, b) && sounding(b, b + half)))
            half *= 2;
        ASSERT_GE(b - half, 0);
        ASSERT_LE(b + half, frames);
        EXPECT_EQ(place(b - half, 2 * half, &score), at + b - half);
        EXPECT_GT(correlationAt(b - half, 2 * half), std::min(0.999, typical - 0.002));
        EXPECT_LE(largestError(b - kWindow, b + kWindow), interior);
    }
}

double ErrorDb(const TJoinedTracks& Joined, const TSourceSound& Source, int64_t FirstSample) {
    const int64_t at = FirstSample - Source.firstSample;
    const int64_t frames =
        std::min<int64_t>(int64_t(Joined.samples.size()) / 2, Source.frames() - at);
    double sum = 0;
    for (int64_t i = 0; i < frames * 2; ++i) {
        const double d = double(Joined.samples[size_t(i)]) - Source.samples[size_t(at * 2 + i)];
        sum += d * d;
    }
    return 10 * std::log10(sum / double(std::max<int64_t>(frames, 1)) + 1e-9);
}
