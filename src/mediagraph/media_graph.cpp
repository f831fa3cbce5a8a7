// TMediaGraph: the filters it holds, its log and its site. Building the chain for a file
// is in media_graph_build.cpp, the streaming threads and seeks in media_graph_stream.cpp,
// the control, seeking, audio and event interfaces in media_graph_interfaces.cpp.
#include "mediagraph/media_graph.h"

#include "base/media_time.h"
#include "mediagraph/audio_renderer.h"
#include "mediagraph/decoder_filter.h"
#include "mediagraph/list_enumerator.h"
#include "mediagraph/source_filter.h"
#include "mediagraph/video_renderer.h"

#include <QDateTime>
#include <QIODevice>

#include <algorithm>

namespace media {

TMediaGraph::TMediaGraph() : FTimeFormat(TIME_FORMAT_MEDIA_TIME) {
    FClock->SetCompleteHandler([this] { FEvents.Post(EC_COMPLETE, S_OK, 0); });
}

TMediaGraph::~TMediaGraph() {
    StopStreaming();
    FClock->SetCompleteHandler(nullptr);
    for (auto& e : FFilters) {
        if (auto f = std::dynamic_pointer_cast<TMediaFilter>(e.filter))
            f->SetDisconnectHook(nullptr);
        e.filter->JoinFilterGraph(nullptr, QString());
    }
}

void TMediaGraph::Log(const QString& line) {
    std::lock_guard lock(FLogLock);
    if (!FLog)
        return;
    const QString text =
        QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz")) + u' ' + line + u'\n';
    FLog->write(text.toUtf8());
}

HRESULT TMediaGraph::SetLogFile(QIODevice* device) {
    std::lock_guard lock(FLogLock);
    if (device && !device->isWritable())
        return E_INVALIDARG;
    FLog = device;
    return S_OK;
}

QString TMediaGraph::Hex(HRESULT hr) {
    return QStringLiteral("0x%1")
        .arg(static_cast<std::uint32_t>(hr), 8, 16, QLatin1Char('0'))
        .toUpper()
        .replace(QLatin1String("0X"), QLatin1String("0x"));
}

QString TMediaGraph::TimeText(REFERENCE_TIME t) {
    const qint64 ms = TMediaTime::FromUnits(t).ToMs();
    return QStringLiteral("%1:%2:%3.%4")
        .arg(ms / 3600000)
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

// ---- filters ----

HRESULT TMediaGraph::AddFilterLocked(const std::shared_ptr<IBaseFilter>& filter, QString name) {
    if (!filter)
        return E_POINTER;
    for (const auto& e : FFilters)
        if (e.filter == filter)
            return E_INVALIDARG;
    HRESULT hr = S_OK;
    auto taken = [&](const QString& n) {
        return std::any_of(FFilters.begin(), FFilters.end(),
                           [&](const Entry& e) { return e.name == n; });
    };
    if (name.isEmpty())
        name = QStringLiteral("Filter");
    if (taken(name)) {
        const QString base = name;
        for (int i = 1; taken(name); ++i)
            // One multi-argument call: a "%1" inside the name stays as it is.
            name = QStringLiteral("%1 %2").arg(
                base, QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0')));
        hr = MakeCode(0x0004022D); // VFW_S_DUPLICATE_NAME
    }
    filter->JoinFilterGraph(shared_from_this(), name);
    FFilters.push_back(Entry{filter, name});
    if (FState == FILTER_STATE::State_Paused)
        filter->Pause();
    else if (FState == FILTER_STATE::State_Running)
        filter->Run(0);
    QUuid clsid;
    filter->GetClassID(clsid);
    Log(QStringLiteral("Added filter \"%1\" %2")
            .arg(name, clsid.toString(QUuid::WithBraces).toUpper()));
    return hr;
}

HRESULT TMediaGraph::AddFilter(const std::shared_ptr<IBaseFilter>& filter, const QString& name) {
    std::lock_guard lock(FLock);
    return AddFilterLocked(filter, name);
}

bool TMediaGraph::IsSessionFilter(const std::shared_ptr<IBaseFilter>& filter) const {
    return filter && (filter == std::static_pointer_cast<IBaseFilter>(FSource) ||
                      filter == std::static_pointer_cast<IBaseFilter>(FVideoDecoder) ||
                      filter == std::static_pointer_cast<IBaseFilter>(FAudioDecoder) ||
                      filter == std::static_pointer_cast<IBaseFilter>(FVideoRenderer) ||
                      filter == std::static_pointer_cast<IBaseFilter>(FAudioRenderer));
}

HRESULT TMediaGraph::RemoveFilter(const std::shared_ptr<IBaseFilter>& filter) {
    std::lock_guard lock(FLock);
    auto it = std::find_if(FFilters.begin(), FFilters.end(),
                           [&](const Entry& e) { return e.filter == filter; });
    if (it == FFilters.end())
        return filter ? VFW_E_NOT_FOUND : E_POINTER;
    if (IsSessionFilter(filter)) {
        StopStreaming();
        if (filter == std::static_pointer_cast<IBaseFilter>(FSource))
            FSource.reset();
        if (filter == std::static_pointer_cast<IBaseFilter>(FVideoDecoder))
            FVideoDecoder.reset();
        if (filter == std::static_pointer_cast<IBaseFilter>(FAudioDecoder))
            FAudioDecoder.reset();
        if (filter == std::static_pointer_cast<IBaseFilter>(FVideoRenderer))
            FVideoRenderer.reset();
        if (filter == std::static_pointer_cast<IBaseFilter>(FAudioRenderer))
            FAudioRenderer.reset();
    }
    Log(QStringLiteral("Removed filter \"%1\"").arg(it->name));
    if (auto f = std::dynamic_pointer_cast<TMediaFilter>(filter))
        f->SetDisconnectHook(nullptr);
    filter->Stop();
    filter->JoinFilterGraph(nullptr, QString());
    FFilters.erase(it);
    return S_OK;
}

HRESULT TMediaGraph::EnumFilters(std::shared_ptr<IEnumFilters>& e) {
    std::lock_guard lock(FLock);
    std::vector<std::shared_ptr<IBaseFilter>> filters;
    for (const auto& entry : FFilters)
        filters.push_back(entry.filter);
    e = std::make_shared<TListEnumerator<IBaseFilter>>(std::move(filters));
    return S_OK;
}

HRESULT TMediaGraph::FindFilterByName(const QString& name, std::shared_ptr<IBaseFilter>& filter) {
    std::lock_guard lock(FLock);
    for (const auto& e : FFilters)
        if (e.name == name) {
            filter = e.filter;
            return S_OK;
        }
    filter.reset();
    return VFW_E_NOT_FOUND;
}

std::shared_ptr<TVideoRendererFilter> TMediaGraph::VideoRenderer() const {
    std::lock_guard lock(FLock);
    return FVideoRenderer;
}

bool TMediaGraph::Streaming() const {
    std::lock_guard lock(FLock);
    return FStreaming;
}

// ---- IObjectWithSite, IServiceProvider ----

HRESULT TMediaGraph::SetSite(IUnknown* site) {
    std::lock_guard lock(FLock);
    FSite = site;
    return S_OK;
}

HRESULT TMediaGraph::QueryService(const QUuid& service, const QUuid& iid, IUnknown*& object) {
    object = nullptr;
    IServiceProvider* provider;
    {
        std::lock_guard lock(FLock);
        provider = dynamic_cast<IServiceProvider*>(FSite);
    }
    return provider ? provider->QueryService(service, iid, object) : E_NOINTERFACE;
}

} // namespace media
