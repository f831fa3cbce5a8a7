#pragma once

// Helpers shared by the media layer's tests.

#include "media/media_audio_stream.h"

#include <QString>

#include <cstdint>
#include <vector>

struct TDecodedRun {
    media::TMediaResult result = media::S_OK; // last result (MS_S_ENDOFSTREAM when complete)
    int64_t firstSample = 0;
    std::vector<uint8_t> bytes;
    bool continuous = true; // every Read started where the one before ended
};

// Reads until the end of the stream (or `maxFrames`) in blocks of `chunk` bytes.
TDecodedRun ReadAll(TMediaAudioStream& stream, uint32_t chunk = 32768,
                    int64_t maxFrames = INT64_MAX);

// Interleaved 16-bit samples of a run (8-bit runs are widened to 16 bits).
std::vector<int16_t> AsS16(const TDecodedRun& run, int bitsPerSample);
