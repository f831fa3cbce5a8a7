#include "audio/layer3/layer3_side_info.h"

namespace {

class TBitReader {
public:
    explicit TBitReader(const uint8_t* Data) : FData(Data) {}
    int Read(int Bits) {
        int v = 0;
        for (int i = 0; i < Bits; ++i, ++FPos)
            v = v << 1 | (FData[FPos >> 3] >> (7 - (FPos & 7)) & 1);
        return v;
    }
    void Skip(int Bits) { FPos += Bits; }

private:
    const uint8_t* FData;
    int FPos = 0;
};

uint16_t Crc16(uint16_t Crc, const uint8_t* Data, int Size) {
    for (int i = 0; i < Size; ++i) {
        Crc ^= uint16_t(Data[i] << 8);
        for (int b = 0; b < 8; ++b)
            Crc = uint16_t(Crc & 0x8000 ? Crc << 1 ^ 0x8005 : Crc << 1);
    }
    return Crc;
}

} // namespace

std::optional<TLayer3SideInfo> TLayer3SideInfo::Parse(const TMpegFrameHeader& Header,
                                                      const uint8_t* Data) {
    TLayer3SideInfo s;
    s.Granules = Header.Granules();
    s.Channels = Header.Channels();
    TBitReader r(Data);
    const bool mpeg1 = Header.Mpeg1();
    s.MainDataBegin = r.Read(mpeg1 ? 9 : 8);
    if (mpeg1)
        r.Skip((s.Channels == 1 ? 5 : 3) + 4 * s.Channels); // private bits, scfsi
    else
        r.Skip(s.Channels == 1 ? 1 : 2);
    for (int gr = 0; gr < s.Granules; ++gr) {
        for (int ch = 0; ch < s.Channels; ++ch) {
            TGranuleChannel& p = s.Parts[gr][ch];
            p.Part23Length = r.Read(12);
            r.Skip(9 + 8 + (mpeg1 ? 4 : 9)); // big_values, global_gain, scalefac_compress
            if (r.Read(1)) {                 // window switching
                p.BlockType = r.Read(2);
                p.Mixed = r.Read(1);
                if (p.BlockType == 0) // forbidden with window switching
                    return std::nullopt;
                r.Skip(2 * 5 + 3 * 3);
            } else {
                r.Skip(3 * 5 + 4 + 3);
            }
            r.Skip(mpeg1 ? 3 : 2);
        }
    }
    return s;
}

int TLayer3SideInfo::MainDataBits() const {
    int bits = 0;
    for (int gr = 0; gr < Granules; ++gr)
        for (int ch = 0; ch < Channels; ++ch)
            bits += Parts[gr][ch].Part23Length;
    return bits;
}

void TLayer3SideInfo::WriteMainDataBegin(const TMpegFrameHeader& Header, uint8_t* SideInfo,
                                         int Value) {
    if (Header.Mpeg1()) {
        SideInfo[0] = uint8_t(Value >> 1);
        SideInfo[1] = uint8_t((SideInfo[1] & 0x7f) | (Value & 1) << 7);
    } else {
        SideInfo[0] = uint8_t(Value);
    }
}

uint16_t TLayer3SideInfo::ProtectionCrc(const TMpegFrameHeader& Header, const uint8_t* SideInfo) {
    const uint16_t crc = Crc16(0xffff, Header.Bytes + 2, 2);
    return Crc16(crc, SideInfo, Header.SideInfoBytes());
}
