#include "mediagraph/source_filter.h"

#include "base/media_time.h"
#include "media/media_input.h"

#include <QFileInfo>

namespace media {

// Queue limits: room for several seconds of DVD video and far more of audio, so the
// interleaving of any sane file never starves one decoder while the other is full.
static constexpr std::size_t kVideoQueueBytes = 12 * 1024 * 1024;
static constexpr std::size_t kAudioQueueBytes = 2 * 1024 * 1024;

TSourceFilter::TSourceFilter()
    : TMediaFilter(CLSID_AsyncReader),
      FVideoQueue(std::make_shared<TPacketQueue>(kVideoQueueBytes)),
      FAudioQueue(std::make_shared<TPacketQueue>(kAudioQueueBytes)) {}

TSourceFilter::~TSourceFilter() {
    StopThread();
}

void TSourceFilter::CreatePins() {}

int TSourceFilter::Interrupt(void* self) {
    return static_cast<TSourceFilter*>(self)->FStop.load() ? 1 : 0;
}

static bool Usable(const AVStream* s) {
    const AVCodecParameters* p = s->codecpar;
    if (!avcodec_find_decoder(p->codec_id))
        return false;
    if (p->codec_type == AVMEDIA_TYPE_VIDEO)
        return p->width > 0 && p->height > 0;
    if (p->codec_type == AVMEDIA_TYPE_AUDIO)
        return p->sample_rate > 0 && p->ch_layout.nb_channels > 0;
    return false;
}

HRESULT TSourceFilter::Open(const QString& path, QString& error) {
    if (!IsDvdTitleSource(path)) {
        const QFileInfo info(path);
        if (!info.exists() || !info.isFile()) {
            error = QStringLiteral("the file does not exist");
            return E_FILE_NOT_FOUND;
        }
    }
    const AVIOInterruptCB interrupt{&TSourceFilter::Interrupt, this};
    TMediaInput input;
    const TMediaResult opened = OpenMediaInput(path, input, &interrupt);
    if (opened < 0) {
        error = ResultText(opened);
        return opened == AVERROR(EACCES) ? E_ACCESSDENIED : VFW_E_UNKNOWN_FILE_TYPE;
    }
    const int wanted = FindStream(input, FWantedAudioIndex);
    FFormat = std::move(input.format);
    AVFormatContext* raw = FFormat.get();
    for (unsigned i = 0; i < raw->nb_streams; ++i) {
        AVStream* s = raw->streams[i];
        s->discard = AVDISCARD_ALL;
        if (!Usable(s))
            continue;
        if (s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && FVideoIndex < 0 &&
            !(s->disposition & AV_DISPOSITION_ATTACHED_PIC))
            FVideoIndex = static_cast<int>(i);
        else if (s->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && FAudioIndex < 0)
            FAudioIndex = static_cast<int>(i);
    }
    if (wanted >= 0) {
        AVStream* s = raw->streams[wanted];
        if (s->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && Usable(s))
            FAudioIndex = wanted;
    }
    if (FVideoIndex < 0 && FAudioIndex < 0) {
        error = QStringLiteral("no video or audio stream that can be decoded");
        return VFW_E_UNSUPPORTED_STREAM;
    }
    if (FVideoIndex >= 0) {
        raw->streams[FVideoIndex]->discard = AVDISCARD_DEFAULT;
        AddPin(QStringLiteral("Video"), PIN_DIRECTION::PINDIR_OUTPUT);
    }
    if (FAudioIndex >= 0) {
        raw->streams[FAudioIndex]->discard = AVDISCARD_DEFAULT;
        AddPin(QStringLiteral("Audio"), PIN_DIRECTION::PINDIR_OUTPUT);
    }
    FStartTime = raw->start_time != AV_NOPTS_VALUE ? raw->start_time : 0;
    FDuration = raw->duration > 0 ? TMediaTime::FromMicroseconds(raw->duration).Units() : 0;
    return S_OK;
}

AVStream* TSourceFilter::VideoStream() const {
    return FVideoIndex >= 0 ? FFormat->streams[FVideoIndex] : nullptr;
}

AVStream* TSourceFilter::AudioStream() const {
    return FAudioIndex >= 0 ? FFormat->streams[FAudioIndex] : nullptr;
}

REFERENCE_TIME TSourceFilter::ToMediaTime(const AVStream* stream, std::int64_t ts) const {
    const std::int64_t us = av_rescale_q(ts, stream->time_base, AVRational{1, AV_TIME_BASE});
    return TMediaTime::FromMicroseconds(us - FStartTime).Units();
}

void TSourceFilter::Start(std::shared_ptr<TMediaClock> clock, int epoch) {
    StopThread();
    FClock = std::move(clock);
    FStop = false;
    FVideoQueue->Reset();
    FAudioQueue->Reset();
    FVideoQueue->Flush(epoch);
    FAudioQueue->Flush(epoch);
    {
        std::lock_guard lock(FSeekLock);
        FSeekPending = true;
        FSeekEpoch = epoch;
        FSeekTarget = 0;
        FSeekMargin = 0;
    }
    FThread = std::thread([this] { DemuxLoop(); });
}

void TSourceFilter::Seek(int epoch, REFERENCE_TIME target, REFERENCE_TIME margin) {
    // Flush first so a demux thread blocked on a full queue lets go at once.
    FVideoQueue->Flush(epoch);
    FAudioQueue->Flush(epoch);
    {
        std::lock_guard lock(FSeekLock);
        FSeekPending = true;
        FSeekEpoch = epoch;
        FSeekTarget = target;
        FSeekMargin = margin;
    }
    FSeekWake.notify_all();
}

void TSourceFilter::StopThread() {
    if (!FThread.joinable())
        return;
    FStop = true;
    FVideoQueue->Abort();
    FAudioQueue->Abort();
    FSeekWake.notify_all();
    FThread.join();
}

void TSourceFilter::DoSeek(REFERENCE_TIME target, REFERENCE_TIME margin) {
    AVFormatContext* fmt = FFormat.get();
    const std::int64_t ts =
        FStartTime +
        TMediaTime::FromUnits(std::max<REFERENCE_TIME>(target - margin, 0)).ToMicroseconds();
    if (target - margin <= 0 || avformat_seek_file(fmt, -1, INT64_MIN, ts, ts, 0) < 0) {
        // The very start, or no index to seek by: read from the first byte.
        if (avformat_seek_file(fmt, -1, INT64_MIN, FStartTime, FStartTime, 0) < 0 && fmt->pb) {
            avio_seek(fmt->pb, 0, SEEK_SET);
            avformat_flush(fmt);
        }
    }
}

bool TSourceFilter::Deliver(TPacketQueue::Kind kind, int epoch, ffmpeg::PacketPtr packet,
                            int streamIndex) {
    auto push = [&](const std::shared_ptr<TPacketQueue>& q, ffmpeg::PacketPtr p) {
        return q->Push(TPacketQueue::Item{kind, epoch, std::move(p)});
    };
    if (kind == TPacketQueue::Kind::Packet) {
        if (streamIndex == FVideoIndex)
            return push(FVideoQueue, std::move(packet));
        if (streamIndex == FAudioIndex)
            return push(FAudioQueue, std::move(packet));
        return true;
    }
    bool ok = true;
    if (FVideoIndex >= 0)
        ok = push(FVideoQueue, nullptr) && ok;
    if (FAudioIndex >= 0)
        ok = push(FAudioQueue, nullptr) && ok;
    return ok;
}

void TSourceFilter::DemuxLoop() {
    int epoch = 0;
    bool atEnd = false;
    int errors = 0;
    while (!FStop) {
        bool seek = false;
        REFERENCE_TIME target = 0, margin = 0;
        {
            std::unique_lock lock(FSeekLock);
            if (atEnd && !FSeekPending)
                FSeekWake.wait(lock, [&] { return FSeekPending || FStop.load(); });
            if (FStop)
                break;
            if (FSeekPending) {
                seek = true;
                FSeekPending = false;
                epoch = FSeekEpoch;
                target = FSeekTarget;
                margin = FSeekMargin;
            }
        }
        if (seek) {
            DoSeek(target, margin);
            atEnd = false;
            errors = 0;
            if (!Deliver(TPacketQueue::Kind::Flush, epoch, nullptr, -1))
                break;
            continue;
        }
        auto packet = ffmpeg::MakePacket();
        const int err = av_read_frame(FFormat.get(), packet.get());
        if (err < 0) {
            // A damaged stretch may be followed by good data; a real end or a run of
            // failures ends the stream, so a bad file can never spin this thread.
            if (err != AVERROR_EOF && err != AVERROR_EXIT && FFormat->pb &&
                !avio_feof(FFormat->pb) && ++errors < 64)
                continue;
            atEnd = true;
            if (!Deliver(TPacketQueue::Kind::EndOfStream, epoch, nullptr, -1))
                break;
            continue;
        }
        errors = 0;
        const int index = packet->stream_index;
        if (!Deliver(TPacketQueue::Kind::Packet, epoch, std::move(packet), index))
            break;
    }
}

} // namespace media
