#include "audio/pipeline/audio_file_reader.h"

#include <QCoreApplication>

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

using namespace media;

namespace {

constexpr TMediaTime kMinLength = TMediaTime::FromMs(10);
constexpr TMediaTime kMaxLength = TMediaTime::FromSeconds(100'000'000);

// FFmpeg's own messages would interleave with the program's on stderr; every failure
// reaches the user through the program's exceptions instead.
const bool FFmpegQuiet = [] {
    av_log_set_level(AV_LOG_QUIET);
    return true;
}();

} // namespace

void CheckStreamResult(TMediaResult code) {
    if (code != S_OK)
        throw EAudioReadError(ResultText(code), code);
}

TAudioFileReader::TAudioFileReader(const QString& FileName, const TPcmFormat& FormatOverride,
                                   int AudioTrack, std::shared_ptr<const media::TSourceFile> File)
    : FStream(MakeAudioStream(FileName)) {
    int streamIndex = -1;
    if (AudioTrack > 0) {
        std::vector<TMediaTrackInfo> tracks;
        CheckStreamResult(TMediaAudioStream::ListAudioTracks(FileName, tracks, File.get()));
        if (AudioTrack > int(tracks.size()))
            CheckStreamResult(MS_E_NOSTREAM);
        const TMediaTrackInfo& track = tracks[size_t(AudioTrack - 1)];
        if (!track.unavailable.isEmpty())
            throw EAudioReadError(QCoreApplication::translate(
                                      "AudioPipeline", "Audio stream %1 cannot be played: %2.")
                                      .arg(QString::number(AudioTrack), track.unavailable),
                                  MS_E_NOSTREAM);
        streamIndex = track.streamIndex;
    }
    if (FormatOverride.sampleRate || FormatOverride.channels || FormatOverride.bitsPerSample)
        FStream->SetOutputFormat(FormatOverride);
    FStream->SetInterruptFlag(&FInterrupt);
    FStream->SetSourceFile(std::move(File));
    CheckStreamResult(FStream->Open(streamIndex));
    StreamFormat = FStream->Format();
    Duration = std::max(FStream->Duration(), TMediaTime());
    DurationSamples = std::max<int64_t>(FStream->DurationSamples(), 0);
    Format = StreamFormat;
    if (Format.channels == 1) {
        Format.channels = 2;
        MonoToStereo = true;
    }
    if (Format.bitsPerSample == 8) {
        Format.bitsPerSample = 16;
        Widen8To16 = true;
    }
}

int TAudioFileReader::Read(void* Buffer, int Size) {
    const int align = StreamFormat.BlockAlign();
    if (Size <= 0 || Size < align)
        CheckStreamResult(E_INVALIDBUFFERSIZE);
    if (Seeking) {
        const TMediaResult sought = FStream->Seek(FSeekTo);
        Seeking = false;
        CheckStreamResult(sought);
    }
    const bool bounded = LengthTime != TMediaTime();
    const TMediaTime rangeEnd = bounded ? StartTime + LengthTime : TMediaTime();
    if (bounded && rangeEnd <= CurrentTime.load())
        return 0;
    const int64_t firstWanted = TimeToSample(StartTime);
    const int64_t endWanted =
        bounded ? TimeToSample(rangeEnd) : std::numeric_limits<int64_t>::max();
    auto* bytes = static_cast<uint8_t*>(Buffer);
    for (;;) {
        TMediaReadInfo info;
        const TMediaResult result = FStream->Read(bytes, uint32_t(Size), info);
        if (result == MS_S_ENDOFSTREAM || result == MS_E_NOSTREAM)
            return 0;
        CheckStreamResult(result);
        const int64_t first = info.firstSample, last = first + info.frames;
        if (last <= firstWanted) {
            // Wholly before the range: dropped.
            CurrentTime = std::max(CurrentTime.load(), info.endTime);
            continue;
        }
        if (first >= endWanted) {
            CurrentTime = rangeEnd;
            return 0;
        }
        const int64_t head = std::max<int64_t>(firstWanted - first, 0);
        const int64_t tail = std::max<int64_t>(last - endWanted, 0);
        const int64_t frames = info.frames - head - tail;
        if (head > 0)
            std::memmove(bytes, bytes + head * align, size_t(frames * align));
        if (FirstSampleRead < 0 && frames > 0)
            FirstSampleRead = first + head;
        CurrentTime = last >= endWanted ? rangeEnd : info.endTime;
        return int(frames * align);
    }
}

void TAudioFileReader::SetPosition(TMediaTime Time) {
    FirstSampleRead = -1;
    if (Time == CurrentTime.load())
        return;
    if (Time < StartTime)
        Time = StartTime;
    else if (Duration > TMediaTime() && Time > Duration)
        Time = Duration;
    else if (LengthTime != TMediaTime() && Time > StartTime + LengthTime)
        Time = StartTime + LengthTime;
    // Only noted: the thread that reads seeks, so a long seek never holds the window.
    FSeekTo = Time;
    CurrentTime = Time;
    Seeking = true;
}

void TAudioFileReader::SetStartTime(TMediaTime Time) {
    if (Time == StartTime)
        return;
    if (Time < TMediaTime())
        Time = TMediaTime();
    StartTime = Time;
    // Also backwards: the range must begin where it is set, whatever was read before.
    if (CurrentTime.load() != Time)
        SetPosition(Time);
}

void TAudioFileReader::SetLength(TMediaTime Time) {
    if (Time == LengthTime)
        return;
    if (Time != TMediaTime() && Time < kMinLength)
        Time = kMinLength;
    else if (Time > kMaxLength)
        Time = kMaxLength;
    if (Time != TMediaTime() && StartTime + Time < CurrentTime.load())
        SetPosition(StartTime);
    LengthTime = Time;
}
