#pragma once

// The video renderer's own window: paints the last decoded picture letter-boxed at the
// stream's display aspect ratio on black, and forwards mouse, wheel and key input to
// the message drain when one is set. Its object name "VideoRenderer" plays the part of
// the window class. GUI thread only (frames arrive as queued calls).

#include <QImage>
#include <QPointer>
#include <QWidget>

namespace media {

class TVideoRendererWidget final : public QWidget {
    Q_OBJECT
public:
    explicit TVideoRendererWidget(QWidget* parent = nullptr);

    // Shows a picture; pts in 100-ns units; displayAspect = width / height on screen.
    void ShowFrame(const QImage& image, qint64 pts, double displayAspect);
    void ClearFrame();
    bool HasFrame() const { return !FImage.isNull(); }
    qint64 FrameTime() const { return FPts; }
    QImage Frame() const { return FImage; }
    double DisplayAspect() const { return FAspect; }
    int FramesShown() const { return FShown; }
    // Where the picture lands inside the widget (letter-boxed).
    QRect PictureRect() const;

    void SetMessageDrain(QWidget* drain) { FDrain = drain; }
    QWidget* MessageDrain() const { return FDrain; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool ForwardMouse(QMouseEvent* event);

    QImage FImage;
    qint64 FPts = -1;
    double FAspect = 4.0 / 3.0;
    int FShown = 0;
    QPointer<QWidget> FDrain;
};

} // namespace media
