// "Find songs" in the window: the songs of a recording without chapters fill the Tracks
// list from the loudness overview, a boundary dragged on the time line moves both tracks
// beside it, and the list rips into files FFmpeg reads back at those lengths.

#include "window_fixture.h"

#include "audio/loudness/loudness_envelope.h"
#include "support/decoded_audio.h"
#include "support/fixture_signal.h"
#include "ui/skin/track_bar.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace fs = fixture_signal;

namespace {
// MP2's encoder delay: the window's time 0 is the first decoded sample.
constexpr TMediaTime kLead = TMediaTime::FromSample(481, fs::kSongsRate);

TMediaTime StreamTime(double seconds) {
    return TMediaTime::FromSeconds(seconds) + kLead;
}
} // namespace

TEST_F(WindowTest, FindSongsFillsTheTracksWhoseDraggedBoundaryRipsAsShown) {
    AppSettings.AudioSampleRate = 48000; // the source's own rate: lengths are exact
    AppSettings.AudioBitrate = 128;
    AppSettings.AudioChannels = 2;
    Open(FixturePath(QStringLiteral("songs_pauses.mpg")));
    ASSERT_GT(Frm->DurationMs(), 140000);

    // Before the overview is complete the window says so and leaves the list alone.
    if (Frm->Envelope->IsRunning()) {
        Frm->FindSongsBtn->click();
        ASSERT_EQ(Boxes.size(), 1u);
        EXPECT_TRUE(Boxes[0].Text.startsWith(QStringLiteral("The sound is still being read")));
        EXPECT_TRUE(Frm->TrackList().Tracks.empty());
        Boxes.clear();
    }
    ASSERT_TRUE(WaitFor([&] { return Frm->Envelope->Snapshot()->Done(); }, 60000));
    Frm->FindSongsBtn->click();
    EXPECT_TRUE(Boxes.empty()); // an empty list is filled without asking
    const std::vector<TTrackEntry> found = Frm->TrackList().Tracks;
    ASSERT_EQ(found.size(), size_t(fs::kSongCount));
    for (int k = 1; k < fs::kSongCount; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(found[size_t(k)].Start, found[size_t(k - 1)].End);
        EXPECT_GT(found[size_t(k)].Start, StreamTime(fs::kSongEnd[k - 1]));
        EXPECT_LT(found[size_t(k)].Start, StreamTime(fs::kSongStart[k]));
    }
    EXPECT_EQ(Frm->TrackListView->topLevelItemCount(), fs::kSongCount);

    // Again over a full list: the box asks; "Add" appends, "Replace" starts over.
    Answers = {2};
    Frm->FindSongsBtn->click();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Left, QStringLiteral("&Replace"));
    EXPECT_EQ(Frm->TrackList().Tracks.size(), size_t(2 * fs::kSongCount));
    Answers = {1};
    Frm->FindSongsBtn->click();
    EXPECT_EQ(Frm->TrackList().Tracks.size(), size_t(fs::kSongCount));

    // The boundary between songs 2 and 3, dragged 40 px to the left on the time line:
    // song 2 ends and song 3 starts where it was let go.
    TTrackBar* bar = Frm->TrackBar;
    const int y = bar->channelRect().center().y();
    const TMediaTime boundary = found[2].Start;
    const int x = bar->xOf(int(boundary.ToMs()));
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, QPoint(x + 1, y));
    QTest::mouseEvent(QTest::MouseMove, bar, Qt::NoButton, Qt::NoModifier, QPoint(x - 20, y));
    QTest::mouseEvent(QTest::MouseMove, bar, Qt::NoButton, Qt::NoModifier, QPoint(x - 40, y));
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, QPoint(x - 40, y));
    const std::vector<TTrackEntry> dragged = Frm->TrackList().Tracks;
    ASSERT_EQ(dragged.size(), size_t(fs::kSongCount));
    const TMediaTime moved = dragged[2].Start;
    EXPECT_EQ(dragged[1].End, moved);
    EXPECT_EQ(moved, TMediaTime::FromMs(bar->positionAt(x - 40)));
    EXPECT_LT(moved, boundary - TMediaTime::FromMs(1000)); // 40 px of 140 s is about 7 s
    EXPECT_EQ(dragged[3].Start, found[3].Start);
    // A press away from every boundary is the track bar's own: the list stays.
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(bar->xOf(10000), y));
    EXPECT_EQ(Frm->TrackList().Tracks[2].Start, moved);

    // The drag is one step back and forth with Ctrl+Z and Ctrl+Shift+Z, as is a track
    // removed with Delete.
    WindowKey(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Frm->TrackList().Tracks[2].Start, boundary);
    EXPECT_EQ(Frm->TrackList().Tracks[1].End, boundary);
    WindowKey(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Frm->TrackList().Tracks[2].Start, moved);
    Frm->TrackListView->setFocus();
    Frm->TrackListView->setCurrentItem(Frm->TrackListView->topLevelItem(4));
    QTest::keyClick(Frm->TrackListView, Qt::Key_Delete);
    ASSERT_EQ(Frm->TrackList().Tracks.size(), size_t(fs::kSongCount - 1));
    EXPECT_EQ(Frm->TrackListView->topLevelItemCount(), fs::kSongCount - 1);
    WindowKey(Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(Frm->TrackList().Tracks.size(), size_t(fs::kSongCount));
    EXPECT_EQ(Frm->TrackList().Tracks[4].Start, dragged[4].Start);
    EXPECT_EQ(Frm->TrackListView->topLevelItemCount(), fs::kSongCount);

    // The real question over a full list: Escape is Cancel, and the list stays as it is.
    QStringList captions;
    AnswerRealBox([&](QDialog* box) {
        for (QPushButton* b : box->findChildren<QPushButton*>())
            if (b->isVisible())
                captions << b->text();
        QTest::keyClick(box, Qt::Key_Escape);
    });
    QTest::mouseClick(Frm->FindSongsBtn, Qt::LeftButton);
    RecordBoxes();
    EXPECT_EQ(captions, (QStringList{QStringLiteral("&Replace"), QStringLiteral("&Add"),
                                     QStringLiteral("Cancel")}));
    ASSERT_EQ(Frm->TrackList().Tracks.size(), size_t(fs::kSongCount));
    EXPECT_EQ(Frm->TrackList().Tracks[2].Start, moved);
    EXPECT_EQ(Frm->TrackList().Tracks[4].End, dragged[4].End);

    // The list rips: one file per song, at the lengths the list shows.
    Boxes.clear();
    const QString folder = FreshDir(QStringLiteral("songs")) + u'/';
    Frm->outputFileEdit->setText(folder + QStringLiteral("%n.mp3"));
    Answers = {0}; // close the box at the end
    Frm->ExtractBtnClick();
    ASSERT_TRUE(WaitFor([&] { return !Frm->Running(); }, 120000));
    Pump(50);
    ASSERT_FALSE(Boxes.empty());
    EXPECT_TRUE(Boxes.back().Text.startsWith(QStringLiteral("5 tracks ripped to")))
        << Boxes.back().Text.toStdString();
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    ASSERT_EQ(names.size(), fs::kSongCount);
    for (int k = 0; k < fs::kSongCount; ++k) {
        SCOPED_TRACE(k);
        const DecodedAudio mp3 = DecodeAudioFile(folder + names[k]);
        ASSERT_TRUE(mp3.ok) << mp3.error.toStdString();
        EXPECT_EQ(mp3.frames(), dragged[size_t(k)].End.ToSample(48000) -
                                    dragged[size_t(k)].Start.ToSample(48000));
        EXPECT_EQ(mp3.tags.value(QStringLiteral("track")), QStringLiteral("%1/5").arg(k + 1));
    }
}
