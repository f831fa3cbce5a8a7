#pragma once

#include "audio/layer3/layer3_frame.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Splits an encoder's Layer III output into frames and gathers each frame's main data
// out of the bit reservoir, following main_data_begin back into earlier frames' slots.
// A leading "Xing"/"Info" frame is counted in InfoFrames and left out, as decoders leave
// it out, and so is the first frame when PlaceholderFirst says the encoder reserved it for
// its information tag (it is blank until the tag is written); anything that is not a
// well-formed frame, or a frame that points before the stream's start, is an error.
//
// Threads: one thread at a time.
class TLayer3FrameReader {
public:
    // Appends output bytes; the frames they complete go to Frames.
    void Append(const uint8_t* Data, size_t Size);
    // Called after the encoder's last bytes: any bytes left over are an error.
    void Finish();

    // Set before the first Append.
    bool PlaceholderFirst = false;
    std::vector<TLayer3Frame> Frames;
    // Empty while the stream is sound; the first fault otherwise (no more frames follow).
    std::string Error;
    int InfoFrames = 0;

private:
    bool TakeFrame();

    std::vector<uint8_t> FPending;
    size_t FPendingStart = 0;
    // The last slots of the stream, enough for any main_data_begin.
    std::vector<uint8_t> FSlots;
    bool FFirst = true;
};
