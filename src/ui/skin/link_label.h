#pragma once

// A clickable text: blue, underlined, hand cursor. GUI thread only.

#include <QLabel>

class TLinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit TLinkLabel(QWidget* parent = nullptr);
    explicit TLinkLabel(const QString& text, QWidget* parent = nullptr);

signals:
    // Left button pressed and released over the label.
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    bool FPressed = false;
};
