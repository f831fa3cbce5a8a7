// TMainFrm: the rip: checks of the output path, the run's input and output, progress,
// completion, failure, and the choice of the output file.
#include "ui/main/main_frm.h"

#include "app/common.h"
#include "app/globals.h"
#include "app/output_settings.h"
#include "app/progress_caption.h"
#include "app/track_run.h"
#include "audio/mp3_out.h"
#include "platform/notify.h"
#include "platform/shell.h"
#include "ui/dialogs/msg_frm.h"
#include "ui/main/main_frm_util.h"
#include "ui/main/run_input.h"
#include "ui/skin/caption_progress_bar.h"
#include "ui/skin/skin_panel.h"
#include "ui/skin/speed_button.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QTimer>
#include <QUrl>

void TMainFrm::ConfigureOutput(TMP3Out& out, const TAppSettings& settings, const TCurrentTag& tag) {
    ApplySettingsToOutput(out, settings, tag);
}

std::unique_ptr<TRunInput> TMainFrm::CreateRunInput() {
    return std::make_unique<TRunInput>(nullptr);
}

QString TMainFrm::ChooseOutputFile(const QString& preset) {
    QFileDialog dialog(this, QStringLiteral("Save Output MP3 File..."), preset,
                       QStringLiteral("MP3 files (*.mp3)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("mp3"));
    dialog.selectFile(preset);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

void TMainFrm::SaveFileBtnClick() {
    if (!IsIdle())
        return;
    const QString chosen = ChooseOutputFile(outputFileEdit->text());
    if (chosen.isEmpty())
        return;
    outputFileEdit->setText(chosen);
    ShowOutputFile();
}

QString TMainFrm::SourceAsMp3() const {
    return ChangeFileExt(sourceFileEdit->text(), QStringLiteral(".mp3"));
}

QString TMainFrm::MakeOutputFolder(const QString& folder) {
    const int answer =
        ShowMessageBox(2,
                       QStringLiteral("The specified output folder doesn't exists.\n ") + folder +
                           QStringLiteral("\nDo you want to create the new folder?"),
                       QStringLiteral("&Yes"), QStringLiteral("&No"));
    if (answer != 1) {
        outputFileEdit->setFocus();
        return QString();
    }
    const QString made = ForceFolderPath(folder, ProgramDir);
    if (made.isEmpty()) {
        // Writing the bare name into whatever folder the program runs in would put the
        // file where nobody looks for it.
        ShowMessageBox(0, QStringLiteral("The output folder can't be created:\n ") + folder,
                       QStringLiteral("&Close"), QStringLiteral("&Help"));
        outputFileEdit->setFocus();
    }
    return made;
}

void TMainFrm::ExtractBtnClick() {
    // A cancelled run's worker may still be letting go of its file.
    if (!IsIdle() || !MP3Out || MP3Out->Busy() || TrackRunBusy())
        return;
    if (FDurationMs == 0)
        OpenFileBtnClick();
    if (outputFileEdit->text().isEmpty())
        return;
    if (!FTrackList.Tracks.empty()) {
        ExtractTracks();
        return;
    }

    QString output = NormaliseOutputPath(outputFileEdit->text());
    outputFileEdit->setText(output);

    // The rip would be renamed over the file it reads; no answer to a question makes
    // that right.
    if (SameFile(output, sourceFileEdit->text())) {
        ShowMessageBox(0,
                       QStringLiteral("The output file would replace the source file:\n ") +
                           output + QStringLiteral("\nChoose another output file."),
                       QStringLiteral("&Close"), QStringLiteral("&Help"));
        outputFileEdit->setFocus();
        return;
    }

    if (QFileInfo(output).isFile()) {
        const int answer = ShowMessageBox(
            2, FileExistsText() + QStringLiteral("\nDo you want to overwrite the old file?"),
            QStringLiteral("&Yes"), QStringLiteral("&No"));
        if (answer != 1) {
            outputFileEdit->setFocus();
            return;
        }
    }

    const QString folder = FolderPart(output);
    const QString fileName = output.mid(folder.size());
    if (!QDir(folder).exists()) {
        const QString made = MakeOutputFolder(folder);
        if (made.isEmpty())
            return;
        output = made + fileName;
        outputFileEdit->setText(output);
    }

    MP3Out->FileName = output;
    FRunOutput = output;
    if (FolderPart(output) != FolderPart(sourceFileEdit->text()))
        AppSettings.OutputFileDir = FolderPart(output);

    ProgressBar->setMinimum(int(FStartMs));
    ProgressBar->setMaximum(int(FEndMs));
    ProgressBar->setValue(int(FStartMs));
    ProgressBar->setCaption(QString());
    EnableRunControls(false);
    ProgressPanel->show();
    ProgressPanel->raise();
    QCoreApplication::processEvents();
    if (FClosed || !MP3Out) {
        ReturnToIdle(); // the window was closed meanwhile
        return;
    }

    // The previous run is over (the window was idle), so its input is no longer read.
    MP3Out->SetInput(nullptr);
    FRunInput.reset();
    try {
        FRunInput = CreateRunInput();
        MP3Out->SetInput(FRunInput->Input());
        FRunInput->SetFormatOverride(FFormatLow, FFormatHigh,
                                     SampleRateHz(SampleRateFor(AppSettings.AudioSampleRate)));
        FRunInput->SetFileName(MediaSource());
        FRunInput->SetAudioTrack(FAudioTrack);
        FRunInput->OpenSource();
        // Noted only: the output's worker seeks before its first read.
        FRunInput->SetStartTime(RunStart());
        FRunInput->SetLength(RunEnd() - RunStart());
        ConfigureOutput(*MP3Out, AppSettings, CurrentTag);
        FRunClock.start();
        MP3Out->Run();
        FActiveRun = MP3Out->RunNumber();
    } catch (const std::exception& e) {
        ShowRunFailure(ExceptionMessage(e));
        return;
    }
    Timer2->start();
    Timer2Timer();
}

void TMainFrm::Timer2Timer() {
    if (TrackRunBusy()) {
        ShowTrackRunProgress();
        return;
    }
    if (!FRunInput)
        return;
    if (FRunInput->Seeking()) {
        // The worker finds the start of the range first; in a long film that can take a
        // while, and the bar would otherwise stand still without a word.
        ProgressBar->setCaption(QStringLiteral("Seeking..."));
        FRunClock.start(); // the speed is the reading's, from where the range starts
        return;
    }
    const int64_t p = FRunInput->CurrentTime() / 10000;
    if (p >= ProgressBar->minimum())
        ProgressBar->setValue(int(std::min<int64_t>(p, ProgressBar->maximum())));
    ProgressBar->setCaption(
        TProgressCaption(FStartMs, FEndMs, std::max<int64_t>(p, FStartMs), FRunClock.elapsed())
            .Text());
}

void TMainFrm::CancelBtnClick() {
    if (!Running() || !MP3Out)
        return;
    // The worker ends the run at its next step and removes its unfinished file; the
    // window need not wait for that. The run may have ended by itself a moment ago: its
    // OnDone, still on its way, then tells what became of the file.
    MP3Out->Abort();
    if (FTrackRun)
        FTrackRun->Abort();
    FCancelledRun = FActiveRun;
    FCancelledFile = FRunOutput;
    FActiveRun = 0;
    ReturnToIdle();
}

void TMainFrm::NotifyRunEnd(const QString& body) {
    if (!WindowActive())
        notify::SendNotification(AppTitle, body);
}

void TMainFrm::EnableRunControls(bool Enabled) {
    // A run reads the chosen title and track and writes the named files: none of them
    // changes while it goes.
    for (QWidget* w : std::initializer_list<QWidget*>{AudioTrackBox, TitleBox, ChapterBox,
                                                      outputFileEdit, SaveFileBtn})
        w->setEnabled(Enabled);
}

void TMainFrm::ReturnToIdle() {
    Timer2->stop();
    ProgressPanel->hide();
    EnableRunControls(true);
}

void TMainFrm::MP3OutDone() {
    const uint64_t run = MP3Out->EventRun();
    if (run == FCancelledRun) {
        FCancelledRun = 0;
        if (!MP3Out->LastRunAborted())
            ShowKeptAfterCancel(FCancelledFile);
        return;
    }
    if (run != FActiveRun)
        return; // an earlier run's, late
    FActiveRun = 0;
    ProgressBar->setValue(ProgressBar->maximum()); // the run has read the whole range
    ReturnToIdle();
    if (MP3Out->LastRunAborted())
        return;
    const QString written = FRunOutput;
    NotifyRunEnd(QStringLiteral("The MP3 has been extracted: ") + QFileInfo(written).fileName());
    // The output's worker waits for this handler: ask once it has been let go, so that
    // closing the window while the question is up cannot wait on a waiting worker.
    QTimer::singleShot(0, this, [written] {
        Guarded([&] {
            const int answer = ShowMessageBox(
                1,
                QStringLiteral("The MP3 has been extracted successfully.\nDo you want to play "
                               "the MP3 now?"),
                QStringLiteral("&Yes"), QStringLiteral("&No"));
            if (answer == 1)
                shell::OpenUrl(QUrl::fromLocalFile(written));
        });
    });
}

void TMainFrm::MP3OutThreadException(uint64_t Run, const QString& Message) {
    if (Run == FCancelledRun)
        FCancelledRun = 0; // cancelled: nothing was written, nothing to tell
    if (Run != FActiveRun)
        return;
    FActiveRun = 0;
    NotifyRunEnd(QStringLiteral("The rip failed: ") + Message);
    ShowRunFailure(Message);
}

void TMainFrm::ShowKeptAfterCancel(const QString& file) {
    // As with a finished run, the worker is let go before the box comes up.
    QTimer::singleShot(0, this, [file] {
        Guarded([&] {
            ShowMessageBox(1,
                           QStringLiteral("The rip had already finished when it was cancelled.\n"
                                          "The MP3 file was kept:\n ") +
                               file,
                           QStringLiteral("&Close"), QStringLiteral("&Help"));
        });
    });
}

void TMainFrm::ShowRunFailure(const QString& reason) {
    ReturnToIdle();
    ShowMessageBox(0, reason, QStringLiteral("&Close"), QStringLiteral("&Help"));
}

void TMainFrm::StopRunForClose() {
    if (TrackRunBusy()) {
        // Destroying the run stops its worker and discards the unfinished track.
        FTrackRun.reset();
        ReturnToIdle();
    }
    if (!MP3Out || !MP3Out->Busy())
        return;
    // Destroying the output stops its worker and discards the unfinished file; whatever
    // it was reporting is dropped with it.
    FActiveRun = FCancelledRun = 0;
    MP3Out->OnDone = nullptr;
    MP3Out->OnThreadException = nullptr;
    delete MP3Out;
    MP3Out = nullptr;
    ReturnToIdle();
}

void TMainFrm::ReleaseRunInput() {
    if (MP3Out)
        MP3Out->SetInput(nullptr);
    FRunInput.reset();
}
