#pragma once

#include "audio/layer3/layer3_frame.h"

#include <cstdint>
#include <deque>
#include <vector>

// Lays Layer III frames out as one stream with its own bit reservoir: each frame's main
// data goes as early as the stream allows (right after the previous frame's data, at most
// main_data_begin bytes back), its main_data_begin (and CRC word) are written anew, and
// unused slots are zero. Frames from different encoders can follow each other: what a
// frame needs is its main data and room for it, not the reservoir its encoder had.
//
// Placing as early as possible is never worse than any other layout for the frames that
// follow, so a sequence fits if and only if this layout fits it (Fits answers that
// without changing anything).
//
// Threads: one thread at a time.
class TLayer3Packer {
public:
    // Main data stream positions: SlotEnd is where the next frame's own slots begin, DataEnd
    // where the last frame's main data ended.
    struct TState {
        int64_t SlotEnd = 0;
        int64_t DataEnd = 0;
    };

    // Start of a frame's main data after State, -1 when it cannot fit in the frame's slots
    // plus the reservoir.
    static int64_t Place(const TState& State, int SlotBytes, int DataBytes, int MaxBegin);

    // Appends Frame with Header (the frame's own, or one with another padding bit or bit rate
    // for the same version, rate and channels); false (nothing appended) when its main data
    // does not fit.
    bool Append(const TLayer3Frame& Frame, const TMpegFrameHeader& Header);
    // Moves the bytes of the frames no later frame can change to the end of Out.
    void TakeFinished(std::vector<uint8_t>& Out);
    // Moves every byte (after the last frame).
    void TakeAll(std::vector<uint8_t>& Out);

    const TState& State() const { return FState; }
    // Reservoir the next frame may use: free bytes before its own slots.
    int FreeReservoir(int MaxBegin) const;

private:
    struct TPendingFrame {
        int64_t SlotStart = 0; // stream position of the first slot
        int SlotBytes = 0;
        std::vector<uint8_t> Bytes;
    };
    void WriteMainData(int64_t Start, const std::vector<uint8_t>& Data);

    TState FState;
    int FMaxBegin = 511;
    std::deque<TPendingFrame> FPending;
};
