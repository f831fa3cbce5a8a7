#include "media/dvd/dvd_ifo_check.h"

#include <QCoreApplication>

#include <dvdread/ifo_types.h>

namespace {

constexpr int64_t kSectorBytes = 2048;
constexpr int64_t kCellPlaybackBytes = 24;
constexpr int64_t kCellPositionBytes = 4;
constexpr int64_t kTitleInfoBytes = 12;
constexpr int64_t kChapterBytes = 4;

// A table of the file: where it starts and how many bytes its own header gives it.
class TTable {
public:
    TTable(const std::vector<uint8_t>& file, int64_t start) : FFile(file), FStart(start) {}

    // Whether its header lies in the file and its last byte too; `Size()` is valid after.
    bool Fits() {
        if (FStart < 0 || FStart + 8 > int64_t(FFile.size()))
            return false;
        const int64_t last = U32(4);
        FSize = last + 1;
        return last >= 7 && FStart + FSize <= int64_t(FFile.size());
    }
    int64_t Size() const { return FSize; }
    // Whether [offset, offset + bytes) lies inside the table.
    bool Holds(int64_t offset, int64_t bytes) const {
        return offset >= 0 && bytes >= 0 && offset + bytes <= FSize;
    }
    uint32_t U8(int64_t at) const { return FFile[size_t(FStart + at)]; }
    uint32_t U16(int64_t at) const { return (U8(at) << 8) | U8(at + 1); }
    uint32_t U32(int64_t at) const { return (U16(at) << 16) | U16(at + 2); }

private:
    const std::vector<uint8_t>& FFile;
    int64_t FStart;
    int64_t FSize = 0;
};

int64_t TableStart(const std::vector<uint8_t>& file, size_t pointer) {
    if (pointer + 4 > file.size())
        return -1;
    const uint32_t sector = (uint32_t(file[pointer]) << 24) | (file[pointer + 1] << 16) |
                            (file[pointer + 2] << 8) | file[pointer + 3];
    return int64_t(sector) * kSectorBytes;
}

bool TitleTableFits(TTable table) {
    if (!table.Fits())
        return false;
    const int64_t titles = table.U16(0);
    return titles > 0 && table.Holds(8, titles * kTitleInfoBytes);
}

// Each title's chapters run from its offset to the next title's (or the table's end).
bool ChapterTableFits(TTable table) {
    if (!table.Fits())
        return false;
    const int64_t titles = table.U16(0);
    const int64_t entries = 8 + titles * 4;
    if (titles == 0 || !table.Holds(0, entries))
        return false;
    int64_t previous = entries;
    for (int64_t t = 0; t < titles; ++t) {
        const int64_t offset = table.U32(8 + t * 4);
        if (offset < previous || !table.Holds(offset, kChapterBytes))
            return false;
        previous = offset;
    }
    return true;
}

bool ProgramChainFits(const TTable& table, int64_t at) {
    if (!table.Holds(at, PGC_SIZE))
        return false;
    const int64_t programs = table.U8(at + 2), cells = table.U8(at + 3);
    const int64_t commands = table.U16(at + 0xE4), map = table.U16(at + 0xE6),
                  playback = table.U16(at + 0xE8), position = table.U16(at + 0xEA);
    if (programs > cells)
        return false;
    if (commands != 0) {
        if (!table.Holds(at + commands, PGC_COMMAND_TBL_SIZE))
            return false;
        const int64_t count = int64_t(table.U16(at + commands)) + table.U16(at + commands + 2) +
                              table.U16(at + commands + 4);
        const int64_t bytes = PGC_COMMAND_TBL_SIZE + count * COMMAND_DATA_SIZE;
        if (bytes > int64_t(table.U16(at + commands + 6)) + 1 || !table.Holds(at + commands, bytes))
            return false;
    }
    if (programs > 0 && (map == 0 || !table.Holds(at + map, programs)))
        return false;
    if (cells > 0 && (playback == 0 || position == 0 ||
                      !table.Holds(at + playback, cells * kCellPlaybackBytes) ||
                      !table.Holds(at + position, cells * kCellPositionBytes)))
        return false;
    return true;
}

bool ProgramChainTableFits(TTable table) {
    if (!table.Fits())
        return false;
    const int64_t chains = table.U16(0);
    if (chains == 0 || !table.Holds(PGCIT_SIZE, chains * PGCI_SRP_SIZE))
        return false;
    for (int64_t c = 0; c < chains; ++c) {
        const int64_t start = table.U32(PGCIT_SIZE + c * PGCI_SRP_SIZE + 4);
        if (start < PGCIT_SIZE + chains * PGCI_SRP_SIZE || !ProgramChainFits(table, start))
            return false;
    }
    return true;
}

} // namespace

namespace dvd {

QString IfoTablesFault(const std::vector<uint8_t>& file, bool titleSet) {
    // Where the management table keeps each table's first sector.
    constexpr size_t kTitleTable = 0xC4, kChapterTable = 0xC8, kProgramChainTable = 0xCC;
    if (!titleSet)
        return TitleTableFits(TTable(file, TableStart(file, kTitleTable)))
                   ? QString()
                   : QCoreApplication::translate("Dvd", "its title table does not fit in the file");
    if (!ChapterTableFits(TTable(file, TableStart(file, kChapterTable))))
        return QCoreApplication::translate("Dvd", "its chapter table does not fit in the file");
    if (!ProgramChainTableFits(TTable(file, TableStart(file, kProgramChainTable))))
        return QCoreApplication::translate("Dvd",
                                           "its program-chain table does not fit in the file");
    return QString();
}

bool CellAddressTableFits(const std::vector<uint8_t>& file) {
    constexpr size_t kCellAddressTable = 0xE0;
    constexpr int64_t kCellAddressBytes = 12;
    TTable table(file, TableStart(file, kCellAddressTable));
    return TableStart(file, kCellAddressTable) > 0 && table.Fits() &&
           (table.Size() - C_ADT_SIZE) % kCellAddressBytes == 0;
}

} // namespace dvd
