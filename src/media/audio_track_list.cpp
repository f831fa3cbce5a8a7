#include "media/audio_track_list.h"

#include "media/stream_time.h"

#include <QCoreApplication>

#include <algorithm>

namespace media {

namespace {

// A file's audio streams in stream order; streamIndex is FFmpeg's index.
std::vector<TMediaTrackInfo> FileTracks(const AVFormatContext* input) {
    std::vector<TMediaTrackInfo> tracks;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVStream* stream = input->streams[i];
        const AVCodecParameters* par = stream->codecpar;
        if (par->codec_type != AVMEDIA_TYPE_AUDIO)
            continue;
        TMediaTrackInfo track;
        track.streamIndex = int(i);
        track.codec = QString::fromUtf8(avcodec_get_name(par->codec_id));
        if (const AVDictionaryEntry* lang = av_dict_get(stream->metadata, "language", nullptr, 0))
            track.language = QString::fromUtf8(lang->value);
        track.channels = par->ch_layout.nb_channels;
        track.sampleRate = par->sample_rate;
        track.duration = StreamDuration(input, stream);
        tracks.push_back(track);
    }
    return tracks;
}

// The title's audio streams present in its program stream, in the title's order, with the
// IFO's languages; streamIndex is the stream's MPEG id.
std::vector<TMediaTrackInfo> DvdTitleTracks(const TMediaInput& input) {
    std::vector<TMediaTrackInfo> tracks;
    if (!input.dvd || !input.format)
        return tracks;
    const TMediaTime duration = input.format->duration > 0
                                    ? TMediaTime::FromMicroseconds(input.format->duration)
                                    : TMediaTime();
    for (const TDvdAudioStream& audio : input.dvd->title.audio) {
        // A stream that cannot be played keeps its place: the list is numbered as the disc.
        TMediaTrackInfo track;
        track.language = audio.language;
        track.codec = audio.codec;
        track.channels = audio.channels;
        track.sampleRate = audio.sampleRate;
        const int index = audio.available ? FindStream(input, audio.streamId) : -1;
        const AVCodecParameters* par =
            index >= 0 ? input.format->streams[index]->codecpar : nullptr;
        if (!par || par->codec_type != AVMEDIA_TYPE_AUDIO) {
            track.streamIndex = -2; // opens nothing
            track.unavailable =
                audio.available
                    ? QCoreApplication::translate("Dvd", "the title's sound does not carry it")
                    : QCoreApplication::translate("Dvd", "the disc marks it unavailable");
            tracks.push_back(track);
            continue;
        }
        track.streamIndex = audio.streamId;
        track.codec = QString::fromUtf8(avcodec_get_name(par->codec_id));
        track.language = audio.language;
        track.channels =
            par->ch_layout.nb_channels > 0 ? par->ch_layout.nb_channels : audio.channels;
        track.sampleRate = par->sample_rate > 0 ? par->sample_rate : audio.sampleRate;
        track.duration = duration;
        tracks.push_back(track);
    }
    return tracks;
}

} // namespace

TMediaTime StreamDuration(const AVFormatContext* input, const AVStream* stream) {
    const TMediaTime container = input->duration != AV_NOPTS_VALUE && input->duration > 0
                                     ? TMediaTime::FromMicroseconds(input->duration)
                                     : TMediaTime();
    if (stream->duration == AV_NOPTS_VALUE || stream->duration <= 0)
        return container;
    TMediaTime end = StreamTime(stream->duration, stream->time_base);
    if (stream->start_time != AV_NOPTS_VALUE && input->start_time != AV_NOPTS_VALUE)
        end += StreamTime(stream->start_time, stream->time_base) -
               TMediaTime::FromMicroseconds(input->start_time);
    return container > TMediaTime() ? std::min(container, end) : end;
}

std::vector<TMediaTrackInfo> ListInputTracks(const TMediaInput& input) {
    return input.dvd ? DvdTitleTracks(input) : FileTracks(input.format.get());
}

} // namespace media

media::TMediaResult TMediaAudioStream::ListAudioTracks(const QString& source,
                                                       std::vector<TMediaTrackInfo>& tracks,
                                                       const media::TSourceFile* file) {
    tracks.clear();
    media::TMediaInput input;
    const media::TMediaResult result = media::OpenMediaInput(source, input, nullptr, file);
    if (media::Failed(result))
        return result;
    tracks = media::ListInputTracks(input);
    return media::S_OK;
}
