#pragma once

#include "audio/rip/rip_encoder.h"

// Opus in Ogg through the rip engine: 20 ms packets on a grid of 960 samples at 48 kHz.
// Each job's file is encoded by its own encoder (the jobs of a list side by side on the
// pool's threads), which hears its neighbours' sound: its pre-roll before the range is
// declared in the pre-skip (at least 80 ms, so the decoder has settled by the range's first
// sample) and it encodes past the range's end, where the last page's granule position cuts
// the stream. The files of a list decode into the joined source without a gap or a click.
//
// A long range is not cut into segments: an Opus decoder carries its state from packet to
// packet, and packets of two encoders joined in one stream disagree with it for a while
// after the seam (bench/opus_seams.cpp measures how much).
//
// Threads: see TRipEncoder.
class TOpusRipEncoder : public TRipEncoder {
public:
    // The packets of the first 80 ms a decoder gives are dropped (RFC 7845's advice for a
    // stream that starts in the middle of a sound).
    static constexpr int MinPreSkip = 3840;

    explicit TOpusRipEncoder(int Kbps);

    QString Extension() const override;
    TRipStreamShape Prepare(const TRipPcmFormat& Input) override;
    std::unique_ptr<TRipSegmentEncoder> SegmentEncoder(int64_t FirstFrame, int64_t Start,
                                                       int64_t End,
                                                       int64_t KeepUntil) const override;
    std::unique_ptr<TRipJoiner> Joiner() const override;
    std::unique_ptr<TRipJobWriter> JobWriter(const TRipJobFile& File) const override;

private:
    int FKbps;
    TRipPcmFormat FInput;
};
