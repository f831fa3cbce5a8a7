#pragma once

// Where a DVD is, from whatever path a person gives for it, and the text that names one
// title of it wherever the program passes a source path along (the preview graph, the
// rip's input, the loudness overview). Any thread.

#include <QString>

namespace dvd {

// The root to open with libdvdread for `path`, or an empty text when `path` is no DVD
// and opens as a plain file:
//  - a folder holding a VIDEO_TS folder, or a folder (VIDEO_TS itself) holding IFO files;
//  - a file in a folder that holds IFO files (VIDEO_TS.IFO, VTS_01_0.IFO, VTS_01_1.VOB...);
//    a .vob without IFO files beside it is a plain file;
//  - a disc image (.iso, .img) or a block device (/dev/sr0), whatever it holds: opening
//    it tells whether it is a DVD.
QString DvdRootFor(const QString& path);

// "dvd:N:/root": title N of the DVD at `root` (made absolute); "dvd:N.A:/root" the same
// title in camera angle A (above 1).
QString TitleLocator(const QString& root, int title, int angle = 1);
// Splits a locator (the angle into *angle, 1 when it names none); false for anything else
// (a plain path).
bool ParseTitleLocator(const QString& text, QString& root, int& title, int* angle = nullptr);

} // namespace dvd
