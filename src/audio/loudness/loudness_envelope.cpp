#include "audio/loudness/loudness_envelope.h"

#include "media/media_audio_stream.h"

#include <QMetaObject>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

// Published buckets are copied whole, so publishing is spaced out; the GUI is told at
// the same pace.
constexpr auto kPublishInterval = std::chrono::milliseconds(100);
// A day of sound at the finest sensible bucket: beyond it the timestamps are nonsense.
constexpr int64_t kMaxBuckets = 2'000'000;
constexpr uint32_t kReadBytes = 32768;

std::shared_ptr<const TEnvelopeData> MakeData(TEnvelopeData::TState state,
                                              const std::vector<TEnvelopeBucket>& buckets,
                                              double bucketSeconds, int expected,
                                              const QString& error = QString()) {
    auto data = std::make_shared<TEnvelopeData>();
    data->state = state;
    data->buckets = buckets;
    data->bucketSeconds = bucketSeconds;
    data->expectedBuckets = expected;
    data->error = error;
    return data;
}

} // namespace

TLoudnessEnvelope::TLoudnessEnvelope(QObject* parent)
    : QObject(parent), FData(std::make_shared<TEnvelopeData>()) {}

TLoudnessEnvelope::~TLoudnessEnvelope() {
    Stop();
}

void TLoudnessEnvelope::Start(const QString& path, int streamIndex, double bucketSeconds) {
    Stop();
    if (!(bucketSeconds > 0))
        bucketSeconds = kDefaultBucketSeconds;
    const uint64_t generation = ++FGeneration;
    FStopRequested = false;
    Publish(MakeData(TEnvelopeData::TState::esRunning, {}, bucketSeconds, 0));
    FWorker =
        std::thread(&TLoudnessEnvelope::Run, this, path, streamIndex, bucketSeconds, generation);
}

void TLoudnessEnvelope::Stop() {
    ++FGeneration; // whatever the old worker still queued is dropped
    if (FWorker.joinable()) {
        FStopRequested = true;
        FWorker.join();
    }
    std::lock_guard lock(FLock);
    if (FData->state == TEnvelopeData::TState::esRunning)
        FData = MakeData(TEnvelopeData::TState::esStopped, FData->buckets, FData->bucketSeconds,
                         FData->expectedBuckets);
}

void TLoudnessEnvelope::Clear() {
    Stop();
    Publish(std::make_shared<TEnvelopeData>());
}

std::shared_ptr<const TEnvelopeData> TLoudnessEnvelope::Snapshot() const {
    std::lock_guard lock(FLock);
    return FData;
}

bool TLoudnessEnvelope::IsRunning() const {
    return Snapshot()->state == TEnvelopeData::TState::esRunning;
}

void TLoudnessEnvelope::Publish(std::shared_ptr<const TEnvelopeData> data) {
    std::lock_guard lock(FLock);
    FData = std::move(data);
}

void TLoudnessEnvelope::Notify(uint64_t generation, bool done, bool ok) {
    // Queued with this object as context: dropped if the object is gone, and ignored when
    // another run (or a Stop) came since.
    QMetaObject::invokeMethod(
        this,
        [this, generation, done, ok] {
            if (generation != FGeneration)
                return;
            // Joined before any handler runs, so a handler may Start() again; the worker's
            // last act was posting this, so the join is immediate.
            if (done && FWorker.joinable())
                FWorker.join();
            emit progressed();
            if (done && generation == FGeneration)
                emit finished(ok);
        },
        Qt::QueuedConnection);
}

void TLoudnessEnvelope::Run(QString path, int streamIndex, double bucketSeconds,
                            uint64_t generation) {
    using TState = TEnvelopeData::TState;
    using Clock = std::chrono::steady_clock;

    const std::unique_ptr<TMediaAudioStream> stream = MakeAudioStream(path);
    // Mono at the source's rate: one decode and a cheap mix, no resampling.
    stream->SetOutputFormat(TPcmFormat{0, 1, 16});
    const media::TMediaResult opened = stream->Open(streamIndex);
    if (FStopRequested)
        return;
    if (media::Failed(opened)) {
        Publish(MakeData(TState::esFailed, {}, bucketSeconds, 0, media::ResultText(opened)));
        Notify(generation, true, false);
        return;
    }

    const TPcmFormat format = stream->Format();
    const int channels = std::max(1, format.channels);
    const int64_t bucketFrames =
        std::max<int64_t>(1, std::llround(bucketSeconds * format.sampleRate));
    // The exact bucket length in seconds, so times and buckets agree to the sample.
    bucketSeconds = double(bucketFrames) / std::max(1, format.sampleRate);
    const int64_t durationSamples = stream->DurationSamples();
    const int expected = int(std::min<int64_t>(
        kMaxBuckets,
        durationSamples > 0 ? (durationSamples + bucketFrames - 1) / bucketFrames : 0));

    std::vector<TEnvelopeBucket> buckets;
    buckets.reserve(size_t(expected));
    int64_t current = 0; // bucket being filled
    int32_t peak = 0;
    double sumSquares = 0;
    int64_t count = 0;
    auto closeBucket = [&] {
        TEnvelopeBucket b;
        if (count > 0) {
            b.peak = float(peak / 32768.0);
            b.rms = float(std::sqrt(sumSquares / double(count)) / 32768.0);
        }
        buckets.push_back(b);
        peak = 0;
        sumSquares = 0;
        count = 0;
    };

    std::vector<uint8_t> buffer(kReadBytes);
    auto lastPublish = Clock::now();
    QString error;
    bool ended = false;
    while (!FStopRequested) {
        TMediaReadInfo info;
        const media::TMediaResult r = stream->Read(buffer.data(), kReadBytes, info);
        if (r == media::MS_S_ENDOFSTREAM || (media::Succeeded(r) && info.frames == 0)) {
            ended = true;
            break;
        }
        if (media::Failed(r)) {
            error = media::ResultText(r);
            break;
        }
        const auto* samples = reinterpret_cast<const int16_t*>(buffer.data());
        // Runs of samples within one bucket, so the inner loop is a plain sum.
        int64_t f = 0;
        while (f < info.frames) {
            const int64_t n = info.firstSample + f;
            const int64_t bucket = n < 0 ? 0 : n / bucketFrames;
            if (bucket >= kMaxBuckets)
                break;
            while (bucket > current) {
                closeBucket();
                ++current;
            }
            const int64_t run =
                std::min(info.frames - f, n < 0 ? -n : (bucket + 1) * bucketFrames - n);
            const int16_t* p = samples + f * channels;
            const int64_t values = run * channels;
            int32_t runPeak = peak;
            int64_t runSquares = 0;
            for (int64_t k = 0; k < values; ++k) {
                const int32_t v = p[k];
                runPeak = std::max(runPeak, v < 0 ? -v : v);
                runSquares += int64_t(v * v);
            }
            peak = runPeak;
            sumSquares += double(runSquares);
            count += values;
            f += run;
        }
        if (current >= kMaxBuckets - 1) {
            ended = true;
            break;
        }
        if (Clock::now() - lastPublish >= kPublishInterval) {
            lastPublish = Clock::now();
            Publish(MakeData(TState::esRunning, buckets, bucketSeconds, expected));
            Notify(generation, false, true);
        }
    }
    if (FStopRequested)
        return; // Stop() marks what was published as stopped
    if (count > 0)
        closeBucket();
    if (ended) {
        Publish(MakeData(TState::esFinished, buckets, bucketSeconds, expected));
        Notify(generation, true, true);
    } else {
        Publish(MakeData(TState::esFailed, buckets, bucketSeconds, expected, error));
        Notify(generation, true, false);
    }
}
