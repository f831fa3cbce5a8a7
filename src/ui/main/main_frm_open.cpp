// TMainFrm: opening a source on a worker thread, and the preview transport.
#include "ui/main/main_frm.h"

#include "app/common.h"
#include "app/globals.h"
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
#include "ui/skin/image.h"
#include "ui/skin/image_button.h"
#include "ui/skin/skin_panel.h"
#include "ui/skin/skin_style.h"
#include "ui/skin/track_bar.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <limits>
#include <thread>

QString TMainFrm::ChooseSourceFile() {
    TSourceFileDialog dialog(this, AppSettings.InputFileDir, FileFilter);
    return dialog.exec() == QDialog::Accepted ? dialog.Chosen() : QString();
}

bool TMainFrm::StartOpenWorker(std::function<void()> work) {
    std::unique_ptr<QThread> thread(QThread::create(std::move(work)));
    if (!thread)
        return false;
    thread->start(QThread::HighestPriority);
    if (!thread->isRunning() && !thread->isFinished())
        return false; // the system refused a thread
    FOpenThread = std::move(thread);
    return true;
}

void TMainFrm::OpenFileBtnClick() {
    if (!IsIdle())
        return;
    if (!sourceFileEdit->text().isEmpty() && outputFileEdit->text() == SourceAsMp3())
        AppSettings.OutputFileDir.clear();
    const QString chosen = ChooseSourceFile();
    if (chosen.isEmpty())
        return;
    FOpenTitle = 0;
    OpenChosenFile(chosen);
}

void TMainFrm::OpenSourceFile(const QString& path, int dvdTitle) {
    if (!IsIdle() || path.isEmpty())
        return;
    if (!sourceFileEdit->text().isEmpty() && outputFileEdit->text() == SourceAsMp3())
        AppSettings.OutputFileDir.clear();
    FOpenTitle = dvdTitle;
    OpenChosenFile(QFileInfo(path).absoluteFilePath());
}

void TMainFrm::OpenChosenFile(const QString& path) {
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
    OpenState.store(0, std::memory_order_release);
    try {
        OpenInBackground(path);
    } catch (...) {
        // A graph that cannot be torn down or set up ends the opening as a failed one.
        if (FOpenThread) {
            FOpenThread->wait();
            FOpenThread.reset();
        }
        OpenState.store(2, std::memory_order_release);
        HintPanel->hide();
        FinishDeferredClose();
        throw;
    }
}

void TMainFrm::OpenInBackground(const QString& path) {
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

    FOpenFileName = path;
    if (FOpenThread) {
        FOpenThread->wait();
        FOpenThread.reset();
    }
    if (!StartOpenWorker([this] { OpenSourceWorker(FOpenFileName); })) {
        ShowMessage(tr("Thread can't be created while opening the source file!"));
        HintPanel->hide();
        ResetToNoSource(); // the old graph is gone: nothing of the old source works now
        FinishDeferredClose();
        return;
    }

    VideoWin->SetColor(Qt::black);
    TimePanel->setColor(Qt::black);

    WaitForOpening();
    if (FOpenThread) {
        FOpenThread->wait();
        FOpenThread.reset();
    }
    HintPanel->hide();

    if (OpenState.load(std::memory_order_acquire) == 2) {
        // The old graph is gone, and nothing of the old source may seem to be ripped
        // from the new one: the window starts over, as with no source.
        ResetToNoSource();
        QString text;
        if (!FOpenedDvdError.isEmpty())
            text = tr("The DVD can NOT be opened: ") + FOpenedDvdError;
        else if (FOpenedContent == media::TMediaContent::Nothing)
            text = tr("This is not a video or sound file:\n %1\nOpen a DVD, a VCD, an MPEG "
                      "file or another file with a sound track.")
                       .arg(QFileInfo(path).fileName());
        else if (FOpenedContent == media::TMediaContent::PicturesOnly)
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
    FAudioTracks = FOpenedTracks;
    FDvd = FOpenedDvd;

    FDurationRef = 0;
    if (FMediaSeeking) {
        FMediaSeeking->SetTimeFormat(media::TIME_FORMAT_MEDIA_TIME);
        FMediaSeeking->GetDuration(FDurationRef);
    }
    FDurationMs = std::clamp<int64_t>(FDurationRef / 10000, 0, std::numeric_limits<int32_t>::max());
    FStartMs = 0;
    FEndMs = FDurationMs;

    TrackBar->setMaximum(int(FDurationMs));
    TrackBar->setPosition(0);
    TrackBar->setSelStart(0);
    TrackBar->setSelEnd(int(FDurationMs));
    if (FDurationMs == 0)
        ShowMessage(tr("   The source file is invalid!   "));

    TimeLabel->setText(QStringLiteral("0:00:00.0"));
    TotalTimeLabel->setText(FormatTimeText(FDurationMs));

    PlayBtn->setEnabled(true);
    PauseBtn->setEnabled(false);
    StartPointBtn->show();
    EndPointBtn->show();
    FMarkersOn = true;

    FActiveMarker = 2;
    LayoutControls(); // the preview takes the picture's shape
    PlaceMarkers();
    TrackBar->update();

    AppSettings.InputFileDir = FolderPart(path);
    if (AppSettings.OutputFileDir.isEmpty()) {
        const QString docs = DefaultOutputFolder();
        AppSettings.OutputFileDir = docs.endsWith(u'/') ? docs : docs + u'/';
    }
    outputFileEdit->setText(
        FDvd.locator.isEmpty()
            ? AppSettings.OutputFileDir +
                  ChangeFileExt(path.mid(path.lastIndexOf(u'/') + 1), QStringLiteral(".mp3"))
            : DvdOutputDefault(0, 0));

    AddRecentSource(path);
    ShowMp3Settings();
    ShowRangeInfo();
    ShowId3Tag();
    ShowOutputFile();
    ShowAudioTracks();
    ShowDvd();
    ResetTrackList(); // the ranges were the previous source's
    StartEnvelope();
    FinishDeferredClose();
}

void TMainFrm::ResetToNoSource() {
    Timer1->stop();
    Envelope->Clear();
    StartEnvelope(); // with no source: the detail lets go of the old one too
    FMediaSeeking.reset();
    FMediaControl.reset();
    FDurationRef = FDurationMs = FStartMs = FEndMs = 0;
    FExactStart = FExactEnd = -1;
    FAudioTracks.clear();
    FDvd = TDvdChoice();
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
    TrackBar->update();
}

void TMainFrm::WaitForOpening() {
    // The window keeps handling its messages; handlers guarded by IsIdle refuse to act.
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (OpenState.load(std::memory_order_acquire) != 0)
            loop.quit();
    });
    poll.start();
    if (OpenState.load(std::memory_order_acquire) == 0)
        loop.exec();
}

void TMainFrm::FinishDeferredClose() {
    if (FCloseRequested) {
        FCloseRequested = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

void TMainFrm::OpenSourceWorker(const QString& fileName) {
    try {
        // A DVD opens as one of its titles: the preview, the overview and the rip read the
        // title, and its streams are the IFO's.
        FOpenedDvd = TDvdChoice();
        FOpenedDvdError.clear();
        FOpenedContent = media::TMediaContent::Sound;
        try {
            ChooseDvdTitle(fileName, FOpenTitle, FOpenedDvd, FOpenAngle);
        } catch (const EDvdError& e) {
            FOpenedDvdError = e.Message();
            OpenState.store(2, std::memory_order_release);
            return;
        }
        const QString source = FOpenedDvd.locator.isEmpty() ? fileName : FOpenedDvd.locator;
        // FFmpeg shows nearly anything, a text file too, as a "video": a ripper wants a
        // sound track, and says at once when there is none.
        {
            media::TMediaInput probe;
            if (!media::Failed(media::OpenMediaInput(source, probe)))
                FOpenedContent = media::MediaContent(probe);
        }
        if (FOpenedContent != media::TMediaContent::Sound) {
            OpenState.store(2, std::memory_order_release);
            return;
        }
        FOpenedTracks.clear();
        if (TMediaAudioStream::ListAudioTracks(source, FOpenedTracks) != media::S_OK)
            FOpenedTracks.clear(); // no choice offered; the primary track is used
        if (!FOpenedDvd.locator.isEmpty() && !FOpenedTracks.empty())
            FilterGraph->SetAudioStreamIndex(FOpenedTracks.front().streamIndex);
        media::HRESULT hr = 0;
        try {
            hr = FilterGraph->RenderFile(source);
        } catch (...) {
            OpenState.store(2, std::memory_order_release);
            return;
        }
        if (hr < 0) {
            OpenState.store(2, std::memory_order_release);
            return;
        }
        FMediaSeeking = FilterGraph->Query<media::IMediaSeeking>();
        FMediaControl = FilterGraph->Query<media::IMediaControl>();

        FilterGraph->Play();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        FilterGraph->Pause();

        OpenState.store(1, std::memory_order_release);
    } catch (...) {
        OpenState.store(2, std::memory_order_release);
    }
}

bool TMainFrm::MediaReady() const {
    return OpenState.load(std::memory_order_acquire) != 0 && HintPanel->isHidden();
}

void TMainFrm::PlayBtnClick() {
    StartPlayback();
}

void TMainFrm::StartPlayback() {
    if (FDurationMs == 0) {
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
    const int64_t p = position / 10000;
    TrackBar->setPosition(int(std::clamp<int64_t>(p, 0, std::numeric_limits<int32_t>::max())));
    FPositionFromTimer = false;
    TimeLabel->setText(FormatTimeText(p));
}

void TMainFrm::TrackBarChange() {
    if (FDurationMs == 0)
        return;
    TimeLabel->setText(FormatTimeText(TrackBar->position()));
    if (!FPositionFromTimer && MediaReady() && FMediaSeeking) {
        int64_t current = int64_t(TrackBar->position()) * 10000;
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
    if (FDurationMs == 0)
        OpenFileBtnClick();
}

void TMainFrm::sourceFileEditKeyDown(int Key, Qt::KeyboardModifiers Shift) {
    const int code = WindowsKeyCode(Key, Shift);
    if (code > 45 && code <= 90)
        OpenFileBtnClick();
}
