#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>

// Synchronous calls from worker threads onto the main thread (the thread of the
// QCoreApplication). A worker queues a call and waits until the main thread has run it.
// The main thread serves the queue from its event loop and also while it waits for a
// worker to stop (WaitServing), so destroying an output never deadlocks against a call
// that its worker has already started.
//
// Threads: CallSync from any thread; Drain and WaitServing on the main thread.
class TMainThreadQueue {
public:
    static TMainThreadQueue& Instance();

    // Runs Call on the main thread and waits for it to return; an exception it raises is
    // raised again here. On the main thread itself (or without an application object)
    // the call runs at once.
    void CallSync(const std::function<void()>& Call);

    // Runs the calls waiting now. Main thread only; re-entrant (a call may run a nested
    // event loop that drains again).
    void Drain();

    // Waits until Done answers true, serving queued calls meanwhile when called on the
    // main thread. Done is evaluated under the queue's lock; whoever changes what it
    // reads calls Wake afterwards.
    void WaitServing(const std::function<bool()>& Done);
    void Wake();

    static bool IsMainThread();

private:
    TMainThreadQueue() = default;

    struct TItem {
        const std::function<void()>* Call = nullptr;
        std::exception_ptr Error;
        bool Finished = false;
    };

    std::mutex FLock;
    std::condition_variable FChanged;
    std::deque<TItem*> FPending;
};
