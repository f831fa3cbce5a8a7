#include "media/dvd_title_io.h"

#include "media/dvd/dvd_sector.h"

#include <algorithm>
#include <cstring>

using namespace media;

namespace {

constexpr int kChunkSectors = 32;
constexpr int kIoBufferBytes = kChunkSectors * dvd::kSectorBytes;

} // namespace

TMediaResult DvdFaultResult(TDvdFault fault) {
    switch (fault) {
    case TDvdFault::dfNotDvd:
        return MS_E_DVD_NOTDVD;
    case TDvdFault::dfDamaged:
        return MS_E_DVD_DAMAGED;
    case TDvdFault::dfShort:
        return MS_E_DVD_SHORT;
    case TDvdFault::dfEncrypted:
        return MS_E_DVD_ENCRYPTED;
    case TDvdFault::dfNoTitle:
        return MS_E_DVD_NOTITLE;
    case TDvdFault::dfNavigation:
        return MS_E_DVD_NAVIGATION;
    case TDvdFault::dfRead:
        break;
    }
    return MS_E_DVD_READ;
}

TDvdTitleIo::TDvdTitleIo(std::unique_ptr<TDvdDisc> disc, int titleSet, std::vector<TPiece> pieces)
    : FDisc(std::move(disc)), FTitleSet(titleSet), FPieces(std::move(pieces)),
      FChunk(size_t(kChunkSectors) * dvd::kSectorBytes) {
    for (const TPiece& piece : FPieces) {
        FPieceStart.push_back(FSectors);
        FSectors += int64_t(piece.lastSector) - piece.firstSector + 1;
    }
}

AVIOContext* TDvdTitleIo::MakeContext(std::unique_ptr<TDvdTitleIo> io) {
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
    if (!buffer)
        return nullptr;
    AVIOContext* context =
        avio_alloc_context(buffer, kIoBufferBytes, 0, io.get(), &TDvdTitleIo::ReadPacket, nullptr,
                           &TDvdTitleIo::SeekTo);
    if (!context) {
        av_free(buffer);
        return nullptr;
    }
    io.release(); // the context's opaque now
    return context;
}

int TDvdTitleIo::ReadPacket(void* opaque, uint8_t* buffer, int size) {
    return static_cast<TDvdTitleIo*>(opaque)->Read(buffer, size);
}

int64_t TDvdTitleIo::SeekTo(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<TDvdTitleIo*>(opaque);
    const int64_t size = self->Size();
    int64_t target = 0;
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return size;
    case SEEK_SET:
        target = offset;
        break;
    case SEEK_CUR:
        target = self->FPosition + offset;
        break;
    case SEEK_END:
        target = size + offset;
        break;
    default:
        return AVERROR(EINVAL);
    }
    if (target < 0)
        return AVERROR(EINVAL);
    self->FPosition = std::min(target, size);
    return self->FPosition;
}

int TDvdTitleIo::Read(uint8_t* buffer, int size) {
    if (FError != S_OK)
        return FError;
    if (FPosition >= Size())
        return AVERROR_EOF;
    const int64_t sector = FPosition / dvd::kSectorBytes;
    if (sector < FChunkFirst || sector >= FChunkFirst + FChunkSectors) {
        if (!Load(sector))
            return FError;
    }
    const int64_t chunkStart = FChunkFirst * dvd::kSectorBytes;
    const int64_t available = chunkStart + int64_t(FChunkSectors) * dvd::kSectorBytes - FPosition;
    const int n = int(std::min<int64_t>(size, available));
    std::memcpy(buffer, FChunk.data() + (FPosition - chunkStart), size_t(n));
    FPosition += n;
    return n;
}

bool TDvdTitleIo::Load(int64_t sector) {
    const size_t piece = size_t(std::upper_bound(FPieceStart.begin(), FPieceStart.end(), sector) -
                                FPieceStart.begin() - 1);
    const TPiece& p = FPieces[piece];
    const int64_t into = sector - FPieceStart[piece];
    const int64_t left = int64_t(p.lastSector) - p.firstSector + 1 - into;
    const int count = int(std::min<int64_t>(kChunkSectors, left));
    FChunkFirst = -1;
    try {
        FDisc->ReadSectors(FTitleSet, uint32_t(p.firstSector + into), count, FChunk.data());
    } catch (const EDvdError& e) {
        FError = DvdFaultResult(e.Fault);
        return false;
    }
    for (int i = 0; i < count; ++i) {
        uint8_t* data = FChunk.data() + size_t(i) * dvd::kSectorBytes;
        if (dvd::SectorScrambled(data)) {
            FError = MS_E_DVD_ENCRYPTED;
            return false;
        }
        dvd::ShiftSectorTimestamps(data, p.offset);
    }
    FChunkFirst = sector;
    FChunkSectors = count;
    return true;
}
