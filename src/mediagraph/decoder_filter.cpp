#include "mediagraph/decoder_filter.h"

#include "base/media_time.h"
#include "mediagraph/source_filter.h"

namespace media {

// How much further back each retry of a seek goes when the first key frame found still lies past
// the target.
static constexpr int kMarginGrowth = 4;
static constexpr REFERENCE_TIME kMaxMargin = 300'000'000;

TDecoderFilter::TDecoderFilter(AVMediaType type)
    : TMediaFilter(type == AVMEDIA_TYPE_VIDEO ? CLSID_MediaVideoDecoder : CLSID_MediaAudioDecoder),
      FType(type) {}

TDecoderFilter::~TDecoderFilter() {
    StopThread();
}

void TDecoderFilter::CreatePins() {
    AddPin(QStringLiteral("In"), PIN_DIRECTION::PINDIR_INPUT);
    AddPin(QStringLiteral("Out"), PIN_DIRECTION::PINDIR_OUTPUT);
}

bool TDecoderFilter::Open(const TSourceFilter& source, AVStream* stream, QString& error) {
    FSource = &source;
    FStream = stream;
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) {
        error = QStringLiteral("no decoder for %1")
                    .arg(QString::fromUtf8(avcodec_get_name(stream->codecpar->codec_id)));
        return false;
    }
    FCodec.reset(avcodec_alloc_context3(codec));
    if (!FCodec) {
        error = QStringLiteral("out of memory");
        return false;
    }
    int err = avcodec_parameters_to_context(FCodec.get(), stream->codecpar);
    if (err >= 0) {
        FCodec->pkt_timebase = stream->time_base;
        // Slice threads add no delay, so a paused seek still shows its frame at once.
        FCodec->thread_type = FF_THREAD_SLICE;
        FCodec->thread_count = 2;
        err = avcodec_open2(FCodec.get(), codec, nullptr);
    }
    if (err < 0) {
        error = ffmpeg::ErrorText(err);
        FCodec.reset();
        return false;
    }
    if (FType == AVMEDIA_TYPE_VIDEO) {
        AVRational rate = av_guess_frame_rate(source.Format(), stream, nullptr);
        if (rate.num > 0 && rate.den > 0)
            FFrameDuration = TMediaTime::FromSampleNearest(rate.den, rate.num).Units();
    }
    return true;
}

QString TDecoderFilter::CodecName() const {
    return FCodec ? QString::fromUtf8(FCodec->codec->long_name ? FCodec->codec->long_name
                                                               : FCodec->codec->name)
                  : QString();
}

void TDecoderFilter::Start(std::shared_ptr<TPacketQueue> queue, std::shared_ptr<TMediaClock> clock,
                           std::shared_ptr<IFrameSink> sink, ReseekFn reseek) {
    StopThread();
    FQueue = std::move(queue);
    FClock = std::move(clock);
    FSink = std::move(sink);
    FReseek = std::move(reseek);
    FThread = std::thread([this] { DecodeLoop(); });
}

void TDecoderFilter::StopThread() {
    if (!FThread.joinable())
        return;
    // The owner aborted the queue and shut the clock down; both wake this thread.
    FThread.join();
    FSink.reset();
}

void TDecoderFilter::DecodeLoop() {
    int epoch = -1;
    TPacketQueue::Item item;
    while (FQueue->Pop(item)) {
        switch (item.kind) {
        case TPacketQueue::Kind::Flush:
            avcodec_flush_buffers(FCodec.get());
            epoch = item.epoch;
            // A retry of the same target keeps its wider margin; a new target starts over.
            if (FClock->Target() != FTarget || FMargin == 0)
                FMargin = kFirstSeekMargin;
            FTarget = FClock->Target();
            FNeedKey = FType == AVMEDIA_TYPE_VIDEO;
            FNextPts = FTarget;
            break;
        case TPacketQueue::Kind::EndOfStream:
            if (item.epoch != epoch)
                break;
            Drain(epoch, nullptr);
            avcodec_flush_buffers(FCodec.get());
            FSink->EndOfStream(epoch);
            break;
        case TPacketQueue::Kind::Packet:
            if (item.epoch == epoch)
                Drain(epoch, item.packet.get());
            break;
        }
        item.packet.reset();
    }
}

void TDecoderFilter::Drain(int epoch, const AVPacket* packet) {
    int err = avcodec_send_packet(FCodec.get(), packet);
    if (err < 0 && err != AVERROR(EAGAIN) && packet)
        return; // a damaged packet: skip it, the next ones may decode
    while (avcodec_receive_frame(FCodec.get(), FFrame.get()) >= 0) {
        if (FClock->IsCurrent(epoch))
            Deliver(FFrame.get(), epoch);
        av_frame_unref(FFrame.get());
    }
}

void TDecoderFilter::Deliver(AVFrame* frame, int epoch) {
    REFERENCE_TIME pts = FNextPts;
    const std::int64_t ts = frame->best_effort_timestamp;
    if (ts != AV_NOPTS_VALUE)
        pts = FSource->ToMediaTime(FStream, ts);
    REFERENCE_TIME duration = FFrameDuration;
    if (FType == AVMEDIA_TYPE_AUDIO && frame->sample_rate > 0)
        duration = TMediaTime::FromSampleNearest(frame->nb_samples, frame->sample_rate).Units();
    FNextPts = pts + duration;

    if (FNeedKey) {
        const bool key = frame->key_frame || frame->pict_type == AV_PICTURE_TYPE_I;
        if (!key)
            return;
        FNeedKey = false;
        // A key frame past the target cannot show the target: read from further back.
        if (FTarget > 0 && pts > FTarget + duration / 2 && FMargin < kMaxMargin && FReseek) {
            FMargin *= kMarginGrowth;
            FNeedKey = true;
            FReseek(epoch, FTarget, FMargin);
            return;
        }
    }
    FSink->Receive(frame, pts, duration, epoch);
}

} // namespace media
