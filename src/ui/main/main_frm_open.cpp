// TMainFrm: opening a source on a worker thread, and the preview transport.
#include "ui/main/main_frm.h"

#include "app/common.h"
#include "app/globals.h"
#include "app/output_policy.h"
#include "app/recent_sources.h"
#include "app/settings.h"
#include "audio/loudness/loudness_envelope.h"
#include "media/media_input.h"
#include "preview/filter_graph.h"
#include "preview/video_window.h"
#include "ui/dialogs/msg_frm.h"
#include "ui/dialogs/reports.h"
#include "ui/dialogs/source_file_dialog.h"
#include "ui/main/main_frm_util.h"
#include "ui/main/source_opener.h"
#include "ui/skin/image.h"
#include "ui/skin/image_button.h"
#include "ui/skin/skin_panel.h"
#include "ui/skin/skin_style.h"
#include "ui/skin/track_bar.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <limits>

QString TMainFrm::ChooseSourceFile() {
    TSourceFileDialog dialog(this, AppSettings.InputFileDir, FileFilter);
    return dialog.exec() == QDialog::Accepted ? dialog.Chosen() : QString();
}

bool TMainFrm::StartOpenWorker(std::function<void()> work) {
    return Opener->StartThread(std::move(work));
}

void TMainFrm::OpenFileBtnClick() {
    if (!IsIdle())
        return;
    if (!sourceFileEdit->text().isEmpty() && outputFileEdit->text() == SourceAsMp3())
        AppSettings.OutputFileDir.clear();
    const QString chosen = ChooseSourceFile();
    if (chosen.isEmpty())
        return;
    OpenChosenFile(chosen, 0, 1);
}

void TMainFrm::OpenSourceFile(const QString& path, int dvdTitle, int dvdAngle) {
    if (!IsIdle() || path.isEmpty())
        return;
    if (!sourceFileEdit->text().isEmpty() && outputFileEdit->text() == SourceAsMp3())
        AppSettings.OutputFileDir.clear();
    OpenChosenFile(QFileInfo(path).absoluteFilePath(), dvdTitle, dvdAngle);
}

void TMainFrm::OpenChosenFile(const QString& path, int dvdTitle, int dvdAngle) {
    // The opening worker would wait for a pipe's writer for ever: refused before it starts,
    // the open source stays.
    if (const QString why = ReadOnceSourceReason(path); !why.isEmpty()) {
        ShowMessageBox(1, tr("The source file can NOT be opened: %1.").arg(why), tr("&Close"),
                       tr("&Help"));
        return;
    }
    sourceFileEdit->setText(path);
    HintPanel->show();
    HintPanel->raise();
    try {
        OpenInBackground(path, dvdTitle, dvdAngle);
    } catch (...) {
        // A graph that cannot be torn down or set up ends the opening as a failed one.
        Opener->Abandon();
        HintPanel->hide();
        FinishDeferredClose();
        throw;
    }
}

void TMainFrm::OpenInBackground(const QString& path, int dvdTitle, int dvdAngle) {
    // The preview must not read the graph's interfaces while the worker replaces them.
    Timer1->stop();
    Envelope->Clear();
    // A new source plays its first audio stream until another is chosen.
    FilterGraph->SetAudioStreamIndex(-1);
    if (FilterGraph->Active()) {
        FilterGraph->Stop();
        FilterGraph->ClearGraph();
        FilterGraph->SetActive(false);
        VideoWin->SetFilterGraph(FilterGraph);
    }
    FilterGraph->SetActive(true);

    if (!Opener->Start(path, dvdTitle, dvdAngle, [this](std::function<void()> work) {
            return StartOpenWorker(std::move(work));
        })) {
        ShowMessage(tr("Thread can't be created while opening the source file!"));
        HintPanel->hide();
        ResetToNoSource(); // the old graph is gone: nothing of the old source works now
        FinishDeferredClose();
        return;
    }

    VideoWin->SetColor(Qt::black);
    TimePanel->setColor(Qt::black);

    Opener->Wait();
    Opener->JoinThread();
    HintPanel->hide();

    const TOpenedSource& opened = Opener->Result();
    if (!opened.opened) {
        // The old graph is gone, and nothing of the old source may seem to be ripped
        // from the new one: the window starts over, as with no source.
        ResetToNoSource();
        QString text;
        if (!opened.dvdError.isEmpty())
            text = tr("The DVD can NOT be opened: ") + opened.dvdError;
        else if (opened.content == media::TMediaContent::Nothing)
            text = tr("This is not a video or sound file:\n %1\nOpen a DVD, a VCD, an MPEG "
                      "file or another file with a sound track.")
                       .arg(QFileInfo(path).fileName());
        else if (opened.content == media::TMediaContent::PicturesOnly)
            text = tr("The file has no sound track, so there is nothing to rip:\n %1")
                       .arg(QFileInfo(path).fileName());
        else
            text = tr("The source file can NOT be opened. Normally you need only "
                      "install the needed codecs to solve the problem. Click "
                      "the Help button to get more helps.");
        ShowMessageBox(1, text, tr("&Close"), tr("&Help"));
        FinishDeferredClose();
        return;
    }

    // Nothing is read from the source's own tags: every source starts with empty texts.
    CurrentTag = TCurrentTag();
    FAudioTracks = opened.tracks;
    FDvd = opened.dvd;
    FChapters = opened.chapters;
    FMediaSeeking = opened.seeking;
    FMediaControl = opened.control;

    int64_t duration = 0;
    if (FMediaSeeking) {
        FMediaSeeking->SetTimeFormat(media::TIME_FORMAT_MEDIA_TIME);
        FMediaSeeking->GetDuration(duration);
    }
    FRange.Reset(std::clamp<int64_t>(TMediaTime::FromUnits(duration).ToMs(), 0,
                                     std::numeric_limits<int32_t>::max()));

    TrackBar->setMaximum(int(FRange.DurationMs()));
    TrackBar->setPosition(0);
    TrackBar->setSelStart(0);
    TrackBar->setSelEnd(int(FRange.DurationMs()));
    if (FRange.DurationMs() == 0)
        ShowMessage(tr("   The source file is invalid!   "));

    TimeLabel->setText(QStringLiteral("0:00:00.0"));
    TotalTimeLabel->setText(FormatTimeText(FRange.DurationMs()));

    PlayBtn->setEnabled(true);
    PauseBtn->setEnabled(false);
    StartPointBtn->show();
    EndPointBtn->show();
    FMarkersOn = true;

    LayoutControls(); // the preview takes the picture's shape
    PlaceMarkers();
    TrackBar->update();

    AppSettings.InputFileDir = FolderPart(path);
    if (AppSettings.OutputFileDir.isEmpty()) {
        const QString docs = DefaultOutputFolder();
        AppSettings.OutputFileDir = docs.endsWith(u'/') ? docs : docs + u'/';
    }
    outputFileEdit->setText(AppSettings.OutputFileDir +
                            DefaultOutputName(path, FDvd, 0, 0, OutputExtension()));

    AddRecentSource(path);
    ShowMp3Settings();
    ShowRangeInfo();
    ShowId3Tag();
    ShowOutputFile();
    ShowAudioTracks();
    ShowDvd();
    ResetTrackList(); // the ranges were the previous source's
    StartEditHistory();
    StartEnvelope();
    FinishDeferredClose();
}

void TMainFrm::ResetToNoSource() {
    Timer1->stop();
    Envelope->Clear();
    StartEnvelope(); // with no source: the detail lets go of the old one too
    FMediaSeeking.reset();
    FMediaControl.reset();
    FRange.Reset(0);
    FAudioTracks.clear();
    FDvd = TDvdChoice();
    FChapters.clear();
    CurrentTag = TCurrentTag{};
    TrackBar->setMaximum(0);
    TrackBar->setPosition(0);
    TrackBar->setSelStart(0);
    TrackBar->setSelEnd(0);
    TrackBar->showAll();
    TrackBar->setTickTimes({});
    TimeLabel->setText(FormatTimeText(0));
    TotalTimeLabel->setText(tr("No Video File  "));
    VideoWin->SetColor(SkinMainColor());
    TimePanel->setColor(SkinMainColor());
    PlayBtn->setEnabled(false);
    PauseBtn->setEnabled(false);
    StartPointBtn->hide();
    EndPointBtn->hide();
    FMarkersOn = false;
    sourceFileEdit->clear();
    outputFileEdit->clear();
    ShowOutputFile();
    for (QLabel* value : {DurationText, FileSizeText})
        value->clear();
    selPointPanel->hide();
    ShowId3Tag();
    ShowAudioTracks();
    ShowDvd();
    ResetTrackList();
    StartEditHistory();
    TrackBar->update();
}

void TMainFrm::FinishDeferredClose() {
    if (FCloseRequested) {
        FCloseRequested = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

bool TMainFrm::MediaReady() const {
    return Opener->Settled() && HintPanel->isHidden();
}

void TMainFrm::PlayBtnClick() {
    StartPlayback();
}

void TMainFrm::StartPlayback() {
    if (FRange.DurationMs() == 0) {
        ShowMessage(tr("Please open a video file at first!"));
        return;
    }
    if (!MediaReady())
        return;
    FilterGraph->Play();
    // A keyboard user who pressed Play finds Pause under the focus, not the next button.
    PauseBtn->setEnabled(true);
    if (PlayBtn->hasFocus())
        PauseBtn->setFocus(Qt::OtherFocusReason);
    PlayBtn->setEnabled(false);
    Timer1->start();
}

void TMainFrm::PauseBtnClick() {
    PausePlayback();
}

void TMainFrm::PausePlayback() {
    if (MediaReady() && FMediaControl)
        FMediaControl->Pause();
    Timer1->stop();
    PlayBtn->setEnabled(true);
    if (PauseBtn->hasFocus())
        PlayBtn->setFocus(Qt::OtherFocusReason);
    PauseBtn->setEnabled(false);
}

void TMainFrm::Timer1Timer() {
    if (!MediaReady() || !FMediaSeeking)
        return;
    FPositionFromTimer = true;
    int64_t position = 0;
    FMediaSeeking->SetTimeFormat(media::TIME_FORMAT_MEDIA_TIME);
    FMediaSeeking->GetCurrentPosition(position);
    const int64_t p = TMediaTime::FromUnits(position).ToMs();
    TrackBar->setPosition(int(std::clamp<int64_t>(p, 0, std::numeric_limits<int32_t>::max())));
    FPositionFromTimer = false;
    TimeLabel->setText(FormatTimeText(p));
}

void TMainFrm::TrackBarChange() {
    if (FRange.DurationMs() == 0)
        return;
    TimeLabel->setText(FormatTimeText(TrackBar->position()));
    if (!FPositionFromTimer && MediaReady() && FMediaSeeking) {
        int64_t current = TMediaTime::FromMs(TrackBar->position()).Units();
        FMediaSeeking->SetPositions(&current, media::AM_SEEKING_AbsolutePositioning, nullptr,
                                    media::AM_SEEKING_NoPositioning);
    }
}

void TMainFrm::BeginBtnClick() {
    TrackBar->setPosition(0);
}

void TMainFrm::EndBtnClick() {
    TrackBar->setPosition(TrackBar->maximum());
}

void TMainFrm::VideoWinDblClick() {
    if (FRange.DurationMs() == 0)
        OpenFileBtnClick();
}

void TMainFrm::sourceFileEditKeyDown(int Key, Qt::KeyboardModifiers Shift) {
    const int code = WindowsKeyCode(Key, Shift);
    if (code > 45 && code <= 90)
        OpenFileBtnClick();
}
