#pragma once

// A button drawn from one of the program's pictures: a hint, an enabled state, and
// click, mouse-down and mouse-up signals (the fine-adjust buttons repeat between the
// last two). A disabled button shows its picture faded. GUI thread only.

#include <QAbstractButton>

class TImageButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit TImageButton(QWidget* parent = nullptr);
    TImageButton(const QString& picture, const QString& hint, QWidget* parent = nullptr);

    void setPicture(const QString& picture);
    const QString& picture() const { return FPicture; }

    void setHint(const QString& hint) { setToolTip(hint); }
    QString hint() const { return toolTip(); }

    QSize sizeHint() const override;

signals:
    // Left button pressed on the button / released after such a press (inside or not).
    void mouseDown();
    void mouseUp();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    QString FPicture;
    bool FHover = false;
    bool FDown = false;
};
