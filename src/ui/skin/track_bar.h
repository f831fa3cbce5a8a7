#pragma once

// A horizontal track bar over an integer range (the main window uses milliseconds):
// minimum, maximum, position, a selection start and end, a change signal, dragging and
// clicking (a double click reports its position), and a custom-draw hook asked before each part
// (tics, channel, thumb) is painted.
//
// The channel shows a view of the range, the whole of it unless zoomed: Ctrl+wheel zooms
// around the pointer, the wheel scrolls a zoomed view, and the owner may set the view
// (setView, zoomAround, scrollView, showAll). A view never shows less than
// minimumUnitsPerPixel per pixel of the channel. Tick times (chapters) are drawn below
// the channel wherever they fall in the view, whatever the custom drawing does.
// GUI thread only.

#include "ui/skin/time_ruler.h"

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

    // How a position reads aloud and in the accessible value (the owner's time text);
    // the number itself by default.
    void setValueText(std::function<QString(int)> text) { FValueText = std::move(text); }
    QString valueText(int position) const;

    // Geometry of the parts (widget coordinates). The channel's left edge is the inset of
    // position `minimum` from the widget's left edge.
    QRect channelRect() const;
    QRect thumbRect() const;
    QRect ticsRect() const;
    // Position under the x coordinate, clamped to the range.
    int positionAt(int x) const;
    // x coordinate of a position on the channel.
    int xOf(int position) const;

    // The visible part of the range: [viewFrom, viewTo], the whole range unless zoomed.
    int viewFrom() const { return FViewFrom; }
    int viewTo() const { return FViewTo; }
    bool zoomed() const { return FViewFrom > FMin || FViewTo < FMax; }
    // Shows [from, to] as far as the range and the finest zoom allow (kept inside the
    // range, widened around its middle when too narrow); viewChanged() when it moved.
    void setView(int from, int to);
    // Zooms by `factor` (< 1 in, > 1 out) keeping the position under channel x `x` where it
    // is; a pointer outside the channel zooms around the view's middle.
    void zoomAround(int x, double factor);
    void scrollView(int delta);
    void showAll() { setView(FMin, FMax); }
    // Range units per channel pixel at the finest zoom (10 by default: 10 ms).
    void setMinimumUnitsPerPixel(int units);
    int minimumUnitsPerPixel() const { return FMinUnitsPerPixel; }
    // Range units one channel pixel stands for in the view.
    double unitsPerPixel() const;

    // Positions marked with a tick below the channel (chapters), drawn at every zoom.
    void setTickTimes(std::vector<int> times);
    const std::vector<int>& tickTimes() const { return FTickTimes; }

    // A ruler of labelled times under the channel (the range in milliseconds), at every
    // zoom; the bar needs room for it below the channel.
    void setTimeRuler(bool on);
    bool timeRuler() const { return FTimeRuler; }
    // What the ruler shows for the present view (empty without one).
    std::vector<TRulerMark> rulerMarks() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void changed();
    // A double click with the left button, at this position.
    void doubleClicked(int position);
    // The view was zoomed or scrolled (also when a new range resets it).
    void viewChanged();
    // Anything shown changed: range, position, selection, view or ticks (for a widget
    // that mirrors this one).
    void displayChanged();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    void DefaultDraw(QPainter& p, TTrackBarItem item, const QRect& r);
    void PaintPart(QPainter& p, TTrackBarItem item, const QRect& r);
    void PaintTickTimes(QPainter& p);
    void PaintRuler(QPainter& p);
    QFont RulerFont() const;
    void Changed();
    void AnnounceRange(); // the selection's ends, to a screen reader
    int64_t MinimumSpan() const;

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
    int FViewFrom = 0;
    int FViewTo = 10;
    int FMinUnitsPerPixel = 10;
    std::vector<int> FTickTimes;
    TTrackBarCustomDraw FOnCustomDraw;
    std::function<QString(int)> FValueText;
    bool FTimeRuler = false;
};
