#pragma once

// The chapters a media file's container carries (Matroska, MP4/M4V/M4A/MOV, Ogg, WebM, a
// FLAC cue sheet: whatever FFmpeg's demuxer reports), as the source's chapters: the same
// TSourceChapter a DVD title's are, on the time line ranges and the preview use (time 0 =
// the container's start time, as a player's time display counts). Any thread.

#include "media/source_chapter.h"

#include <vector>

struct AVFormatContext;

namespace media {

// The chapters of an opened file, in time order and numbered from 1, each running to the
// next one's start (as players jump between them) and the last to `end`, the source's end
// (when 0, unknown: to its own end). Marks at or after `end` are dropped, as is a mark at
// the same time as the one before it; a mark before time 0 starts at 0. Titles are the
// container's, without control characters; empty when it gives none.
std::vector<TSourceChapter> ContainerChapters(const AVFormatContext* format, TMediaTime end);

} // namespace media
