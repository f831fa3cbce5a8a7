#pragma once

// A horizontal track bar over an integer range (the main window uses milliseconds):
// minimum, maximum, position, a selection start and end, a change signal, dragging and
// clicking, marks at given positions (a DVD's chapter starts), and a custom-draw hook asked
// before each part (tics, channel, thumb) is painted. GUI thread only.

#include <QWidget>

#include <functional>
#include <vector>

enum TTrackBarItem { tbiTics, tbiChannel, tbiThumb };

class QPainter;
class TTrackBar;

// Called before a part is painted, with the part's rectangle and `defaultDraw` preset to
// false: leaving it false means the track bar does not paint the part itself (the hook
// painted it, or it stays empty); setting it true lets the track bar paint it.
using TTrackBarCustomDraw =
    std::function<void(TTrackBar& sender, TTrackBarItem item, const QRect& rect, QPainter& painter,
                       bool& defaultDraw)>;

class TTrackBar : public QWidget {
    Q_OBJECT
public:
    explicit TTrackBar(QWidget* parent = nullptr);

    int minimum() const { return FMin; }
    int maximum() const { return FMax; }
    int position() const { return FPosition; }
    int selStart() const { return FSelStart; }
    int selEnd() const { return FSelEnd; }
    int thumbLength() const { return FThumbLength; }
    bool ticksVisible() const { return FTicks; }

    // The range; the position and selection are kept inside it (which may fire changed()).
    void setMinimum(int value);
    void setMaximum(int value);
    void setRange(int minimum, int maximum);
    // Fires changed() when the position really changes, whoever sets it.
    void setPosition(int value);
    void setSelStart(int value);
    void setSelEnd(int value);
    void setThumbLength(int pixels);
    void setTicksVisible(bool visible);
    // Height of the channel (6 by default); a taller one leaves room for a drawing in it.
    void setChannelHeight(int pixels);
    int channelHeight() const { return FChannelHeight; }

    void setOnCustomDraw(TTrackBarCustomDraw hook) { FOnCustomDraw = std::move(hook); }

    // Marks at these positions: a line across the channel, over whatever the channel's
    // hook painted there, and a tick below it. Empty: none.
    void setMarks(std::vector<int> positions);
    const std::vector<int>& marks() const { return FMarks; }

    // Geometry of the parts (widget coordinates). The channel's left edge is the inset of
    // position `minimum` from the widget's left edge.
    QRect channelRect() const;
    QRect thumbRect() const;
    QRect ticsRect() const;
    // Position under the x coordinate, clamped to the range.
    int positionAt(int x) const;
    // x coordinate of a position on the channel.
    int xOf(int position) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void changed();
    // A double click with the left button, at this position.
    void doubleClicked(int position);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    void DefaultDraw(QPainter& p, TTrackBarItem item, const QRect& r);
    void PaintMarks(QPainter& p);
    void PaintPart(QPainter& p, TTrackBarItem item, const QRect& r);

    int FMin = 0;
    int FMax = 10;
    int FPosition = 0;
    int FSelStart = 0;
    int FSelEnd = 0;
    int FThumbLength = 12;
    bool FTicks = false;
    int FChannelHeight = 6;
    bool FDragging = false;
    int FDragOffset = 0; // pointer x minus thumb centre when the drag began
    TTrackBarCustomDraw FOnCustomDraw;
    std::vector<int> FMarks;
};
