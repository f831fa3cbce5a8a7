// The MP3 output, judged by FFmpeg's decoder: format, bit rates, exact length, tags,
// and what the file system holds after complete, aborted and failed runs.

#include "audio_test_doubles.h"
#include "mp3_out_outcome.h"

#include "audio/mp3/lame.h"
#include "audio/rip/mp3_out.h"
#include "support/decoded_audio.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/resource.h>

namespace {

// The decoded signal is the input itself, frame for frame: same length, no shift.
void ExpectSameTimeline(const DecodedAudio& Decoded, const std::vector<int16_t>& Input,
                        int Channels) {
    const int64_t frames = int64_t(Input.size()) / Channels;
    EXPECT_EQ(Decoded.frames(), frames);
    const int64_t at = frames / 2;
    const std::vector<int16_t> needle(Input.begin() + at * Channels,
                                      Input.begin() + (at + 4096) * Channels);
    double score = 0;
    const int64_t found =
        FindBestOffset(Decoded.samples, needle, Channels, at - 200, at + 200, &score, 4096);
    EXPECT_EQ(found, at);
    EXPECT_GT(score, 0.95);
}

double Rms(const std::vector<int16_t>& Samples) {
    double sum = 0;
    for (int16_t v : Samples)
        sum += double(v) * v;
    return Samples.empty() ? 0 : std::sqrt(sum / double(Samples.size()));
}

// The same samples as 32-bit floats at full scale +-1.0.
std::vector<uint8_t> AsFloatBytes(const std::vector<int16_t>& Samples) {
    std::vector<float> f(Samples.size());
    for (size_t i = 0; i < f.size(); ++i)
        f[i] = float(Samples[i]) / 32768.0f;
    std::vector<uint8_t> b(f.size() * sizeof(float));
    std::memcpy(b.data(), f.data(), b.size());
    return b;
}

QStringList DirEntries(const QString& Dir) {
    return QDir(Dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

QByteArray Id3v1(const QString& Path) {
    return ReadFile(Path).right(128);
}

} // namespace

TEST(MP3Out, ConstantBitRateIsExactAndGapless) {
    const QString dir = FreshDir(QStringLiteral("cbr"));
    const int64_t frames = 132301; // not a whole number of MP3 frames
    const auto pcm = TestSignal(frames, 2, 44100);
    TPcmInput in(TPcmInput::FromSamples(pcm), 2, 44100);
    TMP3Out out;
    out.BitRate = br192;
    out.Quality = ql2;
    out.SampleRate = sr41kHz;
    out.Original = false;
    EncodeOk(out, in, dir + QStringLiteral("/cbr.mp3"));

    const Mp3FrameScan scan = ScanMp3Frames(dir + QStringLiteral("/cbr.mp3"));
    EXPECT_EQ(scan.sampleRate, 44100);
    EXPECT_EQ(scan.modeBits, 0);
    EXPECT_EQ(scan.infoTag, QStringLiteral("Info"));
    ASSERT_FALSE(scan.bitratesKbps.empty());
    for (int kbps : scan.bitratesKbps)
        ASSERT_EQ(kbps, 192);
    const DecodedAudio dec = DecodeAudioFile(dir + QStringLiteral("/cbr.mp3"));
    ASSERT_TRUE(dec.ok) << dec.error.toStdString();
    EXPECT_EQ(dec.channels, 2);
    EXPECT_EQ(dec.sampleRate, 44100);
    ExpectSameTimeline(dec, pcm, 2);
    EXPECT_EQ(in.EndReads, 1);
    EXPECT_EQ(DirEntries(dir), QStringList{QStringLiteral("cbr.mp3")});
    EXPECT_EQ(QFileInfo(dir + QStringLiteral("/cbr.mp3")).permissions() & 0x7777,
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser |
                  QFile::ReadGroup | QFile::ReadOther);
}

TEST(MP3Out, VariableBitRateStaysWithinItsLimits) {
    const QString dir = FreshDir(QStringLiteral("vbr"));
    const int64_t frames = 3 * 44100 + 77;
    const auto pcm = TestSignal(frames, 2, 44100);
    TPcmInput in(TPcmInput::FromSamples(pcm), 2, 44100);
    TMP3Out out;
    out.EnableVBR = true;
    out.WriteVBRHeader = true;
    out.VBRQuality = ql2;
    out.VBRMinBitrate = 192; // given the wrong way round
    out.VBRMaxBitrate = 128;
    out.Mode = TMP3Mode::JOINT_STEREO;
    EncodeOk(out, in, dir + QStringLiteral("/vbr.mp3"));
    EXPECT_EQ(out.VBRMinBitrate, 128);
    EXPECT_EQ(out.VBRMaxBitrate, 192);

    const Mp3FrameScan scan = ScanMp3Frames(dir + QStringLiteral("/vbr.mp3"));
    EXPECT_EQ(scan.infoTag, QStringLiteral("Xing"));
    EXPECT_EQ(scan.modeBits, 1);
    ASSERT_FALSE(scan.bitratesKbps.empty());
    for (int kbps : scan.bitratesKbps) {
        ASSERT_GE(kbps, 128);
        ASSERT_LE(kbps, 192);
    }
    const DecodedAudio dec = DecodeAudioFile(dir + QStringLiteral("/vbr.mp3"));
    ASSERT_TRUE(dec.ok) << dec.error.toStdString();
    ExpectSameTimeline(dec, pcm, 2);
}

TEST(MP3Out, ChannelModesAndSampleRates) {
    const QString dir = FreshDir(QStringLiteral("modes"));
    const TMP3Mode modes[] = {TMP3Mode::STEREO, TMP3Mode::JOINT_STEREO, TMP3Mode::DUAL_CHANNEL,
                              TMP3Mode::MONO};
    for (TMP3Mode mode : modes) {
        auto in = SignalInput(20000, 2, 44100);
        TMP3Out out;
        out.Mode = mode;
        const QString path = dir + QStringLiteral("/m%1.mp3").arg(int(mode));
        EncodeOk(out, *in, path);
        EXPECT_EQ(ScanMp3Frames(path).modeBits, int(mode));
        EXPECT_EQ(DecodeAudioFile(path).channels, mode == TMP3Mode::MONO ? 1 : 2);
    }
    const std::pair<TMP3SampleRate, int> rates[] = {
        {srDefault, 48000}, {sr32kHz, 32000}, {sr41kHz, 44100}, {sr48kHz, 48000}};
    for (auto [rate, hz] : rates) {
        auto in = SignalInput(20000, 2, 48000);
        TMP3Out out;
        out.SampleRate = rate;
        const QString path = dir + QStringLiteral("/r%1.mp3").arg(int(rate));
        EncodeOk(out, *in, path);
        EXPECT_EQ(ScanMp3Frames(path).sampleRate, hz);
        EXPECT_EQ(DecodeAudioFile(path).sampleRate, hz);
    }
}

TEST(MP3Out, MonoEightBitAndFloatInputs) {
    const QString dir = FreshDir(QStringLiteral("mono"));
    // Mono 16-bit into a mono file at the input's own rate.
    const int64_t frames = 48000 + 1234;
    const auto pcm = TestSignal(frames, 1, 48000);
    TPcmInput in(TPcmInput::FromSamples(pcm), 1, 48000);
    TMP3Out out;
    out.Mode = TMP3Mode::MONO;
    out.BitRate = br128;
    EncodeOk(out, in, dir + QStringLiteral("/mono.mp3"));
    DecodedAudio dec = DecodeAudioFile(dir + QStringLiteral("/mono.mp3"));
    ASSERT_TRUE(dec.ok);
    EXPECT_EQ(dec.channels, 1);
    ExpectSameTimeline(dec, pcm, 1);

    // Mono into a stereo file: the same samples on both sides.
    TMP3Out stereo;
    stereo.Mode = TMP3Mode::STEREO;
    EncodeOk(stereo, in, dir + QStringLiteral("/both.mp3"));
    dec = DecodeAudioFile(dir + QStringLiteral("/both.mp3"));
    ASSERT_EQ(dec.channels, 2);
    int worst = 0;
    for (size_t i = 0; i + 1 < dec.samples.size(); i += 2)
        worst = std::max(worst, std::abs(dec.samples[i] - dec.samples[i + 1]));
    EXPECT_LE(worst, 2);
    std::vector<int16_t> left(dec.samples.size() / 2);
    for (size_t i = 0; i < left.size(); ++i)
        left[i] = dec.samples[2 * i];
    DecodedAudio leftOnly = dec;
    leftOnly.channels = 1;
    leftOnly.samples = left;
    ExpectSameTimeline(leftOnly, pcm, 1);

    // Unsigned 8-bit samples are widened, not taken as 16-bit noise.
    std::vector<uint8_t> u8(pcm.size());
    std::vector<int16_t> widened(pcm.size());
    for (size_t i = 0; i < pcm.size(); ++i) {
        u8[i] = uint8_t((pcm[i] >> 8) + 128);
        widened[i] = int16_t((int(u8[i]) - 128) * 256);
    }
    TPcmInput in8(u8, 1, 48000, 8);
    TMP3Out out8;
    out8.Mode = TMP3Mode::MONO;
    EncodeOk(out8, in8, dir + QStringLiteral("/u8.mp3"));
    dec = DecodeAudioFile(dir + QStringLiteral("/u8.mp3"));
    ASSERT_TRUE(dec.ok);
    ExpectSameTimeline(dec, widened, 1);

    // Float samples at full scale +-1.0 make the file the same samples in 16 bits make:
    // the same timeline and, to a hundredth of a decibel, the same loudness (the other
    // scale LAME knows for floats would be 90 dB off). Stereo, and mono into both sides.
    const auto stereoPcm = TestSignal(frames, 2, 48000);
    for (int channels : {2, 1}) {
        SCOPED_TRACE(channels);
        const auto& samples = channels == 2 ? stereoPcm : pcm;
        const QString name = dir + QStringLiteral("/s16_%1.mp3").arg(channels);
        TPcmInput in16(TPcmInput::FromSamples(samples), channels, 48000);
        TMP3Out out16;
        EncodeOk(out16, in16, name);
        TPcmInput inFloat(AsFloatBytes(samples), channels, 48000, 32);
        TMP3Out outFloat;
        EncodeOk(outFloat, inFloat, name + QStringLiteral(".float.mp3"));
        const DecodedAudio fromS16 = DecodeAudioFile(name);
        dec = DecodeAudioFile(name + QStringLiteral(".float.mp3"));
        ASSERT_TRUE(dec.ok && fromS16.ok);
        ASSERT_EQ(dec.channels, 2);
        if (channels == 2) {
            ExpectSameTimeline(dec, samples, 2);
        } else {
            std::vector<int16_t> right(dec.samples.size() / 2);
            for (size_t i = 0; i < right.size(); ++i)
                right[i] = dec.samples[2 * i + 1];
            DecodedAudio rightOnly = dec;
            rightOnly.channels = 1;
            rightOnly.samples = right;
            ExpectSameTimeline(rightOnly, samples, 1);
        }
        EXPECT_NEAR(20 * std::log10(Rms(dec.samples) / Rms(fromS16.samples)), 0.0, 0.01);
    }
}

TEST(MP3Out, TagsKeepWholeTextsInAnyScriptAndAnId3v1Copy) {
    const QString dir = FreshDir(QStringLiteral("tags"));
    QString title = QStringLiteral("Καφές ★ 音楽 Ünïcödé ");
    while (title.size() < 255)
        title += QStringLiteral("Ωμέγα 終わり ");
    title.truncate(255);
    ASSERT_EQ(title.size(), 255);
    auto in = SignalInput(30000, 2, 44100);
    TMP3Out out;
    out.Id3TagTitle = title;
    out.Id3TagArtist = QStringLiteral("Сергей Рахманинов 🎹"); // and beyond 16 bits
    out.Id3TagAlbum = QStringLiteral("Album 專輯");
    out.Id3TagYear = QStringLiteral("1999");
    out.Id3TagTrack = QStringLiteral("7");
    out.Id3TagComment = QStringLiteral("Σχόλιο: ripped from a DVD");
    out.Id3TagGenre = QStringLiteral("Rock");
    const QString path = dir + QStringLiteral("/tags.mp3");
    EncodeOk(out, *in, path);

    const DecodedAudio dec = DecodeAudioFile(path);
    ASSERT_TRUE(dec.ok);
    EXPECT_EQ(dec.tags.value(QStringLiteral("title")), title);
    EXPECT_EQ(dec.tags.value(QStringLiteral("artist")), out.Id3TagArtist);
    EXPECT_EQ(dec.tags.value(QStringLiteral("album")), out.Id3TagAlbum);
    EXPECT_EQ(dec.tags.value(QStringLiteral("date")), QStringLiteral("1999"));
    EXPECT_EQ(dec.tags.value(QStringLiteral("track")), QStringLiteral("7"));
    EXPECT_EQ(dec.tags.value(QStringLiteral("comment")), out.Id3TagComment);
    EXPECT_EQ(dec.tags.value(QStringLiteral("genre")), QStringLiteral("Rock"));
    ExpectSameTimeline(dec, TestSignal(30000, 2, 44100), 2);

    const Mp3FrameScan scan = ScanMp3Frames(path);
    EXPECT_TRUE(scan.hasId3v2);
    EXPECT_TRUE(scan.hasId3v1);
    EXPECT_TRUE(ReadFile(path).startsWith("ID3\x03"));
    const QByteArray v1 = Id3v1(path);
    // Never a '?' for a character Latin-1 lacks: the star has no Latin spelling, so the
    // field stays empty (the Latin spelling itself is the tag tests' business).
    EXPECT_EQ(v1.mid(3, 30), QByteArray(30, '\0'));
    EXPECT_EQ(v1.mid(93, 4), QByteArray("1999"));
    EXPECT_EQ(v1[125], '\0');
    EXPECT_EQ(v1[126], '\x07');
    EXPECT_EQ(uint8_t(v1[127]), 17); // Rock

    // A genre that is not a listed name: whole in ID3v2, "Other" in ID3v1. Numbers work.
    const std::pair<QString, std::pair<QString, int>> genres[] = {
        {QStringLiteral("Ελληνικό λαϊκό"), {QStringLiteral("Ελληνικό λαϊκό"), 12}},
        {QStringLiteral("17"), {QStringLiteral("Rock"), 17}},
    };
    for (const auto& [genre, expected] : genres) {
        auto in2 = SignalInput(5000, 2, 44100);
        TMP3Out out2;
        out2.Id3TagGenre = genre;
        EncodeOk(out2, *in2, path);
        EXPECT_EQ(DecodeAudioFile(path).tags.value(QStringLiteral("genre")), expected.first);
        EXPECT_EQ(uint8_t(Id3v1(path)[127]), expected.second);
    }

    // Longer texts are cut to 255 characters, and a character beyond 16 bits is never
    // split into half a surrogate pair (a malformed frame).
    const QString note = QStringLiteral("\U0001F3B5");
    auto in3 = SignalInput(5000, 2, 44100);
    TMP3Out out3;
    out3.Id3TagTitle = note.repeated(300);
    out3.Id3TagArtist = QString(254, u'a') + note + QStringLiteral("tail");
    EncodeOk(out3, *in3, path);
    const DecodedAudio cut = DecodeAudioFile(path);
    EXPECT_EQ(cut.tags.value(QStringLiteral("title")), note.repeated(255));
    EXPECT_EQ(cut.tags.value(QStringLiteral("artist")), QString(254, u'a') + note);
}

TEST(MP3Out, AnInputWithNothingStillGivesACompleteTaggedFile) {
    const QString dir = FreshDir(QStringLiteral("empty"));
    TPcmInput in({}, 2, 44100);
    TMP3Out out;
    out.Id3TagTitle = QStringLiteral("Silence");
    const QString path = dir + QStringLiteral("/empty.mp3");
    EncodeOk(out, in, path);
    const Mp3FrameScan scan = ScanMp3Frames(path);
    EXPECT_TRUE(scan.hasId3v2);
    EXPECT_TRUE(scan.hasId3v1);
    EXPECT_EQ(Id3v1(path).mid(3, 7), QByteArray("Silence"));
    EXPECT_EQ(DirEntries(dir), QStringList{QStringLiteral("empty.mp3")});
}

TEST(MP3Out, TheTargetIsReplacedOnlyWhenTheFileIsComplete) {
    const QString dir = FreshDir(QStringLiteral("replace"));
    const QString path = dir + QStringLiteral("/song.mp3");
    ASSERT_TRUE(WriteFile(path, "earlier file"));
    auto in = SignalInput(44100, 2, 44100);
    in->ChunkBytes = 16384;
    in->DelayMs = 20;
    TMP3Out out;
    out.SetFileMode(foAppend); // replaced all the same
    TOutcome outcome;
    outcome.Attach(out);
    out.FileName = path;
    out.SetInput(in.get());
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return in->Reads > 3; }));
    EXPECT_EQ(ReadFile(path), QByteArray("earlier file"));
    // The target and the run's temporary file, named so that a leftover tells what it is.
    const QStringList during = DirEntries(dir);
    ASSERT_EQ(during.size(), 2);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\.sonavel-\\w{6}\\.part$"))
                    .match(during[0])
                    .hasMatch())
        << during[0].toStdString();
    ASSERT_TRUE(outcome.Wait());
    ASSERT_EQ(outcome.done, 1);
    EXPECT_EQ(DirEntries(dir), QStringList{QStringLiteral("song.mp3")});
    EXPECT_EQ(DecodeAudioFile(path).frames(), 44100);

    // A replaced file keeps its rights; a link is written through.
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    const QString link = dir + QStringLiteral("/link.mp3");
    ASSERT_TRUE(QFile::link(path, link));
    in->DelayMs = 0;
    out.FileName = link;
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return outcome.done == 2; }));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QFileInfo(path).permissions() & 0x7777,
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    EXPECT_EQ(DirEntries(dir).size(), 2);

    // A target whose name takes all the 255 bytes a file system allows.
    const QString longName = QString(251, u'n') + QStringLiteral(".mp3");
    ASSERT_EQ(QFile::encodeName(longName).size(), 255);
    out.FileName = dir + u'/' + longName;
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return outcome.done + outcome.failed == 3; }));
    ASSERT_EQ(outcome.failed, 0) << outcome.Error().toStdString();
    EXPECT_EQ(DecodeAudioFile(dir + u'/' + longName).frames(), 44100);
    EXPECT_EQ(DirEntries(dir).size(), 3);
}

TEST(MP3Out, AnAbortedRunLeavesTheEarlierFile) {
    const QString dir = FreshDir(QStringLiteral("abort"));
    const QString path = dir + QStringLiteral("/song.mp3");
    ASSERT_TRUE(WriteFile(path, "earlier file"));
    auto in = SignalInput(10 * 44100, 2, 44100);
    in->ChunkBytes = 16384;
    in->DelayMs = 5;
    TMP3Out out;
    TOutcome outcome;
    outcome.Attach(out);
    out.FileName = path;
    out.SetInput(in.get());
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return in->Reads > 3; }));
    out.Abort();
    ASSERT_TRUE(outcome.Wait());
    EXPECT_EQ(outcome.done, 1);
    EXPECT_TRUE(outcome.aborted);
    EXPECT_EQ(ReadFile(path), QByteArray("earlier file"));
    EXPECT_EQ(DirEntries(dir), QStringList{QStringLiteral("song.mp3")});
    EXPECT_EQ(in->EndReads, 1);
}

TEST(MP3Out, DestroyingTheOutputMidRunDiscardsTheRun) {
    const QString dir = FreshDir(QStringLiteral("destroy"));
    const QString path = dir + QStringLiteral("/song.mp3");
    ASSERT_TRUE(WriteFile(path, "earlier file"));
    auto in = SignalInput(10 * 44100, 2, 44100);
    in->ChunkBytes = 16384;
    in->DelayMs = 5;
    auto out = std::make_unique<TMP3Out>();
    out->FileName = path;
    out->SetInput(in.get());
    out->Run();
    ASSERT_TRUE(WaitUntil([&] { return in->Reads > 3; }));
    out.reset();
    EXPECT_FALSE(TLameLibrary::Loaded());
    EXPECT_EQ(ReadFile(path), QByteArray("earlier file"));
    EXPECT_EQ(DirEntries(dir), QStringList{QStringLiteral("song.mp3")});
    EXPECT_EQ(in->EndReads, 1);
}

TEST(MP3Out, AFullDiskFailsTheRunAndKeepsTheEarlierFile) {
    const QString dir = FreshDir(QStringLiteral("full"));
    const QString path = dir + QStringLiteral("/song.mp3");
    ASSERT_TRUE(WriteFile(path, "earlier file"));
    auto in = SignalInput(20 * 44100, 2, 44100); // about 480 KB of MP3
    TMP3Out out;
    out.BitRate = br192;
    TOutcome outcome;
    outcome.Attach(out);
    out.FileName = path;
    out.SetInput(in.get());

    // Files of this process may not grow past 64 KiB for the length of the run: writes
    // beyond fail with EFBIG (its signal ignored), as they would with ENOSPC on a full disk.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    out.Run();
    const bool ended = outcome.Wait();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    ASSERT_TRUE(ended);
    EXPECT_EQ(outcome.done, 0);
    EXPECT_EQ(outcome.failed, 1);
    EXPECT_TRUE(outcome.Error().contains(QString::fromLocal8Bit(std::strerror(EFBIG))))
        << outcome.Error().toStdString();
    EXPECT_TRUE(outcome.Error().contains(path)) << outcome.Error().toStdString();
    EXPECT_EQ(ReadFile(path), QByteArray("earlier file"));
    EXPECT_EQ(DirEntries(dir), QStringList{QStringLiteral("song.mp3")});
    EXPECT_EQ(out.GetStatus(), tosIdle);
    EXPECT_EQ(in->EndReads, 1);
}

TEST(MP3Out, PreparationFailuresLeaveNothingBehind) {
    const QString dir = FreshDir(QStringLiteral("prepare"));
    QDir().mkpath(dir + QStringLiteral("/folder.mp3"));
    struct Case {
        QString fileName;
        int channels;
        QString expected;
    } cases[] = {
        {QString(), 2, QStringLiteral("File name is not assigned.")},
        {dir + QStringLiteral("/missing/x.mp3"), 2, QString::fromLocal8Bit(std::strerror(ENOENT))},
        {dir + QStringLiteral("/folder.mp3"), 2, QString::fromLocal8Bit(std::strerror(EISDIR))},
        {dir + QStringLiteral("/six.mp3"), 6, QStringLiteral("not supported")},
        {dir + QStringLiteral("/rate.mp3"), 2, QStringLiteral("Invalid MP3 bit rate (99).")},
    };
    int index = 0;
    for (const Case& c : cases) {
        TPcmInput in(std::vector<uint8_t>(4096), c.channels, 44100);
        TMP3Out out;
        if (++index == int(std::size(cases)))
            out.BitRate = TMP3BitRate(99); // a setting read back from a damaged store
        TOutcome outcome;
        outcome.Attach(out);
        out.FileName = c.fileName;
        out.SetInput(&in);
        EXPECT_NO_THROW(out.Run());
        EXPECT_EQ(outcome.failed, 1);
        EXPECT_TRUE(outcome.Error().contains(c.expected)) << outcome.Error().toStdString();
        EXPECT_EQ(out.GetStatus(), tosIdle);
        EXPECT_EQ(in.BeginReads, in.EndReads);
        EXPECT_EQ(DirEntries(dir), QStringList());
    }
}

TEST(MP3Out, TheLibraryBindingAndItsFailures) {
    {
        TMP3Out first;
        EXPECT_TRUE(TLameLibrary::Loaded());
        // Every name but the two of the Windows build.
        EXPECT_EQ(TLameLibrary::FoundCount(), TLameLibrary::NameCount - 2);
        EXPECT_STREQ(TLameLibrary::Names()[0], "lame_init");
        EXPECT_STREQ(TLameLibrary::Names()[TLameLibrary::NameCount - 1], "beWriteInfoTag");
        EXPECT_EQ(TLameLibrary::Api().beWriteInfoTag, nullptr);

        // The library stays while any output lives: another output going away in the
        // middle of this one's run leaves it encoding.
        auto second = std::make_unique<TMP3Out>();
        const QString dir = FreshDir(QStringLiteral("shared"));
        auto in = SignalInput(100000, 2, 44100);
        in->ChunkBytes = 16384;
        in->DelayMs = 2;
        TOutcome outcome;
        outcome.Attach(first);
        first.FileName = dir + QStringLiteral("/a.mp3");
        first.SetInput(in.get());
        first.Run();
        ASSERT_TRUE(WaitUntil([&] { return in->Reads > 3; }));
        second.reset();
        EXPECT_TRUE(TLameLibrary::Loaded());
        ASSERT_TRUE(outcome.Wait());
        EXPECT_EQ(outcome.done, 1);
        EXPECT_EQ(DecodeAudioFile(dir + QStringLiteral("/a.mp3")).frames(), 100000);
    }
    EXPECT_FALSE(TLameLibrary::Loaded());

    const std::pair<const char*, QString> broken[] = {
        {"/nonexistent/libmp3lame.so.0",
         QStringLiteral("libmp3lame.so.0 library could not be loaded.")},
        {"libm.so.6", QStringLiteral("libmp3lame.so.0 library could not be loaded: it lacks "
                                     "the function lame_init.")},
    };
    for (const auto& [file, message] : broken) {
        setenv("SONAVEL_LAME_LIBRARY", file, 1);
        try {
            TMP3Out out;
            ADD_FAILURE() << "constructed with " << file;
        } catch (const EAudioException& e) {
            EXPECT_EQ(e.Message(), message);
        }
        unsetenv("SONAVEL_LAME_LIBRARY");
        EXPECT_FALSE(TLameLibrary::Loaded());
    }
    EXPECT_NO_THROW(TMP3Out());
}
