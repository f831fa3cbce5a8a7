// Pictures of the window for a person to look at: with a source open, during a rip and
// after it, smallest and maximised. Runs only when SONAVEL_SCREENSHOT_DIR names a folder
// (tools/window_shots.sh).
#include "window_fixture.h"

#include "audio/loudness/loudness_detail.h"
#include "audio/loudness/loudness_envelope.h"
#include "support/dvd_authoring.h"
#include "ui/skin/caption_progress_bar.h"
#include "ui/skin/track_bar.h"

#include <QComboBox>

#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>

TEST_F(WindowTest, Screenshots) {
    const QString dir = qEnvironmentVariable("SONAVEL_SCREENSHOT_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "SONAVEL_SCREENSHOT_DIR not set";
    QDir().mkpath(dir);
    auto shoot = [&](const QString& name) {
        Pump(150);
        EXPECT_TRUE(Frm->grab().save(dir + u'/' + name));
    };
    CurrentTag.Title = QStringLiteral("Hopping Ball");
    Open(FixturePath(QStringLiteral("demo.mpg")));
    CurrentTag.Title = QStringLiteral("Hopping Ball");
    CurrentTag.Artist = QStringLiteral("Sonavel Demo");
    Frm->ShowId3Tag();
    Frm->PlayBtnClick();
    Pump(1500);
    Frm->PauseBtnClick();
    // A range from 2 s to 11 s.
    Frm->startPointUpBtnMouseDown();
    for (int i = 0; i < 20; ++i)
        Frm->Timer3Timer();
    Frm->startPointUpBtnMouseUp();
    Frm->endPointDownBtnMouseDown();
    while (Frm->EndMs() > 11000)
        Frm->Timer3Timer();
    Frm->startPointUpBtnMouseUp();
    Frm->outputFilePanelMouseMove(Frm->MP3SettingsPanel);
    WaitFor([&] { return Frm->Envelope->Snapshot()->Done(); });
    shoot(QStringLiteral("1-source-open.png"));

    Frm->outputFileEdit->setText(FreshDir(QStringLiteral("shots")) + QStringLiteral("/demo.mp3"));
    Frm->ExtractBtnClick();
    WaitFor([&] { return Frm->ProgressBar->value() > Frm->StartMs() + 4000 || Frm->IsIdle(); });
    EXPECT_TRUE(Frm->grab().save(dir + QStringLiteral("/2-during-rip.png")));
    WaitFor([&] { return Frm->IsIdle(); });
    shoot(QStringLiteral("3-after-rip.png"));
}

TEST_F(WindowTest, ScreenshotsAudioChoice) {
    const QString dir = qEnvironmentVariable("SONAVEL_SCREENSHOT_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "SONAVEL_SCREENSHOT_DIR not set";
    QDir().mkpath(dir);
    Open(FixturePath(QStringLiteral("two_tracks.mkv")));
    Frm->AudioTrackBox->setCurrentIndex(1);
    Frm->AudioTrackBoxChange(1);
    WaitFor([&] { return Frm->Envelope->Snapshot()->Done(); });
    Frm->TrackBar->setPosition(2500);
    Frm->SetMarkerAtPosition(TMarker::Start);
    Frm->TrackBar->setPosition(7500);
    Frm->SetMarkerAtPosition(TMarker::End);
    Pump(150);
    EXPECT_TRUE(Frm->grab().save(dir + QStringLiteral("/4-audio-choice.png")));
}

TEST_F(WindowTest, ScreenshotsDvd) {
    const QString dir = qEnvironmentVariable("SONAVEL_SCREENSHOT_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "SONAVEL_SCREENSHOT_DIR not set";
    const QString root = TestDvdRoot();
    ASSERT_FALSE(root.isEmpty());
    QDir().mkpath(dir);
    Open(root);
    WaitFor([&] { return Frm->Envelope->Snapshot()->Done(); });
    Frm->SelectChapters(3, 4);
    Frm->TrackBar->setPosition(7000);
    Pump(150);
    EXPECT_TRUE(Frm->grab().save(dir + QStringLiteral("/9-dvd-chapters.png")));
}

// The window at its smallest and maximised, with a zoomed time line, chapter-like ticks
// and a range; with a window manager (tools/window_shots.sh) also the whole screen.
// SONAVEL_SCREENSHOT_TAG names the scale the pictures were taken at.
TEST_F(WindowTest, ScreenshotsResizable) {
    const QString dir = qEnvironmentVariable("SONAVEL_SCREENSHOT_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "SONAVEL_SCREENSHOT_DIR not set";
    QDir().mkpath(dir);
    const QString tag = qEnvironmentVariable("SONAVEL_SCREENSHOT_TAG", QStringLiteral("x1"));
    auto shoot = [&](const QString& name) {
        Pump(300);
        EXPECT_TRUE(Frm->grab().save(dir + u'/' + name + u'-' + tag + QStringLiteral(".png")));
        if (!qEnvironmentVariableIsEmpty("DISPLAY"))
            QProcess::execute(
                QStringLiteral("import"),
                {QStringLiteral("-window"), QStringLiteral("root"),
                 dir + u'/' + name + QStringLiteral("-screen-") + tag + QStringLiteral(".png")});
    };
    auto key = [&](int k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QKeyEvent press(QEvent::KeyPress, k, mods);
        QApplication::sendEvent(Frm->ExtractBtn, &press);
    };
    Open(FixturePath(QStringLiteral("demo.mpg")));
    WaitFor([&] { return Frm->Envelope->Snapshot()->Done(); });
    Frm->TrackBar->setTickTimes({3000, 6000, 9000, 12000});
    Frm->TrackBar->setPosition(2000);
    key(Qt::Key_BracketLeft);
    Frm->TrackBar->setPosition(11000);
    key(Qt::Key_BracketRight);
    Frm->TrackBar->setPosition(6000);
    shoot(QStringLiteral("5-smallest"));

    Frm->showMaximized();
    Pump(500);
    shoot(QStringLiteral("6-maximised"));
    for (int i = 0; i < 5; ++i)
        key(Qt::Key_Plus, Qt::ControlModifier);
    WaitFor([&] { return Frm->Detail->ChunkAt(6.0) != nullptr; });
    shoot(QStringLiteral("7-maximised-zoomed"));
    Frm->showNormal();
    Pump(300);
    for (int i = 0; i < 3; ++i)
        key(Qt::Key_Plus, Qt::ControlModifier);
    WaitFor([&] { return Frm->Detail->ChunkAt(6.0) != nullptr; });
    shoot(QStringLiteral("8-smallest-zoomed"));
}
