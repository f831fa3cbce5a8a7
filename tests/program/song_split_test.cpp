// The songs of a recording without chapters, found in its pauses by the built program:
// the list it prints, read back as a track list, and the rip of the songs read back with
// FFmpeg and joined end to end against the source's own sound.

#include "support/joined_tracks.h"
#include "support/program_run.h"

#include "app/track_list.h"
#include "media/media_audio_stream.h"
#include "support/fixture_signal.h"
#include "support/test_env.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace fs = fixture_signal;

namespace {

constexpr int kRate = fs::kSongsRate;
// MP2's encoder delay: the signal's sample 0 is the stream's decoded sample 481.
constexpr int64_t kPadding = 481;

// The stream time of a time of the generated sound.
TMediaTime StreamTime(double seconds) {
    return TMediaTime::FromSeconds(seconds) + TMediaTime::FromSample(kPadding, kRate);
}

// The tracks' starts must lie inside the pauses between the songs, one in each.
void ExpectCutsInPauses(const TTrackList& List) {
    ASSERT_EQ(List.Tracks.size(), size_t(fs::kSongCount));
    EXPECT_EQ(List.Tracks.front().Start, TMediaTime());
    for (int k = 1; k < fs::kSongCount; ++k) {
        SCOPED_TRACE(k);
        const TMediaTime cut = List.Tracks[size_t(k)].Start;
        EXPECT_GT(cut, StreamTime(fs::kSongEnd[k - 1]));
        EXPECT_LT(cut, StreamTime(fs::kSongStart[k]));
        // At the quietest point: hiss is alike everywhere, so away from both fades.
        EXPECT_GT(cut, StreamTime(fs::kSongEnd[k - 1] + 0.25));
        EXPECT_LT(cut, StreamTime(fs::kSongStart[k] - 0.25));
    }
}

const QStringList kEncoding = {QStringLiteral("--samplerate"), QString::number(kRate),
                               QStringLiteral("--bitrate"),    QStringLiteral("320"),
                               QStringLiteral("--mode"),       QStringLiteral("stereo"),
                               QStringLiteral("--quiet")};

} // namespace

TEST(SongSplit, FiveSongsFoundInTheirPausesJoinIntoTheSourceToTheSample) {
    const QString source = FixturePath("songs_pauses.mpg");
    const QString dir = FreshDir(QStringLiteral("songs"));

    // The printed list is a track list: five tracks, each cut inside a pause, none at
    // the dip inside song 3 or in the hiss that ends the sound.
    const TProgramRun listed = RunSonavel({QStringLiteral("--list-pauses"), source});
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    EXPECT_TRUE(listed.err.isEmpty()) << listed.err.toStdString();
    const TTrackList list = ParseTrackList(listed.out.toUtf8());
    ExpectCutsInPauses(list);
    EXPECT_EQ(listed.out.count(QStringLiteral("# pause ")), fs::kSongCount - 1)
        << listed.out.toStdString();

    // The rip of the songs: the same cuts, numbered tracks that join into the whole sound.
    const QString out = dir + QStringLiteral("/songs/");
    const TProgramRun run =
        RunSonavel(QStringList{QStringLiteral("--rip"), source, QStringLiteral("--split-pauses"),
                               QStringLiteral("--artist"), QStringLiteral("The Band"),
                               QStringLiteral("-o"), out} +
                   kEncoding);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QStringList names, files, titles;
    for (int k = 1; k <= fs::kSongCount; ++k) {
        titles << QStringLiteral("Track %1").arg(k);
        names << QStringLiteral("%1 - Track %2.mp3").arg(k, 2, 10, QLatin1Char('0')).arg(k);
        files << out + names.back();
    }
    ASSERT_EQ(FilesIn(out), names);

    const std::unique_ptr<TMediaAudioStream> stream = MakeAudioStream(source);
    stream->SetOutputFormat(TPcmFormat{kRate, 0, 16});
    ASSERT_EQ(stream->Open(), media::S_OK);
    std::vector<int64_t> starts, lengths;
    for (const TTrackEntry& track : list.Tracks)
        starts.push_back(track.Start.ToSample(kRate));
    starts.push_back(stream->Duration().ToSample(kRate));
    for (size_t k = 0; k + 1 < starts.size(); ++k)
        lengths.push_back(starts[k + 1] - starts[k]);
    const TSourceSound sound = ReadSourceSound(source, kRate);
    ASSERT_GT(sound.frames(), 0);
    const TJoinedTracks joined = DecodeTracks(files, lengths, titles, kRate);
    EXPECT_EQ(int64_t(joined.samples.size()) / 2, starts.back() - starts.front());
    ExpectSeamless(joined, sound, std::max(starts.front(), sound.firstSample));

    // Stricter options: pauses of 1.8 s or more leave the first (1.5 s) in song 1's track;
    // a minimum track of 50 s joins the short ones with a neighbour.
    const TProgramRun longer = RunSonavel({QStringLiteral("--list-pauses"), source,
                                           QStringLiteral("--min-pause"), QStringLiteral("1.8")});
    ASSERT_EQ(longer.exitCode, 0) << longer.err.toStdString();
    const TTrackList fewer = ParseTrackList(longer.out.toUtf8());
    ASSERT_EQ(fewer.Tracks.size(), 4u);
    EXPECT_GT(fewer.Tracks[1].Start, StreamTime(fs::kSongEnd[1]));
    EXPECT_LT(fewer.Tracks[1].Start, StreamTime(fs::kSongStart[2]));
    const TProgramRun merged = RunSonavel({QStringLiteral("--list-pauses"), source,
                                           QStringLiteral("--min-track"), QStringLiteral("50")});
    ASSERT_EQ(merged.exitCode, 0) << merged.err.toStdString();
    const TTrackList joinedSongs = ParseTrackList(merged.out.toUtf8());
    ASSERT_EQ(joinedSongs.Tracks.size(), 2u) << merged.out.toStdString();
    EXPECT_TRUE(merged.out.contains(QStringLiteral("not cut: a track too short")));

    // A threshold no hiss reaches below finds no pause: one track of the whole sound.
    const TProgramRun none = RunSonavel({QStringLiteral("--list-pauses"), source,
                                         QStringLiteral("--pause-db"), QStringLiteral("90")});
    ASSERT_EQ(none.exitCode, 0) << none.err.toStdString();
    EXPECT_EQ(ParseTrackList(none.out.toUtf8()).Tracks.size(), 1u);
}

TEST(SongSplit, BadOptionsAndSourcesAreRefusedWithTheirReason) {
    const QString dir = FreshDir(QStringLiteral("songsbad"));
    const QString source = FixturePath("songs_pauses.mpg");
    auto usage = [&](const QStringList& args, const QString& expected) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        const TProgramRun run = RunSonavel(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains(expected)) << run.err.toStdString();
        EXPECT_TRUE(FilesIn(dir).isEmpty());
    };
    usage({QStringLiteral("--rip"), source, QStringLiteral("--min-pause"), QStringLiteral("2"),
           QStringLiteral("-o"), dir + u'/'},
          QStringLiteral("--min-pause goes with --split-pauses or --list-pauses"));
    usage({QStringLiteral("--list-pauses"), source, QStringLiteral("--pause-db"),
           QStringLiteral("loud")},
          QStringLiteral("--pause-db needs a number from 1 to 100, not 'loud'"));
    usage({QStringLiteral("--rip"), source, QStringLiteral("--split-pauses"),
           QStringLiteral("--tracks"), dir + QStringLiteral("/x.txt")},
          QStringLiteral("exclude each other"));
    usage({QStringLiteral("--rip"), source, QStringLiteral("--split-pauses"),
           QStringLiteral("--start"), QStringLiteral("3")},
          QStringLiteral("--split-pauses gives the ranges: leave out --start and --end"));

    EXPECT_TRUE(ExpectCleanFailure({QStringLiteral("--list-pauses"), FixturePath("no_audio.mpg")},
                                   QString())
                    .contains(QStringLiteral("has no audio stream")));
    EXPECT_TRUE(
        ExpectCleanFailure({QStringLiteral("--rip"), FixturePath("no_audio.mpg"),
                            QStringLiteral("--split-pauses"), QStringLiteral("-o"), dir + u'/'},
                           dir)
            .contains(QStringLiteral("has no audio stream")));
    EXPECT_TRUE(ExpectCleanFailure({QStringLiteral("--list-pauses"), source,
                                    QStringLiteral("--audio-track"), QStringLiteral("3")},
                                   QString())
                    .contains(QStringLiteral("has no audio track 3")));
}
