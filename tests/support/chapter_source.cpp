#include "support/chapter_source.h"

#include "media/ffmpeg_ptr.h"

extern "C" {
#include <libavutil/mathematics.h>
}

#include <algorithm>
#include <optional>

namespace {

QString Failure(const char* what, int code) {
    return QString::fromLatin1(what) + QStringLiteral(": ") + ffmpeg::ErrorText(code);
}

// A chapter the muxer writes (FFmpeg frees it with the context).
bool AddChapter(AVFormatContext* output, int64_t id, int64_t startMs, int64_t endMs,
                const QString& title) {
    auto* chapter = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
    if (!chapter)
        return false;
    chapter->id = id;
    chapter->time_base = AVRational{1, 1000};
    chapter->start = startMs;
    chapter->end = endMs;
    if (!title.isEmpty())
        av_dict_set(&chapter->metadata, "title", title.toUtf8().constData(), 0);
    if (av_dynarray_add_nofree(&output->chapters, reinterpret_cast<int*>(&output->nb_chapters),
                               chapter) < 0) {
        av_dict_free(&chapter->metadata);
        av_free(chapter);
        return false;
    }
    return true;
}

} // namespace

TChapterSource MakeChapterSource(const QString& path, const TChapterSourceSpec& spec) {
    TChapterSource made;
    AVFormatContext* rawInput = nullptr;
    int result = avformat_open_input(&rawInput, spec.from.toUtf8().constData(), nullptr, nullptr);
    if (result < 0) {
        made.error = Failure("open the fixture", result);
        return made;
    }
    ffmpeg::InputFormatPtr input(rawInput);
    if ((result = avformat_find_stream_info(input.get(), nullptr)) < 0) {
        made.error = Failure("read the fixture", result);
        return made;
    }
    AVFormatContext* rawOutput = nullptr;
    result =
        avformat_alloc_output_context2(&rawOutput, nullptr, spec.format, path.toUtf8().constData());
    if (result < 0) {
        made.error = Failure("the muxer", result);
        return made;
    }
    ffmpeg::OutputFormatPtr output(rawOutput);
    output->flags |= AVFMT_FLAG_BITEXACT;
    std::vector<int> into(input->nb_streams, -1);
    int audio = 0;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVStream* from = input->streams[i];
        const AVMediaType type = from->codecpar->codec_type;
        if (type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_AUDIO)
            continue;
        AVStream* stream = avformat_new_stream(output.get(), nullptr);
        if (!stream || avcodec_parameters_copy(stream->codecpar, from->codecpar) < 0) {
            made.error = QStringLiteral("out of memory");
            return made;
        }
        stream->codecpar->codec_tag = 0;
        stream->time_base = from->time_base;
        stream->avg_frame_rate = from->avg_frame_rate;
        av_dict_copy(&stream->metadata, from->metadata, 0);
        // Matroska writes a title; MP4 names a track in its handler.
        if (type == AVMEDIA_TYPE_AUDIO && audio < spec.trackTitles.size())
            for (const char* key : {"title", "handler_name"})
                av_dict_set(&stream->metadata, key, spec.trackTitles[audio].toUtf8().constData(),
                            0);
        audio += type == AVMEDIA_TYPE_AUDIO;
        into[i] = stream->index;
    }
    const int64_t lengthMs = input->duration > 0 ? input->duration / 1000 : 0;
    for (size_t k = 0; k < spec.chapters.size(); ++k) {
        const int64_t end = k + 1 < spec.chapters.size()
                                ? spec.chapters[k + 1].startMs
                                : std::max(lengthMs + std::max<int64_t>(spec.soundShiftMs, 0),
                                           spec.chapters[k].startMs + 1);
        if (!AddChapter(output.get(), int64_t(k) + 1, spec.chapters[k].startMs, end,
                        spec.chapters[k].title)) {
            made.error = QStringLiteral("out of memory");
            return made;
        }
    }
    if ((result = avio_open(&output->pb, path.toUtf8().constData(), AVIO_FLAG_WRITE)) < 0) {
        made.error = Failure("create the file", result);
        return made;
    }
    if ((result = avformat_write_header(output.get(), nullptr)) < 0) {
        made.error = Failure("write the header", result);
        return made;
    }
    ffmpeg::PacketPtr packet = ffmpeg::MakePacket();
    std::optional<int64_t> soundStart, first;
    while ((result = av_read_frame(input.get(), packet.get())) >= 0) {
        const int to = into[size_t(packet->stream_index)];
        if (to < 0) {
            av_packet_unref(packet.get());
            continue;
        }
        const AVStream* from = input->streams[packet->stream_index];
        const bool sound = from->codecpar->codec_type == AVMEDIA_TYPE_AUDIO;
        // The later of the two moves; the other keeps its clock.
        const int64_t shiftMs = sound ? std::max<int64_t>(spec.soundShiftMs, 0)
                                      : std::max<int64_t>(-spec.soundShiftMs, 0);
        const int64_t shift = av_rescale_q(shiftMs, AVRational{1, 1000}, from->time_base);
        if (packet->pts != AV_NOPTS_VALUE)
            packet->pts += shift;
        if (packet->dts != AV_NOPTS_VALUE)
            packet->dts += shift;
        if (packet->pts != AV_NOPTS_VALUE) {
            const int64_t ms = av_rescale_q(packet->pts, from->time_base, AVRational{1, 1000});
            first = std::min(first.value_or(ms), ms);
            if (sound)
                soundStart = std::min(soundStart.value_or(ms), ms);
        }
        av_packet_rescale_ts(packet.get(), from->time_base, output->streams[to]->time_base);
        packet->stream_index = to;
        packet->pos = -1;
        if ((result = av_interleaved_write_frame(output.get(), packet.get())) < 0) {
            made.error = Failure("write a packet", result);
            return made;
        }
    }
    if (result != AVERROR_EOF) {
        made.error = Failure("read the fixture", result);
        return made;
    }
    if ((result = av_write_trailer(output.get())) < 0) {
        made.error = Failure("finish the file", result);
        return made;
    }
    made.path = path;
    made.soundStartMs = soundStart.value_or(0);
    made.firstMs = first.value_or(0);
    return made;
}
