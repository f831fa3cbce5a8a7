#pragma once

// A source's chapters as a user sees them: numbered from 1 as players and the command line
// (--chapters) count, with their stretch of the source's time line and the source's own
// name for each. A DVD title's chapters (TDvdTimeline) are one kind; the chapter marks of a
// file's container (container_chapters.h) the other. Plain values and a pure function: any
// thread.

#include "base/media_time.h"

#include <QString>

#include <vector>

struct TSourceChapter {
    int number = 0; // 1-based
    // [start, end) on the source's time line; the last chapter ends where the source does.
    TMediaTime start;
    TMediaTime end;
    QString title; // empty when the source names none (a DVD's chapters)
};

// The number of the chapter playing at `time`: the last one started by then (the first
// before any has, the last past the end); 0 when there are none.
int ChapterAt(const std::vector<TSourceChapter>& chapters, TMediaTime time);
