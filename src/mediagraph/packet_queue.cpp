#include "mediagraph/packet_queue.h"

#include <algorithm>

namespace media {

static std::size_t SizeOf(const TPacketQueue::Item& item) {
    return item.packet ? static_cast<std::size_t>(std::max(item.packet->size, 0)) + 64 : 64;
}

bool TPacketQueue::Push(Item item) {
    std::unique_lock lock(FLock);
    FChanged.wait(lock, [&] {
        return FAborted || item.epoch < FEpoch || FBytes < FMaxBytes || item.kind != Kind::Packet;
    });
    if (FAborted)
        return false;
    if (item.epoch < FEpoch)
        return true;
    FBytes += SizeOf(item);
    FItems.push_back(std::move(item));
    lock.unlock();
    FChanged.notify_all();
    return true;
}

bool TPacketQueue::Pop(Item& item) {
    std::unique_lock lock(FLock);
    FChanged.wait(lock, [&] { return FAborted || !FItems.empty(); });
    if (FAborted)
        return false;
    item = std::move(FItems.front());
    FItems.pop_front();
    FBytes -= SizeOf(item);
    lock.unlock();
    FChanged.notify_all();
    return true;
}

void TPacketQueue::Flush(int epoch) {
    {
        std::lock_guard lock(FLock);
        FEpoch = std::max(FEpoch, epoch);
        std::erase_if(FItems, [&](const Item& i) { return i.epoch < FEpoch; });
        FBytes = 0;
        for (const auto& i : FItems)
            FBytes += SizeOf(i);
    }
    FChanged.notify_all();
}

void TPacketQueue::Abort() {
    {
        std::lock_guard lock(FLock);
        FAborted = true;
    }
    FChanged.notify_all();
}

void TPacketQueue::Reset() {
    std::lock_guard lock(FLock);
    FItems.clear();
    FBytes = 0;
    FAborted = false;
}

std::size_t TPacketQueue::Bytes() const {
    std::lock_guard lock(FLock);
    return FBytes;
}

} // namespace media
