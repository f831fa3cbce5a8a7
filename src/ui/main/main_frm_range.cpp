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
    if (FActiveMarker == 0 || FActiveMarker == 2)
        PlaceMarker(0);
    if (FActiveMarker == 1 || FActiveMarker == 2)
        PlaceMarker(1);
}

void TMainFrm::PlaceMarker(int marker) {
    const int64_t width = int64_t(TrackBar->width()) - 2 * int64_t(FTrackMargin);
    const int64_t from = TrackBar->viewFrom();
    const int64_t range = int64_t(TrackBar->viewTo()) - from;
    // Nothing to place on an empty range or a bar too narrow for its channel.
    if (FDurationMs <= 0 || range <= 0 || width <= 0)
        return;
    const int base = TrackBar->x() + FTrackMargin;
    TImage* image = marker == 0 ? StartPointBtn : EndPointBtn;
    const int64_t t = marker == 0 ? FStartMs : FEndMs;
    // The start marker's left edge marks its time, the end marker's right edge.
    const int left = int(width * (t - from) / range) + base - (marker == 0 ? 0 : image->width());
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
    if (FDurationMs > 0 && span > 0) {
        const int64_t w = ARect.width();
        // Ends far outside the view are kept just outside it (no overflow, no wrap).
        auto xOf = [&](int64_t t) {
            return ARect.left() + int(std::clamp<int64_t>(w * (t - from) / span, -1, w + 1));
        };
        const int x1 = xOf(FStartMs);
        const int x2 = xOf(FEndMs);
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
    if (FDurationMs <= 0)
        return;
    FActiveMarker = 0;
    const int newLeft = StartPointBtn->x() + X;
    const int offset = newLeft - (TrackBar->x() + FTrackMargin);
    // Left of the channel there is nothing more, unless a zoomed view can scroll back.
    if (offset < 0 && TrackBar->viewFrom() <= TrackBar->minimum())
        return;
    int64_t t = std::max<int64_t>(TrackBar->minimum(), PixelToTime(offset));
    const bool snap = Keys & Qt::AltModifier;
    if (snap)
        t = QuietestTimeNear(t, TrackBar->minimum(), FEndMs - 1000);
    if (t > FEndMs - 1000)
        return;
    MoveDraggedMarker(0, t, newLeft, snap);
}

void TMainFrm::EndPointBtnMouseMove(Qt::MouseButtons Shift, int X, int,
                                    Qt::KeyboardModifiers Keys) {
    if (!IsIdle() || !(Shift & Qt::LeftButton))
        return;
    FActiveMarker = 1;
    if (FDurationMs <= 0)
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
        t = QuietestTimeNear(t, FStartMs + 1000, TrackBar->maximum());
    if (t < FStartMs + 1000 || t > TrackBar->maximum())
        return;
    MoveDraggedMarker(1, t, newLeft, snap);
}

void TMainFrm::MoveDraggedMarker(int marker, int64_t t, int newLeft, bool snapped) {
    (marker == 0 ? FStartMs : FEndMs) = t;
    const int viewFrom = TrackBar->viewFrom();
    RevealTime(t, true);
    // The marker's edge goes to the pointer, unless it snapped elsewhere or the view
    // scrolled under it.
    TImage* image = marker == 0 ? StartPointBtn : EndPointBtn;
    if (snapped || TrackBar->viewFrom() != viewFrom)
        PlaceMarker(marker);
    else
        image->move(newLeft, image->y());
    TrackBar->setPosition(int(t));
    if (marker == 0)
        TrackBar->setSelStart(int(t));
    else
        TrackBar->setSelEnd(int(t));
    TrackBar->update();
    ShowRangeInfo();
}

void TMainFrm::startPointUpBtnMouseDown() {
    if (!IsIdle())
        return;
    FActiveMarker = 0;
    FStepUp = true;
    Timer3->start();
}

void TMainFrm::startPointDownBtnMouseDown() {
    if (!IsIdle())
        return;
    FActiveMarker = 0;
    FStepUp = false;
    Timer3->start();
}

void TMainFrm::endPointUpBtnMouseDown() {
    if (!IsIdle())
        return;
    FActiveMarker = 1;
    FStepUp = true;
    Timer3->start();
}

void TMainFrm::endPointDownBtnMouseDown() {
    if (!IsIdle())
        return;
    FActiveMarker = 1;
    FStepUp = false;
    Timer3->start();
}

void TMainFrm::startPointUpBtnMouseUp() {
    Timer3->stop();
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
    if (FDurationMs <= 0)
        return;
    const int64_t step = FStepUp ? 100 : -100;
    if (FActiveMarker == 0) {
        const int64_t t = FStartMs + step;
        if (t >= FEndMs || t < 0)
            return;
        FStartMs = t;
        TrackBar->setPosition(int(t));
        TrackBar->setSelStart(int(t));
    } else {
        const int64_t t = FEndMs + step;
        if (t > TrackBar->maximum() || t <= FStartMs)
            return;
        FEndMs = t;
        TrackBar->setPosition(int(t));
        TrackBar->setSelEnd(int(t));
    }
    TrackBar->update();
    ShowRangeInfo();
    PlaceMarkers();
}
