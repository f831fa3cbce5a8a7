#pragma once

#include "audio/mp3/mp3_encoder.h"
#include "audio/rip/rip_encoder.h"

// MP3 through the rip engine: LAME's frames on a grid of 1152 samples, segments joined by
// TMp3SegmentJoiner with one bit reservoir, each file laid out anew by TMp3JobStream (ID3v2
// and ID3v1 tags, an information frame with the exact delay and padding).
//
// Threads: see TRipEncoder. The encoder library must be held while a run uses it.
class TMp3RipEncoder : public TRipEncoder {
public:
    // Settings: the run's, without tag texts (each job brings its own).
    explicit TMp3RipEncoder(const TMp3EncoderSettings& Settings);

    QString Extension() const override;
    TRipStreamShape Prepare(const TRipPcmFormat& Input, bool Loudness) override;
    std::unique_ptr<TRipSegmentEncoder>
    SegmentEncoder(const TRipSegment& Segment, const std::atomic<bool>& Stop) const override;
    std::unique_ptr<TRipJoiner> Joiner() const override;
    std::unique_ptr<TRipJobWriter> JobWriter(const TRipJobFile& File) const override;
    // The cover's ID3v2 frame.
    std::shared_ptr<const std::vector<uint8_t>>
    Cover(const std::vector<uint8_t>& Jpeg) const override;

private:
    TMp3EncoderSettings FSettings;
    TRipPcmFormat FInput;
    bool FFramePeaks = false; // the files' peaks are measured: segments decode their frames
};
