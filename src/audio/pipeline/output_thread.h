#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

class TAudioOutput;

// The worker of an output: created with it (parked), it performs the output's steps,
// ends runs, and parks between them. Owned by its output and never handed to anyone.
//
// Threads: Execute runs on the worker's own thread; Resume comes from Run (main thread);
// Stop from the destroying thread. Parking uses a condition variable: a wake-up that
// arrives while a run is ending (after Busy was cleared, before the worker parks) is
// remembered, so the next run always starts.
class TOutputThread {
public:
    explicit TOutputThread(TAudioOutput* AParent);
    ~TOutputThread();
    TOutputThread(const TOutputThread&) = delete;
    TOutputThread& operator=(const TOutputThread&) = delete;

    TAudioOutput* const Parent;
    // Park between runs.
    std::atomic<bool> SuspendWhenIdle{true};
    // Leave the worker loop; set by the destroying thread, cleared by the worker.
    std::atomic<bool> StopRequest{false};
    // Passed to WriteStep: end the current run early.
    std::atomic<bool> AbortRequest{false};
    // Called on this thread when a step raises (the parent's HandleThreadException).
    std::function<void(const std::exception&)> ExceptionHandler;
    // Pause before each step, in milliseconds; only values above 5 count.
    int32_t StepDelay = 0;
    // Held for the whole of each pass of the loop.
    std::mutex CriticalSection;

    // Starts the thread; it parks until the first Resume.
    void Start();
    // Wakes a parked worker, or makes a worker that is ending a run go on instead of
    // parking.
    void Resume();
    bool Parked() const;
    // Makes the worker leave its loop and waits for it, serving main-thread calls while
    // waiting. A parked worker is woken only to leave. Safe to call more than once.
    void Stop();
    // The worker has left its loop (or never started).
    bool Stopped() const { return FFinished; }

private:
    void Execute();
    void Pass();
    // The run is over (Busy is about to be cleared): from now on a Resume is remembered.
    void MarkEnding();
    // Parks unless a Resume came while the run was ending.
    void EndOfRun();

    std::thread FThread;
    mutable std::mutex FParkLock;
    std::condition_variable FParkWake;
    bool FParked = true;
    bool FEnding = false;
    bool FWakePending = false;
    std::atomic<bool> FFinished{true};
};
