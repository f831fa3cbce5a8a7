#pragma once

#include <cstdint>
#include <vector>

// A FLAC frame's number, rewritten: frames that separate encoders made (each numbering its
// own from 0) become one stream's. The number is coded in the frame's header in FLAC's
// UTF-8-like form, so its length may change; the header's CRC-8 and the frame's CRC-16 are
// computed anew. Any thread.

// The number a fixed-blocksize frame's header holds, or -1 when Frame is no such frame.
int64_t FlacFrameNumber(const std::vector<uint8_t>& Frame);
// Gives the frame the number; false (the frame untouched) when it is no fixed-blocksize frame.
bool SetFlacFrameNumber(std::vector<uint8_t>& Frame, int64_t Number);
