#pragma once

#include "audio/rip/rip_encoder.h"

#include <map>
#include <memory>
#include <mutex>

class TFlacSignature;

// FLAC through the rip engine: lossless, fed the source's own samples (16-bit, or 24-bit for
// deeper sources) and nothing else. A FLAC frame stands on its own, so a long range is cut
// into segments on every core at frame boundaries, each encoded by its own libFLAC encoder
// (fed one frame's samples before its start, for the seam's check only); the coordinator
// joins their frames and TFlacJobStream numbers them as one stream. The MD5 of the samples is
// made across the segments in order (TFlacSignature). Each job's file is a stream of its own;
// the jobs of a list encode side by side.
//
// Threads: see TRipEncoder (the signatures of the runs under a lock of their own).
class TFlacRipEncoder : public TRipEncoder {
public:
    // Level: libFLAC's compression level, 0 (fastest) to 8 (smallest).
    explicit TFlacRipEncoder(int Level);
    ~TFlacRipEncoder() override;

    // The longest segment: a segment keeps its samples until those before it are signed.
    static constexpr double SegmentSeconds = 60;

    QString Extension() const override;
    TRipStreamShape Prepare(const TRipPcmFormat& Input, bool Loudness) override;
    std::unique_ptr<TRipSegmentEncoder>
    SegmentEncoder(const TRipSegment& Segment, const std::atomic<bool>& Stop) const override;
    std::unique_ptr<TRipJoiner> Joiner() const override;
    std::unique_ptr<TRipJobWriter> JobWriter(const TRipJobFile& File) const override;
    // The cover's PICTURE block.
    std::shared_ptr<const std::vector<uint8_t>>
    Cover(const std::vector<uint8_t>& Jpeg) const override;

private:
    int FLevel;
    TRipPcmFormat FInput;
    int FBlockSize = 4096;
    // Of each run, the signature its segments make: a run's first segment starts a new one
    // (also when the run is encoded again).
    mutable std::mutex FLock;
    mutable std::map<size_t, std::shared_ptr<TFlacSignature>> FSignatures;
};
