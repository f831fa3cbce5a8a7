#include "media/dvd_title_audio.h"

#include "media/audio_track_list.h"
#include "media/dvd/dvd_sector.h"
#include "media/file_audio_stream.h"

#include <QCoreApplication>

extern "C" {
#include <libavutil/mathematics.h>
}

#include <algorithm>
#include <cstring>

using namespace media;

TDvdTitleAudio::TDvdTitleAudio(QString locator) : TMediaAudioStream(std::move(locator)) {}

TDvdTitleAudio::~TDvdTitleAudio() = default;

TMediaResult TDvdTitleAudio::Open(int streamId) {
    Close();
    const TMediaResult result = OpenTitle(streamId);
    if (Failed(result))
        Close();
    return result;
}

void TDvdTitleAudio::Close() {
    FStream.reset();
    FFormat = {};
    FInfo.reset();
    FTracks.clear();
    FStreamId = -1;
    FSpans.clear();
    FEndSample = 0;
    FSegment = -1;
    FStreamEnded = false;
    FNext = 0;
    FHoles.clear();
}

const std::vector<TSourceChapter>& TDvdTitleAudio::Chapters() const {
    static const std::vector<TSourceChapter> none;
    return FInfo ? FInfo->timeline.Chapters() : none;
}

TMediaResult TDvdTitleAudio::OpenTitle(int streamId) {
    TMediaInput input;
    TMediaResult result = OpenMediaInput(FSource, input);
    if (Failed(result))
        return result;
    if (!input.dvd || input.dvd->segment >= 0)
        return E_INVALIDARG;
    FInfo = input.dvd;
    FTracks = ListInputTracks(input);
    input.format.reset();
    const auto chosen = std::find_if(FTracks.begin(), FTracks.end(), [&](const TMediaTrackInfo& t) {
        return t.unavailable.isEmpty() && (streamId < 0 || t.streamIndex == streamId);
    });
    if (chosen == FTracks.end())
        return MS_E_NOSTREAM;
    FStreamId = chosen->streamIndex;

    // The first segment that holds the stream fixes the format of the whole title.
    const std::vector<TDvdSegment>& segments = FInfo->timeline.Segments();
    FSpans.assign(segments.size(), TSegmentSpan());
    int opened = -1;
    for (int s = 0; s < int(segments.size()) && opened < 0; ++s) {
        result = OpenSegment(s);
        if (Failed(result))
            return result;
        if (FStream)
            opened = s;
    }
    if (opened < 0)
        return MS_E_NOSTREAM;
    FFormat = FStream->Format();
    const int64_t start = FStream->StartTime().To90kHz();
    for (size_t s = 0; s < segments.size(); ++s)
        FSpans[s].first = s == 0 ? 0 : TicksToSamples(segments[s].start);
    FEndSample = TicksToSamples(FInfo->timeline.Duration());
    for (size_t s = 0; s < segments.size(); ++s)
        FSpans[s].end = s + 1 < segments.size() ? FSpans[s + 1].first : FEndSample;
    // Its origin, now that the rate is known.
    FSpans[size_t(opened)].origin = Origin(opened, start);
    return SeekSample(0);
}

TMediaResult TDvdTitleAudio::OpenSegment(int segment) {
    FStream.reset();
    FSegment = segment;
    FStreamEnded = false;
    TSegmentSpan& span = FSpans[size_t(segment)];
    if (span.silent)
        return S_OK;
    auto stream = std::make_unique<TFileAudioStream>(
        DvdSegmentLocator(FInfo->root, FInfo->title.number, FInfo->title.angle, segment));
    stream->SetOutputFormat(FFormat.sampleRate > 0 ? FFormat : FWanted);
    stream->SetInterruptFlag(FInterrupt);
    const TMediaResult result = stream->Open(FStreamId);
    if (result == MS_E_NOSTREAM) {
        span.silent = true; // this stretch of the title has no such stream: silence
        return S_OK;
    }
    if (Failed(result)) {
        FSegment = -1;
        return result;
    }
    if (FFormat.sampleRate > 0) {
        span.origin = Origin(segment, stream->StartTime().To90kHz());
    }
    FStream = std::move(stream);
    return S_OK;
}

int64_t TDvdTitleAudio::TicksToSamples(int64_t ticks) const {
    // Through the 100-ns time a caller would give for the same point (the nearest one),
    // and on to its sample as TimeToSample finds it, so a range set at a chapter's start
    // begins on the very sample where the segment does.
    return TimeToSample(TMediaTime::From90kHz(ticks));
}

int64_t TDvdTitleAudio::Origin(int segment, int64_t startTicks) const {
    // Where the sound is, to the nearest sample (a typed time is rounded up instead; the two
    // meet where the disc's times are whole samples, as its pictures' are). The first
    // segment's sound usually starts before 0: that much of it is decoded and left out.
    const int64_t time = FInfo->timeline.TitleTime(segment, startTicks);
    return av_rescale_rnd(time, FFormat.sampleRate, dvd::kClockRate, AV_ROUND_NEAR_INF);
}

int64_t TDvdTitleAudio::TimeToSample(TMediaTime time) const {
    if (FFormat.sampleRate <= 0 || time <= TMediaTime())
        return 0;
    return time.ToSample(FFormat.sampleRate);
}

TMediaTime TDvdTitleAudio::SampleToTime(int64_t sample) const {
    if (FFormat.sampleRate <= 0 || sample <= 0)
        return {};
    return TMediaTime::FromSample(sample, FFormat.sampleRate);
}

int TDvdTitleAudio::SegmentOf(int64_t sample) const {
    int segment = 0;
    for (int s = 1; s < int(FSpans.size()); ++s)
        if (FSpans[size_t(s)].first <= sample)
            segment = s;
    return segment;
}

TMediaTime TDvdTitleAudio::Duration() const {
    return FInfo ? TMediaTime::From90kHz(FInfo->timeline.Duration()) : TMediaTime();
}

TMediaResult TDvdTitleAudio::ReadFrames(uint8_t* buffer, int64_t wanted, int64_t& first,
                                        int64_t& got) {
    const int align = FFormat.BlockAlign();
    const uint8_t silence = FFormat.bitsPerSample == 8 ? 0x80 : 0;
    first = FNext;
    while (got < wanted && FNext < FEndSample) {
        const int segment = SegmentOf(FNext);
        if (segment != FSegment) {
            if (TMediaResult opened = OpenSegment(segment); Failed(opened))
                return opened;
        }
        const TSegmentSpan& span = FSpans[size_t(segment)];
        uint8_t* out = buffer + got * align;
        int64_t room = std::min(wanted - got, span.end - FNext);
        const int64_t local = FNext - span.origin;
        const int64_t next = FStream && !FStreamEnded ? FStream->NextSample() : local + room;
        if (local < next) { // before the segment's sound starts, or after it ended
            const int64_t n = std::min(room, next - local);
            std::memset(out, silence, size_t(n * align));
            got += n;
            FNext += n;
            continue;
        }
        TMediaReadInfo part;
        if (local > next) {
            // A freshly opened segment starts a little before the title needs it (its
            // sound's lead): decode and drop that much rather than seek.
            const int64_t skip = local - next;
            if (skip > room) {
                if (TMediaResult sought = FStream->SeekSample(local); Failed(sought))
                    return sought;
                continue;
            }
            room = skip;
        }
        const TMediaResult result = FStream->Read(out, uint32_t(room * align), part);
        if (result == MS_S_ENDOFSTREAM) {
            FStreamEnded = true;
            continue;
        }
        if (Failed(result))
            return result;
        KeepHoles();
        if (local > next)
            continue; // dropped
        got += part.frames;
        FNext += part.frames;
    }
    return S_OK;
}

void TDvdTitleAudio::KeepHoles() {
    const TSegmentSpan& span = FSpans[size_t(FSegment)];
    for (const auto& [first, end] : FStream->Holes()) {
        const int64_t from = std::max(first + span.origin, span.first);
        const int64_t to = std::min(end + span.origin, span.end);
        if (from < to && std::none_of(FHoles.begin(), FHoles.end(),
                                      [&](const auto& h) { return h.first == from; }))
            FHoles.emplace_back(from, to);
    }
}

TMediaResult TDvdTitleAudio::SeekSample(int64_t sample) {
    if (!IsOpen())
        return MS_E_NOTINIT;
    FNext = std::max<int64_t>(sample, 0);
    if (FNext >= FEndSample)
        return S_OK;
    const int segment = SegmentOf(FNext);
    if (segment != FSegment) {
        if (TMediaResult opened = OpenSegment(segment); Failed(opened))
            return opened;
    }
    if (!FStream)
        return S_OK;
    const int64_t local = FNext - FSpans[size_t(segment)].origin;
    FStreamEnded = false;
    if (local != FStream->NextSample())
        return FStream->SeekSample(std::max<int64_t>(local, 0));
    return S_OK;
}
