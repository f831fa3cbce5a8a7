// TMainFrm: the range markers, their fine adjustment and the drawing of the channel.
#include "ui/main/main_frm.h"

#include "audio/loudness_envelope.h"
#include "ui/main/loudness_painter.h"
#include "ui/skin/image.h"
#include "ui/skin/track_bar.h"

#include <QPainter>
#include <QRegion>
#include <QTimer>

int32_t TMainFrm::PixelToTime(int32_t Offset) const {
    const int64_t width = int64_t(TrackBar->width()) - 2 * int64_t(FTrackMargin);
    if (width <= 0)
        return TrackBar->minimum();
    const int64_t range = int64_t(TrackBar->maximum()) - TrackBar->minimum();
    return int32_t(TrackBar->minimum() + int64_t(Offset) * range / width);
}

void TMainFrm::PlaceMarkers() {
    const int64_t width = int64_t(TrackBar->width()) - 2 * int64_t(FTrackMargin);
    const int64_t range = int64_t(TrackBar->maximum()) - TrackBar->minimum();
    // Nothing to place on an empty range or a bar too narrow for its channel.
    if (FDurationMs <= 0 || range <= 0 || width <= 0)
        return;
    const int base = TrackBar->x() + FTrackMargin;
    if (FActiveMarker == 0 || FActiveMarker == 2)
        StartPointBtn->move(int(width * FStartMs / range) + base, StartPointBtn->y());
    if (FActiveMarker == 1 || FActiveMarker == 2)
        EndPointBtn->move(int(width * FEndMs / range) + base - EndPointBtn->width(),
                          EndPointBtn->y());
}

void TMainFrm::TrackBarCustomDraw(TTrackBar&, TTrackBarItem Item, const QRect& ARect,
                                  QPainter& Canvas, bool& DefaultDraw) {
    if (Item != tbiChannel) {
        DefaultDraw = true;
        return;
    }
    Canvas.fillRect(ARect, Qt::white);
    FTrackMargin = ARect.left();
    if (FDurationMs > 0) {
        const int64_t w = ARect.width();
        const int x1 = ARect.left() + int(w * FStartMs / FDurationMs);
        const int x2 = ARect.left() + int(w * FEndMs / FDurationMs);
        const QRect range(x1, ARect.top(), x2 - x1, ARect.height());
        Canvas.fillRect(range, QColor(0, 0, 255));
        // The loudness overview, as far as it is computed: grey on white outside the
        // range, lighter blues on the blue inside it.
        const auto data = Envelope->Snapshot();
        if (!data->buckets.empty()) {
            const QRectF inner = QRectF(ARect).adjusted(0, 2, 0, -1);
            const double to = FDurationMs / 1000.0;
            Canvas.save();
            QRegion outside(ARect);
            outside -= range;
            Canvas.setClipRegion(outside);
            PaintLoudnessEnvelope(Canvas, inner, *data, 0, to, QColor(0xB8, 0xC2, 0xD8),
                                  QColor(0x70, 0x80, 0xA8));
            Canvas.setClipRect(range);
            PaintLoudnessEnvelope(Canvas, inner, *data, 0, to, QColor(0x58, 0x70, 0xFF),
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

void TMainFrm::StartPointBtnMouseMove(Qt::MouseButtons Shift, int X, int) {
    if (!IsIdle() || !(Shift & Qt::LeftButton))
        return;
    if (FDurationMs <= 0)
        return;
    FActiveMarker = 0;
    const int newLeft = StartPointBtn->x() + X;
    const int offset = newLeft - (TrackBar->x() + FTrackMargin);
    if (offset < 0)
        return;
    const int32_t t = PixelToTime(offset);
    if (t > FEndMs - 1000)
        return;
    StartPointBtn->move(newLeft, StartPointBtn->y());
    FStartMs = t;
    TrackBar->setPosition(t);
    TrackBar->setSelStart(t);
    TrackBar->update();
    ShowRangeInfo();
}

void TMainFrm::EndPointBtnMouseMove(Qt::MouseButtons Shift, int X, int) {
    if (!IsIdle() || !(Shift & Qt::LeftButton))
        return;
    FActiveMarker = 1;
    if (FDurationMs <= 0)
        return;
    const int newLeft = EndPointBtn->x() + X;
    const int offset = newLeft + EndPointBtn->width() - (TrackBar->x() + FTrackMargin);
    const int32_t t = PixelToTime(offset);
    if (t < FStartMs + 1000 || t > TrackBar->maximum())
        return;
    EndPointBtn->move(newLeft, EndPointBtn->y());
    FEndMs = t;
    TrackBar->setPosition(t);
    TrackBar->setSelEnd(t);
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
