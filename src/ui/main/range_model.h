#pragma once

// The range the window's next rip reads: its start and end in milliseconds of the source's
// time line, the source's duration, the marker moved last, and a range set exactly to a
// DVD's chapters (media time), which holds as long as the milliseconds are still its own.
// A value without widgets: the window shows it (markers, track bar, summary) after each
// change.
//
// Threads: owned and used by the GUI thread only.

#include "base/media_time.h"

#include <cstdint>
#include <optional>

// A range marker; Both where an action concerns the two (placing them after an opening).
enum class TMarker { Start, End, Both };

class TRangeModel {
public:
    // Markers dragged, snapped or set at the position stay this far apart.
    static constexpr int64_t MarkerGapMs = 1000;

    // A source of `durationMs` (0: none): the range is all of it, not exact, no marker
    // moved last.
    void Reset(int64_t durationMs);

    int64_t DurationMs() const { return FDurationMs; }
    int64_t StartMs() const { return FStartMs; }
    int64_t EndMs() const { return FEndMs; }
    TMarker Active() const { return FActive; }
    void SetActive(TMarker marker) { FActive = marker; }

    // Whether the start (the end) marker may stand at `ms`: inside the source, and at least
    // `gapMs` before the end (after the start).
    bool Allows(TMarker marker, int64_t ms, int64_t gapMs) const;
    // Puts the start or the end marker at `ms`, unchecked.
    void Set(TMarker marker, int64_t ms);
    int64_t At(TMarker marker) const { return marker == TMarker::End ? FEndMs : FStartMs; }

    // The range set to [start, end) exactly: the markers move to its milliseconds, the end
    // within the duration.
    void SetExact(TMediaTime start, TMediaTime end);
    // [start, end) taken as what the markers' present milliseconds stand for (a DVD title
    // opens as all of it); ClearExact: nothing exact.
    void MarkExact(TMediaTime start, TMediaTime end);
    void ClearExact();
    // The range the rip reads: the exact one while the milliseconds are still its own,
    // else the milliseconds'.
    TMediaTime RunStart() const;
    TMediaTime RunEnd() const;

private:
    int64_t FDurationMs = 0;
    int64_t FStartMs = 0;
    int64_t FEndMs = 0;
    TMarker FActive = TMarker::Both;
    std::optional<TMediaTime> FExactStart;
    std::optional<TMediaTime> FExactEnd;
};
