#pragma once

#include "audio/rip/rip_encoder.h"

#include <cstdint>
#include <memory>
#include <vector>

// What the encoders of a packet format's run told at the end of its stream (FLAC's MD5 of
// the samples; nothing for Opus).
struct TPacketRun {
    std::vector<uint8_t> Signature;
};

// A frame of a packet format's joined stream: FLAC's frames and Opus's packets stand alone,
// so a file is the bytes of its frames in order.
class TCodedPacket : public TRipPacket {
public:
    std::vector<uint8_t> Bytes;
    std::shared_ptr<const TPacketRun> Run;
};

// What one segment's encoder of a packet format made: its frames, numbered on the run's grid
// from FirstFrame, standing for [Start, End).
struct TPacketSegment : TRipEncoded {
    int64_t FirstFrame = 0, Start = 0, End = 0;
    std::vector<std::vector<uint8_t>> Packets;
    std::vector<uint8_t> Signature; // the run's, from its last segment
};

// Joins the segments of a packet format: each later segment takes over at its own Start,
// the first frame it stands for (its pre-roll warmed its encoder; the frames before it are
// the earlier segment's).
//
// Threads: one thread at a time (the rip's coordinator).
class TPacketJoiner : public TRipJoiner {
public:
    TPacketJoiner();
    bool Add(std::unique_ptr<TRipEncoded> Segment) override;
    void Finish(int64_t EndFrame) override;
    void TakeFinished(std::vector<std::unique_ptr<TRipPacket>>& Out) override;
    std::vector<int64_t> Seams() const override { return FSeams; }

private:
    void Append(int64_t To);

    std::shared_ptr<TPacketRun> FRun;
    std::unique_ptr<TPacketSegment> FCurrent;
    int64_t FNext = INT64_MIN; // the next frame of the joined stream
    std::vector<int64_t> FSeams;
    std::vector<std::unique_ptr<TRipPacket>> FFinished;
};
