#pragma once

#include <cstdint>

// One stretch of an input's run, read on its own: what a parallel encoder's pool threads
// read, each its own part. Delivers the same PCM (format and samples) that the input's
// ReadData would deliver for those frames.
//
// Threads: made on any thread, then used by one thread at a time.
class TAudioPartReader {
public:
    virtual ~TAudioPartReader() = default;
    // Copies at most Frames frames into Buffer; answers the count, 0 when the part is over.
    // Raises the input's errors.
    virtual int Read(void* Buffer, int Frames) = 0;
};
