#pragma once

#include <cstdint>

// One stretch of an input's time line, read on its own: what the rip engine's pool threads
// read, each its own part. Delivers the PCM (format and samples) that the input's ReadData
// would deliver for those frames, and silence for frames of the stretch before the source's
// first sample, so that frame k of the part is always frame First + k of the time line. A
// count short of what was asked means the source has ended.
//
// Threads: made on any thread, then read by one thread at a time; Interrupt from any thread.
class TAudioPartReader {
public:
    virtual ~TAudioPartReader() = default;
    // Copies at most Frames frames into Buffer; answers the count, 0 when the part is over.
    // Raises the input's errors.
    virtual int Read(void* Buffer, int Frames) = 0;
    // Makes a Read in progress give up soon (it raises); for a run being stopped.
    virtual void Interrupt() {}
};
