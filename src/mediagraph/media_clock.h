#pragma once

// The time line of one graph: the stream clock, the graph's run state, and the epoch
// that every seek starts (frames of an older epoch are dropped). The clock is a system
// clock; when an audio device plays, the audio renderer corrects it so the picture
// follows the sound. A new epoch holds the clock until its first picture (the preroll)
// is on screen, so a seek never runs ahead of the picture.
//
// Shared by the graph (any thread calling IMediaControl / IMediaSeeking) and its
// streaming threads; every member is thread-safe.

#include "mediagraph/media_types.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace media {

class TMediaClock {
public:
    enum Stream : unsigned { stVideo = 0, stAudio = 1 };

    // Stream time now, in 100-ns units from the start of the source.
    REFERENCE_TIME Now() const;
    bool Running() const;

    // --- graph side ---
    void SetState(FILTER_STATE state);
    FILTER_STATE State() const;
    // Starts a new epoch at target (a seek): the clock holds at target until prerolled.
    int NewEpoch(REFERENCE_TIME target);
    // Which streams play (bit per Stream) and which one's first frame is the preroll.
    void SetStreams(unsigned mask, Stream prerollStream);
    void SetRate(double rate);
    double Rate() const;
    // Called once per epoch, outside any lock, when every stream has played to its end.
    void SetCompleteHandler(std::function<void()> handler);
    // Waits until the current epoch is prerolled; false on time-out.
    bool WaitPrerolled(long msTimeout) const;
    bool Prerolled() const;
    // Ends every wait for good (the graph's threads are stopping).
    void Shutdown();
    // The threads are stopped; the time line may be used for a new source.
    void Restart();

    // --- streaming side ---
    int Epoch() const;
    REFERENCE_TIME Target() const;
    bool IsCurrent(int epoch) const;
    bool IsPrerolled(int epoch) const;
    void MarkPrerolled(int epoch, Stream stream);
    void MarkEndOfStream(int epoch, Stream stream);
    // Blocks until the clock reaches t; false when the epoch changed or the graph stops.
    bool WaitUntil(REFERENCE_TIME t, int epoch) const;
    // Sleeps up to ms unless the epoch changes or the graph stops; false in that case.
    bool Sleep(int ms, int epoch) const;
    // Slews the clock toward t when it drifted more than tolerance (the sound heard is
    // the master).
    void Correct(REFERENCE_TIME t, REFERENCE_TIME tolerance);

private:
    using Steady = std::chrono::steady_clock;
    REFERENCE_TIME NowLocked() const;
    void StartLocked();
    void FreezeLocked();

    mutable std::mutex FLock;
    mutable std::condition_variable FChanged;
    REFERENCE_TIME FBase = 0;
    Steady::time_point FStart;
    Steady::time_point FLastCorrection;
    bool FRunning = false;
    double FRate = 1.0;
    FILTER_STATE FState = FILTER_STATE::State_Stopped;
    int FEpoch = 0;
    REFERENCE_TIME FTarget = 0;
    bool FPrerolled = false;
    bool FShutdown = false;
    unsigned FStreams = 0;
    Stream FPrerollStream = stVideo;
    unsigned FEnded = 0;
    bool FCompleteSent = false;
    std::function<void()> FComplete;
};

} // namespace media
