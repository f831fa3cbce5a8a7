// Opening a source, the preview transport, the summary rows and closing.
#include "window_fixture.h"

#include "app/output_policy.h"

#include "app/common.h"
#include "app/settings.h"
#include "preview/filter_graph.h"
#include "preview/video_window.h"
#include "ui/main/main_frm_util.h"
#include "ui/skin/image.h"
#include "ui/skin/image_button.h"
#include "ui/skin/link_label.h"
#include "ui/skin/skin_panel.h"
#include "ui/skin/skin_style.h"
#include "ui/skin/track_bar.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <sys/stat.h>

namespace {
QString Documents() {
    QString docs;
    GetDocumentsFolder(docs);
    return docs;
}
} // namespace

TEST_F(WindowTest, StartsWithoutSourceAtItsFixedSize) {
    EXPECT_EQ(Frm->size(), QSize(828, 394)); // the tracks list beside the summary
    EXPECT_EQ(Frm->TotalTimeLabel->text(), QStringLiteral("No Video File  "));
    EXPECT_EQ(Frm->TimeLabel->text(), QStringLiteral("0:00:00.0"));
    EXPECT_FALSE(Frm->PlayBtn->isEnabled());
    EXPECT_FALSE(Frm->PauseBtn->isEnabled());
    EXPECT_FALSE(Frm->StartPointBtn->isVisible());
    EXPECT_FALSE(Frm->MP3SettingsEdit->isVisible());
    EXPECT_FALSE(Frm->Id3TagEdit->isVisible());
    EXPECT_TRUE(Frm->IsIdle());
    EXPECT_EQ(Frm->windowTitle(), AppTitle); // no home page configured, none named
    int size = 0;
    bool accept = true;
    Frm->Splitter1CanResize(size, accept);
    EXPECT_FALSE(accept);

    // "&Rip!" without a source asks for one first; cancelled with no output: nothing.
    Frm->ExtractBtnClick();
    EXPECT_EQ(Frm->SourceDialogs, 1);
    EXPECT_TRUE(Boxes.empty());
    EXPECT_TRUE(Frm->IsIdle());

    // Play without a source only says so.
    Frm->PlayBtnClick();
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0], QStringLiteral("Please open a video file at first!"));
}

TEST_F(WindowTest, OpeningFillsTimesOutputAndSummary) {
    const QString source = FixturePath(QStringLiteral("dvd_ac3_stereo.vob"));
    Open(source);
    EXPECT_TRUE(Boxes.empty());
    EXPECT_TRUE(Frm->IsIdle());
    EXPECT_NEAR(double(Frm->DurationMs()), 10000.0, 700.0);
    EXPECT_EQ(Frm->TrackBar->maximum(), Frm->DurationMs());
    EXPECT_EQ(Frm->StartMs(), 0);
    EXPECT_EQ(Frm->EndMs(), Frm->DurationMs());
    EXPECT_EQ(Frm->TotalTimeLabel->text(), FormatTimeText(Frm->DurationMs()));
    EXPECT_EQ(Frm->TimeLabel->text(), QStringLiteral("0:00:00.0"));
    EXPECT_TRUE(Frm->PlayBtn->isEnabled());
    EXPECT_FALSE(Frm->PauseBtn->isEnabled());
    EXPECT_TRUE(Frm->StartPointBtn->isVisible());
    EXPECT_TRUE(Frm->EndPointBtn->isVisible());
    EXPECT_EQ(Frm->sourceFileEdit->text(), source);

    // Empty remembered folder: the documents folder, remembered with its "/".
    EXPECT_EQ(AppSettings.OutputFileDir, Documents() + u'/');
    EXPECT_EQ(Frm->outputFileEdit->text(), Documents() + QStringLiteral("/dvd_ac3_stereo.mp3"));
    EXPECT_EQ(AppSettings.InputFileDir, QFileInfo(source).absolutePath() + u'/');

    EXPECT_EQ(Frm->MP3SettingsText1->text(), QStringLiteral("192 Kbps, CBR, Joint Stereo"));
    EXPECT_EQ(Frm->MP3SettingsText2->text(), QStringLiteral("44100 Hz"));
    EXPECT_EQ(Frm->Id3TagText1->text(), QStringLiteral("Title: No Title"));
    EXPECT_EQ(Frm->Id3TagText2->text(), QStringLiteral("Artist: None"));
    EXPECT_EQ(Frm->outputFileText->text(), Frm->outputFileEdit->text());
    EXPECT_EQ(Frm->DurationText->text(), FormatTimeText(Frm->DurationMs()));
    EXPECT_EQ(Frm->startPointEdit->text(), QStringLiteral("0:00:00.0"));
    EXPECT_EQ(Frm->endPointEdit->text(), FormatTimeText(Frm->DurationMs()));
    EXPECT_EQ(Frm->FileSizeText->text(),
              QStringLiteral("about ") + FormatSizeText(Frm->DurationMs() * 192 / 8));
    EXPECT_TRUE(Frm->MP3SettingsEdit->isVisible());
    EXPECT_TRUE(Frm->Id3TagEdit->isVisible());
    EXPECT_TRUE(Frm->selPointPanel->isVisible());

    // Markers at both ends of the channel.
    const int base = Frm->TrackBar->x() + Frm->TrackMargin();
    EXPECT_EQ(Frm->StartPointBtn->x(), base);
    EXPECT_EQ(Frm->EndPointBtn->x() + Frm->EndPointBtn->width(),
              base + Frm->TrackBar->width() - 2 * Frm->TrackMargin());
}

TEST_F(WindowTest, CommandLineFileOpensWithoutTheDialog) {
    // `sonavel FILE`: as if FILE had been chosen in the open dialog.
    Frm->OpenSourceFile(FixturePath(QStringLiteral("vcd_mp2.dat")));
    EXPECT_EQ(Frm->SourceDialogs, 0);
    EXPECT_TRUE(Boxes.empty());
    EXPECT_NEAR(double(Frm->DurationMs()), 10000.0, 700.0);
    EXPECT_EQ(Frm->sourceFileEdit->text(), FixturePath(QStringLiteral("vcd_mp2.dat")));
    EXPECT_TRUE(Frm->outputFileEdit->text().endsWith(QStringLiteral("/vcd_mp2.mp3")));

    // A file that is not there fails like any other source, and the window starts over.
    Frm->OpenSourceFile(TestRoot() + QStringLiteral("/missing.vob"));
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Icon, 1);
    EXPECT_EQ(Frm->DurationMs(), 0);
}

TEST_F(WindowTest, RememberedFolderAndItsClearingBesideTheSource) {
    const QString rips = FreshDir(QStringLiteral("rips")) + u'/';
    AppSettings.OutputFileDir = rips;
    const QString vcd = FixturePath(QStringLiteral("vcd_mp2.mpg"));
    Open(vcd);
    EXPECT_EQ(Frm->outputFileEdit->text(), rips + QStringLiteral("vcd_mp2.mp3"));
    EXPECT_EQ(AppSettings.OutputFileDir, rips);

    // The output beside the source: the next open click forgets the remembered folder
    // before the dialog, even when the dialog is then cancelled.
    Frm->outputFileEdit->setText(ChangeFileExt(vcd, QStringLiteral(".mp3")));
    Frm->OpenFileBtnClick(); // cancelled
    EXPECT_EQ(Frm->SourceDialogs, 2);
    EXPECT_TRUE(AppSettings.OutputFileDir.isEmpty());
    EXPECT_EQ(Frm->sourceFileEdit->text(), vcd);

    // The next source's output then goes to the documents folder.
    Open(FixturePath(QStringLiteral("mono_u8.avi")));
    EXPECT_EQ(Frm->outputFileEdit->text(), Documents() + QStringLiteral("/mono_u8.mp3"));
}

TEST_F(WindowTest, FailedOpenShowsTheBoxAndStartsOver) {
    Open(FixturePath(QStringLiteral("vcd_mp2.mpg")));
    const int64_t duration = Frm->DurationMs();
    const QString output = Frm->outputFileEdit->text();
    const QString sizeText = Frm->FileSizeText->text();

    const QString dir = FreshDir(QStringLiteral("bad"));
    const QString garbage = dir + QStringLiteral("/garbage.vob");
    QByteArray noise(200000, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919 + (i >> 3) * 31) & 0xff);
    ASSERT_TRUE(WriteFile(garbage, noise));

    QElapsedTimer t;
    t.start();
    Open(garbage);
    EXPECT_LT(t.elapsed(), 20000);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Icon, 1);
    EXPECT_EQ(Boxes[0].Text,
              QStringLiteral("The source file can NOT be opened. Normally you need only install "
                             "the needed codecs to solve the problem. Click the Help button to "
                             "get more helps."));
    EXPECT_EQ(Boxes[0].Left, QStringLiteral("&Close"));
    EXPECT_EQ(Boxes[0].Right, QStringLiteral("&Help"));
    // Nothing of the old source is left to be ripped from the new one.
    EXPECT_GT(duration, 0);
    EXPECT_FALSE(output.isEmpty());
    EXPECT_FALSE(sizeText.isEmpty());
    EXPECT_TRUE(Frm->sourceFileEdit->text().isEmpty());
    EXPECT_EQ(Frm->DurationMs(), 0);
    EXPECT_TRUE(Frm->outputFileEdit->text().isEmpty());
    EXPECT_TRUE(Frm->FileSizeText->text().isEmpty());
    EXPECT_EQ(Frm->TotalTimeLabel->text(), QStringLiteral("No Video File  "));
    EXPECT_FALSE(Frm->PlayBtn->isEnabled());
    EXPECT_TRUE(Frm->IsIdle());

    // A truncated source never hangs the opening: it opens or fails, in either case soon.
    const QByteArray whole = ReadFile(FixturePath(QStringLiteral("dvd_ac3_stereo.vob")));
    const QString cut = dir + QStringLiteral("/cut.vob");
    ASSERT_TRUE(WriteFile(cut, whole.left(whole.size() / 7)));
    t.restart();
    Open(cut);
    EXPECT_LT(t.elapsed(), 20000);
    EXPECT_TRUE(Frm->IsIdle());

    // A pipe would keep the opening waiting for its writer for ever: refused before the
    // opening starts, with the reason, the open source kept.
    Open(FixturePath(QStringLiteral("vcd_mp2.mpg")));
    const QString fifo = dir + QStringLiteral("/fifo.mpg");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    Boxes.clear();
    t.restart();
    Open(fifo);
    EXPECT_LT(t.elapsed(), 5000);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, QStringLiteral("The source file can NOT be opened: it is a pipe, "
                                            "which can be read only once; save it to a file "
                                            "and rip that."));
    EXPECT_EQ(Frm->DurationMs(), duration);
    EXPECT_EQ(Frm->sourceFileEdit->text(), FixturePath(QStringLiteral("vcd_mp2.mpg")));
    EXPECT_TRUE(Frm->IsIdle());
}

TEST_F(WindowTest, RefusedThreadEndsTheOpeningAsFailed) {
    Open(FixturePath(QStringLiteral("vcd_mp2.mpg")));
    const int64_t duration = Frm->DurationMs();
    Frm->RefuseThread = true;
    Open(FixturePath(QStringLiteral("mono_u8.avi")));
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0],
              QStringLiteral("Thread can't be created while opening the source file!"));
    EXPECT_TRUE(Frm->IsIdle());
    EXPECT_GT(duration, 0);
    EXPECT_EQ(Frm->DurationMs(), 0); // the old graph was gone already
    Frm->RefuseThread = false;
    Open(FixturePath(QStringLiteral("mono_u8.avi")));
    EXPECT_NEAR(double(Frm->DurationMs()), 6000.0, 300.0);
}

TEST_F(WindowTest, PlayMovesTheTimeAndPauseStopsIt) {
    Open(FixturePath(QStringLiteral("demo.mpg")));
    Frm->PlayBtnClick();
    EXPECT_FALSE(Frm->PlayBtn->isEnabled());
    EXPECT_TRUE(Frm->PauseBtn->isEnabled());
    EXPECT_TRUE(Frm->Timer1->isActive());
    EXPECT_TRUE(WaitFor([&] { return Frm->TrackBar->position() >= 300; }, 8000));
    EXPECT_EQ(Frm->TimeLabel->text(), FormatTimeText(Frm->TrackBar->position()));
    Frm->PauseBtnClick();
    EXPECT_FALSE(Frm->Timer1->isActive());
    EXPECT_TRUE(Frm->PlayBtn->isEnabled());
    EXPECT_FALSE(Frm->PauseBtn->isEnabled());

    // The end button seeks to the end; the time label follows the thumb.
    Frm->EndBtnClick();
    EXPECT_EQ(Frm->TrackBar->position(), Frm->TrackBar->maximum());
    EXPECT_EQ(Frm->TimeLabel->text(), FormatTimeText(Frm->DurationMs()));
    Frm->BeginBtnClick();
    EXPECT_EQ(Frm->TimeLabel->text(), QStringLiteral("0:00:00.0"));
}

TEST_F(WindowTest, KeysThatOpenTheDialogAndKeysThatDoNot) {
    for (int key :
         {int(Qt::Key_A), int(Qt::Key_Z), int(Qt::Key_0), int(Qt::Key_9), int(Qt::Key_Delete)}) {
        const int before = Frm->SourceDialogs;
        Frm->sourceFileEditKeyDown(key, Qt::NoModifier);
        EXPECT_EQ(Frm->SourceDialogs, before + 1) << key;
    }
    for (int key : {int(Qt::Key_Left), int(Qt::Key_Up), int(Qt::Key_Right), int(Qt::Key_Down),
                    int(Qt::Key_Tab), int(Qt::Key_Insert), int(Qt::Key_Period), int(Qt::Key_Slash),
                    int(Qt::Key_Space), int(Qt::Key_Return), int(Qt::Key_Shift), int(Qt::Key_F5)}) {
        const int before = Frm->SourceDialogs;
        Frm->sourceFileEditKeyDown(key, Qt::NoModifier);
        EXPECT_EQ(Frm->SourceDialogs, before) << key;
    }
    // Keypad digits have codes of their own, above the range.
    const int before = Frm->SourceDialogs;
    Frm->sourceFileEditKeyDown(Qt::Key_5, Qt::KeypadModifier);
    EXPECT_EQ(Frm->SourceDialogs, before);
}

TEST_F(WindowTest, DoubleClickOpensOnlyWithoutASource) {
    Frm->VideoWinDblClick();
    EXPECT_EQ(Frm->SourceDialogs, 1);
    Open(FixturePath(QStringLiteral("vcd_mp2.mpg")));
    const int before = Frm->SourceDialogs;
    Frm->VideoWinDblClick();
    EXPECT_EQ(Frm->SourceDialogs, before);
}

TEST_F(WindowTest, SummaryTextsAndHighlight) {
    Open(FixturePath(QStringLiteral("vcd_mp2.mpg")));
    AppSettings.AudioVBR = true;
    AppSettings.AudioVbrQuality = 4;
    Frm->ShowMp3Settings();
    EXPECT_EQ(Frm->MP3SettingsText1->text(), QStringLiteral("V4, VBR, Joint Stereo"));
    AppSettings.AudioVbrLimits = true;
    AppSettings.AudioVbrMinBitrate = 128;
    AppSettings.AudioVbrMaxBitrate = 256;
    AppSettings.AudioChannels = 3;
    Frm->ShowMp3Settings();
    EXPECT_EQ(Frm->MP3SettingsText1->text(), QStringLiteral("128 - 256 Kbps, VBR, Mono"));
    AppSettings.AudioChannels = 5;
    Frm->ShowMp3Settings();
    EXPECT_EQ(Frm->MP3SettingsText1->text(), QStringLiteral("128 - 256 Kbps, VBR, "));
    AppSettings.AudioChannels = 1;
    AppSettings.AudioVBR = false;
    Frm->ShowMp3Settings();
    EXPECT_EQ(Frm->MP3SettingsText1->text(), QStringLiteral("192 Kbps, CBR, Stereo"));

    CurrentTag.Title = QStringLiteral("Intro");
    Frm->ShowId3Tag();
    EXPECT_EQ(Frm->Id3TagText1->text(), QStringLiteral("Title: Intro"));

    Frm->outputFilePanelMouseMove(Frm->outputFilePanel);
    EXPECT_EQ(Frm->outputFilePanel->color(), SkinRowHighlight());
    Frm->outputFilePanelMouseMove(Frm->FileSizePanel);
    EXPECT_EQ(Frm->outputFilePanel->color(), SkinRowColor());
    EXPECT_EQ(Frm->FileSizePanel->color(), SkinRowHighlight());
}

TEST_F(WindowTest, ClosingForgetsTheFolderOnlyBesideTheSourceAndSaves) {
    const QString vcd = FixturePath(QStringLiteral("vcd_mp2.mpg"));
    AppSettings.OutputFileDir = FreshDir(QStringLiteral("keep")) + u'/';
    Open(vcd);
    const QString kept = AppSettings.OutputFileDir;
    Frm->close();
    EXPECT_EQ(AppSettings.OutputFileDir, kept);

    Frm = std::make_unique<TTestMainFrm>();
    Frm->show();
    Open(vcd);
    Frm->outputFileEdit->setText(ChangeFileExt(vcd, QStringLiteral(".mp3")));
    Frm->close();
    EXPECT_TRUE(AppSettings.OutputFileDir.isEmpty());
    // Saved: loading again reads the cleared folder back.
    AppSettings.OutputFileDir = QStringLiteral("/elsewhere/");
    LoadSettings();
    EXPECT_TRUE(AppSettings.OutputFileDir.isEmpty());
}

TEST(WindowRules, PathAndKeyRules) {
    EXPECT_EQ(FolderPart(QStringLiteral("/a/b/c.vob")), QStringLiteral("/a/b/"));
    EXPECT_EQ(FolderPart(QStringLiteral("c.vob")), QString());
    EXPECT_EQ(ChangeFileExt(QStringLiteral("/a.b/c.d.vob"), QStringLiteral(".mp3")),
              QStringLiteral("/a.b/c.d.mp3"));
    EXPECT_EQ(ChangeFileExt(QStringLiteral("/a.b/c"), QStringLiteral(".mp3")),
              QStringLiteral("/a.b/c.mp3"));
    const QString out = QStringLiteral("/nowhere/rips/");
    const QString name = QStringLiteral("film.mp3");
    EXPECT_EQ(ResolveTypedOutput(QStringLiteral("\\tmp\\x\\y.mp3"), out, name),
              QStringLiteral("/tmp/x/y.mp3"));
    EXPECT_EQ(ResolveTypedOutput(QStringLiteral("sub/y.MP3"), out, name),
              QStringLiteral("/nowhere/rips/sub/y.MP3"));
    EXPECT_EQ(ResolveTypedOutput(QStringLiteral("song"), out, name),
              QStringLiteral("/nowhere/rips/song.mp3"));
    EXPECT_EQ(ResolveTypedOutput(QStringLiteral("live.ogg"), QString(), name),
              QDir::homePath() + QStringLiteral("/live.ogg"));
    EXPECT_EQ(ResolveTypedOutput(QStringLiteral(".hidden"), out, name),
              QStringLiteral("/nowhere/rips/.hidden.mp3"));
    EXPECT_EQ(ResolveTypedOutput(QStringLiteral("~/y"), out, name),
              QDir::homePath() + QStringLiteral("/y.mp3"));
    EXPECT_EQ(ResolveTypedOutput(QStringLiteral("~"), out, name),
              QDir::homePath() + QStringLiteral("/film.mp3"));
    EXPECT_EQ(ResolveTypedOutput(QStringLiteral("/new/folder/"), out, name),
              QStringLiteral("/new/folder/film.mp3"));
    EXPECT_EQ(ResolveTypedOutput(QStringLiteral("%n - %t"), out, name),
              QStringLiteral("/nowhere/rips/%n - %t"));
    const QString exists = FileExistsText();
    EXPECT_FALSE(exists.isEmpty());
    EXPECT_FALSE(exists.endsWith(u'.'));
    EXPECT_FALSE(exists.endsWith(u' '));
}
