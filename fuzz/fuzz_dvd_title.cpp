// Feeds arbitrary bytes to the DVD reading as a disc on disk: VIDEO_TS.IFO, VTS_01_0.IFO and
// VTS_01_1.VOB cut from the input (two 32-bit little-endian lengths first, the VOB is the
// rest). Whatever the tables say, opening answers titles or a fault, every playable title's
// cells lie inside its VOB, its time line runs forward, its sectors read through the title
// stream, and half the inputs (an odd last byte) decode the title's sound too. Nothing crashes,
// hangs or reads out of bounds. Seed: fuzz/corpus/dvd_title/ (the test disc's tables, its cells
// moved onto the first two units of its VOB, which is all the seed keeps).
//
// The title set's tables are where damage did crash libdvdread (a program-chain count read as
// is), so they get more: the check that guards them also runs on the bare bytes, and when
// the last byte's bit 1 is set the fuzzed
// bytes become the backup VTS_01_0.BUP while the IFO gets them with its program-chain count
// made large, so the way to the backup is taken too.
#include "media/dvd/dvd_disc.h"
#include "media/dvd/dvd_ifo_check.h"
#include "media/dvd/dvd_path.h"
#include "media/dvd/dvd_sector.h"
#include "media/dvd/dvd_timeline.h"
#include "media/dvd_title_io.h"
#include "media/media_audio_stream.h"

#include <QDir>
#include <QFile>

#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace {

uint32_t TakeLength(const uint8_t*& data, size_t& size) {
    if (size < 4)
        return uint32_t(size);
    uint32_t n = 0;
    std::memcpy(&n, data, 4);
    data += 4;
    size -= 4;
    return std::min<uint32_t>(n, uint32_t(size));
}

void Write(const QString& path, const uint8_t* data, size_t size) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(reinterpret_cast<const char*>(data), qint64(size));
}

void CheckTitle(TDvdDisc& disc, const TDvdTitle& title) {
    const uint32_t sectors = disc.TitleSetSectors(title.titleSet);
    if (title.cells.empty() || title.chapterCells.empty())
        std::abort();
    int previous = -1;
    for (int cell : title.chapterCells) {
        if (cell <= previous || cell >= int(title.cells.size()))
            std::abort();
        previous = cell;
    }
    for (const TDvdCell& cell : title.cells)
        if (cell.firstSector > cell.lastSector || cell.lastSector >= sectors || cell.duration < 0)
            std::abort();
    std::vector<int64_t> starts;
    std::vector<uint8_t> sector(dvd::kSectorBytes);
    std::vector<TDvdTitleIo::TPiece> pieces;
    for (const auto& [first, end] : TDvdTimeline::SegmentCells(title)) {
        disc.ReadSectors(title.titleSet, title.cells[size_t(first)].firstSector, 1, sector.data());
        const auto nav = dvd::ReadNavTimes(sector.data());
        starts.push_back(nav ? nav->start : 0);
    }
    const TDvdTimeline line(title, starts);
    TMediaTime last;
    int number = 0;
    for (const TSourceChapter& c : line.Chapters()) {
        if (c.number != ++number || c.start < last || c.end < c.start ||
            c.end > TMediaTime::From90kHz(line.Duration()))
            std::abort();
        last = c.start;
    }
    for (size_t s = 0; s < line.Segments().size(); ++s)
        for (int c = line.Segments()[s].firstCell; c < line.Segments()[s].endCell; ++c)
            pieces.push_back({title.cells[size_t(c)].firstSector, title.cells[size_t(c)].lastSector,
                              line.TimestampOffset(int(s))});
    // The title stream, read through as FFmpeg would.
    AVIOContext* io = TDvdTitleIo::MakeContext(
        std::make_unique<TDvdTitleIo>(TDvdDisc::Open(disc.Root()), title.titleSet, pieces));
    if (!io)
        return;
    static uint8_t buffer[65536];
    int64_t total = 0;
    for (int n; total < (8 << 20) && (n = avio_read(io, buffer, sizeof buffer)) > 0;)
        total += n;
    avio_seek(io, total / 3, SEEK_SET);
    avio_read(io, buffer, 5000);
    ffmpeg::FreeCustomIo(io);
}

void DecodeTitle(const QString& root, int number) {
    const std::unique_ptr<TMediaAudioStream> stream =
        MakeAudioStream(dvd::TitleLocator(root, number));
    if (stream->Open() != media::S_OK)
        return;
    static uint8_t buffer[16384];
    int64_t next = stream->NextSample();
    for (int reads = 0; reads < 50; ++reads) {
        TMediaReadInfo info;
        const media::TMediaResult result = stream->Read(buffer, sizeof buffer, info);
        if (result != media::S_OK)
            break;
        if (info.frames <= 0 || info.firstSample != next)
            std::abort();
        next += info.frames;
    }
    if (stream->SeekSample(next / 2) == media::S_OK) {
        TMediaReadInfo info;
        if (stream->Read(buffer, sizeof buffer, info) == media::S_OK &&
            info.firstSample != next / 2)
            std::abort();
    }
}

} // namespace

// libdvdread asks calloc for whatever size a damaged table implies and checks for NULL,
// which is what glibc answers for an impossible size; the sanitizer's allocator must answer
// the same instead of stopping the run.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}

// Some of libdvdread's failure paths on damaged tables drop a few bytes; ours must not.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdvdread.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString root = QStringLiteral("/dev/shm/sonavel-fuzz-dvd-%1").arg(getpid());
    static const bool made = QDir().mkpath(root + QStringLiteral("/VIDEO_TS"));
    static bool quiet = (av_log_set_level(AV_LOG_QUIET), true);
    (void)made;
    (void)quiet;
    const bool decode = size > 0 && (data[size - 1] & 1);
    const uint32_t vmg = TakeLength(data, size);
    Write(root + QStringLiteral("/VIDEO_TS/VIDEO_TS.IFO"), data, vmg);
    data += vmg, size -= vmg;
    const bool backup = size > 0 && (data[size - 1] & 2);
    const uint32_t vts = TakeLength(data, size);
    const std::vector<uint8_t> tables(data, data + vts);
    std::vector<uint8_t> ifo = tables;
    QFile::remove(root + QStringLiteral("/VIDEO_TS/VTS_01_0.BUP"));
    if (backup) {
        Write(root + QStringLiteral("/VIDEO_TS/VTS_01_0.BUP"), tables.data(), tables.size());
        if (ifo.size() >= 0xD0) {
            const size_t chains = size_t((uint32_t(ifo[0xCC]) << 24 | uint32_t(ifo[0xCD]) << 16 |
                                          uint32_t(ifo[0xCE]) << 8 | ifo[0xCF])) *
                                  2048;
            if (chains + 1 < ifo.size())
                ifo[chains + 1] = 0xFF;
        }
    }
    Write(root + QStringLiteral("/VIDEO_TS/VTS_01_0.IFO"), ifo.data(), ifo.size());
    data += vts, size -= vts;
    (void)dvd::IfoTablesFault(tables, true);
    (void)dvd::CellAddressTableFits(tables);
    Write(root + QStringLiteral("/VIDEO_TS/VTS_01_1.VOB"), data, size);

    try {
        const std::unique_ptr<TDvdDisc> disc = TDvdDisc::Open(root);
        for (const TDvdTitleEntry& entry : disc->Titles()) {
            if (!entry.fault.isEmpty())
                continue;
            CheckTitle(*disc, entry.title);
            if (decode)
                DecodeTitle(root, entry.title.number);
        }
    } catch (const EDvdError&) {
    }
    return 0;
}
