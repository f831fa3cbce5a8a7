#include "mediagraph/media_pin.h"

#include "mediagraph/media_filter.h"

namespace media {

TMediaPin::TMediaPin(std::weak_ptr<TMediaFilter> owner, QString name, PIN_DIRECTION dir)
    : FOwner(std::move(owner)), FName(std::move(name)), FDir(dir) {}

HRESULT TMediaPin::ConnectedTo(std::shared_ptr<IPin>& pin) {
    std::lock_guard lock(FLock);
    pin = FPeer.lock();
    return pin ? S_OK : VFW_E_NOT_CONNECTED;
}

HRESULT TMediaPin::Disconnect() {
    bool was = false;
    {
        std::lock_guard lock(FLock);
        was = !FPeer.expired();
        FPeer.reset();
    }
    if (!was)
        return S_FALSE;
    // A broken connection ends the streaming that ran through it.
    if (auto owner = FOwner.lock())
        owner->PinDisconnected();
    return S_OK;
}

HRESULT TMediaPin::QueryPinInfo(PIN_INFO& info) {
    info.pFilter = FOwner.lock();
    info.dir = FDir;
    info.achName = FName;
    return S_OK;
}

HRESULT TMediaPin::QueryDirection(PIN_DIRECTION& dir) {
    dir = FDir;
    return S_OK;
}

bool TMediaPin::IsConnected() const {
    std::lock_guard lock(FLock);
    return !FPeer.expired();
}

HRESULT TMediaPin::Connect(const std::shared_ptr<TMediaPin>& out,
                           const std::shared_ptr<TMediaPin>& in) {
    if (!out || !in)
        return E_POINTER;
    if (out->IsConnected() || in->IsConnected())
        return VFW_E_ALREADY_CONNECTED;
    {
        std::lock_guard lock(out->FLock);
        out->FPeer = in;
    }
    std::lock_guard lock(in->FLock);
    in->FPeer = out;
    return S_OK;
}

} // namespace media
