#pragma once

// A clickable text: blue, underlined, hand cursor. It is a button to the keyboard: Tab
// reaches it (a click does not take the focus), Enter and Space press it, a focused link
// shows a dotted frame, and an "&" in its caption makes Alt+letter press it (that letter
// gets a second line under it). GUI thread only.

#include <QAbstractButton>

class TLinkLabel : public QAbstractButton {
    Q_OBJECT
public:
    explicit TLinkLabel(QWidget* parent = nullptr);
    explicit TLinkLabel(const QString& text, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
};
