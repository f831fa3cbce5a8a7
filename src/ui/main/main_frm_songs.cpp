// TMainFrm: "Find songs" fills the Tracks list with the songs found in the pauses of the
// sound (from the loudness overview the time line already draws), and the boundaries of
// the listed tracks are drawn on the time line, where they are dragged as the markers are.
#include "ui/main/main_frm.h"

#include "app/song_finder.h"
#include "audio/loudness/loudness_envelope.h"
#include "ui/dialogs/msg_frm.h"
#include "ui/skin/track_bar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <algorithm>

namespace {
// A track keeps at least this much when a boundary is dragged against its other end.
constexpr TMediaTime kShortestTrack = TMediaTime::FromMs(100);
// How near the pointer must come to a boundary to take it, in pixels.
constexpr int kGrip = 3;
} // namespace

void TMainFrm::FindSongsBtnClick() {
    if (!IsIdle() || FRange.DurationMs() <= 0)
        return;
    const auto data = Envelope->Snapshot();
    if (data->state == TEnvelopeData::TState::esFailed) {
        ShowMessageBox(0, tr("The sound can't be read to find the songs:\n %1").arg(data->error),
                       tr("&Close"), tr("&Help"));
        return;
    }
    if (data->state != TEnvelopeData::TState::esFinished) {
        const int percent = data->expectedBuckets > 0
                                ? int(int64_t(data->buckets.size()) * 100 / data->expectedBuckets)
                                : 0;
        ShowMessageBox(1,
                       tr("The sound is still being read for the time line (%1 %).\nFind the "
                          "songs again when the time line is complete.")
                           .arg(percent),
                       tr("&Close"), tr("&Help"));
        return;
    }
    const TSongProposal songs = FindSongs(*data, SourceLength());
    if (songs.Tracks.Tracks.size() > size_t(MaxTrackCount)) {
        ShowMessageBox(1,
                       tr("The pauses cut the sound into %1 songs, more than the %2 tracks a "
                          "list holds.")
                           .arg(songs.Tracks.Tracks.size())
                           .arg(MaxTrackCount),
                       tr("&Close"), tr("&Help"));
        return;
    }
    bool replace = true;
    if (!FTrackList.Tracks.empty()) {
        // Escape and the title bar's close button leave the list as it is.
        const int answer = AskWithCancel(
            2,
            tr("The Tracks list holds %1 tracks.\nReplace them with the %2 songs found, or add "
               "the songs after them?")
                .arg(FTrackList.Tracks.size())
                .arg(songs.Tracks.Tracks.size()),
            tr("&Replace"), tr("&Add"));
        if (answer == 0)
            return;
        replace = answer == 1;
    }
    if (!replace && FTrackList.Tracks.size() + songs.Tracks.Tracks.size() > size_t(MaxTrackCount)) {
        ShowMessageBox(1,
                       tr("The %1 songs found do not fit after the %2 tracks of the list: a "
                          "list holds %3 tracks.")
                           .arg(songs.Tracks.Tracks.size())
                           .arg(FTrackList.Tracks.size())
                           .arg(MaxTrackCount),
                       tr("&Close"), tr("&Help"));
        return;
    }
    if (replace)
        FTrackList = TTrackList();
    FTrackList.Tracks.insert(FTrackList.Tracks.end(), songs.Tracks.Tracks.begin(),
                             songs.Tracks.Tracks.end());
    ShowTrackList();
    TrackBar->update();
}

std::vector<TMediaTime> TMainFrm::TrackBoundaries() const {
    std::vector<TMediaTime> times;
    for (const TTrackEntry& t : FTrackList.Tracks)
        times.insert(times.end(), {t.Start, t.End});
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    return times;
}

void TMainFrm::PaintTrackBoundaries(QPainter& Canvas, const QRect& Channel) {
    const int64_t from = TrackBar->viewFrom(), to = TrackBar->viewTo();
    if (to <= from)
        return;
    Canvas.save();
    Canvas.setPen(QPen(QColor(0xFF, 0x80, 0x00), 2));
    for (const TMediaTime b : TrackBoundaries()) {
        const int64_t ms = b.ToMs();
        if (ms <= from || ms >= to)
            continue;
        const int x = Channel.left() + int(int64_t(Channel.width()) * (ms - from) / (to - from));
        Canvas.drawLine(x, Channel.top() + 1, x, Channel.bottom() - 1);
    }
    Canvas.restore();
}

bool TMainFrm::TrackBarBoundaryMouse(QMouseEvent* Event) {
    const QPoint at = Event->position().toPoint();
    if (Event->type() == QEvent::MouseButtonPress) {
        FDraggedBoundary.reset();
        if (Event->button() != Qt::LeftButton || !IsIdle() || FRange.DurationMs() <= 0)
            return false;
        if (!TrackBar->channelRect().adjusted(0, -kGrip, 0, kGrip).contains(at))
            return false;
        int best = kGrip + 1;
        for (const TMediaTime b : TrackBoundaries()) {
            const int64_t ms = b.ToMs();
            if (ms < TrackBar->viewFrom() || ms > TrackBar->viewTo())
                continue;
            const int distance = std::abs(TrackBar->xOf(int(ms)) - at.x());
            if (distance < best) {
                best = distance;
                FDraggedBoundary = b;
            }
        }
        if (!FDraggedBoundary)
            return false;
        TrackBar->setCursor(Qt::SizeHorCursor);
        return true;
    }
    if (!FDraggedBoundary)
        return false;
    if (Event->type() == QEvent::MouseButtonRelease) {
        FDraggedBoundary.reset();
        TrackBar->unsetCursor();
        ShowTrackList();
        return true;
    }
    if (Event->type() != QEvent::MouseMove || !IsIdle())
        return true;
    // Every track that starts or ends at the boundary follows it, within its other end.
    TMediaTime lo, hi = TMediaTime::FromMs(FRange.DurationMs());
    for (const TTrackEntry& t : FTrackList.Tracks) {
        if (t.Start == FDraggedBoundary)
            hi = std::min(hi, t.End - kShortestTrack);
        if (t.End == FDraggedBoundary)
            lo = std::max(lo, t.Start + kShortestTrack);
    }
    const TMediaTime wanted = TMediaTime::FromMs(TrackBar->positionAt(at.x()));
    if (lo > hi)
        return true;
    const TMediaTime moved = std::clamp(wanted, lo, hi);
    for (TTrackEntry& t : FTrackList.Tracks) {
        if (t.Start == FDraggedBoundary)
            t.Start = moved;
        if (t.End == FDraggedBoundary)
            t.End = moved;
    }
    FDraggedBoundary = moved;
    TrackBar->setPosition(int(moved.ToMs()));
    TrackBar->update();
    return true;
}
