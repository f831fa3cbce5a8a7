// One clock for a DVD title, as a player presents it: every sample counts from the title's
// first picture. A whole title and its first chapter last what the disc says, to the sample,
// whatever sound was muxed ahead of that picture (AC-3's and MP2's padding, a source whose
// sound starts before its pictures), on every audio track; and a song title that reuses a
// cell from the middle of a "play all" title's VOB starts with the song, on AC-3 and LPCM.
// Ripped with the built program and decoded with FFmpeg.

#include "media/dvd/dvd_disc.h"
#include "support/dvd_authoring.h"
#include "support/dvd_rip.h"
#include "support/fixture_signal.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <cmath>

namespace fs = fixture_signal;

namespace {

constexpr int kRate = kDvdRipRate;

struct TClockCase {
    const char* name;
    QString disc;
    QStringList track; // the audio track chosen, none for the first
    fs::TSignal signal;
    int64_t firstPicture; // the source sample shown with the title's first picture
};

// A disc of one title made of `source`, with a chapter at 0 and at 1.6 s.
QString OneSourceDisc(const char* hint, const char* source) {
    QString error;
    const QString disc = AuthorDvd(QString::fromLatin1(hint),
                                   QStringLiteral(R"(
      <audio lang="en"/>
      <pgc><vob file="%1" chapters="0,1.6"/></pgc>
)")
                                       .arg(FixturePath(QString::fromLatin1(source))),
                                   &error);
    EXPECT_FALSE(disc.isEmpty()) << error.toStdString();
    return disc;
}

} // namespace

TEST(DvdClock, ATitleAndItsFirstChapterLastWhatTheDiscSays) {
    const QString track2[] = {QStringLiteral("--audio-track"), QStringLiteral("2")};
    const TClockCase cases[] = {
        {"ac3", TestDvdRoot(), {}, fs::kTitleAEng, 0},
        {"ac3, second track", TestDvdRoot(), {track2[0], track2[1]}, fs::kTitleAFra, 0},
        {"mp2", OneSourceDisc("mp2disc", "dvd_title_mp2.mpg"), {}, fs::kTitleMp2, 0},
        {"sound before the picture",
         OneSourceDisc("leaddisc", "dvd_title_lead.mpg"),
         {},
         fs::kTitleLead,
         std::llround(fs::kPictureLead * kRate)},
    };
    for (const TClockCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QString out = FreshDir(QStringLiteral("clock"));
        ASSERT_FALSE(c.disc.isEmpty());
        const TDvdTitle title = TDvdDisc::Open(c.disc)->Title(1);
        ASSERT_GE(title.Chapters(), 2);
        int64_t chapter1 = 0;
        for (int cell = 0; cell < title.chapterCells[1]; ++cell)
            chapter1 += title.cells[size_t(cell)].duration;
        const QStringList rip = QStringList{QStringLiteral("--rip"), c.disc,
                                            QStringLiteral("--dvd-title"), QStringLiteral("1")} +
                                c.track;

        const DecodedAudio whole = RipDvd(rip, out + QStringLiteral("/whole.mp3"));
        EXPECT_EQ(whole.frames(), DvdSamples(title.Duration()));
        ExpectSignalAt(whole, c.signal, c.firstPicture, 0);
        ExpectSignalAt(whole, c.signal, c.firstPicture + 2 * kRate + 77, 2 * kRate + 77);

        const DecodedAudio first =
            RipDvd(rip + QStringList{QStringLiteral("--chapter"), QStringLiteral("1")},
                   out + QStringLiteral("/chapter1.mp3"));
        EXPECT_EQ(first.frames(), DvdSamples(chapter1));
        ExpectSignalAt(first, c.signal, c.firstPicture, 0);
        // It ends where chapter 2 begins: its last samples are the source's before that.
        const int64_t tail = first.frames() - 4096 - kRate / 100;
        ExpectSignalAt(first, c.signal, c.firstPicture + tail, tail);
    }
}

TEST(DvdClock, ASongTitleStartsWithTheSong) {
    // A music-video disc: per title set a "play all" title of three (two) songs, and a
    // title of one song that reuses the play-all title's cell, which starts in the middle of
    // the VOB ID: the sound in its first sectors is the song before's, stamped ahead of the
    // song's first picture.
    QString error;
    const QString disc = AuthorDvdTitleSets(
        QStringLiteral("songs"),
        QStringLiteral(R"(
  <titleset><titles>
    <audio lang="en"/>
    <audio lang="fr"/>
    <pgc><vob file="%1"><cell start="0" end="2.4" chapter="1"/>
      <cell start="2.4" end="4.8" chapter="1"/><cell start="4.8" chapter="1"/></vob></pgc>
    <pgc><vob file="%1"><cell start="2.4" end="4.8" chapter="1"/></vob></pgc>
  </titles></titleset>
  <titleset><titles>
    <audio format="pcm"/>
    <pgc><vob file="%2"><cell start="0" end="1.6" chapter="1"/>
      <cell start="1.6" chapter="1"/></vob></pgc>
    <pgc><vob file="%2"><cell start="1.6" chapter="1"/></vob></pgc>
  </titles></titleset>
)")
            .arg(FixturePath("dvd_title_a.mpg"), FixturePath("dvd_title_lpcm.mpg")),
        &error);
    ASSERT_FALSE(disc.isEmpty()) << error.toStdString();
    const std::unique_ptr<TDvdDisc> opened = TDvdDisc::Open(disc);
    struct TSong {
        const char* name;
        int playAll, song;
        fs::TSignal signal;
    };
    for (const TSong& s :
         {TSong{"ac3", 1, 2, fs::kTitleAEng}, TSong{"lpcm", 3, 4, fs::kTitleLpcm}}) {
        SCOPED_TRACE(s.name);
        const TDvdTitle& playAll = opened->Title(s.playAll);
        const TDvdTitle& song = opened->Title(s.song);
        ASSERT_EQ(song.cells.size(), 1u);
        ASSERT_GE(playAll.cells.size(), 2u);
        ASSERT_EQ(song.cells[0].firstSector, playAll.cells[1].firstSector); // the same cell
        ASSERT_GT(song.cells[0].firstSector, playAll.cells[0].firstSector);
        const int64_t start = DvdSamples(playAll.cells[0].duration); // the song's first picture
        const int64_t length = DvdSamples(song.Duration());
        const int64_t tail = length - 4096 - kRate / 100;

        // The song as the play-all title plays it, and as its own title.
        for (const QStringList& choice :
             {QStringList{QString::number(s.playAll), QStringLiteral("--chapter"),
                          QStringLiteral("2")},
              QStringList{QString::number(s.song)}}) {
            SCOPED_TRACE(choice.join(u' ').toStdString());
            const DecodedAudio mp3 = RipDvd(
                QStringList{QStringLiteral("--rip"), disc, QStringLiteral("--dvd-title")} + choice,
                FreshDir(QStringLiteral("song")) + QStringLiteral("/song.mp3"));
            EXPECT_EQ(mp3.frames(), length);
            ExpectSignalAt(mp3, s.signal, start, 0);
            ExpectSignalAt(mp3, s.signal, start + tail, tail);
        }
    }
}
