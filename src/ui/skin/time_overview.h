#pragma once

// A thin strip above a zoomable track bar that shows the whole range at once: the
// selection, the tick times, the position, and a frame around the part the track bar
// shows. Pressing or dragging in it moves that frame (the track bar's view); the wheel
// scrolls it and Ctrl+wheel zooms around the time under the pointer. GUI thread only.

#include <QPointer>
#include <QWidget>

class TTrackBar;

class TTimeOverview : public QWidget {
    Q_OBJECT
public:
    explicit TTimeOverview(QWidget* parent = nullptr);

    // The track bar this strip mirrors and steers.
    void setTrackBar(TTrackBar* bar);
    TTrackBar* trackBar() const { return FBar; }

    // The strip's inner rectangle, which stands for the whole range; and the mapping.
    QRect barRect() const;
    int xOf(int position) const;
    int positionAt(int x) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    void DragTo(int x);

    QPointer<TTrackBar> FBar;
    bool FDragging = false;
    int FGrab = 0; // range units between the view's start and the pointer when grabbed
};
