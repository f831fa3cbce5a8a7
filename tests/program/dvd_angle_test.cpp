// Camera angles on the command line, run as the built program: a chapter inside an
// interleaved two-angle block is exactly one angle's sound (angle 1 unless --angle says
// otherwise) from its first sample to its last, the title goes on after the block where it
// should, a block laid out without interleaving plays the chosen angle too, --list-titles
// counts the angles, and an angle the title lacks, or one its navigation packs lose, is
// refused.

#include "media/dvd/dvd_disc.h"
#include "support/dvd_angles.h"
#include "support/dvd_authoring.h"
#include "support/dvd_rip.h"
#include "support/fixture_signal.h"
#include "support/program_run.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

namespace fs = fixture_signal;

namespace {

constexpr int kRate = kDvdRipRate;

// The block's sound is `signal` throughout, at the place the block's first picture gives
// it: every quarter of a second where the source sounds (a rip that alternates the angles
// hears the other angle's sound, or its own twice, within a second).
void ExpectAngleThroughout(const DecodedAudio& mp3, const fs::TSignal& signal, int64_t at,
                           int64_t length) {
    for (int64_t from = kRate / 20; from + 4096 < length; from += kRate / 4) {
        const double seconds = double(from) / kRate;
        if (fs::IsLoudAt(seconds) && fs::IsLoudAt(seconds + 4096.0 / kRate))
            ExpectSignalAt(mp3, signal, from, at + from);
    }
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
    EXPECT_EQ(titles.out, QStringLiteral("1  0:00:14.4  3 chapters   2 angles  1: eng ac3 2ch, "
                                         "2: fra ac3 2ch\n"));

    const TDvdTitle title = TDvdDisc::Open(disc)->Title(1);
    ASSERT_EQ(title.cells.size(), 3u);
    const int64_t before = DvdSamples(title.cells[0].duration);
    const int64_t block = DvdSamples(title.cells[1].duration);
    const QString out = FreshDir(QStringLiteral("anglesout"));

    struct TChoice {
        QStringList options;
        fs::TSignal sound;
    };
    const TChoice choices[] = {
        {{}, fs::kTitleAEng},
        {{QStringLiteral("--angle"), QStringLiteral("1")}, fs::kTitleAEng},
        {{QStringLiteral("--angle"), QStringLiteral("2")}, fs::kTitleAFra},
        {{QStringLiteral("--angle"), QStringLiteral("2"), QStringLiteral("--audio-track"),
          QStringLiteral("2")},
         fs::kTitleAEng},
    };
    for (const TChoice& choice : choices) {
        SCOPED_TRACE(choice.options.join(u' ').toStdString());
        const DecodedAudio chapter =
            RipDvd(Args(disc, choice.options +
                                  QStringList{QStringLiteral("--chapter"), QStringLiteral("2")}),
                   FreshDir(QStringLiteral("angle")) + QStringLiteral("/chapter2.mp3"));
        EXPECT_EQ(chapter.frames(), block);
        ExpectAngleThroughout(chapter, choice.sound, 0, block);
        ExpectSignalAt(chapter, choice.sound, block - 4096 - kRate / 100,
                       block - 4096 - kRate / 100);
    }

    // The whole title in angle 2: the block between the two plays of the other source, which
    // goes on after the block from its own sectors.
    const DecodedAudio whole = RipDvd(Args(disc, {QStringLiteral("--angle"), QStringLiteral("2")}),
                                      out + QStringLiteral("/whole.mp3"));
    EXPECT_EQ(whole.frames(), 2 * before + block);
    ExpectSignalAt(whole, fs::kTitleBEng, kRate, kRate);
    ExpectAngleThroughout(whole, fs::kTitleAFra, before, block);
    ExpectSignalAt(whole, fs::kTitleBEng, 0, before + block);
    ExpectSignalAt(whole, fs::kTitleBEng, 3 * kRate + 5, before + block + 3 * kRate + 5);
}

TEST(DvdAngles, ABlockWithoutInterleavingPlaysTheChosenAngle) {
    QString error;
    const QString disc =
        MakeAngleDvd(QStringLiteral("contiguous"), TAngleLayout::alContiguous, &error);
    ASSERT_FALSE(disc.isEmpty()) << error.toStdString();
    const int64_t block = DvdSamples(TDvdDisc::Open(disc)->Title(1).cells.at(1).duration);
    for (const int angle : {1, 2}) {
        SCOPED_TRACE(angle);
        const DecodedAudio chapter =
            RipDvd(Args(disc, {QStringLiteral("--angle"), QString::number(angle),
                               QStringLiteral("--chapter"), QStringLiteral("2")}),
                   FreshDir(QStringLiteral("contiguous")) + QStringLiteral("/chapter2.mp3"));
        EXPECT_EQ(chapter.frames(), block);
        ExpectAngleThroughout(chapter, angle == 1 ? fs::kTitleAEng : fs::kTitleAFra, 0, block);
    }
}

TEST(DvdAngles, AnAngleThatCannotBePlayedIsRefused) {
    QString error;
    const QString disc =
        MakeAngleDvd(QStringLiteral("angles3"), TAngleLayout::alInterleaved, &error);
    ASSERT_FALSE(disc.isEmpty()) << error.toStdString();
    const QString out = FreshDir(QStringLiteral("anglebad"));
    const QString mp3 = out + QStringLiteral("/x.mp3");
    EXPECT_TRUE(ExpectCleanFailure(Args(disc, {QStringLiteral("--angle"), QStringLiteral("3"),
                                               QStringLiteral("-o"), mp3}),
                                   out)
                    .endsWith(QStringLiteral(" has 2 angles, not 3")));
    EXPECT_TRUE(
        ExpectCleanFailure({QStringLiteral("--rip"), TestDvdRoot(), QStringLiteral("--angle"),
                            QStringLiteral("2"), QStringLiteral("-o"), mp3},
                           out)
            .contains(QStringLiteral("has 1 angle, not 2")));
    EXPECT_TRUE(ExpectCleanFailure({QStringLiteral("--rip"), FixturePath("dvd_ac3_stereo.vob"),
                                    QStringLiteral("--angle"), QStringLiteral("2"),
                                    QStringLiteral("-o"), mp3},
                                   out)
                    .contains(QStringLiteral("not a DVD")));
    // An angle whose navigation packs lead out of its block is a damaged disc.
    ASSERT_TRUE(BreakAngleUnit(disc, 2, 1));
    EXPECT_TRUE(ExpectCleanFailure(Args(disc, {QStringLiteral("--angle"), QStringLiteral("2"),
                                               QStringLiteral("-o"), mp3}),
                                   out)
                    .contains(QStringLiteral("navigation packs are damaged")));
}
