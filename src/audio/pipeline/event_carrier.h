#pragma once

#include <QObject>

#include <cstdint>
#include <exception>
#include <functional>

class TAudioOutput;

// Carries one event of an output (OnDone or OnThreadException) onto the main
// thread by a synchronous call: Deliver returns when the handler has returned. The handler
// is read on the main thread at the moment of the call, so the main thread may reassign
// or clear handlers at any time without racing the worker; it is not called at all when
// the output is being destroyed (its owner is tearing it down). While it runs, the output
// tells which run raised the event (EventRun) and, for OnDone, whether that run was
// aborted (LastRunAborted). It never runs as a thread of its own and is not needed after
// its call.
//
// Threads: created and delivered on the output's worker, or on the main thread (a failure
// inside Run), where the call is made at once.
class TEventCarrier {
public:
    using THandler = std::function<void(QObject* Sender)>;

    // OnDone of run `ARun`; `AAborted` tells whether the run ended by Abort.
    TEventCarrier(TAudioOutput* ASender, THandler TAudioOutput::*AEvent, uint64_t ARun,
                  bool AAborted = false);
    void Deliver();

    // OnThreadException of run `Run` with `E`.
    static void DeliverFailure(TAudioOutput* Sender, uint64_t Run, const std::exception& E);

private:
    static void Handle(TAudioOutput& Sender, uint64_t Run, const std::function<void()>& Call);

    TAudioOutput* FSender;
    THandler TAudioOutput::*FEvent;
    uint64_t FRun;
    bool FAborted;
};
