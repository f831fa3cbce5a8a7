#pragma once

// Waiting for an MP3 output's run in tests: how it ended, and a run that must succeed.

#include "audio_test_doubles.h"

#include "audio/rip/mp3_out.h"

#include <QString>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>

struct TOutcome {
    std::atomic<int> done{0}, failed{0};
    std::mutex lock;
    QString error;
    bool aborted = false;

    void Attach(TMP3Out& out) {
        out.OnDone = [this, &out](QObject*) {
            aborted = out.LastRunAborted();
            ++done;
        };
        out.OnThreadException = [this](QObject*, const std::exception& e) {
            std::lock_guard l(lock);
            error = ExceptionMessage(e);
            ++failed;
        };
    }
    bool Wait() {
        return WaitUntil([this] { return done + failed > 0; }, 60000);
    }
    QString Error() {
        std::lock_guard l(lock);
        return error;
    }
};

inline std::unique_ptr<TPcmInput> SignalInput(int64_t Frames, int Channels, int Rate) {
    return std::make_unique<TPcmInput>(TPcmInput::FromSamples(TestSignal(Frames, Channels, Rate)),
                                       Channels, Rate);
}

// Encodes In to Path with Setup applied; expects a complete run.
inline void EncodeOk(TMP3Out& Out, TAudioInput& In, const QString& Path) {
    TOutcome outcome;
    outcome.Attach(Out);
    Out.FileName = Path;
    Out.SetInput(&In);
    Out.Run();
    ASSERT_TRUE(outcome.Wait());
    ASSERT_EQ(outcome.failed, 0) << outcome.Error().toStdString();
    ASSERT_EQ(outcome.done, 1);
}
