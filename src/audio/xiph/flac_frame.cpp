#include "audio/xiph/flac_frame.h"

#include <array>

namespace {

// The header: sync and blocking strategy (2 bytes), block size and rate codes, channels and
// sample size, then the coded number.
constexpr size_t NumberAt = 4;

std::array<uint16_t, 256> Crc16Table() {
    std::array<uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        uint16_t c = uint16_t(i << 8);
        for (int bit = 0; bit < 8; ++bit)
            c = uint16_t(c & 0x8000 ? c << 1 ^ 0x8005 : c << 1);
        table[i] = c;
    }
    return table;
}

uint8_t Crc8(const uint8_t* Bytes, size_t Count) {
    uint8_t c = 0;
    for (size_t i = 0; i < Count; ++i) {
        c ^= Bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            c = uint8_t(c & 0x80 ? c << 1 ^ 0x07 : c << 1);
    }
    return c;
}

uint16_t Crc16(const uint8_t* Bytes, size_t Count) {
    static const std::array<uint16_t, 256> table = Crc16Table();
    uint16_t c = 0;
    for (size_t i = 0; i < Count; ++i)
        c = uint16_t(c << 8 ^ table[(c >> 8 ^ Bytes[i]) & 0xFF]);
    return c;
}

// Bytes of the coded number that starts with Lead; 0 when Lead cannot start one.
size_t CodedLength(uint8_t Lead) {
    if (Lead < 0x80)
        return 1;
    size_t ones = 0;
    while (ones < 8 && (Lead & (0x80 >> ones)))
        ++ones;
    return ones >= 2 && ones <= 6 ? ones : 0;
}

std::vector<uint8_t> Coded(int64_t Number) {
    const auto n = uint64_t(Number);
    if (n < 0x80)
        return {uint8_t(n)};
    size_t bytes = 2;
    while (bytes < 6 && n >= (uint64_t(1) << (5 * bytes + 1)))
        ++bytes;
    std::vector<uint8_t> out(bytes);
    out[0] = uint8_t((0xFF00 >> bytes) | (n >> (6 * (bytes - 1))));
    for (size_t i = 1; i < bytes; ++i)
        out[i] = uint8_t(0x80 | ((n >> (6 * (bytes - 1 - i))) & 0x3F));
    return out;
}

// The header's length (its CRC-8 included), or 0 for what is no fixed-blocksize frame.
size_t HeaderLength(const std::vector<uint8_t>& Frame) {
    if (Frame.size() < NumberAt + 1 + 1 + 2 || Frame[0] != 0xFF || Frame[1] != 0xF8)
        return 0;
    const size_t coded = CodedLength(Frame[NumberAt]);
    if (coded == 0)
        return 0;
    const int sizeCode = Frame[2] >> 4, rateCode = Frame[2] & 0x0F;
    const size_t extra = (sizeCode == 6   ? 1
                          : sizeCode == 7 ? 2
                                          : 0) +
                         (rateCode == 12                     ? 1
                          : rateCode == 13 || rateCode == 14 ? 2
                                                             : 0);
    const size_t length = NumberAt + coded + extra + 1;
    return length + 2 <= Frame.size() ? length : 0;
}

} // namespace

int64_t FlacFrameNumber(const std::vector<uint8_t>& Frame) {
    if (HeaderLength(Frame) == 0)
        return -1;
    const size_t coded = CodedLength(Frame[NumberAt]);
    int64_t n = coded == 1 ? Frame[NumberAt] : Frame[NumberAt] & (0x7F >> coded);
    for (size_t i = 1; i < coded; ++i)
        n = n << 6 | (Frame[NumberAt + i] & 0x3F);
    return n;
}

bool SetFlacFrameNumber(std::vector<uint8_t>& Frame, int64_t Number) {
    const size_t header = HeaderLength(Frame);
    if (header == 0 || Number < 0 || Number >= (int64_t(1) << 31))
        return false;
    const size_t oldCoded = CodedLength(Frame[NumberAt]);
    const std::vector<uint8_t> coded = Coded(Number);
    std::vector<uint8_t> out;
    out.reserve(Frame.size() + coded.size());
    out.insert(out.end(), Frame.begin(), Frame.begin() + NumberAt);
    out.insert(out.end(), coded.begin(), coded.end());
    // The block size and rate fields after the number, then a new CRC-8.
    out.insert(out.end(), Frame.begin() + long(NumberAt + oldCoded),
               Frame.begin() + long(header) - 1);
    out.push_back(Crc8(out.data(), out.size()));
    // The subframes as they were, then a new CRC-16 of the whole frame.
    out.insert(out.end(), Frame.begin() + long(header), Frame.end() - 2);
    const uint16_t crc = Crc16(out.data(), out.size());
    out.push_back(uint8_t(crc >> 8));
    out.push_back(uint8_t(crc));
    Frame = std::move(out);
    return true;
}
