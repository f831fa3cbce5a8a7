#pragma once

// Fine loudness buckets (about 5 ms) of the stretches of a sound track a person looks at
// closely on a zoomed time line: the whole-source overview (TLoudnessEnvelope, 100 ms
// buckets) is too coarse to see where a pause begins.
//
// The track is cut into chunks of kChunkSeconds. Request() names the part in view; the
// chunks of it not made yet are decoded on a worker thread of this object's own (seeking
// straight to them, the middle of the view first), each published whole as a
// TEnvelopeData whose startSeconds is the chunk's start. A newer request replaces what an
// older one still had waiting. Chunks far from the view are forgotten beyond kKeptChunks.
// Times are stream times as TLoudnessEnvelope counts them (0 = what a player shows as 0).
//
// Threads: the object lives on the GUI thread, which calls every method and receives
// ready(); the worker touches only its own decoder and the chunk table (under a lock).

#include "audio/loudness/loudness_envelope.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

class TLoudnessDetail : public QObject {
    Q_OBJECT
public:
    static constexpr double kChunkSeconds = 10.0;
    static constexpr double kBucketSeconds = 0.005;
    static constexpr int kKeptChunks = 240; // 40 minutes of detail, about 4 MB

    explicit TLoudnessDetail(QObject* parent = nullptr);
    ~TLoudnessDetail() override;

    // Forgets every chunk and names the track to read (`streamIndex` as for
    // TLoudnessEnvelope::Start); nothing is decoded until a request. An empty path stops.
    void SetSource(const QString& path, int streamIndex = -1);
    // Asks for the chunks covering [fromSeconds, toSeconds].
    void Request(double fromSeconds, double toSeconds);

    // The chunk holding stream time `seconds`, or null when it is not made (yet). A chunk
    // past the end of the track, or one that could not be read, has no buckets.
    std::shared_ptr<const TEnvelopeData> ChunkAt(double seconds) const;
    // The decoder could not read the track: no detail will come for this source.
    bool Failed() const { return FFailed; }

signals:
    // Another chunk was published (queued to the GUI thread).
    void ready();

private:
    void StopWorker();
    void Run(QString path, int streamIndex, uint64_t generation);
    void Forget(int64_t keepAround);

    mutable std::mutex FLock;
    std::condition_variable FWake;
    std::map<int64_t, std::shared_ptr<const TEnvelopeData>> FChunks; // under FLock
    std::deque<int64_t> FWanted;                                     // under FLock
    std::atomic<bool> FStop{false};
    std::thread FWorker;
    QString FPath;
    int FStreamIndex = -1;
    std::atomic<bool> FFailed{false};
    std::atomic<uint64_t> FGeneration{0}; // notifications of an older source are dropped
};
