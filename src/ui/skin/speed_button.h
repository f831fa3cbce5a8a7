#pragma once

// A flat button that shows its frame only under the mouse (the "..." beside the file
// edits). Clicks and double clicks both reach the owner. GUI thread only.

#include <QToolButton>

class TSpeedButton : public QToolButton {
    Q_OBJECT
public:
    explicit TSpeedButton(QWidget* parent = nullptr);
    // `picture` may be empty: the button then shows its text.
    TSpeedButton(const QString& text, const QString& picture, QWidget* parent = nullptr);

signals:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
};
