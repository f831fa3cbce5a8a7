#include "audio/layer3/mp3_segment_joiner.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <tuple>

namespace {

// Long-edged on the right: long and stop blocks; on the left: long and start blocks.
bool LongRight(int BlockType) {
    return BlockType == 0 || BlockType == 3;
}
bool LongLeft(int BlockType) {
    return BlockType == 0 || BlockType == 1;
}

} // namespace

int64_t TMp3SegmentJoiner::PaddedThrough(int64_t Index) const {
    // Frames 0 to Index of a single encoder carry ceil(Index * rest / rate) padding bytes,
    // where rest is what a frame's bytes fall short of the exact share of the bit rate.
    if (Index <= 0)
        return 0;
    const int64_t rest = FRest, rate = FRate;
    return (Index * rest + rate - 1) / rate;
}

bool TMp3SegmentJoiner::Place(TPlacement& At, const TLayer3Frame& Frame, TMpegFrameHeader* Out,
                              bool Raise) const {
    TMpegFrameHeader header = Frame.Header;
    const int data = int(Frame.MainData.size());
    auto fits = [&](const TMpegFrameHeader& H) {
        return TLayer3Packer::Place(At.Packer, H.FrameBytes() - H.PreludeBytes(), data,
                                    H.MaxMainDataBegin()) >= 0;
    };
    bool ok;
    if (FConstant) {
        // The single encoder's pattern; a frame that needs one byte more gets it early and
        // gives it back at the next padded frame.
        const bool owed = At.Padded < PaddedThrough(At.Index);
        header.SetPadding(owed);
        ok = fits(header);
        if (!ok && !owed) {
            header.SetPadding(true);
            ok = fits(header);
        }
    } else {
        ok = fits(header);
        while (!ok && Raise && header.BitRateIndex() < 14) {
            header.SetBitRateIndex(header.BitRateIndex() + 1);
            ok = fits(header);
            ++At.Raised;
        }
    }
    if (!ok)
        return false;
    const int slotBytes = header.FrameBytes() - header.PreludeBytes();
    const int64_t start =
        TLayer3Packer::Place(At.Packer, slotBytes, data, header.MaxMainDataBegin());
    At.Packer.DataEnd = start + data;
    At.Packer.SlotEnd += slotBytes;
    At.Padded += header.Padding() ? 1 : 0;
    ++At.Index;
    if (Out)
        *Out = header;
    return true;
}

bool TMp3SegmentJoiner::WindowsMeet(const TLayer3Frame& Before, const TLayer3Frame& After) const {
    for (int ch = 0; ch < Before.Info.Channels; ++ch) {
        const TLayer3SideInfo::TGranuleChannel& a = Before.Info.Parts[Before.Info.Granules - 1][ch];
        const TLayer3SideInfo::TGranuleChannel& b = After.Info.Parts[0][ch];
        if (a.Mixed || b.Mixed || LongRight(a.BlockType) != LongLeft(b.BlockType))
            return false;
    }
    return true;
}

bool TMp3SegmentJoiner::SameBlocks(const TSegment& Later, int64_t Cut) const {
    auto same = [](const TLayer3Frame& A, const TLayer3Frame& B) {
        for (int gr = 0; gr < A.Info.Granules; ++gr)
            for (int ch = 0; ch < A.Info.Channels; ++ch)
                if (A.Info.Parts[gr][ch].BlockType != B.Info.Parts[gr][ch].BlockType)
                    return false;
        return true;
    };
    const bool laterHasBefore = Cut - 1 >= Later.FirstFrame;
    const bool currentHasAfter = Cut < FCurrent.EndFrame();
    if (laterHasBefore && !same(Later.Frames[size_t(Cut - 1 - Later.FirstFrame)],
                                FCurrent.Frames[size_t(Cut - 1 - FCurrent.FirstFrame)]))
        return false;
    if (currentHasAfter && !same(Later.Frames[size_t(Cut - Later.FirstFrame)],
                                 FCurrent.Frames[size_t(Cut - FCurrent.FirstFrame)]))
        return false;
    return true;
}

int TMp3SegmentJoiner::Fits(TPlacement At, const TSegment& Later, int64_t Cut, bool Raise) const {
    const int64_t end = std::min(Later.End, Later.EndFrame());
    for (int64_t i = Cut; i < end; ++i)
        if (!Place(At, Later.Frames[size_t(i - Later.FirstFrame)], nullptr, Raise))
            return -1;
    return At.Raised;
}

bool TMp3SegmentJoiner::Add(TSegment&& Segment) {
    if (!FHaveCurrent) {
        const TMpegFrameHeader& h =
            Segment.Frames.empty() ? TMpegFrameHeader() : Segment.Frames.front().Header;
        if (!Segment.Frames.empty()) {
            FRate = h.SampleRate();
            // Bytes per frame times the rate, exactly; the remainder is what padding makes up.
            FRest = int64_t(h.Mpeg1() ? 144000 : 72000) * h.BitRateKbps() % FRate;
        }
        FAt.Index = std::max(Segment.FirstFrame, Segment.Start);
        if (FAt.Index < Segment.EndFrame()) // the reservoir its encoder gave the first frame
            FAt.Packer.SlotEnd =
                Segment.Frames[size_t(FAt.Index - Segment.FirstFrame)].EncodedBegin;
        FCurrent = std::move(Segment);
        FHaveCurrent = true;
        return true;
    }
    // Candidates: cuts inside both segments, at or after the later one's start. Each is
    // ranked: windows that meet, then no raised bit rate, then both encoders having written
    // the same frame just before the cut (their states agree: the seam is as if one encoder
    // went on), then the least reservoir left unused or missing, then the earliest.
    const int64_t first = std::max({FAt.Index, Segment.Start, Segment.FirstFrame + 1});
    const int64_t last = std::min(FCurrent.EndFrame(), Segment.EndFrame() - 1);
    TPlacement at = FAt;
    struct TRank {
        int Unmatched = 0, Raised = 0, Different = 0, Waste = 0;
        int64_t Cut = -1;
        bool operator<(const TRank& O) const {
            return std::tie(Unmatched, Raised, Different, Waste, Cut) <
                   std::tie(O.Unmatched, O.Raised, O.Different, O.Waste, O.Cut);
        }
    };
    TRank best;
    for (int64_t cut = at.Index; cut <= last; ++cut) {
        if (cut >= first) {
            const TLayer3Frame& before = FCurrent.Frames[size_t(cut - 1 - FCurrent.FirstFrame)];
            const TLayer3Frame& after = Segment.Frames[size_t(cut - Segment.FirstFrame)];
            const int raised = Fits(at, Segment, cut, !FConstant);
            if (raised >= 0) {
                TRank r;
                r.Unmatched = WindowsMeet(before, after) && SameBlocks(Segment, cut) ? 0 : 1;
                r.Raised = raised > 0 ? 1 : 0;
                r.Different =
                    SameFrame(before, Segment.Frames[size_t(cut - 1 - Segment.FirstFrame)]) ? 0 : 1;
                const int free = int(std::min<int64_t>(after.Header.MaxMainDataBegin(),
                                                       at.Packer.SlotEnd - at.Packer.DataEnd));
                r.Waste = std::abs(free - after.EncodedBegin);
                r.Cut = cut;
                if (best.Cut < 0 || r < best)
                    best = r;
            }
        }
        if (cut == FCurrent.EndFrame() ||
            !Place(at, FCurrent.Frames[size_t(cut - FCurrent.FirstFrame)], nullptr, !FConstant))
            break;
    }
    if (best.Cut < 0)
        return false;
    Append(FCurrent, best.Cut);
    FSeams.push_back({best.Cut, best.Unmatched == 0, best.Raised != 0, best.Different == 0});
    FCurrent = std::move(Segment);
    // Its encoder's stream gave the cut's frame another frame before it than this one does.
    FCurrent.Frames[size_t(best.Cut - FCurrent.FirstFrame)].DecodedPeak = -1;
    return true;
}

bool TMp3SegmentJoiner::SameFrame(const TLayer3Frame& A, const TLayer3Frame& B) {
    return A.MainData == B.MainData &&
           std::memcmp(A.SideInfo, B.SideInfo, size_t(A.Header.SideInfoBytes())) == 0;
}

void TMp3SegmentJoiner::Append(const TSegment& Segment, int64_t To) {
    for (int64_t i = FAt.Index; i < To; ++i) {
        TJoinedFrame out;
        out.Index = i;
        out.Frame = Segment.Frames[size_t(i - Segment.FirstFrame)];
        out.FreeBefore = int(std::min<int64_t>(out.Frame.Header.MaxMainDataBegin(),
                                               FAt.Packer.SlotEnd - FAt.Packer.DataEnd));
        if (!Place(FAt, out.Frame, &out.Frame.Header, !FConstant))
            throw std::logic_error("a joined frame does not fit where it was placed");
        FFinished.push_back(std::move(out));
    }
}

void TMp3SegmentJoiner::Finish(int64_t EndFrame) {
    if (FHaveCurrent)
        Append(FCurrent, std::min(EndFrame, FCurrent.EndFrame()));
    FHaveCurrent = false;
}

void TMp3SegmentJoiner::TakeFinished(std::vector<TJoinedFrame>& Out) {
    for (TJoinedFrame& f : FFinished)
        Out.push_back(std::move(f));
    FFinished.clear();
}
