#include "ui/skin/caption_progress_bar.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionProgressBar>

#include <algorithm>

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
    // A long caption (a track list's, another language's) gets a smaller font rather than
    // losing both ends; past the smallest readable one it loses its end, with an ellipsis.
    QString text = shownText();
    const int room = r.width() - 6;
    for (int step = 0; step < 8 && QFontMetrics(f).horizontalAdvance(text) > room; ++step)
        if (f.pointSizeF() > 0)
            f.setPointSizeF(f.pointSizeF() * 0.93);
        else
            f.setPixelSize(std::max(6, f.pixelSize() * 93 / 100));
    text = QFontMetrics(f).elidedText(text, Qt::ElideRight, room);
    p.setFont(f);
    p.setClipRect(QRect(r.left(), r.top(), filled, r.height()));
    p.setPen(Qt::white);
    p.drawText(r, Qt::AlignCenter, text);
    p.setClipRect(QRect(r.left() + filled, r.top(), r.width() - filled, r.height()));
    p.setPen(QColor(0x1D, 0x2A, 0x52));
    p.drawText(r, Qt::AlignCenter, text);
}
