#include "audio/pipeline/main_thread_queue.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <chrono>

TMainThreadQueue& TMainThreadQueue::Instance() {
    static TMainThreadQueue queue;
    return queue;
}

bool TMainThreadQueue::IsMainThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

void TMainThreadQueue::CallSync(const std::function<void()>& Call) {
    if (IsMainThread()) {
        Call();
        return;
    }
    TItem item;
    item.Call = &Call;
    {
        std::lock_guard lock(FLock);
        FPending.push_back(&item);
    }
    FChanged.notify_all();
    // One posted drain per call; a drain that finds the queue already served is harmless.
    // The functor captures nothing and reaches the queue through Instance(): Qt's event
    // queue hands it over under its own lock, which a thread checker cannot see, while
    // the function-local static's guard and FLock it can.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { Instance().Drain(); }, Qt::QueuedConnection);
    std::unique_lock lock(FLock);
    FChanged.wait(lock, [&] { return item.Finished; });
    if (item.Error)
        std::rethrow_exception(item.Error);
}

void TMainThreadQueue::Drain() {
    for (;;) {
        TItem* item;
        {
            std::lock_guard lock(FLock);
            if (FPending.empty())
                return;
            item = FPending.front();
            FPending.pop_front();
        }
        std::exception_ptr error;
        try {
            (*item->Call)();
        } catch (...) {
            error = std::current_exception();
        }
        {
            std::lock_guard lock(FLock);
            item->Error = error;
            item->Finished = true;
        }
        FChanged.notify_all();
    }
}

void TMainThreadQueue::WaitServing(const std::function<bool()>& Done) {
    const bool serve = IsMainThread();
    for (;;) {
        if (serve)
            Drain();
        std::unique_lock lock(FLock);
        if (Done())
            return;
        // The timeout only bounds the damage of a missed Wake; normally a queued call
        // or the Wake of the awaited change ends the wait.
        FChanged.wait_for(lock, std::chrono::milliseconds(50),
                          [&] { return (serve && !FPending.empty()) || Done(); });
        if (Done())
            return;
    }
}

void TMainThreadQueue::Wake() {
    { std::lock_guard lock(FLock); }
    FChanged.notify_all();
}
