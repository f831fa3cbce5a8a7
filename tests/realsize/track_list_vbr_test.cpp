// The command line's features together at real size: a 10-minute DVD title split by a text
// track list into songs of three and four minutes, encoded VBR on two threads with the
// loudness values on. Every file must hold exactly its song, join its neighbours without a
// seam, vary its bit rate, and carry its own and the album's gain.

#include "media/dvd/dvd_path.h"
#include "support/decoded_audio.h"
#include "support/dvd_authoring.h"
#include "support/joined_tracks.h"
#include "support/program_run.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <set>

TEST(RealSizeCommandLine, TrackListOfAConcertRipsVbrOnTwoThreadsWithLoudness) {
    QString error;
    const QString root = MakeConcertDvd(QStringLiteral("vbrconcert"), 20, {0}, 0, &error);
    ASSERT_FALSE(root.isEmpty()) << error.toStdString();
    const QString dir = FreshDir(QStringLiteral("vbrtracks"));
    const QString list = dir + QStringLiteral("/songs.txt");
    WriteFile(list, "0 Opening\n3:00 Second Song\n6:00.5 Encore\n");
    const QString out = dir + QStringLiteral("/out/");
    const TProgramRun run = RunSonavel(
        {QStringLiteral("--rip"), root, QStringLiteral("--tracks"), list, QStringLiteral("-o"), out,
         QStringLiteral("--vbr-quality"), QStringLiteral("2"), QStringLiteral("--jobs"),
         QStringLiteral("2"), QStringLiteral("--samplerate"), QStringLiteral("44100")},
        {}, 240000);
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    const int rate = 44100;
    const TSourceSound sound = ReadSourceSound(dvd::TitleLocator(root, 1), rate);
    const int64_t total = int64_t(sound.samples.size()) / 2;
    ASSERT_GT(total, int64_t(599) * rate);
    const QStringList titles = {QStringLiteral("Opening"), QStringLiteral("Second Song"),
                                QStringLiteral("Encore")};
    QStringList files;
    for (int k = 0; k < 3; ++k)
        files << out + QStringLiteral("0%1 - %2.mp3").arg(k + 1).arg(titles[k]);
    const int64_t second = sound.SampleAt(1'800'000'000), third = sound.SampleAt(3'605'000'000);
    const std::vector<int64_t> lengths = {second, third - second, total - third};
    const TJoinedTracks joined = DecodeTracks(files, lengths, titles, rate);
    ExpectSeamless(joined, sound, 0);

    QString album;
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        const std::vector<int> rates = ScanMp3Frames(file).bitratesKbps;
        EXPECT_GT(std::set<int>(rates.begin(), rates.end()).size(), 2u);
        const DecodedAudio mp3 = DecodeAudioFile(file);
        ASSERT_TRUE(mp3.ok);
        EXPECT_TRUE(mp3.tags.value(QStringLiteral("REPLAYGAIN_TRACK_GAIN")).endsWith(" dB"));
        const QString gain = mp3.tags.value(QStringLiteral("REPLAYGAIN_ALBUM_GAIN"));
        EXPECT_TRUE(gain.endsWith(" dB"));
        if (album.isEmpty())
            album = gain;
        EXPECT_EQ(gain, album); // one album value in every file
    }
}
