#pragma once

// Reading and adjusting one 2048-byte DVD sector, which always holds exactly one MPEG-2
// program-stream pack. Pure functions on a buffer, bounded by the sector whatever its
// bytes say: safe on damaged or hostile data. Any thread.

#include "base/media_time.h"

#include <cstdint>
#include <optional>

namespace dvd {

inline constexpr int kSectorBytes = 2048;
// MPEG system timestamps count 33 bits of a 90 kHz clock.
inline constexpr int64_t kClockRate = TMediaTime::kMpegClockRate;
inline constexpr int64_t kTimestampMask = (int64_t(1) << 33) - 1;

// True when a PES packet of the pack is marked scrambled (CSS) - what sectors look like
// when no descrambler has been at work on them.
bool SectorScrambled(const uint8_t* sector);

// Moves every timestamp of the pack (SCR, PTS, DTS) by `offset` 90 kHz ticks, modulo
// 2^33 as the clock wraps. A pack that is not MPEG-2 is left alone.
void ShiftSectorTimestamps(uint8_t* sector, int64_t offset);

// The presentation times a navigation pack gives for its video object unit (PCI's
// vobu_s_ptm and vobu_e_ptm); nothing when the sector is not a navigation pack.
struct TNavTimes {
    int64_t start = 0;
    int64_t end = 0;
};
std::optional<TNavTimes> ReadNavTimes(const uint8_t* sector);

// What a navigation pack's DSI packet says about where playing goes on (sector addresses
// relative to the navigation pack); nothing when the sector is not a navigation pack.
struct TNavDsi {
    uint32_t vobuEnd = 0; // the last sector of its video object unit (vobu_ea)
    // In an interleaved block (kIlvu in `category`): the last sector of the interleaved
    // unit (of one angle) that the VOBU belongs to, and the first sector of that angle's
    // next unit (kNoNextUnit at the last).
    uint16_t category = 0;
    uint32_t unitEnd = 0;
    uint32_t nextUnit = 0;
    uint32_t nextVobu = 0; // the angle's next VOBU (kEndOfCell after the cell's last)
};
inline constexpr uint16_t kIlvu = 0x4000;      // the VOBU lies in an interleaved unit
inline constexpr uint16_t kIlvuFirst = 0x2000; // ... as its first VOBU
inline constexpr uint32_t kNoNextUnit = 0x7fffffff;
inline constexpr uint32_t kEndOfCell = 0x3fffffff;
std::optional<TNavDsi> ReadNavDsi(const uint8_t* sector);

// The earliest presentation timestamp of a video packet in the pack, if any.
std::optional<int64_t> SectorVideoTimestamp(const uint8_t* sector);

} // namespace dvd
