#include "picture/video_frame_grab.h"

#include "media/ffmpeg_ptr.h"
#include "media/media_input.h"

extern "C" {
#include <libavutil/imgutils.h>
}

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
    av_seek_frame(format, -1, target, AVSEEK_FLAG_BACKWARD);
    const int64_t wanted = av_rescale_q(target, AV_TIME_BASE_Q, stream->time_base);

    ffmpeg::PacketPtr packet = ffmpeg::MakePacket();
    ffmpeg::FramePtr frame = ffmpeg::MakeFrame(), shown = ffmpeg::MakeFrame();
    bool have = false, draining = false;
    for (;;) {
        if (!draining) {
            const int read = av_read_frame(format, packet.get());
            if (read < 0) {
                draining = true;
                avcodec_send_packet(decoder.get(), nullptr);
            } else {
                if (packet->stream_index == index)
                    avcodec_send_packet(decoder.get(), packet.get());
                av_packet_unref(packet.get());
            }
        }
        int got;
        while ((got = avcodec_receive_frame(decoder.get(), frame.get())) == 0) {
            const int64_t pts = frame->best_effort_timestamp;
            // The last frame that starts at or before the time is the one on screen.
            if (have && pts != AV_NOPTS_VALUE && pts > wanted)
                return ToSquarePixels(*shown,
                                      av_guess_sample_aspect_ratio(format, stream, shown.get()));
            av_frame_unref(shown.get());
            av_frame_move_ref(shown.get(), frame.get());
            have = true;
        }
        if (got == AVERROR_EOF)
            break;
    }
    if (!have) {
        Error = QStringLiteral("the source has no picture at that time");
        return {};
    }
    // The time lies in the last frame.
    return ToSquarePixels(*shown, av_guess_sample_aspect_ratio(format, stream, shown.get()));
}

} // namespace media
