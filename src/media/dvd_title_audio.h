#pragma once

// One audio stream of a DVD title as one continuous sound. Times are the title's
// (TDvdTimeline: 0 is its first picture); samples count from the title's first sound, which
// is usually a few milliseconds earlier (LeadSamples). Time 0 stands for that first sound,
// so a rip of the whole title, or of its first chapter, keeps all of it, and any later time
// (a chapter's start as the disc gives it) is the sample at that picture. Each segment of the title
// (cells whose timestamps continue) is decoded as a stream of its own, exactly as a plain file
// holding it would be, and the segments are joined by the time line: a segment's sound fills its
// stretch of the line from its first picture on, is cut where the next segment begins, and silence
// fills what it lacks. So the join has neither gaps nor overlaps and every sample of the title has
// one place.
//
// TMediaAudioStream hands a whole-title locator to this class; the caller sees the same
// stream interface either way.
//
// Threads: as TMediaAudioStream, one thread at a time.

#include "media/media_audio_stream.h"
#include "media/media_input.h"

#include <atomic>
#include <memory>
#include <utility>
#include <vector>

class TDvdTitleAudio {
public:
    explicit TDvdTitleAudio(const TPcmFormat& wanted);
    ~TDvdTitleAudio();

    // The title's audio streams present in its program stream, in the title's order, with
    // the IFO's languages; streamIndex is the stream's MPEG id.
    static std::vector<TMediaTrackInfo> ListTracks(const media::TMediaInput& input);

    // Opens the title `locator` names and its stream `streamId` (-1: the title's first),
    // and decodes up to its first sound.
    media::TMediaResult Open(const QString& locator, int streamId);

    // Passed on to every segment's stream (see TMediaAudioStream::SetInterruptFlag).
    void SetInterruptFlag(const std::atomic<bool>* flag) { FInterrupt = flag; }

    int StreamId() const { return FStreamId; }
    const std::vector<TMediaTrackInfo>& Tracks() const { return FTracks; }
    const TPcmFormat& Format() const { return FFormat; }
    TMediaTime Duration() const;
    int64_t DurationSamples() const { return FEndSample; }
    int64_t LeadSamples() const { return FLead; }
    // Times of the title and its samples (see above); TimeToSample(SampleToTime(n)) is n
    // from the first picture on.
    int64_t TimeToSample(TMediaTime time) const;
    TMediaTime SampleToTime(int64_t sample) const;
    const TDvdTimeline& Timeline() const { return FInfo->timeline; }

    media::TMediaResult Read(uint8_t* buffer, uint32_t size, TMediaReadInfo& info);
    media::TMediaResult SeekSample(int64_t sample);
    int64_t NextSample() const { return FNext; }
    // As TMediaAudioStream::Holes, on the title's samples.
    const std::vector<std::pair<int64_t, int64_t>>& Holes() const { return FHoles; }

private:
    struct TSegmentSpan {
        int64_t first = 0; // title samples [first, end) belong to the segment
        int64_t end = 0;
        int64_t origin = 0;  // title sample of the segment stream's sample 0
        bool silent = false; // the stream is not in this segment
    };

    media::TMediaResult OpenSegment(int segment);
    int64_t TicksToSamples(int64_t ticks) const; // 90 kHz ticks
    // Title sample of a segment stream's sample 0, which plays at `startTicks`.
    int64_t Origin(int segment, int64_t startTicks) const;
    int SegmentOf(int64_t sample) const;
    void KeepHoles();

    TPcmFormat FWanted;
    TPcmFormat FFormat;
    std::shared_ptr<const media::TDvdTitleInfo> FInfo;
    std::vector<TMediaTrackInfo> FTracks;
    int FStreamId = -1;
    std::vector<TSegmentSpan> FSpans;
    int64_t FEndSample = 0;
    int64_t FLead = 0; // samples of sound before the first picture

    std::unique_ptr<TMediaAudioStream> FStream; // the segment being read
    int FSegment = -1;
    bool FStreamEnded = false;
    int64_t FNext = 0;                               // title sample the next Read delivers first
    std::vector<std::pair<int64_t, int64_t>> FHoles; // filled stretches, title samples
    const std::atomic<bool>* FInterrupt = nullptr;
};
