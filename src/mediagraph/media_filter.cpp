#include "mediagraph/media_filter.h"

#include "mediagraph/list_enumerator.h"

namespace media {

TMediaFilter::TMediaFilter(const QUuid& clsid) : FClassId(clsid) {}

HRESULT TMediaFilter::EnumPins(std::shared_ptr<IEnumPins>& e) {
    std::lock_guard lock(FLock);
    std::vector<std::shared_ptr<IPin>> pins(FPins.begin(), FPins.end());
    e = std::make_shared<TListEnumerator<IPin>>(std::move(pins));
    return S_OK;
}

HRESULT TMediaFilter::QueryFilterInfo(FILTER_INFO& info) {
    std::lock_guard lock(FLock);
    info.achName = FName;
    info.pGraph = FGraph.lock();
    return S_OK;
}

HRESULT TMediaFilter::GetClassID(QUuid& clsid) {
    clsid = FClassId;
    return S_OK;
}

HRESULT TMediaFilter::Stop() {
    {
        std::lock_guard lock(FLock);
        FState = FILTER_STATE::State_Stopped;
    }
    StateChanged(FILTER_STATE::State_Stopped);
    return S_OK;
}

HRESULT TMediaFilter::Pause() {
    {
        std::lock_guard lock(FLock);
        FState = FILTER_STATE::State_Paused;
    }
    StateChanged(FILTER_STATE::State_Paused);
    return S_OK;
}

HRESULT TMediaFilter::Run(REFERENCE_TIME) {
    {
        std::lock_guard lock(FLock);
        FState = FILTER_STATE::State_Running;
    }
    StateChanged(FILTER_STATE::State_Running);
    return S_OK;
}

HRESULT TMediaFilter::GetState(unsigned, FILTER_STATE& state) {
    std::lock_guard lock(FLock);
    state = FState;
    return S_OK;
}

HRESULT TMediaFilter::JoinFilterGraph(const std::shared_ptr<IFilterGraph>& graph,
                                      const QString& name) {
    std::lock_guard lock(FLock);
    FGraph = graph;
    FName = graph ? name : QString();
    return S_OK;
}

QString TMediaFilter::Name() const {
    std::lock_guard lock(FLock);
    return FName;
}

std::shared_ptr<TMediaPin> TMediaFilter::FindPin(PIN_DIRECTION dir) const {
    std::lock_guard lock(FLock);
    for (const auto& pin : FPins) {
        PIN_DIRECTION d;
        pin->QueryDirection(d);
        if (d == dir)
            return pin;
    }
    return nullptr;
}

bool TMediaFilter::AnyPinConnected() const {
    std::lock_guard lock(FLock);
    for (const auto& pin : FPins)
        if (pin->IsConnected())
            return true;
    return false;
}

void TMediaFilter::PinDisconnected() {
    std::function<void()> hook;
    {
        std::lock_guard lock(FLock);
        hook = FDisconnectHook;
    }
    if (hook)
        hook();
}

void TMediaFilter::SetDisconnectHook(std::function<void()> hook) {
    std::lock_guard lock(FLock);
    FDisconnectHook = std::move(hook);
}

void TMediaFilter::AddPin(const QString& name, PIN_DIRECTION dir) {
    std::lock_guard lock(FLock);
    FPins.push_back(std::make_shared<TMediaPin>(weak_from_this(), name, dir));
}

} // namespace media
