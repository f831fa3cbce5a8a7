// The range, the rip from click to file, its failures, the settings links and dialogs.
#include "window_fixture.h"

#include "app/common.h"
#include "audio/pipeline/audio_input.h"
#include "audio/rip/mp3_out.h"
#include "support/decoded_audio.h"
#include "support/fixture_signal.h"
#include "support/read_fault.h"
#include "support/source_sound.h"
#include "ui/dialogs/settings_frm.h"
#include "ui/main/main_frm_util.h"
#include "ui/main/run_input.h"
#include "ui/skin/caption_progress_bar.h"
#include "ui/skin/image.h"
#include "ui/skin/skin_panel.h"
#include "ui/skin/track_bar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

TEST_F(WindowTest, MarkersByDraggingAndFineSteps) {
    Open(FixturePath(QStringLiteral("dvd_ac3_stereo.vob")));
    ASSERT_GT(Frm->DurationMs(), 9000);
    const int margin = Frm->TrackMargin();
    const int width = Frm->TrackBar->width() - 2 * margin;
    const int base = Frm->TrackBar->x() + margin;
    const int64_t dur = Frm->DurationMs();

    // Without the left button nothing moves.
    Frm->StartPointBtnMouseMove(Qt::NoButton, 40, 0);
    EXPECT_EQ(Frm->StartMs(), 0);

    // The start marker's left edge goes to the pointer.
    Frm->StartPointBtnMouseMove(Qt::LeftButton, 50, 0);
    EXPECT_EQ(Frm->StartPointBtn->x(), base + 50);
    EXPECT_EQ(Frm->StartMs(), 50 * dur / width);
    EXPECT_EQ(Frm->TrackBar->position(), Frm->StartMs());
    EXPECT_EQ(Frm->startPointEdit->text(), FormatTimeText(Frm->StartMs()));
    EXPECT_EQ(Frm->DurationText->text(), FormatTimeText(Frm->EndMs() - Frm->StartMs()));

    // The end marker's right edge; past the end of the channel it stops.
    const int endLeft = Frm->EndPointBtn->x();
    Frm->EndPointBtnMouseMove(Qt::LeftButton, 40, 0);
    EXPECT_EQ(Frm->EndPointBtn->x(), endLeft);
    Frm->EndPointBtnMouseMove(Qt::LeftButton, -60, 0);
    EXPECT_EQ(Frm->EndPointBtn->x(), endLeft - 60);
    const int64_t end = Frm->EndMs();
    EXPECT_EQ(end, int64_t(endLeft - 60 + Frm->EndPointBtn->width() - base) * dur / width);

    // Towards each other they stop 1000 ms apart.
    Frm->StartPointBtnMouseMove(Qt::LeftButton, 500, 0);
    EXPECT_EQ(Frm->StartPointBtn->x(), base + 50);
    EXPECT_LE(Frm->StartMs(), end - 1000);

    // Fine steps of 100 ms; refusals change nothing.
    const int64_t start = Frm->StartMs();
    Frm->startPointUpBtnMouseDown();
    EXPECT_TRUE(Frm->Timer3->isActive());
    for (int i = 0; i < 5; ++i)
        Frm->Timer3Timer();
    Frm->startPointUpBtnMouseUp();
    EXPECT_FALSE(Frm->Timer3->isActive());
    EXPECT_EQ(Frm->StartMs(), start + 500);
    EXPECT_EQ(Frm->TrackBar->position(), start + 500);
    EXPECT_EQ(Frm->StartPointBtn->x(), base + int(width * (start + 500) / dur));
    Frm->endPointDownBtnMouseDown();
    Frm->Timer3Timer();
    Frm->startPointUpBtnMouseUp();
    EXPECT_EQ(Frm->EndMs(), end - 100);

    // Held for real: the timer keeps stepping until the button is let go, then stops.
    Frm->startPointDownBtnMouseDown();
    ASSERT_TRUE(WaitFor([&] { return Frm->StartMs() <= start + 500 - 300; }, 10000));
    Frm->startPointUpBtnMouseUp();
    const int64_t released = Frm->StartMs();
    EXPECT_FALSE(Frm->Timer3->isActive());
    EXPECT_EQ((start + 500 - released) % 100, 0);
    Pump(250);
    EXPECT_EQ(Frm->StartMs(), released);

    // The start never goes below 0: the last step that would is refused.
    while (Frm->StartMs() >= 100) {
        Frm->startPointDownBtnMouseDown();
        Frm->Timer3Timer();
        Frm->startPointUpBtnMouseUp();
    }
    const int64_t low = Frm->StartMs();
    Frm->startPointDownBtnMouseDown();
    Frm->Timer3Timer();
    Frm->startPointUpBtnMouseUp();
    EXPECT_EQ(Frm->StartMs(), low);
    EXPECT_GE(low, 0);
}

TEST_F(WindowTest, RipHoldsExactlyTheRangeIntoANewDeepFolder) {
    using namespace fixture_signal;
    AppSettings.AudioSampleRate = 48000; // the source's rate: no resampling to account for
    AppSettings.AudioBitrate = 256;
    AppSettings.AudioChannels = 1;
    Open(FixturePath(QStringLiteral("dvd_ac3_stereo.vob")));
    ASSERT_GT(Frm->DurationMs(), 9000);
    // Start 2000 ms by fine steps, end by dragging to about 6 s.
    Frm->startPointUpBtnMouseDown();
    for (int i = 0; i < 20; ++i)
        Frm->Timer3Timer();
    Frm->startPointUpBtnMouseUp();
    const int width = Frm->TrackBar->width() - 2 * Frm->TrackMargin();
    const int target = int(int64_t(6000) * width / Frm->DurationMs());
    const int base = Frm->TrackBar->x() + Frm->TrackMargin();
    Frm->EndPointBtnMouseMove(Qt::LeftButton,
                              base + target - Frm->EndPointBtn->width() - Frm->EndPointBtn->x(), 0);
    const int64_t startMs = Frm->StartMs(), endMs = Frm->EndMs();
    ASSERT_EQ(startMs, 2000);
    ASSERT_GT(endMs, 5500);
    ASSERT_LT(endMs, 6500);

    CurrentTag.Title = QStringLiteral("Intro");
    const QString root = FreshDir(QStringLiteral("deep"));
    const QString output = root + QStringLiteral("/a/b/c/range.mp3");
    Frm->outputFileEdit->setText(ReplaceAllText(output, QStringLiteral("/"), QStringLiteral("\\")));
    Answers = {1};
    Frm->ExtractBtnClick();
    ASSERT_GE(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Icon, 2);
    EXPECT_EQ(Boxes[0].Text, QStringLiteral("The specified output folder doesn't exist.\n ") +
                                 root +
                                 QStringLiteral("/a/b/c/\nDo you want to create the new folder?"));
    EXPECT_EQ(Frm->outputFileEdit->text(), output);
    EXPECT_TRUE(QFileInfo(root + QStringLiteral("/a/b/c")).isDir());
    // Remembered once the rip has written its file, not before.
    const QString before = AppSettings.OutputFileDir;
    EXPECT_NE(before, root + QStringLiteral("/a/b/c/"));

    EXPECT_FALSE(Frm->IsIdle());
    EXPECT_TRUE(Frm->ProgressPanel->isVisible());
    EXPECT_EQ(Frm->ProgressBar->minimum(), startMs);
    EXPECT_EQ(Frm->ProgressBar->maximum(), endMs);
    // Guarded actions are refused while the run goes.
    Frm->OpenFileBtnClick();
    Frm->startPointUpBtnMouseDown();
    EXPECT_FALSE(Frm->Timer3->isActive());
    Answers = {0}; // the box at the end: Close

    std::vector<int> seen;
    ASSERT_TRUE(WaitFor([&] {
        seen.push_back(Frm->ProgressBar->value());
        return HasDoneBox(Boxes);
    }));
    EXPECT_TRUE(Frm->IsIdle());
    EXPECT_FALSE(Frm->RunSession->Timer2->isActive());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_GE(seen.front(), startMs);
    EXPECT_LE(seen.back(), endMs);
    EXPECT_GT(*std::max_element(seen.begin(), seen.end() - 1), startMs); // it moved
    EXPECT_EQ(Frm->ProgressBar->value(), endMs);
    EXPECT_EQ(AppSettings.OutputFileDir, root + QStringLiteral("/a/b/c/"));
    const TBox& done = Boxes.back();
    EXPECT_EQ(done.Icon, 1);
    EXPECT_EQ(done.Text, QStringLiteral("The MP3 has been extracted successfully.\n") +
                             QFileInfo(output).fileName() + QStringLiteral("\nin ") +
                             QFileInfo(output).absolutePath() +
                             QStringLiteral("\nDo you want to play the MP3 now?"));
    EXPECT_TRUE(Urls.empty()); // "&Close"
    // The encoder was given the decoder's floats, not a 16-bit copy of them.
    ASSERT_NE(Frm->RunInput(), nullptr);
    EXPECT_EQ(Frm->RunInput()->Input()->GetBitsPerSample(), TAudioInput::FloatBits);

    const DecodedAudio mp3 = DecodeAudioFile(output);
    ASSERT_TRUE(mp3.ok) << mp3.error.toStdString();
    EXPECT_EQ(mp3.sampleRate, 48000);
    EXPECT_EQ(mp3.tags.value(QStringLiteral("title")), QStringLiteral("Intro"));
    const int64_t rangeFrames = (endMs - startMs) * 48;
    EXPECT_NEAR(double(mp3.frames()), double(rangeFrames), 48.0);
    // Window time 0 is the container's start, where the AC-3 padding begins.
    const int64_t expectedFirst = startMs * 48 - 256;
    const auto source = SourceS16(kDvdStereo, 48000, 0, int64_t(kDvdSeconds * 48000));
    const int64_t probe = 24000;
    std::vector<int16_t> head(mp3.samples.begin(), mp3.samples.begin() + probe * 2);
    double score = 0;
    const int64_t at =
        FindBestOffset(source, head, 2, expectedFirst - 4800, expectedFirst + 4800, &score);
    EXPECT_GT(score, 0.9);
    EXPECT_NEAR(double(at), double(expectedFirst), 2.0);
    std::vector<int16_t> tail(mp3.samples.end() - probe * 2, mp3.samples.end());
    const int64_t tailAt =
        FindBestOffset(source, tail, 2, expectedFirst + rangeFrames - probe - 4800,
                       expectedFirst + rangeFrames - probe + 4800, &score);
    EXPECT_GT(score, 0.9);
    EXPECT_NEAR(double(tailAt + probe), double(expectedFirst + rangeFrames), 48.0);
}

// The run's worker seeks to the start of the range before its first read: the window is
// not held meanwhile, and its progress caption says what is going on.
TEST_F(WindowTest, TheWorkerSeeksWhileTheWindowSaysSo) {
    AppSettings.AudioSampleRate = 48000;
    const QString source = FixturePath(QStringLiteral("dvd_lpcm20_51.vob"));
    Open(source);
    ASSERT_GT(Frm->DurationMs(), 9000);
    Frm->startPointUpBtnMouseDown();
    for (int i = 0; i < 75; ++i)
        Frm->Timer3Timer();
    Frm->startPointUpBtnMouseUp();
    ASSERT_EQ(Frm->StartMs(), 7500);
    const QString output = FreshDir(QStringLiteral("seek")) + QStringLiteral("/seek.mp3");
    Frm->outputFileEdit->setText(output);
    // A slow drive, as the workers see it: their reads past the first seconds of the
    // source wait until let go (the window's own, opening the source, do not).
    const qint64 size = QFileInfo(source).size();
    HoldReads(source, size * 3 / 10, size);
    Frm->ExtractBtnClick();
    Frm->Timer2Timer();
    const QString caption = Frm->ProgressBar->caption();
    const bool running = Frm->Running();
    DisarmReadFault();
    EXPECT_TRUE(running);
    EXPECT_EQ(caption, QStringLiteral("Seeking..."));
    ASSERT_TRUE(WaitFor([&] { return HasDoneBox(Boxes) && Frm->IsIdle(); }));
    const DecodedAudio mp3 = DecodeAudioFile(output);
    ASSERT_TRUE(mp3.ok) << mp3.error.toStdString();
    EXPECT_NEAR(double(mp3.frames()), double((Frm->EndMs() - 7500) * 48), 48.0);
}

TEST_F(WindowTest, ExistingFileNoStartsNothingAndYesPlays) {
    Open(FixturePath(QStringLiteral("vcd_mp2.mpg")));
    const QString dir = FreshDir(QStringLiteral("exists"));
    const QString output = dir + QStringLiteral("/old.mp3");
    ASSERT_TRUE(WriteFile(output, "old"));
    Frm->outputFileEdit->setText(output);
    Frm->activateWindow();
    QApplication::setActiveWindow(Frm.get());
    Frm->ExtractBtn->setFocus();
    Answers = {2};
    Frm->ExtractBtnClick();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Icon, 2);
    EXPECT_EQ(Boxes[0].Text, FileExistsText() + QStringLiteral(":\n ") + output +
                                 QStringLiteral("\nDo you want to overwrite the old file?"));
    EXPECT_EQ(Boxes[0].Left, QStringLiteral("&Yes"));
    EXPECT_EQ(Boxes[0].Right, QStringLiteral("&No"));
    EXPECT_TRUE(Frm->IsIdle());
    EXPECT_EQ(Frm->RunInput(), nullptr);
    EXPECT_EQ(QApplication::focusWidget(), Frm->outputFileEdit);
    EXPECT_EQ(ReadFile(output), QByteArray("old"));

    // "&Yes" overwrites; "&Yes" in the done box opens the file on the desktop.
    Answers = {1, 1};
    Frm->ExtractBtnClick();
    ASSERT_TRUE(WaitFor([&] { return HasDoneBox(Boxes); }));
    Pump(50);
    ASSERT_EQ(Urls.size(), 1u);
    EXPECT_EQ(Urls[0], QUrl::fromLocalFile(output));
    EXPECT_GT(QFileInfo(output).size(), 10000);
    // Ripping beside nothing else: the folder is remembered.
    EXPECT_EQ(AppSettings.OutputFileDir, dir + u'/');

    // A second run makes a new input; the first is let go only now.
    Answers = {1, 2};
    Frm->ExtractBtnClick();
    ASSERT_TRUE(WaitFor([&] { return Boxes.size() >= 4 && HasDoneBox(Boxes) && Frm->IsIdle(); }));
}

TEST_F(WindowTest, FailedRunsAreReportedAndLeaveTheWindowIdle) {
    const QString dir = FreshDir(QStringLiteral("fail"));
    const QString copy = dir + QStringLiteral("/source.mpg");
    ASSERT_TRUE(QFile::copy(FixturePath(QStringLiteral("vcd_mp2.mpg")), copy));
    Open(copy);
    ASSERT_GT(Frm->DurationMs(), 0);

    // An output that names a folder whose default file is a folder too: no file can go
    // there (a folder alone takes the default name inside it).
    const QString folderOut = dir + QStringLiteral("/taken.mp3");
    ASSERT_TRUE(QDir().mkpath(folderOut + QStringLiteral("/source.mp3")));
    Frm->outputFileEdit->setText(folderOut);
    Frm->ExtractBtnClick();
    ASSERT_TRUE(WaitFor([&] { return !Boxes.empty() && Frm->IsIdle(); }));
    EXPECT_EQ(Boxes.back().Icon, 0);
    EXPECT_EQ(Boxes.back().Text, QStringLiteral("The output is a folder:\n ") + folderOut +
                                     QStringLiteral("/source.mp3\nChoose a file name."));
    EXPECT_TRUE(QFileInfo(folderOut).isDir());
    EXPECT_FALSE(Frm->RunSession->Timer2->isActive());
    EXPECT_TRUE(Errors.empty());

    // A folder that cannot be made (its parent is a file).
    ASSERT_TRUE(WriteFile(dir + QStringLiteral("/file"), "x"));
    Boxes.clear();
    Answers = {1};
    Frm->outputFileEdit->setText(dir + QStringLiteral("/file/sub/out.mp3"));
    Frm->ExtractBtnClick();
    ASSERT_EQ(Boxes.size(), 2u);
    EXPECT_EQ(Boxes[1].Icon, 0);
    EXPECT_TRUE(Frm->IsIdle());

    // The source gone before the run: opening the run's input fails, shown the same way.
    ASSERT_TRUE(QFile::remove(copy));
    Boxes.clear();
    Frm->outputFileEdit->setText(dir + QStringLiteral("/fine.mp3"));
    Frm->ExtractBtnClick();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Icon, 0);
    EXPECT_TRUE(Frm->IsIdle());
    EXPECT_FALSE(Frm->ProgressPanel->isVisible());
    EXPECT_FALSE(QFileInfo::exists(dir + QStringLiteral("/fine.mp3")));
}

TEST_F(WindowTest, ClosingDuringARunStopsItWithoutAFile) {
    Open(FixturePath(QStringLiteral("demo.mpg")));
    const QString dir = FreshDir(QStringLiteral("close"));
    const QString output = dir + QStringLiteral("/demo.mp3");
    Frm->outputFileEdit->setText(output);
    Frm->ExtractBtnClick();
    ASSERT_TRUE(Frm->ProgressPanel->isVisible());
    Pump(30);
    Answers = {1}; // stop the rip and close
    Frm->close();
    EXPECT_FALSE(Frm->isVisible());
    Frm.reset();
    EXPECT_FALSE(QFileInfo::exists(output));
    EXPECT_TRUE(QDir(dir).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(WindowTest, SaveDialogSetsTheOutputAndCancelChangesNothing) {
    Open(FixturePath(QStringLiteral("vcd_mp2.mpg")));
    const QString before = Frm->outputFileEdit->text();
    Frm->SaveFileBtnClick();
    EXPECT_EQ(Frm->OutputPreset, before);
    EXPECT_EQ(Frm->outputFileEdit->text(), before);
    Frm->Outputs.push_back(QStringLiteral("/tmp/chosen.mp3"));
    Frm->SaveFileBtnClick();
    EXPECT_EQ(Frm->outputFileEdit->text(), QStringLiteral("/tmp/chosen.mp3"));
    EXPECT_EQ(Frm->outputFileText->text(), QStringLiteral("/tmp/chosen.mp3"));
}

TEST_F(WindowTest, SettingsAndTagLinks) {
    Open(FixturePath(QStringLiteral("vcd_mp2.mpg")));
    TsettingsFrm& dialog = SettingsForm();
    const TAppSettings before = AppSettings;
    const QString line = Frm->MP3SettingsText1->text();

    // Cancel: nothing changes.
    QTimer::singleShot(0, &dialog, [&] { dialog.skinButton1Click(); });
    Frm->MP3SettingsEditClick();
    EXPECT_EQ(AppSettings.AudioBitrate, before.AudioBitrate);
    EXPECT_EQ(Frm->MP3SettingsText1->text(), line);

    // A stored rate outside the lists preselects the nearest item; OK stores it.
    AppSettings.AudioBitrate = 100;
    QTimer::singleShot(0, &dialog, [&] {
        EXPECT_EQ(dialog.bitRateSel->currentText(), QStringLiteral("96 kbps"));
        dialog.bitRateSel->setCurrentText(QStringLiteral("256 kbps"));
        dialog.skinButton2Click();
    });
    Frm->MP3SettingsEditClick();
    EXPECT_EQ(AppSettings.AudioBitrate, 256);
    EXPECT_TRUE(Frm->MP3SettingsText1->text().startsWith(QStringLiteral("256 Kbps, CBR")));
    EXPECT_EQ(Frm->FileSizeText->text(),
              QStringLiteral("about ") + FormatSizeText(Frm->DurationMs() * 256 / 8));

    // Tag editor: cancel keeps the tag, OK stores texts cut to 255 characters.
    CurrentTag.Title = QStringLiteral("Old");
    QTimer::singleShot(0, &dialog, [&] {
        dialog.titleEdit->setText(QStringLiteral("New"));
        dialog.skinButton1Click();
    });
    Frm->Id3TagEditClick();
    EXPECT_EQ(CurrentTag.Title, QStringLiteral("Old"));
    QTimer::singleShot(0, &dialog, [&] {
        dialog.titleEdit->setText(QString(300, u'x'));
        dialog.skinButton2Click();
    });
    Frm->Id3TagEditClick();
    EXPECT_EQ(CurrentTag.Title, QString(255, u'x'));
    EXPECT_EQ(Frm->Id3TagText1->text(), QStringLiteral("Title: ") + QString(255, u'x'));
}

// The format picked on the output page (by keys, confirmed with OK) renames the output, changes
// the summary and is what the next rip writes: FLAC with the source's own samples, then Opus
// of exactly the same length.
TEST_F(WindowTest, TheFormatChosenInTheSettingsDrivesTheRip) {
    const QString source = FixturePath(QStringLiteral("dvd_ac3_stereo.vob"));
    Open(source);
    TsettingsFrm& dialog = SettingsForm();
    const QString dir = FreshDir(QStringLiteral("formats"));
    Frm->outputFileEdit->setText(dir + QStringLiteral("/take.mp3"));
    const TSourceSound sound = ReadSourceSound(source);
    int64_t frames = 0;
    for (const char* ext : {".flac", ".opus"}) {
        SCOPED_TRACE(ext);
        QTimer::singleShot(0, &dialog, [&] {
            dialog.formatSel->setFocus();
            QTest::keyClick(dialog.formatSel, Qt::Key_Down); // the next format
            dialog.skinButton2Click();
        });
        Frm->MP3SettingsEditClick();
        const QString output = dir + QStringLiteral("/take") + QLatin1String(ext);
        EXPECT_EQ(Frm->outputFileEdit->text(), output);
        EXPECT_EQ(Frm->outputFileText->text(), output);
        const bool flac = QLatin1String(ext) == QLatin1String(".flac");
        EXPECT_EQ(AppSettings.OutputFormat, flac ? int(ofFLAC) : int(ofOpus));
        EXPECT_EQ(Frm->MP3SettingsText1->text(), flac ? QStringLiteral("FLAC, lossless, level 5")
                                                      : QStringLiteral("Opus, 160 Kbps, VBR"));
        EXPECT_EQ(Frm->MP3SettingsText2->text(),
                  flac ? QStringLiteral("Source's rate") : QStringLiteral("48000 Hz"));
        if (!flac) {
            EXPECT_EQ(Frm->FileSizeText->text(),
                      QStringLiteral("about ") + FormatSizeText(Frm->DurationMs() * 160 / 8));
        }

        Frm->ExtractBtnClick();
        ASSERT_TRUE(WaitFor([&] { return HasDoneBox(Boxes); }));
        Boxes.clear();
        const DecodedAudio decoded = DecodeAudioFile(output);
        ASSERT_TRUE(decoded.ok) << decoded.error.toStdString();
        EXPECT_EQ(decoded.codecName, flac ? QStringLiteral("flac") : QStringLiteral("opus"));
        EXPECT_EQ(decoded.sampleRate, 48000);
        if (flac) {
            // The AC-3 decoder's own samples, as the media layer reads them.
            frames = decoded.frames();
            const int64_t first = sound.SampleAt(TMediaTime()) - sound.firstSample;
            ASSERT_LE(first * 2 + int64_t(decoded.samples.size()), int64_t(sound.samples.size()));
            EXPECT_TRUE(std::equal(decoded.samples.begin(), decoded.samples.end(),
                                   sound.samples.begin() + first * 2));
            EXPECT_GT(frames, 9 * 48000);
        } else {
            EXPECT_EQ(decoded.frames(), frames);
        }
    }
    // A name of another format than the one chosen is refused before any work.
    const QString flac = dir + QStringLiteral("/other.flac");
    Frm->outputFileEdit->setText(flac);
    Answers = {1};
    Frm->ExtractBtnClick();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, QStringLiteral("The output file ends in .flac, but the format chosen "
                                            "writes .opus files:\n ") +
                                 flac +
                                 QStringLiteral("\nChange the name or the format (Change "
                                                "Settings...)."));
    EXPECT_TRUE(Frm->IsIdle());
    EXPECT_FALSE(QFileInfo::exists(flac));
}

TEST(WindowSettingsMapping, SettingsOntoTheOutput) {
    TMP3Out out;
    TAppSettings s;
    TCurrentTag tag;
    tag.Title = QStringLiteral("T");
    tag.Genre = QStringLiteral("Rock");
    s.AudioBitrate = 100; // not in the table: the previous rate stays
    out.BitRate = br192;
    TMainFrm::ConfigureOutput(out, s, tag);
    EXPECT_EQ(out.BitRate, br192);
    s.AudioBitrate = 320;
    TMainFrm::ConfigureOutput(out, s, tag);
    EXPECT_EQ(out.BitRate, br320);
    s.AudioBitrate = 8;
    TMainFrm::ConfigureOutput(out, s, tag);
    EXPECT_EQ(out.BitRate, br8);

    const std::pair<int, TMP3SampleRate> rates[] = {
        {32000, sr32kHz}, {44100, sr41kHz}, {48000, sr48kHz}, {22050, sr41kHz}, {0, sr41kHz}};
    for (auto [hz, rate] : rates) {
        s.AudioSampleRate = hz;
        TMainFrm::ConfigureOutput(out, s, tag);
        EXPECT_EQ(out.SampleRate, rate) << hz;
    }
    const std::pair<int, TMP3Mode> modes[] = {{0, TMP3Mode::DUAL_CHANNEL}, {1, TMP3Mode::STEREO},
                                              {2, TMP3Mode::JOINT_STEREO}, {3, TMP3Mode::MONO},
                                              {7, TMP3Mode::MONO},         {-1, TMP3Mode::MONO}};
    for (auto [index, mode] : modes) {
        s.AudioChannels = index;
        TMainFrm::ConfigureOutput(out, s, tag);
        EXPECT_EQ(out.Mode, mode) << index;
    }
    s.AudioVBR = true;
    s.AudioVbrMinBitrate = 96;
    s.AudioVbrMaxBitrate = 224;
    TMainFrm::ConfigureOutput(out, s, tag);
    EXPECT_TRUE(out.EnableVBR);
    EXPECT_TRUE(out.WriteVBRHeader);
    EXPECT_EQ(out.VBRMinBitrate, 96);
    EXPECT_EQ(out.VBRMaxBitrate, 224);
    EXPECT_EQ(out.Id3TagTitle, QStringLiteral("T"));
    EXPECT_EQ(out.Id3TagGenre, QStringLiteral("Rock"));
}
