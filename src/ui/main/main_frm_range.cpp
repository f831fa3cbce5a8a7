// TMainFrm: the range markers, their fine adjustment and the drawing of the channel.
//
// The track bar may show only a part of the time line (zoomed): pixels then map to the
// part in view, a marker outside it is hidden, and dragging one past the edge scrolls.
#include "ui/main/main_frm.h"

#include "audio/loudness/loudness_detail.h"
#include "audio/loudness/loudness_envelope.h"
#include "ui/main/loudness_painter.h"
#include "ui/skin/image.h"
#include "ui/skin/track_bar.h"

#include <QPainter>
#include <QRegion>
#include <QTimer>

int32_t TMainFrm::PixelToTime(int32_t Offset) const {
    const int64_t width = int64_t(TrackBar->width()) - 2 * int64_t(FTrackMargin);
    if (width <= 0)
        return TrackBar->viewFrom();
    const int64_t range = int64_t(TrackBar->viewTo()) - TrackBar->viewFrom();
    return int32_t(TrackBar->viewFrom() + int64_t(Offset) * range / width);
}

void TMainFrm::PlaceMarkers() {
    PlaceMarker(FRange.Active());
}

void TMainFrm::PlaceMarker(TMarker marker) {
    if (marker == TMarker::Both) {
        PlaceMarker(TMarker::Start);
        PlaceMarker(TMarker::End);
        return;
    }
    const int64_t width = int64_t(TrackBar->width()) - 2 * int64_t(FTrackMargin);
    const int64_t from = TrackBar->viewFrom();
    const int64_t range = int64_t(TrackBar->viewTo()) - from;
    // Nothing to place on an empty range or a bar too narrow for its channel.
    if (FRange.DurationMs() <= 0 || range <= 0 || width <= 0)
        return;
    const int base = TrackBar->x() + FTrackMargin;
    const bool start = marker == TMarker::Start;
    TImage* image = start ? StartPointBtn : EndPointBtn;
    const int64_t t = FRange.At(marker);
    // The start marker's left edge marks its time, the end marker's right edge.
    const int left = int(width * (t - from) / range) + base - (start ? 0 : image->width());
    image->move(left, image->y());
    if (FMarkersOn)
        image->setVisible(t >= from && t <= TrackBar->viewTo());
}

void TMainFrm::TrackBarCustomDraw(TTrackBar&, TTrackBarItem Item, const QRect& ARect,
                                  QPainter& Canvas, bool& DefaultDraw) {
    if (Item != tbiChannel) {
        DefaultDraw = true;
        return;
    }
    Canvas.fillRect(ARect, Qt::white);
    FTrackMargin = ARect.left();
    const int64_t from = TrackBar->viewFrom();
    const int64_t span = int64_t(TrackBar->viewTo()) - from;
    if (FRange.DurationMs() > 0 && span > 0) {
        const int64_t w = ARect.width();
        // Ends far outside the view are kept just outside it (no overflow, no wrap).
        auto xOf = [&](int64_t t) {
            return ARect.left() + int(std::clamp<int64_t>(w * (t - from) / span, -1, w + 1));
        };
        const int x1 = xOf(FRange.StartMs());
        const int x2 = xOf(FRange.EndMs());
        const QRect range = QRect(x1, ARect.top(), x2 - x1, ARect.height()) & ARect;
        Canvas.fillRect(range, QColor(0, 0, 255));
        // The loudness, as far as it is computed and as finely as the zoom asks: grey on
        // white outside the range, lighter blues on the blue inside it.
        const auto data = Envelope->Snapshot();
        if (!data->buckets.empty()) {
            const QRectF inner = QRectF(ARect).adjusted(0, 2, 0, -1);
            const TEnvelopeLevels levels = [this](double a, double b, TEnvelopeBucket& l) {
                return LoudnessAt(a, b, l);
            };
            const double t0 = from / 1000.0, t1 = (from + span) / 1000.0;
            Canvas.save();
            // Inside the sunken edge only.
            const QRect within = ARect.adjusted(1, 0, -2, 0);
            QRegion outside(within);
            outside -= range;
            Canvas.setClipRegion(outside);
            PaintLoudnessLevels(Canvas, inner, levels, t0, t1, QColor(0xB8, 0xC2, 0xD8),
                                QColor(0x70, 0x80, 0xA8));
            Canvas.setClipRect(range & within);
            PaintLoudnessLevels(Canvas, inner, levels, t0, t1, QColor(0x58, 0x70, 0xFF),
                                QColor(0xA8, 0xB8, 0xFF));
            Canvas.restore();
        }
        PaintTrackBoundaries(Canvas, ARect.adjusted(1, 0, -2, 0));
    }
    // Sunken edge: dark above and left, light below and right.
    const QRect r = ARect.adjusted(0, 0, -1, -1);
    Canvas.setPen(QColor(0x80, 0x80, 0x80));
    Canvas.drawLine(r.topLeft(), r.topRight());
    Canvas.drawLine(r.topLeft(), r.bottomLeft());
    Canvas.setPen(Qt::white);
    Canvas.drawLine(r.bottomLeft(), r.bottomRight());
    Canvas.drawLine(r.topRight(), r.bottomRight());
    Canvas.setPen(QColor(0x40, 0x40, 0x40));
    Canvas.drawLine(r.topLeft() + QPoint(1, 1), r.topRight() + QPoint(-1, 1));
    DefaultDraw = false;
}

void TMainFrm::StartPointBtnMouseMove(Qt::MouseButtons Shift, int X, int,
                                      Qt::KeyboardModifiers Keys) {
    if (!IsIdle() || !(Shift & Qt::LeftButton))
        return;
    if (FRange.DurationMs() <= 0)
        return;
    FRange.SetActive(TMarker::Start);
    const int newLeft = StartPointBtn->x() + X;
    const int offset = newLeft - (TrackBar->x() + FTrackMargin);
    // Left of the channel there is nothing more, unless a zoomed view can scroll back.
    if (offset < 0 && TrackBar->viewFrom() <= TrackBar->minimum())
        return;
    int64_t t = std::max<int64_t>(TrackBar->minimum(), PixelToTime(offset));
    const bool snap = Keys & Qt::AltModifier;
    if (snap)
        t = QuietestTimeNear(t, TrackBar->minimum(), FRange.EndMs() - TRangeModel::MarkerGapMs);
    if (!FRange.Allows(TMarker::Start, t, TRangeModel::MarkerGapMs))
        return;
    MoveDraggedMarker(TMarker::Start, t, newLeft, snap);
}

void TMainFrm::EndPointBtnMouseMove(Qt::MouseButtons Shift, int X, int,
                                    Qt::KeyboardModifiers Keys) {
    if (!IsIdle() || !(Shift & Qt::LeftButton))
        return;
    FRange.SetActive(TMarker::End);
    if (FRange.DurationMs() <= 0)
        return;
    const int newLeft = EndPointBtn->x() + X;
    const int offset = newLeft + EndPointBtn->width() - (TrackBar->x() + FTrackMargin);
    int64_t t = PixelToTime(offset);
    // Past the right end there is nothing more, unless a zoomed view can scroll on.
    if (t > TrackBar->maximum()) {
        if (TrackBar->viewTo() >= TrackBar->maximum())
            return;
        t = TrackBar->maximum();
    }
    const bool snap = Keys & Qt::AltModifier;
    if (snap)
        t = QuietestTimeNear(t, FRange.StartMs() + TRangeModel::MarkerGapMs, TrackBar->maximum());
    if (!FRange.Allows(TMarker::End, t, TRangeModel::MarkerGapMs))
        return;
    MoveDraggedMarker(TMarker::End, t, newLeft, snap);
}

void TMainFrm::MoveDraggedMarker(TMarker marker, int64_t t, int newLeft, bool snapped) {
    FRange.Set(marker, t);
    const int viewFrom = TrackBar->viewFrom();
    RevealTime(t, true);
    // The marker's edge goes to the pointer, unless it snapped elsewhere or the view
    // scrolled under it.
    TImage* image = marker == TMarker::Start ? StartPointBtn : EndPointBtn;
    if (snapped || TrackBar->viewFrom() != viewFrom)
        PlaceMarker(marker);
    else
        image->move(newLeft, image->y());
    TrackBar->setPosition(int(t));
    ShowMarkerOnBar(marker);
    TrackBar->update();
    ShowRangeInfo();
}

void TMainFrm::ShowMarkerOnBar(TMarker marker) {
    if (marker == TMarker::Start)
        TrackBar->setSelStart(int(FRange.StartMs()));
    else
        TrackBar->setSelEnd(int(FRange.EndMs()));
}

void TMainFrm::startPointUpBtnMouseDown() {
    if (!IsIdle())
        return;
    FRange.SetActive(TMarker::Start);
    FStepUp = true;
    Timer3->start();
}

void TMainFrm::startPointDownBtnMouseDown() {
    if (!IsIdle())
        return;
    FRange.SetActive(TMarker::Start);
    FStepUp = false;
    Timer3->start();
}

void TMainFrm::endPointUpBtnMouseDown() {
    if (!IsIdle())
        return;
    FRange.SetActive(TMarker::End);
    FStepUp = true;
    Timer3->start();
}

void TMainFrm::endPointDownBtnMouseDown() {
    if (!IsIdle())
        return;
    FRange.SetActive(TMarker::End);
    FStepUp = false;
    Timer3->start();
}

void TMainFrm::startPointUpBtnMouseUp() {
    Timer3->stop();
    RecordEdit(); // the steps of one press are one step back
}

void TMainFrm::Timer3Timer() {
    // A run or an opening that began while the button was held ends the repeat.
    if (!IsIdle()) {
        Timer3->stop();
        return;
    }
    StepMarker();
}

void TMainFrm::StepMarker() {
    if (FRange.DurationMs() <= 0)
        return;
    // A step may bring the markers as close as a millisecond.
    const TMarker marker = FRange.Active() == TMarker::Start ? TMarker::Start : TMarker::End;
    const int64_t t = FRange.At(marker) + (FStepUp ? 100 : -100);
    if (!FRange.Allows(marker, t, 1))
        return;
    FRange.Set(marker, t);
    TrackBar->setPosition(int(t));
    ShowMarkerOnBar(marker);
    TrackBar->update();
    ShowRangeInfo();
    PlaceMarkers();
}
