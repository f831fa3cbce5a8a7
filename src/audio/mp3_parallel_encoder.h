#pragma once

#include "audio/audio_part_reader.h"
#include "audio/mp3_segment_encoder.h"
#include "audio/mp3_segment_joiner.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Encodes one run on several cores: the range is cut into segments on the MP3 frame grid,
// a pool of threads encodes them (each thread decoding its own part of the source through
// OpenPart and feeding its own encoder, with pre-roll before the segment and overlap after
// it), and the coordinator joins the segments in order into one stream
// (TMp3SegmentJoiner) and hands its bytes on. The stream starts with a placeholder for
// the information frame; InfoFrame gives the real one for the whole stream at the end.
//
// Where two parts meet, both decoded the same stretch (the later one's pre-roll, the
// earlier one's overlap); the sound there must agree, or the source cannot be read in
// parts (its timestamps disagree with its samples, so each seek numbers them differently).
// Then, and when a seam cannot be joined (no cut in the overlap fits), Step answers
// psSeamFailed and the caller encodes the run again with one encoder: a valid file matters
// more than the time.
//
// Threads: made, stepped and destroyed by one thread (the output's worker); the pool's
// threads live from the constructor to Stop or the destructor. DoneFrames may be read from
// any thread.
class TMp3ParallelEncoder {
public:
    using TOpenPart =
        std::function<std::unique_ptr<TAudioPartReader>(int64_t First, int64_t Frames)>;
    struct TSettings {
        // The whole run's encoder settings, without tags (the caller writes those).
        TMp3EncoderSettings Encoder;
        TOpenPart OpenPart;
        // PCM frames of the run as far as the container tells; the last part reads to the
        // true end.
        int64_t Frames = 0;
        int SampleRate = 0;      // of the PCM, which is the MP3's
        int FrameSamples = 1152; // of the MP3
        int Channels = 2;
        int BitsPerSample = 16;
        bool ConstantBitRate = true;
        int Jobs = 2;
    };
    // Frames before a segment (pre-roll), frames after it (overlap, where the cut is
    // chosen), and frames fed beyond the overlap so that its last frames heard the sound.
    static constexpr int PrerollFrames = 16;
    static constexpr int OverlapFrames = 16;
    static constexpr int GuardFrames = 3;
    // PCM frames compared where neighbouring parts meet.
    static constexpr int CheckFrames = 1024;
    // Segments last at least this long, at most the longer one; a run shorter than two of
    // the shortest is not split.
    static constexpr int MinSegmentSeconds = 3;
    static constexpr int MaxSegmentSeconds = 60;

    // Whether a run of Frames at Rate is worth splitting for Jobs threads.
    static bool Worthwhile(int64_t Frames, int Rate, int Jobs);

    // Starts the pool. Raises EAudioException for settings it cannot work with.
    explicit TMp3ParallelEncoder(TSettings Settings);
    ~TMp3ParallelEncoder();
    TMp3ParallelEncoder(const TMp3ParallelEncoder&) = delete;
    TMp3ParallelEncoder& operator=(const TMp3ParallelEncoder&) = delete;

    enum TStepResult { psWorking, psDone, psSeamFailed };
    // Waits up to WaitMs for the next segment, joins what has come and appends the bytes
    // that are final to Out. Raises the first failure of a pool thread.
    TStepResult Step(std::vector<uint8_t>& Out, int WaitMs);
    // Asks the pool to stop and waits for it.
    void Stop() noexcept;

    // Frames of the run encoded so far (pre-roll and overlap not counted).
    int64_t DoneFrames() const { return FDone; }
    int SegmentCount() const { return int(FPlan.size()); }
    // After psDone: the information frame for the whole stream (the same size as the
    // placeholder), or empty when the encoder writes none.
    std::vector<uint8_t> InfoFrame() const;
    const std::vector<TMp3SegmentJoiner::TSeam>& Seams() const { return FJoiner.Seams(); }

private:
    struct TPart {
        int64_t First = 0, Start = 0, End = 0, KeepUntil = 0; // MP3 frames
        int64_t FeedFrom = 0, FeedTo = 0;                     // PCM frames
    };
    struct TSlot {
        bool Done = false;
        // The source ended inside the part (its length was less than the container said).
        bool Short = false;
        // The sound of the CheckFrames before the segment's start and before its end.
        std::vector<uint8_t> Head, Tail;
        TMp3SegmentJoiner::TSegment Segment;
    };
    void Plan();
    bool SameSound(const std::vector<uint8_t>& A, const std::vector<uint8_t>& B) const;
    void Work();
    void EncodePart(size_t Index);

    TSettings FSettings;
    std::vector<TPart> FPlan;
    // Shared with the pool, under FLock.
    std::mutex FLock;
    std::condition_variable FChanged;
    std::vector<TSlot> FSlots;
    size_t FNext = 0;   // next segment a pool thread takes
    size_t FJoined = 0; // segments handed to the joiner
    bool FStop = false;
    std::exception_ptr FFailure;
    std::vector<uint8_t> FInfoTemplate;
    int FEncoderDelay = 0;
    int64_t FEnd = 0; // PCM frames the last part ended at: the run's true length

    std::atomic<int64_t> FDone{0};
    std::vector<std::thread> FPool;

    // The coordinator's own.
    TMp3SegmentJoiner FJoiner;
    std::vector<uint8_t> FTail; // of the part joined last
    uint32_t FAudioBytes = 0;
    uint16_t FMusicCrc = 0;
};
