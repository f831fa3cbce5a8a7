#pragma once

#include "audio/layer3/mpeg_frame_header.h"

#include <cstdint>
#include <optional>

// What a joiner needs of a Layer III frame's side information: where its main data
// begins (main_data_begin, bytes back into earlier frames' slots), how many bits of main
// data each granule and channel holds (part2_3_length), and each one's block type (the
// window, which has to match across a seam). Scale factors are not needed: a frame never
// takes them from another frame.
//
// Threads: a plain value; any thread.
struct TLayer3SideInfo {
    // 0 long, 1 start, 2 short, 3 stop.
    struct TGranuleChannel {
        int Part23Length = 0;
        int BlockType = 0;
        bool Mixed = false;
    };

    int MainDataBegin = 0;
    int Granules = 0;
    int Channels = 0;
    TGranuleChannel Parts[2][2];

    // Parses the side information that follows the header (and its CRC word); Data holds
    // at least Header.SideInfoBytes() bytes. Empty when a part is longer than the format
    // allows.
    static std::optional<TLayer3SideInfo> Parse(const TMpegFrameHeader& Header,
                                                const uint8_t* Data);
    // Total main data of the frame in bits.
    int MainDataBits() const;

    // Writes main_data_begin into side information bytes.
    static void WriteMainDataBegin(const TMpegFrameHeader& Header, uint8_t* SideInfo, int Value);
    // The CRC word of a protected frame: over the header's last two bytes and the side
    // information.
    static uint16_t ProtectionCrc(const TMpegFrameHeader& Header, const uint8_t* SideInfo);
};
