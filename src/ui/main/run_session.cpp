#include "ui/main/run_session.h"

#include "app/common.h"
#include "app/output_settings.h"
#include "app/settings.h"
#include "app/track_jobs.h"
#include "audio/pipeline/audio_file_reader.h"
#include "ui/main/run_input.h"

#include <QTimer>

TRunSession::TRunSession(QObject* parent)
    : QObject(parent), MP3Out(std::make_unique<TMP3Out>()), Timer2(new QTimer(this)) {
    MP3Out->setObjectName(QStringLiteral("MP3Out"));
    MP3Out->SetSuspendWhenIdle(true);
    MP3Out->SetFileMode(foRewrite);
    ApplyFormValues(*MP3Out);
    Timer2->setInterval(100);

    MP3Out->OnDone = [this](QObject*) { OutputDone(); };
    // The worker waits for this handler (or Run does, for a failure while preparing): the
    // failure is told on a later turn of the event loop, with the number of its run.
    MP3Out->OnThreadException = [this](QObject*, const std::exception& e) {
        const QString message = ExceptionMessage(e);
        const uint64_t run = MP3Out->EventRun();
        QMetaObject::invokeMethod(
            this, [this, run, message] { OutputFailed(run, message); }, Qt::QueuedConnection);
    };
}

TRunSession::~TRunSession() {
    MP3Out.reset();
    FInput.reset();
}

void TRunSession::Start(const TRunTarget& target, const QString& source, int audioTrack,
                        const std::vector<TTrackJob>& jobs, const TAppSettings& settings,
                        const QByteArray& cover) {
    FTarget = target;
    MP3Out->FileName = jobs[0].FileName;
    // The previous run is over (the output is idle), so its input is no longer read.
    MP3Out->SetInput(nullptr);
    FInput.reset();
    FInput = std::make_unique<TRunInput>(nullptr);
    MP3Out->SetInput(FInput->Input());
    FInput->SetFormat(RipInputFormat(settings));
    FInput->SetFileName(source);
    FInput->SetAudioTrack(audioTrack);
    FInput->SetDownmix(RipDownmix(settings));
    FInput->OpenSource();
    // An MP3 that keeps the source's rate learns it from the stream once open; one an MP3
    // cannot have is read again, from the file already open, at the rate of its family.
    TAppSettings run = settings;
    if (KeepsSourceRate(settings)) {
        const int32_t own = FInput->Reader().StreamFormat.sampleRate;
        run.AudioSampleRate = RipSampleRate(settings, {}, own);
        if (run.AudioSampleRate != own)
            FInput->ReopenAtRate(run.AudioSampleRate);
    }
    ConfigureRipOutput(*MP3Out, run);
    MP3Out->Cover.assign(cover.begin(), cover.end());
    MP3Out->Tracks = RipJobs(jobs, FInput->Reader());
    FClock.start();
    MP3Out->Run();
    FActiveRun = MP3Out->RunNumber();
}

TMP3Out::TProgress TRunSession::Progress() {
    const TMP3Out::TProgress p = MP3Out->Progress();
    if (p.Seeking)
        FClock.start();
    return p;
}

void TRunSession::Cancel() {
    MP3Out->Abort();
    FCancelledRun = FActiveRun;
    FCancelledFile = FTarget.Output;
    FActiveRun = 0;
}

bool TRunSession::StopForClose() {
    if (!MP3Out || !MP3Out->Busy())
        return false;
    FActiveRun = FCancelledRun = 0;
    MP3Out->OnDone = nullptr;
    MP3Out->OnThreadException = nullptr;
    MP3Out.reset();
    return true;
}

void TRunSession::OutputDone() {
    const uint64_t run = MP3Out->EventRun();
    if (run == FCancelledRun) {
        FCancelledRun = 0;
        if (!MP3Out->LastRunAborted())
            emit keptAfterCancel(FCancelledFile);
        else
            emit cancelled(MP3Out->Progress().JobsWritten);
        return;
    }
    if (run != FActiveRun)
        return; // an earlier run's, late
    FActiveRun = 0;
    emit done(MP3Out->LastRunAborted());
}

void TRunSession::OutputFailed(uint64_t run, const QString& message) {
    if (run == FCancelledRun)
        FCancelledRun = 0; // cancelled: nothing was written, nothing to tell
    if (run != FActiveRun)
        return;
    FActiveRun = 0;
    emit failed(message);
}
