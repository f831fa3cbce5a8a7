#pragma once

// Where a decode's sample numbering starts, from the timestamps of its first frames.
// Right after a seek into an MPEG program stream the parser gives the torn frame in front
// the container's timestamp and shifts the next ones by a frame, so the number each frame
// implies for the first held sample is a vote, and the majority wins. Only timestamps the
// container wrote vote in earnest; the parser's interpolated ones count only when there are
// no others. A pure function: any thread.

#include <cstdint>
#include <optional>
#include <vector>

struct TAnchorVotes {
    // Source-rate sample numbers of the first held sample, as each frame's timestamp has it,
    // in decoding order.
    std::vector<int64_t> stamped;      // timestamps the container wrote
    std::vector<int64_t> interpolated; // the parser's
};

// What is known besides the votes.
struct TAnchorContext {
    // A count from the start of the file placed the first held sample: no vote needed.
    std::optional<int64_t> forced;
    // Where the stream's first sound was numbered when it was first opened; none then.
    std::optional<int64_t> origin;
    // DVD LPCM: a packet's timestamp belongs to the first access unit its header points at;
    // `lpcmUntrusted` when a packet did not say where that is.
    bool lpcm = false;
    bool lpcmUntrusted = false;
};

struct TAnchor {
    int64_t sample = 0;    // source-rate number of the first held sample
    bool guessed = false;  // no frame had a timestamp: the origin (or 0) stands in
    bool doubtful = false; // LPCM after a seek whose timestamps cannot place the packets
};

// - forced: that number.
// - no vote at all: guessed, the origin (0 before there is one).
// - LPCM when first opened: the first vote (LPCM has no parser to mislabel a first frame,
//   and a stream's first packet starts with an access unit whatever its header says).
// - otherwise the number most votes agree on; with no agreement, the latest vote (of two
//   numbers that agree equally often, the one reaching that count first in order).
// After a seek (an origin known), LPCM is doubtful unless every packet said where its
// access units start and at least two votes all agree.
TAnchor VoteAnchor(const TAnchorVotes& votes, const TAnchorContext& context);
