#pragma once

#include "audio/mp3_segment_joiner.h"
#include "audio/output_file.h"
#include "audio/rip_plan.h"

#include <cstdint>
#include <vector>

// One job's MP3 file, written as its segments are joined: ID3v2 tag, information frame,
// carrier frames, the joined audio frames from the job's first kept frame to the last its
// range needs, ID3v1 tag. The information frame is written last, in place, with the frame
// and byte counts, the seek table, the CRCs and the delay and padding that make a decoder
// give exactly the range's samples; only then is the file renamed into place.
//
// Threads: one thread at a time (the rip's coordinator).
class TMp3JobStream {
public:
    // Creates the job's temporary file and writes the ID3v2 tag (EAudioException when it
    // cannot).
    TMp3JobStream(const TRipJob& Job, const TRipGrid& Grid, bool ConstantBitRate,
                  std::vector<uint8_t> Id3v2, std::vector<uint8_t> Id3v1);

    // Adds the next segment; the first brings the information frame its encoder wrote for
    // its own stream (empty where it wrote none). False when the segment cannot follow the
    // earlier one (nothing changed then).
    bool Add(TMp3SegmentJoiner::TSegment&& Segment, const std::vector<uint8_t>& InfoFrame = {});
    bool Started() const { return FStarted; }
    // Ends the stream for a range of Frames samples and renames the file into place. A plain
    // stream takes the encoder's own Delay and Padding instead.
    void Finish(int64_t Frames, int PlainDelay = 0, int PlainPadding = 0);
    // Gives up the file.
    void Discard() noexcept { FFile.Discard(); }

    const std::vector<TMp3SegmentJoiner::TSeam>& Seams() const { return FJoiner.Seams(); }
    int Carriers() const { return FJoiner.Carriers(); }

private:
    void WriteFinished();

    TRipJob FJob;
    TRipGrid FGrid;
    bool FConstant;
    std::vector<uint8_t> FId3v2, FId3v1, FInfo;
    TMp3SegmentJoiner FJoiner;
    TOutputFile FFile;
    bool FStarted = false;
    int64_t FInfoAt = 0;
    uint32_t FAudioBytes = 0;
    uint16_t FMusicCrc = 0;
    std::vector<uint8_t> FBytes;
};
