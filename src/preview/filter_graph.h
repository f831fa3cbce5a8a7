#pragma once

// TFilterGraph: the non-visual component that owns the preview's platform graph.
//
// How the main window uses it:
//   FilterGraph->SetActive(true);              // a new graph holding the video window's renderer
//   FilterGraph->RenderFile(path);             // HRESULT; raises EDirectShowException on failure
//   auto seeking = FilterGraph->Query<media::IMediaSeeking>();   // also IMediaControl, IBasicAudio
//   FilterGraph->Play(); FilterGraph->Pause(); FilterGraph->Stop();
//   FilterGraph->ClearGraph(); FilterGraph->SetActive(false);
// Graph events (EC_COMPLETE when the end is reached, ...) arrive on the main thread as
// OnDSEvent and the per-code events, and at every IGraphEventSink.
//
// Threads: made, destroyed and (de)activated on the main thread, which also handles
// every event. RenderFile, Query, Play, Pause and Stop may be called from the opening
// worker while the main thread keeps pumping events; the component takes no lock, so
// callers must not run those concurrently with (de)activation.

#include "preview/graph_member.h"

#include "mediagraph/media_interfaces.h"

#include <QFile>
#include <QObject>

#include <functional>
#include <memory>
#include <vector>

class TFilterGraph : public QObject,
                     public media::IServiceProvider,
                     public media::IAMFilterGraphCallback,
                     public media::IAMGraphBuilderCallback {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(QObject* sender)>;
    using TResultEvent = std::function<void(QObject* sender, media::HRESULT Result)>;
    using TParamsEvent =
        std::function<void(QObject* sender, media::LONG_PTR Param1, media::LONG_PTR Param2)>;
    using TFlagEvent = std::function<void(QObject* sender, bool Flag)>;

    // The id under which QueryService hands out the owning component.
    static const QUuid ComponentServiceId;

    explicit TFilterGraph(QObject* owner = nullptr);
    ~TFilterGraph() override;

    // --- published state ---
    bool Active() const { return FActive; }
    void SetActive(bool value);
    bool AutoCreate() const { return FAutoCreate; }
    void SetAutoCreate(bool value) { FAutoCreate = value; }
    int Volume() const { return FVolume; } // 0..10000, linear
    void SetVolume(int value);
    int Balance() const { return FBalance; } // -10000..10000
    void SetBalance(int value);
    double Rate() const { return FRate; }
    void SetRate(double value);
    bool LinearVolume() const { return FLinearVolume; }
    void SetLinearVolume(bool value);
    bool GraphEdit() const { return FGraphEdit; }
    void SetGraphEdit(bool value);
    QString LogFile() const { return FLogFile; }
    void SetLogFile(const QString& path);

    // Called when loading from the form description is done.
    void Loaded();

    // --- operations ---
    // The audio stream RenderFile plays (FFmpeg's stream index, as TMediaTrackInfo gives
    // it); -1, the default, plays the source's first audio stream.
    int AudioStreamIndex() const { return FAudioStreamIndex; }
    void SetAudioStreamIndex(int index) { FAudioStreamIndex = index; }

    // S_FALSE without a graph; otherwise the platform's code (failures raise).
    media::HRESULT RenderFile(const QString& path);
    bool Play();
    bool Pause();
    bool Stop();
    void DisconnectFilters();
    // Stops, disconnects everything and removes every filter but the members' own.
    void ClearGraph();
    void UpdateGraph();

    void InsertMember(IGraphMember* member);
    void RemoveMember(IGraphMember* member);
    void InsertEventSink(IGraphEventSink* sink);
    void RemoveEventSink(IGraphEventSink* sink);
    int MemberCount() const { return FMembers ? static_cast<int>(FMembers->size()) : 0; }
    int SinkCount() const { return FSinks ? static_cast<int>(FSinks->size()) : 0; }
    bool HasMemberList() const { return FMembers != nullptr; }
    bool HasSinkList() const { return FSinks != nullptr; }

    // The interface query: the component's own interfaces first, then (while active)
    // the graph's. Null when there is none.
    template <class I> std::shared_ptr<I> Query() {
        if (auto* own = dynamic_cast<I*>(this))
            return std::shared_ptr<I>(std::shared_ptr<void>(), own); // not owned
        if (!FActive)
            return nullptr;
        return media::QueryInterface<I>(FGraph);
    }

    // Overridable event dispatch (sinks, OnDSEvent, then the per-code event).
    virtual void DoEvent(long code, media::LONG_PTR param1, media::LONG_PTR param2);
    // Drains the graph's event queue; runs on each notification.
    void HandleEvents();

    // Volume and balance conversions of the linear scales (see the .cpp for the curve).
    static long LinearToVolume(int value);
    static long LinearToBalance(int value);

    // Receives exceptions raised while handling graph events (default: a warning in
    // the log). The application sets its standard error report here.
    static void SetExceptionReporter(std::function<void(const std::exception&)> reporter);
    static void ReportException(const std::exception& e);

    // IServiceProvider, IAMFilterGraphCallback, IAMGraphBuilderCallback
    media::HRESULT QueryService(const QUuid& service, const QUuid& iid,
                                media::IUnknown*& object) override;
    media::HRESULT UnableToRender(media::IPin* pin) override;
    media::HRESULT SelectedFilter(media::IMoniker* moniker) override;
    media::HRESULT CreatedFilter(media::IBaseFilter* filter) override;

    // --- published events ---
    TNotifyEvent OnActivate;
    std::function<void(QObject* sender, long Event, media::LONG_PTR Param1, media::LONG_PTR Param2)>
        OnDSEvent;
    std::function<void(QObject* sender, media::HRESULT Result, media::LONG_PTR Renderer)>
        OnGraphComplete;
    TNotifyEvent OnGraphUserAbort;
    TResultEvent OnGraphErrorAbort;
    TParamsEvent OnGraphStreamErrorStopped;      // Operation, Value
    TParamsEvent OnGraphStreamErrorStillPlaying; // Operation, Value
    TResultEvent OnGraphErrorStillPlaying;
    TNotifyEvent OnGraphPaletteChanged;
    std::function<void(QObject* sender, int Width, int Height)> OnGraphVideoSizeChanged;
    TNotifyEvent OnGraphQualityChange;
    TNotifyEvent OnGraphClockChanged;
    TResultEvent OnGraphPaused;
    TFlagEvent OnGraphOpeningFile;
    TFlagEvent OnGraphBufferingData;
    std::function<void(QObject* sender, media::LONG_PTR Renderer)> OnGraphFullscreenLost;
    std::function<void(QObject* sender, const QString& String1, const QString& String2)>
        OnGraphOleEvent;
    TParamsEvent OnGraphStreamControlStopped; // PinSender, Cookie
    TParamsEvent OnGraphStreamControlStarted; // PinSender, Cookie
    std::function<void(QObject* sender, std::int64_t StreamTime, long NumSegment)>
        OnGraphEndOfSegment;
    std::function<void(QObject* sender, media::LONG_PTR Device, bool Removed)> OnGraphDeviceLost;
    TNotifyEvent OnGraphStepComplete;
    TParamsEvent OnGraphTimeCodeAvailable;   // From, DeviceID
    TParamsEvent OnGraphEXTDeviceModeChange; // NewMode, DeviceID
    TNotifyEvent OnGraphChanged;
    TNotifyEvent OnGraphClockUnset;
    std::function<void(QObject* sender, long RenderDevice)> OnGraphVMRRenderDevice;
    TParamsEvent OnGraphSNDDevInError;  // OccurWhen, ErrorCode
    TParamsEvent OnGraphSNDDevOutError; // OccurWhen, ErrorCode

    std::function<bool(media::IMoniker* Moniker, const QString& FilterName, const QUuid& ClassID)>
        OnSelectedFilter;
    std::function<bool(media::IBaseFilter* Filter, const QUuid& ClassID)> OnCreatedFilter;
    std::function<bool(media::IPin* Pin)> OnUnableToRender;

    // The platform graph (null while inactive); for the video window and tests.
    std::shared_ptr<media::IFilterGraph2> Graph() const { return FGraph; }

private:
    class TEventWindow;

    void BecomeActive();
    void BecomeInactive();
    void NotifyControl(TControlNotification kind, int param);
    void AddMemberFilter(IGraphMember* member);
    void RemoveMemberFilter(IGraphMember* member);
    void ApplyVolume();
    void ApplyBalance();
    void EnterGraphEdit();
    void RevokeGraphEdit();
    void DispatchEvent(long code, media::LONG_PTR p1, media::LONG_PTR p2);

    TEventWindow* FEventWindow;
    bool FActive = false;
    bool FAutoCreate = false;
    int FVolume = 10000;
    int FBalance = 0;
    double FRate = 1.0;
    bool FLinearVolume = true;
    bool FGraphEdit = false;
    std::uint32_t FTableCookie = 0;
    QString FLogFile;
    std::unique_ptr<QFile> FLogStream;
    std::unique_ptr<std::vector<IGraphMember*>> FMembers;
    std::unique_ptr<std::vector<IGraphEventSink*>> FSinks;
    std::shared_ptr<media::IFilterGraph2> FGraph;
    int FAudioStreamIndex = -1;
    std::shared_ptr<media::IMediaEventEx> FEventSource;
};
