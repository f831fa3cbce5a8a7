#pragma once

// A DVD title's sectors as one byte stream for FFmpeg's program-stream demuxer: the
// cells in playing order, read through libdvdread across the title set's VOB parts,
// each piece's timestamps moved by its own offset (TDvdTimeline::TimestampOffset) so the
// title runs on one clock. Sectors that arrive scrambled (an encrypted disc and no
// libdvdcss) and sectors that cannot be read end the stream with an error, recorded for
// the caller, never as data.
//
// Threads: the thread that reads the format context it feeds; one at a time.

#include "media/dvd/dvd_disc.h"
#include "media/ffmpeg_ptr.h"
#include "media/media_result.h"

#include <cstdint>
#include <memory>
#include <vector>

class TDvdTitleIo : public ffmpeg::TCustomIo {
public:
    struct TPiece {
        uint32_t firstSector = 0;
        uint32_t lastSector = 0;
        int64_t offset = 0; // 90 kHz ticks added to every timestamp of the piece
    };

    TDvdTitleIo(std::unique_ptr<TDvdDisc> disc, int titleSet, std::vector<TPiece> pieces);

    // An AVIOContext reading `io`, which it owns from then on (ffmpeg::FreeCustomIo);
    // null when memory runs out (`io` is then freed).
    static AVIOContext* MakeContext(std::unique_ptr<TDvdTitleIo> io);

    int64_t Size() const { return FSectors * 2048; }
    // The first failure (a media result code), S_OK while there is none.
    media::TMediaResult Error() const { return FError; }

private:
    static int ReadPacket(void* opaque, uint8_t* buffer, int size);
    static int64_t SeekTo(void* opaque, int64_t offset, int whence);
    int Read(uint8_t* buffer, int size);
    bool Load(int64_t sector);

    std::unique_ptr<TDvdDisc> FDisc;
    int FTitleSet = 0;
    std::vector<TPiece> FPieces;
    std::vector<int64_t> FPieceStart; // stream sector where each piece begins
    int64_t FSectors = 0;
    int64_t FPosition = 0; // byte position in the stream
    std::vector<uint8_t> FChunk;
    int64_t FChunkFirst = -1; // stream sector of FChunk's first sector
    int FChunkSectors = 0;
    media::TMediaResult FError = media::S_OK;
};

// The media result code for a DVD fault.
media::TMediaResult DvdFaultResult(TDvdFault fault);
