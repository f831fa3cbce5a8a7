#include "audio/loudness/loudness_detail.h"

#include "media/media_audio_stream.h"

#include <QMetaObject>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {
// A view shows at most this many chunks in detail; more is never asked for at once.
constexpr int64_t kMaxRequestChunks = 64;
} // namespace

TLoudnessDetail::TLoudnessDetail(QObject* parent) : QObject(parent) {}

TLoudnessDetail::~TLoudnessDetail() {
    StopWorker();
}

void TLoudnessDetail::StopWorker() {
    ++FGeneration; // whatever the worker still queued is dropped
    if (!FWorker.joinable())
        return;
    {
        std::lock_guard lock(FLock);
        FStop = true;
    }
    FWake.notify_all();
    FWorker.join();
}

void TLoudnessDetail::SetSource(const QString& path, int streamIndex) {
    StopWorker();
    std::lock_guard lock(FLock);
    FChunks.clear();
    FWanted.clear();
    FStop = false;
    FPath = path;
    FStreamIndex = streamIndex;
    FFailed = false;
}

void TLoudnessDetail::Request(double fromSeconds, double toSeconds) {
    if (FPath.isEmpty() || FFailed || !(toSeconds >= fromSeconds))
        return;
    const int64_t first = int64_t(std::floor(std::max(0.0, fromSeconds) / kChunkSeconds));
    const int64_t last = std::min(first + kMaxRequestChunks - 1,
                                  int64_t(std::floor(std::max(0.0, toSeconds) / kChunkSeconds)));
    const int64_t middle = first + (last - first) / 2;
    std::vector<int64_t> order;
    for (int64_t c = first; c <= last; ++c)
        order.push_back(c);
    std::stable_sort(order.begin(), order.end(), [middle](int64_t a, int64_t b) {
        return std::llabs(a - middle) < std::llabs(b - middle);
    });
    {
        std::lock_guard lock(FLock);
        FWanted.clear();
        for (int64_t c : order)
            if (!FChunks.count(c))
                FWanted.push_back(c);
        Forget(middle);
        if (FWanted.empty())
            return;
    }
    if (!FWorker.joinable())
        FWorker =
            std::thread(&TLoudnessDetail::Run, this, FPath, FStreamIndex, uint64_t(FGeneration));
    FWake.notify_all();
}

void TLoudnessDetail::Forget(int64_t keepAround) {
    while (FChunks.size() > size_t(kKeptChunks)) {
        // The chunk farthest from the view goes first.
        auto front = FChunks.begin();
        auto back = std::prev(FChunks.end());
        FChunks.erase(keepAround - front->first > back->first - keepAround ? front : back);
    }
}

std::shared_ptr<const TEnvelopeData> TLoudnessDetail::ChunkAt(double seconds) const {
    if (!(seconds >= 0))
        return nullptr;
    const int64_t chunk = int64_t(std::floor(seconds / kChunkSeconds));
    std::lock_guard lock(FLock);
    const auto it = FChunks.find(chunk);
    return it == FChunks.end() ? nullptr : it->second;
}

void TLoudnessDetail::Run(QString path, int streamIndex, uint64_t generation) {
    auto notify = [this, generation] {
        QMetaObject::invokeMethod(
            this,
            [this, generation] {
                if (generation == FGeneration)
                    emit ready();
            },
            Qt::QueuedConnection);
    };
    const std::unique_ptr<TMediaAudioStream> stream = MakeAudioStream(path);
    // Mono 16-bit at the source's rate, as the overview reads it.
    stream->SetOutputFormat(TPcmFormat{0, 1, 16});
    if (media::Failed(stream->Open(streamIndex)) || stream->Format().sampleRate <= 0) {
        FFailed = true;
        notify();
        return;
    }
    const int rate = stream->Format().sampleRate;
    const int64_t bucketFrames = std::max<int64_t>(1, std::llround(kBucketSeconds * rate));
    const int64_t chunkFrames = std::llround(kChunkSeconds * rate);
    std::vector<int16_t> buffer(8192);

    for (;;) {
        int64_t chunk = 0;
        {
            std::unique_lock lock(FLock);
            FWake.wait(lock, [this] { return FStop || !FWanted.empty(); });
            if (FStop)
                return;
            chunk = FWanted.front();
            FWanted.pop_front();
            if (FChunks.count(chunk))
                continue;
        }
        const int64_t first = chunk * chunkFrames;
        const int64_t end = first + chunkFrames;
        std::vector<TEnvelopeBucket> buckets;
        bool readable =
            stream->NextSample() == first || media::Succeeded(stream->SeekSample(first));
        int32_t peak = 0;
        int64_t squares = 0, count = 0;
        auto closeBucket = [&] {
            TEnvelopeBucket b;
            if (count > 0) {
                b.peak = float(peak / 32768.0);
                b.rms = float(std::sqrt(double(squares) / double(count)) / 32768.0);
            }
            buckets.push_back(b);
            peak = 0;
            squares = 0;
            count = 0;
        };
        while (readable && !FStop) {
            const int64_t next = stream->NextSample();
            if (next >= end)
                break;
            // Never past the chunk's end, so the next chunk can go on without a seek.
            const int64_t want = std::min<int64_t>(int64_t(buffer.size()), end - next);
            TMediaReadInfo info;
            const media::TMediaResult r =
                stream->Read(reinterpret_cast<uint8_t*>(buffer.data()), uint32_t(want * 2), info);
            if (r == media::MS_S_ENDOFSTREAM || media::Failed(r) || info.frames == 0)
                break;
            for (int64_t f = 0; f < info.frames; ++f) {
                const int64_t n = info.firstSample + f;
                if (n < first || n >= end)
                    continue;
                const size_t bucket = size_t((n - first) / bucketFrames);
                while (buckets.size() < bucket)
                    closeBucket();
                const int32_t v = buffer[size_t(f)];
                peak = std::max(peak, v < 0 ? -v : v);
                squares += int64_t(v) * v;
                ++count;
            }
        }
        if (FStop)
            return;
        if (count > 0)
            closeBucket();
        auto data = std::make_shared<TEnvelopeData>();
        data->state = TEnvelopeData::TState::esFinished;
        data->buckets = std::move(buckets);
        data->bucketSeconds = double(bucketFrames) / rate;
        data->startSeconds = double(first) / rate;
        {
            std::lock_guard lock(FLock);
            FChunks[chunk] = std::move(data);
        }
        notify();
    }
}
