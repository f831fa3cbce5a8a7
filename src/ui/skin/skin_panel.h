#pragma once

// A plain panel with its own background colour that reports mouse moves (the summary
// rows highlight under the mouse). GUI thread only.

#include <QFrame>

class TSkinPanel : public QFrame {
    Q_OBJECT
public:
    explicit TSkinPanel(QWidget* parent = nullptr);

    void setColor(const QColor& color);
    const QColor& color() const { return FColor; }

signals:
    void mouseMoved(int x, int y, Qt::MouseButtons buttons);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    QColor FColor;
};
