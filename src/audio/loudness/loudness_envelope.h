#pragma once

// The loudness overview of a source's sound track, drawn in the track bar's channel so a
// person placing the range markers sees pauses and loud parts.
//
// Start() decodes one audio stream on a worker thread of its own (mono, the stream's own
// rate) and cuts it into buckets of a fixed length, each holding the peak and the RMS
// level of its samples. Buckets are published as they are made: Snapshot() gives the
// latest state at any time, and progressed() tells the GUI thread about it at most about
// ten times a second. Stop() (also Start() of another source and the destructor) ends
// the worker promptly; the GUI thread never waits on decoding.
//
// Bucket n covers stream time [n * BucketSeconds, (n + 1) * BucketSeconds), time 0 being
// the container's start, the instant a player shows as 0 (as TMediaAudioStream counts).
//
// Threads: the object lives on the GUI thread, which calls every method; signals arrive
// there. The worker touches only the published snapshot (under a lock) and its own
// decoder.

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Levels of one bucket, as fractions of full scale (0..1).
struct TEnvelopeBucket {
    float peak = 0;
    float rms = 0;
};

// What the worker has made so far. Immutable once published, so it is shared freely.
struct TEnvelopeData {
    enum class TState { esEmpty, esRunning, esFinished, esFailed, esStopped };
    TState state = TState::esEmpty;
    std::vector<TEnvelopeBucket> buckets; // from startSeconds onwards, without gaps
    double bucketSeconds = 0.1;
    double startSeconds = 0; // stream time of the first bucket (0 for a whole overview)
    int expectedBuckets = 0; // from the stream's duration; 0 when unknown
    QString error;           // why it failed (esFailed)
    bool Done() const { return state == TState::esFinished || state == TState::esFailed; }
};

class TLoudnessEnvelope : public QObject {
    Q_OBJECT
public:
    static constexpr double kDefaultBucketSeconds = 0.1;

    explicit TLoudnessEnvelope(QObject* parent = nullptr);
    ~TLoudnessEnvelope() override;

    // Stops any running computation and starts one for `path`, audio stream
    // `streamIndex` (FFmpeg's index as TMediaTrackInfo gives it; -1 = the primary one).
    void Start(const QString& path, int streamIndex = -1,
               double bucketSeconds = kDefaultBucketSeconds);
    // Ends the worker (returns once it has let go of the file); the snapshot keeps the
    // buckets made so far, in state esStopped unless the work was already done.
    void Stop();
    // Stops and forgets everything: the snapshot becomes empty.
    void Clear();

    // The latest published state; never null.
    std::shared_ptr<const TEnvelopeData> Snapshot() const;
    bool IsRunning() const;

signals:
    // New buckets were published (queued to the GUI thread, at most ~10 per second).
    void progressed();
    // The work ended: all buckets made (ok) or failed (the snapshot says why). Not sent
    // after Stop().
    void finished(bool ok);

private:
    void Run(QString path, int streamIndex, double bucketSeconds, uint64_t generation);
    void Publish(std::shared_ptr<const TEnvelopeData> data);
    void Notify(uint64_t generation, bool done, bool ok);

    mutable std::mutex FLock;
    std::shared_ptr<const TEnvelopeData> FData;
    std::thread FWorker;
    std::atomic<bool> FStopRequested{false};
    std::atomic<uint64_t> FGeneration{0}; // notifications of an older run are dropped
};
