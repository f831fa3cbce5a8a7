#include "audio/layer3/layer3_packer.h"

#include <algorithm>
#include <cstring>

int64_t TLayer3Packer::Place(const TState& State, int SlotBytes, int DataBytes, int MaxBegin) {
    const int64_t start = std::max(State.DataEnd, State.SlotEnd - MaxBegin);
    return start + DataBytes <= State.SlotEnd + SlotBytes ? start : -1;
}

int TLayer3Packer::FreeReservoir(int MaxBegin) const {
    return int(std::min<int64_t>(MaxBegin, FState.SlotEnd - FState.DataEnd));
}

bool TLayer3Packer::Append(const TLayer3Frame& Frame, const TMpegFrameHeader& Header) {
    const int prelude = Header.PreludeBytes();
    const int slotBytes = Header.FrameBytes() - prelude;
    const int maxBegin = Header.MaxMainDataBegin();
    const int dataBytes = int(Frame.MainData.size());
    const int64_t start = Place(FState, slotBytes, dataBytes, maxBegin);
    if (start < 0)
        return false;
    FMaxBegin = maxBegin;

    TPendingFrame f;
    f.SlotStart = FState.SlotEnd;
    f.SlotBytes = slotBytes;
    f.Bytes.assign(size_t(Header.FrameBytes()), 0);
    std::memcpy(f.Bytes.data(), Header.Bytes, 4);
    uint8_t* side = f.Bytes.data() + prelude - Header.SideInfoBytes();
    std::memcpy(side, Frame.SideInfo, size_t(Header.SideInfoBytes()));
    TLayer3SideInfo::WriteMainDataBegin(Header, side, int(FState.SlotEnd - start));
    if (Header.Protected()) {
        const uint16_t crc = TLayer3SideInfo::ProtectionCrc(Header, side);
        f.Bytes[4] = uint8_t(crc >> 8);
        f.Bytes[5] = uint8_t(crc);
    }
    FPending.push_back(std::move(f));
    WriteMainData(start, Frame.MainData);
    FState.DataEnd = start + dataBytes;
    FState.SlotEnd += slotBytes;
    return true;
}

void TLayer3Packer::WriteMainData(int64_t Start, const std::vector<uint8_t>& Data) {
    for (auto it = FPending.rbegin();
         it != FPending.rend() && it->SlotStart + it->SlotBytes > Start; ++it) {
        if (it->SlotStart > Start + int64_t(Data.size()))
            continue;
        // The part of [Start, Start + size) inside this frame's slots.
        const int64_t from = std::max(Start, it->SlotStart);
        const int64_t to = std::min(Start + int64_t(Data.size()), it->SlotStart + it->SlotBytes);
        if (to <= from)
            continue;
        const size_t prelude = it->Bytes.size() - size_t(it->SlotBytes);
        std::memcpy(it->Bytes.data() + prelude + (from - it->SlotStart),
                    Data.data() + (from - Start), size_t(to - from));
    }
}

void TLayer3Packer::TakeFinished(std::vector<uint8_t>& Out) {
    // No later frame reaches back before this position.
    const int64_t fixedBefore = std::max(FState.DataEnd, FState.SlotEnd - FMaxBegin);
    while (!FPending.empty() &&
           FPending.front().SlotStart + FPending.front().SlotBytes <= fixedBefore) {
        Out.insert(Out.end(), FPending.front().Bytes.begin(), FPending.front().Bytes.end());
        FPending.pop_front();
    }
}

void TLayer3Packer::TakeAll(std::vector<uint8_t>& Out) {
    for (const TPendingFrame& f : FPending)
        Out.insert(Out.end(), f.Bytes.begin(), f.Bytes.end());
    FPending.clear();
}
