#pragma once

// One pin of a media filter. Connections are made by the graph while it renders a
// file; each side of a connection is broken by its own Disconnect. Thread-safe.

#include "mediagraph/media_interfaces.h"

#include <mutex>

namespace media {

class TMediaFilter;

class TMediaPin final : public IPin {
public:
    TMediaPin(std::weak_ptr<TMediaFilter> owner, QString name, PIN_DIRECTION dir);

    HRESULT ConnectedTo(std::shared_ptr<IPin>& pin) override;
    HRESULT Disconnect() override;
    HRESULT QueryPinInfo(PIN_INFO& info) override;
    HRESULT QueryDirection(PIN_DIRECTION& dir) override;

    // Joins an output pin to an input pin (both sides). VFW_E_ALREADY_CONNECTED when
    // either is taken.
    static HRESULT Connect(const std::shared_ptr<TMediaPin>& out,
                           const std::shared_ptr<TMediaPin>& in);

    bool IsConnected() const;
    const QString& Name() const { return FName; }

private:
    std::weak_ptr<TMediaFilter> FOwner;
    const QString FName;
    const PIN_DIRECTION FDir;
    mutable std::mutex FLock;
    std::weak_ptr<TMediaPin> FPeer;
};

} // namespace media
