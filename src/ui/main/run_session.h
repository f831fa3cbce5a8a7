#pragma once

// The rips of the main window: the MP3 output (made once, with the encoder library it
// loads), the run's input made afresh for each run, the progress timer and clock, and the
// numbers of the run the window shows and of the one last cancelled. The output's events
// name their run; only those of these two runs get through, as `done`, `keptAfterCancel`,
// `cancelled` and `failed`.
//
// Threads: made, used and destroyed on the GUI thread. The output's worker and its
// engine's pool read the run's input; the output's OnDone reaches the GUI thread
// synchronously (`done` and `keptAfterCancel` are emitted inside it, while the worker
// waits), OnThreadException is queued to a later turn of the event loop here.

#include "audio/rip/mp3_out.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

class QTimer;
class TRunInput;
struct TAppSettings;
struct TTrackJob;

// What a run writes, as the window tells of it.
struct TRunTarget {
    QString Output;     // the file, or the folder of a track list
    QString Folder;     // to remember as the output folder once written (empty: beside the source)
    QStringList Titles; // of its tracks
    QStringList Files;  // of its tracks, in their order
};

class TRunSession : public QObject {
    Q_OBJECT
public:
    // Loads the encoder library: raises EAudioException when it cannot.
    explicit TRunSession(QObject* parent = nullptr);
    // The output goes first: its worker may still read the run's input.
    ~TRunSession() override;

    // The output; null once a close stopped a run (StopForClose).
    std::unique_ptr<TMP3Out> MP3Out;
    QTimer* Timer2; // the shown run's progress, every 100 ms

    // The output can take a run: it is there and idle (a cancelled run's worker may
    // still be letting go of its file).
    bool Ready() const { return MP3Out && !MP3Out->Busy(); }
    // Starts the rip of `jobs` from `source` (audio track `audioTrack`: 1-based, 0 the
    // primary one) at the settings' rate, with `cover`; the previous run's input goes
    // first. Raises what keeps the run from starting.
    void Start(const TRunTarget& target, const QString& source, int audioTrack,
               const std::vector<TTrackJob>& jobs, const TAppSettings& settings,
               const QByteArray& cover);
    // The run the window shows, and what it writes.
    bool Showing() const { return MP3Out && FActiveRun != 0; }
    const TRunTarget& Target() const { return FTarget; }
    // How far the shown run has come; while it seeks its start the clock starts again,
    // so the speed is the reading's, from where the range starts.
    TMP3Out::TProgress Progress();
    // Wall time of the shown run, in milliseconds.
    int64_t ElapsedMs() const { return FClock.elapsed(); }
    // Stops the shown run at the output's next step; the output removes its unfinished
    // files. Should the run have ended by itself a moment ago, its OnDone, still on its
    // way, tells what became of the file (`keptAfterCancel`).
    void Cancel();
    // Destroys the output of a run still going, which stops its worker and discards the
    // unfinished file; whatever it was reporting is dropped with it. True when a run was
    // stopped.
    bool StopForClose();
    // The last run's input (null before the first run).
    TRunInput* Input() const { return FInput.get(); }

signals:
    // The shown run has ended; `aborted`: by Abort, nothing was written.
    void done(bool aborted);
    // The run last cancelled had already finished: its file stays.
    void keptAfterCancel(const QString& file);
    // The run last cancelled stopped as asked; the first `written` of its files were
    // complete before and stay.
    void cancelled(int written);
    // The shown run failed; `message` says why.
    void failed(const QString& message);

private:
    void OutputDone();
    void OutputFailed(uint64_t run, const QString& message);

    std::unique_ptr<TRunInput> FInput;
    QElapsedTimer FClock;
    TRunTarget FTarget;
    // The output's run the window shows (0: none), and the one last cancelled with the
    // file it was writing.
    uint64_t FActiveRun = 0;
    uint64_t FCancelledRun = 0;
    QString FCancelledFile;
};
