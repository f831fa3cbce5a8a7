#pragma once

// The filter graph (CLSID_FilterGraph): holds filters, renders a file into source,
// decoders and renderers (reusing an unconnected video renderer already in the graph,
// such as the one the video window adds), and drives playback.
//
//   IFilterGraph2   AddFilter / RemoveFilter / EnumFilters / RenderFile / SetLogFile
//   IMediaControl   Run / Pause / Stop / StopWhenReady / GetState
//   IMediaSeeking   media time (100 ns) or frames; SetPositions seeks: paused, the
//                   picture at the new position appears; running, play goes on from it
//   IBasicAudio     forwarded to the audio renderer (hundredths of a dB, balance)
//   IMediaEventEx   EC_COMPLETE when every stream has played to its end
//   IObjectWithSite the site's builder callbacks; IServiceProvider asks the site
//
// Streaming threads: the source's demux thread and one thread per decoder (the
// renderers pace on them), plus the sound device's thread. They start when a file is
// rendered and stop when any connection of the chain is broken, when one of its
// filters is removed, or when the graph is destroyed, always before it is released.
// Every method may be called from any thread; calls are serialised inside. Widgets are
// only touched on the GUI thread (see video_renderer.h).

#include "mediagraph/media_clock.h"
#include "mediagraph/media_event_queue.h"
#include "mediagraph/media_interfaces.h"

#include <atomic>
#include <mutex>
#include <vector>

struct AVStream;

namespace media {

class TSourceFilter;
class TDecoderFilter;
class TVideoRendererFilter;
class TAudioRendererFilter;
class TMediaFilter;

class TMediaGraph final : public IFilterGraph2,
                          public IMediaControl,
                          public IMediaSeeking,
                          public IBasicAudio,
                          public IMediaEventEx,
                          public IObjectWithSite,
                          public IServiceProvider,
                          public std::enable_shared_from_this<TMediaGraph> {
public:
    TMediaGraph();
    ~TMediaGraph() override;

    // IFilterGraph2
    HRESULT AddFilter(const std::shared_ptr<IBaseFilter>& filter, const QString& name) override;
    HRESULT RemoveFilter(const std::shared_ptr<IBaseFilter>& filter) override;
    HRESULT EnumFilters(std::shared_ptr<IEnumFilters>& e) override;
    HRESULT FindFilterByName(const QString& name, std::shared_ptr<IBaseFilter>& filter) override;
    HRESULT RenderFile(const QString& file, const QString& playList) override;
    // The audio stream the next RenderFile plays (FFmpeg's index; -1 the first one).
    void SetAudioStreamIndex(int index) { FAudioStreamIndex = index; }
    HRESULT SetLogFile(QIODevice* device) override;

    // IMediaControl
    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;
    HRESULT StopWhenReady() override;
    HRESULT GetState(long msTimeout, OAFilterState& state) override;

    // IMediaSeeking
    HRESULT IsFormatSupported(const QUuid& format) override;
    HRESULT SetTimeFormat(const QUuid& format) override;
    HRESULT GetTimeFormat(QUuid& format) override;
    HRESULT GetDuration(std::int64_t& duration) override;
    HRESULT GetCurrentPosition(std::int64_t& position) override;
    HRESULT SetPositions(std::int64_t* current, int currentFlags, std::int64_t* stop,
                         int stopFlags) override;
    HRESULT SetRate(double rate) override;
    HRESULT GetRate(double& rate) override;

    // IBasicAudio
    HRESULT put_Volume(long volume) override;
    HRESULT get_Volume(long& volume) override;
    HRESULT put_Balance(long balance) override;
    HRESULT get_Balance(long& balance) override;

    // IMediaEventEx
    HRESULT GetEvent(long& code, LONG_PTR& param1, LONG_PTR& param2, long msTimeout) override;
    HRESULT FreeEventParams(long code, LONG_PTR param1, LONG_PTR param2) override;
    HRESULT SetNotifyWindow(QObject* window, int message, LONG_PTR instance) override;
    HRESULT SetNotifyFlags(long flags) override;
    HRESULT GetNotifyFlags(long& flags) override;

    // IObjectWithSite: the site's builder callbacks are asked during RenderFile.
    HRESULT SetSite(IUnknown* site) override;
    // IServiceProvider: asks the site.
    HRESULT QueryService(const QUuid& service, const QUuid& iid, IUnknown*& object) override;

    // The video renderer playing the rendered file, if any (tests, statistics).
    std::shared_ptr<TVideoRendererFilter> VideoRenderer() const;
    bool Streaming() const;

private:
    struct Entry {
        std::shared_ptr<IBaseFilter> filter;
        QString name;
    };

    void Log(const QString& line);
    static QString Hex(HRESULT hr);            // "0x80040265", for the log
    static QString TimeText(REFERENCE_TIME t); // "h:mm:ss.mmm", for the log
    HRESULT AddFilterLocked(const std::shared_ptr<IBaseFilter>& filter, QString name);
    bool AskSelected(const QUuid& clsid, const QString& name);
    bool AskCreated(IBaseFilter* filter);
    void TellUnableToRender(IPin* pin);
    // A decoder for the stream, asked of the site, opened and named; null (logged) when the
    // site refuses it or it cannot decode the stream.
    std::shared_ptr<TDecoderFilter> OpenDecoder(TSourceFilter& source, AVStream* stream,
                                                const QUuid& clsid, QString& name);
    // Connects the source's "Video" or "Audio" pin through the decoder to the renderer.
    void ConnectChain(TSourceFilter& source, const QString& kind, TDecoderFilter& decoder,
                      TMediaFilter& renderer);
    bool RenderVideo(const std::shared_ptr<TSourceFilter>& source);
    bool RenderAudio(const std::shared_ptr<TSourceFilter>& source);
    std::shared_ptr<TVideoRendererFilter> FreeVideoRenderer();
    void StartStreaming();
    void StopStreaming();
    void DropSession();
    void SeekTo(REFERENCE_TIME target);
    static void Reseek(TMediaClock& clock, std::mutex& seekLock, TSourceFilter& source, int epoch,
                       REFERENCE_TIME target, REFERENCE_TIME margin);
    void SetFilterStates(FILTER_STATE state);
    REFERENCE_TIME FrameDuration() const;
    bool IsSessionFilter(const std::shared_ptr<IBaseFilter>& filter) const;

    mutable std::recursive_mutex
        FLock; // filters, session, state; never held while waiting on a thread's lock
    std::shared_ptr<std::mutex> FSeekLock =
        std::make_shared<std::mutex>(); // pairs a new epoch with its source seek
    std::mutex FLogLock;
    std::vector<Entry> FFilters;
    std::shared_ptr<TMediaClock> FClock = std::make_shared<TMediaClock>();
    TMediaEventQueue FEvents;
    QIODevice* FLog = nullptr;
    IUnknown* FSite = nullptr;
    FILTER_STATE FState = FILTER_STATE::State_Stopped;
    QUuid FTimeFormat;
    long FVolume = 0;
    long FBalance = 0;
    double FRate = 1.0;
    std::int64_t FStopPosition = -1;

    // The rendered chain.
    std::shared_ptr<TSourceFilter> FSource;
    std::atomic<int> FAudioStreamIndex{-1};
    std::shared_ptr<TDecoderFilter> FVideoDecoder, FAudioDecoder;
    std::shared_ptr<TVideoRendererFilter> FVideoRenderer;
    std::shared_ptr<TAudioRendererFilter> FAudioRenderer;
    bool FStreaming = false;
};

} // namespace media
