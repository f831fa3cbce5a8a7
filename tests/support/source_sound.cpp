#include "support/source_sound.h"

#include "media/media_audio_stream.h"

TSourceSound ReadSourceSound(const QString& path, int rate, int track) {
    TSourceSound sound;
    const std::unique_ptr<TMediaAudioStream> stream = MakeAudioStream(path);
    int index = -1;
    if (track > 0) {
        std::vector<TMediaTrackInfo> tracks;
        if (TMediaAudioStream::ListAudioTracks(path, tracks) != media::S_OK ||
            int(tracks.size()) < track)
            return sound;
        index = tracks[size_t(track - 1)].streamIndex;
    }
    stream->SetOutputFormat(TPcmFormat{rate, 0, 16});
    if (stream->Open(index) != media::S_OK)
        return sound;
    sound.rate = stream->Format().sampleRate;
    sound.channels = stream->Format().channels;
    sound.lead = stream->TimeToSample(TMediaTime::FromSeconds(1)) - sound.rate;
    std::vector<uint8_t> block(32768);
    bool first = true;
    for (;;) {
        TMediaReadInfo info;
        if (stream->Read(block.data(), uint32_t(block.size()), info) != media::S_OK)
            break;
        if (first)
            sound.firstSample = info.firstSample, first = false;
        const auto* s = reinterpret_cast<const int16_t*>(block.data());
        sound.samples.insert(sound.samples.end(), s, s + info.bytes / 2);
    }
    return sound;
}

std::vector<int16_t> FirstChannel(const std::vector<int16_t>& samples, int channels) {
    std::vector<int16_t> out;
    out.reserve(samples.size() / size_t(channels));
    for (size_t i = 0; i < samples.size(); i += size_t(channels))
        out.push_back(samples[i]);
    return out;
}
