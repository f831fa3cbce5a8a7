// TMainFrm: the zoomable time line (the track bar's view, the strip above it, the finer
// loudness of a zoomed view) and snapping a marker to the silence near it.
#include "ui/main/main_frm.h"

#include "app/common.h"
#include "audio/loudness/loudness_detail.h"
#include "audio/loudness/loudness_envelope.h"
#include "ui/main/loudness_painter.h"
#include "ui/skin/image.h"
#include "ui/skin/time_overview.h"
#include "ui/skin/track_bar.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {
constexpr double KeyZoomStep = 2.0;
// Closer than the overview's buckets (100 ms) a view asks for the finer ones, and shows
// the range's times to the millisecond.
constexpr double FineZoomMsPerPixel = 100.0;
constexpr int64_t SnapReachMs = 500;
constexpr int64_t SnapStepMs = 5;
} // namespace

void TMainFrm::ConnectTimeLine() {
    TrackBar->setMinimumUnitsPerPixel(10);
    connect(TrackBar, &TTrackBar::viewChanged, this,
            [this] { Guarded([&] { TrackBarViewChange(); }); });
    connect(TrackBar, &TTrackBar::changed, this,
            [this] { Guarded([&] { TrackBarPositionFollow(); }); });
    connect(Detail, &TLoudnessDetail::ready, TrackBar, qOverload<>(&QWidget::update));
    for (QWidget* w : {static_cast<QWidget*>(TrackBar), static_cast<QWidget*>(TimeStrip)}) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this, [this, w](const QPoint& p) {
            Guarded([&] { TrackBarContextPopup(w->mapToGlobal(p)); });
        });
    }
    TimeStrip->setToolTip(tr("The whole source: drag the frame or use the wheel to "
                             "scroll; Ctrl+wheel zooms"));
}

bool TMainFrm::HandleTimeLineKey(int Key, Qt::KeyboardModifiers Shift) {
    const Qt::KeyboardModifiers mods =
        Shift & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (Key == Qt::Key_F11 && mods == Qt::NoModifier) {
        ToggleFullScreen();
        return true;
    }
    if (FRange.DurationMs() <= 0)
        return false;
    if ((mods & ~Qt::ShiftModifier) == Qt::ControlModifier) {
        switch (Key) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            ZoomBy(1 / KeyZoomStep);
            return true;
        case Qt::Key_Minus:
        case Qt::Key_Underscore:
            ZoomBy(KeyZoomStep);
            return true;
        case Qt::Key_0:
            ZoomAll();
            return true;
        case Qt::Key_R:
            ZoomToRange();
            return true;
        default:
            return false;
        }
    }
    if (Key == Qt::Key_S && mods == Qt::NoModifier) {
        if (FRange.Active() != TMarker::Both)
            SnapMarkerToSilence(FRange.Active());
        return true;
    }
    return false;
}

void TMainFrm::ZoomBy(double factor) {
    // Around the position while it is in view, else around the view's middle.
    const int p = TrackBar->position();
    const bool shown = p >= TrackBar->viewFrom() && p <= TrackBar->viewTo();
    TrackBar->zoomAround(shown ? TrackBar->xOf(p) : -1, factor);
}

void TMainFrm::ZoomToRange() {
    if (FRange.DurationMs() <= 0)
        return;
    // A little room on both sides so the markers are seen whole.
    const int64_t margin = std::max<int64_t>(1, (FRange.EndMs() - FRange.StartMs()) / 40);
    TrackBar->setView(int(std::max<int64_t>(0, FRange.StartMs() - margin)),
                      int(std::min<int64_t>(TrackBar->maximum(), FRange.EndMs() + margin)));
}

void TMainFrm::ZoomAll() {
    TrackBar->showAll();
}

void TMainFrm::TrackBarViewChange() {
    PlaceMarker(TMarker::Both);
    const bool fine = TrackBar->zoomed() && TrackBar->unitsPerPixel() < FineZoomMsPerPixel;
    if (fine) {
        // The finer loudness of what is in view and a screen on either side.
        const double from = TrackBar->viewFrom() / 1000.0, to = TrackBar->viewTo() / 1000.0;
        Detail->Request(from - (to - from), to + (to - from));
    }
    if (fine != FFineTimes) {
        FFineTimes = fine;
        if (FRange.DurationMs() > 0)
            ShowRangeInfo();
    }
}

void TMainFrm::TrackBarPositionFollow() {
    // A position moved out of a zoomed view (playing, keys, steps) brings the view along.
    RevealTime(TrackBar->position(), false);
}

void TMainFrm::RevealTime(int64_t t, bool justEnough) {
    const int64_t from = TrackBar->viewFrom(), to = TrackBar->viewTo();
    if (!TrackBar->zoomed() || (t >= from && t <= to))
        return;
    const int64_t span = to - from;
    int64_t start;
    if (justEnough)
        start = t < from ? t : t - span;
    else
        start = t > to ? t - span / 10 : t - span * 9 / 10;
    TrackBar->setView(int(std::max<int64_t>(TrackBar->minimum(), start)),
                      int(std::max<int64_t>(TrackBar->minimum(), start) + span));
}

void TMainFrm::TrackBarContextPopup(const QPoint& Pos) {
    if (FRange.DurationMs() <= 0)
        return;
    QMenu menu(this);
    menu.addAction(tr("Zoom &In\tCtrl++"), this,
                   [this] { Guarded([&] { ZoomBy(1 / KeyZoomStep); }); });
    menu.addAction(tr("Zoom &Out\tCtrl+-"), this,
                   [this] { Guarded([&] { ZoomBy(KeyZoomStep); }); });
    menu.addAction(tr("Zoom to &Range\tCtrl+R"), this, [this] { Guarded([&] { ZoomToRange(); }); });
    menu.addAction(tr("Show &All\tCtrl+0"), this, [this] { Guarded([&] { ZoomAll(); }); });
    menu.addSeparator();
    QAction* snap = menu.addAction(tr("&Snap Marker to Silence\tS"), this, [this] {
        Guarded([&] { SnapMarkerToSilence(FRange.Active()); });
    });
    snap->setEnabled(IsIdle() && FRange.Active() != TMarker::Both);
    menu.exec(Pos);
}

QString TMainFrm::RangeTimeText(int64_t ms) const {
    if (!FFineTimes)
        return FormatTimeText(ms);
    // h:mm:ss.mmm while the time line is zoomed in closely enough to place that finely.
    const int64_t t = std::max<int64_t>(0, ms);
    return QStringLiteral("%1:%2:%3.%4")
        .arg(t / 3600000)
        .arg(t / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(t / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(t % 1000, 3, 10, QLatin1Char('0'));
}

bool TMainFrm::LoudnessAt(double from, double to, TEnvelopeBucket& levels) const {
    if (const auto chunk = Detail->ChunkAt(from))
        if (EnvelopeLevelsAt(*chunk, from, to, levels))
            return true;
    return EnvelopeLevelsAt(*Envelope->Snapshot(), from, to, levels);
}

int64_t TMainFrm::QuietestTimeNear(int64_t t, int64_t lo, int64_t hi) const {
    const int64_t from = std::max(lo, t - SnapReachMs);
    const int64_t to = std::min(hi, t + SnapReachMs);
    if (from > to)
        return t;
    // The level of every short step in reach; unknown steps break a quiet stretch.
    const int64_t steps = (to - from) / SnapStepMs + 1;
    std::vector<float> rms(size_t(steps), -1.0f);
    float quietest = -1;
    for (int64_t i = 0; i < steps; ++i) {
        const double a = double(from + i * SnapStepMs) / 1000.0;
        TEnvelopeBucket levels;
        if (!LoudnessAt(a, a + SnapStepMs / 1000.0, levels))
            continue;
        rms[size_t(i)] = levels.rms;
        if (quietest < 0 || levels.rms < quietest)
            quietest = levels.rms;
    }
    if (quietest < 0)
        return t;
    // Within 6 dB of the quietest counts as quiet: a pause's noise floor wavers.
    const float limit = quietest * 2.0f + 1e-5f;
    int64_t best = t, bestDistance = -1;
    for (int64_t i = 0; i < steps;) {
        if (rms[size_t(i)] < 0 || rms[size_t(i)] > limit) {
            ++i;
            continue;
        }
        int64_t j = i;
        while (j + 1 < steps && rms[size_t(j + 1)] >= 0 && rms[size_t(j + 1)] <= limit)
            ++j;
        const int64_t a = from + i * SnapStepMs;
        const int64_t b = std::min(to, from + j * SnapStepMs + SnapStepMs - 1);
        if (t >= a && t <= b)
            return t; // already in the quiet: a second snap does not move it
        const int64_t distance = t < a ? a - t : t - b;
        if (bestDistance < 0 || distance < bestDistance) {
            bestDistance = distance;
            best = a + (b - a) / 2; // the middle of the quiet stretch
        }
        i = j + 1;
    }
    return std::clamp(best, from, to);
}

bool TMainFrm::SnapMarkerToSilence(TMarker marker) {
    if (!IsIdle() || FRange.DurationMs() <= 0 || marker == TMarker::Both)
        return false;
    FRange.SetActive(marker);
    const int64_t gap = TRangeModel::MarkerGapMs;
    const int64_t now = FRange.At(marker);
    const int64_t t = marker == TMarker::Start
                          ? QuietestTimeNear(now, TrackBar->minimum(), FRange.EndMs() - gap)
                          : QuietestTimeNear(now, FRange.StartMs() + gap, TrackBar->maximum());
    if (t == now || !FRange.Allows(marker, t, gap))
        return t == now;
    FRange.Set(marker, t);
    ShowMarkerOnBar(marker);
    TrackBar->setPosition(int(t));
    PlaceMarkers();
    TrackBar->update();
    ShowRangeInfo();
    return true;
}
