#pragma once

// Where the main window was when it closed: its size and place when not maximised, and
// whether it was maximised. Kept in the settings hive beside the other settings (values
// "WindowLeft", "WindowTop", "WindowWidth", "WindowHeight", "WindowMaximized"), read when
// the window is made and written when it closes. GUI thread.

#include <QList>
#include <QRect>
#include <QSize>

struct TWindowPlacement {
    bool valid = false; // false: nothing (usable) was stored
    QRect normal;       // client area in screen coordinates, not maximised
    bool maximized = false;
};

// The stored placement; not valid when a value is missing, of another type or absurd.
TWindowPlacement LoadWindowPlacement();
// Writes the placement; false when the settings key does not open or a write is refused
// (the next start then finds the place saved before, or none).
bool SaveWindowPlacement(const TWindowPlacement& placement);

// The client rectangle to give the window: the stored one when one of `screens`
// (available areas) still shows its top edge well enough to grab the title bar, made no
// larger than that screen and moved wholly onto it; else `fallback`. Never smaller than
// `minimum`.
QRect ChooseWindowRect(const TWindowPlacement& placement, const QList<QRect>& screens,
                       const QSize& minimum, const QRect& fallback);
