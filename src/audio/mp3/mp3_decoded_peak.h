#pragma once

#include "media/ffmpeg_ptr.h"

#include <cstdint>
#include <deque>
#include <vector>

// The peak of an MP3 stream's sound as a player decodes it, for the ReplayGain peak that
// players use to keep from clipping. The encoder's input is no bound: the coded sound
// overshoots it (a full-scale square wave decodes to peaks of 1.48 at -V 9 and 1.83 at
// 32 kbit/s). FFmpeg's float decoder neither clips nor rounds the samples.
//
// Fed the stream's frames in order (whole frames, as a file holds them after its
// information frame); Finish tells which decoded samples are the track's.
//
// Threads: one thread at a time (the rip's coordinator).
class TMp3DecodedPeak {
public:
    // Raises EAudioException when FFmpeg has no MP3 decoder.
    TMp3DecodedPeak();
    ~TMp3DecodedPeak();
    TMp3DecodedPeak(const TMp3DecodedPeak&) = delete;
    TMp3DecodedPeak& operator=(const TMp3DecodedPeak&) = delete;

    // The next bytes of the stream, whole frames.
    void Add(const uint8_t* Bytes, size_t Size);
    // The peak of the decoded samples [First, End) (sample 0 is the first frame's first),
    // linear (1.0 full scale), rounded up by one 16-bit step: other decoders' synthesis
    // rounds in its last bits otherwise.
    double Finish(int64_t First, int64_t End);

    // Decoded samples kept at the start and the end, where a track's first and last samples
    // lie (its delay is at most 4095 + 529 samples, its padding under two frames).
    static constexpr int64_t HeadSamples = 8192, TailSamples = 4608;

private:
    struct TDecoded {
        int64_t First = 0;
        std::vector<float> Peaks; // per sample, over the channels
    };
    void Decode(const AVPacket* Packet);
    void Receive();
    static double PeakIn(const TDecoded& Frame, int64_t First, int64_t End);

    ffmpeg::CodecContextPtr FDecoder;
    ffmpeg::PacketPtr FPacket;
    ffmpeg::FramePtr FFrame;
    std::vector<uint8_t> FPartial; // a frame's bytes not all added yet
    int64_t FDecoded = 0;          // samples so far
    std::vector<TDecoded> FHead;
    std::deque<TDecoded> FTail;
    int64_t FTailSamples = 0;
    double FMiddle = 0;                     // of the frames between
    std::vector<std::vector<float>> FSpare; // storage of frames that left the tail
};
