#pragma once

// Inputs and outputs with known behaviour for the pipeline's tests.

#include "audio/pipeline/audio_exception.h"
#include "audio/pipeline/audio_file_in.h"
#include "audio/pipeline/audio_input.h"
#include "audio/pipeline/audio_output.h"
#include "audio/pipeline/audio_part_reader.h"

#include <QCoreApplication>
#include <QString>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Serves the main thread's events until Done answers true or the time is up.
inline bool WaitUntil(const std::function<bool()>& Done, int TimeoutMs = 20000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (!Done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

// A signal that is never silent and never repeats: a gliding tone with a second voice,
// different on each channel, so that offsets and channel order can be checked.
inline std::vector<int16_t> TestSignal(int64_t Frames, int Channels, int Rate) {
    std::vector<int16_t> pcm(size_t(Frames) * Channels);
    const double twoPi = 6.283185307179586;
    for (int64_t i = 0; i < Frames; ++i) {
        const double t = double(i) / Rate;
        for (int c = 0; c < Channels; ++c) {
            const double f = 220.0 * (1 + c) + 300.0 * t;
            const double v =
                0.45 * std::sin(twoPi * f * t) + 0.2 * std::sin(twoPi * 1375.0 * t + c);
            pcm[size_t(i) * Channels + c] = int16_t(std::lround(v * 32767));
        }
    }
    return pcm;
}

// An input that delivers a given block of PCM, in chunks of at most ChunkBytes.
class TPcmInput : public TAudioInput {
public:
    explicit TPcmInput(std::vector<uint8_t> Bytes, int Channels = 2, int Rate = 44100,
                       int Bits = 16, QObject* AOwner = nullptr)
        : TAudioInput(AOwner), FBytes(std::move(Bytes)), FChannels(Channels), FRate(Rate),
          FBits(Bits) {}

    static std::vector<uint8_t> FromSamples(const std::vector<int16_t>& Samples) {
        std::vector<uint8_t> b(Samples.size() * 2);
        std::memcpy(b.data(), Samples.data(), b.size());
        return b;
    }

    int GetBitsPerSample() override { return FBits; }
    int GetChannels() override { return FChannels; }
    int GetSampleRate() override { return FRate; }

    int ReadData(void* Buffer, int BufferSize) override {
        if (DelayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(DelayMs));
        if (FailAtRead >= 0 && Reads >= FailAtRead)
            throw EAudioException(QStringLiteral("test input failed"));
        ++Reads;
        const int64_t left = int64_t(FBytes.size()) - FAt;
        const int n = int(std::min<int64_t>({left, BufferSize, ChunkBytes}));
        if (n > 0)
            std::memcpy(Buffer, FBytes.data() + FAt, size_t(n));
        FAt += n;
        Position += n;
        return n;
    }
    void BeginRead() override {
        ++BeginReads;
        FAt = 0;
        Position = 0;
        Size = SizeOverride ? *SizeOverride : int64_t(FBytes.size());
        Busy = true;
    }
    void EndRead() override {
        ++EndReads;
        Busy = false;
    }

    // With Parts, the input can be read in parts (each a view of the same bytes); the part
    // not starting at frame 0 raise when read with FailLaterParts, and start that many
    // frames late with ShiftLaterParts (a source whose seeks land beside the sample asked).
    bool CanReadParts() override { return Parts; }
    int64_t RunFrames() override { return Parts ? int64_t(FBytes.size()) / FrameBytes() : -1; }
    std::unique_ptr<TAudioPartReader> OpenPart(int64_t First, int64_t Frames) override {
        if (!Parts)
            return nullptr;
        ++PartsOpened;
        const int64_t shift = First > 0 ? ShiftLaterParts : 0;
        return std::make_unique<TPart>(*this, First + shift, Frames, FailLaterParts && First > 0);
    }

    int ChunkBytes = 1 << 30;
    int DelayMs = 0;
    int FailAtRead = -1;
    bool Parts = false;
    bool FailLaterParts = false;
    int ShiftLaterParts = 0;
    std::atomic<int> PartsOpened{0};
    const int64_t* SizeOverride = nullptr;
    std::atomic<int> Reads{0}, BeginReads{0}, EndReads{0};

private:
    int FrameBytes() const { return FChannels * FBits / 8; }
    class TPart : public TAudioPartReader {
    public:
        // Frames before the first are silence, as a source's time line before its start.
        TPart(const TPcmInput& In, int64_t First, int64_t Frames, bool Fail)
            : FIn(In), FAt(First), FEnd(std::min(Frames < 0 ? INT64_MAX / 2 : First + Frames,
                                                 int64_t(In.FBytes.size()) / In.FrameBytes())),
              FFail(Fail) {}
        int Read(void* Buffer, int Frames) override {
            if (FFail)
                throw EAudioException(QStringLiteral("test part failed"));
            if (FIn.DelayMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(FIn.DelayMs));
            const int n = int(std::max<int64_t>(0, std::min<int64_t>(Frames, FEnd - FAt)));
            const int64_t bytes = FIn.FrameBytes();
            auto* out = static_cast<uint8_t*>(Buffer);
            for (int i = 0; i < n; ++i) {
                const int64_t at = FAt + i;
                if (at < 0)
                    std::memset(out + i * bytes, 0, size_t(bytes));
                else
                    std::memcpy(out + i * bytes, FIn.FBytes.data() + at * bytes, size_t(bytes));
            }
            FAt += n;
            return n;
        }

    private:
        const TPcmInput& FIn;
        int64_t FAt, FEnd;
        bool FFail;
    };

    std::vector<uint8_t> FBytes;
    int64_t FAt = 0;
    int FChannels, FRate, FBits;
};

// An output that reads its input and keeps the bytes, with hooks for each phase.
class TRecordingOutput : public TAudioOutput {
public:
    explicit TRecordingOutput(QObject* AOwner = nullptr) : TAudioOutput(AOwner) {}
    ~TRecordingOutput() override { StopWorker(); }

    using TAudioOutput::InputLock;

    std::function<void()> OnPrepare;         // may raise
    std::function<void()> OnFinish;          // inside FinishRun, on its thread
    std::function<int(int Step)> StepResult; // -1 raise, 0 end, 1 go on; empty = read input
    int StepDelayMs = 0;
    int BlockBytes = 256;

    std::atomic<int> Prepares{0}, Steps{0}, Finishes{0}, FailedFinishes{0};
    std::vector<uint8_t> Received; // worker only while running

protected:
    void PrepareRun() override {
        ++Prepares;
        if (OnPrepare)
            OnPrepare();
        Received.clear();
        if (Input())
            Input()->BeginRead();
    }
    bool WriteStep(bool Abort) override {
        if (!CanOutput)
            return true;
        if (Abort)
            return false;
        const int step = Steps++;
        if (StepDelayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(StepDelayMs));
        if (StepResult) {
            const int r = StepResult(step);
            if (r < 0)
                throw EAudioException(QStringLiteral("step failed"));
            return r > 0;
        }
        std::vector<uint8_t> block(static_cast<size_t>(BlockBytes));
        int got;
        {
            TInputLockGuard lock(InputLock);
            if (!Input())
                throw EAudioException(QStringLiteral("Input is not assigned"));
            got = Input()->ReadData(block.data(), BlockBytes);
        }
        Received.insert(Received.end(), block.begin(), block.begin() + got);
        return got > 0;
    }
    void FinishRun() override {
        if (OnFinish)
            OnFinish();
        ++Finishes;
        if (RunFailed())
            ++FailedFinishes;
        if (Input())
            Input()->EndRead();
    }
};
