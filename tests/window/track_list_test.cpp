// The window's Tracks list: ranges marked and added one after the other, renamed,
// reordered and removed, then ripped in one run with one progress bar and one box; and
// a cancelled track run that leaves what was there.

#include "window_fixture.h"

#include "app/common.h"
#include "support/decoded_audio.h"
#include "ui/skin/caption_progress_bar.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

TEST_F(WindowTest, TracksListRipsEveryTrackInOneRun) {
    AppSettings.AudioSampleRate = 48000; // the source's own rate: lengths are exact
    AppSettings.AudioBitrate = 256;
    AppSettings.AudioChannels = 1;
    Open(FixturePath(QStringLiteral("dvd_ac3_stereo.vob")));
    ASSERT_GT(Frm->DurationMs(), 9000);

    auto mark = [&](int marker, int ms) {
        Frm->TrackBar->setPosition(ms);
        Frm->SetMarkerAtPosition(marker == 0 ? TMarker::Start : TMarker::End);
    };
    // Each added range moves the start to its end, ready for the next song.
    mark(0, 1000);
    mark(1, 3500);
    Frm->AddRangeBtn->click();
    EXPECT_EQ(Frm->StartMs(), 3500);
    mark(1, 6000);
    Frm->AddRangeBtn->click();
    mark(1, 8250);
    Frm->AddRangeBtn->click();
    mark(1, 9000);
    Frm->AddRangeBtn->click();
    ASSERT_EQ(Frm->TrackList().Tracks.size(), 4u);
    QTreeWidget* view = Frm->TrackListView;
    // The last one goes again; the second is renamed in place; the third moves up and
    // back down, its default title following its number.
    view->setCurrentItem(view->topLevelItem(3));
    Frm->RemoveTrackBtn->click();
    view->topLevelItem(1)->setText(1, QStringLiteral("Second / Song"));
    QApplication::processEvents();
    view->setCurrentItem(view->topLevelItem(2));
    Frm->TrackUpBtn->click();
    EXPECT_EQ(view->topLevelItem(1)->text(1), QStringLiteral("Track 2"));
    EXPECT_EQ(view->topLevelItem(2)->text(1), QStringLiteral("Second / Song"));
    Frm->TrackDownBtn->click();
    ASSERT_EQ(view->topLevelItemCount(), 3);
    EXPECT_EQ(view->topLevelItem(1)->text(1), QStringLiteral("Second / Song"));
    EXPECT_EQ(view->topLevelItem(2)->text(1), QStringLiteral("Track 3"));

    // The output's name is the pattern of the files, in a folder that is made.
    CurrentTag.Album = QStringLiteral("At the Hall");
    CurrentTag.Artist = QStringLiteral("The Band");
    const QString folder = FreshDir(QStringLiteral("tracks")) + QStringLiteral("/album/");
    Frm->outputFileEdit->setText(folder + QStringLiteral("%n. %t.mp3"));
    Answers = {1, 0}; // make the folder; close the box at the end
    Frm->ExtractBtnClick();
    ASSERT_TRUE(Frm->Running());
    EXPECT_TRUE(Frm->ProgressBar->caption().startsWith(QStringLiteral("Track 1 of 3")));
    EXPECT_EQ(Frm->ProgressBar->maximum(), 8250 - 1000);
    ASSERT_TRUE(WaitFor([&] { return !Frm->Running(); }, 60000));
    Pump(50);
    ASSERT_EQ(Boxes.size(), 2u) << (Boxes.empty() ? "" : Boxes.back().Text.toStdString());
    // The box lists what was written, with Play and Open folder.
    EXPECT_EQ(Boxes[1].Text, QStringLiteral("3 tracks ripped to\n ") + folder +
                                 QStringLiteral("\n  01. Track 1.mp3\n  02. Second _ Song.mp3"
                                                "\n  03. Track 3.mp3"));
    EXPECT_EQ(Boxes[1].Left, QStringLiteral("&Play"));
    EXPECT_EQ(Boxes[1].Right, QStringLiteral("Open &folder"));
    EXPECT_TRUE(Urls.empty());
    EXPECT_TRUE(Frm->IsIdle());

    const QStringList names = {QStringLiteral("01. Track 1.mp3"),
                               QStringLiteral("02. Second _ Song.mp3"),
                               QStringLiteral("03. Track 3.mp3")};
    EXPECT_EQ(FilesIn(folder), names);
    const int64_t bounds[] = {1000, 3500, 6000, 8250};
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        const DecodedAudio mp3 = DecodeAudioFile(folder + names[k]);
        ASSERT_TRUE(mp3.ok) << mp3.error.toStdString();
        EXPECT_EQ(mp3.frames(), (bounds[k + 1] - bounds[k]) * 48);
        EXPECT_EQ(mp3.tags.value(QStringLiteral("track")), QStringLiteral("%1/3").arg(k + 1));
        EXPECT_EQ(mp3.tags.value(QStringLiteral("album")), QStringLiteral("At the Hall"));
        EXPECT_EQ(mp3.tags.value(QStringLiteral("artist")), QStringLiteral("The Band"));
    }
    EXPECT_EQ(DecodeAudioFile(folder + names[1]).tags.value(QStringLiteral("title")),
              QStringLiteral("Second / Song"));

    // Again over the same files, cancelled at once: the window is idle, a box says that
    // no file was written and where, and the files are those of the first run, with
    // nothing beside them.
    const QByteArray before = ReadFile(folder + names[0]);
    Boxes.clear();
    Answers = {1}; // overwrite
    Frm->ExtractBtnClick();
    ASSERT_TRUE(Frm->Running());
    Frm->CancelBtn->click();
    EXPECT_TRUE(Frm->IsIdle());
    ASSERT_TRUE(WaitFor([&] { return Boxes.size() == 2; }, 20000));
    Pump(200);
    EXPECT_EQ(Boxes.size(), 2u);
    EXPECT_EQ(Boxes[1].Text, QStringLiteral("The rip was cancelled before its first track was "
                                            "complete.\nNo file was written in\n ") +
                                 folder);
    EXPECT_EQ(FilesIn(folder), names);
    EXPECT_EQ(ReadFile(folder + names[0]), before);

    // A desktop without a program for the file or the folder: the box says so.
    shell::SetOpenUrlHook([](const QUrl&) { return false; });
    Boxes.clear();
    Answers = {2};
    TMainFrm::OfferWritten(QStringLiteral("written"), folder + names[0], folder);
    ASSERT_TRUE(WaitFor([&] { return Boxes.size() == 2; }, 5000));
    EXPECT_EQ(Boxes[1].Text,
              QStringLiteral("No program of this desktop opens the folder:\n ") + folder);
    EXPECT_EQ(Boxes[1].Icon, 0);
}
