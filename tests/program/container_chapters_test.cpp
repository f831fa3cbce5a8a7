// A Matroska or MP4 file's chapters on the command line, run as the built program. The
// sources are made at test time with FFmpeg's muxers from a fixture's packets: named
// chapters, and the sound moved against the pictures. Every chapter's file is decoded back
// with FFmpeg and found at its chapter to the sample, titled after it, the files join into
// the source's sound, and chapter ranges and typed times agree. Several sources in one run,
// one of them bad, rip the others and name it.

#include "support/chapter_source.h"
#include "support/joined_tracks.h"
#include "support/program_run.h"

#include "support/decoded_audio.h"
#include "support/fixture_signal.h"
#include "support/test_env.h"

#include <QDir>

#include <gtest/gtest.h>

namespace fs = fixture_signal;

namespace {

constexpr int64_t kPadding = 256; // AC-3's decoded samples before the fixture's sample 0

const std::vector<TChapterMark> kMarks = {{0, QStringLiteral("Opening")},
                                          {3000, QStringLiteral("Ballad")},
                                          {6500, QStringLiteral("Encore")}};

const QStringList kEncoding = {QStringLiteral("--samplerate"), QString::number(kRipRate),
                               QStringLiteral("--bitrate"),    QStringLiteral("320"),
                               QStringLiteral("--mode"),       QStringLiteral("stereo"),
                               QStringLiteral("--quiet")};

// two_tracks.mkv's packets in `format`, with kMarks, the sound `shiftMs` later.
TChapterSource Make(const QString& name, const char* format, int64_t shiftMs,
                    const QStringList& trackTitles = {}) {
    TChapterSourceSpec spec;
    spec.from = FixturePath(QStringLiteral("two_tracks.mkv"));
    spec.format = format;
    spec.chapters = kMarks;
    spec.soundShiftMs = shiftMs;
    spec.trackTitles = trackTitles;
    return MakeChapterSource(FreshDir(QStringLiteral("chaptersrc")) + u'/' + name, spec);
}

// The fixture's English signal from sample `from` on is at frame `at` of `decoded`.
void ExpectSignalAt(const std::vector<int16_t>& decoded, int64_t from, int64_t at) {
    double score = 0;
    const int64_t found =
        FindBestOffset(decoded, fs::SourceS16(fs::kTrackEng, kRipRate, from, kNeedle), 2,
                       std::max<int64_t>(0, at - 300), at + 300, &score, kNeedle);
    EXPECT_EQ(found, at) << "signal sample " << from;
    EXPECT_GT(score, 0.9) << "signal sample " << from;
}

// Splits `made` into its chapters and checks every file against the chapters as written:
// each starts at its chapter's sample of the player's time line and holds exactly its
// chapter, titled after it; before the sound begins they hold silence, and from there they
// join into the source's sound without a seam.
void ExpectChapterFiles(const TChapterSource& made) {
    const QString out = FreshDir(QStringLiteral("chapters")) + u'/';
    const TProgramRun run =
        RunSonavel(QStringList{QStringLiteral("--rip"), made.path,
                               QStringLiteral("--split-chapters"), QStringLiteral("-o"), out} +
                   kEncoding);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const TSourceSound sound = ReadSourceSound(made.path, kRipRate);
    ASSERT_GT(sound.frames(), 0);
    // The sound starts where the container puts it against the pictures.
    ASSERT_EQ(sound.firstSample, made.LineSample(made.soundStartMs, kRipRate));
    const int64_t end = sound.firstSample + sound.frames();
    QStringList files, titles;
    std::vector<int64_t> starts, lengths;
    for (size_t k = 0; k < kMarks.size(); ++k) {
        files << out + QStringLiteral("%1 - %2.mp3")
                           .arg(k + 1, 2, 10, QLatin1Char('0'))
                           .arg(kMarks[k].title);
        titles << kMarks[k].title;
        starts.push_back(made.LineSample(kMarks[k].startMs, kRipRate));
    }
    for (size_t k = 0; k < starts.size(); ++k)
        lengths.push_back((k + 1 < starts.size() ? starts[k + 1] : end) - starts[k]);
    ASSERT_EQ(FilesIn(out).size(), kMarks.size()) << FilesIn(out).join(u' ').toStdString();
    TJoinedTracks joined = DecodeTracks(files, lengths, titles, kRipRate);
    ASSERT_EQ(int64_t(joined.samples.size()) / 2, end);

    // Silence up to the sound (short of the encoder's smear at its onset), then the sound.
    const int64_t lead = sound.firstSample;
    for (int64_t i = 0; i < 2 * (lead - 1152); ++i)
        ASSERT_LT(std::abs(int(joined.samples[size_t(i)])), 50) << "frame " << i / 2;
    joined.samples.erase(joined.samples.begin(), joined.samples.begin() + 2 * lead);
    for (int64_t& b : joined.boundaries)
        b -= lead;
    ExpectSeamless(joined, sound, sound.firstSample);
    // And against the fixture's own signal, 0.1 s into each file's sound.
    for (size_t k = 0; k < starts.size(); ++k) {
        SCOPED_TRACE(k + 1);
        const int64_t from = std::max(starts[k], sound.firstSample) + kRipRate / 10;
        ExpectSignalAt(joined.samples, from - sound.firstSample - kPadding,
                       from - sound.firstSample);
    }
}

DecodedAudio RipRange(const QString& source, const QStringList& range, const QString& output) {
    const TProgramRun run =
        RunSonavel(QStringList{QStringLiteral("--rip"), source, QStringLiteral("-o"), output} +
                   range + kEncoding);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    DecodedAudio mp3 = DecodeAudioFile(output);
    EXPECT_TRUE(mp3.ok) << mp3.error.toStdString();
    return mp3;
}

} // namespace

// The sound starts a second after the pictures: the first chapter holds the pictures'
// silent second on the time line, and its file begins with the first sound.
TEST(ContainerChapters, MatroskaChaptersSplitIntoTitledFilesThatJoinIntoItsSound) {
    const TChapterSource made = Make(QStringLiteral("concert.mkv"), "matroska", 1000);
    ASSERT_FALSE(made.path.isEmpty()) << made.error.toStdString();
    ExpectChapterFiles(made);

    // --list-chapters prints what --tracks reads back: the same chapters.
    const TProgramRun list = RunSonavel({QStringLiteral("--list-chapters"), made.path});
    ASSERT_EQ(list.exitCode, 0) << list.err.toStdString();
    const QStringList lines = list.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << list.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(u'#') && lines[0].endsWith(QStringLiteral("3 chapters")));
    EXPECT_EQ(lines[1], QStringLiteral("0:00:00.000 0:00:02.995 Opening"));
    EXPECT_EQ(lines[2], QStringLiteral("0:00:02.995 0:00:06.495 Ballad"));
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("0:00:06.495 0:00:1")) &&
                lines[3].endsWith(QStringLiteral(" Encore")))
        << lines[3].toStdString();

    // --chapter 2-3: from the Ballad's first sample to the end, and its chapters marked.
    const QString dir = FreshDir(QStringLiteral("mkvrange"));
    const DecodedAudio last =
        RipRange(made.path, {QStringLiteral("--chapter"), QStringLiteral("2-3")},
                 dir + QStringLiteral("/23.mp3"));
    const TSourceSound sound = ReadSourceSound(made.path, kRipRate);
    const int64_t ballad = made.LineSample(3000, kRipRate);
    EXPECT_EQ(last.frames(), sound.firstSample + sound.frames() - ballad);
    ExpectSignalAt(last.samples, ballad - sound.firstSample - kPadding + kRipRate / 10,
                   kRipRate / 10);

    // The chapters in one Opus file: its own chapter marks, each at its chapter's place on
    // the time line and titled after it, as FFmpeg reads them back.
    const QString opus = dir + QStringLiteral("/whole.opus");
    const TProgramRun one =
        RunSonavel({QStringLiteral("--rip"), made.path, QStringLiteral("--split-chapters"),
                    QStringLiteral("--one-file"), QStringLiteral("-o"), opus,
                    QStringLiteral("--bitrate"), QStringLiteral("64"), QStringLiteral("--quiet")});
    ASSERT_EQ(one.exitCode, 0) << one.err.toStdString();
    const std::vector<TChapterRead> marks = ReadChapters(opus);
    ASSERT_EQ(marks.size(), kMarks.size());
    for (size_t k = 0; k < kMarks.size(); ++k) {
        SCOPED_TRACE(k + 1);
        EXPECT_EQ(marks[k].title, kMarks[k].title);
        EXPECT_NEAR(marks[k].startS, double(made.LineSample(kMarks[k].startMs, 48000)) / 48000,
                    0.0015);
    }
    EXPECT_EQ(DecodeAudioFile(opus).frames(), sound.firstSample + sound.frames());
}

// The pictures start half a second after the sound, and the tracks have titles of their
// own: --list-tracks shows them, and a chapter typed as times is the chapter.
TEST(ContainerChapters, Mp4ChaptersWithTheSoundAheadOfThePictures) {
    const TChapterSource made =
        Make(QStringLiteral("lecture.mp4"), "mp4", -500,
             {QStringLiteral("Stereo English"), QStringLiteral("Commentary")});
    ASSERT_FALSE(made.path.isEmpty()) << made.error.toStdString();
    ExpectChapterFiles(made);

    const TProgramRun tracks = RunSonavel({QStringLiteral("--list-tracks"), made.path});
    ASSERT_EQ(tracks.exitCode, 0) << tracks.err.toStdString();
    const QStringList lines = tracks.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << tracks.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("1  ac3       eng")) &&
                lines[0].endsWith(QStringLiteral("  Stereo English")))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("2  ac3       fra")) &&
                lines[1].endsWith(QStringLiteral("  Commentary")))
        << lines[1].toStdString();

    // --chapter 2 and the same chapter typed as times: one range, to the sample.
    const QString dir = FreshDir(QStringLiteral("mp4range"));
    const DecodedAudio chapter =
        RipRange(made.path, {QStringLiteral("--chapter"), QStringLiteral("2")},
                 dir + QStringLiteral("/c2.mp3"));
    const DecodedAudio typed = RipRange(made.path,
                                        {QStringLiteral("--start"), QStringLiteral("3"),
                                         QStringLiteral("--end"), QStringLiteral("6.5")},
                                        dir + QStringLiteral("/t.mp3"));
    const int64_t from = made.LineSample(3000, kRipRate), to = made.LineSample(6500, kRipRate);
    EXPECT_EQ(chapter.frames(), to - from);
    EXPECT_EQ(typed.frames(), to - from);
    const int64_t signal = from - made.LineSample(made.soundStartMs, kRipRate) - kPadding;
    ExpectSignalAt(chapter.samples, signal + kRipRate / 10, kRipRate / 10);
    ExpectSignalAt(typed.samples, signal + kRipRate / 10, kRipRate / 10);
}

// Three sources in one run, the second no video at all: the other two are ripped into the
// folder, the bad one is named, and the run says so in its status and its summary. With
// --split-chapters, each source's chapters go into a folder named after it.
TEST(ContainerChapters, SeveralSourcesRipInTurnAndABadOneIsNamed) {
    const TChapterSource mkv = Make(QStringLiteral("first.mkv"), "matroska", 0);
    const TChapterSource mp4 = Make(QStringLiteral("third.mp4"), "mp4", 0);
    ASSERT_FALSE(mkv.path.isEmpty() || mp4.path.isEmpty()) << (mkv.error + mp4.error).toStdString();
    const QString bad = FreshDir(QStringLiteral("badsrc")) + QStringLiteral("/second.mkv");
    ASSERT_TRUE(WriteFile(bad, "not a video, only words\n"));

    const QString out = FreshDir(QStringLiteral("batch"));
    const TProgramRun run = RunSonavel(QStringList{QStringLiteral("--rip"), mkv.path, bad, mp4.path,
                                                   QStringLiteral("-o"), out + u'/'} +
                                       kEncoding);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(FilesIn(out),
              (QStringList{QStringLiteral("first.mp3"), QStringLiteral("third.mp3")}));
    const QStringList errors = run.err.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(errors.size(), 2) << run.err.toStdString();
    EXPECT_TRUE(errors[0].startsWith(QStringLiteral("sonavel: ")) &&
                errors[0].contains(QStringLiteral("second.mkv")))
        << errors[0].toStdString();
    EXPECT_TRUE(errors[1].startsWith(QStringLiteral("sonavel: 2 of 3 sources ripped; failed: ")) &&
                errors[1].contains(QStringLiteral("second.mkv")))
        << errors[1].toStdString();
    for (const QString& name : {QStringLiteral("first.mp3"), QStringLiteral("third.mp3")}) {
        const DecodedAudio mp3 = DecodeAudioFile(out + u'/' + name);
        ASSERT_TRUE(mp3.ok) << name.toStdString();
        const TSourceSound sound =
            ReadSourceSound(name.startsWith(u'f') ? mkv.path : mp4.path, kRipRate);
        EXPECT_EQ(mp3.frames(), sound.firstSample + sound.frames());
    }

    const QString split = FreshDir(QStringLiteral("batchsplit"));
    const TProgramRun chapters =
        RunSonavel(QStringList{QStringLiteral("--rip"), mkv.path, mp4.path,
                               QStringLiteral("--split-chapters"), QStringLiteral("--chapter"),
                               QStringLiteral("2"), QStringLiteral("-o"), split + u'/'} +
                   kEncoding);
    ASSERT_EQ(chapters.exitCode, 0) << chapters.err.toStdString();
    const QStringList names = {QStringLiteral("01 - Ballad.mp3")};
    EXPECT_EQ(QDir(split).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
              (QStringList{QStringLiteral("first"), QStringLiteral("third")}));
    EXPECT_EQ(FilesIn(split + QStringLiteral("/first")), names);
    EXPECT_EQ(FilesIn(split + QStringLiteral("/third")), names);
}
