// The window driven as a user drives it, with keys and clicks: what it refuses to open
// and how it starts over, the output as typed, the summary of a Tracks list, times typed
// into the range boxes, the time ruler, the focus order and Enter, Ctrl+Q, the recent
// sources and a dropped DVD.
#include "window_fixture.h"

#include "app/common.h"
#include "app/globals.h"
#include "preview/filter_graph.h"
#include "preview/video_window.h"
#include "support/decoded_audio.h"
#include "support/dvd_authoring.h"
#include "ui/skin/image.h"
#include "ui/skin/image_button.h"
#include "ui/skin/link_label.h"
#include "ui/skin/speed_button.h"
#include "ui/skin/track_bar.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <QWindow>

namespace {

class WindowUserTest : public WindowTest {
protected:
    QWindow* Window() {
        QApplication::setActiveWindow(Frm.get());
        return Frm->windowHandle();
    }
    // Replaces what an edit holds by typing, as a user does, ending with Enter.
    void Type(QLineEdit* edit, const QString& text) {
        edit->setFocus(Qt::MouseFocusReason);
        edit->selectAll();
        QTest::keyClick(Window(), Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
        QTest::keyClick(Window(), Qt::Key_Return);
    }
    void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    // The rip's end: its box is up (answered) and the window idle.
    bool RipEnded() {
        return WaitFor([&] { return !Frm->Running() && Frm->IsIdle(); }, 60000) &&
               WaitFor([&] { return !Boxes.empty(); }, 5000);
    }
};

double SecondsOf(const QString& mp3Path) {
    const DecodedAudio mp3 = DecodeAudioFile(mp3Path);
    return mp3.ok && mp3.sampleRate > 0 ? double(mp3.frames()) / mp3.sampleRate : -1;
}

} // namespace

// A text file and a video without sound are refused at opening, each with its reason; the
// window then starts over with nothing of the file it had, and Rip! asks for a source.
TEST_F(WindowUserTest, WhatCannotBeRippedIsRefusedAtOpeningAndTheWindowStartsOver) {
    const QString tips = QDir(DataDir()).filePath(TipsFileName);
    ASSERT_TRUE(QFileInfo::exists(tips)) << tips.toStdString();
    Open(FixturePath(QStringLiteral("vcd_mp2.mpg")));
    ASSERT_GT(Frm->DurationMs(), 9000);

    Open(tips);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, QStringLiteral("This is not a video or sound file:\n tips.txt\nOpen "
                                            "a DVD, a VCD, an MPEG file or another file with a "
                                            "sound track."));
    auto startedOver = [&] {
        EXPECT_EQ(Frm->DurationMs(), 0);
        EXPECT_TRUE(Frm->sourceFileEdit->text().isEmpty());
        EXPECT_TRUE(Frm->outputFileEdit->text().isEmpty());
        EXPECT_TRUE(Frm->outputFileText->text().isEmpty());
        EXPECT_TRUE(Frm->DurationText->text().isEmpty());
        EXPECT_TRUE(Frm->FileSizeText->text().isEmpty());
        EXPECT_EQ(Frm->TotalTimeLabel->text(), QStringLiteral("No Video File  "));
        EXPECT_FALSE(Frm->PlayBtn->isEnabled());
        EXPECT_FALSE(Frm->StartPointBtn->isVisible());
        EXPECT_TRUE(Frm->IsIdle());
    };
    startedOver();

    Open(FixturePath(QStringLiteral("vcd_mp2.mpg")));
    ASSERT_GT(Frm->DurationMs(), 9000);
    Boxes.clear();
    Open(FixturePath(QStringLiteral("no_audio.mpg")));
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_TRUE(Boxes[0].Text.startsWith(QStringLiteral("The file has no sound track")));
    EXPECT_TRUE(Boxes[0].Text.endsWith(QStringLiteral("no_audio.mpg")));
    startedOver();

    // Rip! without a source asks for one; cancelled, nothing happens.
    const int dialogs = Frm->SourceDialogs;
    Boxes.clear();
    Click(Frm->ExtractBtn);
    EXPECT_EQ(Frm->SourceDialogs, dialogs + 1);
    EXPECT_TRUE(Boxes.empty());
    EXPECT_FALSE(Frm->Running());
}

// A folder typed as the output gets the default name inside it, a bare name the ".mp3"
// and the output folder; "File exists" names the file; only a rip that wrote its file
// becomes the remembered folder; a failed rip leaves the focus where Space plays.
TEST_F(WindowUserTest, OutputAsTypedAndTheFolderRememberedOnlyAfterARip) {
    const QString dir = FreshDir(QStringLiteral("typed"));
    const QString source = dir + QStringLiteral("/concert.mpg");
    ASSERT_TRUE(QFile::copy(FixturePath(QStringLiteral("vcd_mp2.mpg")), source));
    const QString remembered = FreshDir(QStringLiteral("remembered")) + u'/';
    AppSettings.OutputFileDir = remembered;
    Open(source);
    ASSERT_GT(Frm->DurationMs(), 9000);
    const double seconds = Frm->DurationMs() / 1000.0;

    // A bare name: the summary follows the typing with what Rip! will write.
    Frm->outputFileEdit->setFocus(Qt::MouseFocusReason);
    Frm->outputFileEdit->selectAll();
    QTest::keyClick(Window(), Qt::Key_Backspace);
    QTest::keyClicks(Frm->outputFileEdit, QStringLiteral("song"));
    EXPECT_EQ(Frm->outputFileText->text(), remembered + QStringLiteral("song.mp3"));
    Answers = {2}; // do not play it
    Click(Frm->ExtractBtn);
    ASSERT_TRUE(RipEnded());
    ASSERT_TRUE(HasDoneBox(Boxes)) << Boxes.back().Text.toStdString();
    EXPECT_TRUE(
        Boxes.back().Text.contains(QStringLiteral("\nsong.mp3\nin ") + remembered.chopped(1)))
        << Boxes.back().Text.toStdString();
    EXPECT_NEAR(SecondsOf(remembered + QStringLiteral("song.mp3")), seconds, 0.2);
    EXPECT_EQ(Frm->outputFileEdit->text(), remembered + QStringLiteral("song.mp3"));

    // The same name again: the question names the file; "No" writes nothing.
    Boxes.clear();
    Answers = {2};
    Type(Frm->outputFileEdit, QStringLiteral("song"));
    Click(Frm->ExtractBtn);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_TRUE(Boxes[0].Text.contains(remembered + QStringLiteral("song.mp3")))
        << Boxes[0].Text.toStdString();
    EXPECT_FALSE(Frm->Running());

    // An existing folder: the default name inside it, and the folder is remembered.
    const QString folder = FreshDir(QStringLiteral("into"));
    Boxes.clear();
    Answers = {2};
    Type(Frm->outputFileEdit, folder);
    Click(Frm->ExtractBtn);
    ASSERT_TRUE(RipEnded());
    ASSERT_TRUE(HasDoneBox(Boxes)) << Boxes.back().Text.toStdString();
    EXPECT_NEAR(SecondsOf(folder + QStringLiteral("/concert.mp3")), seconds, 0.2);
    EXPECT_EQ(AppSettings.OutputFileDir, folder + u'/');

    // A cancelled rip into another folder is not remembered.
    const QString other = FreshDir(QStringLiteral("cancelled"));
    Type(Frm->outputFileEdit, other + QStringLiteral("/x"));
    Click(Frm->ExtractBtn);
    ASSERT_TRUE(Frm->Running());
    QTest::keyClick(Window(), Qt::Key_Escape);
    EXPECT_FALSE(Frm->Running());
    Pump(200);
    EXPECT_EQ(AppSettings.OutputFileDir, folder + u'/');

    // A failed one neither (its source is gone), and the focus is on the preview after
    // it, where Space plays, not on a link or button Space would press.
    Boxes.clear();
    ASSERT_TRUE(QFile::remove(source));
    Type(Frm->outputFileEdit, other + QStringLiteral("/y"));
    ASSERT_EQ(Frm->focusWidget(), Frm->outputFileEdit);
    Click(Frm->ExtractBtn);
    ASSERT_TRUE(WaitFor([&] { return !Boxes.empty() && Frm->IsIdle(); }));
    EXPECT_EQ(Boxes.back().Icon, 0);
    EXPECT_EQ(AppSettings.OutputFileDir, folder + u'/');
    EXPECT_EQ(Frm->focusWidget(), static_cast<QWidget*>(Frm->VideoWin));
    EXPECT_FALSE(QFileInfo::exists(other + QStringLiteral("/y.mp3")));
}

// With tracks the summary tells what Rip! writes (how many, where, how long, how big);
// "[" and "]" set the range from the list too; Clear empties it; times typed into the
// range boxes set the range when they keep its rules and are refused with a reason else.
TEST_F(WindowUserTest, TypedTimesTheTracksSummaryAndClear) {
    AppSettings.AudioBitrate = 128;
    AppSettings.AudioVBR = false;
    Open(FixturePath(QStringLiteral("dvd_ac3_stereo.vob")));
    ASSERT_GT(Frm->DurationMs(), 9000);
    const int64_t duration = Frm->DurationMs();

    Type(Frm->startPointEdit, QStringLiteral("0:01.5"));
    EXPECT_EQ(Frm->StartMs(), 1500);
    EXPECT_EQ(Frm->TrackBar->selStart(), 1500);
    EXPECT_EQ(Frm->TrackBar->position(), 1500);
    Type(Frm->endPointEdit, QStringLiteral("4"));
    EXPECT_EQ(Frm->EndMs(), 4000);
    EXPECT_EQ(Frm->DurationText->text(), QStringLiteral("0:00:02.5"));
    EXPECT_TRUE(Frm->RangeEditRefusal().isEmpty());
    // Out of the source, before the start, or no time at all: refused, the box shows the
    // range's time again and says why. Letters cannot even be typed.
    Type(Frm->endPointEdit, QStringLiteral("0:00:59.0"));
    EXPECT_EQ(Frm->EndMs(), 4000);
    EXPECT_EQ(Frm->endPointEdit->text(), FormatTimeText(4000));
    EXPECT_TRUE(Frm->RangeEditRefusal().contains(FormatTimeText(duration)))
        << Frm->RangeEditRefusal().toStdString();
    Type(Frm->startPointEdit, QStringLiteral("5"));
    EXPECT_EQ(Frm->StartMs(), 1500);
    EXPECT_TRUE(Frm->RangeEditRefusal().startsWith(QStringLiteral("The start must lie before")));
    Type(Frm->startPointEdit, QStringLiteral("1:75"));
    EXPECT_EQ(Frm->StartMs(), 1500);
    EXPECT_TRUE(Frm->RangeEditRefusal().startsWith(QStringLiteral("Not a time")));
    Type(Frm->startPointEdit, QStringLiteral("ab1"));
    EXPECT_EQ(Frm->StartMs(), 1000);

    // Two tracks; the second's range set with "[" and "]" while the list has the focus.
    Click(Frm->AddRangeBtn);
    Frm->TrackListView->setFocus(Qt::MouseFocusReason);
    Frm->TrackBar->setPosition(5000);
    QTest::keyClick(Window(), Qt::Key_BracketLeft);
    Frm->TrackBar->setPosition(8000);
    QTest::keyClick(Window(), Qt::Key_BracketRight);
    EXPECT_EQ(Frm->StartMs(), 5000);
    EXPECT_EQ(Frm->EndMs(), 8000);
    EXPECT_EQ(Frm->focusWidget(), static_cast<QWidget*>(Frm->TrackListView));
    Click(Frm->AddRangeBtn);
    ASSERT_EQ(Frm->TrackList().Tracks.size(), 2u);
    const QString output = Frm->outputFileEdit->text();
    // By default a list goes into a folder named after the source in the output folder.
    EXPECT_EQ(Frm->outputFileText->text(), QStringLiteral("2 tracks into ") +
                                               output.left(output.lastIndexOf(u'/') + 1) +
                                               QStringLiteral("dvd_ac3_stereo/"));
    EXPECT_EQ(Frm->DurationText->text(), QStringLiteral("0:00:06.0 in 2 tracks"));
    EXPECT_EQ(Frm->FileSizeText->text(), QStringLiteral("about ") + FormatSizeText(6000 * 128 / 8));

    Click(Frm->ClearTracksBtn);
    EXPECT_TRUE(Frm->TrackList().Tracks.empty());
    EXPECT_FALSE(Frm->ClearTracksBtn->isEnabled());
    EXPECT_EQ(Frm->outputFileText->text(), output);
    EXPECT_EQ(Frm->DurationText->text(), FormatTimeText(Frm->EndMs() - Frm->StartMs()));
}

// The ruler labels round times over the whole source and, zoomed in, tenths of seconds;
// its labels are drawn.
TEST_F(WindowUserTest, TheTimeRulerLabelsEveryZoom) {
    Open(FixturePath(QStringLiteral("dvd_ac3_stereo.vob")));
    ASSERT_GT(Frm->DurationMs(), 9000);
    auto check = [&](const char* what, std::vector<TRulerMark>& marks) {
        SCOPED_TRACE(what);
        marks = Frm->TrackBar->rulerMarks();
        ASSERT_GE(marks.size(), 3u);
        const int64_t step = marks[1].time - marks[0].time;
        for (size_t k = 0; k < marks.size(); ++k) {
            EXPECT_GE(marks[k].time, Frm->TrackBar->viewFrom());
            EXPECT_LE(marks[k].time, Frm->TrackBar->viewTo());
            EXPECT_EQ(marks[k].x, Frm->TrackBar->xOf(int(marks[k].time)));
            if (k > 0) {
                EXPECT_EQ(marks[k].time - marks[k - 1].time, step);
                EXPECT_GT(marks[k].x - marks[k - 1].x,
                          QFontMetrics(Frm->TrackBar->font()).horizontalAdvance(marks[k].text) / 2);
            }
        }
        // Something is drawn under the channel at a label.
        const QImage image = Frm->TrackBar->grab().toImage();
        const QRect ch = Frm->TrackBar->channelRect();
        int dark = 0;
        for (int y = ch.bottom() + 4; y < image.height(); ++y)
            for (int x = std::max(0, marks[1].x - 12); x < std::min(image.width(), marks[1].x + 12);
                 ++x)
                dark += qGray(image.pixel(x, y)) < 110;
        EXPECT_GT(dark, 3);
    };
    std::vector<TRulerMark> whole;
    ASSERT_NO_FATAL_FAILURE(check("whole", whole));
    EXPECT_EQ(whole.front().text, QStringLiteral("0:00"));
    EXPECT_EQ(whole.front().time % 1000, 0);

    Frm->TrackBar->setPosition(4000);
    Frm->VideoWin->setFocus(Qt::MouseFocusReason);
    for (int i = 0; i < 12; ++i)
        QTest::keyClick(Window(), Qt::Key_Plus, Qt::ControlModifier);
    ASSERT_TRUE(Frm->TrackBar->zoomed());
    ASSERT_LT(Frm->TrackBar->viewTo() - Frm->TrackBar->viewFrom(), 3000); // the finest zoom
    std::vector<TRulerMark> close;
    ASSERT_NO_FATAL_FAILURE(check("zoomed", close));
    EXPECT_LT(close[1].time - close[0].time, 1000);
    EXPECT_TRUE(close[0].text.contains(u'.')) << close[0].text.toStdString();
}

// Tab follows the layout (the preview column, the summary, the buttons at its foot, the
// tracks), reaching the transport and the "..." buttons with a frame drawn while focused;
// Enter presses the focused button.
TEST_F(WindowUserTest, TabFollowsTheLayoutAndEnterPressesTheFocusedButton) {
    Open(FixturePath(QStringLiteral("vcd_mp2.mpg")));
    ASSERT_GT(Frm->DurationMs(), 9000);
    const QImage plain = Frm->BeginBtn->grab().toImage();
    Frm->VideoWin->setFocus(Qt::TabFocusReason);
    const std::vector<QWidget*> expected{
        Frm->TrackBar,      Frm->PlayBtn,         Frm->BeginBtn,      Frm->EndBtn,
        Frm->OpenBtn,       Frm->sourceFileEdit,  Frm->OpenFileBtn,   Frm->outputFileEdit,
        Frm->SaveFileBtn,   Frm->MP3SettingsEdit, Frm->Id3TagEdit,    Frm->startPointEdit,
        Frm->endPointEdit,  Frm->skinButton1,     Frm->skinButton2,   Frm->ExtractBtn,
        Frm->TrackListView, Frm->TrackUpBtn,      Frm->TrackDownBtn,  Frm->FindSongsBtn,
        Frm->AddRangeBtn,   Frm->RenameTrackBtn,  Frm->RemoveTrackBtn};
    std::vector<QWidget*> seen;
    for (size_t k = 0; k < expected.size(); ++k) {
        QTest::keyClick(Window(), Qt::Key_Tab);
        seen.push_back(Frm->focusWidget());
        if (seen.back() == Frm->BeginBtn) {
            EXPECT_NE(Frm->BeginBtn->grab().toImage(), plain); // the focus frame
        }
    }
    for (size_t k = 0; k < expected.size(); ++k)
        EXPECT_EQ(seen[k], expected[k])
            << "Tab " << k + 1 << ": " << (seen[k] ? seen[k]->metaObject()->className() : "none");

    // Enter on the focused "to the Begin" and on Play, then Space pauses from Pause.
    Frm->TrackBar->setPosition(3000);
    Frm->BeginBtn->setFocus(Qt::TabFocusReason);
    QTest::keyClick(Window(), Qt::Key_Return);
    EXPECT_EQ(Frm->TrackBar->position(), 0);
    Frm->PlayBtn->setFocus(Qt::TabFocusReason);
    QTest::keyClick(Window(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(Frm->PauseBtn->isEnabled());
    EXPECT_EQ(Frm->focusWidget(), static_cast<QWidget*>(Frm->PauseBtn));
    QTest::keyClick(Window(), Qt::Key_Space);
    EXPECT_FALSE(Frm->PauseBtn->isEnabled());
    // Enter on Help opens the help, as Space does.
    Frm->skinButton2->setFocus(Qt::TabFocusReason);
    QTest::keyClick(Window(), Qt::Key_Return);
    ASSERT_EQ(Urls.size(), 1u);
    EXPECT_TRUE(Urls[0].toLocalFile().endsWith(QStringLiteral("sonavel.html")));
}

// Ctrl+Q quits, asking first while a rip runs ("No" keeps it going); the sources opened
// last are in the open button's menu, newest first, kept in the settings hive.
TEST_F(WindowUserTest, QuitKeyAndRecentSources) {
    const QString first = FixturePath(QStringLiteral("vcd_mp2.mpg"));
    const QString second = FixturePath(QStringLiteral("mono_u8.avi"));
    Open(first);
    Open(second);
    emit Frm->RecentMenu->aboutToShow();
    QList<QAction*> actions = Frm->RecentMenu->actions();
    ASSERT_GE(actions.size(), 3);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("mono_u8.avi"));
    EXPECT_EQ(actions[1]->text(), QStringLiteral("vcd_mp2.mpg"));
    const QString hive =
        QString::fromUtf8(ReadFile(QString::fromUtf8(qgetenv("SONAVEL_REGISTRY"))));
    EXPECT_TRUE(hive.contains(QStringLiteral("\"RecentSource1\"=\"") + second))
        << hive.toStdString();
    actions[1]->trigger();
    ASSERT_TRUE(WaitFor([&] { return Frm->sourceFileEdit->text() == first && Frm->IsIdle(); }));
    EXPECT_GT(Frm->DurationMs(), 9000);

    Open(FixturePath(QStringLiteral("demo.mpg")));
    const QString output = FreshDir(QStringLiteral("quit")) + QStringLiteral("/demo.mp3");
    Type(Frm->outputFileEdit, output);
    Click(Frm->ExtractBtn);
    ASSERT_TRUE(Frm->Running());
    Boxes.clear();
    Answers = {2};
    QTest::keyClick(Window(), Qt::Key_Q, Qt::ControlModifier);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_TRUE(Boxes[0].Text.startsWith(QStringLiteral("A rip is running.")));
    EXPECT_TRUE(Frm->isVisible());
    EXPECT_TRUE(Frm->Running() || HasDoneBox(Boxes));
    if (Frm->Running()) {
        Answers = {1};
        QTest::keyClick(Window(), Qt::Key_Q, Qt::ControlModifier);
        EXPECT_FALSE(Frm->isVisible());
        Frm.reset();
        EXPECT_FALSE(QFileInfo::exists(output));
    }
}

// A DVD folder dropped on the window opens as a file does. (Its disc is authored with
// dvdauthor once the window's threads run, as in the other DVD window tests, which
// ThreadSanitizer cannot follow: test.sh --tsan leaves the "Dvd" window tests out.)
TEST_F(WindowUserTest, DvdFolderDroppedOnTheWindowOpens) {
    const QString root = TestDvdRoot();
    ASSERT_FALSE(root.isEmpty());
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(root)});
    QDragEnterEvent enter(QPoint(40, 40), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Frm.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(40, 40), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Frm.get(), &drop);
    ASSERT_TRUE(drop.isAccepted());
    ASSERT_TRUE(WaitFor([&] { return !Frm->Dvd().locator.isEmpty() && Frm->IsIdle(); }));
    EXPECT_GT(Frm->DurationMs(), 0);
}
