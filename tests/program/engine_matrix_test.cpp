// One engine for every rip, as the built program runs it: {a plain file, a DVD title read
// across a VOB part} x {a range, a track list} x {one encoder, every core} x {constant,
// variable bit rate}. The sources are long enough that a rip on every core is cut into
// segments at the engine's own settings. Every file is read back with FFmpeg: its exact
// length, its place in the source's own sound, clean joins, and as close to the source on
// every core as on one.

#include "support/program_run.h"

#include "app/dvd_choice.h"
#include "support/dvd_authoring.h"
#include "support/joined_tracks.h"
#include "support/test_env.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

constexpr int kRate = 48000;

struct TTrackSpan {
    TMediaTime start, end; // on the source's line
    QString name;          // the file's name in the output folder
    QString title;
};

struct TEncoding {
    const char* name;
    QStringList args;
};

const TEncoding kEncodings[] = {
    {"cbr", {QStringLiteral("--bitrate"), QStringLiteral("192")}},
    {"vbr", {QStringLiteral("--vbr"), QStringLiteral("96-256")}},
};

// Rips with `args` on one encoder and on two, checks both, and answers nothing: every
// failure is a test failure. `source` is what the sound is read from for comparison.
void RipEveryWay(const QStringList& args, const QString& source,
                 const std::vector<TTrackSpan>& spans) {
    const TSourceSound sound = ReadSourceSound(source, kRate);
    ASSERT_GT(sound.frames(), 0);
    for (const TEncoding& encoding : kEncodings) {
        double serialError = 0;
        for (const char* jobs : {"1", "2"}) {
            SCOPED_TRACE(std::string(encoding.name) + " jobs " + jobs);
            const QString out = FreshDir(QStringLiteral("matrix")) + u'/';
            QStringList all = args;
            for (QString& a : all)
                a.replace(QStringLiteral("{out}"), out);
            all << encoding.args << QStringLiteral("--samplerate") << QString::number(kRate)
                << QStringLiteral("--mode") << QStringLiteral("joint") << QStringLiteral("--jobs")
                << QString::fromLatin1(jobs) << QStringLiteral("--quiet");
            const TProgramRun run = RunSonavel(all);
            ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
            EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();

            QStringList files, names, titles;
            std::vector<int64_t> lengths;
            for (const TTrackSpan& span : spans) {
                files << out + span.name;
                names << span.name;
                titles << span.title;
                lengths.push_back(sound.SampleAt(span.end) - sound.SampleAt(span.start));
            }
            EXPECT_EQ(FilesIn(out), names);
            const TJoinedTracks joined = DecodeTracks(files, lengths, titles, kRate);
            const int64_t first = sound.SampleAt(spans.front().start);
            ExpectSeamless(joined, sound, first);
            const double error = ErrorDb(joined, sound, first);
            if (QByteArray(jobs) == "1")
                serialError = error;
            else // seams cost next to nothing
                EXPECT_NEAR(error, serialError, 0.3);
        }
    }
}

// A disc of one 60-second title: two plays of the concert source, a chapter each, the
// title read across the cut of its VOB into two parts.
struct TConcertDvd {
    QString root;
    TDvdChoice dvd;
};

TConcertDvd ConcertDvd() {
    TConcertDvd disc;
    QString error;
    disc.root = MakeConcertDvd(QStringLiteral("matrixdvd"), 2, {0, 1}, 0.5, &error);
    if (!disc.root.isEmpty())
        ChooseDvdTitle(disc.root, 1, disc.dvd);
    return disc;
}

} // namespace

TEST(RipMatrix, PlainFileRange) {
    const QString source = FixturePath(QStringLiteral("dvd_concert.mpg"));
    RipEveryWay({QStringLiteral("--rip"), source, QStringLiteral("--start"), QStringLiteral("1.5"),
                 QStringLiteral("--end"), QStringLiteral("28.7"), QStringLiteral("-o"),
                 QStringLiteral("{out}range.mp3")},
                source,
                {{TMediaTime::FromSeconds(1.5), TMediaTime::FromSeconds(28.7),
                  QStringLiteral("range.mp3"), QString()}});
}

TEST(RipMatrix, PlainFileTrackList) {
    const QString source = FixturePath(QStringLiteral("dvd_concert.mpg"));
    const QString list = FreshDir(QStringLiteral("matrixlist")) + QStringLiteral("/list.txt");
    // The second track is long enough to be cut into segments; both run side by side.
    ASSERT_TRUE(WriteFile(list, "0.5 8.3 Opening\n8.3 29.1 Long Song\n"));
    RipEveryWay({QStringLiteral("--rip"), source, QStringLiteral("--tracks"), list,
                 QStringLiteral("-o"), QStringLiteral("{out}")},
                source,
                {{TMediaTime::FromSeconds(0.5), TMediaTime::FromSeconds(8.3),
                  QStringLiteral("01 - Opening.mp3"), QStringLiteral("Opening")},
                 {TMediaTime::FromSeconds(8.3), TMediaTime::FromSeconds(29.1),
                  QStringLiteral("02 - Long Song.mp3"), QStringLiteral("Long Song")}});
}

TEST(RipMatrix, DvdTitleRangeAcrossAVobPart) {
    const TConcertDvd disc = ConcertDvd();
    ASSERT_FALSE(disc.root.isEmpty());
    ASSERT_TRUE(QFileInfo::exists(disc.root + QStringLiteral("/VIDEO_TS/VTS_01_2.VOB")));
    RipEveryWay({QStringLiteral("--rip"), disc.root, QStringLiteral("--start"),
                 QStringLiteral("3.3"), QStringLiteral("--end"), QStringLiteral("57.1"),
                 QStringLiteral("-o"), QStringLiteral("{out}title.mp3")},
                disc.dvd.locator,
                {{TMediaTime::FromSeconds(3.3), TMediaTime::FromSeconds(57.1),
                  QStringLiteral("title.mp3"), QString()}});
}

TEST(RipMatrix, DvdTitleChaptersAcrossAVobPart) {
    const TConcertDvd disc = ConcertDvd();
    ASSERT_FALSE(disc.root.isEmpty());
    ASSERT_EQ(disc.dvd.ChapterList().size(), 2u);
    std::vector<TTrackSpan> spans;
    for (const TSourceChapter& c : disc.dvd.ChapterList())
        spans.push_back({c.start, c.end, QStringLiteral("0%1 - Chapter %1.mp3").arg(c.number),
                         QStringLiteral("Chapter %1").arg(c.number)});
    RipEveryWay({QStringLiteral("--rip"), disc.root, QStringLiteral("--split-chapters"),
                 QStringLiteral("-o"), QStringLiteral("{out}")},
                disc.dvd.locator, spans);
}
