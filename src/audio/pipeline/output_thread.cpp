#include "audio/pipeline/output_thread.h"

#include "audio/pipeline/audio_exception.h"
#include "audio/pipeline/audio_output.h"
#include "audio/pipeline/event_carrier.h"
#include "audio/pipeline/main_thread_queue.h"

#include <QCoreApplication>

#include <chrono>

TOutputThread::TOutputThread(TAudioOutput* AParent) : Parent(AParent) {}

TOutputThread::~TOutputThread() {
    Stop();
}

void TOutputThread::Start() {
    if (FThread.joinable())
        return;
    FFinished = false;
    FThread = std::thread([this] { Execute(); });
}

void TOutputThread::Resume() {
    {
        std::lock_guard lock(FParkLock);
        if (FParked)
            FParked = false;
        else if (FEnding)
            FWakePending = true;
    }
    FParkWake.notify_all();
}

bool TOutputThread::Parked() const {
    std::lock_guard lock(FParkLock);
    return FParked;
}

void TOutputThread::Stop() {
    if (!FThread.joinable())
        return;
    {
        std::lock_guard lock(FParkLock);
        StopRequest = true;
    }
    FParkWake.notify_all();
    TMainThreadQueue::Instance().WaitServing([this] { return FFinished.load(); });
    FThread.join();
}

void TOutputThread::Execute() {
    {
        std::unique_lock lock(FParkLock);
        FParkWake.wait(lock, [this] { return !FParked || StopRequest; });
        FParked = false;
    }
    while (!StopRequest) {
        std::lock_guard section(CriticalSection);
        if (StepDelay > 5)
            std::this_thread::sleep_for(std::chrono::milliseconds(StepDelay));
        Pass();
    }
    StopRequest = false;
    FFinished = true;
    TMainThreadQueue::Instance().Wake();
}

void TOutputThread::Pass() {
    TAudioOutput& out = *Parent;
    auto fail = [this](const std::exception& e) {
        AbortRequest = false;
        MarkEnding();
        if (ExceptionHandler) {
            try {
                ExceptionHandler(e);
            } catch (...) {
                // A failing error report must not take the worker down with it.
            }
        }
        EndOfRun();
    };
    try {
        const uint64_t run = out.FRunNumber;
        bool abort = AbortRequest;
        bool more = false;
        try {
            more = out.WriteStep(abort);
        } catch (...) {
            // Abort interrupts a long read of the input, which then raises: the run ends
            // as aborted, not as failed.
            if (!AbortRequest)
                throw;
            abort = true;
        }
        if (abort || !more) {
            out.FRunAborted = abort;
            AbortRequest = false;
            MarkEnding();
            out.CompleteRun();
            TEventCarrier(&out, &TAudioOutput::OnDone, run, abort).Deliver();
            EndOfRun();
        }
    } catch (const std::exception& e) {
        fail(e);
    } catch (...) {
        fail(EAudioException(
            QCoreApplication::translate("AudioPipeline", "Unknown error in the audio output")));
    }
}

void TOutputThread::MarkEnding() {
    std::lock_guard lock(FParkLock);
    FEnding = true;
}

void TOutputThread::EndOfRun() {
    std::unique_lock lock(FParkLock);
    FEnding = false;
    if (FWakePending) {
        FWakePending = false;
        return;
    }
    if (!SuspendWhenIdle)
        return;
    FParked = true;
    FParkWake.wait(lock, [this] { return !FParked || StopRequest; });
    FParked = false;
}
