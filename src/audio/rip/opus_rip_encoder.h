#pragma once

#include "audio/rip/rip_encoder.h"

// Opus in Ogg through the rip engine: 20 ms packets on a grid of 960 samples at 48 kHz.
// Each job's file is a stream of its own, whose encoder hears its neighbours' sound: its
// packets start 200 ms before the range, declared in the pre-skip, and run on past its end,
// where the last page's granule position cuts the stream. So the files of a list decode into
// the joined source without a gap or a click (bench/track_seams.cpp: RFC 7845's 80 ms of
// pre-skip leave a decoder that starts cold 10 dB off on tonal sound for tens of ms; 200 ms
// make a join as close to the source as the inside of a track).
//
// A long range is cut into segments on every core at 96 kbit/s and more: each later
// segment's encoder starts a second early, and its packets take over at the segment's start.
// A decoder carries its state across the seam, so the seams are as clean as the sound inside
// (bench/opus_seams.cpp). Below 96 kbit/s they are not (a click on tonal sound at 64 kbit/s,
// the speech coder's state at 32), and a range is encoded by one encoder.
//
// Threads: see TRipEncoder.
class TOpusRipEncoder : public TRipEncoder {
public:
    // A file's packets start this many samples before its range (the pre-skip adds the
    // encoder's look-ahead).
    static constexpr int LeadSamples = 9600;
    // A later segment's encoder starts this many packets before the packets it stands for.
    static constexpr int SegmentPreroll = 50;
    // The lowest bit rate whose segments join cleanly.
    static constexpr int SegmentKbps = 96;

    explicit TOpusRipEncoder(int Kbps);

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
    int FKbps;
    TRipPcmFormat FInput;
};
