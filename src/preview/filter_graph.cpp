#include "preview/filter_graph.h"

#include "mediagraph/media_graph.h"

#include "preview/filter_list.h"
#include "preview/media_util.h"
#include "preview/pin_list.h"

#include "mediagraph/class_registry.h"
#include "mediagraph/media_notify_event.h"
#include "mediagraph/running_object_table.h"

#include <QCoreApplication>
#include <QDebug>

#include <cfenv>
#include <cmath>

using namespace media;

const QUuid TFilterGraph::ComponentServiceId{"{C7CAA944-C191-4AB1-ABA7-D8B40EF4D5B2}"};

namespace {
std::function<void(const std::exception&)>& Reporter() {
    static std::function<void(const std::exception&)> reporter = [](const std::exception& e) {
        qWarning().noquote() << ExceptionMessage(e);
    };
    return reporter;
}
} // namespace

// The hidden window graph notifications are posted to; lives on the main thread.
class TFilterGraph::TEventWindow final : public QObject {
public:
    explicit TEventWindow(TFilterGraph* owner) : FOwner(owner) {}

protected:
    bool event(QEvent* e) override {
        if (e->type() != MediaNotifyEvent::EventType())
            return QObject::event(e);
        if (static_cast<MediaNotifyEvent*>(e)->Message() == WM_GRAPHNOTIFY) {
            // A failing handler is reported, never thrown into the event loop.
            try {
                FOwner->HandleEvents();
            } catch (const std::exception& ex) {
                Reporter()(ex);
            }
        }
        return true;
    }

private:
    TFilterGraph* FOwner;
};

void TFilterGraph::SetExceptionReporter(std::function<void(const std::exception&)> reporter) {
    Reporter() = reporter ? std::move(reporter) : [](const std::exception& e) {
        qWarning().noquote() << ExceptionMessage(e);
    };
}

void TFilterGraph::ReportException(const std::exception& e) {
    Reporter()(e);
}

TFilterGraph::TFilterGraph(QObject* owner) : QObject(owner), FEventWindow(new TEventWindow(this)) {}

TFilterGraph::~TFilterGraph() {
    try {
        SetActive(false);
    } catch (const std::exception& e) {
        Reporter()(e);
    }
    delete FEventWindow;
}

void TFilterGraph::Loaded() {
    if (FAutoCreate)
        SetActive(true);
}

// ---- activation ----

void TFilterGraph::SetActive(bool value) {
    if (value == FActive)
        return;
    if (value)
        BecomeActive();
    else
        BecomeInactive();
}

void TFilterGraph::BecomeActive() {
    CoCreateInstance(CLSID_FilterGraph, FGraph); // the result is not tested: no graph, no play
    FActive = true;
    if ((FEventSource = Query<IMediaEventEx>())) {
        FEventSource->SetNotifyFlags(0);
        FEventSource->SetNotifyWindow(FEventWindow, WM_GRAPHNOTIFY,
                                      reinterpret_cast<LONG_PTR>(FEventSource.get()));
    }
    if (auto site = Query<IObjectWithSite>()) {
        site->SetSite(static_cast<IAMGraphBuilderCallback*>(this));
        site->SetSite(static_cast<IAMFilterGraphCallback*>(this));
    }
    SetGraphEdit(FGraphEdit);
    SetLogFile(FLogFile);
    if (FMembers) {
        const size_t count = FMembers->size();
        for (size_t i = 0; FMembers && i < count && i < FMembers->size(); ++i)
            AddMemberFilter((*FMembers)[i]);
    }
    if (OnActivate)
        OnActivate(this);
    NotifyControl(cnActive, 1);
}

void TFilterGraph::BecomeInactive() {
    NotifyControl(cnActive, 0);
    if (FMembers) {
        const size_t count = FMembers->size();
        for (size_t i = 0; FMembers && i < count && i < FMembers->size(); ++i)
            RemoveMemberFilter((*FMembers)[i]);
    }
    if (FEventSource) {
        FEventSource->SetNotifyFlags(1);
        FEventSource.reset();
    }
    RevokeGraphEdit();
    if (FGraph)
        FGraph->SetLogFile(nullptr);
    FLogStream.reset();
    // The graph may outlive this component (a caller can hold its interfaces): it
    // must not keep pointing back here.
    if (auto site = QueryInterface<IObjectWithSite>(FGraph))
        site->SetSite(nullptr);
    FGraph.reset();
    FActive = false;
}

// ---- members and sinks ----

void TFilterGraph::AddMemberFilter(IGraphMember* member) {
    member->MemberNotify(moAdding, 0);
    if (FGraph)
        FGraph->AddFilter(member->MemberFilter(), member->MemberName());
    member->MemberNotify(moAdded, 0);
}

void TFilterGraph::RemoveMemberFilter(IGraphMember* member) {
    member->MemberNotify(moRemoving, 0);
    if (FGraph)
        FGraph->RemoveFilter(member->MemberFilter());
    member->MemberNotify(moRemoved, 0);
}

void TFilterGraph::InsertMember(IGraphMember* member) {
    if (!FMembers)
        FMembers = std::make_unique<std::vector<IGraphMember*>>();
    FMembers->push_back(member);
    if (FActive)
        AddMemberFilter(member);
}

void TFilterGraph::RemoveMember(IGraphMember* member) {
    if (!FMembers)
        return;
    std::erase(*FMembers, member);
    if (FActive)
        RemoveMemberFilter(member);
    if (FMembers && FMembers->empty())
        FMembers.reset();
}

void TFilterGraph::InsertEventSink(IGraphEventSink* sink) {
    if (!FSinks)
        FSinks = std::make_unique<std::vector<IGraphEventSink*>>();
    FSinks->push_back(sink);
}

void TFilterGraph::RemoveEventSink(IGraphEventSink* sink) {
    if (!FSinks)
        return;
    std::erase(*FSinks, sink);
    if (FSinks->empty())
        FSinks.reset();
}

void TFilterGraph::NotifyControl(TControlNotification kind, int param) {
    if (!FSinks)
        return;
    // By index up to the count taken now: a sink may detach itself meanwhile.
    const size_t count = FSinks->size();
    for (size_t i = 0; FSinks && i < count && i < FSinks->size(); ++i)
        (*FSinks)[i]->ControlNotification(kind, param);
}

// ---- rendering and control ----

HRESULT TFilterGraph::RenderFile(const QString& path) {
    if (!FGraph)
        return S_FALSE;
    NotifyControl(cnFileRendering, 0);
    if (auto graph = std::dynamic_pointer_cast<media::TMediaGraph>(FGraph))
        graph->SetAudioStreamIndex(FAudioStreamIndex);
    const HRESULT hr = CheckMediaResult(FGraph->RenderFile(path, QString()));
    UpdateGraph();
    NotifyControl(cnFileRendered, 0);
    return hr;
}

bool TFilterGraph::Play() {
    auto control = Query<IMediaControl>();
    if (!control)
        return false;
    NotifyControl(cnPlay, 0);
    CheckMediaResult(control->Run());
    return true;
}

bool TFilterGraph::Pause() {
    auto control = Query<IMediaControl>();
    if (!control)
        return false;
    NotifyControl(cnPause, 0);
    return CheckMediaResult(control->Pause()) == S_OK;
}

bool TFilterGraph::Stop() {
    auto control = Query<IMediaControl>();
    if (!control)
        return false;
    NotifyControl(cnStop, 0);
    return CheckMediaResult(control->Stop()) == S_OK;
}

void TFilterGraph::DisconnectFilters() {
    if (!FGraph)
        return;
    TFilterList filters(FGraph);
    for (int i = 0; i < filters.Count(); ++i) {
        TPinList pins(filters.Item(i));
        for (int j = 0; j < pins.Count(); ++j)
            CheckMediaResult(pins.Item(j)->Disconnect());
    }
}

void TFilterGraph::ClearGraph() {
    if (!FGraph)
        return;
    Stop();
    DisconnectFilters();
    TFilterList filters(FGraph);
    if (FMembers)
        for (IGraphMember* member : *FMembers)
            filters.Remove(member->MemberFilter());
    for (int i = 0; i < filters.Count(); ++i)
        CheckMediaResult(FGraph->RemoveFilter(filters.Item(i)));
}

// ---- volume, balance, rate ----

// The linear scales map onto decibels along ln(v + 1) * 1085.73, which puts 10000 at
// 0 dB and 0 at -100 dB; rounding is to the nearest integer, halves to even.
long TFilterGraph::LinearToVolume(int value) {
    const long double db = std::log(static_cast<long double>(value) + 1.0L) * 1085.73L;
    return static_cast<long>(std::nearbyintl(db)) - 10000;
}

long TFilterGraph::LinearToBalance(int value) {
    const long double db = std::log(std::abs(static_cast<long double>(value)) + 1.0L) * 1085.73L;
    const long magnitude = static_cast<long>(std::nearbyintl(db));
    return value < 0 ? -magnitude : magnitude;
}

void TFilterGraph::ApplyVolume() {
    auto audio = Query<IBasicAudio>();
    if (!audio)
        return;
    if (FLinearVolume) {
        audio->put_Volume(LinearToVolume(FVolume));
        audio->put_Balance(LinearToBalance(FBalance));
    } else {
        audio->put_Volume(FVolume - 10000);
        audio->put_Balance(FBalance);
    }
}

void TFilterGraph::ApplyBalance() {
    ApplyVolume();
}

void TFilterGraph::SetVolume(int value) {
    FVolume = std::clamp(value, 0, 10000);
    ApplyVolume();
}

void TFilterGraph::SetBalance(int value) {
    FBalance = std::clamp(value, -10000, 10000);
    ApplyBalance();
}

void TFilterGraph::SetRate(double value) {
    FRate = value;
    if (auto seeking = Query<IMediaSeeking>())
        seeking->SetRate(value);
}

void TFilterGraph::SetLinearVolume(bool value) {
    if (value == FLinearVolume)
        return;
    FLinearVolume = value;
    SetVolume(FVolume);
    SetBalance(FBalance);
}

void TFilterGraph::UpdateGraph() {
    SetVolume(FVolume);
    SetBalance(FBalance);
    SetRate(FRate);
}

// ---- graph table and log ----

void TFilterGraph::EnterGraphEdit() {
    const QString name = QStringLiteral("FilterGraph %1 pid %2")
                             .arg(QString::number(reinterpret_cast<quintptr>(FGraph.get()), 16)
                                      .toUpper()
                                      .rightJustified(8, QLatin1Char('0')))
                             .arg(QString::number(QCoreApplication::applicationPid(), 16));
    if (FGraph)
        TRunningObjectTable::Instance().Register(QStringLiteral("!") + name, FGraph, FTableCookie);
}

void TFilterGraph::RevokeGraphEdit() {
    if (FTableCookie == 0)
        return;
    TRunningObjectTable::Instance().Revoke(FTableCookie);
    FTableCookie = 0;
}

void TFilterGraph::SetGraphEdit(bool value) {
    if (!value)
        RevokeGraphEdit();
    else if (FTableCookie == 0 && FActive)
        EnterGraphEdit();
    FGraphEdit = value;
}

void TFilterGraph::SetLogFile(const QString& path) {
    if (!FActive) {
        FLogFile = path;
        return;
    }
    if (FGraph)
        FGraph->SetLogFile(nullptr);
    FLogStream.reset();
    if (!path.isEmpty()) {
        auto stream = std::make_unique<QFile>(path);
        if (!stream->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text) ||
            !FGraph || FAILED(FGraph->SetLogFile(stream.get()))) {
            if (FGraph)
                FGraph->SetLogFile(nullptr);
            return; // a log that cannot be made is not an error
        }
        FLogStream = std::move(stream);
    }
    FLogFile = path;
}

// ---- events ----

void TFilterGraph::HandleEvents() {
    long code;
    LONG_PTR p1, p2;
    while (FEventSource) {
        auto source = FEventSource; // a handler may deactivate the component
        if (source->GetEvent(code, p1, p2, 0) != S_OK)
            break;
        DoEvent(code, p1, p2);
        source->FreeEventParams(code, p1, p2);
    }
}

void TFilterGraph::DoEvent(long code, LONG_PTR param1, LONG_PTR param2) {
    if (FSinks) {
        const size_t count = FSinks->size();
        for (size_t i = 0; FSinks && i < count && i < FSinks->size(); ++i)
            (*FSinks)[i]->GraphNotification(code, param1, param2);
    }
    if (OnDSEvent)
        OnDSEvent(this, code, param1, param2);
    DispatchEvent(code, param1, param2);
}

// ---- graph-building callbacks ----

HRESULT TFilterGraph::QueryService(const QUuid& service, const QUuid& iid, IUnknown*& object) {
    if (service == ComponentServiceId && iid == ComponentServiceId) {
        object = static_cast<IServiceProvider*>(this);
        return S_OK;
    }
    object = nullptr;
    return E_NOINTERFACE;
}

HRESULT TFilterGraph::UnableToRender(IPin* pin) {
    PIN_INFO pinInfo;
    if (!pin || FAILED(pin->QueryPinInfo(pinInfo)) || !pinInfo.pFilter)
        return S_FALSE;
    FILTER_INFO filterInfo;
    if (FAILED(pinInfo.pFilter->QueryFilterInfo(filterInfo)) || !filterInfo.pGraph)
        return S_FALSE;
    auto provider = QueryInterface<IServiceProvider>(filterInfo.pGraph);
    IUnknown* component = nullptr;
    if (!provider ||
        provider->QueryService(ComponentServiceId, ComponentServiceId, component) != S_OK)
        return S_FALSE;
    auto* owner = dynamic_cast<TFilterGraph*>(component);
    if (!owner || !owner->OnUnableToRender)
        return S_FALSE;
    return owner->OnUnableToRender(pin) ? S_OK : S_FALSE;
}

HRESULT TFilterGraph::SelectedFilter(IMoniker* moniker) {
    if (!OnSelectedFilter)
        return S_OK;
    QUuid clsid;
    QString name;
    std::shared_ptr<IPropertyBag> bag;
    if (moniker && SUCCEEDED(moniker->BindToStorage(bag)) && bag) {
        QVariant value;
        if (SUCCEEDED(bag->Read(QStringLiteral("CLSID"), value)))
            clsid = QUuid::fromString(value.toString());
        value.clear();
        if (SUCCEEDED(bag->Read(QStringLiteral("FriendlyName"), value)))
            name = value.toString();
    }
    return OnSelectedFilter(moniker, name, clsid) ? S_OK : E_FAIL;
}

HRESULT TFilterGraph::CreatedFilter(IBaseFilter* filter) {
    if (!OnCreatedFilter)
        return S_OK;
    QUuid clsid;
    if (filter)
        filter->GetClassID(clsid);
    return OnCreatedFilter(filter, clsid) ? S_OK : E_FAIL;
}
