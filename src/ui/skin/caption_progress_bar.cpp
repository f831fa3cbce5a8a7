#include "ui/skin/caption_progress_bar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionProgressBar>

TCaptionProgressBar::TCaptionProgressBar(QWidget* parent) : QProgressBar(parent) {
    setTextVisible(false); // painted here instead, in two colours
    setMinimumHeight(20);
}

void TCaptionProgressBar::setCaption(const QString& caption) {
    if (caption == FCaption)
        return;
    FCaption = caption;
    update();
}

QString TCaptionProgressBar::shownText() const {
    if (!FCaption.isEmpty())
        return FCaption;
    const qint64 range = qint64(maximum()) - minimum();
    if (range <= 0)
        return QStringLiteral("0 %");
    return QStringLiteral("%1 %").arg((qint64(value()) - minimum()) * 100 / range);
}

void TCaptionProgressBar::paintEvent(QPaintEvent* e) {
    QProgressBar::paintEvent(e);
    QPainter p(this);
    const QRect r = rect();
    const qint64 range = qint64(maximum()) - minimum();
    const int filled = range > 0 ? int((qint64(value()) - minimum()) * r.width() / range) : 0;
    QFont f = font();
    f.setBold(true);
    p.setFont(f);
    const QString text = shownText();
    p.setClipRect(QRect(r.left(), r.top(), filled, r.height()));
    p.setPen(Qt::white);
    p.drawText(r, Qt::AlignCenter, text);
    p.setClipRect(QRect(r.left() + filled, r.top(), r.width() - filled, r.height()));
    p.setPen(QColor(0x1D, 0x2A, 0x52));
    p.drawText(r, Qt::AlignCenter, text);
}
