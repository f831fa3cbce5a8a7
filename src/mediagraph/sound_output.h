#pragma once

// The sound device side of the audio renderer: a QAudioSink on its own thread pulling
// 16-bit PCM from a small buffer that the renderer fills. It also tells which stream
// time is being heard, so the graph's clock can follow the sound.
// Create, Write, Flush, SetPlaying and HeardTime may be called from any thread.

#include "mediagraph/media_types.h"

#include <QByteArray>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class QObject;
class QThread;
class QAudioSink;

namespace media {

class TSoundOutput {
public:
    // Null when there is no sound device or it refuses the format.
    static std::unique_ptr<TSoundOutput> Create(int sampleRate, int channels);
    ~TSoundOutput();

    // Waits while the buffer is full; false when stop() turned true meanwhile.
    bool Write(const char* data, qint64 bytes, REFERENCE_TIME pts,
               const std::function<bool()>& stop);
    void Flush();
    void SetPlaying(bool playing);
    // Stream time of the sound being heard, -1 while unknown.
    REFERENCE_TIME HeardTime() const { return FHeard.load(); }

    // Called by the device on its thread.
    qint64 Read(char* data, qint64 max);

private:
    TSoundOutput(int sampleRate, int channels);
    bool Open();
    void Tick();

    struct Chunk {
        QByteArray bytes;
        REFERENCE_TIME pts;
        qint64 offset = 0;
    };
    const int FRate;
    const int FChannels;
    const qint64 FBytesPerSecond;
    mutable std::mutex FLock;
    std::condition_variable FSpace;
    std::deque<Chunk> FChunks;
    qint64 FBuffered = 0;
    REFERENCE_TIME FReadPts = -1; // stream time of the next byte the device reads
    std::atomic<REFERENCE_TIME> FHeard{-1};
    std::atomic<qint64> FSettleUntil{0}; // ms since epoch; no estimate before (device filling up)
    QThread* FThread = nullptr;
    QObject* FContext = nullptr; // lives on FThread; parent of the device's objects
    QAudioSink* FSink = nullptr; // lives on FThread
};

} // namespace media
