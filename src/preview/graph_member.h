#pragma once

// How components attach to a TFilterGraph: a member contributes one filter to the
// graph each time it becomes active; an event sink hears every graph event and every
// control step. Calls arrive on the thread that drives the graph (the main thread,
// and the opening worker for RenderFile / Play / Pause).

#include "mediagraph/media_interfaces.h"

enum TMemberOperation { moAdding = 0, moAdded = 1, moRemoving = 2, moRemoved = 3 };

enum TControlNotification {
    cnPlay = 0,
    cnPause = 1,
    cnStop = 2,
    cnFileRendering = 3,
    cnFileRendered = 4,
    cnActive = 7, // param 1: became active; 0: about to become inactive
};

class IGraphMember {
public:
    virtual ~IGraphMember() = default;
    virtual std::shared_ptr<media::IBaseFilter> MemberFilter() = 0; // null allowed
    virtual QString MemberName() = 0;
    virtual void MemberNotify(TMemberOperation operation, int param) = 0;
};

class IGraphEventSink {
public:
    virtual ~IGraphEventSink() = default;
    virtual void GraphNotification(long code, media::LONG_PTR param1, media::LONG_PTR param2) = 0;
    virtual void ControlNotification(TControlNotification kind, int param) = 0;
};
