#pragma once

#include "audio/pipeline/audio_read_error.h"
#include "media/media_audio_stream.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>

// Decodes one audio stream of a source file block by block, limited to a range of time
// [StartTime, StartTime + LengthTime) on the player's timeline. Blocks are
// cut to the range's first and last sample exactly, so a rip starts and ends where asked.
//
// Format is what the reader reports to the pipeline: two channels whatever the stream
// holds, 32-bit float when the override asks for 32 bits, else 16 bits; MonoToStereo and
// Widen8To16 tell the caller to expand the data in place (the data themselves keep
// StreamFormat).
//
// Threads: created and ranged on the main thread, then read by the output's worker; one
// thread at a time. CurrentTime, Seeking and Interrupt may be used from any thread at any
// moment.
class TAudioFileReader {
public:
    // Opens `FileName` and its audio track `AudioTrack` (1-based in stream order, 0 = the
    // primary one). A FormatOverride above 0 (bits 0-15 channels, 16-31 bits per sample
    // with 32 = float, 32-63 sample rate; a field left 0 keeps the stream's) converts the
    // decoded data to that format. `File`: the plain file held open for FileName, read
    // whatever the name now names (optional). Raises EAudioReadError.
    TAudioFileReader(const QString& FileName, const TPcmFormat& FormatOverride = {},
                     int AudioTrack = 0, std::shared_ptr<const media::TSourceFile> File = nullptr);

    // Decodes the next block of the range into Buffer (at most Size bytes, whole frames of
    // StreamFormat); answers its length in bytes, 0 when the range or the stream is over.
    // Raises EAudioReadError ("Invalid buffer size." for a size under one frame).
    int Read(void* Buffer, int Size);
    // Seeks, clamped to the range and the stream. The seek itself (which may decode a
    // while, or count through the file) is made by the next Read, on the thread that
    // reads; a seek that fails makes that Read raise.
    void SetPosition(TMediaTime Time);
    void SetStartTime(TMediaTime Time);
    // 0 = to the end; other values are held between 10 ms and 10^8 s.
    void SetLength(TMediaTime Time);

    // As reported to the pipeline (stereo) and as decoded.
    TPcmFormat Format;
    TPcmFormat StreamFormat;
    // Length of the stream, as a time and in samples (0 when unknown).
    TMediaTime Duration;
    int64_t DurationSamples = 0;
    // End of the last block read, or the last position sought.
    std::atomic<TMediaTime> CurrentTime{TMediaTime()};
    // Number of the first sample delivered since the last seek, -1 before any: where the
    // data began when the range starts before the stream's first sample.
    int64_t FirstSampleRead = -1;
    TMediaTime StartTime;
    TMediaTime LengthTime;
    bool MonoToStereo = false;
    bool Widen8To16 = false;
    // From SetPosition (or SetStartTime, SetLength) until the next Read has made the
    // seek. Any thread may read it.
    std::atomic<bool> Seeking{false};

    // Makes a Read in progress on another thread give up soon (raising EAudioReadError);
    // Resume lets Reads go on again. Any thread.
    void Interrupt() { FInterrupt = true; }
    void Resume() { FInterrupt = false; }

    // Stretches [first, end) of the stream's samples delivered as silence because the
    // source has no sound there (TMediaAudioStream::Holes).
    const TSampleStretches& Holes() const { return FStream->Holes(); }

    TMediaTime SampleToTime(int64_t Sample) const { return FStream->SampleToTime(Sample); }
    int64_t TimeToSample(TMediaTime Time) const { return FStream->TimeToSample(Time); }

private:
    const std::unique_ptr<TMediaAudioStream> FStream;
    std::atomic<bool> FInterrupt{false};
    TMediaTime FSeekTo;
};
