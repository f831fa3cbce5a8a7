#pragma once

// The run's input until the program's own stream input takes its place: the primary sound
// track of a source, read through the media layer's audio stream as 16-bit stereo PCM at
// the source's rate (mono is doubled, more channels are mixed down), limited to a range in
// 100-ns units measured from the container's start (the instant the preview shows as 0).
//
// Threads: opened, given its range and queried on the GUI thread; read (ReadData and the
// run's EndRead) on the output's worker. CurrentTime may be read from any thread.

#include "audio/audio_file_in.h"

#include <atomic>
#include <cstdint>
#include <memory>

class TMediaAudioStream;

class TInterimStreamIn : public TAudioFileIn {
    Q_OBJECT
public:
    explicit TInterimStreamIn(QObject* AOwner = nullptr);
    ~TInterimStreamIn() override;

    // Requested format (bits 0-15 channels, 16-31 bits per sample, 32-63 sample rate);
    // 0 = 16-bit stereo at the source's rate.
    int64_t FormatOverride = 0;

    void OpenSource() override;
    void CloseSource() override;
    void SeekFrame(int64_t Frame) override;
    int ReadData(void* Buffer, int BufferSize) override;

    // The range, once the source is open; a length of 0 reads to the end.
    void SetStartTime(int64_t Time);
    void SetLength(int64_t Time);
    // Source time just after the last sample delivered (100-ns units).
    int64_t CurrentTime() const { return FCurrentTime.load(std::memory_order_acquire); }

private:
    std::unique_ptr<TMediaAudioStream> FStream;
    int64_t FStartTime = 0;
    int64_t FLength = 0;
    bool FSeekDue = true;
    bool FEnded = false;
    std::atomic<int64_t> FCurrentTime{0};
};
