#pragma once

// Opens a source for the main window's preview on a thread of its own, so the window keeps
// painting and answering while a slow disc or a large file opens: a DVD becomes one of its
// titles, a file without sound is told apart from one that cannot be read at all, the
// audio streams are listed, the preview graph renders the source and plays a moment (the
// first picture shows), then pauses. The outcome reaches the GUI thread by a queued call.
//
// Usage (GUI thread): Start an opening with the work handed to a thread starter (the
// window's StartOpenWorker, which tests replace; StartThread by default), Wait, read
// Result, JoinThread.
//
// Threads: made, used and destroyed on the GUI thread. The opening's work
// (OpenSourceWorker) runs on the opening thread and writes only FResult, which the GUI
// thread reads once `finished` has been delivered; the graph calls it makes are the ones
// TFilterGraph allows its opening worker.

#include "app/dvd_choice.h"
#include "media/media_audio_stream.h"
#include "mediagraph/media_interfaces.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class QThread;
class TFilterGraph;
namespace media {
enum class TMediaContent;
}

// What an opening found.
struct TOpenedSource {
    bool opened = false; // the preview holds the source, paused near its start
    // Why not, when it failed: a DVD that cannot be used, else what the file holds
    // (Sound: it holds sound that could not be played).
    QString dvdError;
    media::TMediaContent content{};
    TDvdChoice dvd;                      // the title opened (an empty locator for a file)
    std::vector<TMediaTrackInfo> tracks; // its audio streams (empty: the primary one alone)
    // Its chapters: the DVD title's, or those the file's container marks (none: none).
    std::vector<TSourceChapter> chapters;
    std::shared_ptr<media::IMediaSeeking> seeking; // the preview graph's transport
    std::shared_ptr<media::IMediaControl> control;
};

class TSourceOpener : public QObject {
    Q_OBJECT
public:
    using TThreadStarter = std::function<bool(std::function<void()> work)>;

    TSourceOpener(TFilterGraph* graph, QObject* parent);
    // Waits for an opening still going.
    ~TSourceOpener() override;

    // Opens `fileName` (of a DVD, title `title`, 0 = the longest, in camera angle `angle`)
    // into the graph, its work run by `startThread`; false when that could not make a thread
    // (nothing was opened).
    bool Start(const QString& fileName, int title, int angle, const TThreadStarter& startThread);
    // Starts `work` on a new thread at the highest normal priority; false when the system
    // gives none.
    bool StartThread(std::function<void()> work);
    // Runs the GUI thread's events in a local loop until the opening has ended.
    void Wait();
    // Lets the thread of the last opening go, once it has ended.
    void JoinThread();
    // An opening that could not be finished (its thread let go): it counts as a failed one.
    void Abandon();

    // An opening has ended (whatever it found) and no other is going.
    bool Settled() const { return FState == TState::Ended; }
    const TOpenedSource& Result() const { return FResult; }

signals:
    // The opening has ended: Result tells what it found.
    void finished();

private:
    enum class TState { Idle, Pending, Ended };

    // The opening thread's work.
    void OpenSourceWorker(const QString& fileName, int title, int angle);
    void Finish();

    TFilterGraph* FGraph;
    TState FState = TState::Idle;
    TOpenedSource FResult; // written by the opening thread while Pending
    // Set by the opening thread after its last write; read on the GUI thread before the
    // result is. The queued call and QThread::wait already order the two, but inside Qt,
    // where thread checkers cannot see it: this says it in our own code.
    std::atomic<bool> FWorkDone = false;
    std::unique_ptr<QThread> FThread;
};
