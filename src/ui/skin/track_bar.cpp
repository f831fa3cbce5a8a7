#include "ui/skin/track_bar.h"

#include "ui/skin/skin_style.h"
#include "ui/skin/track_bar_accessible.h"

#include <QAccessible>

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {
constexpr int ThumbWidth = 11;
constexpr int ChannelInset = 8;       // room for half a thumb at either end of the channel
constexpr double WheelZoomStep = 1.5; // per notch of the wheel
constexpr int WheelScrollParts = 8;   // a notch scrolls this part of the view
} // namespace

TTrackBar::TTrackBar(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus); // the owner handles the keyboard
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    TTrackBarAccessible::Install();
}

QString TTrackBar::valueText(int position) const {
    return FValueText ? FValueText(position) : QString::number(position);
}

void TTrackBar::setMinimum(int value) {
    setRange(value, std::max(value, FMax));
}

void TTrackBar::setMaximum(int value) {
    setRange(std::min(FMin, value), value);
}

void TTrackBar::setRange(int minimum, int maximum) {
    const bool rangeMoved = minimum != FMin || std::max(minimum, maximum) != FMax;
    FMin = minimum;
    FMax = std::max(minimum, maximum);
    FSelStart = std::clamp(FSelStart, FMin, FMax);
    FSelEnd = std::clamp(FSelEnd, FMin, FMax);
    if (rangeMoved) {
        // Another range (another source) starts with all of it in view.
        FViewFrom = FMin;
        FViewTo = FMax;
        emit viewChanged();
    }
    Changed();
    setPosition(FPosition); // clamps, and reports a moved thumb
}

void TTrackBar::setPosition(int value) {
    value = std::clamp(value, FMin, FMax);
    if (value == FPosition)
        return;
    FPosition = value;
    Changed();
    QAccessibleValueChangeEvent moved(this, FPosition); // a screen reader tells the position
    QAccessible::updateAccessibility(&moved);
    emit changed();
}

void TTrackBar::setSelStart(int value) {
    FSelStart = std::clamp(value, FMin, FMax);
    Changed();
    AnnounceRange();
}

void TTrackBar::setSelEnd(int value) {
    FSelEnd = std::clamp(value, FMin, FMax);
    Changed();
    AnnounceRange();
}

void TTrackBar::AnnounceRange() {
    QAccessibleEvent event(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
}

void TTrackBar::Changed() {
    update();
    emit displayChanged();
}

int64_t TTrackBar::MinimumSpan() const {
    const int64_t full = int64_t(FMax) - FMin;
    return std::min(full, std::max<int64_t>(1, int64_t(FMinUnitsPerPixel) * channelRect().width()));
}

void TTrackBar::setView(int from, int to) {
    const int64_t full = int64_t(FMax) - FMin;
    int64_t a = from, b = std::max(from, to);
    int64_t span = std::clamp(b - a, MinimumSpan(), full);
    if (span != b - a) {
        const int64_t middle = a + (b - a) / 2;
        a = middle - span / 2;
    }
    a = std::clamp<int64_t>(a, FMin, int64_t(FMax) - span);
    b = a + span;
    if (a == FViewFrom && b == FViewTo)
        return;
    FViewFrom = int(a);
    FViewTo = int(b);
    Changed();
    emit viewChanged();
}

void TTrackBar::zoomAround(int x, double factor) {
    const QRect ch = channelRect();
    if (ch.width() <= 0 || !(factor > 0))
        return;
    const int64_t full = int64_t(FMax) - FMin;
    const int64_t span = int64_t(FViewTo) - FViewFrom;
    int offset = x - ch.left();
    if (offset < 0 || offset > ch.width())
        offset = ch.width() / 2;
    // The position under the pointer, unrounded, stays under it.
    const double anchor = FViewFrom + double(offset) * double(span) / ch.width();
    const int64_t newSpan =
        std::clamp<int64_t>(std::llround(double(span) * factor), MinimumSpan(), full);
    const int64_t from =
        std::clamp<int64_t>(std::llround(anchor - double(offset) * double(newSpan) / ch.width()),
                            FMin, int64_t(FMax) - newSpan);
    setView(int(from), int(from + newSpan));
}

void TTrackBar::scrollView(int delta) {
    const int64_t span = int64_t(FViewTo) - FViewFrom;
    const int64_t from =
        std::clamp<int64_t>(int64_t(FViewFrom) + delta, FMin, int64_t(FMax) - span);
    setView(int(from), int(from + span));
}

void TTrackBar::setMinimumUnitsPerPixel(int units) {
    FMinUnitsPerPixel = std::max(1, units);
    setView(FViewFrom, FViewTo);
}

double TTrackBar::unitsPerPixel() const {
    const int w = channelRect().width();
    return w > 0 ? double(int64_t(FViewTo) - FViewFrom) / w : 0.0;
}

void TTrackBar::setTickTimes(std::vector<int> times) {
    std::sort(times.begin(), times.end());
    FTickTimes = std::move(times);
    Changed();
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
    // Centred on the thumb while it is no taller; a taller one grows downwards from there.
    const int top = 4 + FThumbLength / 2 - std::min(FChannelHeight, FThumbLength) / 2 + 2;
    return QRect(ChannelInset, top, std::max(0, width() - 2 * ChannelInset), FChannelHeight);
}

int TTrackBar::xOf(int position) const {
    const QRect ch = channelRect();
    const qint64 range = qint64(FViewTo) - FViewFrom;
    if (range <= 0)
        return ch.left();
    return ch.left() + int((qint64(position) - FViewFrom) * ch.width() / range);
}

int TTrackBar::positionAt(int x) const {
    const QRect ch = channelRect();
    if (ch.width() <= 0)
        return FViewFrom;
    const qint64 range = qint64(FViewTo) - FViewFrom;
    const qint64 offset = std::clamp(x - ch.left(), 0, ch.width());
    // Rounded to the nearest position so a click lands where the pointer is.
    return FViewFrom + int((offset * range + ch.width() / 2) / ch.width());
}

QRect TTrackBar::thumbRect() const {
    const int x = xOf(FPosition);
    return QRect(x - ThumbWidth / 2, 2, ThumbWidth, FThumbLength + 6);
}

QRect TTrackBar::ticsRect() const {
    const QRect ch = channelRect();
    return QRect(ch.left(), ch.bottom() + 1, ch.width(), std::max(0, height() - ch.bottom() - 1));
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
    PaintRuler(p);
    PaintTickTimes(p);
    if (FPosition >= FViewFrom && FPosition <= FViewTo) {
        // Through a channel deeper than the thumb, the position goes on as a line.
        const QRect ch = channelRect(), th = thumbRect();
        if (ch.bottom() > th.bottom()) {
            p.setPen(SkinMainColor().darker(130));
            const qreal x = th.left() + ThumbWidth / 2 + 0.5;
            p.drawLine(QPointF(x, th.bottom()), QPointF(x, ch.bottom()));
        }
        PaintPart(p, tbiThumb, th);
    }
    if (hasFocus())
        PaintFocusFrame(p, rect());
}

void TTrackBar::setTimeRuler(bool on) {
    FTimeRuler = on;
    update();
}

QFont TTrackBar::RulerFont() const {
    QFont f = font();
    f.setPointSizeF(f.pointSizeF() > 0 ? f.pointSizeF() * 0.8 : 7);
    return f;
}

std::vector<TRulerMark> TTrackBar::rulerMarks() const {
    if (!FTimeRuler)
        return {};
    const QRect ch = channelRect();
    return RulerMarks(FViewFrom, FViewTo, ch.left(), ch.width(), QFontMetrics(RulerFont()));
}

void TTrackBar::PaintRuler(QPainter& p) {
    const std::vector<TRulerMark> marks = rulerMarks();
    if (marks.empty())
        return;
    const QRect ch = channelRect();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setFont(RulerFont());
    p.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics fm(p.font());
    const int textTop = ch.bottom() + 4;
    for (const TRulerMark& m : marks) {
        p.drawLine(m.x, ch.bottom() + 1, m.x, ch.bottom() + 3);
        // Centred on its time, kept inside the bar at both ends.
        const int w = fm.horizontalAdvance(m.text);
        const int x = std::clamp(m.x - w / 2, 0, std::max(0, width() - w));
        p.drawText(QRect(x, textTop, w, fm.height()), Qt::AlignLeft | Qt::AlignTop, m.text);
    }
    p.restore();
}

void TTrackBar::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    update();
}

void TTrackBar::focusOutEvent(QFocusEvent* e) {
    QWidget::focusOutEvent(e);
    update();
}

void TTrackBar::PaintTickTimes(QPainter& p) {
    if (FTickTimes.empty())
        return;
    // A short stroke from the channel's lower half down to the bottom edge (to the
    // ruler's strokes where it has one, so its labels stay whole), dark enough to stand
    // out on white, on the selection's blue and on a loudness drawing.
    const QRect ch = channelRect();
    const int top = ch.top() + ch.height() / 2;
    const int bottom = FTimeRuler ? ch.bottom() + 3 : height() - 1;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(QColor(0xD0, 0x60, 0x00), 1));
    for (int t : FTickTimes) {
        if (t < FViewFrom || t > FViewTo)
            continue;
        const int x = xOf(t);
        p.drawLine(x, top, x, bottom);
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
    const bool thumbShown = FPosition >= FViewFrom && FPosition <= FViewTo;
    if (thumbShown && th.adjusted(-2, -2, 2, 2).contains(e->position().toPoint())) {
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

void TTrackBar::wheelEvent(QWheelEvent* e) {
    const QPoint angle = e->angleDelta();
    const int delta = angle.y() != 0 ? angle.y() : angle.x();
    if (delta == 0 || FMax <= FMin)
        return QWidget::wheelEvent(e);
    const double notches = delta / 120.0;
    if (e->modifiers() & Qt::ControlModifier) {
        zoomAround(int(e->position().x()), std::pow(WheelZoomStep, -notches));
    } else if (zoomed()) {
        // Forwards (up, or left on a tilting wheel) goes back in time.
        const double span = double(FViewTo) - FViewFrom;
        scrollView(int(std::lround(-notches * span / WheelScrollParts)));
    } else {
        return QWidget::wheelEvent(e); // nothing to scroll
    }
    e->accept();
}

void TTrackBar::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    // A wider channel must not show finer than the finest zoom.
    setView(FViewFrom, FViewTo);
}
