#include "ui/skin/time_overview.h"

#include "ui/skin/skin_style.h"
#include "ui/skin/track_bar.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>

TTimeOverview::TTimeOverview(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

void TTimeOverview::setTrackBar(TTrackBar* bar) {
    if (FBar)
        disconnect(FBar, nullptr, this, nullptr);
    FBar = bar;
    if (bar)
        connect(bar, &TTrackBar::displayChanged, this, qOverload<>(&QWidget::update));
    update();
}

QSize TTimeOverview::sizeHint() const {
    return QSize(250, 8);
}

QRect TTimeOverview::barRect() const {
    // Lined up with the track bar's channel when both have the same width.
    const int inset = FBar ? FBar->channelRect().left() : 8;
    return QRect(inset, 0, std::max(0, width() - 2 * inset), height());
}

int TTimeOverview::xOf(int position) const {
    const QRect r = barRect();
    if (!FBar || FBar->maximum() <= FBar->minimum())
        return r.left();
    const qint64 range = qint64(FBar->maximum()) - FBar->minimum();
    return r.left() + int((qint64(position) - FBar->minimum()) * r.width() / range);
}

int TTimeOverview::positionAt(int x) const {
    const QRect r = barRect();
    if (!FBar || r.width() <= 0)
        return 0;
    const qint64 range = qint64(FBar->maximum()) - FBar->minimum();
    const qint64 offset = std::clamp(x - r.left(), 0, r.width());
    return FBar->minimum() + int((offset * range + r.width() / 2) / r.width());
}

void TTimeOverview::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = barRect();
    p.fillRect(r, QColor(0xF4, 0xF6, 0xFC));
    if (FBar && FBar->maximum() > FBar->minimum()) {
        if (FBar->selEnd() > FBar->selStart()) {
            const int x1 = xOf(FBar->selStart()), x2 = xOf(FBar->selEnd());
            p.fillRect(QRect(x1, r.top() + 2, std::max(1, x2 - x1), r.height() - 4),
                       QColor(0xA8, 0xB8, 0xF4));
        }
        p.setPen(QColor(0xD0, 0x60, 0x00));
        for (int t : FBar->tickTimes())
            p.drawLine(xOf(t), r.top() + 1, xOf(t), r.bottom() - 1);
        p.setPen(QColor(0x20, 0x20, 0x20));
        const int px = xOf(FBar->position());
        p.drawLine(px, r.top(), px, r.bottom());
        // The part the track bar shows; only worth a frame when it is not all of it.
        if (FBar->zoomed()) {
            const int v1 = xOf(FBar->viewFrom());
            const int v2 = std::max(v1 + 3, xOf(FBar->viewTo()));
            const QRect view(v1, r.top(), v2 - v1, r.height());
            QColor shade = SkinMainColor();
            shade.setAlpha(70);
            p.fillRect(view, shade);
            p.setPen(SkinMainColor().darker(140));
            p.drawRect(view.adjusted(0, 0, -1, -1));
        }
    }
    p.setPen(QColor(0x9A, 0xA6, 0xC6));
    p.drawRect(r.adjusted(0, 0, -1, -1));
}

void TTimeOverview::DragTo(int x) {
    if (!FBar)
        return;
    const int span = FBar->viewTo() - FBar->viewFrom();
    const int from = positionAt(x) - FGrab;
    FBar->setView(from, from + span);
}

void TTimeOverview::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !FBar || !isEnabled())
        return QWidget::mousePressEvent(e);
    const int x = int(e->position().x());
    const int t = positionAt(x);
    const int span = FBar->viewTo() - FBar->viewFrom();
    // Grabbing the frame keeps the pointer where it took it; elsewhere the frame centres.
    if (t >= FBar->viewFrom() && t <= FBar->viewTo())
        FGrab = t - FBar->viewFrom();
    else
        FGrab = span / 2;
    FDragging = true;
    DragTo(x);
}

void TTimeOverview::mouseMoveEvent(QMouseEvent* e) {
    if (!FDragging)
        return QWidget::mouseMoveEvent(e);
    DragTo(int(e->position().x()));
}

void TTimeOverview::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !FDragging)
        return QWidget::mouseReleaseEvent(e);
    FDragging = false;
}

void TTimeOverview::wheelEvent(QWheelEvent* e) {
    if (!FBar)
        return QWidget::wheelEvent(e);
    if (e->modifiers() & Qt::ControlModifier) {
        // Around the time under the pointer: where that time is on the track bar.
        const int t = positionAt(int(e->position().x()));
        const int x = t >= FBar->viewFrom() && t <= FBar->viewTo() ? FBar->xOf(t) : -1;
        const QPoint local(x, FBar->channelRect().center().y());
        QWheelEvent copy(local, FBar->mapToGlobal(QPointF(local)), e->pixelDelta(), e->angleDelta(),
                         e->buttons(), e->modifiers(), e->phase(), e->inverted());
        QApplication::sendEvent(FBar, &copy);
        e->setAccepted(copy.isAccepted());
        return;
    }
    QWheelEvent copy(QPointF(-1, -1), e->globalPosition(), e->pixelDelta(), e->angleDelta(),
                     e->buttons(), e->modifiers(), e->phase(), e->inverted());
    QApplication::sendEvent(FBar, &copy);
    e->setAccepted(copy.isAccepted());
}
