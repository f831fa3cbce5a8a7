#pragma once

// Where a decoder delivers its frames: the renderers. Called on the decoder's thread;
// Receive may block until the frame's time (that is how the renderers pace playback).

#include "media/ffmpeg_ptr.h"
#include "mediagraph/media_types.h"

namespace media {

class IFrameSink {
public:
    virtual ~IFrameSink() = default;
    // pts and duration in 100-ns units from the start of the source.
    virtual void Receive(const AVFrame* frame, REFERENCE_TIME pts, REFERENCE_TIME duration,
                         int epoch) = 0;
    // Every frame of this epoch has been delivered.
    virtual void EndOfStream(int epoch) = 0;
};

} // namespace media
