#pragma once

#include <QMetaObject>
#include <QObject>

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>

class TAudioInput;
class TOutputThread;

// Status of an output: a run going, a run with its worker parked, no run.
enum TOutputStatus { tosRunning = 0, tosPaused = 1, tosIdle = 2 };

using TOutputDoneEvent = std::function<void(QObject* Sender)>;
using TThreadExceptionEvent = std::function<void(QObject* Sender, const std::exception& E)>;

// Base of the outputs: a worker pulls PCM from Input step by step until the input is
// exhausted, then the output finalises its work and reports OnDone.
//
// Threads: created, configured, run (Run, PrepareRun) and destroyed on the main thread.
// WriteStep, the input's ReadData and, at the normal end, FinishRun run on the worker
// (TOutputThread). OnDone and OnThreadException reach the main thread by
// synchronous calls (the worker waits for the handler; a failure inside Run is reported
// at once); the handlers are read there, so the main thread may change or clear them at
// any moment.
//
// Runs are numbered. Each event belongs to the run that raised it (EventRun while it is
// handled): an event of a run that was cancelled, or that was still on its way when the
// next run began, can be told apart and dropped.
//
// Handlers must not destroy their own output (the worker is waiting for them). A
// subclass must call StopWorker() first thing in its destructor, since the worker calls
// its overrides.
class TAudioOutput : public QObject {
    Q_OBJECT
    friend class TOutputThread;

public:
    explicit TAudioOutput(QObject* AOwner = nullptr);
    ~TAudioOutput() override;

    // Where the output pulls PCM from; not owned. Assigning while idle is a plain
    // assignment. While busy it is a hot exchange: the new input is prepared with
    // BeginRead, swapped in under InputLock, and the old one ended with EndRead. When the
    // input is destroyed the output lets go of it (a run that loses its input fails).
    TAudioInput* Input() const { return FInput.load(); }
    virtual void SetInput(TAudioInput* Value);

    // Park the worker between runs (default true).
    bool SuspendWhenIdle() const;
    void SetSuspendWhenIdle(bool Value);

    // A run has ended normally, or by Abort (see LastRunAborted). Main thread.
    TOutputDoneEvent OnDone;
    // A run has ended with an exception; OnDone does not follow. Main thread.
    TThreadExceptionEvent OnThreadException;

    // Starts a run, numbered RunNumber(). Raises EAudioException "Component is Busy" or
    // "Input is not assigned" (state unchanged). Any exception of PrepareRun goes to
    // OnThreadException before Run returns, and the output is idle again.
    void Run();
    // Asks the running run to end early; the worker ends it at its next step and OnDone
    // follows with LastRunAborted() true. Does nothing while idle (a run that has just
    // ended by itself stays ended: its OnDone says it was not aborted).
    void Abort();
    // The last run whose OnDone was delivered ended because of Abort.
    bool LastRunAborted() const { return FLastRunAborted; }
    // Number of the latest run Run started (1, 2, ...; 0 before the first).
    uint64_t RunNumber() const { return FRunNumber; }
    // While a handler runs: the number of the run whose event it handles. Main thread.
    uint64_t EventRun() const { return FEventRun; }

    TOutputStatus GetStatus() const;
    // A run is in progress.
    bool Busy() const { return FBusy; }

protected:
    // One unit of work; answers false when the run is over. Worker thread.
    virtual bool WriteStep(bool Abort) = 0;
    // Finalises the output after the last step (worker), or releases what a failed run
    // holds (RunFailed() true; thread of the failure). Must tolerate a second call.
    virtual void FinishRun() = 0;
    // Sets the output up before the worker starts. Main thread, inside Run.
    virtual void PrepareRun() = 0;
    // Asks the run's own threads, if it has any, to give up soon: Abort and destruction
    // call it (main thread) while the worker may be running.
    virtual void InterruptRun() {}

    // Ends a failed run: releases the input's locks, attempts FinishRun, reports through
    // OnThreadException.
    void HandleThreadException(const std::exception& E);
    // Stops the worker (idempotent); the most derived destructor calls it first.
    void StopWorker();
    // True while the worker is being stopped for destruction.
    bool Stopping() const;
    // True while FinishRun runs on the error path.
    bool RunFailed() const { return FRunFailed; }
    // True while FinishRun ends a run that Abort cut short. Worker.
    bool RunAborted() const { return FRunAborted; }

    // The input's format, taken on the main thread when a run starts and on a hot
    // exchange, so that the worker never asks the input (its queries may open files).
    void NoteInputFormat();
    int InputChannels() const { return FInputChannels; }
    int InputBitsPerSample() const { return FInputBits; }

    // The worker may perform steps.
    std::atomic<bool> CanOutput{false};
    // Makes a read of Input by the worker and a hot exchange mutually exclusive.
    std::atomic_flag InputLock;
    std::unique_ptr<TOutputThread> Thread;

    // Holds InputLock for a scope (waiting by polling, as the exchange does).
    class TInputLockGuard {
    public:
        explicit TInputLockGuard(std::atomic_flag& Lock);
        ~TInputLockGuard();
        TInputLockGuard(const TInputLockGuard&) = delete;
        TInputLockGuard& operator=(const TInputLockGuard&) = delete;

    private:
        std::atomic_flag& FLock;
    };

private:
    friend class TEventCarrier;
    void CompleteRun();
    void InputDestroyed(QObject* Dying);
    void WatchInput();

    std::atomic<TAudioInput*> FInput{nullptr};
    QMetaObject::Connection FInputWatch;
    std::atomic<bool> FBusy{false};
    std::atomic<bool> FRunAborted{false};
    std::atomic<bool> FRunFailed{false};
    std::atomic<uint64_t> FRunNumber{0};
    // Main thread only: set as events are delivered.
    bool FLastRunAborted = false;
    uint64_t FEventRun = 0;
    std::atomic<int> FInputChannels{0};
    std::atomic<int> FInputBits{0};
};
