// A Matroska file's chapters in the window, as a DVD title's are: the Chapter row with the
// chapters' titles, the marks on the track bar, PageDown, the Tracks list filled from the
// chapters and ripped with real clicks into one file per chapter, titled after it and
// exact to its chapter, at the source's own rate.
#include "window_fixture.h"

#include "support/chapter_source.h"
#include "support/decoded_audio.h"
#include "support/source_sound.h"
#include "ui/skin/skin_panel.h"
#include "ui/skin/track_bar.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

TEST_F(WindowTest, AFilesChaptersAreItsTracksMarksAndChapterRow) {
    TChapterSourceSpec spec;
    spec.from = FixturePath(QStringLiteral("two_tracks.mkv"));
    spec.chapters = {{0, QStringLiteral("Opening")},
                     {3000, QStringLiteral("Ballad")},
                     {6500, QStringLiteral("Encore")}};
    const TChapterSource made = MakeChapterSource(
        FreshDir(QStringLiteral("winchapters")) + QStringLiteral("/concert.mkv"), spec);
    ASSERT_FALSE(made.path.isEmpty()) << made.error.toStdString();
    ASSERT_EQ(made.firstMs, 0);
    AppSettings.AudioSampleRate = 0; // the source's own: 48 kHz, nothing resampled
    AppSettings.OutputFileDir = FreshDir(QStringLiteral("winchaptersout")) + u'/';
    Open(made.path);
    ASSERT_GT(Frm->DurationMs(), 9000) << (Boxes.empty() ? "" : Boxes.back().Text.toStdString());
    EXPECT_EQ(Frm->MP3SettingsText2->text(), QStringLiteral("Source's rate"));

    EXPECT_FALSE(Frm->TitlePanel->isVisibleTo(Frm.get()));
    EXPECT_TRUE(Frm->ChapterPanel->isVisibleTo(Frm.get()));
    ASSERT_EQ(Frm->ChapterBox->count(), 4);
    EXPECT_EQ(Frm->ChapterBox->itemText(0), QStringLiteral("All 3 chapters"));
    EXPECT_EQ(Frm->ChapterBox->itemText(2), QStringLiteral("2: 0:00:03.0  Ballad"));
    EXPECT_EQ(Frm->TrackBar->tickTimes(), (std::vector<int>{3000, 6500}));
    ASSERT_EQ(Frm->TrackListView->topLevelItemCount(), 3);
    EXPECT_EQ(Frm->TrackListView->topLevelItem(2)->text(1), QStringLiteral("Encore"));

    QKeyEvent down(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
    QApplication::sendEvent(Frm->ExtractBtn, &down);
    EXPECT_EQ(Frm->TrackBar->position(), 3000);

    // Rip! writes the chapters, one file each, titled and cut as the container marks them.
    Frm->outputFileEdit->setText(AppSettings.OutputFileDir + QStringLiteral("%n %t.mp3"));
    Answers = {2}; // do not open the folder
    Frm->ExtractBtn->click();
    ASSERT_TRUE(WaitFor([&] { return !Frm->Running(); }, 60000));
    Pump(50);
    const TSourceSound sound = ReadSourceSound(made.path, 48000);
    ASSERT_EQ(sound.firstSample, 0);
    const int64_t starts[] = {0, 144000, 312000, sound.frames()};
    const char* names[] = {"01 Opening.mp3", "02 Ballad.mp3", "03 Encore.mp3"};
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k + 1);
        const DecodedAudio mp3 =
            DecodeAudioFile(AppSettings.OutputFileDir + QLatin1String(names[k]));
        ASSERT_TRUE(mp3.ok) << mp3.error.toStdString();
        EXPECT_EQ(mp3.sampleRate, 48000);
        EXPECT_EQ(mp3.frames(), starts[k + 1] - starts[k]);
        EXPECT_EQ(mp3.tags.value(QStringLiteral("title")), spec.chapters[size_t(k)].title);
        double score = 0;
        const std::vector<int16_t> needle(sound.samples.begin() + starts[k] * 2 + 9600,
                                          sound.samples.begin() + starts[k] * 2 + 9600 + 8192);
        EXPECT_EQ(FindBestOffset(mp3.samples, needle, 2, 4500, 5100, &score, 4096), 4800);
        EXPECT_GT(score, 0.99);
    }

    // The Chapter row sets the range to a chapter and names the file after it.
    Frm->outputFileEdit->setText(AppSettings.OutputFileDir + "concert.mp3");
    Frm->ChapterBox->setCurrentIndex(2);
    Frm->ChapterBoxChange(2);
    EXPECT_EQ(Frm->StartMs(), 3000);
    EXPECT_EQ(Frm->EndMs(), 6500);
    EXPECT_EQ(Frm->outputFileEdit->text(), AppSettings.OutputFileDir + "concert_c02.mp3");
    EXPECT_TRUE(Errors.empty());
}
