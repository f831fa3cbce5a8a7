#include "mediagraph/video_renderer_widget.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace media {

TVideoRendererWidget::TVideoRendererWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("VideoRenderer"));
    setWindowTitle(QStringLiteral("ActiveMovie Window"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setAccessibleName(QCoreApplication::translate("TVideoRendererWidget", "Video"));
    resize(240, 180);
}

void TVideoRendererWidget::ShowFrame(const QImage& image, qint64 pts, double displayAspect) {
    FImage = image;
    FPts = pts;
    if (displayAspect > 0)
        FAspect = displayAspect;
    ++FShown;
    update();
}

void TVideoRendererWidget::ClearFrame() {
    FImage = QImage();
    FPts = -1;
    update();
}

QRect TVideoRendererWidget::PictureRect() const {
    const int w = width(), h = height();
    if (w <= 0 || h <= 0)
        return {};
    int pw = w, ph = static_cast<int>(w / FAspect + 0.5);
    if (ph > h) {
        ph = h;
        pw = static_cast<int>(h * FAspect + 0.5);
    }
    return QRect((w - pw) / 2, (h - ph) / 2, pw, ph);
}

void TVideoRendererWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (FImage.isNull()) {
        p.fillRect(rect(), Qt::black);
        return;
    }
    const QRect target = PictureRect();
    // Only the bars are filled; the picture covers the rest.
    const QRegion bars = QRegion(rect()) - QRegion(target);
    for (const QRect& r : bars)
        p.fillRect(r, Qt::black);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.drawImage(target, FImage);
}

bool TVideoRendererWidget::ForwardMouse(QMouseEvent* event) {
    if (!FDrain)
        return false;
    const QPointF global = event->globalPosition();
    QMouseEvent copy(event->type(), FDrain->mapFromGlobal(global), global, event->button(),
                     event->buttons(), event->modifiers());
    QApplication::sendEvent(FDrain, &copy);
    return true;
}

void TVideoRendererWidget::mousePressEvent(QMouseEvent* event) {
    if (!ForwardMouse(event))
        QWidget::mousePressEvent(event);
}

void TVideoRendererWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (!ForwardMouse(event))
        QWidget::mouseReleaseEvent(event);
}

void TVideoRendererWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!ForwardMouse(event))
        QWidget::mouseDoubleClickEvent(event);
}

void TVideoRendererWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!ForwardMouse(event))
        QWidget::mouseMoveEvent(event);
}

void TVideoRendererWidget::wheelEvent(QWheelEvent* event) {
    if (!FDrain)
        return QWidget::wheelEvent(event);
    const QPointF global = event->globalPosition();
    QWheelEvent copy(FDrain->mapFromGlobal(global), global, event->pixelDelta(),
                     event->angleDelta(), event->buttons(), event->modifiers(), event->phase(),
                     event->inverted());
    QApplication::sendEvent(FDrain, &copy);
}

void TVideoRendererWidget::keyPressEvent(QKeyEvent* event) {
    if (!FDrain)
        return QWidget::keyPressEvent(event);
    QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->text(),
                   event->isAutoRepeat(), static_cast<ushort>(event->count()));
    QApplication::sendEvent(FDrain, &copy);
}

void TVideoRendererWidget::keyReleaseEvent(QKeyEvent* event) {
    if (!FDrain)
        return QWidget::keyReleaseEvent(event);
    QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->text(),
                   event->isAutoRepeat(), static_cast<ushort>(event->count()));
    QApplication::sendEvent(FDrain, &copy);
}

void TVideoRendererWidget::contextMenuEvent(QContextMenuEvent* event) {
    if (!FDrain)
        return QWidget::contextMenuEvent(event);
    QContextMenuEvent copy(event->reason(), FDrain->mapFromGlobal(event->globalPos()),
                           event->globalPos(), event->modifiers());
    QApplication::sendEvent(FDrain, &copy);
    event->setAccepted(copy.isAccepted());
}

} // namespace media
