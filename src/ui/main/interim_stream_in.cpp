#include "ui/main/interim_stream_in.h"

#include "audio/audio_exception.h"
#include "platform/media/media_audio_stream.h"
#include "platform/media/media_result.h"

#include <algorithm>
#include <limits>

TInterimStreamIn::TInterimStreamIn(QObject* AOwner) : TAudioFileIn(AOwner) {}

TInterimStreamIn::~TInterimStreamIn() = default;

void TInterimStreamIn::OpenSource() {
    if (OpenCount == 0) {
        auto stream = std::make_unique<TMediaAudioStream>();
        TPcmFormat wanted;
        wanted.channels = 2;
        wanted.bitsPerSample = 16;
        if (FormatOverride > 0) {
            wanted.channels = int(FormatOverride & 0xffff);
            wanted.bitsPerSample = int((FormatOverride >> 16) & 0xffff);
            wanted.sampleRate = int(FormatOverride >> 32);
        }
        stream->SetOutputFormat(wanted);
        const media::TMediaResult r = stream->Open(FileName);
        if (media::Failed(r))
            throw EAudioException(media::ResultText(r));
        const TPcmFormat& f = stream->Format();
        SampleRateValue = f.sampleRate;
        ChannelsValue = f.channels;
        BitsPerSampleValue = f.bitsPerSample;
        Size = stream->DurationSamples() * f.BlockAlign();
        TotalSamples = Size;
        FStream = std::move(stream);
        FSeekDue = true;
        FEnded = false;
        FCurrentTime.store(FStartTime, std::memory_order_release);
    }
    ++OpenCount;
}

void TInterimStreamIn::CloseSource() {
    if (OpenCount == 1)
        FStream.reset();
    if (OpenCount > 0)
        --OpenCount;
}

void TInterimStreamIn::SeekFrame(int64_t Frame) {
    PendingSeek = Frame;
}

void TInterimStreamIn::SetStartTime(int64_t Time) {
    FStartTime = std::max<int64_t>(0, Time);
    FSeekDue = true;
    FCurrentTime.store(FStartTime, std::memory_order_release);
}

void TInterimStreamIn::SetLength(int64_t Time) {
    FLength = Time == 0 ? 0 : std::max<int64_t>(Time, 100000);
}

int TInterimStreamIn::ReadData(void* Buffer, int BufferSize) {
    if (!Busy || !FStream)
        throw EAudioException(QStringLiteral("The Stream is not opened"));
    if (FSeekDue) {
        const media::TMediaResult r = FStream->Seek(FStartTime);
        if (media::Failed(r))
            throw EAudioException(media::ResultText(r));
        FSeekDue = false;
        FEnded = false;
    }
    const int align = FStream->Format().BlockAlign();
    const int size = BufferSize / align * align;
    if (FEnded || size <= 0)
        return 0;
    const int64_t endSample =
        FLength ? FStream->TimeToSample(FStartTime + FLength) : std::numeric_limits<int64_t>::max();
    if (FStream->NextSample() >= endSample) {
        FEnded = true;
        return 0;
    }
    TMediaReadInfo info;
    const media::TMediaResult r =
        FStream->Read(static_cast<uint8_t*>(Buffer), uint32_t(size), info);
    if (r == media::MS_S_ENDOFSTREAM) {
        FEnded = true;
        return 0;
    }
    if (media::Failed(r))
        throw EAudioException(media::ResultText(r));
    const int64_t frames = std::min<int64_t>(info.frames, endSample - info.firstSample);
    if (frames <= 0) {
        FEnded = true;
        return 0;
    }
    FCurrentTime.store(FStream->SampleToTime(info.firstSample + frames), std::memory_order_release);
    const int n = int(frames * align);
    Position += n;
    return n;
}
