#include "ui/skin/skin_panel.h"

#include "ui/skin/skin_style.h"

#include <QMouseEvent>
#include <QPainter>

TSkinPanel::TSkinPanel(QWidget* parent) : QFrame(parent), FColor(SkinRowColor()) {
    setMouseTracking(true);
}

void TSkinPanel::setColor(const QColor& color) {
    if (color == FColor)
        return;
    FColor = color;
    update();
}

void TSkinPanel::paintEvent(QPaintEvent* e) {
    {
        QPainter p(this);
        p.fillRect(rect(), FColor);
    }
    QFrame::paintEvent(e);
}

void TSkinPanel::mouseMoveEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    emit mouseMoved(pos.x(), pos.y(), e->buttons());
    QFrame::mouseMoveEvent(e);
}
