#pragma once

#include "audio/mp3/mp3_frame_decoder.h"

#include <cstdint>
#include <deque>
#include <vector>

// The peak of an MP3 stream's sound as a player decodes it, for the ReplayGain peak that
// players use to keep from clipping. The encoder's input is no bound: the coded sound
// overshoots it (a full-scale square wave decodes to peaks of 1.48 at -V 9 and 1.83 at
// 32 kbit/s). FFmpeg's float decoder neither clips nor rounds the samples.
//
// Fed the stream's frames in order (whole frames, as a file holds them after its
// information frame); Finish tells which decoded samples are the track's. A frame whose
// peak is known already (Expect: its encoder's own stream decoded it, on the thread that
// encoded it) is not decoded again, unless its samples lie where the track begins or may
// end; the others are decoded, after the frames before them that give them their reservoir
// and history, so each is decoded exactly as in the whole stream.
//
// Threads: one thread at a time (the rip's coordinator).
class TMp3DecodedPeak {
public:
    // Raises EAudioException when FFmpeg has no MP3 decoder.
    TMp3DecodedPeak() = default;

    // The peak of the next frame the stream brings (TLayer3Frame::DecodedPeak), given in
    // the order of the frames; -1 unknown. Frames without one are decoded.
    void Expect(float FramePeak) { FExpected.push_back(FramePeak); }
    // The next bytes of the stream, whole frames.
    void Add(const uint8_t* Bytes, size_t Size);
    // The peak of the decoded samples [First, End) (sample 0 is the first frame's first;
    // End -1: to the stream's end), linear (1.0 full scale), rounded up by one 16-bit step:
    // other decoders' synthesis rounds in its last bits otherwise.
    double Finish(int64_t First, int64_t End);

    // Decoded samples at the start and the end where a track's first and last samples lie
    // (its delay is at most 4095 + 529 samples, its padding under two frames): decoded
    // sample by sample, whatever is known of their frames.
    static constexpr int64_t HeadSamples = 8192, TailSamples = 4608;
    // Frames decoded so far (for the tests: the frames known were not).
    int64_t FramesDecoded() const { return FFramesDecoded; }

private:
    struct TFrame {
        int64_t Index = 0;
        int64_t First = 0; // its first sample
        int Samples = 0;
        int SlotBytes = 0; // its main data slots: the reservoir it holds for later frames
        int MaxBegin = 511;
        float Known = -1;
        bool Decoded = false;
        std::vector<uint8_t> Bytes;
        std::vector<float> Peaks; // per sample, once decoded
    };
    void Take(const uint8_t* Bytes, size_t Size);
    // Decodes FRecent[At] as the whole stream does.
    void DecodeRecent(size_t At);
    // Lets go of the frames no later decode needs, their peaks counted.
    void Retire();
    // Frames at the end of FRecent holding the last TailSamples.
    size_t TailFrames() const;
    static double PeakIn(const TFrame& Frame, int64_t First, int64_t End);

    TMp3FrameDecoder FDecoder;
    std::deque<float> FExpected;
    std::vector<uint8_t> FPartial; // a frame's bytes not all added yet
    int64_t FFrames = 0, FSamples = 0;
    int64_t FFramesDecoded = 0;
    int64_t FDecodedThrough = -1; // the frame the decoder took last, in the stream's order
    std::deque<TFrame> FRecent;   // the last frames: the reservoir and history, the tail
    std::vector<TFrame> FHead;
    double FMiddle = 0;         // of the frames between
    std::vector<TFrame> FSpare; // storage of frames let go
};
