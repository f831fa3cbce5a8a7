// A concert's chapters at real size in every format, read by the formats' own tools and by
// players and meters that share no code with the program: a DVD title of five minutes whose
// middle chapter is three, split into FLAC, and that chapter as mono VBR MP3 and as Opus.

#include "media/dvd/dvd_path.h"
#include "support/decoded_audio.h"
#include "support/dvd_authoring.h"
#include "support/outside_readers.h"
#include "support/program_run.h"
#include "support/source_sound.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

TEST(RealSizeCommandLine, ConcertChaptersInEveryFormatReadByOutsideTools) {
    QString error;
    // Ten plays of 30 s; chapters at plays 0, 2 and 8: 1, 3 and 1 minutes.
    const QString root = MakeConcertDvd(QStringLiteral("fmtconcert"), 10, {0, 2, 8}, 0, &error);
    ASSERT_FALSE(root.isEmpty()) << error.toStdString();
    const QString title = dvd::TitleLocator(root, 1);
    const QString dir = FreshDir(QStringLiteral("fmtchapters"));
    const auto rip = [&](const QStringList& args) {
        const TProgramRun run = RunSonavel(QStringList{QStringLiteral("--rip"), root} + args +
                                               QStringList{QStringLiteral("--quiet")},
                                           {}, 240000);
        ASSERT_TRUE(run.finished);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    };

    // FLAC keeps the disc's 48 kHz: the chapters hold every sample of the title between them.
    rip({QStringLiteral("--split-chapters"), QStringLiteral("--format"), QStringLiteral("flac"),
         QStringLiteral("-o"), dir + QStringLiteral("/flac/")});
    const QStringList flacs = FilesIn(dir + QStringLiteral("/flac"));
    ASSERT_EQ(flacs.size(), 3);
    const TSourceSound sound = ReadSourceSound(title, 48000);
    int64_t sum = 0, middle = 0;
    for (const QString& name : flacs) {
        const QString file = dir + QStringLiteral("/flac/") + name;
        SCOPED_TRACE(file.toStdString());
        const TProgramRun test =
            RunWithHive(QStringLiteral("flac"),
                        {QStringLiteral("-t"), QStringLiteral("-w"), QStringLiteral("-s"), file});
        EXPECT_EQ(test.exitCode, 0) << test.err.toStdString();
        const DecodedAudio flac = DecodeAudioFile(file);
        ASSERT_TRUE(flac.ok) << flac.error.toStdString();
        EXPECT_EQ(flac.sampleRate, 48000);
        sum += flac.frames();
        middle = std::max(middle, flac.frames());
    }
    EXPECT_EQ(sum, int64_t(sound.samples.size()) / 2);
    EXPECT_NEAR(double(middle) / 48000, 180.0, 0.1);

    // The middle chapter as mono VBR: mpg123 plays it to the same sample as the FLAC's
    // length at 44.1 kHz, and bs1770gain's loudness of the file agrees with its gain.
    const QString mp3 = dir + QStringLiteral("/middle.mp3");
    rip({QStringLiteral("--chapter"), QStringLiteral("2"), QStringLiteral("--mode"),
         QStringLiteral("mono"), QStringLiteral("--vbr-quality"), QStringLiteral("2"),
         QStringLiteral("--samplerate"), QStringLiteral("44100"), QStringLiteral("-o"), mp3});
    const TPlayerDecode played = Mpg123Decode(mp3);
    ASSERT_TRUE(played.ok) << played.error.toStdString();
    EXPECT_EQ(played.channels, 1);
    EXPECT_EQ(played.frames(), (middle * 44100 + 24000) / 48000);
    const QJsonObject tags = MutagenRead(mp3, &error);
    ASSERT_FALSE(tags.isEmpty()) << error.toStdString();
    EXPECT_EQ(tags.value(QStringLiteral("bitrate_mode")).toInt(), 2);
    const double lufs = Bs1770Lufs(mp3, &error);
    ASSERT_FALSE(std::isnan(lufs)) << error.toStdString();
    const QString gain = tags.value(QStringLiteral("txxx"))
                             .toObject()
                             .value(QStringLiteral("REPLAYGAIN_TRACK_GAIN"))
                             .toString();
    ASSERT_TRUE(gain.endsWith(QStringLiteral(" dB"))) << gain.toStdString();
    EXPECT_NEAR(gain.chopped(3).toDouble(), -18.0 - lufs, 0.5);

    // At the disc's own rate the chapter is cut into segments that encode on two threads:
    // mpg123 plays exactly its samples, and the tag's peak is the one mpg123 decodes, seams
    // included (plus the 16-bit step kept for other decoders' rounding).
    const QString parts = dir + QStringLiteral("/middle48.mp3");
    rip({QStringLiteral("--chapter"), QStringLiteral("2"), QStringLiteral("--mode"),
         QStringLiteral("mono"), QStringLiteral("--vbr"), QStringLiteral("64-192"),
         QStringLiteral("--samplerate"), QStringLiteral("48000"), QStringLiteral("--jobs"),
         QStringLiteral("2"), QStringLiteral("-o"), parts});
    const TPlayerDecode parted = Mpg123Decode(parts);
    ASSERT_TRUE(parted.ok) << parted.error.toStdString();
    EXPECT_EQ(parted.frames(), middle);
    int loudest = 0;
    for (const int16_t v : parted.samples)
        loudest = std::max(loudest, std::abs(int(v)));
    const QJsonObject partTags = MutagenRead(parts, &error);
    ASSERT_FALSE(partTags.isEmpty()) << error.toStdString();
    const double peak = partTags.value(QStringLiteral("txxx"))
                            .toObject()
                            .value(QStringLiteral("REPLAYGAIN_TRACK_PEAK"))
                            .toString()
                            .toDouble();
    EXPECT_NEAR(peak, (loudest + 1) / 32768.0, 1 / 32768.0);

    // And as Opus: opusinfo passes it, and it decodes to exactly the FLAC's samples' count.
    const QString opus = dir + QStringLiteral("/middle.opus");
    rip({QStringLiteral("--chapter"), QStringLiteral("2"), QStringLiteral("-o"), opus});
    const TProgramRun info = RunWithHive(QStringLiteral("opusinfo"), {opus});
    EXPECT_EQ(info.exitCode, 0) << info.out.toStdString();
    EXPECT_FALSE(info.out.contains(QStringLiteral("WARNING"))) << info.out.toStdString();
    const DecodedAudio decoded = DecodeAudioFile(opus);
    ASSERT_TRUE(decoded.ok) << decoded.error.toStdString();
    EXPECT_EQ(decoded.frames(), middle);
}
