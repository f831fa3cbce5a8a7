#include "mediagraph/media_event_queue.h"

#include "mediagraph/media_notify_event.h"

#include <QCoreApplication>

namespace media {

void TMediaEventQueue::Post(long code, LONG_PTR param1, LONG_PTR param2) {
    {
        std::lock_guard lock(FLock);
        FEvents.push_back(Event{code, param1, param2});
        // Posted under the lock: the window cannot be switched or cleared meanwhile.
        if (FWindow && FFlags == 0)
            QCoreApplication::postEvent(FWindow.data(), new MediaNotifyEvent(FMessage, FInstance));
    }
    FArrived.notify_all();
}

HRESULT TMediaEventQueue::Get(long& code, LONG_PTR& param1, LONG_PTR& param2, long msTimeout) {
    std::unique_lock lock(FLock);
    auto ready = [&] { return !FEvents.empty(); };
    if (msTimeout < 0)
        FArrived.wait(lock, ready);
    else if (msTimeout > 0)
        FArrived.wait_for(lock, std::chrono::milliseconds(msTimeout), ready);
    if (FEvents.empty()) {
        code = 0;
        param1 = param2 = 0;
        return E_ABORT;
    }
    const Event e = FEvents.front();
    FEvents.pop_front();
    code = e.code;
    param1 = e.param1;
    param2 = e.param2;
    return S_OK;
}

void TMediaEventQueue::SetNotifyWindow(QObject* window, int message, LONG_PTR instance) {
    std::lock_guard lock(FLock);
    FWindow = window;
    FMessage = message;
    FInstance = instance;
}

void TMediaEventQueue::SetNotifyFlags(long flags) {
    std::lock_guard lock(FLock);
    FFlags = flags;
}

long TMediaEventQueue::NotifyFlags() const {
    std::lock_guard lock(FLock);
    return FFlags;
}

void TMediaEventQueue::Clear() {
    std::lock_guard lock(FLock);
    FEvents.clear();
}

} // namespace media
