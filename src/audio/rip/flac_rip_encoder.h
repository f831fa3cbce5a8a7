#pragma once

#include "audio/rip/rip_encoder.h"

// FLAC through the rip engine: lossless, so each job's file is its own stream, encoded by one
// libFLAC encoder fed exactly the job's samples (16-bit, or 24-bit for deeper sources) and
// written by TFlacJobStream; the jobs of a list encode side by side on the pool's threads.
//
// Threads: see TRipEncoder.
class TFlacRipEncoder : public TRipEncoder {
public:
    // Level: libFLAC's compression level, 0 (fastest) to 8 (smallest).
    explicit TFlacRipEncoder(int Level);

    QString Extension() const override;
    TRipStreamShape Prepare(const TRipPcmFormat& Input) override;
    std::unique_ptr<TRipSegmentEncoder> SegmentEncoder(int64_t FirstFrame, int64_t Start,
                                                       int64_t End,
                                                       int64_t KeepUntil) const override;
    std::unique_ptr<TRipJoiner> Joiner() const override;
    std::unique_ptr<TRipJobWriter> JobWriter(const TRipJobFile& File) const override;

private:
    int FLevel;
    TRipPcmFormat FInput;
    int FBlockSize = 4096;
};
