// A concert DVD of real size, as the window rips it: a 16-minute title of seven chapters of
// 1:30 to 3:00, ripped with the default settings into seven files that join into the title
// to the sample. Labelled slow: the sanitizer runs leave it out.

#include "window/window_fixture.h"

#include "app/common.h"
#include "audio/rip/mp3_out.h"
#include "support/dvd_authoring.h"
#include "support/joined_tracks.h"
#include "ui/skin/skin_panel.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QTreeWidget>

// A concert as a user has it: a 16-minute title, seven chapters, the window's defaults
// (every core, 44.1 kHz from the disc's 48 kHz, 192 kbit/s), and the Tracks list as the
// title opened.
TEST_F(WindowTest, ConcertDvdOfRealSizeSplitsIntoGaplessChapters) {
    AppSettings = TAppSettings{};
    AppSettings.InputFileDir = TestRoot() + QStringLiteral("/");
    const QList<int> chapterPlays = {0, 5, 9, 15, 20, 24, 29}; // 150 120 180 150 120 150 90 s
    QString error;
    const QString root = MakeConcertDvd(QStringLiteral("concert"), 32, chapterPlays, 0.37, &error);
    ASSERT_FALSE(root.isEmpty()) << error.toStdString();
    Open(root);
    const std::vector<TSourceChapter>& chapters = Frm->Dvd().ChapterList();
    ASSERT_EQ(chapters.size(), 7u);
    ASSERT_GT(Frm->DurationMs(), 959000);
    ASSERT_EQ(Frm->TrackList().Tracks.size(), 7u);
    const QString out = FreshDir(QStringLiteral("concertout")) + u'/';
    Frm->outputFileEdit->setText(out + QStringLiteral("concert.mp3"));
    Frm->ExtractBtnClick();
    ASSERT_TRUE(Frm->Running()) << (Boxes.empty() ? "" : Boxes.back().Text.toStdString());
    // While it runs, its panel stands under the summary, whose Title and Chapter rows stay
    // in sight.
    EXPECT_TRUE(Frm->ProgressPanel->isVisible());
    EXPECT_TRUE(Frm->ChapterPanel->isVisible());
    EXPECT_GT(Frm->ProgressPanel->y(), Frm->skinPanel1->geometry().bottom());
    ASSERT_TRUE(WaitFor([&] { return !Frm->Running(); }, 200000));
    Pump(20);
    // The run's marks leave the list: numbers and lengths as before it.
    const TTrackEntry& last = Frm->TrackList().Tracks.back();
    EXPECT_EQ(Frm->TrackListView->topLevelItem(6)->text(0), QStringLiteral("7"));
    EXPECT_EQ(Frm->TrackListView->topLevelItem(6)->text(3),
              FormatShortTimeText(last.End - last.Start));
    ASSERT_FALSE(Boxes.empty());
    EXPECT_EQ(Boxes.back().Text,
              QStringLiteral("7 tracks ripped to\n ") + out +
                  QStringLiteral("\n  01 - Chapter 1.mp3\n  02 - Chapter 2.mp3\n  03 - Chapter "
                                 "3.mp3\n  ... and 4 more"));

    const int rate = 44100;
    const TSourceSound sound = ReadSourceSound(Frm->Dvd().locator, rate);
    QStringList files, titles;
    std::vector<int64_t> lengths;
    for (const TSourceChapter& c : chapters) {
        files << out + QStringLiteral("0%1 - Chapter %1.mp3").arg(c.number);
        titles << QStringLiteral("Chapter %1").arg(c.number);
        lengths.push_back(sound.SampleAt(c.end) - sound.SampleAt(c.start));
        EXPECT_GE(lengths.back(), int64_t(89) * rate);
    }
    const TJoinedTracks joined = DecodeTracks(files, lengths, titles, rate);
    ExpectSeamless(joined, sound, sound.SampleAt(chapters.front().start));
    int most = 0;
    for (const TRipJobResult& r : Frm->RunSession->MP3Out->LastResults())
        most = std::max(most, r.Segments);
    EXPECT_GT(most, 1);
}
