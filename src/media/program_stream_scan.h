#pragma once

// Counts the packets of one DVD LPCM stream in an MPEG program stream by walking the
// stream's packs and packet headers in the bytes themselves, the way the program stream
// demuxer cuts them, without handing a single packet over: a count from the start of a
// file (TFileAudioStream's exact seek) then costs a read of the file and no demuxing. The
// walk stops at the first thing it is not sure the demuxer reads the same way (a damaged
// pack, a packet it does not know, a read failure): everything up to there is counted as
// the demuxer would, and the demuxer counts on from the last packet of the stream reached.
//
// Threads: the thread that reads `pb`, while it is not read otherwise.

#include "media/ffmpeg_ptr.h"
#include "media/packet_count_index.h"

#include <atomic>
#include <cstdint>
#include <vector>

class TProgramStreamScan {
public:
    using TPlace = TPacketCountIndex::TPlace;

    // Whether stream `streamIndex` of `format` can be counted this way: DVD LPCM read by
    // FFmpeg's program stream demuxer from a seekable input.
    static bool Fits(const AVFormatContext* format, int streamIndex);

    // `subStream`: the LPCM stream's id inside private stream 1 (0xA0 to 0xA7).
    TProgramStreamScan(AVIOContext* pb, int subStream);

    // Walks from `from` (a pack or packet start, with the stream's samples and payload
    // bytes before it) until the packet of the stream that holds sample `stopAt`, the end
    // of the file or the first thing the walk is not sure of. Places are kept every
    // `spacing` samples, as a count with the demuxer keeps them. A set `interrupt` ends it
    // early.
    void Walk(const TPlace& from, int64_t stopAt, int64_t spacing,
              const std::atomic<bool>* interrupt = nullptr);

    // The places passed, in order.
    const std::vector<TPlace>& Places() const { return FPlaces; }
    // The last packet of the stream the walk reached, where the demuxer goes on: Pos -1
    // when it reached none.
    const TPlace& Resume() const { return FResume; }
    // The size of that packet as the demuxer hands it over.
    int64_t ResumeSize() const { return FResumeSize; }

private:
    // Makes the `n` bytes from file position `pos` readable at Bytes(pos); false at the
    // end of the file or on a read failure.
    bool Need(int64_t pos, int n);
    const uint8_t* Bytes(int64_t pos) const { return FBuffer.data() + (pos - FBufferPos); }
    // Where the next pack or packet starts after the one at `pos`; -1 when unsure. Counts
    // the packet when it is one of the stream's.
    int64_t Step(int64_t pos);
    int64_t StepPacket(int64_t pos, int code);
    // The stream's packet at `pos` of `size` bytes (as handed over), whose LPCM header
    // starts at `lpcm`: false ends the walk.
    bool Count(int64_t pos, const uint8_t* lpcm, int64_t size);

    AVIOContext* FPb;
    int FSubStream;
    std::vector<uint8_t> FBuffer;
    int64_t FBufferPos = 0; // file position of FBuffer[0]
    int64_t FBufferLen = 0;
    std::vector<TPlace> FPlaces;
    TPlace FResume;
    int64_t FResumeSize = -1;
    TPlace FNow; // counts before the next packet of the stream
    int64_t FStopAt = 0;
    int64_t FSpacing = 0;
    int64_t FNextPlace = 0;
    bool FDone = false;
};
