#pragma once

// Base of the layer's filters: name and graph membership, pins, class id, state.
// Filters are made with MakeFilter (their pins need the filter's own shared pointer).
// The bookkeeping here is thread-safe; streaming work is the subclasses' business.

#include "mediagraph/media_interfaces.h"
#include "mediagraph/media_pin.h"

#include <functional>
#include <mutex>
#include <vector>

namespace media {

class TMediaFilter : public IBaseFilter, public std::enable_shared_from_this<TMediaFilter> {
public:
    explicit TMediaFilter(const QUuid& clsid);
    ~TMediaFilter() override = default;

    HRESULT EnumPins(std::shared_ptr<IEnumPins>& e) override;
    HRESULT QueryFilterInfo(FILTER_INFO& info) override;
    HRESULT GetClassID(QUuid& clsid) override;
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT GetState(unsigned msTimeout, FILTER_STATE& state) override;
    HRESULT JoinFilterGraph(const std::shared_ptr<IFilterGraph>& graph,
                            const QString& name) override;

    QString Name() const;
    std::shared_ptr<TMediaPin> FindPin(PIN_DIRECTION dir) const;
    bool AnyPinConnected() const;

    // Called by a pin whose connection was broken; runs the hook the graph set.
    void PinDisconnected();
    void SetDisconnectHook(std::function<void()> hook);

    // The pins a subclass wants; called once right after construction.
    virtual void CreatePins() {}

protected:
    void AddPin(const QString& name, PIN_DIRECTION dir);
    virtual void StateChanged(FILTER_STATE) {}

    mutable std::mutex FLock;

private:
    const QUuid FClassId;
    std::vector<std::shared_ptr<TMediaPin>> FPins;
    std::weak_ptr<IFilterGraph> FGraph;
    QString FName;
    FILTER_STATE FState = FILTER_STATE::State_Stopped;
    std::function<void()> FDisconnectHook;
};

template <class T, class... A> std::shared_ptr<T> MakeFilter(A&&... args) {
    auto filter = std::make_shared<T>(std::forward<A>(args)...);
    filter->CreatePins();
    return filter;
}

} // namespace media
