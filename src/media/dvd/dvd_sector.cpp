#include "media/dvd/dvd_sector.h"

namespace dvd {

namespace {

constexpr uint8_t kPackStart = 0xBA;
constexpr uint8_t kSystemHeader = 0xBB;
constexpr uint8_t kPadding = 0xBE;
constexpr uint8_t kPrivateStream2 = 0xBF;

bool StartCode(const uint8_t* p) {
    return p[0] == 0 && p[1] == 0 && p[2] == 1;
}

bool IsMpeg2Pack(const uint8_t* s) {
    return StartCode(s) && s[3] == kPackStart && (s[4] & 0xC4) == 0x44;
}

// Streams whose packets carry the MPEG-2 PES header with flags and timestamps.
bool HasPesHeader(uint8_t id) {
    return id == 0xBD || (id >= 0xC0 && id <= 0xEF);
}

int64_t ReadPesTimestamp(const uint8_t* b) {
    return (int64_t((b[0] >> 1) & 0x07) << 30) | (int64_t(b[1]) << 22) |
           (int64_t(b[2] >> 1) << 15) | (int64_t(b[3]) << 7) | int64_t(b[4] >> 1);
}

void WritePesTimestamp(uint8_t* b, int64_t ts) {
    b[0] = uint8_t((b[0] & 0xF1) | ((ts >> 29) & 0x0E));
    b[1] = uint8_t(ts >> 22);
    b[2] = uint8_t(((ts >> 14) & 0xFE) | 0x01);
    b[3] = uint8_t(ts >> 7);
    b[4] = uint8_t(((ts << 1) & 0xFE) | 0x01);
}

int64_t ReadScrBase(const uint8_t* b) {
    return (int64_t((b[0] >> 3) & 0x07) << 30) | (int64_t(b[0] & 0x03) << 28) |
           (int64_t(b[1]) << 20) | (int64_t((b[2] >> 3) & 0x1F) << 15) |
           (int64_t(b[2] & 0x03) << 13) | (int64_t(b[3]) << 5) | int64_t((b[4] >> 3) & 0x1F);
}

void WriteScrBase(uint8_t* b, int64_t base) {
    b[0] = uint8_t((b[0] & 0xC4) | ((base >> 27) & 0x38) | ((base >> 28) & 0x03));
    b[1] = uint8_t(base >> 20);
    b[2] = uint8_t((b[2] & 0x04) | ((base >> 12) & 0xF8) | ((base >> 13) & 0x03));
    b[3] = uint8_t(base >> 5);
    b[4] = uint8_t((b[4] & 0x07) | ((base << 3) & 0xF8));
}

int64_t Shifted(int64_t ts, int64_t offset) {
    return (ts + offset) & kTimestampMask;
}

// Calls visit(id, packet, end) for each PES packet of an MPEG-2 pack; `packet` points at
// its start code, `end` one past its last byte, both inside the sector. Stops at the
// first packet that does not fit.
template <class F> void ForEachPacket(const uint8_t* s, F&& visit) {
    int pos = 14 + (s[13] & 0x07);
    while (pos + 6 <= kSectorBytes && StartCode(s + pos)) {
        const uint8_t id = s[pos + 3];
        if (id == kPackStart)
            break;
        const int end = pos + 6 + ((s[pos + 4] << 8) | s[pos + 5]);
        if (end > kSectorBytes)
            break;
        if (!visit(id, pos, end))
            break;
        pos = end;
    }
}

} // namespace

bool SectorScrambled(const uint8_t* sector) {
    if (!IsMpeg2Pack(sector))
        return false;
    bool scrambled = false;
    ForEachPacket(sector, [&](uint8_t id, int pos, int end) {
        if (HasPesHeader(id) && pos + 7 < end && (sector[pos + 6] & 0xC0) == 0x80 &&
            (sector[pos + 6] & 0x30) != 0)
            scrambled = true;
        return !scrambled;
    });
    return scrambled;
}

void ShiftSectorTimestamps(uint8_t* sector, int64_t offset) {
    if (offset == 0 || !IsMpeg2Pack(sector))
        return;
    WriteScrBase(sector + 4, Shifted(ReadScrBase(sector + 4), offset));
    ForEachPacket(sector, [&](uint8_t id, int pos, int end) {
        if (id == kSystemHeader || id == kPadding || id == kPrivateStream2 || !HasPesHeader(id))
            return true;
        uint8_t* p = sector + pos;
        if (pos + 9 > end || (p[6] & 0xC0) != 0x80)
            return true;
        const int flags = p[7] >> 6;
        const int headerEnd = pos + 9 + p[8];
        if (headerEnd > end)
            return true;
        if ((flags & 0x02) && pos + 14 <= headerEnd)
            WritePesTimestamp(p + 9, Shifted(ReadPesTimestamp(p + 9), offset));
        if (flags == 0x03 && pos + 19 <= headerEnd)
            WritePesTimestamp(p + 14, Shifted(ReadPesTimestamp(p + 14), offset));
        return true;
    });
}

std::optional<TNavTimes> ReadNavTimes(const uint8_t* sector) {
    if (!IsMpeg2Pack(sector))
        return std::nullopt;
    std::optional<TNavTimes> times;
    ForEachPacket(sector, [&](uint8_t id, int pos, int end) {
        // The PCI packet: private stream 2 with substream 0; vobu_s_ptm and vobu_e_ptm
        // follow the unit's sector address, category and user operations.
        if (id != kPrivateStream2 || pos + 7 + 20 > end || sector[pos + 6] != 0x00)
            return true;
        const uint8_t* pci = sector + pos + 7;
        auto be32 = [](const uint8_t* b) {
            return (int64_t(b[0]) << 24) | (int64_t(b[1]) << 16) | (int64_t(b[2]) << 8) | b[3];
        };
        times = TNavTimes{be32(pci + 12), be32(pci + 16)};
        return false;
    });
    return times;
}

std::optional<TNavDsi> ReadNavDsi(const uint8_t* sector) {
    if (!IsMpeg2Pack(sector))
        return std::nullopt;
    // The DSI packet: private stream 2 with substream 1, then its general information
    // (SCR, own address, vobu_ea, ...), the seamless playback information (category,
    // ilvu_ea, ilvu_sa, ...), the angle table and the search information.
    constexpr int kBytes = 1017;
    std::optional<TNavDsi> dsi;
    ForEachPacket(sector, [&](uint8_t id, int pos, int end) {
        if (id != kPrivateStream2 || pos + 7 + kBytes > end || sector[pos + 6] != 0x01)
            return true;
        const uint8_t* d = sector + pos + 7;
        auto be32 = [](const uint8_t* b) {
            return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
        };
        TNavDsi found;
        found.vobuEnd = be32(d + 8);
        found.category = uint16_t((d[32] << 8) | d[33]);
        found.unitEnd = be32(d + 34);
        found.nextUnit = be32(d + 38);
        found.nextVobu = be32(d + 314) & 0x3fffffff;
        dsi = found;
        return false;
    });
    return dsi;
}

std::optional<int64_t> SectorVideoTimestamp(const uint8_t* sector) {
    if (!IsMpeg2Pack(sector))
        return std::nullopt;
    std::optional<int64_t> earliest;
    ForEachPacket(sector, [&](uint8_t id, int pos, int end) {
        const uint8_t* p = sector + pos;
        if (id < 0xE0 || id > 0xEF || pos + 14 > end || (p[6] & 0xC0) != 0x80 || !(p[7] & 0x80) ||
            pos + 9 + p[8] > end || p[8] < 5)
            return true;
        const int64_t ts = ReadPesTimestamp(p + 9);
        if (!earliest || ts < *earliest)
            earliest = ts;
        return true;
    });
    return earliest;
}

} // namespace dvd
