#include "audio/layer3/mpeg_frame_header.h"

namespace {

const int Mpeg1Kbps[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
const int Mpeg2Kbps[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
const int Mpeg1Rates[3] = {44100, 48000, 32000};

} // namespace

std::optional<TMpegFrameHeader> TMpegFrameHeader::Parse(const uint8_t* Data, size_t Size) {
    if (Size < 4 || Data[0] != 0xff || (Data[1] & 0xe0) != 0xe0)
        return std::nullopt;
    TMpegFrameHeader h;
    for (int i = 0; i < 4; ++i)
        h.Bytes[i] = Data[i];
    const int version = Data[1] >> 3 & 3, layer = Data[1] >> 1 & 3;
    if (version == 1 || layer != 1) // reserved version; Layer III only
        return std::nullopt;
    if (h.BitRateIndex() == 0 || h.BitRateIndex() == 15 || h.SampleRateIndex() == 3)
        return std::nullopt;
    return h;
}

int TMpegFrameHeader::KbpsOf(int Index) const {
    if (Index < 0 || Index > 15)
        return 0;
    return Mpeg1() ? Mpeg1Kbps[Index] : Mpeg2Kbps[Index];
}

int TMpegFrameHeader::SampleRate() const {
    const int rate = Mpeg1Rates[SampleRateIndex() % 3];
    switch (Version()) {
    case mvMpeg1:
        return rate;
    case mvMpeg2:
        return rate / 2;
    default:
        return rate / 4;
    }
}

int TMpegFrameHeader::FrameBytesAt(int Index, bool Pad) const {
    const int slots = Mpeg1() ? 144000 : 72000;
    return slots * KbpsOf(Index) / SampleRate() + (Pad ? 1 : 0);
}

int TMpegFrameHeader::SideInfoBytes() const {
    if (Mpeg1())
        return Channels() == 1 ? 17 : 32;
    return Channels() == 1 ? 9 : 17;
}

std::vector<int> Layer3BitRates(int SampleRate) {
    bool mpeg1 = false, known = false;
    for (int rate : Mpeg1Rates) {
        mpeg1 = mpeg1 || rate == SampleRate;
        known = known || rate == SampleRate || rate / 2 == SampleRate || rate / 4 == SampleRate;
    }
    std::vector<int> rates;
    if (known)
        for (int i = 1; i < 15; ++i)
            rates.push_back(mpeg1 ? Mpeg1Kbps[i] : Mpeg2Kbps[i]);
    return rates;
}
