// TStreamAudioIn and its reader on the generated sources: range, clamps, conversions.

#include "support/program_run.h"

#include "app/globals.h"
#include "app/output_settings.h"
#include "audio/pipeline/audio_exception.h"
#include "audio/pipeline/stream_audio_in.h"
#include "audio/rip/mp3_out.h"
#include "program/command_rip.h"
#include "support/decoded_audio.h"
#include "support/read_fault.h"
#include "support/test_env.h"

#include "audio/mp3_out_outcome.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>
#include <unistd.h>

namespace {

constexpr TMediaTime kSecond = TMediaTime::FromSeconds(1);

constexpr TMediaTime Units(int64_t units) {
    return TMediaTime::FromUnits(units);
}

// Everything the input delivers from BeginRead to the end, in requests of `request` bytes.
std::vector<uint8_t> ReadAllData(TStreamAudioIn& in, int request = 16384) {
    std::vector<uint8_t> all;
    std::vector<uint8_t> block(static_cast<size_t>(request));
    in.BeginRead();
    for (;;) {
        const int n = in.ReadData(block.data(), request);
        if (n == 0)
            break;
        all.insert(all.end(), block.begin(), block.begin() + n);
    }
    in.EndRead();
    return all;
}

TEST(StreamAudioIn, RangeIsCutToItsFirstAndLastSample) {
    TStreamAudioIn in;
    in.FileName = FixturePath("dvd_ac3_stereo.vob");
    in.OpenSource();
    TAudioFileReader& reader = *in.Reader();
    in.SetStartTime(2 * kSecond + Units(3333));
    in.SetLength(kSecond / 2 + Units(77));
    // Noted only: the seek is the reading thread's, at its first read.
    EXPECT_TRUE(reader.Seeking);
    const std::vector<uint8_t> data = ReadAllData(in);
    EXPECT_FALSE(reader.Seeking);
    const int64_t first = reader.TimeToSample(2 * kSecond + Units(3333));
    const int64_t end = reader.TimeToSample(2 * kSecond + Units(3333) + kSecond / 2 + Units(77));
    ASSERT_EQ(int64_t(data.size()), (end - first) * 4);
    EXPECT_EQ(reader.CurrentTime.load(), 2 * kSecond + Units(3333) + kSecond / 2 + Units(77));
    // Byte for byte the source's own sound from that sample on: no straddling block.
    const TSourceSound source = ReadSourceSound(FixturePath("dvd_ac3_stereo.vob"));
    const int64_t at = (first - source.firstSample) * 2;
    ASSERT_GT(int64_t(source.samples.size()), at + int64_t(data.size()) / 2);
    EXPECT_EQ(std::memcmp(data.data(), source.samples.data() + at, data.size()), 0);
    in.CloseSource();
    EXPECT_EQ(in.Reader(), nullptr);
}

TEST(StreamAudioIn, RangeClamps) {
    TStreamAudioIn in;
    in.FileName = FixturePath("vcd_mp2.mpg");
    in.OpenSource();
    TAudioFileReader& reader = *in.Reader();
    in.SetStartTime(Units(-1));
    EXPECT_EQ(reader.StartTime, Units(0));
    EXPECT_EQ(reader.CurrentTime.load(), Units(0));
    EXPECT_FALSE(reader.Seeking);
    in.SetLength(Units(50000));
    EXPECT_EQ(reader.LengthTime, Units(100000));
    in.SetLength(Units(-5));
    EXPECT_EQ(reader.LengthTime, Units(100000));
    in.SetLength(Units(0));
    EXPECT_EQ(reader.LengthTime, Units(0));
    in.SetLength(Units(3000000000000000));
    EXPECT_EQ(reader.LengthTime, Units(1000000000000000));
    // A range of 10 ms at 44.1 kHz holds 441 frames.
    in.SetStartTime(kSecond);
    in.SetLength(Units(1));
    EXPECT_EQ(ReadAllData(in).size(), 441u * 4);
    in.CloseSource();
    EXPECT_THROW(in.SetStartTime(Units(0)), EAudioException);
}

TEST(StreamAudioIn, MonoEightBitIsWidenedOrMadeFloatAndDuplicated) {
    TStreamAudioIn in;
    in.FileName = FixturePath("mono_u8.avi");
    EXPECT_EQ(in.GetChannels(), 2);
    EXPECT_EQ(in.GetBitsPerSample(), 16);
    EXPECT_EQ(in.GetSampleRate(), 22050);
    in.OpenSource();
    EXPECT_TRUE(in.Reader()->MonoToStereo);
    EXPECT_TRUE(in.Reader()->Widen8To16);
    const std::vector<uint8_t> data = ReadAllData(in, 1000);
    in.CloseSource();
    const auto* s = reinterpret_cast<const int16_t*>(data.data());
    const size_t frames = data.size() / 4;
    EXPECT_NEAR(double(frames), 6.0 * 22050, 2205);
    int peak = 0;
    for (size_t i = 0; i < frames; ++i) {
        ASSERT_EQ(s[2 * i], s[2 * i + 1]) << i;
        ASSERT_EQ(s[2 * i] & 0xFF, 0);
        peak = std::max(peak, std::abs(int(s[2 * i])));
    }
    // The silent gap (0.8 s to 0.95 s) is silence, not a shifted middle value.
    for (size_t i = size_t(0.8 * 22050); i < size_t(0.95 * 22050); ++i)
        ASSERT_LE(std::abs(int(s[2 * i])), 256) << i;
    EXPECT_GT(peak, 0.5 * 32768);

    // Asked for float, the same sound arrives as floats at full scale +-1.0: converted
    // once from the 8-bit bytes, so every sample is exactly the 16-bit one / 32768.
    TStreamAudioIn floating;
    floating.FileName = FixturePath("mono_u8.avi");
    floating.FormatOverride = TPcmFormat{0, 0, TAudioInput::FloatBits};
    EXPECT_EQ(floating.GetBitsPerSample(), 32);
    EXPECT_EQ(floating.GetChannels(), 2);
    floating.OpenSource();
    EXPECT_EQ(floating.Size, floating.Reader()->DurationSamples * 8);
    const std::vector<uint8_t> floatData = ReadAllData(floating, 1000);
    floating.CloseSource();
    ASSERT_EQ(floatData.size(), frames * 8);
    const auto* f = reinterpret_cast<const float*>(floatData.data());
    for (size_t i = 0; i < frames * 2; ++i)
        ASSERT_EQ(f[i] * 32768.0f, float(s[i])) << i;
}

TEST(StreamAudioIn, InPlaceExpansions) {
    uint8_t widen[8] = {0, 128, 255, 1};
    Widen8To16InPlace(widen, 4);
    const int16_t wide[4] = {-32768, 0, 32512, -32512};
    EXPECT_EQ(std::memcmp(widen, wide, 8), 0);
    int16_t mono[8] = {1, -2, 300, 0};
    MonoToStereoInPlace(reinterpret_cast<uint8_t*>(mono), 6);
    const int16_t stereo[6] = {1, 1, -2, -2, 300, 300};
    EXPECT_EQ(std::memcmp(mono, stereo, sizeof stereo), 0);
    float monoFloat[6] = {0.5f, -1.25f, 1e-7f};
    MonoToStereoInPlace(reinterpret_cast<uint8_t*>(monoFloat), 12, 4);
    const float stereoFloat[6] = {0.5f, 0.5f, -1.25f, -1.25f, 1e-7f, 1e-7f};
    EXPECT_EQ(std::memcmp(monoFloat, stereoFloat, sizeof stereoFloat), 0);
}

TEST(StreamAudioIn, SizeComesFromTheExactLength) {
    TStreamAudioIn in;
    in.FileName = FixturePath("short.mpg");
    ASSERT_NO_THROW(in.OpenSource()); // under a second: no division by zero
    const TAudioFileReader& reader = *in.Reader();
    EXPECT_GT(reader.DurationSamples, 0);
    EXPECT_EQ(in.Size, reader.DurationSamples * 4);
    EXPECT_GT(in.TicksPerByte, 0);
    EXPECT_EQ(in.GetLengthSeconds(), 1); // 0.6 s rounds to 1
    const std::vector<uint8_t> data = ReadAllData(in);
    EXPECT_NEAR(double(data.size()), double(in.Size), 48000 * 4 * 0.05);
    in.CloseSource();
}

TEST(StreamAudioIn, StartBeyondTheEndDeliversNothing) {
    TStreamAudioIn in;
    in.FileName = FixturePath("dvd_ac3_stereo.vob");
    in.OpenSource();
    in.SetStartTime(in.Reader()->Duration + kSecond);
    EXPECT_TRUE(ReadAllData(in).empty());
    in.CloseSource();
}

TEST(StreamAudioIn, ReadsOutsideARunAndEmptyReadsRaise) {
    TStreamAudioIn in;
    in.FileName = FixturePath("dvd_ac3_stereo.vob");
    uint8_t block[16];
    EXPECT_THROW(in.ReadData(block, 16), Exception);
    in.OpenSource();
    try {
        in.Reader()->Read(block, 0);
        ADD_FAILURE() << "no error for size 0";
    } catch (const EAudioReadError& e) {
        EXPECT_EQ(e.ErrorCode, 0x08000001);
        EXPECT_EQ(e.Message(), QStringLiteral("Invalid buffer size."));
    }
    in.CloseSource();
    TStreamAudioIn missing;
    missing.FileName = FixturePath("no_audio.mpg");
    try {
        missing.OpenSource();
        ADD_FAILURE() << "opened a source without sound";
    } catch (const EAudioReadError& e) {
        EXPECT_EQ(e.ErrorCode, int32_t(0x80040403));
    }
    EXPECT_EQ(missing.Reader(), nullptr);
}

TEST(StreamAudioIn, CurrentTimeOnlyMovesForwardWhilePolled) {
    TStreamAudioIn in;
    in.FileName = FixturePath("vcd_mp2.dat");
    in.OpenSource();
    in.SetStartTime(kSecond);
    in.SetLength(5 * kSecond);
    std::atomic<bool> reading{true};
    std::vector<TMediaTime> seen;
    std::thread worker([&] {
        ReadAllData(in, 4000);
        reading = false;
    });
    while (reading)
        seen.push_back(in.CurrentTime());
    worker.join();
    seen.push_back(in.CurrentTime());
    for (size_t i = 1; i < seen.size(); ++i)
        ASSERT_LE(seen[i - 1], seen[i]);
    EXPECT_EQ(seen.back(), 6 * kSecond);
    in.CloseSource();
}

// Rips all of `source` on two threads in parts of 1 to 2 s into `output`; once both
// threads wait in reads between 30 % and 85 % of it (not what opening a part reads: its
// first seconds and its end), `change` runs, then the reads go on. Answers the run's
// error, empty when it succeeded.
QString RipWhileChanged(const QString& source, const QString& output,
                        const std::function<void()>& change) {
    TStreamAudioIn in;
    in.FileName = source;
    in.FormatOverride = {48000, 0, TAudioInput::FloatBits};
    in.OpenSource();
    TMP3Out out;
    out.Jobs = 2;
    out.Tuning = {1, 2};
    out.SampleRate = sr48kHz;
    out.BitRate = br192;
    out.FileName = output;
    TOutcome outcome;
    outcome.Attach(out);
    out.SetInput(&in);
    const qint64 size = QFileInfo(source).size();
    HoldReads(source, size * 3 / 10, size * 85 / 100);
    out.Run();
    const bool held = WaitUntil([] { return HeldReads() >= 2; }, 60000);
    if (held)
        change();
    DisarmReadFault();
    EXPECT_TRUE(held);
    EXPECT_TRUE(outcome.Wait());
    return outcome.failed ? outcome.Error() : QString();
}

// The file a parallel rip opened is the file every part reads: one saved over it by
// rename while the rip runs changes nothing, and one cut short in place fails the rip
// (rather than ending the MP3 early) and leaves no file.
TEST(StreamAudioIn, EveryPartReadsTheFileTheRunOpened) {
    const QString dir = FreshDir(QStringLiteral("changed"));
    const QString source = dir + QStringLiteral("/source.mpg");
    const QString other = dir + QStringLiteral("/other.mpg");
    ASSERT_TRUE(QFile::copy(FixturePath("dvd_concert.mpg"), source));
    ASSERT_TRUE(QFile::copy(FixturePath("dvd_title_a.mpg"), other));
    const TSourceSound sound = ReadSourceSound(source, 48000);

    const QString replaced = dir + QStringLiteral("/replaced.mp3");
    const QString error = RipWhileChanged(source, replaced, [&] {
        ASSERT_EQ(
            ::rename(QFile::encodeName(other).constData(), QFile::encodeName(source).constData()),
            0);
    });
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    const DecodedAudio mp3 = DecodeAudioFile(replaced);
    ASSERT_TRUE(mp3.ok) << mp3.error.toStdString();
    EXPECT_NEAR(double(mp3.frames()) / 48000, 30.0, 0.05);
    // Its last seconds, read after the rename, are still the first file's sound.
    const int64_t probe = 48000;
    const int64_t from = mp3.frames() - probe - 4800;
    const std::vector<int16_t> tail(mp3.samples.begin() + from * 2,
                                    mp3.samples.begin() + (from + probe) * 2);
    const int64_t expected = from + sound.SampleAt(TMediaTime()) - sound.firstSample;
    double score = 0;
    FindBestOffset(sound.samples, tail, 2, expected - 2000, expected + 2000, &score);
    EXPECT_GT(score, 0.9);

    // Cut short in place (same file, fewer bytes) while the parts wait to read on.
    ASSERT_TRUE(QFile::copy(FixturePath("dvd_concert.mpg"), other));
    const QString cut = dir + QStringLiteral("/cut.mp3");
    const QString why = RipWhileChanged(other, cut, [&] {
        ASSERT_EQ(::truncate(QFile::encodeName(other).constData(), QFileInfo(other).size() / 4), 0);
    });
    EXPECT_TRUE(why.contains(QStringLiteral("changed while it was being read")))
        << why.toStdString();
    EXPECT_FALSE(QFileInfo::exists(cut));
    EXPECT_EQ(FilesIn(dir),
              (QStringList{QStringLiteral("other.mpg"), QStringLiteral("replaced.mp3"),
                           QStringLiteral("source.mpg")}));

    // A rate an MP3 cannot keep is read again at its family's: from the file opened, not
    // from what its name names by then (a 44.1 kHz file of another length).
    const QString low = dir + QStringLiteral("/low.avi");
    ASSERT_TRUE(QFile::copy(FixturePath("mono_u8.avi"), low));
    const QString next = dir + QStringLiteral("/next.mpg");
    ASSERT_TRUE(QFile::copy(FixturePath("vcd_mp2.mpg"), next));
    TStreamAudioIn in;
    in.FileName = low;
    in.FormatOverride = {0, 0, TAudioInput::FloatBits};
    in.OpenSource();
    ASSERT_EQ(in.Reader()->StreamFormat.sampleRate, 22050);
    const TMediaTime length = in.Reader()->Duration;
    ASSERT_EQ(::rename(QFile::encodeName(next).constData(), QFile::encodeName(low).constData()), 0);
    in.ReopenAtRate(44100);
    EXPECT_EQ(in.Reader()->Format.sampleRate, 44100);
    EXPECT_EQ(in.Reader()->Duration, length);
    EXPECT_EQ(in.GetSampleRate(), 44100);
    // What the run is told of the source's size, in the PCM now delivered.
    EXPECT_EQ(in.Size.load(), in.Reader()->DurationSamples * in.Reader()->Format.BlockAlign());
    EXPECT_NEAR(double(in.Reader()->DurationSamples) / 44100, length.ToMs() / 1000.0, 0.001);
    in.CloseSource();
}

// A list whose third file cannot be put in place (a file of its name appeared while the
// list was ripped, and replacing was not allowed) keeps its first two files, with their
// own loudness values only: album values stand for a whole list. In every format: the
// files already renamed have their tags written again in place.
TEST(StreamAudioIn, AListThatFailsKeepsItsFilesWithTheirOwnValues) {
    struct TCase {
        TOutputFormat format;
        int rate;
        const char *track, *album;
    };
    for (const TCase c : {TCase{ofMP3, 44100, "REPLAYGAIN_TRACK_GAIN", "REPLAYGAIN_ALBUM_GAIN"},
                          TCase{ofFLAC, 44100, "REPLAYGAIN_TRACK_GAIN", "REPLAYGAIN_ALBUM_GAIN"},
                          TCase{ofOpus, 48000, "R128_TRACK_GAIN", "R128_ALBUM_GAIN"}}) {
        const QString ext = FormatExtension(c.format);
        SCOPED_TRACE(ext.toStdString());
        const QString dir = FreshDir(QStringLiteral("race"));
        TStreamAudioIn in;
        in.FileName = FixturePath("vcd_mp2.mpg");
        in.FormatOverride = RipInputFormat(c.format, c.rate, c.rate);
        in.OpenSource();
        TMP3Out out;
        out.Format = c.format;
        out.SampleRate = sr41kHz;
        out.ReplayGain = true;
        const int64_t length = c.rate * 3 / 2;
        for (int k = 0; k < 5; ++k) {
            TRipJob job;
            job.First = int64_t(k) * length;
            job.End = job.First + length;
            job.FileName = dir + QStringLiteral("/%1").arg(k + 1) + ext;
            job.Replace = false;
            job.Tag.Title = QStringLiteral("Track %1").arg(k + 1);
            out.Tracks.push_back(job);
        }
        ASSERT_TRUE(WriteFile(dir + QStringLiteral("/3") + ext, "appeared meanwhile"));
        TOutcome outcome;
        outcome.Attach(out);
        out.SetInput(&in);
        out.Run();
        ASSERT_TRUE(outcome.Wait());
        ASSERT_EQ(outcome.failed, 1);
        EXPECT_EQ(out.FailedJob(), 2);
        EXPECT_EQ(FilesIn(dir), (QStringList{QStringLiteral("1") + ext, QStringLiteral("2") + ext,
                                             QStringLiteral("3") + ext}));
        EXPECT_EQ(ReadFile(dir + QStringLiteral("/3") + ext), QByteArray("appeared meanwhile"));
        for (const char* name : {"/1", "/2"}) {
            const DecodedAudio file = DecodeAudioFile(dir + QLatin1String(name) + ext);
            ASSERT_TRUE(file.ok) << file.error.toStdString();
            EXPECT_EQ(file.frames(), length) << name;
            EXPECT_TRUE(file.tags.contains(QLatin1String(c.track))) << name;
            EXPECT_FALSE(file.tags.contains(QLatin1String(c.album))) << name;
        }
    }
}

} // namespace

namespace {

TEST(RipSettings, StoredSettingsMapAsTheWindowDoes) {
    const TAppSettings saved = AppSettings;
    TMP3Out out;
    out.BitRate = br192;
    AppSettings.AudioBitrate = 100; // not in the table: the bit rate stays
    AppSettings.AudioSampleRate = 22050;
    AppSettings.AudioChannels = 7;
    AppSettings.AudioVBR = true;
    ApplySettingsToOutput(out, AppSettings, CurrentTag);
    EXPECT_EQ(out.BitRate, br192);
    EXPECT_EQ(out.SampleRate, sr41kHz);
    EXPECT_EQ(out.Mode, TMP3Mode::MONO);
    EXPECT_TRUE(out.EnableVBR && out.WriteVBRHeader);
    const TMP3Mode modes[] = {TMP3Mode::DUAL_CHANNEL, TMP3Mode::STEREO, TMP3Mode::JOINT_STEREO,
                              TMP3Mode::MONO};
    for (int i = 0; i < 4; ++i) {
        AppSettings.AudioChannels = i;
        ApplySettingsToOutput(out, AppSettings, CurrentTag);
        EXPECT_EQ(out.Mode, modes[i]);
    }
    AppSettings.AudioBitrate = 320;
    AppSettings.AudioSampleRate = 32000;
    ApplySettingsToOutput(out, AppSettings, CurrentTag);
    EXPECT_EQ(out.BitRate, br320);
    EXPECT_EQ(out.SampleRate, sr32kHz);
    AppSettings = saved;
}

} // namespace
