#include "audio/mp3/mp3_decoded_peak.h"

#include "audio/layer3/mpeg_frame_header.h"

#include <algorithm>

void TMp3DecodedPeak::Add(const uint8_t* Bytes, size_t Size) {
    FPartial.insert(FPartial.end(), Bytes, Bytes + Size);
    size_t at = 0;
    while (at + 4 <= FPartial.size()) {
        const auto header = TMpegFrameHeader::Parse(FPartial.data() + at, 4);
        if (!header) { // not the stream this class is fed; skip to the next sync
            ++at;
            continue;
        }
        const size_t bytes = size_t(header->FrameBytes());
        if (at + bytes > FPartial.size())
            break;
        Take(FPartial.data() + at, bytes);
        at += bytes;
    }
    FPartial.erase(FPartial.begin(), FPartial.begin() + ptrdiff_t(at));
}

void TMp3DecodedPeak::Take(const uint8_t* Bytes, size_t Size) {
    const auto header = TMpegFrameHeader::Parse(Bytes, Size);
    TFrame frame;
    if (!FSpare.empty()) { // the storage of a frame let go, rather than new allocations
        frame = std::move(FSpare.back());
        FSpare.pop_back();
    }
    frame.Index = FFrames++;
    frame.First = FSamples;
    frame.Samples = header->SamplesPerFrame();
    frame.SlotBytes = std::max(0, header->FrameBytes() - header->PreludeBytes());
    frame.MaxBegin = header->MaxMainDataBegin();
    frame.Known = -1;
    if (!FExpected.empty()) {
        frame.Known = FExpected.front();
        FExpected.pop_front();
    }
    frame.Decoded = false;
    frame.Bytes.assign(Bytes, Bytes + Size);
    FSamples += frame.Samples;
    FRecent.push_back(std::move(frame));
    const TFrame& added = FRecent.back();
    if (added.Known < 0 || added.First < HeadSamples)
        DecodeRecent(FRecent.size() - 1);
    if (added.First < HeadSamples)
        FHead.push_back(added);
    Retire();
}

void TMp3DecodedPeak::DecodeRecent(size_t At) {
    TFrame& frame = FRecent[At];
    if (FDecodedThrough != frame.Index - 1) {
        // From elsewhere in the stream: the frames before it again, from the first whose
        // slots may hold the reservoir of the frame just before it (whose last granule this
        // one's sound depends on); their own sound is not what counts.
        FDecoder.Reset();
        size_t from = At > 0 ? At - 1 : 0;
        for (int held = 0; from > 0 && held < FRecent[At].MaxBegin;)
            held += FRecent[--from].SlotBytes;
        std::vector<float> ignored;
        for (size_t i = from; i < At; ++i) {
            const TFrame& before = FRecent[i];
            FDecoder.Decode(before.Bytes.data(), before.Bytes.size(), before.Samples, ignored);
            ++FFramesDecoded;
        }
    }
    FDecoder.Decode(frame.Bytes.data(), frame.Bytes.size(), frame.Samples, frame.Peaks);
    frame.Decoded = true;
    FDecodedThrough = frame.Index;
    ++FFramesDecoded;
}

size_t TMp3DecodedPeak::TailFrames() const {
    size_t n = 0;
    for (int64_t samples = 0; n < FRecent.size() && samples < TailSamples; ++n)
        samples += FRecent[FRecent.size() - 1 - n].Samples;
    return n;
}

void TMp3DecodedPeak::Retire() {
    // Kept: the tail, the frame before it, and before that the slots of as many frames as
    // hold the most reservoir a frame may borrow, so that any of them can still be decoded
    // exactly at the end.
    const size_t tail = TailFrames();
    for (;;) {
        if (FRecent.size() < tail + 2)
            return;
        int held = 0;
        for (size_t i = 1; i + tail + 1 < FRecent.size(); ++i)
            held += FRecent[i].SlotBytes;
        if (held < FRecent.front().MaxBegin)
            return;
        TFrame& gone = FRecent.front();
        if (gone.First >= HeadSamples) // a head frame is counted sample by sample at Finish
            FMiddle = std::max(FMiddle, gone.Decoded ? double(TMp3FrameDecoder::Max(gone.Peaks))
                                                     : double(gone.Known));
        FSpare.push_back(std::move(gone));
        FRecent.pop_front();
    }
}

double TMp3DecodedPeak::PeakIn(const TFrame& Frame, int64_t First, int64_t End) {
    double peak = 0;
    const int64_t from = std::max<int64_t>(First - Frame.First, 0);
    const int64_t to = std::min<int64_t>(End - Frame.First, int64_t(Frame.Peaks.size()));
    for (int64_t i = from; i < to; ++i)
        peak = std::max(peak, double(Frame.Peaks[size_t(i)]));
    return peak;
}

double TMp3DecodedPeak::Finish(int64_t First, int64_t End) {
    if (End < 0)
        End = FSamples;
    double peak = FMiddle;
    for (const TFrame& frame : FHead)
        peak = std::max(peak, PeakIn(frame, First, End));
    for (size_t i = 0; i < FRecent.size(); ++i) {
        const TFrame& frame = FRecent[i];
        if (frame.First < HeadSamples || frame.First >= End || frame.First + frame.Samples <= First)
            continue;
        const bool whole = frame.First >= First && frame.First + frame.Samples <= End;
        if (!frame.Decoded && !whole)
            DecodeRecent(i);
        peak = std::max(peak, frame.Decoded ? PeakIn(frame, First, End) : double(frame.Known));
    }
    return peak > 0 ? peak + 1.0 / 32768 : 0;
}
