#include "ui/skin/track_bar.h"

#include "ui/skin/skin_style.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {
constexpr int ThumbWidth = 11;
constexpr int ChannelInset = 8; // room for half a thumb at either end of the channel
} // namespace

TTrackBar::TTrackBar(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus); // the owner handles the keyboard
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TTrackBar::setMinimum(int value) {
    setRange(value, std::max(value, FMax));
}

void TTrackBar::setMaximum(int value) {
    setRange(std::min(FMin, value), value);
}

void TTrackBar::setRange(int minimum, int maximum) {
    FMin = minimum;
    FMax = std::max(minimum, maximum);
    FSelStart = std::clamp(FSelStart, FMin, FMax);
    FSelEnd = std::clamp(FSelEnd, FMin, FMax);
    update();
    setPosition(FPosition); // clamps, and reports a moved thumb
}

void TTrackBar::setPosition(int value) {
    value = std::clamp(value, FMin, FMax);
    if (value == FPosition)
        return;
    FPosition = value;
    update();
    emit changed();
}

void TTrackBar::setSelStart(int value) {
    FSelStart = std::clamp(value, FMin, FMax);
    update();
}

void TTrackBar::setSelEnd(int value) {
    FSelEnd = std::clamp(value, FMin, FMax);
    update();
}

void TTrackBar::setMarks(std::vector<int> positions) {
    FMarks = std::move(positions);
    update();
}

void TTrackBar::setThumbLength(int pixels) {
    FThumbLength = std::max(6, pixels);
    updateGeometry();
    update();
}

void TTrackBar::setTicksVisible(bool visible) {
    FTicks = visible;
    updateGeometry();
    update();
}

QSize TTrackBar::sizeHint() const {
    return QSize(250, FThumbLength + 12 + (FTicks ? 6 : 0));
}

QSize TTrackBar::minimumSizeHint() const {
    return QSize(2 * ChannelInset + 10, sizeHint().height());
}

void TTrackBar::setChannelHeight(int pixels) {
    FChannelHeight = std::max(2, pixels);
    update();
}

QRect TTrackBar::channelRect() const {
    const int top = 4 + FThumbLength / 2 - FChannelHeight / 2 + 2;
    return QRect(ChannelInset, top, std::max(0, width() - 2 * ChannelInset), FChannelHeight);
}

int TTrackBar::xOf(int position) const {
    const QRect ch = channelRect();
    const qint64 range = qint64(FMax) - FMin;
    if (range <= 0)
        return ch.left();
    return ch.left() + int((qint64(position) - FMin) * ch.width() / range);
}

int TTrackBar::positionAt(int x) const {
    const QRect ch = channelRect();
    if (ch.width() <= 0)
        return FMin;
    const qint64 range = qint64(FMax) - FMin;
    const qint64 offset = std::clamp(x - ch.left(), 0, ch.width());
    // Rounded to the nearest position so a click lands where the pointer is.
    return FMin + int((offset * range + ch.width() / 2) / ch.width());
}

QRect TTrackBar::thumbRect() const {
    const int x = xOf(FPosition);
    return QRect(x - ThumbWidth / 2, 2, ThumbWidth, FThumbLength + 6);
}

QRect TTrackBar::ticsRect() const {
    const QRect ch = channelRect();
    const QRect th = thumbRect();
    return QRect(ch.left(), th.bottom() + 1, ch.width(), std::max(0, height() - th.bottom() - 1));
}

void TTrackBar::PaintPart(QPainter& p, TTrackBarItem item, const QRect& r) {
    bool defaultDraw = !FOnCustomDraw;
    if (FOnCustomDraw) {
        p.save();
        FOnCustomDraw(*this, item, r, p, defaultDraw);
        p.restore();
    }
    if (defaultDraw)
        DefaultDraw(p, item, r);
}

void TTrackBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    PaintPart(p, tbiTics, ticsRect());
    PaintPart(p, tbiChannel, channelRect());
    PaintMarks(p);
    PaintPart(p, tbiThumb, thumbRect());
}

void TTrackBar::PaintMarks(QPainter& p) {
    if (FMarks.empty())
        return;
    const QRect ch = channelRect();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    for (const int mark : FMarks) {
        if (mark < FMin || mark > FMax)
            continue;
        const int x = xOf(mark);
        // Dark enough on white, the range's blue and the overview's greys alike.
        p.setPen(QColor(0x20, 0x20, 0x50, 0xC0));
        p.drawLine(x, ch.top() + 1, x, ch.bottom() - 1);
        p.setPen(QColor(0x30, 0x3C, 0x70));
        p.drawLine(x, ch.bottom() + 1, x, std::min(height() - 1, ch.bottom() + 4));
    }
    p.restore();
}

void TTrackBar::DefaultDraw(QPainter& p, TTrackBarItem item, const QRect& r) {
    switch (item) {
    case tbiTics: {
        if (!FTicks)
            return;
        p.setPen(QColor(0x8C, 0x96, 0xB0));
        for (int i = 0; i <= 10; ++i) {
            const int x = r.left() + r.width() * i / 10;
            p.drawLine(x, r.top() + 1, x, r.top() + 4);
        }
        return;
    }
    case tbiChannel: {
        p.setPen(QColor(0x9A, 0xA6, 0xC6));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
        if (FSelEnd > FSelStart) {
            const int x1 = xOf(FSelStart), x2 = xOf(FSelEnd);
            p.fillRect(QRect(x1, r.top() + 1, x2 - x1, r.height() - 2), SkinMainColor());
        }
        return;
    }
    case tbiThumb: {
        // A small shield pointing down at the position, in the main colour.
        const QRectF t = QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath path;
        const qreal tip = t.height() * 0.28;
        path.moveTo(t.left() + 2, t.top());
        path.lineTo(t.right() - 2, t.top());
        path.quadTo(t.right(), t.top(), t.right(), t.top() + 2);
        path.lineTo(t.right(), t.bottom() - tip);
        path.lineTo(t.center().x(), t.bottom());
        path.lineTo(t.left(), t.bottom() - tip);
        path.lineTo(t.left(), t.top() + 2);
        path.quadTo(t.left(), t.top(), t.left() + 2, t.top());
        QLinearGradient g(t.topLeft(), t.bottomLeft());
        const QColor base = isEnabled() ? SkinMainColor() : QColor(0xB4, 0xBC, 0xD2);
        g.setColorAt(0, base.lighter(135));
        g.setColorAt(1, FDragging ? base.darker(125) : base);
        p.setPen(QPen(base.darker(150), 1));
        p.setBrush(g);
        p.drawPath(path);
        return;
    }
    }
}

void TTrackBar::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !isEnabled())
        return QWidget::mousePressEvent(e);
    const int x = e->position().toPoint().x();
    const QRect th = thumbRect();
    if (th.adjusted(-2, -2, 2, 2).contains(e->position().toPoint())) {
        FDragOffset = x - (th.left() + ThumbWidth / 2);
    } else {
        // A click elsewhere jumps there and goes on dragging from the pointer.
        FDragOffset = 0;
        setPosition(positionAt(x));
    }
    FDragging = true;
    update();
}

void TTrackBar::mouseMoveEvent(QMouseEvent* e) {
    if (!FDragging)
        return QWidget::mouseMoveEvent(e);
    setPosition(positionAt(e->position().toPoint().x() - FDragOffset));
}

void TTrackBar::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !isEnabled())
        return QWidget::mouseDoubleClickEvent(e);
    emit doubleClicked(positionAt(e->position().toPoint().x()));
}

void TTrackBar::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !FDragging)
        return QWidget::mouseReleaseEvent(e);
    FDragging = false;
    update();
}
