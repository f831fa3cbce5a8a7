#pragma once

#include "media/ffmpeg_ptr.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Decodes an MP3 stream one whole frame at a time with FFmpeg's float decoder, which
// neither clips nor rounds, into the peak of each sample over the channels: what the
// ReplayGain peak stands for. The decoder keeps what a frame needs of the frames before it
// (their reservoir, the last granule's overlap, the synthesis filter's history), so frames
// decode as in a player only when fed in the stream's order; Reset forgets it, for frames
// from elsewhere in the stream.
//
// Threads: one thread at a time.
class TMp3FrameDecoder {
public:
    // Raises EAudioException when FFmpeg has no MP3 decoder.
    TMp3FrameDecoder();
    ~TMp3FrameDecoder();
    TMp3FrameDecoder(const TMp3FrameDecoder&) = delete;
    TMp3FrameDecoder& operator=(const TMp3FrameDecoder&) = delete;

    // Decodes one frame; Peaks gets its samples' peaks (silence where the decoder refused
    // the frame, a reservoir it was not given: as in any player, the samples after it keep
    // their places). Samples: the frame's samples per channel.
    void Decode(const uint8_t* Frame, size_t Size, int Samples, std::vector<float>& Peaks);
    void Reset();

    static float Max(const std::vector<float>& Peaks);

private:
    ffmpeg::CodecContextPtr FDecoder;
    ffmpeg::PacketPtr FPacket;
    ffmpeg::FramePtr FFrame;
};
