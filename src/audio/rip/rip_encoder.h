#pragma once

#include "audio/loudness/loudness_meter.h"
#include "audio/rip/rip_plan.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

// The one encoder interface of the rip engine. A format (MP3, FLAC, Opus) is a TRipEncoder:
// it says how its stream lies on the input's samples (TRipStreamShape), makes the encoder
// of a segment, the joiner that makes one stream of a run's segments, and the writer of a
// job's file. The engine (TRipExecutor) plans, reads, measures, cuts, renames and reports
// the same way whatever format runs; nothing above it knows which one does.
//
// Threads: a TRipEncoder is made on the main thread and then only read (its factories are
// called from the pool's threads and the coordinator at once). Each object it makes is used
// by one thread at a time: a segment's encoder by the pool thread that took the segment,
// joiners and writers by the coordinator.

// The PCM a run reads: interleaved, 16-bit or packed 24-bit signed integers, or 32-bit float
// (full scale +-1.0).
struct TRipPcmFormat {
    int Channels = 2;
    int BitsPerSample = 16;
    int SampleRate = 44100;
    int FrameBytes() const { return Channels * BitsPerSample / 8; }
};

// What a segment's encoder made: the format's own frames and what its stream tells about
// itself. Handed from a pool thread to the coordinator's joiner.
class TRipEncoded {
public:
    virtual ~TRipEncoded() = default;
};

// One frame of a run's joined stream, numbered on the run's grid; the rest is the format's.
class TRipPacket {
public:
    virtual ~TRipPacket() = default;
    int64_t Index = 0;
};

// One segment's encoder: fed from the segment's first PCM frame (its pre-roll) to its last
// (its overlap), in blocks of at most TRipEncoder::MaxBlockFrames frames.
class TRipSegmentEncoder {
public:
    virtual ~TRipSegmentEncoder() = default;
    // Raises EAudioException when the encoder fails.
    virtual void Encode(const uint8_t* Pcm, int Frames) = 0;
    // The last frames (those from the segment's KeepUntil on are dropped).
    virtual std::unique_ptr<TRipEncoded> Finish() = 0;
};

// Makes one stream of a run's segments, in order: chooses where each later segment's frames
// take over and hands out the joined frames.
class TRipJoiner {
public:
    virtual ~TRipJoiner() = default;
    // False when the segment cannot follow the one before (nothing changes then): the run is
    // encoded again by one encoder.
    virtual bool Add(std::unique_ptr<TRipEncoded> Segment) = 0;
    // Appends the rest of the last segment, up to frame EndFrame of the grid at most.
    virtual void Finish(int64_t EndFrame) = 0;
    // Moves the frames that are final to the end of Out.
    virtual void TakeFinished(std::vector<std::unique_ptr<TRipPacket>>& Out) = 0;
    // The first frame taken from each later segment.
    virtual std::vector<int64_t> Seams() const = 0;
};

// A chapter mark inside a file, in the file's own milliseconds (0 is its first sample).
struct TRipChapterMark {
    uint32_t StartMs = 0, EndMs = 0;
    QString Title;
};

// What a job's file holds besides its sound.
struct TRipJobFile {
    const TRipJob* Job = nullptr;
    const TRipGrid* Grid = nullptr;
    int64_t Start = 0;      // the job's first sample on the grid
    bool TrackGain = false; // room for the loudness values, written at Commit
    bool AlbumGain = false;
    // The cover as the format's files hold it (TRipEncoder::Cover), null for none.
    std::shared_ptr<const std::vector<uint8_t>> Cover;
    std::vector<TRipChapterMark> Chapters;
};

// One job's file: made as a temporary file beside its target, fed the joined frames from
// the first the job's range needs to the last, finished with the range's exact length, and
// renamed into place by Commit, with the loudness values set by then.
class TRipJobWriter {
public:
    virtual ~TRipJobWriter() = default;
    virtual void Add(const TRipPacket& Packet) = 0;
    // Ends the file for a range of Frames samples.
    virtual void Finish(int64_t Frames) = 0;
    virtual void SetTrackGain(const TLoudness& Value) = 0;
    virtual void SetAlbumGain(const TLoudness& Value) = 0;
    virtual void ForgetAlbumGain() = 0;
    // Writes the tags anew with what they now hold and renames the file into place.
    virtual void Commit() = 0;
    // After Commit: writes the tags anew, in place, with what they now hold.
    virtual void RewriteTag() = 0;
    // Gives up the file.
    virtual void Discard() noexcept = 0;
    // Frames before the first one the range needs that the file carries (MP3's carriers).
    virtual int Carriers() const { return 0; }
    // After Finish: the peak of the range's sound as a player decodes the file, where that is
    // not the peak of the samples measured (a lossy file whose tags hold a peak: MP3); -1
    // where the measured samples' peak stands (FLAC holds them exactly; Opus files hold no
    // peak, only gains).
    virtual double DecodedPeak() const { return -1; }
};

// A format of the rip engine.
class TRipEncoder {
public:
    // Blocks fed to a segment's encoder are at most this many frames.
    static constexpr int MaxBlockFrames = 4096;

    virtual ~TRipEncoder() = default;
    // The file name extension of the format, ".mp3".
    virtual QString Extension() const = 0;
    // Checks the settings against the input (EAudioException with the reason when they do
    // not fit: an input format the encoder cannot take, a bit rate the sample rate cannot
    // carry) and answers where the stream lies on the input's samples. Loudness: the files
    // get loudness values (a format whose files hold a decoded peak has its segments' encoders
    // decode what they made, on their threads). Called once, on the rip's coordinator, before
    // anything else.
    virtual TRipStreamShape Prepare(const TRipPcmFormat& Input, bool Loudness) = 0;
    // A segment's encoder: Segment.First is the grid frame of the first sample fed,
    // [Start, End) the frames the segment stands for; frames from KeepUntil on are dropped
    // (none of a run's last segment). An encoder that waits for another segment's gives up
    // once Stop is set.
    virtual std::unique_ptr<TRipSegmentEncoder>
    SegmentEncoder(const TRipSegment& Segment, const std::atomic<bool>& Stop) const = 0;
    virtual std::unique_ptr<TRipJoiner> Joiner() const = 0;
    // The front cover (a JPEG) as the format's files hold it, made once for every file of a
    // list (a cover may be megabytes; the files share it rather than each holding it); null
    // for none.
    virtual std::shared_ptr<const std::vector<uint8_t>>
    Cover(const std::vector<uint8_t>& Jpeg) const = 0;
    // Creates the job's temporary file and writes its head (EAudioException when it cannot).
    virtual std::unique_ptr<TRipJobWriter> JobWriter(const TRipJobFile& File) const = 0;
};
