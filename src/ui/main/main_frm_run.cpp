// TMainFrm: the rip. A range or the Tracks list becomes a list of jobs: every file checked
// by the output rules before the first sample is encoded (one question for existing files,
// one for a missing folder), then one run of the MP3 output, one progress bar, one Cancel,
// one box at the end.
#include "ui/main/main_frm.h"

#include "app/common.h"
#include "app/globals.h"
#include "app/output_policy.h"
#include "app/output_settings.h"
#include "app/progress_caption.h"
#include "app/track_jobs.h"
#include "app/track_names.h"
#include "audio/rip/mp3_out.h"
#include "desktop/notify.h"
#include "desktop/shell.h"
#include "preview/filter_graph.h"
#include "preview/video_window.h"
#include "ui/dialogs/msg_frm.h"
#include "ui/main/main_frm_util.h"
#include "ui/main/run_session.h"
#include "ui/skin/caption_progress_bar.h"
#include "ui/skin/image_button.h"
#include "ui/skin/link_label.h"
#include "ui/skin/skin_panel.h"
#include "ui/skin/speed_button.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

void TMainFrm::ConfigureOutput(TMP3Out& out, const TAppSettings& settings, const TCurrentTag& tag) {
    ApplySettingsToOutput(out, settings, tag);
}

QString TMainFrm::ChooseOutputFile(const QString& preset) {
    const QString ext = OutputExtension();
    const QString filter = ext == QStringLiteral(".flac")   ? tr("FLAC files (*.flac)")
                           : ext == QStringLiteral(".opus") ? tr("Opus files (*.opus)")
                                                            : tr("MP3 files (*.mp3)");
    QFileDialog dialog(this, tr("Save Output MP3 File..."), preset, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(ext.mid(1));
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
    const QString source = sourceFileEdit->text();
    return FolderPart(source) + DefaultOutputName(source, TDvdChoice(), 0, 0, OutputExtension());
}

QString TMainFrm::OutputExtension() {
    return FormatExtension(RipFormat(AppSettings));
}

bool TMainFrm::IsDefaultOutput(const QString& output) const {
    if (output == DvdOutputDefault(0, 0))
        return true;
    for (int c = 1; c <= int(FChapters.size()); ++c)
        if (output == DvdOutputDefault(c, c))
            return true;
    return false;
}

QString TMainFrm::ListFolder(const QString& output) const {
    const QString folder = FolderPart(output);
    if (output.isEmpty() || !IsDefaultOutput(output))
        return folder;
    // The album: the tag's, the list's, else the name the output has by default (the
    // disc's label, the source's name), as a file system takes it.
    QString album = CurrentTag.Album.trimmed();
    if (album.isEmpty())
        album = FTrackList.Album.trimmed();
    if (album.isEmpty())
        album = QFileInfo(DvdOutputDefault(0, 0)).completeBaseName();
    TTrackNameFields fields;
    fields.Album = album;
    const QString ext = OutputExtension();
    const QString name = TrackFileName(QStringLiteral("%A"), fields, ext).chopped(ext.size());
    return name.isEmpty() ? folder : folder + name + u'/';
}

QString TMainFrm::MakeOutputFolder(const QString& folder) {
    const int answer = ShowMessageBox(2,
                                      tr("The specified output folder doesn't exist.\n ") + folder +
                                          tr("\nDo you want to create the new folder?"),
                                      tr("&Yes"), tr("&No"));
    if (answer != 1) {
        outputFileEdit->setFocus();
        return QString();
    }
    const QString made = ForceFolderPath(folder, ProgramDir);
    if (made.isEmpty()) {
        // Writing the bare name into whatever folder the program runs in would put the
        // file where nobody looks for it.
        ShowMessageBox(0, tr("The output folder can't be created:\n ") + folder, tr("&Close"),
                       tr("&Help"));
        outputFileEdit->setFocus();
    }
    return made;
}

bool TMainFrm::PlanRunFiles(std::vector<TTrackJob>& jobs, QString& folder) {
    // The output names the file, or for a track list the folder; a name with fields in it
    // is the pattern of the tracks' names.
    const QString ext = OutputExtension();
    const QString output =
        ResolveTypedOutput(outputFileEdit->text(), AppSettings.OutputFileDir,
                           DefaultOutputName(sourceFileEdit->text(), FDvd, 0, 0, ext), ext);
    if (output != outputFileEdit->text()) {
        outputFileEdit->setText(output);
        ShowOutputFile();
    }
    folder = FolderPart(output);
    const QString namePart = output.mid(folder.size());
    const bool list = RipsList();
    if (list) {
        const QString album = ListFolder(output);
        // The default's own folder is made without a question; a missing output folder
        // above it is still asked about.
        if (album != folder && !QFileInfo::exists(album) && QFileInfo(folder).isDir())
            ForceFolderPath(album, ProgramDir);
        folder = album;
    }
    auto refuse = [this](const QString& text) {
        ShowMessageBox(0, text, tr("&Close"), tr("&Help"));
        outputFileEdit->setFocus();
        return false;
    };
    // A name that says another format than the one chosen is refused before any work.
    const QString given = namePart.mid(namePart.lastIndexOf(u'.'));
    TOutputFormat named = ofMP3;
    if (namePart.lastIndexOf(u'.') > 0 && FormatOfExtension(given, named) &&
        FormatExtension(named) != ext)
        return refuse(tr("The output file ends in %1, but the format chosen writes %2 "
                         "files:\n %3\nChange the name or the format (Change Settings...).")
                          .arg(given, ext, output));
    std::vector<TTrackNameFields> names;
    const QString pattern = namePart.contains(u'%') ? namePart : TrackPatternFor(ext);
    if (list) {
        MakeTrackJobs(FTrackList, CurrentTag, false, jobs, names);
    } else {
        TTrackJob job;
        job.Start = RunStart();
        job.End = RunEnd();
        job.Tag = CurrentTag;
        jobs.push_back(job);
    }
    auto name = [&](const QString& into) {
        if (!list) {
            jobs[0].FileName = into + namePart;
            return true;
        }
        try {
            const QStringList paths = TrackFilePaths(into, pattern, names, ext);
            for (size_t k = 0; k < jobs.size(); ++k)
                jobs[k].FileName = paths[int(k)];
        } catch (const ETrackListError& e) {
            return refuse(e.Message());
        }
        return true;
    };
    if (!name(folder))
        return false;

    for (int pass = 0; pass < 2; ++pass) {
        QStringList paths;
        for (const TTrackJob& job : jobs)
            paths << job.FileName;
        const std::vector<TOutputFinding> findings = CheckOutputs(paths, sourceFileEdit->text());
        // The rip would be renamed over a file it reads; no answer to a question makes
        // that right.
        if (const TOutputFinding* f = FirstOf(findings, TOutputProblem::ReplacesSource))
            return refuse(list ? tr("Track %1's file would replace the source "
                                    "file:\n ")
                                         .arg(f->Job + 1) +
                                     f->Path + tr("\nChoose another output folder.")
                               : tr("The output file would replace the source "
                                    "file:\n ") +
                                     f->Path + tr("\nChoose another output file."));
        if (const TOutputFinding* f = FirstOf(findings, TOutputProblem::SameFile))
            return refuse(tr("Tracks %1 and %2 would be written to one file (a link leads "
                             "from one name to the other):\n ")
                              .arg(f->Other + 1)
                              .arg(f->Job + 1) +
                          f->Path + tr("\nChoose another output folder."));
        if (const TOutputFinding* f = FirstOf(findings, TOutputProblem::IsFolder))
            return refuse(tr("The output is a folder:\n ") + f->Path + tr("\nChoose a file name."));
        if (const TOutputFinding* f = FirstOf(findings, TOutputProblem::CannotCreate))
            return refuse(f->Reason);
        if (const TOutputFinding* f = FirstOf(findings, TOutputProblem::FolderMissing);
            f && list &&
            QDir::cleanPath(QFileInfo(f->Path).absolutePath()) != QDir::cleanPath(folder)) {
            // Fields name the folders: those of the tracks' files are made, asked once.
            if (MakeOutputFolder(QFileInfo(f->Path).absolutePath()).isEmpty())
                return false;
            for (const TOutputFinding& g : findings)
                if (g.Problem == TOutputProblem::FolderMissing &&
                    ForceFolderPath(QFileInfo(g.Path).absolutePath(), ProgramDir).isEmpty())
                    return refuse(tr("The output folder can't be created:\n ") +
                                  QFileInfo(g.Path).absolutePath());
            continue;
        }
        if (FirstOf(findings, TOutputProblem::FolderMissing)) {
            const QString made = MakeOutputFolder(folder);
            if (made.isEmpty())
                return false;
            folder = made;
            if (!name(folder))
                return false;
            if (!list)
                outputFileEdit->setText(jobs[0].FileName);
            continue;
        }
        std::vector<const TOutputFinding*> existing;
        for (const TOutputFinding& f : findings)
            if (f.Problem == TOutputProblem::Exists)
                existing.push_back(&f);
        if (!existing.empty()) {
            const QString text =
                list ? (existing.size() == 1
                            ? tr("One of the tracks' files exists already:\n ")
                            : tr("%1 of the tracks' files exist already, the first:\n ")
                                  .arg(existing.size())) +
                           existing.front()->Path +
                           (existing.size() == 1 ? tr("\nDo you want to overwrite it?")
                                                 : tr("\nDo you want to overwrite them?"))
                     : FileExistsText() + QStringLiteral(":\n ") + existing.front()->Path +
                           tr("\nDo you want to overwrite the old file?");
            if (ShowMessageBox(2, text, tr("&Yes"), tr("&No")) != 1) {
                outputFileEdit->setFocus();
                return false;
            }
            for (const TOutputFinding* f : existing)
                jobs[size_t(f->Job)].Replace = true;
        }
        return true;
    }
    return refuse(tr("The output folder can't be created:\n ") + folder);
}

void TMainFrm::ExtractBtnClick() {
    if (!IsIdle() || !RunSession->Ready())
        return;
    if (FRange.DurationMs() == 0)
        OpenFileBtnClick();
    if (outputFileEdit->text().isEmpty())
        return;

    std::vector<TTrackJob> jobs;
    QString folder;
    if (!PlanRunFiles(jobs, folder))
        return;
    const bool list = RipsList();
    TRunTarget target;
    target.Output = list ? folder : jobs[0].FileName;
    for (const TTrackJob& job : jobs) {
        target.Titles << job.Tag.Title;
        target.Files << job.FileName;
    }
    // Remembered once the rip has written its files: a cancelled or failed one leaves the
    // next default where it was. A list's album folder is not the next default's place.
    const QString place = list && IsDefaultOutput(outputFileEdit->text())
                              ? FolderPart(outputFileEdit->text())
                              : folder;
    target.Folder = place != FolderPart(sourceFileEdit->text()) ? place : QString();

    TMediaTime total;
    for (const TTrackJob& job : jobs)
        total += job.End - job.Start;
    // The bar counts milliseconds of the range, or of the tracks one after another.
    const int64_t from = list ? 0 : FRange.StartMs();
    ProgressBar->setMinimum(int(from));
    ProgressBar->setMaximum(int(list ? total.ToMs() : FRange.EndMs()));
    ProgressBar->setValue(int(from));
    ProgressBar->setCaption(QString());
    FocusNeutralPlace();
    EnableRunControls(false);
    ProgressPanel->show();
    ProgressPanel->raise();
    QCoreApplication::processEvents();
    if (FClosed || !RunSession->MP3Out) {
        ReturnToIdle(); // the window was closed meanwhile
        return;
    }
    try {
        RunSession->Start(target, MediaSource(), FAudioTrack, jobs, AppSettings, CurrentTag.Cover);
    } catch (const std::exception& e) {
        ShowRunFailure(ExceptionMessage(e));
        return;
    }
    RunSession->Timer2->start();
    Timer2Timer();
}

void TMainFrm::Timer2Timer() {
    if (!RunSession->Showing())
        return;
    const TMP3Out::TProgress p = RunSession->Progress();
    const QString track =
        p.JobCount > 1
            ? tr("Track %1 of %2 · ").arg(std::min(p.JobsWritten + 1, p.JobCount)).arg(p.JobCount)
            : QString();
    if (p.Seeking) {
        // The engine finds the start of the range first; in a long film that can take a
        // while, and the bar would otherwise stand still without a word.
        ProgressBar->setCaption(track + tr("Seeking..."));
        return;
    }
    const int64_t doneMs = p.SampleRate > 0 ? p.DoneFrames * 1000 / p.SampleRate : 0;
    const int64_t at = std::min<int64_t>(ProgressBar->minimum() + doneMs, ProgressBar->maximum());
    ProgressBar->setValue(int(at));
    if (p.JobCount > 1)
        ShowTrackProgress(p.JobsWritten, doneMs);
    // The bar tells the track and the share; the line above it, in the window's font,
    // what the speed and the time left are.
    const TProgressCaption caption(ProgressBar->minimum(), ProgressBar->maximum(), at,
                                   RunSession->ElapsedMs());
    ProgressBar->setCaption(track + tr("%1 %").arg(caption.Percent()));
    QString line = tr("Extracting MP3...");
    if (caption.SpeedKnown())
        line += QStringLiteral(" ") +
                tr("%1 real time").arg(TProgressCaption::SpeedText(caption.Speed()));
    if (caption.SecondsLeft() >= 0 && !caption.Done())
        line += QStringLiteral(", ") +
                tr("%1 left").arg(TProgressCaption::DurationText(caption.SecondsLeft()));
    ProgressLabel->setText(line);
}

void TMainFrm::CancelBtnClick() {
    if (!Running() || !RunSession->MP3Out)
        return;
    // The window need not wait for the worker to let go of the run.
    RunSession->Cancel();
    ReturnToIdle();
}

void TMainFrm::NotifyRunEnd(const QString& body) {
    if (!WindowActive())
        notify::SendNotification(AppTitle, body);
}

void TMainFrm::EnableRunControls(bool Enabled) {
    // A run reads the chosen title and track, the range, the list, the settings and the
    // tag, and writes the named files: what would change them is greyed while it goes,
    // rather than refusing silently.
    for (QWidget* w : std::initializer_list<QWidget*>{
             AudioTrackBox,  TitleBox,        AngleBox,     ChapterBox,      outputFileEdit,
             SaveFileBtn,    OpenFileBtn,     OpenBtn,      MP3SettingsEdit, Id3TagEdit,
             UseAsCoverLink, startPointEdit,  endPointEdit, startPointUpBtn, startPointDownBtn,
             endPointUpBtn,  endPointDownBtn, AddRangeBtn,  RenameTrackBtn,  RemoveTrackBtn,
             ClearTracksBtn, TrackUpBtn,      TrackDownBtn, FindSongsBtn,    ExtractBtn})
        w->setEnabled(Enabled);
    // The progress panel stands where these are: hidden, Tab does not reach them under it
    // (F1 still shows the help).
    for (QWidget* w : {skinButton1, skinButton2, ExtractBtn})
        w->setVisible(Enabled);
    if (!Enabled)
        return;
    // The marks of the run go (the selection stays as the user left it); Clear follows the
    // list again.
    ClearTracksBtn->setEnabled(!FTrackList.Tracks.empty());
    ProgressLabel->setText(tr("Extracting MP3..."));
    ShowTrackProgress(-1, 0);
}

void TMainFrm::ReturnToIdle() {
    // The Cancel button goes with the panel; Qt would hand its focus on to whatever
    // comes next, a link or a button that Space then presses instead of playing.
    FocusNeutralPlace();
    RunSession->Timer2->stop();
    ProgressPanel->hide();
    EnableRunControls(true);
}

void TMainFrm::MP3OutDone(bool aborted) {
    ProgressBar->setValue(ProgressBar->maximum()); // the run has read the whole range
    ReturnToIdle();
    if (aborted)
        return;
    const TRunTarget& target = RunSession->Target();
    if (!target.Folder.isEmpty())
        AppSettings.OutputFileDir = target.Folder;
    const QString written = target.Output;
    const int count = int(target.Titles.size());
    if (count > 1) {
        const QString text = tr("%1 tracks ripped to\n ").arg(count) + written;
        NotifyRunEnd(text);
        OfferWritten(text + FirstFilesText(target.Files, int(target.Files.size())),
                     target.Files.value(0), written);
        return;
    }
    NotifyRunEnd(tr("The MP3 has been extracted: ") + QFileInfo(written).fileName());
    const QFileInfo file(written);
    const QString text = tr("The MP3 has been extracted successfully.\n%1\nin %2\nDo you want "
                            "to play the MP3 now?")
                             .arg(file.fileName(), file.absolutePath());
    OfferWritten(text, written, file.absolutePath());
}

QString TMainFrm::FirstFilesText(const QStringList& files, int count) {
    // The box's text area holds a few lines: the first files, and how many follow.
    constexpr int Shown = 3;
    QString text;
    for (int k = 0; k < std::min({Shown, count, int(files.size())}); ++k)
        text += QStringLiteral("\n  ") + QFileInfo(files[k]).fileName();
    if (count > Shown)
        text += QStringLiteral("\n  ") + tr("... and %1 more").arg(count - Shown);
    return text;
}

void TMainFrm::OfferWritten(const QString& text, const QString& play, const QString& folder) {
    // The output's worker waits for the handler that calls this: ask once it has been let
    // go, so that closing the window while the question is up cannot wait on a waiting
    // worker.
    QTimer::singleShot(0, qApp, [text, play, folder] {
        Guarded([&] {
            const int answer =
                AskWithCancel(1, text, tr("&Play"), tr("Open &folder"), tr("&Close"));
            if (answer == 0)
                return;
            const QString target = answer == 1 ? play : folder;
            if (!shell::OpenUrl(QUrl::fromLocalFile(target)))
                ShowMessageBox(
                    0,
                    answer == 1
                        ? tr("No program of this desktop plays the file:\n %1").arg(target)
                        : tr("No program of this desktop opens the folder:\n %1").arg(target),
                    tr("&Close"), tr("&Help"));
        });
    });
}

void TMainFrm::MP3OutThreadException(const QString& Message) {
    NotifyRunEnd(tr("The rip failed: ") + Message);
    const QStringList& titles = RunSession->Target().Titles;
    const int count = int(titles.size());
    if (count <= 1) {
        ShowRunFailure(Message);
        return;
    }
    TMP3Out* out = RunSession->MP3Out.get();
    const int failed = std::clamp(out ? out->FailedJob() : 0, 0, count - 1);
    const int written = out ? out->Progress().JobsWritten : 0;
    QString text = tr("Track %1 of %2 failed: ").arg(failed + 1).arg(count) + titles[failed] +
                   QStringLiteral("\n") + Message;
    if (written == 1)
        text += tr("\nTrack 1 has been ripped.");
    else if (written > 1)
        text += tr("\nTracks 1 to %1 have been ripped.").arg(written);
    ShowRunFailure(text);
}

void TMainFrm::ShowKeptAfterCancel(const QString& file) {
    // As with a finished run, the worker is let go before the box comes up.
    QTimer::singleShot(0, this, [file] {
        Guarded([&] {
            ShowMessageBox(1,
                           tr("The rip had already finished when it was cancelled.\n"
                              "The MP3 file was kept:\n ") +
                               file,
                           tr("&Close"), tr("&Help"));
        });
    });
}

void TMainFrm::ShowCancelOutcome(int written) {
    const TRunTarget& target = RunSession->Target();
    const int count = int(target.Files.size());
    if (count < 2)
        return; // a single rip leaves no file when cancelled, as the user expects
    written = std::clamp(written, 0, count);
    QString text;
    if (written == 0) {
        text = tr("The rip was cancelled before its first track was complete.\nNo file was "
                  "written in\n %1")
                   .arg(target.Output);
    } else {
        text = tr("The rip was cancelled after %1 of %2 tracks.\nKept in %3:")
                   .arg(written)
                   .arg(count)
                   .arg(target.Output);
        text += FirstFilesText(target.Files, written);
    }
    // As with a finished run, the worker is let go before the box comes up.
    QTimer::singleShot(
        0, this, [text] { Guarded([&] { ShowMessageBox(1, text, tr("&Close"), tr("&Help")); }); });
}

void TMainFrm::ShowRunFailure(const QString& reason) {
    ReturnToIdle();
    ShowMessageBox(0, reason, tr("&Close"), tr("&Help"));
}

void TMainFrm::FocusNeutralPlace() {
    QWidget* focused = focusWidget();
    if (!focused || focused == outputFileEdit || focused == SaveFileBtn ||
        focused == AudioTrackBox || focused == TitleBox || focused == AngleBox ||
        focused == ChapterBox || focused == MP3SettingsEdit || focused == Id3TagEdit ||
        focused == CancelBtn || focused == ExtractBtn)
        VideoWin->setFocus(Qt::OtherFocusReason);
}

void TMainFrm::StopRunForClose() {
    if (RunSession->StopForClose())
        ReturnToIdle();
}

TRunInput* TMainFrm::RunInput() const {
    return RunSession->Input();
}
