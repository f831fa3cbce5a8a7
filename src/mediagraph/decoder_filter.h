#pragma once

// A decoder: one input pin from the source, one output pin to a renderer, and a thread
// that decodes the packets of its queue and hands the frames to the renderer (which
// blocks until each frame is due). Video decoding starts each epoch at a key frame and
// skips the frames before the seek target, so a seek shows exactly the asked-for frame;
// when the key frame found lies past the target, it asks for a new seek further back.
// Open / Start / StopThread are called by the graph; the rest runs on its own thread.

#include "mediagraph/frame_sink.h"
#include "mediagraph/media_clock.h"
#include "mediagraph/media_filter.h"
#include "mediagraph/packet_queue.h"

#include <atomic>
#include <functional>
#include <thread>

namespace media {

class TSourceFilter;

// How far before a seek target reading starts (100-ns units): a DVD GOP is <= 0.6 s.
inline constexpr REFERENCE_TIME kFirstSeekMargin = 7'000'000;

class TDecoderFilter final : public TMediaFilter {
public:
    // reseek(epoch, target, margin): seek again from further back (video only).
    using ReseekFn = std::function<void(int epoch, REFERENCE_TIME target, REFERENCE_TIME margin)>;

    explicit TDecoderFilter(AVMediaType type);
    ~TDecoderFilter() override;

    void CreatePins() override;

    // Makes the codec for stream; false with a reason when there is none.
    bool Open(const TSourceFilter& source, AVStream* stream, QString& error);
    const AVCodecContext* Codec() const { return FCodec.get(); }
    QString CodecName() const;
    // Length of one frame (video) in 100-ns units.
    REFERENCE_TIME FrameDuration() const { return FFrameDuration; }

    void Start(std::shared_ptr<TPacketQueue> queue, std::shared_ptr<TMediaClock> clock,
               std::shared_ptr<IFrameSink> sink, ReseekFn reseek);
    void StopThread();

private:
    void DecodeLoop();
    void Drain(int epoch, const AVPacket* packet);
    void Deliver(AVFrame* frame, int epoch);

    const AVMediaType FType;
    const TSourceFilter* FSource = nullptr;
    AVStream* FStream = nullptr;
    ffmpeg::CodecContextPtr FCodec;
    ffmpeg::FramePtr FFrame = ffmpeg::MakeFrame();
    REFERENCE_TIME FFrameDuration = 400000;

    std::shared_ptr<TPacketQueue> FQueue;
    std::shared_ptr<TMediaClock> FClock;
    std::shared_ptr<IFrameSink> FSink;
    ReseekFn FReseek;
    std::thread FThread;

    // Decoding state of the current epoch (decoder thread only).
    bool FNeedKey = true;
    REFERENCE_TIME FTarget = 0;
    REFERENCE_TIME FMargin = 0;
    REFERENCE_TIME FNextPts = 0;
};

} // namespace media
