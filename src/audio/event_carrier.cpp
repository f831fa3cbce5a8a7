#include "audio/event_carrier.h"

#include "audio/audio_output.h"
#include "audio/main_thread_queue.h"

TEventCarrier::TEventCarrier(TAudioOutput* ASender, THandler TAudioOutput::*AEvent)
    : FSender(ASender), FEvent(AEvent) {}

void TEventCarrier::Deliver() {
    TMainThreadQueue::Instance().CallSync([this] {
        if (FSender->Stopping())
            return;
        // A copy, so that a handler may reassign its own event safely.
        const THandler handler = FSender->*FEvent;
        if (handler)
            handler(FSender);
    });
}
