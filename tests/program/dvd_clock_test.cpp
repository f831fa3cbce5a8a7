// One clock for a DVD title, as a player presents it: every sample counts from the title's
// first picture, whatever sound was muxed ahead of it (AC-3's and MP2's padding, a source
// whose sound starts before its pictures, the song before where a song title starts inside
// a VOB ID). So a title and its first chapter last what the disc says, to the sample, and a
// song title starts with the song, on AC-3 and LPCM. Ripped with the built program and
// decoded with FFmpeg.

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
constexpr int64_t kTailMargin = 4096 + kRate / 100; // a needle, 10 ms before an end

QStringList Title(const QString& disc, int title) {
    return {QStringLiteral("--rip"), disc, QStringLiteral("--dvd-title"), QString::number(title)};
}

// `mp3` is the source's sound from sample `from` on for `length` samples, to the sample:
// its first samples and its last ones are the source's.
void ExpectStretch(const DecodedAudio& mp3, const fs::TSignal& signal, int64_t from,
                   int64_t length) {
    EXPECT_EQ(mp3.frames(), length);
    ExpectSignalAt(mp3, signal, from, 0);
    ExpectSignalAt(mp3, signal, from + length - kTailMargin, length - kTailMargin);
}

} // namespace

TEST(DvdClock, EveryTitleCountsFromItsFirstPicture) {
    // A music-video disc: per title set a "play all" title of three (two) songs, one cell and
    // chapter each, and a title of one song that reuses the play-all title's second cell,
    // which starts in the middle of the VOB ID: the sound in its first sectors is the song
    // before's, stamped ahead of the song's first picture. Then a title of MP2 sound and one
    // whose sound starts kPictureLead before its pictures, two chapters each.
    QString error;
    const QString disc = AuthorDvdTitleSets(
        QStringLiteral("clock"),
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
  <titleset><titles>
    <audio lang="en"/>
    <pgc><vob file="%3" chapters="0,1.6"/></pgc>
  </titles></titleset>
  <titleset><titles>
    <audio lang="en"/>
    <pgc><vob file="%4" chapters="0,1.6"/></pgc>
  </titles></titleset>
)")
            .arg(FixturePath("dvd_title_a.mpg"), FixturePath("dvd_title_lpcm.mpg"),
                 FixturePath("dvd_title_mp2.mpg"), FixturePath("dvd_title_lead.mpg")),
        &error);
    ASSERT_FALSE(disc.isEmpty()) << error.toStdString();
    const std::unique_ptr<TDvdDisc> opened = TDvdDisc::Open(disc);
    const auto cellSamples = [&](int title, int cell) {
        return DvdSamples(opened->Title(title).cells.at(size_t(cell)).duration);
    };

    // Each chapter of a title to the sample of its cells, the first from the title's first
    // picture: together the whole title, as long as the disc says.
    struct TChapters {
        const char* name;
        int title;
        fs::TSignal signal;
        int64_t firstPicture; // the source sample shown with the title's first picture
    };
    for (const TChapters& t :
         {TChapters{"ac3", 1, fs::kTitleAEng, 0}, TChapters{"mp2", 5, fs::kTitleMp2, 0},
          TChapters{"sound before the picture", 6, fs::kTitleLead,
                    std::llround(fs::kPictureLead * kRate)}}) {
        SCOPED_TRACE(t.name);
        const TDvdTitle& title = opened->Title(t.title);
        ASSERT_EQ(title.Chapters(), int(title.cells.size()));
        const std::vector<DecodedAudio> chapters = RipDvdChapters(Title(disc, t.title));
        ASSERT_EQ(chapters.size(), title.cells.size());
        int64_t start = t.firstPicture, total = 0;
        for (size_t c = 0; c < chapters.size(); ++c) {
            SCOPED_TRACE(c + 1);
            const int64_t length = cellSamples(t.title, int(c));
            if (c + 1 < chapters.size()) // the source's sound; the last may end before the cell
                ExpectStretch(chapters[c], t.signal, start, length);
            else
                EXPECT_EQ(chapters[c].frames(), length);
            start += length;
            total += chapters[c].frames();
        }
        EXPECT_EQ(total, DvdSamples(title.Duration()));
    }
    // The whole title whose sound leads its pictures by 125 ms.
    const DecodedAudio lead =
        RipDvd(Title(disc, 6), FreshDir(QStringLiteral("lead")) + QStringLiteral("/whole.mp3"));
    EXPECT_EQ(lead.frames(), DvdSamples(opened->Title(6).Duration()));
    ExpectSignalAt(lead, fs::kTitleLead, std::llround(fs::kPictureLead * kRate), 0);

    // A song title starts with the song and lasts as long as its cell, as the same cell does
    // inside the play-all title (its chapter 2 above).
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
        ASSERT_EQ(song.cells[0].firstSector, playAll.cells.at(1).firstSector); // the same cell
        ASSERT_GT(song.cells[0].firstSector, playAll.cells[0].firstSector);
        ExpectStretch(RipDvd(Title(disc, s.song),
                             FreshDir(QStringLiteral("song")) + QStringLiteral("/s.mp3")),
                      s.signal, cellSamples(s.playAll, 0), DvdSamples(song.Duration()));
    }
}
