#include "ui/skin/speed_button.h"

#include "ui/skin/skin_pictures.h"
#include "ui/skin/skin_style.h"

#include <QMouseEvent>
#include <QPainter>

TSpeedButton::TSpeedButton(QWidget* parent) : QToolButton(parent) {
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
}

TSpeedButton::TSpeedButton(const QString& text, const QString& picture, QWidget* parent)
    : TSpeedButton(parent) {
    setText(text);
    if (!picture.isEmpty()) {
        setIcon(SkinIcon(picture));
        setToolButtonStyle(Qt::ToolButtonIconOnly);
    }
}

void TSpeedButton::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        emit doubleClicked();
    QToolButton::mouseDoubleClickEvent(e);
}

void TSpeedButton::paintEvent(QPaintEvent* e) {
    QToolButton::paintEvent(e);
    // A flat button shows no frame of its own: the focus needs one.
    if (hasFocus()) {
        QPainter p(this);
        PaintFocusFrame(p, rect());
    }
}
