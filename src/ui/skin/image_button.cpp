#include "ui/skin/image_button.h"

#include "ui/skin/skin_style.h"

#include "ui/skin/skin_pictures.h"

#include <QMouseEvent>
#include <QPainter>

TImageButton::TImageButton(QWidget* parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus); // the main window keeps the keyboard for its shortcuts
}

TImageButton::TImageButton(const QString& picture, const QString& hint, QWidget* parent)
    : TImageButton(parent) {
    setPicture(picture);
    setHint(hint);
}

void TImageButton::setPicture(const QString& picture) {
    FPicture = picture;
    updateGeometry();
    update();
}

QSize TImageButton::sizeHint() const {
    const QSize s = SkinPictureSize(FPicture);
    return s.isValid() ? s : QSize(24, 24);
}

void TImageButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QRectF r = rect();
    if (isEnabled() && isDown())
        r.translate(0, 1); // a pressed button sinks by one pixel
    PaintSkinPicture(p, FPicture, r, isEnabled() ? 1.0 : 0.35);
    if (isEnabled() && (FHover || isDown())) {
        // A light veil on hover, a darker one while pressed; follows the picture's own
        // shape only loosely, which is enough for round and square pictures alike.
        p.setPen(Qt::NoPen);
        p.setBrush(isDown() ? QColor(0, 0, 40, 45) : QColor(255, 255, 255, 60));
        const qreal radius = qMin(r.width(), r.height()) / 5.0;
        p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    }
    if (hasFocus())
        PaintFocusFrame(p, rect());
}

void TImageButton::mousePressEvent(QMouseEvent* e) {
    QAbstractButton::mousePressEvent(e);
    if (e->button() == Qt::LeftButton && isEnabled()) {
        FDown = true;
        emit mouseDown();
    }
}

void TImageButton::mouseReleaseEvent(QMouseEvent* e) {
    QAbstractButton::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton && FDown) {
        FDown = false;
        emit mouseUp();
    }
}

void TImageButton::enterEvent(QEnterEvent* e) {
    FHover = true;
    update();
    QAbstractButton::enterEvent(e);
}

void TImageButton::leaveEvent(QEvent* e) {
    FHover = false;
    update();
    QAbstractButton::leaveEvent(e);
}

void TImageButton::changeEvent(QEvent* e) {
    // A button disabled or hidden while held gets no release: end the press here so a
    // repeating action started on mouse-down always stops.
    if (e->type() == QEvent::EnabledChange && !isEnabled() && FDown) {
        FDown = false;
        emit mouseUp();
    }
    QAbstractButton::changeEvent(e);
}
