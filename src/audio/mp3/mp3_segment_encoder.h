#pragma once

#include "audio/layer3/layer3_frame_reader.h"
#include "audio/layer3/mp3_segment_joiner.h"
#include "audio/mp3/mp3_encoder.h"

#include <cstdint>
#include <vector>

// One encoder instance for one segment of a parallel encode. The caller feeds the
// segment's sound from FirstFrame x the frame length on (the pre-roll first) through its
// overlap and a few frames more; Finish flushes the encoder and gives the segment's frames,
// numbered on the whole stream's grid and cut after the overlap (later frames heard the
// encoder's flush, not the sound).
//
// Threads: one thread at a time (a pool's worker); the library must stay held.
class TMp3SegmentEncoder {
public:
    // Blocks fed at once are at most this many frames.
    static constexpr int MaxBlockFrames = 4096;

    // Settings: the whole run's, without tags (the segments' streams are never files).
    // FirstFrame: frame number of the first sample fed. Start, End: the frames the segment
    // stands for. KeepUntil: frames from there on are dropped. FramePeaks: Finish decodes
    // the frames for their peaks (TLayer3Frame::DecodedPeak), on the thread that encoded
    // them. Raises EAudioException when the encoder cannot be made.
    TMp3SegmentEncoder(const TMp3EncoderSettings& Settings, int64_t FirstFrame, int64_t Start,
                       int64_t End, int64_t KeepUntil, bool FramePeaks = false);

    // Frames of interleaved PCM as TMp3Encoder takes them; raises EAudioException when the
    // encoder fails.
    void Encode(const void* Pcm, int Frames, int Channels, int BitsPerSample);
    TMp3SegmentJoiner::TSegment Finish();

    int EncoderDelay() const { return FEncoder.EncoderDelay(); }
    // After Finish: the samples after the sound's last in the encoder's own stream.
    int EncoderPadding() const { return FEncoder.EncoderPadding(); }
    // The information frame this encoder would have written for its own stream (after
    // Finish): the template of the joined stream's.
    std::vector<uint8_t> InfoFrame() const;

private:
    void Take(int Count);
    static void MeasurePeaks(std::vector<TLayer3Frame>& Frames);

    TMp3Encoder FEncoder;
    TLayer3FrameReader FReader;
    TMp3SegmentJoiner::TSegment FSegment;
    int64_t FKeepUntil;
    bool FTookAny = false;
    bool FFramePeaks;
};
