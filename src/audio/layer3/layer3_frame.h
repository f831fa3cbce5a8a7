#pragma once

#include "audio/layer3/layer3_side_info.h"
#include "audio/layer3/mpeg_frame_header.h"

#include <cstdint>
#include <vector>

// One Layer III frame taken apart: its header and side information, and its main data
// gathered from wherever the encoder put it (the frame's own slots or earlier frames'
// reservoir). With these a joiner can place the main data anew in another stream; the
// frame decodes the same wherever its main data lies.
//
// Threads: a plain value; any thread.
struct TLayer3Frame {
    TMpegFrameHeader Header;
    uint8_t SideInfo[32] = {};
    TLayer3SideInfo Info;
    // The main data, whole bytes (the last one may end with stuffing bits).
    std::vector<uint8_t> MainData;
    // main_data_begin as the encoder wrote it: the reservoir its stream gave this frame.
    int EncodedBegin = 0;
    // The peak of the frame's sound (linear, over its samples and channels) as its encoder's
    // own stream decodes; -1 unknown. A decoder that gives this frame the same frame before
    // it decodes it the same in any stream: a frame's sound depends on its own data and on
    // the last granule of the frame before.
    float DecodedPeak = -1;

    // Main data slots of the frame as the encoder sized it.
    int SlotBytes() const { return Header.FrameBytes() - Header.PreludeBytes(); }
    // Block type of the first granule's and of the last granule's channel Ch.
    int FirstBlockType(int Ch) const { return Info.Parts[0][Ch].BlockType; }
    int LastBlockType(int Ch) const { return Info.Parts[Info.Granules - 1][Ch].BlockType; }
};
