#pragma once

// One picture of a source's video: the frame shown at a time, as decoded, at full
// resolution and scaled to square pixels by its aspect ratio (a 720x576 frame of a 16:9
// DVD becomes 1024x576), for a cover. Plain files and DVD titles (media_input.h).
//
// Threads: any; no state.

#include "base/media_time.h"

#include <QImage>
#include <QString>

namespace media {

// The frame on screen at `At` (from the source's start); a null image and the reason in
// `Error` when the source has no video or no frame there.
QImage GrabVideoFrame(const QString& Source, TMediaTime At, QString& Error);

} // namespace media
