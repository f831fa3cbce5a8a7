#pragma once

// The event a graph posts to its notify window (IMediaEventEx::SetNotifyWindow) each
// time an event enters its queue: the stand-in for the window message. Posted from any
// thread, delivered on the window's thread.

#include "mediagraph/media_types.h"

#include <QEvent>

namespace media {

class MediaNotifyEvent final : public QEvent {
public:
    static QEvent::Type EventType() {
        static const int type = QEvent::registerEventType();
        return static_cast<QEvent::Type>(type);
    }

    MediaNotifyEvent(int message, LONG_PTR instance)
        : QEvent(EventType()), FMessage(message), FInstance(instance) {}

    int Message() const { return FMessage; }
    LONG_PTR Instance() const { return FInstance; }

private:
    int FMessage;
    LONG_PTR FInstance;
};

} // namespace media
