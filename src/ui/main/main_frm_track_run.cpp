// TMainFrm: the rip of a track list: every track's file checked before the first is
// written, one run of the pipeline per track (TTrackRun), one progress bar, one Cancel,
// one box at the end.
#include "ui/main/main_frm.h"

#include "app/common.h"
#include "app/globals.h"
#include "app/output_settings.h"
#include "app/progress_caption.h"
#include "app/track_names.h"
#include "app/track_run.h"
#include "audio/mp3_out.h"
#include "platform/shell.h"
#include "ui/dialogs/msg_frm.h"
#include "ui/main/main_frm_util.h"
#include "ui/skin/caption_progress_bar.h"
#include "ui/skin/skin_panel.h"
#include "ui/skin/speed_button.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QTimer>
#include <QUrl>

namespace {
constexpr int64_t kTicksPerMs = 10000;
} // namespace

bool TMainFrm::TrackRunBusy() const {
    return FTrackRun && FTrackRun->Running();
}

void TMainFrm::ExtractTracks() {
    // The output names the folder; a name with fields in it is the pattern of the names.
    const QString output = NormaliseOutputPath(outputFileEdit->text());
    outputFileEdit->setText(output);
    QString folder = FolderPart(output);
    const QString namePart = output.mid(folder.size());
    const QString pattern = namePart.contains(u'%') ? namePart : DefaultTrackPattern;

    const int count = int(FTrackList.Tracks.size());
    std::vector<TTrackJob> jobs;
    std::vector<TTrackNameFields> names;
    MakeTrackJobs(FTrackList, CurrentTag, false, jobs, names);
    auto refuse = [this](const QString& text) {
        ShowMessageBox(0, text, QStringLiteral("&Close"), QStringLiteral("&Help"));
        outputFileEdit->setFocus();
    };
    QStringList paths;
    try {
        paths = TrackFilePaths(folder, pattern, names);
    } catch (const ETrackListError& e) {
        refuse(e.Message());
        return;
    }
    QStringList existing;
    for (int k = 0; k < count; ++k) {
        if (SameFile(paths[k], sourceFileEdit->text())) {
            refuse(QStringLiteral("Track %1's file would replace the source file:\n ").arg(k + 1) +
                   paths[k] + QStringLiteral("\nChoose another output folder."));
            return;
        }
        if (QFileInfo::exists(paths[k]))
            existing << paths[k];
    }
    if (!existing.isEmpty()) {
        const int answer = ShowMessageBox(
            2,
            QStringLiteral("%1 of the tracks' files exist already, the first:\n ")
                    .arg(existing.size()) +
                existing.first() + QStringLiteral("\nDo you want to overwrite them?"),
            QStringLiteral("&Yes"), QStringLiteral("&No"));
        if (answer != 1) {
            outputFileEdit->setFocus();
            return;
        }
    }
    if (!QDir(folder).exists()) {
        const QString made = MakeOutputFolder(folder);
        if (made.isEmpty())
            return;
        folder = made;
        paths = TrackFilePaths(folder, pattern, names);
    }
    for (int k = 0; k < count; ++k)
        jobs[size_t(k)].FileName = paths[k];
    if (folder != FolderPart(sourceFileEdit->text()))
        AppSettings.OutputFileDir = folder;
    FTrackRunFolder = folder;

    // The previous run is over: its worker has let go (TrackRunBusy was false).
    FTrackRun.reset();
    FTrackRun = std::make_unique<TTrackRun>();
    FTrackRun->Source = MediaSource();
    FTrackRun->AudioTrack = FAudioTrack;
    FTrackRun->SampleRate = SampleRateHz(SampleRateFor(AppSettings.AudioSampleRate));
    FTrackRun->Configure = [](TMP3Out& out) {
        // The form's values of the window's own output, then the settings.
        out.Quality = ql2;
        out.VBRQuality = ql2;
        out.Original = false;
        ConfigureOutput(out, AppSettings, CurrentTag);
    };
    FTrackRun->Jobs = std::move(jobs);
    connect(FTrackRun.get(), &TTrackRun::finished, this,
            [this](bool aborted) { Guarded([&] { TrackRunFinished(aborted); }); });
    connect(FTrackRun.get(), &TTrackRun::failed, this, [this](int number, const QString& why) {
        Guarded([&] { TrackRunFailed(number, why); });
    });

    ProgressBar->setMinimum(0);
    ProgressBar->setMaximum(int(FTrackRun->TotalTime() / kTicksPerMs));
    ProgressBar->setValue(0);
    ProgressBar->setCaption(QStringLiteral("Track 1 of %1").arg(count));
    EnableRunControls(false);
    ProgressPanel->show();
    ProgressPanel->raise();
    QCoreApplication::processEvents();
    if (FClosed) {
        ReturnToIdle();
        return;
    }
    FRunClock.start();
    FTrackRun->Start();
    Timer2->start();
}

void TMainFrm::ShowTrackRunProgress() {
    const int64_t doneMs = FTrackRun->DoneTime() / kTicksPerMs;
    const int64_t totalMs = FTrackRun->TotalTime() / kTicksPerMs;
    ProgressBar->setValue(int(std::min(doneMs, totalMs)));
    ProgressBar->setCaption(QStringLiteral("Track %1 of %2 · ")
                                .arg(std::max(FTrackRun->CurrentTrack(), 1))
                                .arg(FTrackRun->TrackCount()) +
                            TProgressCaption(0, totalMs, doneMs, FRunClock.elapsed()).Text());
}

void TMainFrm::TrackRunFinished(bool Aborted) {
    if (Aborted) // Cancel has made the window idle already
        return;
    ProgressBar->setValue(ProgressBar->maximum());
    ReturnToIdle();
    const int count = FTrackRun ? FTrackRun->TrackCount() : 0;
    const QString folder = FTrackRunFolder;
    const QString text = QStringLiteral("%1 tracks ripped to\n ").arg(count) + folder;
    NotifyRunEnd(text);
    QTimer::singleShot(0, this, [text, folder] {
        Guarded([&] {
            const int answer = ShowMessageBox(1, text + QStringLiteral("\nOpen the folder?"),
                                              QStringLiteral("&Yes"), QStringLiteral("&No"));
            if (answer == 1)
                shell::OpenUrl(QUrl::fromLocalFile(folder));
        });
    });
}

void TMainFrm::TrackRunFailed(int Number, const QString& Message) {
    const int count = FTrackRun ? FTrackRun->TrackCount() : 0;
    const QString title = FTrackRun ? FTrackRun->Jobs[size_t(Number - 1)].Tag.Title : QString();
    QString text = QStringLiteral("Track %1 of %2 failed: ").arg(Number).arg(count) + title +
                   QStringLiteral("\n") + Message;
    if (Number == 2)
        text += QStringLiteral("\nTrack 1 has been ripped.");
    else if (Number > 2)
        text += QStringLiteral("\nTracks 1 to %1 have been ripped.").arg(Number - 1);
    NotifyRunEnd(QStringLiteral("The rip failed: ") + Message);
    ShowRunFailure(text);
}
