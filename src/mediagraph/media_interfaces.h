#pragma once

// The media layer's "interfaces": abstract classes obtained from an object by a typed
// query (QueryInterface<I>, a dynamic cast), lifetime by std::shared_ptr. Every one of
// them derives virtually from IUnknown so one object can offer several.
//
// Thread rules are those of the implementing object (see media_graph.h and the
// renderers); the interfaces themselves hold no state.

#include "mediagraph/media_types.h"

#include <QString>
#include <QVariant>

#include <memory>

class QIODevice;
class QObject;
class QRect;
class QWidget;

namespace media {

class IUnknown {
public:
    virtual ~IUnknown() = default;
};

// The typed query: the object's interface I, or null when it has none.
template <class I, class T> std::shared_ptr<I> QueryInterface(const std::shared_ptr<T>& p) {
    return std::dynamic_pointer_cast<I>(p);
}

class IBaseFilter;
class IFilterGraph;
class IPin;

struct PIN_INFO {
    std::shared_ptr<IBaseFilter> pFilter; // the pin's filter (null once the filter is gone)
    PIN_DIRECTION dir = PIN_DIRECTION::PINDIR_INPUT;
    QString achName;
};

struct FILTER_INFO {
    QString achName;
    std::shared_ptr<IFilterGraph> pGraph; // null while the filter is in no graph
};

class IPin : public virtual IUnknown {
public:
    // S_OK with the connected pin, VFW_E_NOT_CONNECTED when the pin is free.
    virtual HRESULT ConnectedTo(std::shared_ptr<IPin>& pin) = 0;
    // Breaks this pin's side of a connection: S_OK, or S_FALSE when it was free.
    virtual HRESULT Disconnect() = 0;
    virtual HRESULT QueryPinInfo(PIN_INFO& info) = 0;
    virtual HRESULT QueryDirection(PIN_DIRECTION& dir) = 0;
};

// One-at-a-time enumeration: Next answers S_OK with an item, S_FALSE at the end.
template <class I> class IEnum : public virtual IUnknown {
public:
    virtual HRESULT Next(std::shared_ptr<I>& item) = 0;
    virtual HRESULT Reset() = 0;
};
using IEnumPins = IEnum<IPin>;
using IEnumFilters = IEnum<IBaseFilter>;

class IBaseFilter : public virtual IUnknown {
public:
    virtual HRESULT EnumPins(std::shared_ptr<IEnumPins>& e) = 0;
    virtual HRESULT QueryFilterInfo(FILTER_INFO& info) = 0;
    virtual HRESULT GetClassID(QUuid& clsid) = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Run(REFERENCE_TIME start) = 0;
    virtual HRESULT GetState(unsigned msTimeout, FILTER_STATE& state) = 0;
    // Called by a graph when the filter enters it (graph non-null) or leaves it (null).
    virtual HRESULT JoinFilterGraph(const std::shared_ptr<IFilterGraph>& graph,
                                    const QString& name) = 0;
};

class IFilterGraph : public virtual IUnknown {
public:
    virtual HRESULT AddFilter(const std::shared_ptr<IBaseFilter>& filter, const QString& name) = 0;
    virtual HRESULT RemoveFilter(const std::shared_ptr<IBaseFilter>& filter) = 0;
    virtual HRESULT EnumFilters(std::shared_ptr<IEnumFilters>& e) = 0;
    virtual HRESULT FindFilterByName(const QString& name, std::shared_ptr<IBaseFilter>& filter) = 0;
};

class IGraphBuilder : public IFilterGraph {
public:
    // Builds source, decoders and renderers for a file. playList must be empty.
    virtual HRESULT RenderFile(const QString& file, const QString& playList) = 0;
    // A readable log of graph building goes to device (null: no log). The graph does not
    // own the device; the caller keeps it open until it passes null.
    virtual HRESULT SetLogFile(QIODevice* device) = 0;
};

class IFilterGraph2 : public IGraphBuilder {};

class IMediaControl : public virtual IUnknown {
public:
    virtual HRESULT Run() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT StopWhenReady() = 0;
    // Waits up to msTimeout for a state change to complete; VFW_S_STATE_INTERMEDIATE
    // when it has not.
    virtual HRESULT GetState(long msTimeout, OAFilterState& state) = 0;
};

class IMediaSeeking : public virtual IUnknown {
public:
    virtual HRESULT IsFormatSupported(const QUuid& format) = 0;
    virtual HRESULT SetTimeFormat(const QUuid& format) = 0;
    virtual HRESULT GetTimeFormat(QUuid& format) = 0;
    virtual HRESULT GetDuration(std::int64_t& duration) = 0;
    virtual HRESULT GetCurrentPosition(std::int64_t& position) = 0;
    // current / stop may be null with AM_SEEKING_NoPositioning.
    virtual HRESULT SetPositions(std::int64_t* current, int currentFlags, std::int64_t* stop,
                                 int stopFlags) = 0;
    virtual HRESULT SetRate(double rate) = 0;
    virtual HRESULT GetRate(double& rate) = 0;
};

class IBasicAudio : public virtual IUnknown {
public:
    virtual HRESULT put_Volume(long volume) = 0; // hundredths of a dB, -10000..0
    virtual HRESULT get_Volume(long& volume) = 0;
    virtual HRESULT put_Balance(long balance) = 0; // -10000 (left only)..10000 (right only)
    virtual HRESULT get_Balance(long& balance) = 0;
};

class IMediaEventEx : public virtual IUnknown {
public:
    // S_OK with the next event, E_ABORT when none arrived within msTimeout.
    virtual HRESULT GetEvent(long& code, LONG_PTR& param1, LONG_PTR& param2, long msTimeout) = 0;
    virtual HRESULT FreeEventParams(long code, LONG_PTR param1, LONG_PTR param2) = 0;
    // Each new event posts a MediaNotifyEvent (media_notify_event.h) to window, on the
    // window's thread. Null window: no notification.
    virtual HRESULT SetNotifyWindow(QObject* window, int message, LONG_PTR instance) = 0;
    // 1 (AM_MEDIAEVENT_NONOTIFY) stops the notifications, 0 turns them on.
    virtual HRESULT SetNotifyFlags(long flags) = 0;
    virtual HRESULT GetNotifyFlags(long& flags) = 0;
};

// The renderer's own window. Callable from any thread: the widget work is posted to
// the GUI thread.
class IVideoWindow : public virtual IUnknown {
public:
    virtual HRESULT put_Owner(QWidget* owner) = 0;
    virtual HRESULT get_Owner(QWidget*& owner) = 0;
    virtual HRESULT put_WindowStyle(long style) = 0;
    virtual HRESULT get_WindowStyle(long& style) = 0;
    virtual HRESULT put_WindowStyleEx(long style) = 0;
    virtual HRESULT get_WindowStyleEx(long& style) = 0;
    virtual HRESULT SetWindowPosition(long left, long top, long width, long height) = 0;
    virtual HRESULT GetWindowPosition(long& left, long& top, long& width, long& height) = 0;
    virtual HRESULT put_Caption(const QString& caption) = 0;
    virtual HRESULT get_Caption(QString& caption) = 0;
    virtual HRESULT put_MessageDrain(QWidget* drain) = 0;
    virtual HRESULT put_Visible(long visible) = 0; // OATRUE / OAFALSE
    virtual HRESULT get_Visible(long& visible) = 0;
};

// Renderer statistics.
class IQualProp : public virtual IUnknown {
public:
    virtual HRESULT get_FramesDroppedInRenderer(int& frames) = 0;
    virtual HRESULT get_FramesDrawn(int& frames) = 0;
};

class IPropertyBag : public virtual IUnknown {
public:
    virtual HRESULT Read(const QString& name, QVariant& value) = 0;
};

class IMoniker : public virtual IUnknown {
public:
    virtual HRESULT BindToStorage(std::shared_ptr<IPropertyBag>& bag) = 0;
};

class IObjectWithSite : public virtual IUnknown {
public:
    // The site is not owned: its owner clears it (null) before it goes away.
    virtual HRESULT SetSite(IUnknown* site) = 0;
};

class IServiceProvider : public virtual IUnknown {
public:
    virtual HRESULT QueryService(const QUuid& service, const QUuid& iid, IUnknown*& object) = 0;
};

// Asked by a graph while it renders a file, when its site offers them.
class IAMGraphBuilderCallback : public virtual IUnknown {
public:
    virtual HRESULT SelectedFilter(IMoniker* moniker) = 0; // failure: skip that filter
    virtual HRESULT CreatedFilter(IBaseFilter* filter) = 0;
};

class IAMFilterGraphCallback : public virtual IUnknown {
public:
    virtual HRESULT UnableToRender(IPin* pin) = 0;
};

// The mixing renderer's controls. No class of this layer implements them (the renderer's
// class is unregistered); they exist so the video window's code is complete.
enum class VMR9Mode : int {
    VMR9Mode_Windowed = 1,
    VMR9Mode_Windowless = 2,
    VMR9Mode_Renderless = 4
};
enum class VMR9AspectRatioMode : int { VMR9ARMode_None = 0, VMR9ARMode_LetterBox = 1 };

class IVMRFilterConfig9 : public virtual IUnknown {
public:
    virtual HRESULT SetRenderingMode(VMR9Mode mode) = 0;
    virtual HRESULT SetNumberOfStreams(unsigned streams) = 0;
    virtual HRESULT GetNumberOfStreams(unsigned& streams) = 0;
    virtual HRESULT SetRenderingPrefs(unsigned prefs) = 0;
    virtual HRESULT GetRenderingPrefs(unsigned& prefs) = 0;
};

class IVMRWindowlessControl9 : public virtual IUnknown {
public:
    virtual HRESULT SetVideoClippingWindow(QWidget* window) = 0;
    virtual HRESULT SetVideoPosition(const QRect* source, const QRect* destination) = 0;
    virtual HRESULT SetAspectRatioMode(VMR9AspectRatioMode mode) = 0;
};

class IVMRAspectRatioControl9 : public virtual IUnknown {
public:
    virtual HRESULT SetAspectRatioMode(VMR9AspectRatioMode mode) = 0;
};

class IVMRSurfaceAllocator9;

class IVMRSurfaceAllocatorNotify9 : public virtual IUnknown {
public:
    virtual HRESULT
    AdviseSurfaceAllocator(std::uintptr_t userId,
                           const std::shared_ptr<IVMRSurfaceAllocator9>& allocator) = 0;
};

class IVMRSurfaceAllocator9 : public virtual IUnknown {
public:
    virtual HRESULT AdviseNotify(const std::shared_ptr<IVMRSurfaceAllocatorNotify9>& notify) = 0;
};

} // namespace media
