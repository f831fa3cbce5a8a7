// What the window offers beyond the plain rip: cancelling, the audio stream choice, the
// loudness overview, the keyboard, dropped files, the progress caption, notifications.
#include "window_fixture.h"

#include "audio/loudness/loudness_envelope.h"
#include "audio/rip/mp3_out.h"
#include "desktop/notify.h"
#include "preview/filter_graph.h"
#include "preview/video_window.h"
#include "support/decoded_audio.h"
#include "support/fixture_signal.h"
#include "ui/dialogs/settings_frm.h"
#include "ui/skin/caption_progress_bar.h"
#include "ui/skin/image.h"
#include "ui/skin/image_button.h"
#include "ui/skin/link_label.h"
#include "ui/skin/skin_panel.h"
#include "ui/skin/speed_button.h"
#include "ui/skin/track_bar.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace fs = fixture_signal;

namespace {
// Cancels the settings dialog as soon as it is up (the keys open it now or a little
// later), noting its title.
void CancelSettingsWhenShown(std::vector<QString>& titles) {
    auto* poll = new QTimer(qApp);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, &titles] {
        TsettingsFrm& dialog = SettingsForm();
        if (!dialog.isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        titles.push_back(dialog.windowTitle());
        dialog.skinButton1Click();
    });
    poll->start();
}

struct TNotified {
    std::vector<QString> bodies;
    TNotified() {
        notify::SetNotifyHook([this](const QString&, const QString& body) {
            bodies.push_back(body);
            return true;
        });
    }
    ~TNotified() { notify::SetNotifyHook({}); }
};
} // namespace

TEST_F(WindowTest, CancelLeavesNoFileKeepsTheOldOneAndIdles) {
    TNotified notified;
    Frm->Active = 0;
    Open(FixturePath(QStringLiteral("dvd_ac3_stereo.vob")));
    ASSERT_GT(Frm->DurationMs(), 9000);
    const QString dir = FreshDir(QStringLiteral("cancel"));
    const QString output = dir + QStringLiteral("/earlier.mp3");
    ASSERT_TRUE(WriteFile(output, "earlier"));
    Frm->outputFileEdit->setText(output);
    Answers = {1}; // overwrite
    Frm->ExtractBtnClick();
    ASSERT_TRUE(Frm->Running());
    EXPECT_TRUE(Frm->CancelBtn->isVisible());
    // The caption shows how far the run is; a file dropped meanwhile is refused.
    Frm->Timer2Timer();
    EXPECT_TRUE(Frm->ProgressBar->caption().contains(QStringLiteral(" %")))
        << Frm->ProgressBar->caption().toStdString();
    EXPECT_FALSE(Frm->AudioTrackBox->isEnabled());
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(FixturePath(QStringLiteral("vcd_mp2.mpg")))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Frm.get(), &enter);
    EXPECT_FALSE(enter.isAccepted());
    // The output cannot change under the run; Escape cancels from wherever the focus is.
    EXPECT_FALSE(Frm->outputFileEdit->isEnabled());
    QTest::keyClick(Frm->windowHandle(), Qt::Key_Escape);
    EXPECT_FALSE(Frm->Running());
    EXPECT_TRUE(Frm->IsIdle());
    EXPECT_TRUE(Frm->AudioTrackBox->isEnabled());
    ASSERT_TRUE(WaitFor([&] { return !Frm->RunSession->MP3Out->Busy(); }));
    Pump(100);
    EXPECT_TRUE(Frm->RunSession->MP3Out->LastRunAborted());
    EXPECT_FALSE(HasDoneBox(Boxes));
    EXPECT_TRUE(notified.bodies.empty());
    QFile old(output);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("earlier"));
    EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList{QStringLiteral("earlier.mp3")});

    // Cancelling a run of a new file leaves nothing behind; the next run works.
    const QString fresh = dir + QStringLiteral("/fresh.mp3");
    Frm->outputFileEdit->setText(fresh);
    Frm->ExtractBtnClick();
    ASSERT_TRUE(Frm->Running());
    Frm->CancelBtn->click();
    EXPECT_TRUE(Frm->IsIdle());
    ASSERT_TRUE(WaitFor([&] { return !Frm->RunSession->MP3Out->Busy(); }));
    EXPECT_FALSE(QFileInfo::exists(fresh));
    EXPECT_EQ(QDir(dir).entryList(QDir::Files).size(), 1);
    EXPECT_FALSE(HasDoneBox(Boxes));
}

// The output's events name their run. A click served just before a run's OnDone (the
// user's, as the run ends) is put there by wrapping the window's own handler.
TEST_F(WindowTest, EventsOfAFinishedOrCancelledRunNeverMisleadTheWindow) {
    Open(FixturePath(QStringLiteral("vcd_mp2.mpg")));
    ASSERT_GT(Frm->DurationMs(), 9000);
    const QString dir = FreshDir(QStringLiteral("race"));
    const TOutputDoneEvent windowDone = Frm->RunSession->MP3Out->OnDone;
    std::function<void()> beforeDone, afterDone;
    Frm->RunSession->MP3Out->OnDone = [&](QObject* sender) {
        if (auto step = std::exchange(beforeDone, nullptr))
            step();
        windowDone(sender);
        if (auto step = std::exchange(afterDone, nullptr))
            step();
    };

    // Cancel pressed as the run ends by itself: the finished file stays, and the window
    // says so instead of "extracted successfully".
    const QString finished = dir + QStringLiteral("/finished.mp3");
    Frm->outputFileEdit->setText(finished);
    beforeDone = [&] { Frm->CancelBtnClick(); };
    Frm->ExtractBtnClick();
    ASSERT_TRUE(WaitFor([&] { return !Boxes.empty() && !Frm->RunSession->MP3Out->Busy(); }));
    Pump(50);
    EXPECT_FALSE(HasDoneBox(Boxes));
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_TRUE(Boxes[0].Text.contains(QStringLiteral("already finished")) &&
                Boxes[0].Text.contains(finished))
        << Boxes[0].Text.toStdString();
    EXPECT_TRUE(Frm->IsIdle());
    EXPECT_NEAR(DecodeAudioFile(finished).frames() / 44100.0, Frm->DurationMs() / 1000.0, 0.1);

    // A cancelled run's OnDone arriving after the next run has begun neither ends that
    // run in the window nor passes for its success.
    Boxes.clear();
    const QString cancelled = dir + QStringLiteral("/cancelled.mp3");
    const QString next = dir + QStringLiteral("/next.mp3");
    Frm->outputFileEdit->setText(cancelled);
    bool runningAfterStaleDone = false;
    beforeDone = [&] {
        Frm->outputFileEdit->setText(next);
        Frm->ExtractBtnClick();
    };
    afterDone = [&] { runningAfterStaleDone = Frm->Running(); };
    Frm->ExtractBtnClick();
    ASSERT_TRUE(Frm->Running());
    Frm->CancelBtnClick();
    ASSERT_TRUE(WaitFor([&] { return HasDoneBox(Boxes) && Frm->IsIdle(); }, 60000));
    EXPECT_TRUE(runningAfterStaleDone);
    EXPECT_EQ(Boxes.size(), 1u);
    EXPECT_FALSE(QFileInfo::exists(cancelled));
    EXPECT_NEAR(DecodeAudioFile(next).frames() / 44100.0, Frm->DurationMs() / 1000.0, 0.1);
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden),
              (QStringList{QStringLiteral("finished.mp3"), QStringLiteral("next.mp3")}));
}

TEST_F(WindowTest, ChosenSecondTrackIsPreviewedAndRipped) {
    TNotified notified;
    AppSettings.AudioSampleRate = 48000;
    Open(FixturePath(QStringLiteral("two_tracks.mkv")));
    ASSERT_GT(Frm->DurationMs(), 9000);
    ASSERT_EQ(Frm->AudioTracks().size(), 2u);
    EXPECT_TRUE(Frm->AudioTrackPanel->isVisibleTo(Frm.get()));
    ASSERT_EQ(Frm->AudioTrackBox->count(), 2);
    EXPECT_EQ(Frm->AudioTrackBox->itemText(0), QStringLiteral("1: eng, AC-3 stereo"));
    EXPECT_EQ(Frm->AudioTrackBox->itemText(1), QStringLiteral("2: fra, AC-3 stereo"));
    EXPECT_EQ(Frm->AudioTrackBox->currentIndex(), 0);
    EXPECT_EQ(Frm->AudioTrack(), 1);

    Frm->AudioTrackBoxChange(1);
    EXPECT_EQ(Frm->AudioTrack(), 2);
    EXPECT_EQ(Frm->FilterGraph->AudioStreamIndex(), Frm->AudioTracks()[1].streamIndex);
    EXPECT_TRUE(Errors.empty());
    EXPECT_TRUE(Boxes.empty());
    // The preview still plays after the graph was built again.
    Frm->PlayBtnClick();
    EXPECT_TRUE(Frm->PauseBtn->isEnabled());
    Pump(300);
    Frm->PauseBtnClick();

    Frm->Active = 0; // the rip ends in the background
    const QString output = FreshDir(QStringLiteral("track")) + QStringLiteral("/fra.mp3");
    Frm->outputFileEdit->setText(output);
    Frm->ExtractBtnClick();
    ASSERT_TRUE(WaitFor([&] { return HasDoneBox(Boxes); }));
    ASSERT_EQ(notified.bodies.size(), 1u);
    EXPECT_TRUE(notified.bodies[0].contains(QStringLiteral("fra.mp3")));

    const DecodedAudio mp3 = DecodeAudioFile(output);
    ASSERT_TRUE(mp3.ok) << mp3.error.toStdString();
    ASSERT_EQ(mp3.sampleRate, 48000);
    const int64_t at = 3 * 48000 + 4800;
    double fra = 0, eng = 0;
    const auto needleFra = fs::SourceS16(fs::kTrackFra, 48000, at, 4800);
    const auto needleEng = fs::SourceS16(fs::kTrackEng, 48000, at, 4800);
    FindBestOffset(mp3.samples, needleFra, 2, at - 4800, at + 4800, &fra, 4800);
    FindBestOffset(mp3.samples, needleEng, 2, at - 4800, at + 4800, &eng, 4800);
    EXPECT_GT(fra, 0.9);
    EXPECT_LT(std::abs(eng), 0.3);

    // While the window is active, no notification.
    Frm->Active = 1;
    Boxes.clear();
    Frm->outputFileEdit->setText(FreshDir(QStringLiteral("track2")) + QStringLiteral("/a.mp3"));
    Frm->ExtractBtnClick();
    ASSERT_TRUE(WaitFor([&] { return HasDoneBox(Boxes); }));
    EXPECT_EQ(notified.bodies.size(), 1u);
}

TEST_F(WindowTest, SingleTrackSourceHasNoChoice) {
    Open(FixturePath(QStringLiteral("vcd_mp2.mpg")));
    ASSERT_GT(Frm->DurationMs(), 0);
    EXPECT_FALSE(Frm->AudioTrackPanel->isVisibleTo(Frm.get()));
    EXPECT_EQ(Frm->AudioTrack(), 0);
}

TEST_F(WindowTest, KeysMoveThePositionAndSetTheRange) {
    Open(FixturePath(QStringLiteral("dvd_ac3_stereo.vob")));
    const int dur = int(Frm->DurationMs());
    ASSERT_GT(dur, 9000);
    QWidget* focus = Frm->ExtractBtn; // without the focus a button leaves the keys alone
    Frm->TrackBar->setPosition(3000);
    Key(focus, Qt::Key_Right);
    EXPECT_EQ(Frm->TrackBar->position(), 4000);
    Key(focus, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(Frm->TrackBar->position(), 0);
    Key(focus, Qt::Key_End);
    EXPECT_EQ(Frm->TrackBar->position(), dur);
    Key(focus, Qt::Key_Home);
    EXPECT_EQ(Frm->TrackBar->position(), 0);
    Key(focus, Qt::Key_Right, Qt::ShiftModifier);
    Key(focus, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(Frm->TrackBar->position(), 0);
    Key(focus, Qt::Key_Right);
    Key(focus, Qt::Key_Right);
    Key(focus, Qt::Key_Right);
    EXPECT_EQ(Frm->TrackBar->position(), 3000);

    Key(focus, Qt::Key_BracketLeft, Qt::NoModifier, QStringLiteral("["));
    EXPECT_EQ(Frm->StartMs(), 3000);
    EXPECT_EQ(Frm->TrackBar->selStart(), 3000);
    EXPECT_EQ(Frm->startPointEdit->text(), QStringLiteral("0:00:03.0"));
    const int base = Frm->TrackBar->x() + Frm->TrackMargin();
    const int width = Frm->TrackBar->width() - 2 * Frm->TrackMargin();
    EXPECT_EQ(Frm->StartPointBtn->x(), base + int(int64_t(width) * 3000 / dur));
    // Closer than a second to the start: refused, as when dragging.
    Frm->TrackBar->setPosition(3500);
    Key(focus, Qt::Key_BracketRight, Qt::NoModifier, QStringLiteral("]"));
    EXPECT_EQ(Frm->EndMs(), dur);
    Frm->TrackBar->setPosition(7000);
    Key(Frm->TrackBar, Qt::Key_BracketRight, Qt::NoModifier, QStringLiteral("]"));
    EXPECT_EQ(Frm->EndMs(), 7000);
    EXPECT_EQ(Frm->TrackBar->selEnd(), 7000);
    EXPECT_EQ(Frm->DurationText->text(), QStringLiteral("0:00:04.0"));
    Frm->TrackBar->setPosition(6500);
    Key(focus, Qt::Key_BracketLeft, Qt::NoModifier, QStringLiteral("["));
    EXPECT_EQ(Frm->StartMs(), 3000);

    // Space plays and pauses.
    Key(focus, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    EXPECT_TRUE(Frm->PauseBtn->isEnabled());
    Key(focus, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    EXPECT_FALSE(Frm->PauseBtn->isEnabled());

    // The output edit keeps its typing; the source edit keeps its rule (a letter opens
    // the dialog) and passes the window's keys on.
    Frm->outputFileEdit->setText(QString());
    Frm->outputFileEdit->setFocus();
    Key(Frm->outputFileEdit, Qt::Key_BracketLeft, Qt::NoModifier, QStringLiteral("["));
    Key(Frm->outputFileEdit, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    Key(Frm->outputFileEdit, Qt::Key_Left);
    EXPECT_EQ(Frm->outputFileEdit->text(), QStringLiteral("[ "));
    EXPECT_EQ(Frm->StartMs(), 3000);
    const int dialogs = Frm->SourceDialogs;
    Key(Frm->sourceFileEdit, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    EXPECT_EQ(Frm->SourceDialogs, dialogs + 1);
    Frm->TrackBar->setPosition(5000);
    Key(Frm->sourceFileEdit, Qt::Key_BracketLeft, Qt::NoModifier, QStringLiteral("["));
    EXPECT_EQ(Frm->StartMs(), 5000);
    // Ctrl+O asks for a file once, from anywhere.
    Key(focus, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(Frm->SourceDialogs, dialogs + 2);
    Key(Frm->sourceFileEdit, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(Frm->SourceDialogs, dialogs + 3);
}

TEST_F(WindowTest, OutputOverItsSourceIsRefusedAndTheWrittenFileIsTheOnePlayed) {
    TNotified notified;
    Frm->Active = 0;
    const QString dir = FreshDir(QStringLiteral("self"));
    const QString source = dir + QStringLiteral("/film.mpg");
    ASSERT_TRUE(QFile::copy(FixturePath(QStringLiteral("vcd_mp2.mpg")), source));
    const QByteArray original = ReadFile(source);
    Open(source);
    ASSERT_GT(Frm->DurationMs(), 0);
    ASSERT_TRUE(QFile::link(source, dir + QStringLiteral("/link.mpg")));
    // By its name, another spelling or a link: refused before any question, even with
    // every question answered "&Yes".
    for (const QString& name :
         {source, dir + QStringLiteral("/./film.mpg"), dir + QStringLiteral("/link.mpg")}) {
        Boxes.clear();
        Answers = {1, 1, 1};
        Frm->outputFileEdit->setText(name);
        Frm->ExtractBtnClick();
        ASSERT_EQ(Boxes.size(), 1u) << name.toStdString();
        EXPECT_EQ(Boxes[0].Icon, 0);
        EXPECT_TRUE(Boxes[0].Text.contains(QStringLiteral("would replace the source")));
        EXPECT_TRUE(Frm->IsIdle());
        EXPECT_EQ(Frm->RunInput(), nullptr);
    }
    Pump(100);
    EXPECT_EQ(ReadFile(source), original);

    // Typing into the output edit during the run changes nothing: the done box and the
    // notification name the file that was written.
    const QString output = dir + QStringLiteral("/song.mp3");
    Frm->outputFileEdit->setText(output);
    Boxes.clear();
    Answers = {1}; // play it
    Frm->ExtractBtnClick();
    ASSERT_TRUE(Frm->Running());
    EXPECT_FALSE(Frm->SaveFileBtn->isEnabled());
    QTest::keyClicks(Frm->outputFileEdit, QStringLiteral(".other"));
    ASSERT_TRUE(WaitFor([&] { return HasDoneBox(Boxes); }));
    Pump(50);
    EXPECT_EQ(Frm->outputFileEdit->text(), output);
    EXPECT_TRUE(Frm->outputFileEdit->isEnabled());
    EXPECT_TRUE(Frm->SaveFileBtn->isEnabled());
    ASSERT_EQ(Urls.size(), 1u);
    EXPECT_EQ(Urls[0], QUrl::fromLocalFile(output));
    ASSERT_FALSE(notified.bodies.empty());
    EXPECT_TRUE(notified.bodies.back().endsWith(QStringLiteral("song.mp3")));
    EXPECT_GT(QFileInfo(output).size(), 1000);
}

TEST_F(WindowTest, KeyboardReachesTheLinksAndSpacePressesTheFocusedButton) {
    Open(FixturePath(QStringLiteral("vcd_mp2.mpg")));
    Frm->outputFileEdit->setText(FreshDir(QStringLiteral("keys")) + QStringLiteral("/out.mp3"));
    QApplication::setActiveWindow(Frm.get());
    QWindow* window = Frm->windowHandle(); // keys as the platform delivers them
    std::vector<QString> opened;           // titles of the dialogs the keys opened

    // Tab from the output's "..." reaches both links in turn, each framed while focused.
    Frm->SaveFileBtn->setFocus(Qt::TabFocusReason);
    const QImage unfocused = Frm->MP3SettingsEdit->grab().toImage();
    QTest::keyClick(window, Qt::Key_Tab);
    ASSERT_EQ(Frm->focusWidget(), Frm->MP3SettingsEdit);
    EXPECT_NE(Frm->MP3SettingsEdit->grab().toImage(), unfocused);
    CancelSettingsWhenShown(opened);
    QTest::keyClick(window, Qt::Key_Return);
    CancelSettingsWhenShown(opened);
    QTest::keyClick(window, Qt::Key_Space);
    QTest::keyClick(window, Qt::Key_Tab);
    ASSERT_EQ(Frm->focusWidget(), Frm->Id3TagEdit);
    EXPECT_EQ(Frm->MP3SettingsEdit->grab().toImage(), unfocused);
    CancelSettingsWhenShown(opened);
    QTest::keyClick(window, Qt::Key_Space);
    // Their accelerators work from anywhere in the window (which is active again once a
    // dialog closes; the offscreen desktop needs to be told).
    const auto activate = [&] {
        Frm->activateWindow();
        return QTest::qWaitForWindowActive(window);
    };
    ASSERT_TRUE(activate());
    Frm->VideoWin->setFocus();
    CancelSettingsWhenShown(opened);
    QTest::keyClick(window, Qt::Key_E, Qt::AltModifier);
    ASSERT_TRUE(WaitFor([&] { return opened.size() == 4; }, 5000));
    ASSERT_TRUE(activate());
    CancelSettingsWhenShown(opened);
    QTest::keyClick(window, Qt::Key_S, Qt::AltModifier);
    ASSERT_TRUE(WaitFor([&] { return opened.size() == 5; }, 5000));
    const QString mp3 = QStringLiteral("MP3 Settings ..."), id3 = QStringLiteral("ID3 Tag Editor");
    EXPECT_EQ(opened, (std::vector<QString>{mp3, mp3, id3, id3, mp3}));

    // No button has the focus: Space plays and pauses.
    Frm->VideoWin->setFocus();
    QTest::keyClick(window, Qt::Key_Space);
    EXPECT_TRUE(Frm->PauseBtn->isEnabled());
    QTest::keyClick(window, Qt::Key_Space);
    EXPECT_FALSE(Frm->PauseBtn->isEnabled());
    // A focused button takes Space as its own press; the preview is left alone.
    Frm->skinButton2->setFocus(Qt::TabFocusReason);
    QTest::keyClick(window, Qt::Key_Space);
    ASSERT_EQ(Urls.size(), 1u);
    EXPECT_TRUE(Urls[0].toLocalFile().endsWith(QStringLiteral("sonavel.html")));
    Frm->ExtractBtn->setFocus(Qt::TabFocusReason);
    QTest::keyClick(window, Qt::Key_Space);
    EXPECT_TRUE(Frm->Running());
    Frm->CancelBtn->setFocus(Qt::TabFocusReason);
    QTest::keyClick(window, Qt::Key_Space);
    EXPECT_FALSE(Frm->Running());
    EXPECT_FALSE(Frm->PauseBtn->isEnabled());
    // The arrows still move the preview from a focused button.
    Frm->TrackBar->setPosition(3000);
    QTest::keyClick(window, Qt::Key_Right);
    EXPECT_EQ(Frm->TrackBar->position(), 4000);
    // A click leaves the focus where it was, so Space stays play/pause for the mouse.
    EXPECT_EQ(Frm->ExtractBtn->focusPolicy(), Qt::TabFocus);
    EXPECT_EQ(Frm->MP3SettingsEdit->focusPolicy(), Qt::TabFocus);
}

TEST_F(WindowTest, EnvelopeShowsTheClipsSoundAndPauses) {
    Open(FixturePath(QStringLiteral("dvd_ac3_stereo.vob")));
    const int dur = int(Frm->DurationMs());
    ASSERT_GT(dur, 9000);
    EXPECT_TRUE(Frm->IsIdle()); // computed in the background
    ASSERT_TRUE(WaitFor([&] { return Frm->Envelope->Snapshot()->Done(); }));
    ASSERT_EQ(Frm->Envelope->Snapshot()->state, TEnvelopeData::TState::esFinished);
    // The range covers part of the channel, so both colourings are checked.
    Frm->TrackBar->setPosition(4000);
    Key(Frm->ExtractBtn, Qt::Key_BracketLeft, Qt::NoModifier, QStringLiteral("["));
    ASSERT_EQ(Frm->StartMs(), 4000);
    Frm->TrackBar->setPosition(0); // the thumb out of the way
    const QImage shot = Frm->TrackBar->grab().toImage();
    const QRect ch = Frm->TrackBar->channelRect();
    const double scale = shot.width() / double(Frm->TrackBar->width());
    // Pixels of a column that differ from the channel's background there (inside the
    // channel's sunken edge).
    auto marked = [&](double seconds) {
        const int x = int((ch.left() + (seconds * 1000.0 / dur) * ch.width()) * scale);
        const QColor background =
            seconds * 1000 >= Frm->StartMs() ? QColor(0, 0, 255) : QColor(Qt::white);
        int n = 0;
        for (int y = int((ch.top() + 2) * scale); y < int((ch.bottom() - 2) * scale); ++y)
            if (shot.pixelColor(x, y) != background)
                ++n;
        return n;
    };
    for (int second = 1; second < 9; ++second) {
        ASSERT_TRUE(fs::IsLoudAt(second + 0.35));
        ASSERT_TRUE(fs::IsSilentAt(second + 0.875));
        EXPECT_GT(marked(second + 0.35), 2) << "second " << second;
        EXPECT_EQ(marked(second + 0.875), 0) << "second " << second;
    }
}

TEST_F(WindowTest, DroppedFileOpens) {
    const QString path = FixturePath(QStringLiteral("vcd_mp2.mpg"));
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Frm.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Frm.get(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    ASSERT_TRUE(WaitFor([&] { return Frm->DurationMs() > 0 && Frm->IsIdle(); }));
    EXPECT_EQ(Frm->sourceFileEdit->text(), path);
    EXPECT_EQ(Frm->SourceDialogs, 0);

    // Not a file: refused.
    QMimeData folder;
    folder.setUrls({QUrl::fromLocalFile(QDir::tempPath())});
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &folder, Qt::LeftButton,
                            Qt::NoModifier);
    QApplication::sendEvent(Frm.get(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}
