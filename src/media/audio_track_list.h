#pragma once

// The audio streams a source offers, as the user chooses among them (--list-tracks, the
// window's audio choice): a file's in stream order, a DVD title's as its IFO numbers them.
// TMediaAudioStream::ListAudioTracks lists a source by its name; the streams list an input
// they have opened. Any thread.

#include "media/media_audio_stream.h"
#include "media/media_input.h"

#include <vector>

namespace media {

// The audio streams of an opened input (a file, a DVD title or one of its segments).
std::vector<TMediaTrackInfo> ListInputTracks(const TMediaInput& input);

// A text the file gives (a title, a language), as a list or a menu may show it: no control
// characters, no spaces at either end; empty when it gives none.
QString MetadataText(const AVDictionary* metadata, const char* key);

// Where a stream's sound ends, counted from the container's start (0 when unknown): what a
// rip of the whole source delivers. A file cut short, or a stream that stops before the
// pictures do, ends before the container's length says.
TMediaTime StreamDuration(const AVFormatContext* input, const AVStream* stream);

} // namespace media
