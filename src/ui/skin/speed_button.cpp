#include "ui/skin/speed_button.h"

#include "ui/skin/skin_pictures.h"

#include <QMouseEvent>

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
