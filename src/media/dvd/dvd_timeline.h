#pragma once

// The one time line of a DVD title. A title plays its cells in order, but their
// timestamps need not continue from cell to cell: a new VOB, or a marked discontinuity,
// starts its clock afresh. Cells whose timestamps do continue form a segment, decoded as
// one stream; segments are laid end to end by the cells' playback times, so the line has
// neither gaps nor overlaps.
//
// Time 0 is the title's first picture, as a player presents it, for every stream: sound
// muxed ahead of that picture (the previous title's, or an encoder's padding) lies before 0
// and belongs to no chapter. Every later segment begins where the one before ends, and its
// first picture is placed there.
//
// Times are 90 kHz ticks; timestamps wrap at 2^33 as the MPEG clock does. The chapters are
// the user's (TSourceChapter: numbered from 1, in media time). A value, any thread.

#include "media/dvd/dvd_title.h"
#include "media/source_chapter.h"

#include <cstdint>
#include <utility>
#include <vector>

struct TDvdSegment {
    int firstCell = 0; // cells [firstCell, endCell) of the title
    int endCell = 0;
    int64_t videoStart = 0; // timestamp of the segment's first picture, shown at `start`
    int64_t start = 0;      // [start, end) on the title's line
    int64_t end = 0;
};

class TDvdTimeline {
public:
    TDvdTimeline() = default;
    // `videoStarts`: the first picture's timestamp of each segment (SegmentCells order).
    TDvdTimeline(const TDvdTitle& title, const std::vector<int64_t>& videoStarts);

    // The cell ranges [first, end) that form segments, in order.
    static std::vector<std::pair<int, int>> SegmentCells(const TDvdTitle& title);
    // a - b for two timestamps, as the shortest way round the 2^33 clock.
    static int64_t ClockDifference(int64_t a, int64_t b);

    const std::vector<TDvdSegment>& Segments() const { return FSegments; }
    // The cells' playback times added up: the title's length as the disc gives it.
    int64_t Duration() const { return FSegments.empty() ? 0 : FSegments.back().end; }
    // The timestamp of the title's first picture: time 0 on the first segment's clock.
    int64_t Origin() const { return FOrigin; }

    // Where cell `cell` begins; the first one begins at 0.
    int64_t CellStart(int cell) const;
    // The title's chapters: each from its first cell's start to the next one's start or the
    // title's end, to the nearest 100 ns of the ticks, so a range set with them starts on the
    // boundary's sample.
    const std::vector<TSourceChapter>& Chapters() const { return FChapters; }

    // The segment playing at `time` (the last one past the end).
    int SegmentAt(int64_t time) const;
    // What to add to a timestamp of segment `segment` so that it counts on the first
    // segment's clock, continuing it: title time + Origin().
    int64_t TimestampOffset(int segment) const;
    // Title time of timestamp `ts` of segment `segment`.
    int64_t TitleTime(int segment, int64_t ts) const;

private:
    std::vector<TDvdSegment> FSegments;
    std::vector<int64_t> FCellStarts;
    std::vector<TSourceChapter> FChapters;
    int64_t FOrigin = 0;
};
