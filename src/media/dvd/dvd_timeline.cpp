#include "media/dvd/dvd_timeline.h"

#include "media/dvd/dvd_sector.h"

#include <algorithm>

int64_t TDvdTimeline::ClockDifference(int64_t a, int64_t b) {
    const int64_t half = int64_t(1) << 32;
    return ((a - b + half) & dvd::kTimestampMask) - half;
}

std::vector<std::pair<int, int>> TDvdTimeline::SegmentCells(const TDvdTitle& title) {
    std::vector<std::pair<int, int>> ranges;
    const int cells = int(title.cells.size());
    for (int c = 0; c < cells; ++c) {
        if (c == 0 || title.cells[size_t(c)].restart)
            ranges.emplace_back(c, c + 1);
        else
            ranges.back().second = c + 1;
    }
    return ranges;
}

TDvdTimeline::TDvdTimeline(const TDvdTitle& title, const std::vector<int64_t>& videoStarts)
    : FOrigin(videoStarts.empty() ? 0 : videoStarts.front() & dvd::kTimestampMask) {
    const auto ranges = SegmentCells(title);
    int64_t position = 0;
    FCellStarts.assign(title.cells.size(), 0);
    for (size_t s = 0; s < ranges.size(); ++s) {
        TDvdSegment segment;
        segment.firstCell = ranges[s].first;
        segment.endCell = ranges[s].second;
        segment.videoStart =
            (s < videoStarts.size() ? videoStarts[s] : FOrigin) & dvd::kTimestampMask;
        // Every segment starts with its first picture.
        segment.start = position;
        int64_t cellStart = segment.start;
        for (int c = segment.firstCell; c < segment.endCell; ++c) {
            FCellStarts[size_t(c)] = cellStart;
            cellStart += title.cells[size_t(c)].duration;
        }
        segment.end = cellStart;
        position = segment.end;
        FSegments.push_back(segment);
    }
    const size_t chapters = title.chapterCells.size();
    for (size_t c = 0; c < chapters; ++c) {
        TSourceChapter chapter;
        chapter.number = int(c) + 1;
        chapter.start = TMediaTime::From90kHz(CellStart(title.chapterCells[c]));
        chapter.end = TMediaTime::From90kHz(c + 1 < chapters ? CellStart(title.chapterCells[c + 1])
                                                             : Duration());
        FChapters.push_back(chapter);
    }
}

int64_t TDvdTimeline::CellStart(int cell) const {
    if (cell <= 0 || FCellStarts.empty())
        return 0;
    if (cell >= int(FCellStarts.size()))
        return Duration();
    return FCellStarts[size_t(cell)];
}

int TDvdTimeline::SegmentAt(int64_t time) const {
    int segment = 0;
    for (int s = 1; s < int(FSegments.size()); ++s)
        if (FSegments[size_t(s)].start <= time)
            segment = s;
    return segment;
}

int64_t TDvdTimeline::TimestampOffset(int segment) const {
    if (segment < 0 || segment >= int(FSegments.size()))
        return 0;
    if (segment == 0)
        return 0; // the clock every other segment is put on
    const TDvdSegment& s = FSegments[size_t(segment)];
    return ClockDifference(FOrigin + s.start, s.videoStart);
}

int64_t TDvdTimeline::TitleTime(int segment, int64_t ts) const {
    if (segment < 0 || segment >= int(FSegments.size()))
        return 0;
    const TDvdSegment& s = FSegments[size_t(segment)];
    return s.start + ClockDifference(ts, s.videoStart);
}
