#pragma once

#include "audio/layer3_frame_reader.h"
#include "audio/mp3_segment_joiner.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct lame_global_struct;

// One encoder instance for one segment of a parallel encode. The caller feeds the
// segment's sound from FirstFrame x the frame length on (the pre-roll first) through its
// overlap and a few frames more; Finish flushes the encoder and gives the segment's frames,
// numbered on the whole stream's grid and cut after the overlap (later frames heard the
// encoder's flush, not the sound).
//
// Threads: one thread at a time (a pool's worker); the library must stay held.
class TMp3SegmentEncoder {
public:
    // Sets an encoder up as the whole run's encoder is set up (before lame_init_params,
    // which the segment encoder calls).
    using TConfigure = std::function<void(lame_global_struct*)>;

    // FirstFrame: frame number of the first sample fed. Start, End: the frames the segment
    // stands for. KeepUntil: frames from there on are dropped. Raises EAudioException when
    // the encoder cannot be made.
    TMp3SegmentEncoder(const TConfigure& Configure, int64_t FirstFrame, int64_t Start, int64_t End,
                       int64_t KeepUntil);
    ~TMp3SegmentEncoder();

    // Frames of interleaved PCM, 1 or 2 channels of 16-bit samples; raises
    // EAudioException when the encoder fails.
    void Encode(const void* Pcm, int Frames, int Channels, int BitsPerSample);
    TMp3SegmentJoiner::TSegment Finish();

    // Samples per frame, and the information frame this encoder would have written for its
    // own stream (after Finish): the template of the joined stream's tag.
    int FrameSamples() const;
    int EncoderDelay() const;
    std::vector<uint8_t> InfoFrame() const;

private:
    struct TCloser {
        void operator()(lame_global_struct* Handle) const noexcept;
    };
    void Take(int Count);

    std::unique_ptr<lame_global_struct, TCloser> FEncoder;
    std::vector<uint8_t> FBuffer;
    TLayer3FrameReader FReader;
    TMp3SegmentJoiner::TSegment FSegment;
    int64_t FKeepUntil;
};
