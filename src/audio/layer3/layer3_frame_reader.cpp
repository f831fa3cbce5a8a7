#include "audio/layer3/layer3_frame_reader.h"

#include <QtGlobal>

#include <algorithm>
#include <cstring>

namespace {

// Slot bytes kept for look-back: more than the largest main_data_begin.
constexpr size_t SlotHistory = 512;

bool IsInfoFrame(const uint8_t* Frame, const TMpegFrameHeader& Header) {
    // Encoders put the tag right after the side information's size, CRC word or not.
    const uint8_t* tag = Frame + 4 + Header.SideInfoBytes();
    return std::memcmp(tag, "Xing", 4) == 0 || std::memcmp(tag, "Info", 4) == 0;
}

} // namespace

void TLayer3FrameReader::Append(const uint8_t* Data, size_t Size) {
    if (!Error.empty())
        return;
    FPending.insert(FPending.end(), Data, Data + Size);
    while (TakeFrame()) {
    }
    // Drop what has been consumed, now and then rather than per frame.
    if (FPendingStart > 65536 || FPendingStart == FPending.size()) {
        FPending.erase(FPending.begin(), FPending.begin() + ptrdiff_t(FPendingStart));
        FPendingStart = 0;
    }
}

void TLayer3FrameReader::Finish() {
    if (Error.empty() && FPendingStart < FPending.size())
        Error = QT_TRANSLATE_NOOP(
            "Mp3", "the stream ends inside a frame or with data that is not a frame");
}

bool TLayer3FrameReader::TakeFrame() {
    const uint8_t* at = FPending.data() + FPendingStart;
    const size_t left = FPending.size() - FPendingStart;
    if (left < 4)
        return false;
    const auto header = TMpegFrameHeader::Parse(at, left);
    if (!header) {
        Error = QT_TRANSLATE_NOOP("Mp3", "data that is not a Layer III frame");
        return false;
    }
    const size_t frameBytes = size_t(header->FrameBytes());
    if (left < frameBytes)
        return false;
    FPendingStart += frameBytes;
    const int prelude = header->PreludeBytes();
    const bool first = FFirst;
    FFirst = false;
    if (first && (PlaceholderFirst || IsInfoFrame(at, *header))) {
        ++InfoFrames;
        return true;
    }
    TLayer3Frame frame;
    frame.Header = *header;
    const uint8_t* side = at + prelude - header->SideInfoBytes();
    std::memcpy(frame.SideInfo, side, size_t(header->SideInfoBytes()));
    const auto info = TLayer3SideInfo::Parse(*header, side);
    if (!info) {
        Error = QT_TRANSLATE_NOOP("Mp3", "a frame with invalid side information");
        return false;
    }
    frame.Info = *info;
    frame.EncodedBegin = info->MainDataBegin;
    const size_t dataBytes = size_t(info->MainDataBits() + 7) / 8;
    const size_t back = size_t(info->MainDataBegin);
    const size_t slotBytes = frameBytes - size_t(prelude);
    if (back > FSlots.size() || dataBytes > back + slotBytes) {
        Error = QT_TRANSLATE_NOOP("Mp3", "a frame whose main data lies outside the stream");
        return false;
    }
    FSlots.insert(FSlots.end(), at + prelude, at + frameBytes);
    const size_t begin = FSlots.size() - slotBytes - back;
    frame.MainData.assign(FSlots.begin() + ptrdiff_t(begin),
                          FSlots.begin() + ptrdiff_t(begin + dataBytes));
    if (FSlots.size() > 4 * SlotHistory)
        FSlots.erase(FSlots.begin(), FSlots.end() - ptrdiff_t(SlotHistory));
    Frames.push_back(std::move(frame));
    return true;
}
