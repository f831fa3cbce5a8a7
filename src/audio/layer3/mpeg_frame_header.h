#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// The four-byte header of an MPEG audio Layer III frame: what it says about the frame
// (version, rate, size, channels, protection) and the two fields a joiner may change
// (the bit-rate index and the padding bit).
//
// Threads: a plain value; any thread.
struct TMpegFrameHeader {
    enum TVersion : uint8_t { mvMpeg25 = 0, mvMpeg2 = 2, mvMpeg1 = 3 };

    uint8_t Bytes[4] = {};

    // The header at Data (at least 4 bytes) when it is a valid Layer III header (sync,
    // version, layer, a listed bit rate other than free format, a listed sample rate).
    static std::optional<TMpegFrameHeader> Parse(const uint8_t* Data, size_t Size);

    TVersion Version() const { return TVersion(Bytes[1] >> 3 & 3); }
    bool Mpeg1() const { return Version() == mvMpeg1; }
    bool Protected() const { return !(Bytes[1] & 1); }
    int BitRateIndex() const { return Bytes[2] >> 4; }
    int SampleRateIndex() const { return Bytes[2] >> 2 & 3; }
    bool Padding() const { return Bytes[2] & 2; }
    // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono.
    int ChannelMode() const { return Bytes[3] >> 6; }
    int Channels() const { return ChannelMode() == 3 ? 1 : 2; }

    int BitRateKbps() const { return KbpsOf(BitRateIndex()); }
    int SampleRate() const;
    // 1152 for MPEG-1, 576 for MPEG-2 and 2.5.
    int SamplesPerFrame() const { return Mpeg1() ? 1152 : 576; }
    int Granules() const { return Mpeg1() ? 2 : 1; }
    int FrameBytes() const { return FrameBytesAt(BitRateIndex(), Padding()); }
    int FrameBytesAt(int BitRateIndex, bool Padding) const;
    int SideInfoBytes() const;
    // Header, CRC word when protected, side information: where the main data slots start.
    int PreludeBytes() const { return 4 + (Protected() ? 2 : 0) + SideInfoBytes(); }
    // Largest main_data_begin the side information can hold.
    int MaxMainDataBegin() const { return Mpeg1() ? 511 : 255; }

    // kbit/s of a bit-rate index for this header's version (0 for free format or 15).
    int KbpsOf(int Index) const;
    void SetBitRateIndex(int Index) { Bytes[2] = uint8_t((Bytes[2] & 0x0f) | Index << 4); }
    void SetPadding(bool On) { Bytes[2] = uint8_t((Bytes[2] & ~2) | (On ? 2 : 0)); }
};

// The constant bit rates (kbit/s) a Layer III stream at SampleRate can carry: 32 to 320 at
// 32, 44.1 and 48 kHz (MPEG-1), 8 to 160 below (MPEG-2 and 2.5); empty for other rates.
std::vector<int> Layer3BitRates(int SampleRate);
