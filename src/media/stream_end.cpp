#include "media/stream_end.h"

extern "C" {
#include <libavutil/mathematics.h>
}

#include <algorithm>
#include <map>

namespace media {

namespace {

// The tail read first (FFmpeg's own estimate reads about as much), doubled while it holds
// no timed frame of some audio stream, up to the most a mux keeps one stream waiting.
constexpr int64_t kFirstTail = 256 * 1024;
constexpr int64_t kLastTail = 4 * 1024 * 1024;
// A packet's frames span well under a second; an end further from the estimate comes from
// a timestamp that jumped, not from frames the estimate missed.
constexpr int64_t kMostMissedUs = 1000000;

struct TEnd {
    int64_t end = AV_NOPTS_VALUE; // of the last frame read, in the scanned stream's time base
    AVRational timeBase{1, 1};
};

// The end of each stream's last frame in the last `tail` bytes, by MPEG stream id.
std::map<int, TEnd> TailEnds(const AVInputFormat* demuxer, const TReopen& reopen, int64_t size,
                             int64_t tail) {
    std::map<int, TEnd> ends;
    const ffmpeg::InputFormatPtr scan = reopen(demuxer);
    if (!scan)
        return ends;
    AVFormatContext* raw = scan.get();
    if (av_seek_frame(raw, -1, std::max<int64_t>(size - tail, 0), AVSEEK_FLAG_BYTE) < 0)
        return ends;
    const ffmpeg::PacketPtr packet = ffmpeg::MakePacket();
    if (!packet)
        return ends;
    // Frames are split out of their packets by the demuxer's parser; the ones after a
    // packet's first carry no timestamp of their own and follow on from the one before.
    while (av_read_frame(raw, packet.get()) >= 0) {
        const AVStream* stream = raw->streams[packet->stream_index];
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            TEnd& e = ends[stream->id];
            e.timeBase = stream->time_base;
            const int64_t from = packet->pts != AV_NOPTS_VALUE ? packet->pts : e.end;
            if (from != AV_NOPTS_VALUE && packet->duration > 0)
                e.end = std::max(e.end == AV_NOPTS_VALUE ? from : e.end, from + packet->duration);
        }
        av_packet_unref(packet.get());
    }
    return ends;
}

} // namespace

void ExtendToLastFrames(AVFormatContext* format, const TReopen& reopen) {
    if (format->duration_estimation_method != AVFMT_DURATION_FROM_PTS || !format->pb)
        return;
    const int64_t size = avio_size(format->pb);
    std::map<int, AVStream*> audio;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        AVStream* s = format->streams[i];
        // The demuxer gives DVD LPCM packets no duration (each packet's own header tells
        // its sample size), so no tail, however long, tells where that sound ends.
        if (s->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && s->start_time != AV_NOPTS_VALUE &&
            s->duration != AV_NOPTS_VALUE && s->duration > 0 &&
            s->codecpar->codec_id != AV_CODEC_ID_PCM_DVD)
            audio[s->id] = s;
    }
    if (size <= 0 || audio.empty())
        return;
    std::map<int, TEnd> ends;
    for (int64_t tail = kFirstTail;; tail *= 2) {
        ends = TailEnds(format->iformat, reopen, size, tail);
        const bool all = std::all_of(audio.begin(), audio.end(), [&](const auto& a) {
            const auto it = ends.find(a.first);
            return it != ends.end() && it->second.end != AV_NOPTS_VALUE;
        });
        if (all || tail >= size || tail >= kLastTail)
            break;
    }
    for (const auto& [id, stream] : audio) {
        const auto it = ends.find(id);
        if (it == ends.end() || it->second.end == AV_NOPTS_VALUE)
            continue;
        const int64_t end = av_rescale_q(it->second.end, it->second.timeBase, stream->time_base);
        const int64_t estimate = stream->start_time + stream->duration;
        const int64_t missedUs = av_rescale_q(end - estimate, stream->time_base, AV_TIME_BASE_Q);
        if (missedUs <= 0 || missedUs >= kMostMissedUs)
            continue;
        stream->duration = end - stream->start_time;
        if (format->start_time != AV_NOPTS_VALUE) {
            const int64_t endUs = av_rescale_q(end, stream->time_base, AV_TIME_BASE_Q);
            format->duration = std::max(format->duration, endUs - format->start_time);
        }
    }
}

} // namespace media
