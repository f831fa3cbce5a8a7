#pragma once

#include <QObject>

#include <atomic>
#include <cstdint>
#include <memory>

class TAudioPartReader;

// A source of PCM that an output pulls from: interleaved samples, frame after frame,
// described by bits per sample, channels and sample rate. 8 bits are unsigned, 16 bits
// signed little-endian, 32 bits (FloatBits) IEEE floats in the machine's byte order with
// full scale at +-1.0. All byte counts (Position, Size) are bytes of that PCM, in 64 bits
// so that films of many hours fit.
//
// Threads: created, configured and destroyed on the main thread. During a run the
// output's worker calls ReadData (and EndRead at the normal end); BeginRead and the
// format queries run on the main thread. Position and Size are atomics because the main
// thread reads them for progress while the worker advances them.
//
// The owner is the QObject parent. An input must not be destroyed while an output is
// running on it; when it is destroyed idle, outputs holding it as Input let go of it.
class TAudioInput : public QObject {
    Q_OBJECT
public:
    explicit TAudioInput(QObject* AOwner = nullptr);
    ~TAudioInput() override;

    // The bits per sample of float PCM.
    static constexpr int FloatBits = 32;

    // Bytes delivered by ReadData since the last BeginRead.
    std::atomic<int64_t> Position{0};
    // Bytes expected in total: -1 unknown, 0 nothing or not known yet.
    std::atomic<int64_t> Size{0};
    // A run is using the input (set by BeginRead, cleared by EndRead).
    std::atomic<bool> Busy{false};
    // 1-based window of unread bytes in the input's own block buffer; BufStart > BufEnd
    // means the buffer is used up.
    int32_t BufStart = 1;
    int32_t BufEnd = 0;

    virtual int GetBitsPerSample() = 0;
    virtual int GetChannels() = 0;
    virtual int GetSampleRate() = 0;
    virtual int GetLengthSeconds();
    // Copies at most BufferSize bytes of PCM into Buffer; answers the count, 0 when the
    // input is exhausted.
    virtual int ReadData(void* Buffer, int BufferSize) = 0;
    // Ends a read whatever state it is in (EndRead's errors are swallowed).
    virtual void ResetInput();
    // Asks a ReadData in progress on the worker to give up soon (it then raises); the
    // output calls it on Abort and when it is destroyed mid-run. The next BeginRead reads
    // normally again. Main thread; an input without long reads ignores it.
    virtual void Interrupt() {}
    virtual void BeginRead() = 0;
    virtual void EndRead() = 0;

    // For an output that reads a run in parts on several threads (between BeginRead and
    // EndRead): the frames ReadData would deliver in this run (-1 when unknown or when the
    // input cannot be read in parts), and a reader of frames [First, First + Frames) of the
    // run's time line (Frames -1: to the source's end), usable on another thread. First may
    // lie before the run's start and First + Frames after its end: the part then holds the
    // source's sound around the run (silence before the source's start), which an encoder
    // hears before and after the range. The default: no parts.
    virtual bool CanReadParts() { return false; }
    virtual int64_t RunFrames() { return -1; }
    virtual std::unique_ptr<TAudioPartReader> OpenPart(int64_t First, int64_t Frames);
};
