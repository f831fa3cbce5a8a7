#include "ui/main/source_opener.h"

#include "media/container_chapters.h"
#include "media/media_input.h"
#include "preview/filter_graph.h"

#include <QEventLoop>
#include <QThread>

#include <chrono>
#include <thread>

namespace {

// Opens `fileName` into `graph` as the opening thread does; true when the preview holds it.
bool OpenInto(TFilterGraph& graph, const QString& fileName, int title, int angle,
              TOpenedSource& r) {
    // A DVD opens as one of its titles: the preview, the overview and the rip read the
    // title, and its streams are the IFO's.
    try {
        ChooseDvdTitle(fileName, title, r.dvd, angle);
    } catch (const EDvdError& e) {
        r.dvdError = e.Message();
        return false;
    }
    const QString source = r.dvd.locator.isEmpty() ? fileName : r.dvd.locator;
    // FFmpeg shows nearly anything, a text file too, as a "video": a ripper wants a sound
    // track, and says at once when there is none.
    {
        media::TMediaInput probe;
        if (!media::Failed(media::OpenMediaInput(source, probe))) {
            r.content = media::MediaContent(probe);
            // A file's chapters end where the preview's time line does.
            const int64_t length = probe.format->duration;
            r.chapters = r.dvd.locator.isEmpty()
                             ? media::ContainerChapters(
                                   probe.format.get(),
                                   length > 0 ? TMediaTime::FromMicroseconds(length) : TMediaTime())
                             : r.dvd.ChapterList();
        }
    }
    if (r.content != media::TMediaContent::Sound)
        return false;
    if (TMediaAudioStream::ListAudioTracks(source, r.tracks) != media::S_OK)
        r.tracks.clear(); // no choice offered; the primary track is used
    if (!r.dvd.locator.isEmpty() && !r.tracks.empty())
        graph.SetAudioStreamIndex(r.tracks.front().streamIndex);
    if (graph.RenderFile(source) < 0)
        return false;
    r.seeking = graph.Query<media::IMediaSeeking>();
    r.control = graph.Query<media::IMediaControl>();

    // A moment of play puts the first picture in the preview.
    graph.Play();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    graph.Pause();
    return true;
}

} // namespace

TSourceOpener::TSourceOpener(TFilterGraph* graph, QObject* parent)
    : QObject(parent), FGraph(graph) {}

TSourceOpener::~TSourceOpener() {
    JoinThread();
}

bool TSourceOpener::Start(const QString& fileName, int title, int angle,
                          const TThreadStarter& startThread) {
    JoinThread();
    FWorkDone = false;
    FResult = TOpenedSource();
    FResult.content = media::TMediaContent::Sound;
    FState = TState::Pending;
    if (startThread([this, fileName, title, angle] { OpenSourceWorker(fileName, title, angle); }))
        return true;
    FState = TState::Idle;
    return false;
}

bool TSourceOpener::StartThread(std::function<void()> work) {
    std::unique_ptr<QThread> thread(QThread::create(std::move(work)));
    if (!thread)
        return false;
    thread->start(QThread::HighestPriority);
    if (!thread->isRunning() && !thread->isFinished())
        return false; // the system refused a thread
    FThread = std::move(thread);
    return true;
}

void TSourceOpener::OpenSourceWorker(const QString& fileName, int title, int angle) {
    try {
        FResult.opened = OpenInto(*FGraph, fileName, title, angle, FResult);
    } catch (...) {
        FResult.opened = false; // a graph that raises is a source that cannot be opened
    }
    FWorkDone.store(true, std::memory_order_release);
    // The GUI thread reads the result once this call has reached it.
    QMetaObject::invokeMethod(this, &TSourceOpener::Finish, Qt::QueuedConnection);
}

void TSourceOpener::Finish() {
    FWorkDone.load(std::memory_order_acquire);
    FState = TState::Ended;
    emit finished();
}

void TSourceOpener::Wait() {
    if (FState != TState::Pending)
        return;
    // The window keeps handling its messages; handlers guarded by IsIdle refuse to act.
    QEventLoop loop;
    connect(this, &TSourceOpener::finished, &loop, &QEventLoop::quit);
    loop.exec();
}

void TSourceOpener::JoinThread() {
    if (!FThread)
        return;
    FThread->wait();
    FWorkDone.load(std::memory_order_acquire);
    FThread.reset();
}

void TSourceOpener::Abandon() {
    JoinThread();
    FState = TState::Ended;
}
