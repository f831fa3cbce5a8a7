// A DVD in the window: its titles and chapters in the summary, the chapter marks on the
// track bar, PageUp/PageDown, Ctrl+[ and Ctrl+], a double-click between two marks, a
// chapter ripped to the sample, the chapters as the Tracks list, another title, a title's camera
// angles, a disc that cannot be read, and a DVD folder chosen in the open dialog or dropped on
// the window. And a Matroska file's chapters, which the window treats as a DVD title's.
#include "window_fixture.h"

#include "audio/loudness/loudness_envelope.h"
#include "preview/filter_graph.h"
#include "preview/video_window.h"
#include "support/chapter_source.h"
#include "support/decoded_audio.h"
#include "support/dvd_angles.h"
#include "support/dvd_authoring.h"
#include "support/fixture_signal.h"
#include "support/source_sound.h"
#include "ui/dialogs/source_file_dialog.h"
#include "ui/skin/skin_panel.h"
#include "ui/skin/track_bar.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTreeWidget>

namespace fs = fixture_signal;

namespace {

// Chapter starts of title 1 in ms, as the disc gives them: time 0 is the first picture.
constexpr int kChapterMs[] = {0, 2320, 4720, 6400, 8240};
constexpr int kTitleMs = 10400;

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
    // The rows fit in the summary group; a run's panel and Rip! stand under them.
    EXPECT_LE(Frm->ChapterPanel->geometry().bottom(), Frm->skinPanel1->height());
    for (QWidget* w : std::initializer_list<QWidget*>{Frm->ProgressPanel, Frm->ExtractBtn})
        EXPECT_GT(w->y(), Frm->skinPanel1->geometry().bottom()) << w->objectName().toStdString();

    // The chapters are the Tracks list: Rip! writes those left in it, one file each,
    // numbered in the list and titled after the disc's chapters, which the list shows
    // whole with their times at the designed size; narrower (a large scale on a small
    // screen) the list stays in the window.
    ASSERT_EQ(Frm->TrackList().Tracks.size(), 5u);
    Frm->resize(TMainFrm::ClientWidth, TMainFrm::ClientHeight);
    Pump(50);
    for (int column : {1, 2, 3}) {
        const QString text = Frm->TrackListView->topLevelItem(4)->text(column);
        EXPECT_GE(Frm->TrackListView->header()->sectionSize(column),
                  Frm->TrackListView->fontMetrics().horizontalAdvance(text) + (column == 1) * 8)
            << text.toStdString();
    }
    Frm->resize(TMainFrm::MinClientWidth, TMainFrm::ClientHeight);
    Pump(50);
    EXPECT_EQ(Frm->width(), TMainFrm::MinClientWidth);
    EXPECT_LE(Frm->TrackListGroup->geometry().right(), Frm->width() - 8);
    EXPECT_EQ(Frm->TrackListView->topLevelItem(4)->text(2), QStringLiteral("0:08.2"));
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
    // The entry the dialog starts with shows every kind of file the program opens.
    const QString shown = plain.selectedNameFilter();
    const QStringList patterns = shown.mid(shown.indexOf(u'(') + 1).chopped(1).split(u' ');
    for (const char* name :
         {"a.vob",  "b.dat", "c.mpeg", "d.mpg", "e.iso",  "VIDEO_TS.IFO", "f.mkv",
          "g.mp4",  "h.m4v", "i.m4a",  "j.mka", "k.webm", "l.mov",        "m.ts",
          "n.m2ts", "o.avi", "p.flv",  "q.ogg", "r.wav",  "s.flac"})
        EXPECT_TRUE(QDir::match(patterns, QLatin1String(name))) << name;
    EXPECT_FALSE(QDir::match(patterns, QStringLiteral("notes.txt")));

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

// A file's chapters as a DVD title's are: the Chapter row with the chapters' titles, the
// marks, PageDown, the Tracks list filled from the chapters and ripped with real clicks
// into one file per chapter, titled after it and exact to its chapter, at the source's
// own rate.
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
    EXPECT_FALSE(Frm->AnglePanel->isVisibleTo(Frm.get()));
    EXPECT_TRUE(Frm->ChapterPanel->isVisibleTo(Frm.get()));
    ASSERT_EQ(Frm->ChapterBox->count(), 4);
    EXPECT_EQ(Frm->ChapterBox->itemText(0), QStringLiteral("All 3 chapters"));
    EXPECT_EQ(Frm->ChapterBox->itemText(2), QStringLiteral("2: 0:00:03.0  Ballad"));
    EXPECT_EQ(Frm->TrackBar->tickTimes(), (std::vector<int>{3000, 6500}));
    ASSERT_EQ(Frm->TrackListView->topLevelItemCount(), 3);
    EXPECT_EQ(Frm->TrackListView->topLevelItem(2)->text(1), QStringLiteral("Encore"));

    Key(Frm->ExtractBtn, Qt::Key_PageDown);
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
    // With the audio row too, four rows: the window grows so that Rip! and a run's panel
    // stay under them, in the window.
    Frm->AudioTrackPanel->show();
    Frm->LayoutSummaryRows();
    Pump(50);
    for (QWidget* w : std::initializer_list<QWidget*>{Frm->ProgressPanel, Frm->ExtractBtn}) {
        EXPECT_GT(w->y(), Frm->skinPanel1->geometry().bottom()) << w->objectName().toStdString();
        EXPECT_TRUE(Frm->rect().contains(w->geometry())) << w->objectName().toStdString();
    }
    Frm->AudioTrackPanel->hide();
    Frm->LayoutSummaryRows();

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

// Whatever the user chose last is what Rip! writes, and the button says it before the
// click: the chapters' list, then chapter 3 picked in the Chapter row with the keyboard,
// which rips alone; undo and redo step through the choices and a marker's move; a track
// clicked in the list takes the markers to it and makes the list the target again.
TEST_F(WindowTest, TheChapterPickedOverAFilledListRipsThatChapterAlone) {
    const QString root = TestDvdRoot();
    ASSERT_FALSE(root.isEmpty());
    AppSettings.AudioSampleRate = 48000;
    AppSettings.OutputFileDir = FreshDir(QStringLiteral("dvdpick")) + u'/';
    Open(root + QStringLiteral("/VIDEO_TS"));
    ASSERT_EQ(Frm->TrackList().Tracks.size(), 5u);
    EXPECT_EQ(Frm->ExtractBtn->text(), QStringLiteral("&Rip 5 tracks"));
    EXPECT_TRUE(Frm->outputFileText->text().startsWith(QStringLiteral("5 tracks into ")));

    Frm->ChapterBox->setFocus();
    for (int k = 0; k < 3; ++k)
        QTest::keyClick(Frm->ChapterBox, Qt::Key_Down);
    EXPECT_EQ(Frm->StartMs(), kChapterMs[2]);
    EXPECT_EQ(Frm->EndMs(), kChapterMs[3]);
    EXPECT_FALSE(Frm->RipsList());
    EXPECT_EQ(Frm->ExtractBtn->text(), QStringLiteral("&Rip chapter 3"));
    const QString output = AppSettings.OutputFileDir + "TEST_DISC_t01_c03.mp3";
    EXPECT_EQ(Frm->outputFileText->text(), output);
    EXPECT_FALSE(Frm->DurationText->text().contains(QStringLiteral("tracks")));

    QTest::mouseClick(Frm->ExtractBtn, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return HasDoneBox(Boxes); }, 60000));
    ASSERT_EQ(Boxes.size(), 1u) << Boxes[0].Text.toStdString(); // no question of overwriting
    EXPECT_EQ(Boxes[0].Left, QStringLiteral("&Play"));
    EXPECT_EQ(Boxes[0].Right, QStringLiteral("Open &folder"));
    EXPECT_EQ(FilesIn(AppSettings.OutputFileDir),
              QStringList{QStringLiteral("TEST_DISC_t01_c03.mp3")});
    const TSourceChapter& chapter = Frm->Dvd().ChapterList()[2];
    const DecodedAudio mp3 = DecodeAudioFile(output);
    ASSERT_TRUE(mp3.ok) << mp3.error.toStdString();
    EXPECT_EQ(mp3.frames(), chapter.end.ToSample(48000) - chapter.start.ToSample(48000));
    // "Open folder" opened the file's folder.
    ASSERT_TRUE(WaitFor([&] { return !Urls.empty(); }, 5000));
    EXPECT_EQ(Urls[0], QUrl::fromLocalFile(QFileInfo(output).absolutePath()));

    // Each chapter taken is a step back; the first step back past them is the list again.
    WindowKey(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Frm->StartMs(), kChapterMs[1]);
    EXPECT_EQ(Frm->ExtractBtn->text(), QStringLiteral("&Rip chapter 2"));
    WindowKey(Qt::Key_Z, Qt::ControlModifier);
    WindowKey(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(Frm->RipsList());
    EXPECT_EQ(Frm->StartMs(), 0);
    EXPECT_EQ(Frm->EndMs(), kTitleMs);
    EXPECT_EQ(Frm->ExtractBtn->text(), QStringLiteral("&Rip 5 tracks"));
    WindowKey(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Frm->EndMs(), kChapterMs[1]);
    EXPECT_FALSE(Frm->RipsList());

    // A marker set with "]" at the position, and its undo.
    Frm->TrackBar->setPosition(1500);
    Frm->VideoWin->setFocus();
    WindowKey(Qt::Key_BracketRight);
    EXPECT_EQ(Frm->EndMs(), 1500);
    EXPECT_EQ(Frm->ExtractBtn->text(), QStringLiteral("&Rip range"));
    EXPECT_EQ(Frm->ExtractBtn->toolTip(), QStringLiteral("Rip 0:00:00.0 - 0:00:01.5"));
    WindowKey(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Frm->EndMs(), kChapterMs[1]);
    WindowKey(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Frm->EndMs(), 1500);

    // A click on track 4 of the list: the markers and the preview go there, exactly, and
    // Rip! writes the list again.
    QTreeWidget* view = Frm->TrackListView;
    const QRect row = view->visualItemRect(view->topLevelItem(3));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
    EXPECT_EQ(Frm->RunStart(), Frm->Dvd().ChapterList()[3].start);
    EXPECT_EQ(Frm->RunEnd(), Frm->Dvd().ChapterList()[3].end);
    EXPECT_EQ(Frm->TrackBar->position(), kChapterMs[3]);
    EXPECT_TRUE(Frm->RipsList());
    EXPECT_EQ(Frm->ExtractBtn->text(), QStringLiteral("&Rip 5 tracks"));
    EXPECT_TRUE(Errors.empty());
}
