#include "ui/skin/link_label.h"

#include "ui/skin/skin_style.h"

#include <QMouseEvent>

TLinkLabel::TLinkLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, SkinLinkColor());
    setPalette(pal);
    // The stylesheet of the application must not turn the link black again.
    setStyleSheet(QStringLiteral("color: %1;").arg(SkinLinkColor().name()));
}

TLinkLabel::TLinkLabel(const QString& text, QWidget* parent) : TLinkLabel(parent) {
    setText(text);
}

void TLinkLabel::mousePressEvent(QMouseEvent* e) {
    FPressed = e->button() == Qt::LeftButton;
    QLabel::mousePressEvent(e);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* e) {
    const bool click =
        FPressed && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    FPressed = false;
    QLabel::mouseReleaseEvent(e);
    if (click)
        emit clicked();
}
