#pragma once

// A bounded queue of compressed packets between the source's demux thread (producer)
// and one decoder thread (consumer). Items carry the epoch they were read in; a flush
// to a newer epoch drops everything older at once, also what a blocked producer holds.
// Thread-safe.

#include "media/ffmpeg_ptr.h"

#include <condition_variable>
#include <deque>
#include <mutex>

namespace media {

class TPacketQueue {
public:
    enum class Kind { Packet, Flush, EndOfStream };
    struct Item {
        Kind kind = Kind::Packet;
        int epoch = 0;
        ffmpeg::PacketPtr packet; // Kind::Packet only
    };

    explicit TPacketQueue(std::size_t maxBytes) : FMaxBytes(maxBytes) {}

    // Waits while the queue is full. Items of an epoch older than the queue's are
    // dropped; false when the queue was aborted.
    bool Push(Item item);
    // Waits for an item; false when the queue was aborted.
    bool Pop(Item& item);
    // Drops every item older than epoch, and every later push of them.
    void Flush(int epoch);
    void Abort();
    void Reset();
    std::size_t Bytes() const;

private:
    const std::size_t FMaxBytes;
    mutable std::mutex FLock;
    std::condition_variable FChanged;
    std::deque<Item> FItems;
    std::size_t FBytes = 0;
    int FEpoch = 0;
    bool FAborted = false;
};

} // namespace media
