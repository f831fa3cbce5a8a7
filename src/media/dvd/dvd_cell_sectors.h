#pragma once

// The sectors a DVD player reads for one cell of a title, in playing order. A cell's
// sectors are usually one run; an angle of an interleaved block shares its run with the
// other angles, and is followed through it as a player follows it: from each navigation
// pack to the end of its interleaved unit (or video object unit) and on to the angle's next
// one. Any thread; reads through the caller's disc.

#include "media/dvd/dvd_disc.h"

#include <cstdint>
#include <vector>

struct TSectorSpan {
    uint32_t first = 0;
    uint32_t last = 0;
};

// The spans of `cell` of title set `titleSet`. Raises EDvdError (dfNavigation) when the
// navigation packs of an interleaved cell cannot be followed to the cell's end, and the
// disc's read errors.
std::vector<TSectorSpan> CellSectorSpans(TDvdDisc& disc, int titleSet, const TDvdCell& cell);
