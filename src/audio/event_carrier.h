#pragma once

#include <QObject>

#include <functional>

class TAudioOutput;

// Carries one event of an output (OnDone or OnProgress) from the worker onto the main
// thread by a synchronous call: Deliver returns when the handler has returned. The
// handler is read on the main thread at the moment of the call, and not called at all
// when the output is being destroyed (its owner is tearing it down). It never runs as a
// thread of its own and is not needed after its call.
//
// Threads: created and delivered on the output's worker.
class TEventCarrier {
public:
    using THandler = std::function<void(QObject* Sender)>;

    TEventCarrier(TAudioOutput* ASender, THandler TAudioOutput::*AEvent);
    void Deliver();

private:
    TAudioOutput* FSender;
    THandler TAudioOutput::*FEvent;
};
