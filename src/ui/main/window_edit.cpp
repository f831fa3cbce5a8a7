#include "ui/main/window_edit.h"

#include <utility>

bool TWindowEditState::SameList(const TWindowEditState& other) const {
    const TTrackList &a = List, &b = other.List;
    if (a.Tracks.size() != b.Tracks.size() || a.Album != b.Album || a.Performer != b.Performer ||
        a.Year != b.Year || a.Genre != b.Genre || a.Comment != b.Comment)
        return false;
    for (size_t k = 0; k < a.Tracks.size(); ++k) {
        const TTrackEntry &s = a.Tracks[k], &t = b.Tracks[k];
        if (s.Start != t.Start || s.End != t.End || s.Title != t.Title ||
            s.Performer != t.Performer)
            return false;
    }
    return true;
}

bool TWindowEditState::SameRange(const TWindowEditState& other) const {
    return Range.StartMs() == other.Range.StartMs() && Range.EndMs() == other.Range.EndMs() &&
           Range.RunStart() == other.Range.RunStart() && Range.RunEnd() == other.Range.RunEnd();
}

TWindowEdit::TWindowEdit(TWindowEditState before, TWindowEditState after, TApply apply)
    : FBefore(std::move(before)), FAfter(std::move(after)), FApply(std::move(apply)) {}

void TWindowEdit::undo() {
    FApply(FBefore);
}

void TWindowEdit::redo() {
    if (FMade) {
        FMade = false;
        return;
    }
    FApply(FAfter);
}
