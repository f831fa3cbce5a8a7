#include "ui/skin/link_label.h"

#include "ui/skin/skin_style.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyle>

#include <algorithm>

namespace {
constexpr int Margin = 2; // room for the focus frame around the text

// The caption as shown, and the position of its accelerator letter (-1: none). "&&" is
// a plain "&".
QString ShownText(const QString& caption, int* accelerator) {
    QString shown;
    *accelerator = -1;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size()) {
            ++i;
            if (caption[i] != u'&' && *accelerator < 0)
                *accelerator = int(shown.size());
        }
        shown += caption[i];
    }
    return shown;
}
} // namespace

TLinkLabel::TLinkLabel(QWidget* parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, SkinLinkColor());
    pal.setColor(QPalette::ButtonText, SkinLinkColor());
    setPalette(pal);
}

TLinkLabel::TLinkLabel(const QString& text, QWidget* parent) : TLinkLabel(parent) {
    setText(text);
}

QSize TLinkLabel::sizeHint() const {
    int accelerator;
    const QFontMetrics fm(font());
    return QSize(fm.horizontalAdvance(ShownText(text(), &accelerator)) + 2 * Margin,
                 fm.height() + 2 * Margin);
}

void TLinkLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setFont(font());
    const QColor ink =
        isEnabled() ? SkinLinkColor() : palette().color(QPalette::Disabled, QPalette::WindowText);
    p.setPen(ink);
    int accelerator;
    const QString shown = ShownText(text(), &accelerator);
    const QFontMetrics fm(font());
    const QRect area = rect().adjusted(Margin, 0, -Margin, 0);
    const QRect textRect = QStyle::alignedRect(
        layoutDirection(), Qt::AlignLeft | Qt::AlignVCenter,
        QSize(std::min(fm.horizontalAdvance(shown), area.width()), fm.height()), area);
    p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    if (accelerator >= 0) {
        // The whole caption is underlined already: the accelerator gets a second line.
        const int x = textRect.left() + fm.horizontalAdvance(shown.left(accelerator));
        const int y = textRect.top() + fm.ascent() + fm.underlinePos() + 2;
        p.drawLine(x, y, x + fm.horizontalAdvance(shown[accelerator]) - 1, y);
    }
    if (hasFocus()) {
        QPen dotted(ink, 1, Qt::DotLine);
        p.setPen(dotted);
        p.drawRect(textRect.adjusted(-Margin, 0, Margin - 1, -1)
                       .intersected(rect().adjusted(0, 0, -1, -1)));
    }
}

void TLinkLabel::keyPressEvent(QKeyEvent* e) {
    // A button takes Space by itself; a link is also followed with Enter.
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
        !(e->modifiers() & ~Qt::KeypadModifier)) {
        e->accept();
        click();
        return;
    }
    QAbstractButton::keyPressEvent(e);
}
