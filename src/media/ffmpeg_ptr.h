#pragma once

// RAII owners for the FFmpeg objects the media layer uses. Every FFmpeg resource in
// the program is held by one of these; nothing frees by hand.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <QString>

#include <memory>

namespace ffmpeg {

// What feeds a custom AVIOContext (a DVD title read through libdvdread): the context's
// opaque points to one, and the context, its buffer and the feeder go together.
class TCustomIo {
public:
    virtual ~TCustomIo() = default;
};

inline void FreeCustomIo(AVIOContext* pb) noexcept {
    if (!pb)
        return;
    delete static_cast<TCustomIo*>(pb->opaque);
    av_freep(&pb->buffer);
    avio_context_free(&pb);
}

struct FormatInputDeleter {
    void operator()(AVFormatContext* p) const noexcept {
        // FFmpeg leaves a caller's own I/O context to the caller.
        AVIOContext* custom = p && (p->flags & AVFMT_FLAG_CUSTOM_IO) ? p->pb : nullptr;
        avformat_close_input(&p);
        FreeCustomIo(custom);
    }
};
struct FormatOutputDeleter {
    void operator()(AVFormatContext* p) const noexcept {
        if (p && p->pb && !(p->oformat->flags & AVFMT_NOFILE))
            avio_closep(&p->pb);
        avformat_free_context(p);
    }
};
struct CodecContextDeleter {
    void operator()(AVCodecContext* p) const noexcept { avcodec_free_context(&p); }
};
struct FrameDeleter {
    void operator()(AVFrame* p) const noexcept { av_frame_free(&p); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const noexcept { av_packet_free(&p); }
};
struct SwrDeleter {
    void operator()(SwrContext* p) const noexcept { swr_free(&p); }
};
struct SwsDeleter {
    void operator()(SwsContext* p) const noexcept { sws_freeContext(p); }
};

using InputFormatPtr = std::unique_ptr<AVFormatContext, FormatInputDeleter>;
using OutputFormatPtr = std::unique_ptr<AVFormatContext, FormatOutputDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using SwrPtr = std::unique_ptr<SwrContext, SwrDeleter>;
using SwsPtr = std::unique_ptr<SwsContext, SwsDeleter>;

inline FramePtr MakeFrame() {
    return FramePtr(av_frame_alloc());
}
inline PacketPtr MakePacket() {
    return PacketPtr(av_packet_alloc());
}

// av_strerror's text for an FFmpeg error code.
inline QString ErrorText(int code) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return QString::fromUtf8(buf);
}

} // namespace ffmpeg
