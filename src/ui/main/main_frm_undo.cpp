// TMainFrm: the undo history of the range and the Tracks list, and what the next Rip!
// writes. Every change of either is taken as one step once the action that made it is
// over (a drag when the mouse lets go, a held step button when it is released), so
// Ctrl+Z takes back what the user did, not the pixels on the way.
#include "ui/main/main_frm.h"

#include "app/common.h"
#include "ui/skin/image.h"
#include "ui/skin/track_bar.h"

#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QUndoStack>

void TMainFrm::BuildUndo() {
    UndoStack = new QUndoStack(this);
    // Plain captures: with a generic lambda here, the nested closure of GCC 12's sanitizer
    // build read a wrong `this` (a misaligned access, UndefinedBehaviorSanitizer's report).
    auto shortcut = [this](const QKeySequence& key, bool redo) {
        auto* s = new QShortcut(key, this);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, [this, redo] {
            Guarded([this, redo] {
                // A run reads the range and the list as they were when it started.
                if (!IsIdle())
                    return;
                if (redo)
                    UndoStack->redo();
                else
                    UndoStack->undo();
            });
        });
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), false);
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), true);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Y), true);
}

TWindowEditState TMainFrm::EditState() const {
    return {FTrackList, FRange, FRipList};
}

void TMainFrm::ApplyEditState(const TWindowEditState& state) {
    // The state shown is the history's own: nothing new to record while it is shown.
    FEditBase = state;
    FTrackList = state.List;
    FRange = state.Range;
    FRipList = state.RipList;
    FRange.SetActive(TMarker::Both);
    TrackBar->setSelStart(int(FRange.StartMs()));
    TrackBar->setSelEnd(int(FRange.EndMs()));
    PlaceMarkers();
    ShowTrackList();
}

void TMainFrm::RecordEdit() {
    // A drag, a held step button or an action of several changes is one step when it ends.
    if (FEditHold > 0 || FMarkerHeld || FDraggedBoundary || Timer3->isActive() ||
        FRange.DurationMs() <= 0)
        return;
    const bool wasList = RipsList();
    TWindowEditState now = EditState();
    // The user's last choice is what Rip! writes: the list once it changed or a track
    // was picked from it, the range once it was marked.
    if (!now.SameList(FEditBase) || FListChosen)
        FRipList = !FTrackList.Tracks.empty();
    else if (!now.SameRange(FEditBase))
        FRipList = false;
    FListChosen = false;
    now.RipList = FRipList;
    if (now == FEditBase)
        return;
    UndoStack->push(new TWindowEdit(
        FEditBase, now, [this](const TWindowEditState& state) { ApplyEditState(state); }));
    FEditBase = now;
    // An action of several changes showed the summary before its end decided the target.
    if (RipsList() != wasList)
        ShowRangeInfo();
}

void TMainFrm::StartEditHistory() {
    UndoStack->clear();
    FRipList = !FTrackList.Tracks.empty();
    FListChosen = false;
    FEditBase = EditState();
    ShowRipTarget();
}

QString TMainFrm::RipTargetText() const {
    if (FRange.DurationMs() <= 0)
        return tr("Rip!");
    if (RipsList()) {
        const int n = int(FTrackList.Tracks.size());
        return n == 1 ? tr("Rip 1 track") : tr("Rip %1 tracks").arg(n);
    }
    int first = 0, last = 0;
    if (FChapters.size() > 1 && RangeChapters(first, last))
        return first == last ? tr("Rip chapter %1").arg(first)
                             : tr("Rip chapters %1-%2").arg(first).arg(last);
    return tr("Rip %1 - %2").arg(RangeTimeText(FRange.StartMs()), RangeTimeText(FRange.EndMs()));
}

void TMainFrm::ShowRipTarget() {
    // The button says what it does, in bold where that fits its place (beside Help, up to
    // the summary's right edge), else in the normal weight; a range's times that fit
    // neither way become "range" (the tip and the Duration row have them).
    const QString full = RipTargetText();
    const int right = ExtractBtn->geometry().right();
    const int room = std::max(88, right - (skinButton2->geometry().right() + 6));
    QFont font = ExtractBtn->font();
    auto fits = [&](const QString& text, bool bold) {
        font.setBold(bold);
        return QFontMetrics(font).horizontalAdvance(text) + 20 <= room;
    };
    QString caption = full;
    bool bold = fits(caption, true);
    if (!bold && !fits(caption, false) && !RipsList()) {
        caption = tr("Rip range");
        bold = fits(caption, true);
    }
    font.setBold(bold);
    ExtractBtn->setFont(font);
    ExtractBtn->setText(u'&' + caption);
    ExtractBtn->resize(std::clamp(QFontMetrics(font).horizontalAdvance(caption) + 20, 88, room),
                       ExtractBtn->height());
    ExtractBtn->move(right + 1 - ExtractBtn->width(), ExtractBtn->y());
    ExtractBtn->setToolTip(full);
    ExtractBtn->setAccessibleName(full);
}
