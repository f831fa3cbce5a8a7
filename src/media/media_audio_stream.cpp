#include "media/media_audio_stream.h"

#include "media/dvd_title_audio.h"
#include "media/file_audio_stream.h"
#include "media/media_input.h"

#include <algorithm>

using namespace media;

TMediaAudioStream::TMediaAudioStream(QString source) : FSource(std::move(source)) {}

TMediaAudioStream::~TMediaAudioStream() = default;

TMediaResult TMediaAudioStream::Read(uint8_t* buffer, uint32_t size, TMediaReadInfo& info) {
    info = {};
    if (!IsOpen())
        return MS_E_NOTINIT;
    if (!buffer)
        return E_POINTER;
    const int align = Format().BlockAlign();
    const int64_t wanted = int64_t(size) / align;
    if (wanted <= 0)
        return E_INVALIDBUFFERSIZE;
    int64_t first = 0, got = 0;
    if (const TMediaResult result = ReadFrames(buffer, wanted, first, got); Failed(result))
        return result;
    if (got == 0) {
        info.firstSample = NextSample();
        info.startTime = info.endTime = SampleToTime(info.firstSample);
        return MS_S_ENDOFSTREAM;
    }
    info.bytes = uint32_t(got * align);
    info.frames = got;
    info.firstSample = first;
    info.startTime = SampleToTime(first);
    info.endTime = SampleToTime(first + got);
    return S_OK;
}

TMediaResult TMediaAudioStream::Seek(TMediaTime time) {
    if (!IsOpen())
        return MS_E_NOTINIT;
    return SeekSample(TimeToSample(std::max(time, TMediaTime())));
}

std::unique_ptr<TMediaAudioStream> MakeAudioStream(const QString& source) {
    if (IsDvdTitleSource(source))
        return std::make_unique<TDvdTitleAudio>(source);
    return std::make_unique<TFileAudioStream>(source);
}
