#include "audio/pipeline/event_carrier.h"

#include "audio/pipeline/audio_output.h"
#include "audio/pipeline/main_thread_queue.h"

TEventCarrier::TEventCarrier(TAudioOutput* ASender, THandler TAudioOutput::*AEvent, uint64_t ARun,
                             bool AAborted)
    : FSender(ASender), FEvent(AEvent), FRun(ARun), FAborted(AAborted) {}

void TEventCarrier::Deliver() {
    TMainThreadQueue::Instance().CallSync([this] {
        if (FSender->Stopping())
            return;
        if (FEvent == &TAudioOutput::OnDone)
            FSender->FLastRunAborted = FAborted;
        // A copy, so that a handler may reassign its own event safely.
        const THandler handler = FSender->*FEvent;
        if (handler)
            Handle(*FSender, FRun, [&] { handler(FSender); });
    });
}

void TEventCarrier::DeliverFailure(TAudioOutput* Sender, uint64_t Run, const std::exception& E) {
    TMainThreadQueue::Instance().CallSync([&] {
        if (Sender->Stopping())
            return;
        const TThreadExceptionEvent handler = Sender->OnThreadException;
        if (handler)
            Handle(*Sender, Run, [&] { handler(Sender, E); });
    });
}

void TEventCarrier::Handle(TAudioOutput& Sender, uint64_t Run, const std::function<void()>& Call) {
    // Names the run of the event being handled, and puts back the outer one when handlers
    // nest (a handler may run an event loop that delivers another event).
    struct TScope {
        TAudioOutput& Output;
        uint64_t Outer;
        ~TScope() { Output.FEventRun = Outer; }
    } scope{Sender, Sender.FEventRun};
    Sender.FEventRun = Run;
    Call();
}
