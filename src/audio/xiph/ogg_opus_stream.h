#pragma once

#include <cstdint>
#include <memory>
#include <vector>

// One Ogg Opus stream (RFC 7845) laid out in pages: the identification header (OpusHead,
// with the pre-skip and an output gain of 0) alone on the first page, the comment header
// (OpusTags) on the pages after it, then the audio packets with the granule positions the
// caller gives; the last page's granule position ends the stream exactly where the caller
// says, which a decoder honours by dropping the samples after it.
//
// Headers renders the header pages from scratch: a comment header of the same size gives
// pages of the same size, so it can be written over the first one in place.
//
// Threads: one thread at a time.
class TOggOpusStream {
public:
    TOggOpusStream(int Channels, int PreSkip, int InputRate, uint32_t Serial);
    ~TOggOpusStream();
    TOggOpusStream(const TOggOpusStream&) = delete;
    TOggOpusStream& operator=(const TOggOpusStream&) = delete;

    // The pages of both headers, the comment header being "OpusTags" followed by Comment;
    // the audio pages are numbered on from them.
    std::vector<uint8_t> Begin(const std::vector<uint8_t>& Comment);
    // The same pages again, for another comment of the same size.
    std::vector<uint8_t> Headers(const std::vector<uint8_t>& Comment) const;
    // Where the comment header's pages start in what Headers gives.
    size_t CommentOffset() const;

    // The next audio packet and the granule position after it (48 kHz samples from the
    // stream's start, pre-skip included); Last ends the stream.
    void Add(const std::vector<uint8_t>& Packet, int64_t Granule, bool Last);
    // Moves the complete pages to the end of Out.
    void TakePages(std::vector<uint8_t>& Out);

private:
    std::vector<uint8_t> HeadPacket() const;
    // The header pages; Pages: how many.
    std::vector<uint8_t> RenderHeaders(const std::vector<uint8_t>& Comment, long& Pages) const;

    struct TState;
    std::unique_ptr<TState> FState;
    int FChannels;
    int FPreSkip;
    int FInputRate;
    uint32_t FSerial;
    int64_t FPacketNo = 2;
    std::vector<uint8_t> FPending; // the last pages, flushed with the last packet
};
