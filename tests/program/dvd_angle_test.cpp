// Camera angles on the command line, run as the built program: a chapter inside an
// interleaved two-angle block is exactly one angle's sound (angle 1 unless --angle says
// otherwise) from its first sample to its last, the title goes on after the block where it
// should, --list-titles counts the angles, a default name says the angle past the first,
// and an angle the title lacks, or one its navigation packs lose, is refused.

#include "media/dvd/dvd_disc.h"
#include "support/dvd_angles.h"
#include "support/dvd_rip.h"
#include "support/fixture_signal.h"
#include "support/program_run.h"
#include "support/test_env.h"

#include <QFile>

#include <gtest/gtest.h>

namespace fs = fixture_signal;

namespace {

// The block's sound is `signal` throughout, from its first sample to its last: every quarter
// of a second where the source sounds (a rip that alternates the angles hears the other
// angle's sound, or its own twice, within a second).
void ExpectAngleThroughout(const DecodedAudio& mp3, const fs::TSignal& signal) {
    const int64_t length = mp3.frames();
    for (int64_t from = kDvdRipRate / 20; from + 4096 < length; from += kDvdRipRate / 4) {
        const double seconds = double(from) / kDvdRipRate;
        if (fs::IsLoudAt(seconds) && fs::IsLoudAt(seconds + 4096.0 / kDvdRipRate))
            ExpectSignalAt(mp3, signal, from, from);
    }
    const int64_t tail = length - 4096 - kDvdRipRate / 100;
    ExpectSignalAt(mp3, signal, tail, tail);
}

QStringList Args(const QString& disc, const QStringList& more) {
    return QStringList{QStringLiteral("--rip"), disc, QStringLiteral("--dvd-title"),
                       QStringLiteral("1")} +
           more;
}

} // namespace

TEST(DvdAngles, AChapterInAnInterleavedBlockIsOneAnglesSound) {
    QString error;
    const QString disc =
        MakeAngleDvd(QStringLiteral("angles"), TAngleLayout::alInterleaved, &error);
    ASSERT_FALSE(disc.isEmpty()) << error.toStdString();
    const TProgramRun titles = RunSonavel({QStringLiteral("--list-titles"), disc});
    ASSERT_EQ(titles.exitCode, 0) << titles.err.toStdString();
    EXPECT_EQ(titles.out.toStdString(),
              "1  0:00:14.4  3 chapters   2 angles  1: eng ac3 2ch, 2: fra ac3 2ch\n");

    const TDvdTitle title = TDvdDisc::Open(disc)->Title(1);
    ASSERT_EQ(title.cells.size(), 3u);
    const int64_t around = DvdSamples(title.cells[0].duration);
    const int64_t block = DvdSamples(title.cells[1].duration);

    // Chapter 2, the block, in the first angle by default.
    const DecodedAudio first =
        RipDvd(Args(disc, {QStringLiteral("--chapter"), QStringLiteral("2")}),
               FreshDir(QStringLiteral("angle1")) + QStringLiteral("/chapter2.mp3"));
    EXPECT_EQ(first.frames(), block);
    ExpectAngleThroughout(first, fs::kTitleAEng);

    // Every chapter in the second: the block is its sound alone, and the other source plays
    // on either side of it, after it from its own sectors again.
    const std::vector<DecodedAudio> second =
        RipDvdChapters(Args(disc, {QStringLiteral("--angle"), QStringLiteral("2")}));
    ASSERT_EQ(second.size(), 3u);
    EXPECT_EQ(second[1].frames(), block);
    ExpectAngleThroughout(second[1], fs::kTitleAFra);
    for (const size_t c : {size_t(0), size_t(2)}) {
        EXPECT_EQ(second[c].frames(), around);
        ExpectSignalAt(second[c], fs::kTitleBEng, 0, 0);
        ExpectSignalAt(second[c], fs::kTitleBEng, 3 * kDvdRipRate + 5, 3 * kDvdRipRate + 5);
    }

    // Without -o the second angle's rip is named apart from the first's.
    const TProgramRun named = RunSonavel(
        Args(disc, {QStringLiteral("--angle"), QStringLiteral("2"), QStringLiteral("--chapter"),
                    QStringLiteral("2"), QStringLiteral("--quiet")}));
    ASSERT_EQ(named.exitCode, 0) << named.err.toStdString();
    const QStringList documents = FilesIn(TestRoot() + QStringLiteral("/Documents"));
    EXPECT_TRUE(documents.size() == 1 && documents[0].endsWith(QStringLiteral("_t01_a2_c02.mp3")))
        << documents.join(u' ').toStdString();
    for (const QString& name : documents)
        QFile::remove(TestRoot() + QStringLiteral("/Documents/") + name);

    // An angle the title lacks; an angle on a plain file; an angle whose navigation packs
    // lead out of its block, a damaged disc.
    const QString out = FreshDir(QStringLiteral("anglebad"));
    const QString mp3 = out + QStringLiteral("/x.mp3");
    EXPECT_TRUE(ExpectCleanFailure(Args(disc, {QStringLiteral("--angle"), QStringLiteral("3"),
                                               QStringLiteral("-o"), mp3}),
                                   out)
                    .endsWith(QStringLiteral(" has 2 angles, not 3")));
    EXPECT_TRUE(ExpectCleanFailure({QStringLiteral("--rip"), FixturePath("dvd_ac3_stereo.vob"),
                                    QStringLiteral("--angle"), QStringLiteral("2"),
                                    QStringLiteral("-o"), mp3},
                                   out)
                    .contains(QStringLiteral("is not a DVD; --dvd-title and --angle need one")));
    ASSERT_TRUE(BreakAngleUnit(disc, 2, 1));
    EXPECT_TRUE(ExpectCleanFailure(Args(disc, {QStringLiteral("--angle"), QStringLiteral("2"),
                                               QStringLiteral("-o"), mp3}),
                                   out)
                    .contains(QStringLiteral("navigation packs are damaged")));
}
