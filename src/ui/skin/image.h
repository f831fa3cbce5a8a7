#pragma once

// A picture control: paints one of the program's pictures scaled to its rectangle and
// reports mouse moves with the pointer position and the buttons held (the range markers
// are dragged with it). GUI thread only.

#include <QWidget>

class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent = nullptr);
    TImage(const QString& picture, QWidget* parent = nullptr);

    // Sets the picture (a name of the picture resources) and, when `fitSize`, the
    // control's fixed size to the picture's designed size.
    void setPicture(const QString& picture, bool fitSize = true);
    const QString& picture() const { return FPicture; }

    QSize sizeHint() const override;

signals:
    // x, y relative to the control; buttons and modifier keys held during the move.
    void mouseMoved(int x, int y, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys);
    void mousePressed(int x, int y, Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    QString FPicture;
};
