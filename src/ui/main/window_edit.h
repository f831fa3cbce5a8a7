#pragma once

// One step of the window's undo history: what the range, the Tracks list and the rip's
// target (the list or the range) were before the step and after it. The window records a
// step once it has made the change, so the first redo finds it made already; later undos
// and redos hand the state to `apply`, which shows it.
//
// Threads: made, kept and run by the GUI thread's undo stack.

#include "app/track_list.h"
#include "ui/main/range_model.h"

#include <QUndoCommand>

#include <functional>

struct TWindowEditState {
    TTrackList List;
    TRangeModel Range;
    bool RipList = false; // Rip! writes the list (else the range)

    // The same for the user: the same tracks, the same range to the 100 ns, the same
    // target (which marker was moved last does not count).
    bool SameList(const TWindowEditState& other) const;
    bool SameRange(const TWindowEditState& other) const;
    bool operator==(const TWindowEditState& other) const {
        return SameList(other) && SameRange(other) && RipList == other.RipList;
    }
};

class TWindowEdit : public QUndoCommand {
public:
    using TApply = std::function<void(const TWindowEditState&)>;
    TWindowEdit(TWindowEditState before, TWindowEditState after, TApply apply);

    void undo() override;
    void redo() override;

private:
    TWindowEditState FBefore, FAfter;
    TApply FApply;
    bool FMade = true; // the window made the change before recording it
};
