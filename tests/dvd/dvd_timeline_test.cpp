// The join of a title's cells into one time line: segments where timestamps restart,
// chapter starts, the offsets that put every segment on the first one's clock, the
// 2^33 wrap of the MPEG clock.

#include "media/dvd/dvd_sector.h"
#include "media/dvd/dvd_timeline.h"
#include "media/dvd/dvd_title_table.h"

#include <gtest/gtest.h>

namespace {

// The time line counts the MPEG clock's ticks.
constexpr int64_t kSecond = TMediaTime::FromSeconds(1).To90kHz();

TDvdCell Cell(double seconds, bool restart) {
    TDvdCell cell;
    cell.duration = int64_t(seconds * kSecond + 0.5);
    cell.restart = restart;
    return cell;
}

// Three cells of one VOB, then two of another whose clock starts afresh near the wrap.
TDvdTitle ConcertTitle() {
    TDvdTitle title;
    title.cells = {Cell(2.32, true), Cell(0.96, false), Cell(3.12, false), Cell(2.0, true),
                   Cell(2.0, false)};
    title.chapterCells = {0, 2, 3};
    return title;
}

} // namespace

TEST(DvdTimeline, SegmentsFollowEachOtherByTheCellsPlaybackTimes) {
    const int64_t lead = 480; // the sound starts 5.3 ms before the first picture
    const int64_t firstPicture = 48600;
    const int64_t secondClock = dvd::kTimestampMask - 30000; // wraps 1/3 s into the segment
    const TDvdTimeline line(ConcertTitle(), {firstPicture, secondClock});

    ASSERT_EQ(TDvdTimeline::SegmentCells(ConcertTitle()).size(), 2u);
    ASSERT_EQ(line.Segments().size(), 2u);
    const TDvdSegment& a = line.Segments()[0];
    const TDvdSegment& b = line.Segments()[1];
    EXPECT_EQ(a.firstCell, 0);
    EXPECT_EQ(a.endCell, 3);
    EXPECT_EQ(a.start, 0); // the first picture
    EXPECT_EQ(a.end, int64_t(6.4 * kSecond));
    EXPECT_EQ(b.start, a.end); // no gap, no overlap
    EXPECT_EQ(b.end, b.start + 4 * kSecond);
    EXPECT_EQ(line.Duration(), b.end);

    // Each chapter starts with its first cell's picture, chapter 1 with the title's; numbered
    // as the user counts them, at the nearest 100 ns of their ticks.
    const auto time = [](int64_t ticks) { return TMediaTime::From90kHz(ticks); };
    const std::vector<TSourceChapter>& chapters = line.Chapters();
    ASSERT_EQ(chapters.size(), 3u);
    EXPECT_EQ(chapters[0].number, 1);
    EXPECT_EQ(chapters[2].number, 3);
    EXPECT_EQ(chapters[0].start, TMediaTime());
    EXPECT_EQ(chapters[0].end, time(int64_t(3.28 * kSecond))); // its cells' playback times
    EXPECT_EQ(chapters[1].start, time(int64_t(3.28 * kSecond)));
    EXPECT_EQ(chapters[2].start, time(b.start));
    EXPECT_EQ(chapters[0].end, chapters[1].start);
    EXPECT_EQ(chapters[2].end, time(line.Duration()));
    EXPECT_EQ(ChapterAt(chapters, time(b.start - 1)), 2);
    EXPECT_EQ(ChapterAt(chapters, time(b.start)), 3);
    EXPECT_EQ(ChapterAt(chapters, time(line.Duration() + kSecond)), 3);
    EXPECT_EQ(ChapterAt(chapters, TMediaTime()), 1);
    EXPECT_EQ(ChapterAt({}, time(b.start)), 0);
    EXPECT_EQ(line.SegmentAt(b.start - 1), 0);
    EXPECT_EQ(line.SegmentAt(b.start), 1);

    // The first segment keeps its timestamps; the second continues its clock, across the
    // wrap of its own.
    EXPECT_EQ(line.Origin(), firstPicture);
    EXPECT_EQ(line.TimestampOffset(0), 0);
    const int64_t moved = (secondClock + line.TimestampOffset(1)) & dvd::kTimestampMask;
    EXPECT_EQ(moved, line.Origin() + b.start);
    const int64_t afterWrap = (secondClock + kSecond) & dvd::kTimestampMask;
    EXPECT_EQ(line.TitleTime(1, afterWrap), b.start + kSecond);
    // Sound stamped ahead of the first picture lies before 0.
    EXPECT_EQ(line.TitleTime(0, firstPicture - lead), -lead);
    EXPECT_EQ(line.TitleTime(0, firstPicture), 0);
}

TEST(DvdTimeline, TheLineIsTheCellsWhateverSoundComesBeforeThePicture) {
    // However early or late a title's sound is stamped, it does not move the line: the first
    // segment starts with its first picture and the line is the cells' length.
    for (const int64_t sound : {kSecond + 900, kSecond - 480, kSecond - 5 * kSecond}) {
        const TDvdTimeline line(ConcertTitle(), {kSecond, 1000});
        EXPECT_EQ(line.Segments()[0].start, 0);
        EXPECT_EQ(line.Duration(), int64_t(10.4 * kSecond));
        EXPECT_EQ(line.TimestampOffset(0), 0);
        EXPECT_EQ(line.TitleTime(0, sound), sound - kSecond);
        EXPECT_EQ(line.Chapters()[0].end, TMediaTime::From90kHz(int64_t(3.28 * kSecond)));
    }
}

TEST(DvdTimeline, CellTimesCountFramesAtTheRealRate) {
    // 2:30 and 12 frames: PAL frames are 1/25 s; an NTSC time counts frames, 30 to its
    // second, each 1001/30000 s, so 150 of its "seconds" last 150.15 s.
    EXPECT_EQ(DvdTimeTicks(0x00, 0x02, 0x30, 0x40 | 0x12), 150 * kSecond + 12 * 3600);
    EXPECT_EQ(DvdTimeTicks(0x00, 0x02, 0x30, 0xC0 | 0x12), (150 * 30 + 12) * 3003);
    EXPECT_EQ(DvdTimeTicks(0x01, 0x00, 0x00, 0xC0), int64_t(3600) * 30 * 3003);
    EXPECT_EQ(DvdTimeTicks(0x00, 0x00, 0x05, 0xC0 | 0x30), -1); // no 30th frame
    EXPECT_EQ(DvdTimeTicks(0x00, 0x00, 0x05, 0x40 | 0x25), -1);
    EXPECT_EQ(DvdTimeTicks(0x00, 0x00, 0x05, 0x00), 5 * kSecond);
    EXPECT_EQ(DvdTimeTicks(0x00, 0x6A, 0x00, 0x40), -1); // not BCD
}
