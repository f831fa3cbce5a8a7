// What the stream delivers: formats, downmix, 8-bit data, time 0, tracks, short sources.
// The sound is compared with the fixtures' known source signal.

#include "media_test_util.h"

#include "media/pcm_converter.h"

#include "support/decoded_audio.h"
#include "support/fixture_signal.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

using namespace media;
namespace fs = fixture_signal;

namespace {

// Where `needle` (interleaved source frames) best sits in `haystack` near `expected`.
int64_t Locate(const std::vector<int16_t>& haystack, const std::vector<int16_t>& needle,
               int channels, int64_t expected, double* score) {
    return FindBestOffset(haystack, needle, channels, std::max<int64_t>(0, expected - 2000),
                          expected + 2000, score, int64_t(needle.size()) / channels);
}

int PeakOf(const std::vector<int16_t>& s) {
    int peak = 0;
    for (int16_t v : s)
        peak = std::max(peak, std::abs(int(v)));
    return peak;
}

} // namespace

TEST(MediaFormat, SampleZeroIsTheContainerStartAndTheSourceSitsBehindTheCodecDelay) {
    struct TCase {
        const char* file;
        fs::TSignal signal;
        int rate;
        int delay;
    };
    const TCase cases[] = {{"dvd_ac3_stereo.vob", fs::kDvdStereo, 48000, 256},
                           {"vcd_mp2.dat", fs::kVcd, 44100, 481},
                           {"offset_ts.mpg", fs::kOffsetTs, 48000, 481},
                           {"mono_u8.avi", fs::kMonoU8, 22050, 0}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.file);
        const std::unique_ptr<TMediaAudioStream> stream = MakeAudioStream(FixturePath(c.file));
        ASSERT_EQ(stream->Open(), S_OK);
        EXPECT_EQ(stream->Format().sampleRate, c.rate);
        TDecodedRun run = ReadAll(*stream);
        EXPECT_EQ(run.firstSample, 0);
        const int channels = stream->Format().channels;
        std::vector<int16_t> pcm = AsS16(run, stream->Format().bitsPerSample);
        const int64_t at = 3 * c.rate + c.rate / 5;
        std::vector<int16_t> needle = fs::SourceS16(c.signal, c.rate, at, c.rate / 20);
        if (channels != c.signal.channels)
            continue;
        double score = 0;
        EXPECT_EQ(Locate(pcm, needle, channels, at + c.delay, &score), at + c.delay);
        EXPECT_GT(score, 0.9);
    }
}

TEST(MediaFormat, OffsetTimestampsCountFromTheContainerStart) {
    const std::unique_ptr<TMediaAudioStream> stream = MakeAudioStream(FixturePath("offset_ts.mpg"));
    ASSERT_EQ(stream->Open(), S_OK);
    // The file's clock starts near 10 s; its own timeline is 6 s long from 0.
    EXPECT_GT(stream->Duration(), TMediaTime::FromMs(5900));
    EXPECT_LT(stream->Duration(), TMediaTime::FromMs(6200));
    ASSERT_EQ(stream->Seek(TMediaTime::FromSeconds(2)), S_OK);
    TDecodedRun run = ReadAll(*stream, 32768, 4800);
    EXPECT_EQ(run.firstSample, 96000);
    std::vector<int16_t> pcm = AsS16(run, 16);
    // Source sample 96000 - 481 is the first delivered.
    std::vector<int16_t> expected = fs::SourceS16(fs::kOffsetTs, 48000, 96000 - 481 + 2400, 1200);
    double score = 0;
    EXPECT_EQ(FindBestOffset(pcm, expected, 2, 0, 3000, &score, 1200), 2400);
    EXPECT_GT(score, 0.9);
}

TEST(MediaFormat, SurroundAc3IsFoldedToStereoWithoutClipping) {
    const std::unique_ptr<TMediaAudioStream> stream =
        MakeAudioStream(FixturePath("dvd_ac3_51.vob"));
    ASSERT_EQ(stream->Open(), S_OK);
    EXPECT_EQ(stream->Format().channels, 2);
    EXPECT_EQ(stream->Format().bitsPerSample, 16);
    ASSERT_EQ(stream->Tracks().size(), 1u);
    EXPECT_EQ(stream->Tracks()[0].channels, 6);
    TDecodedRun run = ReadAll(*stream);
    std::vector<int16_t> pcm = AsS16(run, 16);
    // The source channels are loud (peak 0.7 each): a plain sum would pass full scale.
    const int peak = PeakOf(pcm);
    EXPECT_LT(peak, 32767);
    EXPECT_GT(peak, 6000);
    int64_t atRail =
        std::count_if(pcm.begin(), pcm.end(), [](int16_t v) { return v == 32767 || v == -32768; });
    EXPECT_EQ(atRail, 0);

    // Left carries front left, centre and left surround at the levels the bitstream
    // declares (FFmpeg's encoder writes -4.5 dB centre, -6 dB surround), not the right
    // side: it matches that mix of the source.
    const int64_t at = 2 * 48000 + 9600, len = 2400;
    std::vector<int16_t> mix(size_t(len) * 2);
    for (int64_t i = 0; i < len; ++i) {
        auto s = [&](int ch) { return fs::SampleAt(fs::kDvd51, ch, at + i, 48000); };
        mix[size_t(2 * i)] = int16_t(8000 * (s(0) + 0.595 * s(2) + 0.5 * s(4)));
        mix[size_t(2 * i + 1)] = int16_t(8000 * (s(1) + 0.595 * s(2) + 0.5 * s(5)));
    }
    double score = 0;
    EXPECT_EQ(Locate(pcm, mix, 2, at + 256, &score), at + 256);
    EXPECT_GT(score, 0.9);
}

TEST(MediaFormat, ItuDownmixWeightsAndCannotClip) {
    AVChannelLayout layout{};
    av_channel_layout_default(&layout, 6); // FL FR FC LFE SL SR
    std::vector<double> m = TPcmConverter::DownmixMatrix(layout, 2);
    ASSERT_EQ(m.size(), 12u);
    const double* left = m.data();
    const double* right = m.data() + 6;
    EXPECT_GT(left[0], 0);
    EXPECT_EQ(left[1], 0);
    EXPECT_NEAR(left[2] / left[0], 0.7071, 1e-3);
    EXPECT_EQ(left[3], 0); // LFE dropped
    EXPECT_NEAR(left[4] / left[0], 0.7071, 1e-3);
    EXPECT_EQ(left[5], 0);
    EXPECT_NEAR(right[1], left[0], 1e-12);
    for (const double* row : {left, right}) {
        double sum = 0;
        for (int i = 0; i < 6; ++i)
            sum += std::abs(row[i]);
        EXPECT_LE(sum, 1.0 + 1e-9);
    }

    // Every channel at full scale, in phase: the folded result reaches full scale but no
    // further.
    TPcmConverter converter(2, AV_SAMPLE_FMT_S16, 48000);
    ffmpeg::FramePtr frame = ffmpeg::MakeFrame();
    frame->format = AV_SAMPLE_FMT_S16;
    frame->sample_rate = 48000;
    frame->nb_samples = 64;
    av_channel_layout_copy(&frame->ch_layout, &layout);
    ASSERT_GE(av_frame_get_buffer(frame.get(), 0), 0);
    auto* samples = reinterpret_cast<int16_t*>(frame->data[0]);
    for (int i = 0; i < 64 * 6; ++i)
        samples[i] = (i / 6) % 2 ? 32767 : -32767;
    std::vector<uint8_t> out;
    ASSERT_EQ(converter.Convert(frame.get(), out), 64);
    const auto* folded = reinterpret_cast<const int16_t*>(out.data());
    for (int i = 0; i < 128; ++i) {
        EXPECT_GE(std::abs(int(folded[i])), 32000);
        EXPECT_LE(std::abs(int(folded[i])), 32767);
    }
    av_channel_layout_uninit(&layout);
}

TEST(MediaFormat, EightBitSourceIsDeliveredAsItsOwnBytes) {
    const std::unique_ptr<TMediaAudioStream> stream = MakeAudioStream(FixturePath("mono_u8.avi"));
    ASSERT_EQ(stream->Open(), S_OK);
    EXPECT_EQ(stream->Format().bitsPerSample, 8);
    EXPECT_EQ(stream->Format().channels, 1);
    EXPECT_EQ(stream->Format().sampleRate, fs::kMonoRate);
    EXPECT_EQ(stream->Format().BlockAlign(), 1);
    TDecodedRun run = ReadAll(*stream, 8192);
    ASSERT_GE(run.bytes.size(), size_t(6 * fs::kMonoRate));
    // PCM is lossless: every byte is the generator's own value.
    int mismatches = 0;
    for (int64_t n = 0; n < 6 * fs::kMonoRate; ++n) {
        double v = fs::SampleAt(fs::kMonoU8, 0, n, fs::kMonoRate);
        auto expected = uint8_t(std::clamp(std::lround(v * 127.0) + 128, 0L, 255L));
        mismatches += run.bytes[size_t(n)] != expected;
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(MediaFormat, TracksAreListedAndTheNamedOneIsDecoded) {
    std::vector<TMediaTrackInfo> tracks;
    ASSERT_EQ(TMediaAudioStream::ListAudioTracks(FixturePath("two_tracks.mkv"), tracks), S_OK);
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0].language, "eng");
    EXPECT_EQ(tracks[1].language, "fra");
    EXPECT_EQ(tracks[1].codec, "ac3");
    EXPECT_EQ(tracks[1].channels, 2);
    EXPECT_EQ(tracks[1].sampleRate, 48000);
    EXPECT_NEAR(tracks[1].duration.ToSeconds(), 10.0, 0.1);

    ASSERT_EQ(TMediaAudioStream::ListAudioTracks(FixturePath("two_tracks.vob"), tracks), S_OK);
    ASSERT_EQ(tracks.size(), 2u);
    for (int which = 0; which < 2; ++which) {
        SCOPED_TRACE(which);
        const std::unique_ptr<TMediaAudioStream> stream =
            MakeAudioStream(FixturePath("two_tracks.vob"));
        ASSERT_EQ(stream->Open(tracks[size_t(which)].streamIndex), S_OK);
        EXPECT_EQ(stream->StreamIndex(), tracks[size_t(which)].streamIndex);
        ASSERT_EQ(stream->SeekSample(3 * 48000), S_OK);
        std::vector<int16_t> pcm = AsS16(ReadAll(*stream, 32768, 48000), 16);
        const int64_t at = 3 * 48000 + 4800 - 256;
        double own = 0, other = 0;
        const fs::TSignal& mine = which == 0 ? fs::kTrackEng : fs::kTrackFra;
        const fs::TSignal& theirs = which == 0 ? fs::kTrackFra : fs::kTrackEng;
        EXPECT_EQ(Locate(pcm, fs::SourceS16(mine, 48000, at, 2400), 2, 4800, &own), 4800);
        Locate(pcm, fs::SourceS16(theirs, 48000, at, 2400), 2, 4800, &other);
        EXPECT_GT(own, 0.9);
        EXPECT_LT(other, 0.5);
    }
    // The primary stream is one of them; a video stream or a missing index is refused.
    const std::unique_ptr<TMediaAudioStream> stream =
        MakeAudioStream(FixturePath("two_tracks.vob"));
    ASSERT_EQ(stream->Open(), S_OK);
    EXPECT_TRUE(stream->StreamIndex() == tracks[0].streamIndex ||
                stream->StreamIndex() == tracks[1].streamIndex);
    EXPECT_EQ(stream->Open(1), MS_E_NOSTREAM);
    EXPECT_EQ(stream->Open(99), MS_E_NOSTREAM);
    EXPECT_FALSE(stream->IsOpen());
}

TEST(MediaFormat, SourceShorterThanASecond) {
    const std::unique_ptr<TMediaAudioStream> stream = MakeAudioStream(FixturePath("short.mpg"));
    ASSERT_EQ(stream->Open(), S_OK);
    EXPECT_GT(stream->Duration(), TMediaTime::FromMs(500));
    EXPECT_LT(stream->Duration(), TMediaTime::FromSeconds(1));
    EXPECT_GT(stream->DurationSamples(), 24000);
    EXPECT_LT(stream->DurationSamples(), 48000);
    TDecodedRun run = ReadAll(*stream);
    const int64_t frames = int64_t(run.bytes.size()) / 4;
    EXPECT_GE(frames, int64_t(0.6 * 48000));
    EXPECT_LT(frames, 48000);
    EXPECT_EQ(run.result, MS_S_ENDOFSTREAM);
}
