// A source split into tracks by the command line, run as the built program: every track
// read back with FFmpeg, and the tracks joined end to end compared with the source's own
// decoded sound, sample for sample across every boundary.

#include "support/joined_tracks.h"
#include "support/program_run.h"

#include "app/dvd_choice.h"
#include "audio/rip/rip_plan.h"
#include "media/media_audio_stream.h"
#include "support/decoded_audio.h"
#include "support/dvd_authoring.h"
#include "support/outside_readers.h"
#include "support/test_env.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>

namespace {

constexpr int kRate = 48000;

// mm:ss:ff of a cue sheet: 75 frames a second.
TMediaTime CueTime(int minutes, int seconds, int frames) {
    return TMediaTime::FromSeconds(int64_t(minutes) * 60 + seconds) +
           TMediaTime::FromSample(frames, 75);
}

const QStringList kEncoding = {QStringLiteral("--samplerate"), QString::number(kRate),
                               QStringLiteral("--bitrate"),    QStringLiteral("320"),
                               QStringLiteral("--mode"),       QStringLiteral("stereo"),
                               QStringLiteral("--quiet")};

} // namespace

TEST(TrackSplit, CueSheetTracksJoinIntoTheSourceToTheSample) {
    const QString dir = FreshDir(QStringLiteral("cue"));
    const QString cue = dir + QStringLiteral("/concert.cue");
    // Boundaries inside the tones (not the silent quarters); an INDEX 00 pregap stays with
    // the track before; a title with a slash must not make a folder.
    ASSERT_TRUE(WriteFile(cue, "REM GENRE Rock\r\n"
                               "REM DATE 2024\r\n"
                               "PERFORMER \"The Band\"\r\n"
                               "TITLE \"Live at the Hall\"\r\n"
                               "FILE \"concert.wav\" WAVE\r\n"
                               "  TRACK 01 AUDIO\r\n"
                               "    TITLE \"Intro\"\r\n"
                               "    INDEX 01 00:01:20\r\n"
                               "  TRACK 02 AUDIO\r\n"
                               "    TITLE \"Call/Response\"\r\n"
                               "    INDEX 01 00:02:40\r\n"
                               "  TRACK 03 AUDIO\r\n"
                               "    INDEX 00 00:03:50\r\n"
                               "    INDEX 01 00:04:11\r\n"
                               "  TRACK 04 AUDIO\r\n"
                               "    TITLE \"Ballad\"\r\n"
                               "    PERFORMER \"Guest\"\r\n"
                               "    INDEX 01 00:05:55\r\n"
                               "  TRACK 05 AUDIO\r\n"
                               "    TITLE \"Encore\"\r\n"
                               "    INDEX 01 00:07:37\r\n"));
    const QString out = dir + QStringLiteral("/tracks/");
    const QString source = FixturePath("dvd_ac3_stereo.vob");
    const TProgramRun run =
        RunSonavel(QStringList{QStringLiteral("--rip"), source, QStringLiteral("--tracks"), cue,
                               QStringLiteral("-o"), out} +
                   kEncoding);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();

    const QStringList titles = {QStringLiteral("Intro"), QStringLiteral("Call/Response"),
                                QStringLiteral("Track 3"), QStringLiteral("Ballad"),
                                QStringLiteral("Encore")};
    const QStringList names = {
        QStringLiteral("01 - Intro.mp3"), QStringLiteral("02 - Call_Response.mp3"),
        QStringLiteral("03 - Track 3.mp3"), QStringLiteral("04 - Ballad.mp3"),
        QStringLiteral("05 - Encore.mp3")};
    EXPECT_EQ(FilesIn(out), names);
    QStringList files;
    for (const QString& name : names)
        files << out + name;

    const TSourceSound sound = ReadSourceSound(source, kRate);
    ASSERT_GT(sound.frames(), 0);
    // The last track ends where the source ends, as the media layer gives its length.
    const std::unique_ptr<TMediaAudioStream> stream = MakeAudioStream(source);
    stream->SetOutputFormat(TPcmFormat{kRate, 0, 16});
    ASSERT_EQ(stream->Open(), media::S_OK);
    // A boundary's sample is the first at or after its time.
    const std::vector<int64_t> starts = {
        CueTime(0, 1, 20).ToSample(kRate), CueTime(0, 2, 40).ToSample(kRate),
        CueTime(0, 4, 11).ToSample(kRate), CueTime(0, 5, 55).ToSample(kRate),
        CueTime(0, 7, 37).ToSample(kRate), stream->Duration().ToSample(kRate)};
    std::vector<int64_t> lengths;
    for (size_t k = 0; k + 1 < starts.size(); ++k)
        lengths.push_back(starts[k + 1] - starts[k]);
    const TJoinedTracks joined = DecodeTracks(files, lengths, titles, kRate);
    EXPECT_EQ(int64_t(joined.samples.size()) / 2, starts.back() - starts.front());
    ExpectSeamless(joined, sound, starts.front());

    const DecodedAudio ballad = DecodeAudioFile(files[3]);
    EXPECT_EQ(ballad.tags.value(QStringLiteral("artist")), QStringLiteral("Guest"));
    const DecodedAudio intro = DecodeAudioFile(files[0]);
    EXPECT_EQ(intro.tags.value(QStringLiteral("artist")), QStringLiteral("The Band"));
    EXPECT_EQ(intro.tags.value(QStringLiteral("album")), QStringLiteral("Live at the Hall"));
    EXPECT_EQ(intro.tags.value(QStringLiteral("genre")), QStringLiteral("Rock"));
    EXPECT_EQ(intro.tags.value(QStringLiteral("date")), QStringLiteral("2024"));
}

TEST(TrackSplit, DvdChaptersJoinIntoTheTitleToTheSample) {
    const QString root = TestDvdRoot();
    ASSERT_FALSE(root.isEmpty());
    TDvdChoice dvd;
    ASSERT_TRUE(ChooseDvdTitle(root, 1, dvd));
    const std::vector<TSourceChapter>& chapters = dvd.ChapterList();
    ASSERT_GE(chapters.size(), 5u);
    // The title's own sound: its cells one after the other, timestamps restarting between
    // its two sources.
    const TSourceSound sound = ReadSourceSound(dvd.locator, kRate);
    ASSERT_GT(sound.frames(), 0);

    // Every chapter, then chapters 2 to 4 alone, numbered 1/3 to 3/3 but titled after the
    // disc's chapters.
    for (const auto& [first, last] : {std::pair{1, int(chapters.size())}, std::pair{2, 4}}) {
        SCOPED_TRACE(first);
        const QString out = FreshDir(QStringLiteral("chapters%1").arg(first)) + u'/';
        QStringList args = {QStringLiteral("--rip"),
                            root,
                            QStringLiteral("--dvd-title"),
                            QStringLiteral("1"),
                            QStringLiteral("--split-chapters"),
                            QStringLiteral("-o"),
                            out};
        if (first > 1)
            args << QStringLiteral("--chapter") << QStringLiteral("%1-%2").arg(first).arg(last);
        const TProgramRun run = RunSonavel(args + kEncoding);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

        QStringList names, files, titles;
        std::vector<int64_t> starts, lengths;
        for (int c = first; c <= last; ++c) {
            titles << QStringLiteral("Chapter %1").arg(c);
            names << QStringLiteral("%1 - Chapter %2.mp3")
                         .arg(c - first + 1, 2, 10, QLatin1Char('0'))
                         .arg(c);
            files << out + names.back();
            starts.push_back(sound.SampleAt(chapters[size_t(c - 1)].start));
            lengths.push_back(sound.SampleAt(chapters[size_t(c - 1)].end) - starts.back());
        }
        ASSERT_EQ(FilesIn(out), names);
        const TJoinedTracks joined = DecodeTracks(files, lengths, titles, kRate);
        EXPECT_EQ(int64_t(joined.samples.size()) / 2,
                  sound.SampleAt(chapters[size_t(last - 1)].end) - starts.front());
        ExpectSeamless(joined, sound, starts.front());
    }
    // Without -o: a folder named after the disc and title, in the output folder.
    const TProgramRun named =
        RunSonavel({QStringLiteral("--rip"), root, QStringLiteral("--chapter"), QStringLiteral("5"),
                    QStringLiteral("--split-chapters"), QStringLiteral("--quiet")});
    ASSERT_EQ(named.exitCode, 0) << named.err.toStdString();
    const QString folder =
        TestRoot() + QStringLiteral("/Documents/") + dvd.volume + QStringLiteral("_t01");
    EXPECT_EQ(FilesIn(folder), QStringList{QStringLiteral("01 - Chapter 5.mp3")});
    QDir(folder).removeRecursively();

    // A plain file has no chapters to split.
    const QString none = FreshDir(QStringLiteral("nochapters"));
    EXPECT_TRUE(
        ExpectCleanFailure({QStringLiteral("--rip"), FixturePath("dvd_ac3_stereo.vob"),
                            QStringLiteral("--split-chapters"), QStringLiteral("-o"), none + u'/'},
                           none)
            .contains(QStringLiteral("not a DVD")));
}

TEST(TrackSplit, AFailingTrackStopsTheRunAndBadListsWriteNothing) {
    const QString dir = FreshDir(QStringLiteral("fail"));
    const QString out = FreshDir(QStringLiteral("failout"));
    const QString list = dir + QStringLiteral("/list.txt");
    // Plain times; the third track is the only one too large for the file size limit.
    ASSERT_TRUE(WriteFile(list, "# start end title\n"
                                "0.5 1.5 One\n"
                                "1.5 2.5 Two\n"
                                "2.5 8.5 Three\n"
                                "8.5 9.5 Four\n"));
    const QString source = FixturePath("dvd_ac3_stereo.vob");
    const QStringList args = QStringList{QStringLiteral("--rip"),    source,
                                         QStringLiteral("--tracks"), list,
                                         QStringLiteral("-o"),       out + QStringLiteral("/")} +
                             kEncoding;
    const TProgramRun run =
        RunSonavel(args, {QStringLiteral("prlimit"), QStringLiteral("--fsize=100000")});
    EXPECT_EQ(run.exitCode, 1);
    const QString err = run.err.trimmed();
    EXPECT_FALSE(err.contains(u'\n')) << err.toStdString();
    EXPECT_TRUE(err.startsWith(QStringLiteral("sonavel: track 3 of 4 (\"Three\") failed: ")))
        << err.toStdString();
    EXPECT_TRUE(err.endsWith(QStringLiteral("tracks 1 to 2 were written"))) << err.toStdString();
    const QStringList written = {QStringLiteral("01 - One.mp3"), QStringLiteral("02 - Two.mp3")};
    EXPECT_EQ(FilesIn(out), written);
    EXPECT_EQ(DecodeAudioFile(out + QStringLiteral("/02 - Two.mp3")).frames(), kRate);

    // Everything that can be checked before the first track is: nothing is written.
    const QString bad = FreshDir(QStringLiteral("badlists"));
    const QString o = QStringLiteral("-o");
    auto tracks = [&](const QByteArray& text, const QStringList& more = {}) {
        static int n = 0;
        const QString path = dir + QStringLiteral("/bad%1.txt").arg(++n);
        EXPECT_TRUE(WriteFile(path, text));
        return QStringList{QStringLiteral("--rip"), source, QStringLiteral("--tracks"), path} +
               more;
    };
    ExpectCleanFailure(tracks("FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nTITLE \"x\"\n", {o, bad + "/"}),
                       bad);
    ExpectCleanFailure(tracks("1 2 A\n12 13 Past the end\n", {o, bad + "/"}), bad);
    ExpectCleanFailure(tracks("hello world\n", {o, bad + "/"}), bad);
    ExpectCleanFailure(tracks("", {o, bad + "/"}), bad);
    ExpectCleanFailure({QStringLiteral("--rip"), source, QStringLiteral("--tracks"),
                        dir + QStringLiteral("/missing.cue"), o, bad + "/"},
                       bad);
    // Two tracks the pattern would give one name; a name that exists without --force.
    ExpectCleanFailure(
        tracks("1 2 A\n2 3 B\n", {o, bad + QStringLiteral("/%A.mp3"), QStringLiteral("--album"),
                                  QStringLiteral("Live")}),
        bad);
    ASSERT_TRUE(WriteFile(bad + QStringLiteral("/02 - B.mp3"), "mine"));
    ExpectCleanFailure(tracks("1 2 A\n2 3 B\n", {o, bad + "/"}), bad,
                       {QStringLiteral("02 - B.mp3")});
    EXPECT_EQ(ReadFile(bad + QStringLiteral("/02 - B.mp3")), QByteArray("mine"));
}

// Names and times as people type them: a pattern without ".mp3" whose title has a dot,
// fields naming folders, and times that overflow, are mistyped or overlap, in a list and
// on the command line alike.
TEST(TrackSplit, PatternsAndTimesAreTakenAsTyped) {
    const QString dir = FreshDir(QStringLiteral("typed"));
    const QString out = FreshDir(QStringLiteral("typedout"));
    const QString list = dir + QStringLiteral("/list.txt");
    ASSERT_TRUE(WriteFile(list, "0.5 1.5 Vol. 2\n1.5 2.5 B\n"));
    const QString source = FixturePath("dvd_ac3_stereo.vob");
    const QString rip = QStringLiteral("--rip"), o = QStringLiteral("-o");
    const TProgramRun run =
        RunSonavel(QStringList{rip, source, QStringLiteral("--tracks"), list, o,
                               out + QStringLiteral("/%a/%n %t"), QStringLiteral("--artist"),
                               QStringLiteral("AC/DC")} +
                   kEncoding);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("AC_DC")});
    EXPECT_EQ(FilesIn(out + QStringLiteral("/AC_DC")),
              (QStringList{QStringLiteral("01 Vol. 2.mp3"), QStringLiteral("02 B.mp3")}));
    EXPECT_EQ(DecodeAudioFile(out + QStringLiteral("/AC_DC/01 Vol. 2.mp3")).frames(), kRate);

    const QString bad = FreshDir(QStringLiteral("typedbad"));
    auto listed = [&](const QByteArray& text) {
        static int n = 0;
        const QString path = dir + QStringLiteral("/bad%1.txt").arg(++n);
        EXPECT_TRUE(WriteFile(path, text));
        return ExpectCleanFailure(
            QStringList{rip, source, QStringLiteral("--tracks"), path, o, bad + "/"}, bad);
    };
    // An end that is no time is refused as a bad start is, not read as "to the end".
    for (const char* end : {"9223372036854775807", "1e300", "inf", "99999999999:00:00"}) {
        const QString why = listed(QByteArray("0 ") + end + " X\n");
        EXPECT_TRUE(why.contains(QStringLiteral("line 1: '%1' is not a time").arg(end)))
            << why.toStdString();
    }
    // Past what 100-ns units can count, and past the source's end (where its last AC-3
    // frame ends, not where FFmpeg's estimate put it, two frames earlier).
    EXPECT_TRUE(listed("999999999999 X\n").contains(QStringLiteral("after the end of any source")));
    EXPECT_TRUE(listed("99999999999 X\n")
                    .contains(QStringLiteral("track 1: it starts at 27777777:46:39.0, after the "
                                             "end of the source (0:00:10.0)")));
    // One rule for a text list and a cue sheet: in playing order, no overlap.
    EXPECT_TRUE(listed("1 5 A\n3 8 B\n")
                    .contains(QStringLiteral("line 2: the track starts at 0:00:03.0, before the "
                                             "track before it ends (0:00:05.0)")));
    EXPECT_TRUE(listed("5 6 A\n1 2 B\n")
                    .contains(QStringLiteral("line 2: the track starts at 0:00:01.0, not after "
                                             "the track before it (0:00:05.0)")));
    EXPECT_TRUE(listed("TRACK 01 AUDIO\nINDEX 01 00:01:00\nTRACK 02 AUDIO\nINDEX 01 00:01:00\n")
                    .contains(QStringLiteral("line 4: the track starts at 0:00:01.0, not after "
                                             "the track before it (0:00:01.0)")));

    // The command line's own range, checked before it is converted.
    const QString mp3 = bad + QStringLiteral("/x.mp3");
    EXPECT_TRUE(
        ExpectCleanFailure(
            {rip, source, o, mp3, QStringLiteral("--start"), QStringLiteral("999999999999")}, bad)
            .contains(QStringLiteral("the range starts at 277777777:46:39.0, after the end of "
                                     "the source (0:00:10.0)")));
    EXPECT_TRUE(
        ExpectCleanFailure(
            {rip, source, o, mp3, QStringLiteral("--end"), QStringLiteral("999999999999")}, bad)
            .contains(QStringLiteral("the range ends at 277777777:46:39.0, after the end of the "
                                     "source (0:00:10.0)")));
}

namespace {

// The stretch of the source a player that knows no gapless tag plays from a track's file:
// every decoded sample, placed in the source by correlation; leading exact silence (the
// information frame, carrier frames) is no sound of the source. Source sample numbers.
struct TPlayedStretch {
    int64_t first = 0, end = 0;
};

TPlayedStretch PlayedStretch(const QString& File, const TSourceSound& Source, int64_t Middle) {
    const TPlayerDecode played = MadplayDecode(File);
    EXPECT_TRUE(played.ok) << played.error.toStdString();
    EXPECT_EQ(played.channels, 2);
    const int64_t n = played.frames();
    if (!played.ok || n < 8192)
        return {};
    const int64_t at = n / 2 - 1024;
    const std::vector<int16_t> needle(played.samples.begin() + at * 2,
                                      played.samples.begin() + (at + 2048) * 2);
    double score = 0;
    const int64_t found =
        FindBestOffset(Source.samples, needle, 2, Middle - Source.firstSample - 6000,
                       Middle - Source.firstSample + 6000, &score, 2048);
    EXPECT_GT(score, 0.99) << File.toStdString();
    const int64_t origin = found + Source.firstSample - at; // of the decode's sample 0
    int64_t silent = 0;
    while (silent < n && played.samples[size_t(silent) * 2] == 0 &&
           played.samples[size_t(silent) * 2 + 1] == 0)
        ++silent;
    return {origin + silent, origin + n};
}

} // namespace

// A track list's joins as players that ignore the gapless tag play them: each track
// carries no more of its neighbours' sound than its first frame needs to decode its first
// sample (the first granule's overlap and the filter bank's start, and the frame's own
// alignment) and its last frame's alignment; and every frame of a file keeps the constant
// bit rate (mp3check), or the VBR limits, carrier frames included.
TEST(TrackSplit, PlainPlayersHearLittleOfTheNeighboursAndEveryFrameKeepsTheRate) {
    const QString source = FixturePath(QStringLiteral("dvd_concert.mpg"));
    const QString dir = FreshDir(QStringLiteral("joins"));
    // Joins 18 ms into a frame of the run's grid, where the old choice of the first frame
    // carried one frame more of the sound before.
    const double times[] = {1.2, 3.306, 5.418, 7.458, 9.6};
    QByteArray list;
    for (int k = 0; k < 4; ++k)
        list += QByteArray::number(times[k]) + ' ' + QByteArray::number(times[k + 1]) + " T" +
                QByteArray::number(k + 1) + '\n';
    ASSERT_TRUE(WriteFile(dir + "/list.txt", list));
    const TSourceSound sound = ReadSourceSound(source, kRate);
    auto rip = [&](const QString& Out, const QStringList& Rate) {
        const TProgramRun run =
            RunSonavel(QStringList{QStringLiteral("--rip"), source, QStringLiteral("--tracks"),
                                   dir + "/list.txt", QStringLiteral("-o"), Out,
                                   QStringLiteral("--samplerate"), QString::number(kRate),
                                   QStringLiteral("--quiet")} +
                       Rate);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        QStringList files;
        for (int k = 1; k <= 4; ++k)
            files << Out + QStringLiteral("0%1 - T%1.mp3").arg(k);
        return files;
    };
    const QStringList cbr =
        rip(dir + "/cbr/", {QStringLiteral("--bitrate"), QStringLiteral("128")});
    std::vector<TPlayedStretch> played;
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(Mp3checkComplaints(cbr[k]).toStdString(), "") << "track " << k + 1;
        played.push_back(PlayedStretch(
            cbr[k], sound,
            sound.SampleAt(TMediaTime::FromMs(int64_t((times[k] + times[k + 1]) * 500)))));
    }
    for (int k = 1; k < 4; ++k) {
        const int64_t join = sound.SampleAt(TMediaTime::FromMs(int64_t(times[k] * 1000)));
        const int64_t head = join - played[size_t(k)].first;
        const int64_t tail = played[size_t(k - 1)].end - join;
        std::cout << "join " << k << ": " << head << " samples before, " << tail
                  << " after: " << (head + tail) * 1000.0 / kRate << " ms replayed\n";
        EXPECT_LE(head, TRipGrid::UnsettledSamples + 1151) << "join " << k;
        EXPECT_LE(tail, 1151) << "join " << k;
        EXPECT_LE(head + tail, 2 * 1152) << "join " << k;
    }

    const QStringList vbr = rip(dir + "/vbr/", {QStringLiteral("--vbr"), QStringLiteral("32-96")});
    for (int k = 0; k < 4; ++k) {
        const Mp3FrameScan scan = ScanMp3Frames(vbr[k]);
        ASSERT_GT(scan.bitratesKbps.size(), 50u);
        for (size_t f = 1; f < scan.bitratesKbps.size(); ++f) // after the information frame
            ASSERT_LE(scan.bitratesKbps[f], 96) << "track " << k + 1 << " frame " << f;
    }
}
