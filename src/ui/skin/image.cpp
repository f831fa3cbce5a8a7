#include "ui/skin/image.h"

#include "ui/skin/skin_pictures.h"

#include <QMouseEvent>
#include <QPainter>

TImage::TImage(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_TranslucentBackground);
}

TImage::TImage(const QString& picture, QWidget* parent) : TImage(parent) {
    setPicture(picture);
}

void TImage::setPicture(const QString& picture, bool fitSize) {
    FPicture = picture;
    if (fitSize && SkinPictureExists(picture))
        setFixedSize(SkinPictureSize(picture));
    update();
}

QSize TImage::sizeHint() const {
    const QSize s = SkinPictureSize(FPicture);
    return s.isValid() ? s : QSize(16, 16);
}

void TImage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    PaintSkinPicture(p, FPicture, rect());
}

void TImage::mouseMoveEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    emit mouseMoved(pos.x(), pos.y(), e->buttons(), e->modifiers());
}

void TImage::mousePressEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    emit mousePressed(pos.x(), pos.y(), e->button());
}
