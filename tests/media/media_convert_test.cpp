// A requested output format converts the data, never relabels them: another rate is
// resampled in time with the source, seeks stay exact, other widths and channel counts
// carry the same sound.

#include "media_test_util.h"

#include "support/test_env.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

using namespace media;

namespace {

// Index of the first frame at or after `from` whose left sample passes `threshold`.
int64_t Onset(const std::vector<int16_t>& pcm, int channels, int64_t from, int threshold) {
    for (int64_t i = from; i < int64_t(pcm.size()) / channels; ++i)
        if (std::abs(int(pcm[size_t(i * channels)])) > threshold)
            return i;
    return -1;
}

} // namespace

TEST(MediaConvert, ResampledSeeksStayExact) {
    struct TCase {
        const char* file;
        int rate;
    };
    for (const TCase& c : {TCase{"dvd_ac3_stereo.vob", 44100}, TCase{"vcd_mp2.dat", 48000},
                           TCase{"mono_u8.avi", 44100}, TCase{"two_tracks.mkv", 32000}}) {
        SCOPED_TRACE(c.file);
        const std::unique_ptr<TMediaAudioStream> straight = MakeAudioStream(FixturePath(c.file));
        straight->SetOutputFormat({c.rate, 0, 0});
        ASSERT_EQ(straight->Open(), S_OK);
        EXPECT_EQ(straight->Format().sampleRate, c.rate);
        TDecodedRun all = ReadAll(*straight);
        ASSERT_TRUE(all.continuous);
        const int align = straight->Format().BlockAlign();
        const int64_t total = int64_t(all.bytes.size()) / align;
        EXPECT_NEAR(double(total) / c.rate, straight->Duration().ToSeconds(), 0.1);

        const std::unique_ptr<TMediaAudioStream> seeker = MakeAudioStream(FixturePath(c.file));
        seeker->SetOutputFormat({c.rate, 0, 0});
        ASSERT_EQ(seeker->Open(), S_OK);
        for (int64_t target : {total / 2 + 5, int64_t(c.rate) + 1, total / 5, total - 500}) {
            SCOPED_TRACE(target);
            ASSERT_EQ(seeker->SeekSample(target), S_OK);
            TDecodedRun part = ReadAll(*seeker, 8192, 3000);
            ASSERT_EQ(part.firstSample, target);
            const size_t offset = size_t(target - all.firstSample) * align;
            ASSERT_LE(offset + part.bytes.size(), all.bytes.size());
            EXPECT_EQ(std::memcmp(part.bytes.data(), all.bytes.data() + offset, part.bytes.size()),
                      0);
        }
    }
}

TEST(MediaConvert, ResampledSoundKeepsItsTime) {
    // The start of every sounding second lies at the same instant at both rates.
    const std::unique_ptr<TMediaAudioStream> native =
        MakeAudioStream(FixturePath("dvd_ac3_stereo.vob"));
    ASSERT_EQ(native->Open(), S_OK);
    std::vector<int16_t> at48 = AsS16(ReadAll(*native), 16);
    const std::unique_ptr<TMediaAudioStream> resampled =
        MakeAudioStream(FixturePath("dvd_ac3_stereo.vob"));
    resampled->SetOutputFormat({44100, 0, 0});
    ASSERT_EQ(resampled->Open(), S_OK);
    std::vector<int16_t> at44 = AsS16(ReadAll(*resampled), 16);
    for (int second = 1; second < 9; ++second) {
        SCOPED_TRACE(second);
        int64_t o48 = Onset(at48, 2, int64_t((second - 0.1) * 48000), 2000);
        int64_t o44 = Onset(at44, 2, int64_t((second - 0.1) * 44100), 2000);
        ASSERT_GT(o48, 0);
        EXPECT_NEAR(double(o44), double(o48) * 44100 / 48000, 2.0);
    }
}

TEST(MediaConvert, WidthAndChannelsAreConvertedNotRelabelled) {
    const std::unique_ptr<TMediaAudioStream> plain = MakeAudioStream(FixturePath("mono_u8.avi"));
    ASSERT_EQ(plain->Open(), S_OK);
    TDecodedRun bytes = ReadAll(*plain);

    const std::unique_ptr<TMediaAudioStream> wide = MakeAudioStream(FixturePath("mono_u8.avi"));
    wide->SetOutputFormat({0, 2, 16});
    ASSERT_EQ(wide->Open(), S_OK);
    EXPECT_EQ(wide->Format().sampleRate, 22050);
    EXPECT_EQ(wide->Format().channels, 2);
    EXPECT_EQ(wide->Format().bitsPerSample, 16);
    std::vector<int16_t> pcm = AsS16(ReadAll(*wide), 16);
    ASSERT_EQ(pcm.size(), bytes.bytes.size() * 2);
    int wrong = 0;
    for (size_t i = 0; i < bytes.bytes.size(); ++i) {
        const int expected = (int(bytes.bytes[i]) - 128) * 256;
        wrong += pcm[2 * i] != expected || pcm[2 * i + 1] != expected;
    }
    EXPECT_EQ(wrong, 0);

    // Stereo asked for mono: both sides, at half weight each.
    const std::unique_ptr<TMediaAudioStream> stereo = MakeAudioStream(FixturePath("vcd_mp2.dat"));
    ASSERT_EQ(stereo->Open(), S_OK);
    std::vector<int16_t> both = AsS16(ReadAll(*stereo, 32768, 44100), 16);
    const std::unique_ptr<TMediaAudioStream> mono = MakeAudioStream(FixturePath("vcd_mp2.dat"));
    mono->SetOutputFormat({0, 1, 0});
    ASSERT_EQ(mono->Open(), S_OK);
    EXPECT_EQ(mono->Format().channels, 1);
    std::vector<int16_t> one = AsS16(ReadAll(*mono, 32768, 44100), 16);
    ASSERT_EQ(one.size() * 2, both.size());
    int far = 0;
    for (size_t i = 0; i < one.size(); ++i)
        far += std::abs(one[i] - (both[2 * i] + both[2 * i + 1]) / 2) > 1;
    EXPECT_EQ(far, 0);
}
