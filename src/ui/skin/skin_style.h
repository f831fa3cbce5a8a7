#pragma once

// The program's look: one palette, one stylesheet and the program icon, applied once to
// the application before any window exists. GUI thread only.

#include <QColor>
#include <QString>

class QApplication;
class QPainter;
class QRect;

// The main colour of the program's frames and panels (RGB 95, 127, 237).
inline QColor SkinMainColor() {
    return QColor(95, 127, 237);
}
// Background of the summary rows and their hover highlight.
inline QColor SkinRowColor() {
    return QColor(0xF7, 0xF7, 0xF7);
}
inline QColor SkinRowHighlight() {
    return QColor(0xEA, 0xEA, 0xEA);
}
// Links.
inline QColor SkinLinkColor() {
    return QColor(0, 0, 255);
}

// The dotted frame a control of the skin draws around itself while it has the keyboard
// focus, inside `r`.
void PaintFocusFrame(QPainter& p, const QRect& r);

// The stylesheet shared by every window.
QString SkinStyleSheet();

// Fusion style, the palette, the stylesheet and the window icon for the whole program.
void ApplySkin(QApplication& app);
