#pragma once

// Where the sound of a program stream really ends. FFmpeg estimates the length of an MPEG
// program or transport stream from the timestamp of each stream's last packet plus one
// frame; but one packet of MPEG audio carries several frames (three MP2 frames in a VCD's
// packs), so the estimate ends up to a packet early and a ripper that trusts it loses the
// last frames. Reading the file's tail once more, split into frames, gives the end of the
// last one. Threads: any.

#include "media/ffmpeg_ptr.h"

#include <functional>

namespace media {

// Opens the same file once more with the given demuxer; null where it cannot.
using TReopen = std::function<ffmpeg::InputFormatPtr(const AVInputFormat*)>;

// Moves the end of every audio stream of `format` (and the file's duration with it) out to
// the end of its last frame, by opening the file a second time through `reopen` and reading
// its tail; leaves the first context's reading untouched. Does nothing for formats whose
// lengths are not estimated from timestamps, and keeps the estimate where the tail cannot
// be read.
void ExtendToLastFrames(AVFormatContext* format, const TReopen& reopen);

} // namespace media
