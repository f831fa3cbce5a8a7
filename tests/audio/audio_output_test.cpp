// The output's run cycle: busy checks, failures, progress, parking and destruction.

#include "audio_test_doubles.h"

#include "audio/pipeline/audio_file_out.h"
#include "audio/pipeline/main_thread_queue.h"

#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

std::vector<uint8_t> Bytes(size_t n) {
    std::vector<uint8_t> b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = uint8_t(i * 7 + 3);
    return b;
}

struct Events {
    std::atomic<int> done{0}, failed{0};
    std::mutex lock;
    QString error;
    bool errorOnMainThread = true;
    void Attach(TAudioOutput& out) {
        out.OnDone = [this](QObject*) {
            EXPECT_TRUE(TMainThreadQueue::IsMainThread());
            ++done;
        };
        out.OnThreadException = [this](QObject*, const std::exception& e) {
            std::lock_guard l(lock);
            error = ExceptionMessage(e);
            errorOnMainThread = TMainThreadQueue::IsMainThread();
            ++failed;
        };
    }
};

} // namespace

TEST(AudioOutput, RunChecksBusyAndInputBeforePreparing) {
    TRecordingOutput out;
    Events ev;
    ev.Attach(out);
    try {
        out.Run();
        FAIL() << "Run without input must raise";
    } catch (const EAudioException& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Input is not assigned"));
    }
    EXPECT_EQ(out.Prepares, 0);
    EXPECT_EQ(out.GetStatus(), tosIdle);

    TPcmInput in(Bytes(64 * 1024));
    in.ChunkBytes = 256;
    out.SetInput(&in);
    out.StepDelayMs = 1;
    out.Run();
    EXPECT_EQ(out.GetStatus(), tosRunning);
    try {
        out.Run();
        FAIL() << "second Run must raise";
    } catch (const EAudioException& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Component is Busy"));
    }
    ASSERT_TRUE(WaitUntil([&] { return ev.done == 1; }));
    // The running run was not disturbed: every byte arrived, in order, once.
    EXPECT_EQ(out.Received, Bytes(64 * 1024));
    EXPECT_EQ(out.Prepares, 1);
    EXPECT_EQ(out.Finishes, 1);
    EXPECT_EQ(in.EndReads, 1);
    EXPECT_EQ(ev.failed, 0);
    EXPECT_EQ(out.GetStatus(), tosIdle);
}

TEST(AudioOutput, PrepareRunFailureLeavesTheOutputIdleAndReady) {
    TRecordingOutput out;
    Events ev;
    ev.Attach(out);
    TPcmInput in(Bytes(1000));
    out.SetInput(&in);
    out.OnPrepare = [] { throw EAudioException(QStringLiteral("cannot prepare")); };
    EXPECT_NO_THROW(out.Run());
    EXPECT_EQ(ev.failed, 1);
    EXPECT_EQ(ev.error, QStringLiteral("cannot prepare"));
    EXPECT_TRUE(ev.errorOnMainThread); // reported where it surfaced
    EXPECT_EQ(out.Finishes, 0);
    EXPECT_FALSE(out.Busy());
    EXPECT_EQ(out.GetStatus(), tosIdle);

    out.OnPrepare = nullptr;
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return ev.done == 1; }));
    EXPECT_EQ(out.Received.size(), 1000u);
}

TEST(AudioOutput, StepFailureEndsTheRunWithoutOnDone) {
    TRecordingOutput out;
    Events ev;
    ev.Attach(out);
    TPcmInput in(Bytes(100000));
    in.ChunkBytes = 100;
    in.FailAtRead = 5;
    out.SetInput(&in);
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return ev.failed == 1; }));
    EXPECT_EQ(ev.error, QStringLiteral("test input failed"));
    EXPECT_TRUE(ev.errorOnMainThread); // handed over, like OnDone
    ASSERT_TRUE(WaitUntil([&] { return out.GetStatus() == tosIdle; }));
    EXPECT_EQ(out.FailedFinishes, 1);
    // Give a wrongly delivered OnDone the chance to arrive.
    WaitUntil([] { return false; }, 50);
    EXPECT_EQ(ev.done, 0);

    // The output is usable again.
    in.FailAtRead = -1;
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return ev.done == 1; }));
    EXPECT_EQ(out.Received.size(), 100000u);
}

TEST(AudioOutput, HandlersClearedWhileTheWorkerFailsAreNeverRaced) {
    // What closing the window does during a failing run: the main thread clears the
    // handlers and destroys the output while the worker is ending the run with an error.
    auto out = std::make_unique<TRecordingOutput>();
    TPcmInput in(Bytes(1000));
    out->SetInput(&in);
    out->StepResult = [](int) { return -1; };
    std::atomic<bool> finishing{false};
    out->OnFinish = [&] {
        finishing = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    };
    std::atomic<int> reports{0};
    out->OnThreadException = [&](QObject*, const std::exception&) { ++reports; };
    out->Run();
    while (!finishing)
        std::this_thread::yield();
    out->OnThreadException = nullptr;
    out->OnDone = nullptr;
    out.reset();
    EXPECT_EQ(reports, 0);
}

TEST(AudioOutput, WriteStepEndingAtOnceStillFinishesAndReportsOnce) {
    TRecordingOutput out;
    TPcmInput in(Bytes(10));
    out.SetInput(&in);
    out.StepResult = [](int) { return 0; };
    std::atomic<int> done{0};
    bool busyInDone = true;
    int finishesInDone = -1;
    out.OnDone = [&](QObject* sender) {
        EXPECT_EQ(sender, &out);
        busyInDone = out.Busy();
        finishesInDone = out.Finishes;
        ++done;
    };
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return done == 1; }));
    WaitUntil([] { return false; }, 50);
    EXPECT_EQ(done, 1);
    EXPECT_EQ(out.Steps, 1);
    EXPECT_FALSE(busyInDone);
    EXPECT_EQ(finishesInDone, 1);
    EXPECT_FALSE(out.LastRunAborted());
}

TEST(AudioOutput, WakeUpRightAfterOnDoneIsNeverLost) {
    TRecordingOutput out;
    TPcmInput in(Bytes(300));
    out.SetInput(&in);
    constexpr int kRuns = 200;
    std::atomic<int> done{0};
    // Half of the runs start from inside OnDone (the worker has not parked yet), half from
    // a queued call just after the handler returned.
    out.OnDone = [&](QObject*) {
        const int n = ++done;
        if (n >= kRuns)
            return;
        if (n % 2)
            out.Run();
        else
            QTimer::singleShot(0, &out, [&] { out.Run(); });
    };
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return done == kRuns; }, 60000)) << done;
    EXPECT_EQ(out.Received.size(), 300u);
    EXPECT_EQ(in.BeginReads, kRuns);
    EXPECT_EQ(in.EndReads, kRuns);
}

TEST(AudioOutput, DestroyingAParkedOutputReturns) {
    auto out = std::make_unique<TRecordingOutput>();
    EXPECT_EQ(out->GetStatus(), tosIdle);
    out.reset();

    // Also after a run, with the worker parked again.
    out = std::make_unique<TRecordingOutput>();
    TPcmInput in(Bytes(10));
    out->SetInput(&in);
    std::atomic<int> done{0};
    out->OnDone = [&](QObject*) { ++done; };
    out->Run();
    ASSERT_TRUE(WaitUntil([&] { return done == 1; }));
    out.reset();
}

TEST(AudioOutput, DestroyingMidRunStopsTheWorker) {
    TPcmInput in(Bytes(10 * 1000 * 1000));
    in.ChunkBytes = 16;
    auto out = std::make_unique<TRecordingOutput>();
    out->SetInput(&in);
    out->Run();
    ASSERT_TRUE(WaitUntil([&] { return out->Steps > 10; }));
    out.reset();
    EXPECT_LT(in.Position, int64_t(10 * 1000 * 1000));
}

TEST(AudioOutput, DestroyingWhileOnDoneIsOnItsWayToTheMainThreadDoesNotDeadlock) {
    // The run ended and its event waits for the main thread, which does not serve events
    // here and destroys the output instead.
    auto out = std::make_unique<TRecordingOutput>();
    TPcmInput in(Bytes(10));
    out->SetInput(&in);
    out->StepResult = [](int) { return 0; };
    std::atomic<int> done{0};
    out->OnDone = [&](QObject*) { ++done; };
    out->Run();
    while (out->Finishes < 1)
        QThread::usleep(200);
    out.reset();
    // The handler of an output being destroyed is not run.
    EXPECT_EQ(done, 0);
}

TEST(AudioOutput, AbortEndsTheRunAndSaysSo) {
    TRecordingOutput out;
    TPcmInput in(Bytes(10 * 1000 * 1000));
    in.ChunkBytes = 16;
    out.SetInput(&in);
    std::atomic<int> done{0};
    bool aborted = false;
    uint64_t run = 0;
    out.OnDone = [&](QObject*) {
        aborted = out.LastRunAborted();
        run = out.EventRun();
        ++done;
    };
    out.Run();
    EXPECT_EQ(out.RunNumber(), 1u);
    ASSERT_TRUE(WaitUntil([&] { return out.Steps > 5; }));
    out.Abort();
    ASSERT_TRUE(WaitUntil([&] { return done == 1; }));
    EXPECT_TRUE(aborted);
    EXPECT_EQ(run, 1u);
    EXPECT_EQ(out.EventRun(), 0u); // only while a handler runs
    EXPECT_EQ(out.Finishes, 1);
    EXPECT_EQ(in.EndReads, 1);

    // The next run is a whole one again.
    in.ChunkBytes = 1 << 20;
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return done == 2; }));
    EXPECT_FALSE(aborted);
    EXPECT_EQ(run, 2u);
    // Abort while idle does nothing to the next run.
    out.Abort();
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return done == 3; }));
    EXPECT_FALSE(aborted);
    EXPECT_EQ(out.Received.size(), 10u * 1000 * 1000);
}

TEST(AudioOutput, HotExchangeOfInputWhileBusy) {
    TRecordingOutput out;
    TPcmInput first(std::vector<uint8_t>(1000 * 1000, 1));
    first.ChunkBytes = 16;
    TPcmInput second(std::vector<uint8_t>(4096, 2));
    // Slow enough that the first input cannot run out before the exchange, however long
    // a loaded machine keeps this thread waiting.
    out.StepDelayMs = 1;
    out.SetInput(&first);
    std::atomic<int> done{0};
    out.OnDone = [&](QObject*) { ++done; };
    out.Run();
    ASSERT_TRUE(WaitUntil([&] { return out.Steps > 10; }));
    out.SetInput(&second);
    EXPECT_EQ(second.BeginReads, 1);
    EXPECT_EQ(first.EndReads, 1);
    ASSERT_TRUE(WaitUntil([&] { return done == 1; }));
    ASSERT_GE(out.Received.size(), 4096u);
    EXPECT_TRUE(std::all_of(out.Received.end() - 4096, out.Received.end(),
                            [](uint8_t b) { return b == 2; }));
    EXPECT_EQ(second.EndReads, 1);
    EXPECT_EQ(first.EndReads, 1);
}

TEST(AudioOutput, ADestroyedInputIsLetGo) {
    TRecordingOutput out;
    auto in = std::make_unique<TPcmInput>(Bytes(10));
    out.SetInput(in.get());
    in.reset();
    EXPECT_EQ(out.Input(), nullptr);
    EXPECT_THROW(out.Run(), EAudioException);

    // An owner (QObject parent) frees its inputs, with the same effect.
    auto owner = std::make_unique<QObject>();
    out.SetInput(new TPcmInput(Bytes(10), 2, 44100, 16, owner.get()));
    owner.reset();
    EXPECT_EQ(out.Input(), nullptr);
}

TEST(AudioOutput, FileModeIsAlwaysRewrite) {
    struct TFileOut : TAudioFileOut {
        ~TFileOut() override { StopWorker(); }
        void PrepareRun() override {}
        bool WriteStep(bool) override { return false; }
        void FinishRun() override {}
    } out;
    out.SetFileMode(foAppend);
    EXPECT_EQ(out.FileMode(), foRewrite);
}
