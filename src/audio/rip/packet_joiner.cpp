#include "audio/rip/packet_joiner.h"

#include <algorithm>

TPacketJoiner::TPacketJoiner() : FRun(std::make_shared<TPacketRun>()) {}

bool TPacketJoiner::Add(std::unique_ptr<TRipEncoded> Segment) {
    std::unique_ptr<TPacketSegment> next(static_cast<TPacketSegment*>(Segment.release()));
    if (FCurrent) {
        Append(next->Start);
        FSeams.push_back(next->Start);
    }
    if (!next->Signature.empty())
        FRun->Signature = next->Signature;
    FCurrent = std::move(next);
    return true;
}

void TPacketJoiner::Append(int64_t To) {
    TPacketSegment& seg = *FCurrent;
    const int64_t from = std::max(seg.Start, FNext);
    for (size_t k = 0; k < seg.Packets.size(); ++k) {
        const int64_t index = seg.FirstFrame + int64_t(k);
        if (index < from)
            continue;
        if (index >= To)
            break;
        auto packet = std::make_unique<TCodedPacket>();
        packet->Index = index;
        packet->Bytes = std::move(seg.Packets[k]);
        packet->Run = FRun;
        FFinished.push_back(std::move(packet));
        FNext = index + 1;
    }
}

void TPacketJoiner::Finish(int64_t EndFrame) {
    if (FCurrent)
        Append(EndFrame);
    FCurrent.reset();
}

void TPacketJoiner::TakeFinished(std::vector<std::unique_ptr<TRipPacket>>& Out) {
    for (auto& packet : FFinished)
        Out.push_back(std::move(packet));
    FFinished.clear();
}
