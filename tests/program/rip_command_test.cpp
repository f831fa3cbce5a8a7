// The command line's rip, run as the built program: where the ripped sound sits in the
// source's own decoded sound, and what every bad input ends with.

#include "support/program_run.h"

#include "support/decoded_audio.h"
#include "support/outside_readers.h"
#include "support/read_fault.h"
#include "support/test_env.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <map>
#include <string>

#include <sys/stat.h>

namespace {

struct TRangeCase {
    const char* fixture;
    int rate;
    const char* start;
    const char* end;
    double startSeconds, endSeconds;
    // Encoder threads (--jobs), none given: the default.
    const char* jobs = nullptr;
};

// Offset (in frames of the reference) where `needle` sits, searching +-300 around
// `expected`, with the correlation.
int64_t Locate(const std::vector<int16_t>& reference, const std::vector<int16_t>& needle,
               int channels, int64_t expected, double* score) {
    return FindBestOffset(reference, needle, channels, std::max<int64_t>(0, expected - 300),
                          expected + 300, score, int64_t(needle.size()) / channels);
}

std::vector<int16_t> Slice(const std::vector<int16_t>& s, int channels, int64_t first,
                           int64_t count) {
    return {s.begin() + first * channels, s.begin() + (first + count) * channels};
}

// Rips [start, end) of a fixture at the source's own rate and finds both ends of the MP3
// in the source's decoded sound: exact to the sample, `slack` samples off at most.
void ExpectRangeLands(const TRangeCase& c, int slack = 0) {
    SCOPED_TRACE(c.fixture);
    const QString dir = FreshDir(QStringLiteral("range"));
    const QString out = dir + QStringLiteral("/out.mp3");
    QStringList args{QStringLiteral("--rip"),        FixturePath(c.fixture),
                     QStringLiteral("-o"),           out,
                     QStringLiteral("--start"),      c.start,
                     QStringLiteral("--end"),        c.end,
                     QStringLiteral("--samplerate"), QString::number(c.rate),
                     QStringLiteral("--bitrate"),    QStringLiteral("320"),
                     QStringLiteral("--mode"),       QStringLiteral("stereo")};
    if (c.jobs)
        args << QStringLiteral("--jobs") << QString::fromLatin1(c.jobs);
    const TProgramRun run = RunSonavel(args);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString(); // not a terminal: no progress
    const DecodedAudio mp3 = DecodeAudioFile(out);
    ASSERT_TRUE(mp3.ok) << mp3.error.toStdString();
    ASSERT_EQ(mp3.sampleRate, c.rate);
    ASSERT_EQ(mp3.channels, 2);
    const TSourceSound source = ReadSourceSound(FixturePath(c.fixture), c.rate);
    ASSERT_GT(source.frames(), 0);
    // Sample n plays at n / rate on the player's timeline; the range holds the samples at
    // or after its start and before its end.
    const int64_t first = int64_t(std::ceil(c.startSeconds * c.rate - 1e-9)) - source.firstSample;
    const int64_t last = int64_t(std::ceil(c.endSeconds * c.rate - 1e-9)) - source.firstSample;
    // Mono sources are compared on one channel (the rip duplicates it).
    const int channels = source.channels;
    const std::vector<int16_t> ripped = channels == 2 ? mp3.samples : FirstChannel(mp3.samples, 2);
    if (slack == 0)
        EXPECT_EQ(mp3.frames(), last - first);
    else
        EXPECT_NEAR(double(mp3.frames()), double(last - first), slack);
    double score = 0;
    const int64_t head =
        Locate(source.samples, Slice(ripped, channels, 0, kNeedle), channels, first, &score);
    EXPECT_NEAR(double(head), double(first), slack) << "start";
    EXPECT_GT(score, 0.9);
    const int64_t n = int64_t(ripped.size()) / channels;
    const int64_t tail = Locate(source.samples, Slice(ripped, channels, n - kNeedle, kNeedle),
                                channels, last - kNeedle, &score);
    EXPECT_NEAR(double(tail + kNeedle), double(last), slack) << "end";
    EXPECT_GT(score, 0.9);
}

TEST(RipCommand, RangeStartsAndEndsOnTheAskedSample) {
    const TRangeCase cases[] = {
        {"dvd_ac3_stereo.vob", 48000, "2.3", "5.6", 2.3, 5.6},
        {"vcd_mp2.dat", 44100, "1.25", "0:00:04.6", 1.25, 4.6},
        {"dvd_ac3_51.vob", 48000, "3.1", "6.4", 3.1, 6.4},
        {"offset_ts.mpg", 48000, "1.2", "4.3", 1.2, 4.3},
        // 22050 Hz mono 8-bit, delivered at 44100 by the same converter as the reference.
        {"mono_u8.avi", 44100, "1.1", "3.65", 1.1, 3.65},
        // Long enough to be encoded in parts on three threads.
        {"dvd_ac3_stereo.vob", 48000, "0.7", "9.35", 0.7, 9.35, "3"},
        {"vcd_mp2.dat", 44100, "0.45", "0:00:09.1", 0.45, 9.1, "3"},
        // DVD LPCM as FFmpeg's muxer packs it and as DVD authoring does.
        {"dvd_lpcm16.vob", 48000, "7.31", "8.5", 7.31, 8.5},
        {"dvd_lpcm24_mono.vob", 48000, "3", "4.6", 3.0, 4.6},
        {"dvd_lpcm20_51.vob", 48000, "5.31", "8.6", 5.31, 8.6},
        // Both LPCM packings in parts: each part's seek lands on its sample too.
        {"dvd_lpcm16.vob", 48000, "0.31", "9.5", 0.31, 9.5, "3"},
        {"dvd_lpcm20_51.vob", 48000, "0.2", "9.41", 0.2, 9.41, "3"},
    };
    for (const TRangeCase& c : cases)
        ExpectRangeLands(c);
}

TEST(RipCommand, ResampledRangeLandsWithinAFewSamples) {
    ExpectRangeLands({"dvd_ac3_stereo.vob", 44100, "2.3", "5.6", 2.3, 5.6}, 4);
}

// A WAVE file of 32-bit float samples (WAVE_FORMAT_EXTENSIBLE, 5.1 with back surrounds),
// interleaved frames of `channels` samples.
// A float WAV file; `mask` says which speakers its channels are (5.1 by default).
QByteArray FloatWave(const std::vector<float>& samples, int channels, int rate,
                     uint32_t mask = 0x3F) {
    auto u16 = [](QByteArray& b, uint16_t v) { b.append(char(v & 0xFF)).append(char(v >> 8)); };
    auto u32 = [&u16](QByteArray& b, uint32_t v) {
        u16(b, uint16_t(v & 0xFFFF));
        u16(b, uint16_t(v >> 16));
    };
    const uint32_t dataBytes = uint32_t(samples.size() * sizeof(float));
    QByteArray b("RIFF");
    u32(b, 4 + 8 + 40 + 8 + dataBytes);
    b.append("WAVEfmt ");
    u32(b, 40);
    u16(b, 0xFFFE); // extensible
    u16(b, uint16_t(channels));
    u32(b, uint32_t(rate));
    u32(b, uint32_t(rate * channels * 4));
    u16(b, uint16_t(channels * 4));
    u16(b, 32);
    u16(b, 22);
    u16(b, 32);
    u32(b, mask); // 0x3F: FL FR FC LFE BL BR; 0x63F: and SL SR
    // The IEEE float subformat.
    b.append(QByteArray::fromHex("0300000000001000800000aa00389b71"));
    b.append("data");
    u32(b, dataBytes);
    b.append(reinterpret_cast<const char*>(samples.data()), qsizetype(dataBytes));
    return b;
}

// Amplitude of the `hz` tone in channel `channel` of `frames` frames from `first`, and the
// level of everything else relative to it (dB): a clipped or badly folded tone has
// harmonics and other tones left over.
void FitTone(const DecodedAudio& audio, int channel, int64_t first, int64_t frames, double hz,
             double& amplitude, double& restDb) {
    double a = 0, b = 0;
    const double w = 2 * M_PI * hz / audio.sampleRate;
    auto at = [&](int64_t i) { return double(audio.floats[size_t(i * audio.channels + channel)]); };
    for (int64_t i = first; i < first + frames; ++i) {
        a += at(i) * std::sin(w * double(i));
        b += at(i) * std::cos(w * double(i));
    }
    a *= 2.0 / double(frames);
    b *= 2.0 / double(frames);
    double rest = 0;
    for (int64_t i = first; i < first + frames; ++i) {
        const double r = at(i) - a * std::sin(w * double(i)) - b * std::cos(w * double(i));
        rest += r * r;
    }
    amplitude = std::hypot(a, b);
    restDb = 10 * std::log10(rest / double(frames) / (amplitude * amplitude / 2) + 1e-30);
}

// Every full-range channel of a float 5.1 source carries the same tone in phase, first at
// full scale, then 2 dB beyond it (float sources may go there); the LFE carries a low
// tone. A plain sum would be 2.4 times as loud. The fold to stereo is normalised, and
// nothing between decoder and encoder clips: the MP3, decoded by FFmpeg in float, holds
// the one tone at both levels, without harmonics and without the LFE's tone.
TEST(RipCommand, FullScaleSurroundIsFoldedWithoutClipping) {
    const QString dir = FreshDir(QStringLiteral("loud51"));
    constexpr int kRate = 48000, kChannels = 6;
    constexpr double kHz = 375; // 128 samples a period
    const double levels[] = {1.0, 1.2589};
    std::vector<float> samples;
    for (int64_t i = 0; i < 2 * kRate; ++i) {
        const double tone = levels[i / kRate] * std::sin(2 * M_PI * kHz * double(i) / kRate);
        for (int c = 0; c < kChannels; ++c)
            samples.push_back(float(c == 3 ? std::sin(2 * M_PI * 50 * double(i) / kRate) : tone));
    }
    const QString source = dir + QStringLiteral("/loud51.wav");
    ASSERT_TRUE(WriteFile(source, FloatWave(samples, kChannels, kRate)));
    const QString out = dir + QStringLiteral("/loud51.mp3");
    const TProgramRun run = RunSonavel({QStringLiteral("--rip"), source, QStringLiteral("-o"), out,
                                        QStringLiteral("--samplerate"), QStringLiteral("48000"),
                                        QStringLiteral("--bitrate"), QStringLiteral("320"),
                                        QStringLiteral("--mode"), QStringLiteral("stereo")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const DecodedAudio mp3 = DecodeAudioFile(out, -1, true);
    ASSERT_TRUE(mp3.ok) << mp3.error.toStdString();
    ASSERT_EQ(mp3.channels, 2);
    ASSERT_EQ(mp3.frames(), 2 * kRate);
    for (int second = 0; second < 2; ++second) {
        for (int channel = 0; channel < 2; ++channel) {
            SCOPED_TRACE(testing::Message() << "second " << second << ", channel " << channel);
            double amplitude = 0, restDb = 0;
            FitTone(mp3, channel, second * kRate + kRate / 4, 128 * 150, kHz, amplitude, restDb);
            EXPECT_NEAR(20 * std::log10(amplitude / levels[second]), 0.0, 0.1);
            EXPECT_LT(restDb, -40);
        }
    }
}

// 5.1 and 7.1 sources with a tone of its own in every channel, folded to stereo by each
// downmix: the MP3 (and a FLAC), decoded by FFmpeg in float, holds every channel's tone on
// its side at the level the weights give (scaled so nothing can clip), the LFE's not at
// all. Then every
// channel at full scale and in phase folds by the dialogue downmix without clipping.
TEST(RipCommand, SurroundDownmixLevelsMeasuredByChannelTones) {
    const QString dir = FreshDir(QStringLiteral("downmix"));
    constexpr int kRate = 48000;
    constexpr double kLevel = 0.25;
    // FL FR FC LFE BL BR SL SR; every period fits a second a whole number of times.
    const double hz[] = {300, 400, 500, 50, 600, 800, 1000, 1200};
    enum TSide { sLeft, sRight, sBoth, sNone };
    const TSide side[] = {sLeft, sRight, sBoth, sNone, sLeft, sRight, sLeft, sRight};
    struct TCase {
        int channels;
        uint32_t mask;
        const char* mix;
        const char* extension = ".mp3";
    };
    // FLAC's integer samples fold by the same weights.
    const TCase cases[] = {{6, 0x3F, "standard"},
                           {6, 0x3F, "dialogue"},
                           {8, 0x63F, "standard"},
                           {8, 0x63F, "dialogue"},
                           {6, 0x3F, "dialogue", ".flac"}};
    std::map<std::pair<int, std::string>, double> centreDb;
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.channels << " channels, " << c.mix << c.extension);
        const bool flac = QLatin1String(c.extension) == QLatin1String(".flac");
        std::vector<float> samples;
        for (int64_t i = 0; i < 2 * kRate; ++i)
            for (int ch = 0; ch < c.channels; ++ch)
                samples.push_back(float(kLevel * std::sin(2 * M_PI * hz[ch] * double(i) / kRate)));
        const QString name = QStringLiteral("%1_%2").arg(c.channels).arg(QLatin1String(c.mix));
        const QString source = dir + u'/' + name + QStringLiteral(".wav");
        ASSERT_TRUE(WriteFile(source, FloatWave(samples, c.channels, kRate, c.mask)));
        const QString out = dir + u'/' + name + QLatin1String(c.extension);
        QStringList args = {QStringLiteral("--rip"),        source,
                            QStringLiteral("-o"),           out,
                            QStringLiteral("--downmix"),    QLatin1String(c.mix),
                            QStringLiteral("--samplerate"), QStringLiteral("48000")};
        if (!flac)
            args << QStringLiteral("--bitrate") << QStringLiteral("320") << QStringLiteral("--mode")
                 << QStringLiteral("stereo");
        const TProgramRun run = RunSonavel(args);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const DecodedAudio rip = DecodeAudioFile(out, -1, true);
        ASSERT_TRUE(rip.ok) << rip.error.toStdString();
        ASSERT_EQ(rip.channels, 2);
        EXPECT_EQ(rip.codecName == QStringLiteral("flac"), flac);
        // The weights against a front: the ITU ones (centre and surrounds -3 dB), or the
        // centre lifted to +3 dB and the surrounds at -6 dB; a side's sum is full scale.
        const bool dialogue = QLatin1String(c.mix) == QLatin1String("dialogue");
        const double centre = dialogue ? std::sqrt(2.0) : std::sqrt(0.5);
        const double surround = dialogue ? 0.5 : std::sqrt(0.5);
        const double sum = 1 + centre + surround * (c.channels == 8 ? 2 : 1);
        for (int ch = 0; ch < c.channels; ++ch) {
            const double weight = ch == 2 ? centre : ch < 2 ? 1.0 : surround;
            for (int out = 0; out < 2; ++out) {
                SCOPED_TRACE(testing::Message() << "channel " << ch << " in output " << out);
                double amplitude = 0, restDb = 0;
                FitTone(rip, out, kRate / 4, kRate, hz[ch], amplitude, restDb);
                const double db = 20 * std::log10(amplitude / kLevel + 1e-12);
                const bool heard = side[ch] == sBoth || side[ch] == (out == 0 ? sLeft : sRight);
                if (heard)
                    EXPECT_NEAR(db, 20 * std::log10(weight / sum), 0.2);
                else
                    EXPECT_LT(db, -50);
                if (ch == 2 && out == 0 && !flac)
                    centreDb[{c.channels, c.mix}] = db;
            }
        }
    }
    // What a listener hears of the dialogue: 10.7 dB (5.1) and 12.9 dB (7.1) down in the
    // standard fold, 4 dB and more higher in the dialogue one.
    const auto centreOf = [&](int channels, const char* mix) {
        return centreDb[std::make_pair(channels, std::string(mix))];
    };
    EXPECT_NEAR(centreOf(6, "standard"), -10.7, 0.2);
    EXPECT_NEAR(centreOf(8, "standard"), -12.9, 0.2);
    EXPECT_GT(centreOf(6, "dialogue") - centreOf(6, "standard"), 4.0);
    EXPECT_GT(centreOf(8, "dialogue") - centreOf(8, "standard"), 5.0);

    std::vector<float> loud;
    for (int64_t i = 0; i < kRate; ++i)
        for (int ch = 0; ch < 8; ++ch)
            loud.push_back(float(std::sin(2 * M_PI * 375 * double(i) / kRate)));
    const QString source = dir + QStringLiteral("/loud71.wav");
    ASSERT_TRUE(WriteFile(source, FloatWave(loud, 8, kRate, 0x63F)));
    const QString out = dir + QStringLiteral("/loud71.mp3");
    const TProgramRun run = RunSonavel({QStringLiteral("--rip"), source, QStringLiteral("-o"), out,
                                        QStringLiteral("--downmix"), QStringLiteral("dialogue"),
                                        QStringLiteral("--samplerate"), QStringLiteral("48000"),
                                        QStringLiteral("--bitrate"), QStringLiteral("320")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const DecodedAudio mp3 = DecodeAudioFile(out, -1, true);
    ASSERT_TRUE(mp3.ok) << mp3.error.toStdString();
    for (int channel = 0; channel < 2; ++channel) {
        double amplitude = 0, restDb = 0;
        FitTone(mp3, channel, kRate / 4, 128 * 250, 375, amplitude, restDb);
        EXPECT_NEAR(20 * std::log10(amplitude), 0.0, 0.1) << channel;
        EXPECT_LT(restDb, -40) << channel;
    }
}

// --samplerate source: a 48 kHz DVD stays at 48 kHz and a 44.1 kHz VCD at 44.1 kHz, to the
// sample; a 22.05 kHz file goes to 44.1 kHz, the MP3 rate of its family, but stays at
// 22.05 kHz in FLAC, which takes any rate. Opus, always 48 kHz, refuses it before any work.
TEST(RipCommand, TheSourcesOwnSampleRateIsKept) {
    const QString dir = FreshDir(QStringLiteral("ownrate"));
    const struct {
        const char* fixture;
        int rate;
        const char* extension;
    } cases[] = {{"dvd_ac3_stereo.vob", 48000, ".mp3"},
                 {"vcd_mp2.mpg", 44100, ".mp3"},
                 {"mono_u8.avi", 44100, ".mp3"},
                 {"mono_u8.avi", 22050, ".flac"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fixture << c.extension);
        const bool mp3 = QLatin1String(c.extension) == QLatin1String(".mp3");
        const QString out = dir + u'/' + QLatin1String(c.fixture) + QLatin1String(c.extension);
        QStringList args = {QStringLiteral("--rip"),        FixturePath(c.fixture),
                            QStringLiteral("-o"),           out,
                            QStringLiteral("--start"),      QStringLiteral("1"),
                            QStringLiteral("--end"),        QStringLiteral("2"),
                            QStringLiteral("--samplerate"), QStringLiteral("source")};
        if (mp3)
            args << QStringLiteral("--bitrate") << QStringLiteral("128");
        const TProgramRun run = RunSonavel(args);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const DecodedAudio decoded = DecodeAudioFile(out);
        ASSERT_TRUE(decoded.ok) << decoded.error.toStdString();
        EXPECT_EQ(decoded.codecName == QStringLiteral("flac"), !mp3);
        EXPECT_EQ(decoded.sampleRate, c.rate);
        EXPECT_EQ(decoded.frames(), c.rate);
    }

    const QString opus = dir + QStringLiteral("/own.opus");
    const TProgramRun refused =
        RunSonavel({QStringLiteral("--rip"), FixturePath("mono_u8.avi"), QStringLiteral("-o"), opus,
                    QStringLiteral("--samplerate"), QStringLiteral("source")});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(
        refused.err.contains(QStringLiteral("--samplerate source: Opus is always 48000 Hz")))
        << refused.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(opus));
}

TEST(RipCommand, WholeSourceDefaultsBesideTheSourceAndShortSourcesRip) {
    const QString dir = FreshDir(QStringLiteral("short"));
    const QString source = dir + QStringLiteral("/clip.mpg");
    ASSERT_TRUE(QFile::copy(FixturePath("short.mpg"), source));
    const TProgramRun run =
        RunSonavel({QStringLiteral("--rip"), source, QStringLiteral("--quiet")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty());
    const DecodedAudio mp3 = DecodeAudioFile(dir + QStringLiteral("/clip.mp3"));
    ASSERT_TRUE(mp3.ok) << mp3.error.toStdString();
    // Stored settings by default: 44.1 kHz; the source holds 0.6 s of sound.
    EXPECT_EQ(mp3.sampleRate, 44100);
    EXPECT_NEAR(mp3.frames() / 44100.0, 0.6, 0.06);
}

// A program stream's MP2 packets hold several frames each, and FFmpeg's estimate of the
// length ends at the last packet's first frame: the whole source rips to the last sample
// the decoder gives (a gapless player reads them all), and a range may end where the
// sound does.
TEST(RipCommand, AWholeMp2SourceRipsToItsLastSample) {
    const QString dir = FreshDir(QStringLiteral("mp2end"));
    const QString source = FixturePath(QStringLiteral("demo.mpg"));
    const TSourceSound sound = ReadSourceSound(source, 48000);
    ASSERT_GT(sound.frames(), 0);
    const int64_t last = sound.firstSample + sound.frames(); // after the decoder's last
    ASSERT_GE(last, 15 * 48000);
    const TProgramRun whole = RunSonavel({QStringLiteral("--rip"), source, QStringLiteral("-o"),
                                          dir + "/whole.mp3", QStringLiteral("--samplerate"),
                                          QStringLiteral("48000"), QStringLiteral("--quiet")});
    ASSERT_EQ(whole.exitCode, 0) << whole.err.toStdString();
    const TPlayerDecode played = Mpg123Decode(dir + "/whole.mp3");
    ASSERT_TRUE(played.ok) << played.error.toStdString();
    EXPECT_EQ(played.frames(), last - std::max<int64_t>(sound.firstSample, 0));
    const DecodedAudio mp3 = DecodeAudioFile(dir + "/whole.mp3");
    EXPECT_EQ(mp3.frames(), played.frames());

    const TProgramRun end = RunSonavel(
        {QStringLiteral("--rip"), source, QStringLiteral("--start"), QStringLiteral("14"),
         QStringLiteral("--end"), QStringLiteral("15"), QStringLiteral("-o"), dir + "/end.mp3",
         QStringLiteral("--samplerate"), QStringLiteral("48000"), QStringLiteral("--quiet")});
    ASSERT_EQ(end.exitCode, 0) << end.err.toStdString();
    EXPECT_EQ(DecodeAudioFile(dir + "/end.mp3").frames(), 48000);
}

TEST(RipCommand, SecondAudioTrackIsTheOneRipped) {
    const QString out = FreshDir(QStringLiteral("track")) + QStringLiteral("/two.mp3");
    const TProgramRun run = RunSonavel(
        {QStringLiteral("--rip"), FixturePath("two_tracks.vob"), QStringLiteral("-o"), out,
         QStringLiteral("--audio-track"), QStringLiteral("2"), QStringLiteral("--samplerate"),
         QStringLiteral("48000"), QStringLiteral("--start"), QStringLiteral("2"),
         QStringLiteral("--end"), QStringLiteral("4")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const DecodedAudio mp3 = DecodeAudioFile(out);
    ASSERT_TRUE(mp3.ok);
    const std::vector<int16_t> needle = Slice(mp3.samples, 2, 1000, kNeedle);
    for (int track : {1, 2}) {
        const TSourceSound source = ReadSourceSound(FixturePath("two_tracks.vob"), 48000, track);
        ASSERT_GT(source.frames(), 0);
        double score = 0;
        Locate(source.samples, needle, 2, 2 * 48000 + 1000 - source.firstSample, &score);
        if (track == 2)
            EXPECT_GT(score, 0.9);
        else
            EXPECT_LT(score, 0.3);
    }
}

TEST(RipCommand, ListTracksNamesEveryAudioStream) {
    const TProgramRun run =
        RunSonavel({QStringLiteral("--list-tracks"), FixturePath("two_tracks.mkv")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.trimmed().split(u'\n');
    ASSERT_EQ(lines.size(), 2) << run.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(u'1') && lines[0].contains(QStringLiteral("ac3")) &&
                lines[0].contains(QStringLiteral("eng")) &&
                lines[0].contains(QStringLiteral("48000")) &&
                lines[0].contains(QStringLiteral("0:00:10")))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith(u'2') && lines[1].contains(QStringLiteral("fra")));
    const TProgramRun none =
        RunSonavel({QStringLiteral("--list-tracks"), FixturePath("no_audio.mpg")});
    EXPECT_EQ(none.exitCode, 1);
}

TEST(RipCommand, EveryBadInputFailsCleanly) {
    const QString dir = FreshDir(QStringLiteral("bad"));
    const QString out = FreshDir(QStringLiteral("badout"));
    const QString mp3 = out + QStringLiteral("/x.mp3");
    const QByteArray vob = ReadFile(FixturePath("dvd_ac3_stereo.vob"));
    ASSERT_TRUE(WriteFile(dir + "/empty.vob", {}));
    QByteArray noise(300000, 0);
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((int64_t(i) * 7919 + int64_t(i >> 5) * 104729) & 0xFF);
    ASSERT_TRUE(WriteFile(dir + "/noise.vob", noise));
    ASSERT_TRUE(WriteFile(dir + "/cut.vob", vob.left(4096)));
    ASSERT_TRUE(WriteFile(dir + "/file", "x"));
    const QString good = FixturePath("dvd_ac3_stereo.vob");
    const QString rip = QStringLiteral("--rip");
    const QString o = QStringLiteral("-o");

    ExpectCleanFailure({rip, dir + "/missing.vob", o, mp3}, out);
    ExpectCleanFailure({rip, dir + "/empty.vob", o, mp3}, out);
    ExpectCleanFailure({rip, dir + "/noise.vob", o, mp3}, out);
    ExpectCleanFailure({rip, dir + "/cut.vob", o, mp3}, out);
    ExpectCleanFailure({rip, FixturePath("no_audio.mpg"), o, mp3}, out);
    ExpectCleanFailure({rip, good, o, mp3, QStringLiteral("--audio-track"), QStringLiteral("3")},
                       out);
    // A range beyond the end is an error, not an empty MP3.
    ExpectCleanFailure({rip, good, o, mp3, QStringLiteral("--start"), QStringLiteral("11")}, out);
    ExpectCleanFailure({rip, good, o, mp3, QStringLiteral("--end"), QStringLiteral("12")}, out);
    // Unwritable output, even as root: its parent is a regular file.
    ExpectCleanFailure({rip, good, o, dir + "/file/x.mp3"}, QString());
    EXPECT_FALSE(QFileInfo::exists(dir + "/file/x.mp3"));
    // Full disk: the file size limit is reached mid-run.
    ExpectCleanFailure({rip, good, o, mp3}, out, {},
                       {QStringLiteral("prlimit"), QStringLiteral("--fsize=60000")});
    // An existing output stays untouched without --force.
    ASSERT_TRUE(WriteFile(mp3, "old"));
    ExpectCleanFailure({rip, good, o, mp3}, out, {QStringLiteral("x.mp3")});
    EXPECT_EQ(ReadFile(mp3), QByteArray("old"));
    // A read error in the middle of the source (a scratch, a dropped mount) is a failure
    // with the system's reason, not a shorter file; the existing file stays.
    const qint64 half = QFileInfo(good).size() / 2;
    const QString damaged = ExpectCleanFailure(
        {rip, good, o, mp3, QStringLiteral("--start"), QStringLiteral("1"), QStringLiteral("--end"),
         QStringLiteral("9"), QStringLiteral("--force")},
        out, {QStringLiteral("x.mp3")},
        QStringList{QStringLiteral("env")} + ReadFaultEnvironment(good, half, half + 65536));
    EXPECT_TRUE(damaged.contains(QStringLiteral("Input/output error"))) << damaged.toStdString();
    EXPECT_EQ(ReadFile(mp3), QByteArray("old"));
}

TEST(RipCommand, ForceReplacesAndMissingFoldersAreMade) {
    const QString dir = FreshDir(QStringLiteral("force"));
    const QString mp3 = dir + QStringLiteral("/a/b/out.mp3");
    const QStringList args{QStringLiteral("--rip"), FixturePath("vcd_mp2.mpg"),
                           QStringLiteral("-o"),    mp3,
                           QStringLiteral("--end"), QStringLiteral("1.5")};
    ASSERT_EQ(RunSonavel(args).exitCode, 0);
    const QByteArray first = ReadFile(mp3);
    EXPECT_GT(first.size(), 1000);
    EXPECT_EQ(RunSonavel(args).exitCode, 1);
    const TProgramRun forced = RunSonavel(args + QStringList{QStringLiteral("--force")});
    EXPECT_EQ(forced.exitCode, 0) << forced.err.toStdString();
    EXPECT_EQ(FilesIn(dir + "/a/b"), QStringList{QStringLiteral("out.mp3")});
}

} // namespace

namespace {

// On a terminal (made by script(1)) a progress line with percent, speed and time left;
// --quiet prints nothing.
TEST(RipCommand, ProgressLineOnATerminalOnly) {
    const QString script = QStandardPaths::findExecutable(QStringLiteral("script"));
    if (script.isEmpty())
        GTEST_SKIP() << "script(1) not installed";
    const QString out = FreshDir(QStringLiteral("tty")) + QStringLiteral("/demo.mp3");
    const QString command = BinDir() + QStringLiteral("/sonavel --rip ") + FixturePath("demo.mpg") +
                            QStringLiteral(" -o ") + out + QStringLiteral(" --force");
    const TProgramRun shown =
        RunWithHive(script, {QStringLiteral("-qec"), command, QStringLiteral("/dev/null")});
    EXPECT_EQ(shown.exitCode, 0) << shown.out.toStdString();
    EXPECT_TRUE(shown.out.contains(QStringLiteral("100% [")) &&
                shown.out.contains(QStringLiteral("x realtime")) &&
                shown.out.contains(QStringLiteral(" left")))
        << shown.out.toStdString();
    const TProgramRun quiet =
        RunWithHive(script, {QStringLiteral("-qec"), command + QStringLiteral(" --quiet"),
                             QStringLiteral("/dev/null")});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_TRUE(quiet.out.trimmed().isEmpty()) << quiet.out.toStdString();
}

} // namespace

// Sources and lists that can be read only once: a pipe as the source is refused at once
// with the reason (it used to hang rewinding it), and so is a pipe as the list of
// --tracks (it used to wait for the list's writer until Ctrl+C or kill ended it), before
// any rip began; the listings too. A bit rate the sample rate cannot carry is refused before
// anything is read, never changed.
TEST(RipCommand, PipesInterruptsAndUncarriedRatesEndAtOnce) {
    const QString dir = FreshDir(QStringLiteral("pipes"));
    const QString out = FreshDir(QStringLiteral("pipesout"));
    const QString fifo = dir + QStringLiteral("/fifo.mpg");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString rip = QStringLiteral("--rip"), o = QStringLiteral("-o");
    const QString mp3 = out + QStringLiteral("/x.mp3");
    const QString why =
        ExpectCleanFailure({rip, fifo, o, mp3, QStringLiteral("--start"), QStringLiteral("1"),
                            QStringLiteral("--end"), QStringLiteral("2")},
                           out);
    EXPECT_TRUE(why.contains(QStringLiteral("it is a pipe, which can be read only once")))
        << why.toStdString();
    const QString list = ExpectCleanFailure(
        {rip, FixturePath("dvd_ac3_stereo.vob"), QStringLiteral("--tracks"), fifo, o, out + u'/'},
        out);
    EXPECT_TRUE(list.contains(QStringLiteral("it is a pipe, which can be read only once")))
        << list.toStdString();
    // The listings read the source as the rip does, and say the same.
    for (const char* listing : {"--list-tracks", "--list-chapters", "--list-pauses"}) {
        const TProgramRun listed = RunSonavel({QString::fromLatin1(listing), fifo});
        EXPECT_EQ(listed.exitCode, 1) << listing;
        EXPECT_EQ(listed.err.trimmed(),
                  QStringLiteral("sonavel: cannot read \"%1\": it is a pipe, which can be read "
                                 "only once; save it to a file and rip that")
                      .arg(fifo))
            << listing;
    }

    const TProgramRun low =
        RunSonavel({rip, FixturePath("dvd_ac3_stereo.vob"), o, mp3, QStringLiteral("--bitrate"),
                    QStringLiteral("8"), QStringLiteral("--samplerate"), QStringLiteral("44100")});
    EXPECT_EQ(low.exitCode, 2);
    EXPECT_EQ(low.err.trimmed(),
              QStringLiteral("sonavel: --bitrate 8: An MP3 at 44100 Hz cannot have a constant "
                             "bit rate of 8 kbit/s; it can have 32, 40, 48, 56, 64, 80, 96, "
                             "112, 128, 160, 192, 224, 256, 320 kbit/s."));
    EXPECT_EQ(FilesIn(out), QStringList());
}
