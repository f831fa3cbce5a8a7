#pragma once

// FFmpeg's timestamps, in a stream's own time base, as media time (to the nearest unit, as
// av_rescale_q rounds). Any thread.

#include "base/media_time.h"

extern "C" {
#include <libavutil/mathematics.h>
#include <libavutil/rational.h>
}

namespace media {

inline constexpr AVRational kMediaTimeBase{1, int(TMediaTime::kUnitsPerSecond)};

inline TMediaTime StreamTime(int64_t timestamp, AVRational timeBase) {
    return TMediaTime::FromUnits(av_rescale_q(timestamp, timeBase, kMediaTimeBase));
}

} // namespace media
