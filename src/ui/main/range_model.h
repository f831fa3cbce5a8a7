#pragma once

// The range the window's next rip reads: its start and end in milliseconds of the source's
// time line, the source's duration, the marker moved last, and a range set exactly to a
// DVD's chapters (100-ns units), which holds as long as the milliseconds are still its own.
// A value without widgets: the window shows it (markers, track bar, summary) after each
// change.
//
// Threads: owned and used by the GUI thread only.

#include <cstdint>

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

    // The range set to [start, end) exactly (100-ns units): the markers move to its
    // milliseconds, the end within the duration.
    void SetExact(int64_t start, int64_t end);
    // [start, end) taken as what the markers' present milliseconds stand for (a DVD title
    // opens as all of it); (-1, -1): nothing exact.
    void MarkExact(int64_t start, int64_t end);
    // The range the rip reads, 100-ns units: the exact one while the milliseconds are
    // still its own, else the milliseconds'.
    int64_t RunStart() const;
    int64_t RunEnd() const;

private:
    int64_t FDurationMs = 0;
    int64_t FStartMs = 0;
    int64_t FEndMs = 0;
    TMarker FActive = TMarker::Both;
    int64_t FExactStart = -1;
    int64_t FExactEnd = -1;
};
