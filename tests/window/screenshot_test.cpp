// Pictures of the window for a person to look at: with a source open, during a rip and
// after it. Runs only when SONAVEL_SCREENSHOT_DIR names a folder (tools/window_shots.sh).
#include "window_fixture.h"

#include "audio/loudness_envelope.h"
#include "support/dvd_authoring.h"
#include "ui/skin/caption_progress_bar.h"
#include "ui/skin/track_bar.h"

#include <QComboBox>

#include <QDir>
#include <QLineEdit>
#include <QPixmap>

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
    Frm->SetMarkerAtPosition(0);
    Frm->TrackBar->setPosition(7500);
    Frm->SetMarkerAtPosition(1);
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
    EXPECT_TRUE(Frm->grab().save(dir + QStringLiteral("/5-dvd-chapters.png")));
}
