// A DVD in the window: its titles and chapters in the summary, the chapter marks on the
// track bar, PageUp/PageDown, Ctrl+[ and Ctrl+], a double-click between two marks, a
// chapter ripped to the sample, the chapters as the Tracks list, another title, a title's camera
// angles, a disc that cannot be read, and a DVD folder chosen in the open dialog or dropped on
// the window.
#include "window_fixture.h"

#include "audio/loudness/loudness_envelope.h"
#include "support/decoded_audio.h"
#include "support/dvd_angles.h"
#include "support/dvd_authoring.h"
#include "support/fixture_signal.h"
#include "ui/dialogs/source_file_dialog.h"
#include "ui/skin/skin_panel.h"
#include "ui/skin/track_bar.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTreeWidget>

namespace fs = fixture_signal;

namespace {

// Chapter starts of title 1 in ms, as the disc gives them: time 0 is the first picture.
constexpr int kChapterMs[] = {0, 2320, 4720, 6400, 8240};
constexpr int kTitleMs = 10400;

void Key(QWidget* to, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(to, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods);
    QApplication::sendEvent(to, &release);
}

} // namespace

TEST_F(WindowTest, DvdTitlesAndChaptersInTheWindow) {
    const QString root = TestDvdRoot();
    ASSERT_FALSE(root.isEmpty());
    AppSettings.AudioSampleRate = 48000;
    AppSettings.OutputFileDir = FreshDir(QStringLiteral("dvdwin")) + u'/';
    Open(root + QStringLiteral("/VIDEO_TS"));
    ASSERT_EQ(Frm->Dvd().title, 1) << (Boxes.empty() ? "" : Boxes.back().Text.toStdString());
    EXPECT_EQ(Frm->DurationMs(), kTitleMs);
    EXPECT_TRUE(Frm->TitlePanel->isVisibleTo(Frm.get()));
    ASSERT_EQ(Frm->TitleBox->count(), 3);
    EXPECT_EQ(Frm->TitleBox->itemText(0), QStringLiteral("1: 0:00:10, 5 chapters"));
    EXPECT_EQ(Frm->TitleBox->itemText(2), QStringLiteral("3: 0:00:03, 1 chapter"));
    ASSERT_EQ(Frm->ChapterBox->count(), 6);
    EXPECT_EQ(Frm->ChapterBox->currentIndex(), 0); // the whole title
    EXPECT_EQ(Frm->ChapterBox->itemText(4), QStringLiteral("4: 0:00:06.4"));
    EXPECT_EQ(Frm->AudioTrackBox->itemText(1), QStringLiteral("2: fra, AC-3 stereo"));
    EXPECT_EQ(Frm->TrackBar->tickTimes(), (std::vector<int>{2320, 4720, 6400, 8240}));
    EXPECT_EQ(Frm->outputFileEdit->text(), AppSettings.OutputFileDir + "TEST_DISC_t01.mp3");
    // The rows fit in the summary group.
    EXPECT_LE(Frm->ChapterPanel->geometry().bottom(), Frm->skinPanel1->height());

    // The chapters are the Tracks list: Rip! writes those left in it, one file each,
    // numbered in the list and titled after the disc's chapters.
    ASSERT_EQ(Frm->TrackList().Tracks.size(), 5u);
    EXPECT_EQ(Frm->TrackList().Tracks[4].End, Frm->Dvd().Length());
    Frm->TrackListView->clearSelection();
    for (int row : {0, 1, 2})
        Frm->TrackListView->topLevelItem(row)->setSelected(true);
    Frm->RemoveTrackBtn->click();
    Frm->outputFileEdit->setText(AppSettings.OutputFileDir + QStringLiteral("%n %t.mp3"));
    Answers = {2}; // do not open the folder
    Frm->ExtractBtnClick();
    ASSERT_TRUE(WaitFor([&] { return !Frm->Running(); }, 60000));
    Pump(50);
    for (int c : {4, 5}) {
        SCOPED_TRACE(c);
        const DecodedAudio mp3 = DecodeAudioFile(
            AppSettings.OutputFileDir + QStringLiteral("0%1 Chapter %2.mp3").arg(c - 3).arg(c));
        ASSERT_TRUE(mp3.ok) << mp3.error.toStdString();
        // Chapters after the first hold their cells' time to the sample.
        const TSourceChapter& chapter = Frm->Dvd().ChapterList()[size_t(c - 1)];
        EXPECT_EQ(mp3.frames(), chapter.end.ToSample(48000) - chapter.start.ToSample(48000));
        EXPECT_EQ(mp3.tags.value(QStringLiteral("track")), QStringLiteral("%1/2").arg(c - 3));
        EXPECT_EQ(mp3.tags.value(QStringLiteral("title")), QStringLiteral("Chapter %1").arg(c));
    }
    // Without tracks, Rip! writes the range as one file.
    Frm->TrackListView->selectAll();
    Frm->RemoveTrackBtn->click();
    ASSERT_TRUE(Frm->TrackList().Tracks.empty());
    Frm->outputFileEdit->setText(AppSettings.OutputFileDir + "TEST_DISC_t01.mp3");
    Boxes.clear();

    // PageDown/PageUp go from chapter start to chapter start.
    QWidget* focus = Frm->ExtractBtn;
    Key(focus, Qt::Key_PageDown);
    EXPECT_EQ(Frm->TrackBar->position(), kChapterMs[1]);
    Key(focus, Qt::Key_PageDown);
    EXPECT_EQ(Frm->TrackBar->position(), kChapterMs[2]);
    Frm->TrackBar->setPosition(5000);
    Key(focus, Qt::Key_PageUp);
    EXPECT_EQ(Frm->TrackBar->position(), kChapterMs[2]);
    Key(focus, Qt::Key_PageUp);
    EXPECT_EQ(Frm->TrackBar->position(), kChapterMs[1]);

    // Ctrl+[ and Ctrl+]: the nearest chapter boundaries, exact to the 100 ns.
    Frm->TrackBar->setPosition(4900);
    Key(focus, Qt::Key_BracketLeft, Qt::ControlModifier);
    EXPECT_EQ(Frm->StartMs(), kChapterMs[2]);
    EXPECT_EQ(Frm->RunStart(), Frm->Dvd().ChapterList()[2].start);
    Frm->TrackBar->setPosition(9900);
    Key(focus, Qt::Key_BracketRight, Qt::ControlModifier);
    EXPECT_EQ(Frm->EndMs(), kTitleMs);
    EXPECT_EQ(Frm->RunEnd(), Frm->Dvd().Length());
    EXPECT_EQ(Frm->ChapterBox->currentIndex(), -1);
    EXPECT_EQ(Frm->ChapterBox->placeholderText(), QStringLiteral("Chapters 3-5"));
    // A marker moved by a tenth of a second: the range is no chapter any more.
    Frm->startPointUpBtnMouseDown();
    Frm->Timer3Timer();
    Frm->startPointUpBtnMouseUp();
    EXPECT_EQ(Frm->RunStart(), TMediaTime::FromMs(kChapterMs[2] + 100));
    EXPECT_TRUE(Frm->ChapterBox->placeholderText().isEmpty());

    // A double-click between two marks takes that chapter.
    Frm->TrackBarDblClick(1000);
    EXPECT_EQ(Frm->StartMs(), 0);
    EXPECT_EQ(Frm->EndMs(), kChapterMs[1]);
    EXPECT_EQ(Frm->ChapterBox->currentIndex(), 1);

    // The chapter choice sets the range and the name; the rip holds that chapter's samples.
    Frm->ChapterBox->setCurrentIndex(4);
    Frm->ChapterBoxChange(4);
    EXPECT_EQ(Frm->StartMs(), kChapterMs[3]);
    EXPECT_EQ(Frm->EndMs(), kChapterMs[4]);
    const QString output = AppSettings.OutputFileDir + "TEST_DISC_t01_c04.mp3";
    EXPECT_EQ(Frm->outputFileEdit->text(), output);
    Frm->AudioTrackBox->setCurrentIndex(1);
    Frm->AudioTrackBoxChange(1);
    Frm->ExtractBtnClick();
    ASSERT_TRUE(WaitFor([&] { return HasDoneBox(Boxes); }));
    const DecodedAudio mp3 = DecodeAudioFile(output);
    ASSERT_TRUE(mp3.ok) << mp3.error.toStdString();
    EXPECT_EQ(mp3.frames(), int64_t(1.84 * 48000 + 0.5)); // the chapter's one cell
    double score = 0;
    EXPECT_EQ(FindBestOffset(mp3.samples, fs::SourceS16(fs::kTitleBFra, 48000, 0, 4096), 2, 0, 300,
                             &score, 4096),
              0);
    EXPECT_GT(score, 0.9);

    // Another title: the preview opens again at its start.
    Frm->TitleBox->setCurrentIndex(2);
    Frm->TitleBoxChange(2);
    EXPECT_EQ(Frm->Dvd().title, 3);
    EXPECT_EQ(Frm->DurationMs(), 3200);
    EXPECT_EQ(Frm->TrackBar->position(), 0);
    EXPECT_TRUE(Frm->TrackBar->tickTimes().empty());
    EXPECT_FALSE(Frm->ChapterPanel->isVisibleTo(Frm.get()));
    EXPECT_TRUE(Frm->TitlePanel->isVisibleTo(Frm.get()));
    EXPECT_EQ(Frm->outputFileEdit->text(), AppSettings.OutputFileDir + "TEST_DISC_t03.mp3");
    EXPECT_TRUE(Frm->TrackList().Tracks.empty()); // one chapter: no list
    EXPECT_TRUE(Errors.empty());

    // A plain file afterwards has neither rows nor marks.
    Open(FixturePath(QStringLiteral("dvd_ac3_stereo.vob")));
    EXPECT_TRUE(Frm->Dvd().locator.isEmpty());
    EXPECT_FALSE(Frm->TitlePanel->isVisibleTo(Frm.get()));
    EXPECT_TRUE(Frm->TrackBar->tickTimes().empty());
    Frm->TrackBar->setPosition(1000);
    Key(focus, Qt::Key_PageDown);
    EXPECT_EQ(Frm->TrackBar->position(), 1000);
}

TEST_F(WindowTest, DvdFoldersAreChosenDroppedOrRefusedWithTheirReason) {
    const QString root = TestDvdRoot();
    ASSERT_FALSE(root.isEmpty());
    // The open dialog takes a DVD folder as its answer; a plain folder it goes into.
    TSourceFileDialog dialog(nullptr, root, FileFilter);
    dialog.selectFile(root + QStringLiteral("/VIDEO_TS"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Chosen(), root + QStringLiteral("/VIDEO_TS"));
    TSourceFileDialog plain(nullptr, TestRoot(), FileFilter);
    plain.selectFile(FreshDir(QStringLiteral("plain")));
    plain.accept();
    EXPECT_NE(plain.result(), QDialog::Accepted);

    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(root)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Frm.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());

    // An encrypted disc without libdvdcss: the reason, and nothing opened.
    const QString css = CopyOfTestDvd(QStringLiteral("wincss"));
    QFile vob(css + QStringLiteral("/VIDEO_TS/VTS_01_1.VOB"));
    ASSERT_TRUE(vob.open(QIODevice::ReadWrite));
    QByteArray data = vob.readAll();
    for (qsizetype s = 0; s + 2048 <= data.size(); s += 2048)
        if (uchar(data[s + 17]) == 0xE0 || uchar(data[s + 17]) == 0xBD)
            data[s + 20] = char(data[s + 20] | 0x10);
    vob.seek(0);
    vob.write(data);
    vob.close();
    Open(css);
    ASSERT_FALSE(Boxes.empty());
    EXPECT_TRUE(Boxes.back().Text.contains(QStringLiteral("encrypted")) &&
                Boxes.back().Text.contains(QStringLiteral("libdvdcss")))
        << Boxes.back().Text.toStdString();
    EXPECT_EQ(Frm->DurationMs(), 0);
    EXPECT_TRUE(Frm->IsIdle());
}

TEST_F(WindowTest, ATitleWithCameraAnglesOffersThemAndRipsTheChosenOne) {
    QString error;
    const QString root =
        MakeAngleDvd(QStringLiteral("anglewin"), TAngleLayout::alInterleaved, &error);
    ASSERT_FALSE(root.isEmpty()) << error.toStdString();
    AppSettings.AudioSampleRate = 48000;
    AppSettings.OutputFileDir = FreshDir(QStringLiteral("anglewinout")) + u'/';
    Open(root);
    ASSERT_EQ(Frm->Dvd().title, 1) << (Boxes.empty() ? "" : Boxes.back().Text.toStdString());
    EXPECT_EQ(Frm->TitleBox->itemText(0), QStringLiteral("1: 0:00:14, 3 chapters, 2 angles"));
    EXPECT_TRUE(Frm->AnglePanel->isVisibleTo(Frm.get()));
    ASSERT_EQ(Frm->AngleBox->count(), 2);
    EXPECT_EQ(Frm->AngleBox->currentIndex(), 0);
    EXPECT_EQ(Frm->AngleBox->itemText(1), QStringLiteral("Angle 2 of 2"));
    // Under the title's row, above the chapters', inside the summary group.
    EXPECT_GT(Frm->AnglePanel->y(), Frm->TitlePanel->y());
    EXPECT_GT(Frm->ChapterPanel->y(), Frm->AnglePanel->y());
    EXPECT_LE(Frm->ChapterPanel->geometry().bottom(), Frm->skinPanel1->height());

    // Angle 2: the title opens again in it, and a rip of the block's chapter is its sound.
    Frm->AngleBox->setCurrentIndex(1);
    Frm->AngleBoxChange(1);
    EXPECT_EQ(Frm->Dvd().title, 1);
    EXPECT_EQ(Frm->Dvd().angle, 2);
    EXPECT_EQ(Frm->AngleBox->currentIndex(), 1);
    EXPECT_EQ(Frm->DurationMs(), 14400);
    Frm->TrackListView->selectAll();
    Frm->RemoveTrackBtn->click();
    Frm->ChapterBox->setCurrentIndex(2);
    Frm->ChapterBoxChange(2);
    const QString output = Frm->outputFileEdit->text();
    Frm->ExtractBtnClick();
    ASSERT_TRUE(WaitFor([&] { return HasDoneBox(Boxes); }));
    const DecodedAudio mp3 = DecodeAudioFile(output);
    ASSERT_TRUE(mp3.ok) << mp3.error.toStdString();
    EXPECT_EQ(mp3.frames(), int64_t(fs::kTitleASeconds * 48000));
    for (const int64_t at : {int64_t(0), int64_t(48000 * 3 + 4800)}) {
        double score = 0;
        EXPECT_EQ(FindBestOffset(mp3.samples, fs::SourceS16(fs::kTitleAFra, 48000, at, 4096), 2,
                                 std::max<int64_t>(0, at - 300), at + 300, &score, 4096),
                  at);
        EXPECT_GT(score, 0.9);
    }

    // A disc whose title has one angle has no such row.
    Open(TestDvdRoot());
    EXPECT_FALSE(Frm->AnglePanel->isVisibleTo(Frm.get()));
    EXPECT_EQ(Frm->Dvd().angle, 1);
    EXPECT_TRUE(Errors.empty());
}
