// TMediaGraph: starting and stopping the streaming threads, seeks and the filters' states,
// all in step with the clock.
#include "mediagraph/media_graph.h"

#include "mediagraph/audio_renderer.h"
#include "mediagraph/decoder_filter.h"
#include "mediagraph/source_filter.h"
#include "mediagraph/video_renderer.h"

namespace media {

void TMediaGraph::StartStreaming() {
    const unsigned mask = (FVideoRenderer ? 1u << TMediaClock::stVideo : 0u) |
                          (FAudioRenderer ? 1u << TMediaClock::stAudio : 0u);
    FClock->Restart();
    FClock->SetStreams(mask, FVideoRenderer ? TMediaClock::stVideo : TMediaClock::stAudio);
    FClock->SetRate(FRate);
    int epoch;
    {
        std::lock_guard seek(*FSeekLock);
        epoch = FClock->NewEpoch(0);
    }
    FClock->SetState(FState);
    std::weak_ptr<TMediaGraph> weak = weak_from_this();
    auto source = FSource;
    // The decoder's retry holds no reference to the graph: a streaming thread must
    // never end up releasing the graph, whose destructor waits for that very thread.
    auto reseek = [clock = FClock, seekLock = FSeekLock,
                   weakSource = std::weak_ptr<TSourceFilter>(source)](
                      int epoch, REFERENCE_TIME target, REFERENCE_TIME margin) {
        if (auto s = weakSource.lock())
            Reseek(*clock, *seekLock, *s, epoch, target, margin);
    };
    source->Start(FClock, epoch);
    if (FVideoDecoder)
        FVideoDecoder->Start(source->VideoQueue(), FClock, FVideoRenderer, reseek);
    if (FAudioDecoder)
        FAudioDecoder->Start(source->AudioQueue(), FClock, FAudioRenderer, nullptr);
    auto hook = [weak] {
        if (auto g = weak.lock())
            g->StopStreaming();
    };
    for (const std::shared_ptr<TMediaFilter>& f :
         {std::static_pointer_cast<TMediaFilter>(FSource),
          std::static_pointer_cast<TMediaFilter>(FVideoDecoder),
          std::static_pointer_cast<TMediaFilter>(FAudioDecoder),
          std::static_pointer_cast<TMediaFilter>(FVideoRenderer),
          std::static_pointer_cast<TMediaFilter>(FAudioRenderer)})
        if (f)
            f->SetDisconnectHook(hook);
    FStreaming = true;
}

void TMediaGraph::StopStreaming() {
    std::lock_guard lock(FLock);
    if (!FStreaming)
        return;
    FStreaming = false;
    FClock->Shutdown();
    if (FSource)
        FSource->StopThread(); // also aborts the decoders' queues
    if (FVideoDecoder)
        FVideoDecoder->StopThread();
    if (FAudioDecoder)
        FAudioDecoder->StopThread();
    Log(QStringLiteral("Streaming stopped"));
}

void TMediaGraph::SeekTo(REFERENCE_TIME target) {
    std::lock_guard seek(*FSeekLock);
    if (!FStreaming || !FSource)
        return;
    const int epoch = FClock->NewEpoch(target);
    FSource->Seek(epoch, target, kFirstSeekMargin);
}

void TMediaGraph::Reseek(TMediaClock& clock, std::mutex& seekLock, TSourceFilter& source, int epoch,
                         REFERENCE_TIME target, REFERENCE_TIME margin) {
    // Called on the video decoder's thread: only the seek lock, never FLock, which a
    // stopping graph holds while it waits for that thread.
    std::lock_guard seek(seekLock);
    if (!clock.IsCurrent(epoch) || clock.Target() != target)
        return;
    const int next = clock.NewEpoch(target);
    source.Seek(next, target, margin);
}

void TMediaGraph::SetFilterStates(FILTER_STATE state) {
    for (const auto& e : FFilters) {
        if (state == FILTER_STATE::State_Running)
            e.filter->Run(0);
        else if (state == FILTER_STATE::State_Paused)
            e.filter->Pause();
        else
            e.filter->Stop();
    }
}

} // namespace media
