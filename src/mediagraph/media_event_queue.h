#pragma once

// The event queue of a graph (IMediaEventEx's state). Events are posted from any thread
// (the renderers' threads post EC_COMPLETE); each post also posts a MediaNotifyEvent to
// the notify window unless notifications are off. GetEvent may be called from any
// thread, usually the notify window's. Thread-safe.

#include "mediagraph/media_types.h"

#include <QPointer>

#include <condition_variable>
#include <deque>
#include <mutex>

namespace media {

class TMediaEventQueue {
public:
    void Post(long code, LONG_PTR param1, LONG_PTR param2);
    HRESULT Get(long& code, LONG_PTR& param1, LONG_PTR& param2, long msTimeout);
    void SetNotifyWindow(QObject* window, int message, LONG_PTR instance);
    void SetNotifyFlags(long flags);
    long NotifyFlags() const;
    void Clear();

private:
    struct Event {
        long code;
        LONG_PTR param1, param2;
    };
    mutable std::mutex FLock;
    std::condition_variable FArrived;
    std::deque<Event> FEvents;
    QPointer<QObject> FWindow;
    int FMessage = 0;
    LONG_PTR FInstance = 0;
    long FFlags = 0;
};

} // namespace media
