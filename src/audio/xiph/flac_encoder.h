#pragma once

#include <FLAC/stream_encoder.h>

#include <cstdint>
#include <memory>
#include <vector>

// One libFLAC stream encoder writing into memory: fed interleaved PCM of 16-bit or packed
// 24-bit little-endian samples, it makes FLAC frames (TakeFrames hands out those finished),
// numbered from 0; Finish encodes the rest and tells the MD5 of the samples it was fed. The
// stream's head ("fLaC" and the metadata) is left to the caller, which may join the frames
// of several encoders.
//
// Threads: one thread at a time.
class TFlacEncoder {
public:
    struct TSettings {
        int Channels = 2;
        int BitsPerSample = 16; // 16 or 24
        int SampleRate = 44100;
        int Level = 5; // compression level, 0 (fastest) to 8 (smallest)
    };
    // Raises EAudioException when libFLAC refuses the settings.
    explicit TFlacEncoder(const TSettings& Settings);
    ~TFlacEncoder();
    TFlacEncoder(const TFlacEncoder&) = delete;
    TFlacEncoder& operator=(const TFlacEncoder&) = delete;

    // Samples per frame (the last frame may hold fewer).
    int BlockSize() const;
    void Encode(const uint8_t* Pcm, int Frames);
    // Moves the frames that are complete, each one whole FLAC frame, to the end of Out
    // (after Finish, all of them).
    void TakeFrames(std::vector<std::vector<uint8_t>>& Out);
    // Encodes what is left.
    void Finish();
    // After Finish: the MD5 of every sample fed (16 bytes).
    const std::vector<uint8_t>& Md5() const { return FMd5; }

    // The STREAMINFO block's body as libFLAC describes it.
    static std::vector<uint8_t> StreamInfoBytes(const FLAC__StreamMetadata& Info);

private:
    static int WriteBytes(const FLAC__StreamEncoder*, const uint8_t* Buffer, size_t Bytes,
                          uint32_t Samples, uint32_t Frame, void* Self);
    static void Metadata(const FLAC__StreamEncoder*, const FLAC__StreamMetadata* Info, void* Self);
    void Check(bool Ok) const;

    struct TDeleter {
        void operator()(FLAC__StreamEncoder* Encoder) const noexcept;
    };
    std::unique_ptr<FLAC__StreamEncoder, TDeleter> FEncoder;
    TSettings FSettings;
    std::vector<int32_t> FSamples;
    std::vector<std::vector<uint8_t>> FFrames;
    bool FInFrame = false;
    bool FFinished = false;
    std::vector<uint8_t> FMd5;
};
