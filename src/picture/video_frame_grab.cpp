#include "picture/video_frame_grab.h"

#include "media/ffmpeg_ptr.h"
#include "media/media_input.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include <algorithm>
#include <cmath>

namespace media {

namespace {

QImage ToSquarePixels(const AVFrame& Frame, AVRational Aspect) {
    int width = Frame.width;
    if (Aspect.num > 0 && Aspect.den > 0)
        width = int(std::lround(double(Frame.width) * Aspect.num / Aspect.den));
    width = std::max(2, width & ~1);
    QImage image(width, Frame.height, QImage::Format_RGB32);
    ffmpeg::SwsPtr scale(sws_getContext(Frame.width, Frame.height, AVPixelFormat(Frame.format),
                                        width, Frame.height, AV_PIX_FMT_BGRA, SWS_BICUBIC, nullptr,
                                        nullptr, nullptr));
    if (!scale || image.isNull())
        return {};
    uint8_t* planes[4] = {image.bits(), nullptr, nullptr, nullptr};
    int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
    sws_scale(scale.get(), Frame.data, Frame.linesize, 0, Frame.height, planes, strides);
    return image;
}

// How far before the time decoding starts: from the time itself to a GOP far longer than
// any a DVD or a broadcast uses.
constexpr int64_t kBackoffsUs[] = {0, 500000, 1000000, 2000000, 4000000, 8000000, 16000000};

struct TFrameSearch {
    bool any = false;                     // a picture decoded after a key frame
    int64_t firstKeyPts = AV_NOPTS_VALUE; // of the first key frame decoded
};

// Decodes stream `Index` from a seek to `FromUs` (AV_TIME_BASE) and leaves in `Shown` the
// frame on screen at `Wanted` (the stream's time base): the last one that starts at or
// before it, or the first one when all start later. Pictures before the first key frame
// lack their references and are not shown.
TFrameSearch DecodeUpTo(AVFormatContext* Format, AVCodecContext* Decoder, int Index, int64_t FromUs,
                        int64_t Wanted, AVFrame& Shown) {
    TFrameSearch found;
    avcodec_flush_buffers(Decoder);
    av_seek_frame(Format, -1, FromUs, AVSEEK_FLAG_BACKWARD);
    ffmpeg::PacketPtr packet = ffmpeg::MakePacket();
    ffmpeg::FramePtr frame = ffmpeg::MakeFrame();
    bool draining = false;
    for (;;) {
        if (!draining) {
            const int read = av_read_frame(Format, packet.get());
            if (read < 0) {
                draining = true;
                avcodec_send_packet(Decoder, nullptr);
            } else {
                if (packet->stream_index == Index)
                    avcodec_send_packet(Decoder, packet.get());
                av_packet_unref(packet.get());
            }
        }
        int got;
        while ((got = avcodec_receive_frame(Decoder, frame.get())) == 0) {
            const int64_t pts = frame->best_effort_timestamp;
            if (!found.any && !frame->key_frame) {
                av_frame_unref(frame.get());
                continue;
            }
            if (found.any && pts != AV_NOPTS_VALUE && pts > Wanted)
                return found;
            if (!found.any)
                found.firstKeyPts = pts == AV_NOPTS_VALUE ? Wanted : pts;
            found.any = true;
            av_frame_unref(&Shown);
            av_frame_move_ref(&Shown, frame.get());
        }
        if (got == AVERROR_EOF)
            return found; // the time lies in the last frame
    }
}

} // namespace

QImage GrabVideoFrame(const QString& Source, TMediaTime At, QString& Error) {
    TMediaInput input;
    const TMediaResult opened = OpenMediaInput(Source, input);
    if (opened < 0 || !input.format) {
        Error = QStringLiteral("the source cannot be opened");
        return {};
    }
    AVFormatContext* format = input.format.get();
    const AVCodec* codec = nullptr;
    const int index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (index < 0 || !codec) {
        Error = QStringLiteral("the source has no video");
        return {};
    }
    AVStream* stream = format->streams[index];
    ffmpeg::CodecContextPtr decoder(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), stream->codecpar) < 0 ||
        avcodec_open2(decoder.get(), codec, nullptr) < 0) {
        Error = QStringLiteral("the video cannot be decoded");
        return {};
    }
    // The source's time line starts at its first timestamp, as the player shows it.
    const int64_t origin = format->start_time == AV_NOPTS_VALUE ? 0 : format->start_time;
    const int64_t target = origin + At.ToMicroseconds(); // AV_TIME_BASE
    const int64_t wanted = av_rescale_q(target, AV_TIME_BASE_Q, stream->time_base);

    // A program stream seeks to a timestamp, not to a picture that decodes by itself: the
    // decoder then shows nothing until the next key frame, which may lie after the time.
    // Start earlier and earlier until decoding begins at a key frame before it.
    // Past the longest wait, the first key frame after the time is the best there is.
    ffmpeg::FramePtr shown;
    for (int64_t backUs : kBackoffsUs) {
        const int64_t from = std::max(origin, target - backUs);
        ffmpeg::FramePtr attempt = ffmpeg::MakeFrame();
        if (!attempt)
            break;
        const TFrameSearch found = DecodeUpTo(format, decoder.get(), index, from, wanted, *attempt);
        if (!found.any)
            break;
        shown = std::move(attempt);
        // Before the first picture, or decoding began in time: the frame on screen.
        if (found.firstKeyPts <= wanted || from == origin)
            break;
    }
    if (!shown) {
        Error = QStringLiteral("the source has no picture at that time");
        return {};
    }
    return ToSquarePixels(*shown, av_guess_sample_aspect_ratio(format, stream, shown.get()));
}

} // namespace media
