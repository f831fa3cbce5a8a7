#pragma once

// One audio stream of a DVD title as one continuous sound, on the title's one clock
// (TDvdTimeline): sample 0 is the sound at the title's first picture, as a player presents
// it, and sample n plays n samples later, on every stream of the title. Sound muxed ahead
// of that picture (the previous title's, when the title starts inside a VOB ID, or an
// encoder's padding) belongs to no sample of the title, so the title lasts what its cells
// say and each chapter from its first picture to the next one's. Each segment of the title
// (cells whose timestamps continue) is decoded as a stream of its own, exactly as a plain
// file holding it would be, and the segments are joined by the time line: a segment's sound
// fills its stretch of the line from its first picture on, is cut where the next segment
// begins, and silence fills what it lacks. So the join has neither gaps nor overlaps and
// every sample of the title has one place.
//
// MakeAudioStream makes one for a whole-title locator ("dvd:N:/root"); the caller sees the
// stream interface of any source. Its streams are numbered by their MPEG ids, in the IFO's
// order (ListAudioTracks).
//
// Threads: as TMediaAudioStream, one thread at a time.

#include "media/media_audio_stream.h"
#include "media/media_input.h"

#include <memory>
#include <vector>

class TFileAudioStream;

class TDvdTitleAudio : public TMediaAudioStream {
public:
    explicit TDvdTitleAudio(QString locator);
    ~TDvdTitleAudio() override;

    // Opens stream `streamId` (an MPEG id; -1: the title's first that can be played).
    media::TMediaResult Open(int streamId = -1) override;
    void Close() override;
    bool IsOpen() const override { return FInfo && FFormat.sampleRate > 0; }

    int StreamIndex() const override { return FStreamId; }
    const std::vector<TMediaTrackInfo>& Tracks() const override { return FTracks; }
    const TPcmFormat& Format() const override { return FFormat; }
    TMediaTime Duration() const override;
    int64_t DurationSamples() const override { return FEndSample; }
    const std::vector<TSourceChapter>& Chapters() const override;

    media::TMediaResult SeekSample(int64_t sample) override;
    int64_t NextSample() const override { return FNext; }
    // Times of the title and its samples (see above); TimeToSample(SampleToTime(n)) is n.
    TMediaTime SampleToTime(int64_t sample) const override;
    int64_t TimeToSample(TMediaTime time) const override;
    // On the title's samples.
    const TSampleStretches& Holes() const override { return FHoles; }

protected:
    media::TMediaResult ReadFrames(uint8_t* buffer, int64_t wanted, int64_t& first,
                                   int64_t& got) override;

private:
    struct TSegmentSpan {
        int64_t first = 0; // title samples [first, end) belong to the segment
        int64_t end = 0;
        int64_t origin = 0;  // title sample of the segment stream's sample 0
        bool silent = false; // the stream is not in this segment
    };

    media::TMediaResult OpenTitle(int streamId);
    media::TMediaResult OpenSegment(int segment);
    int64_t TicksToSamples(int64_t ticks) const; // 90 kHz ticks
    // Title sample of a segment stream's sample 0, which plays at `startTicks`.
    int64_t Origin(int segment, int64_t startTicks) const;
    int SegmentOf(int64_t sample) const;
    void KeepHoles();

    TPcmFormat FFormat;
    std::shared_ptr<const media::TDvdTitleInfo> FInfo;
    std::vector<TMediaTrackInfo> FTracks;
    int FStreamId = -1;
    std::vector<TSegmentSpan> FSpans;
    int64_t FEndSample = 0;

    std::unique_ptr<TFileAudioStream> FStream; // the segment being read
    int FSegment = -1;
    bool FStreamEnded = false;
    int64_t FNext = 0;       // title sample the next Read delivers first
    TSampleStretches FHoles; // filled stretches, title samples
};
