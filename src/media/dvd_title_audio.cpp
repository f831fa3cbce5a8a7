#include "media/dvd_title_audio.h"

#include "media/dvd/dvd_sector.h"

#include <QCoreApplication>

extern "C" {
#include <libavutil/mathematics.h>
}

#include <algorithm>
#include <cstring>

using namespace media;

namespace {

constexpr int64_t kTicksPerSecond = 10'000'000; // 100-ns units

} // namespace

TDvdTitleAudio::TDvdTitleAudio(const TPcmFormat& wanted) : FWanted(wanted) {}

TDvdTitleAudio::~TDvdTitleAudio() = default;

std::vector<TMediaTrackInfo> TDvdTitleAudio::ListTracks(const TMediaInput& input) {
    std::vector<TMediaTrackInfo> tracks;
    if (!input.dvd || !input.format)
        return tracks;
    const int64_t duration = input.format->duration > 0 ? input.format->duration * 10 : 0;
    for (const TDvdAudioStream& audio : input.dvd->title.audio) {
        // A stream that cannot be played keeps its place: the list is numbered as the disc.
        TMediaTrackInfo track;
        track.language = audio.language;
        track.codec = audio.codec;
        track.channels = audio.channels;
        track.sampleRate = audio.sampleRate;
        const int index = audio.available ? FindStream(input, audio.streamId) : -1;
        const AVCodecParameters* par =
            index >= 0 ? input.format->streams[index]->codecpar : nullptr;
        if (!par || par->codec_type != AVMEDIA_TYPE_AUDIO) {
            track.streamIndex = -2; // opens nothing
            track.unavailable =
                audio.available
                    ? QCoreApplication::translate("Dvd", "the title's sound does not carry it")
                    : QCoreApplication::translate("Dvd", "the disc marks it unavailable");
            tracks.push_back(track);
            continue;
        }
        track.streamIndex = audio.streamId;
        track.codec = QString::fromUtf8(avcodec_get_name(par->codec_id));
        track.language = audio.language;
        track.channels =
            par->ch_layout.nb_channels > 0 ? par->ch_layout.nb_channels : audio.channels;
        track.sampleRate = par->sample_rate > 0 ? par->sample_rate : audio.sampleRate;
        track.duration = duration;
        tracks.push_back(track);
    }
    return tracks;
}

TMediaResult TDvdTitleAudio::Open(const QString& locator, int streamId) {
    TMediaInput input;
    TMediaResult result = OpenMediaInput(locator, input);
    if (Failed(result))
        return result;
    if (!input.dvd || input.dvd->segment >= 0)
        return E_INVALIDARG;
    FInfo = input.dvd;
    FTracks = ListTracks(input);
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
    const int64_t start =
        av_rescale_rnd(FStream->StartTime(), dvd::kClockRate, kTicksPerSecond, AV_ROUND_NEAR_INF);
    if (opened == 0) {
        // More sound than a second ahead of the picture is a damaged stamp, not a lead.
        const int64_t lead = av_rescale_rnd(-FInfo->timeline.TitleTime(0, start),
                                            FFormat.sampleRate, dvd::kClockRate, AV_ROUND_NEAR_INF);
        FLead = lead > 0 && lead <= FFormat.sampleRate ? lead : 0;
    }
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
    auto stream = std::make_unique<TMediaAudioStream>();
    stream->SetOutputFormat(FFormat.sampleRate > 0 ? FFormat : FWanted);
    stream->SetInterruptFlag(FInterrupt);
    const TMediaResult result =
        stream->Open(DvdSegmentLocator(FInfo->root, FInfo->title.number, segment), FStreamId);
    if (result == MS_E_NOSTREAM) {
        span.silent = true; // this stretch of the title has no such stream: silence
        return S_OK;
    }
    if (Failed(result)) {
        FSegment = -1;
        return result;
    }
    if (FFormat.sampleRate > 0) {
        const int64_t start = av_rescale_rnd(stream->StartTime(), dvd::kClockRate, kTicksPerSecond,
                                             AV_ROUND_NEAR_INF);
        span.origin = Origin(segment, start);
    }
    FStream = std::move(stream);
    return S_OK;
}

int64_t TDvdTitleAudio::TicksToSamples(int64_t ticks) const {
    // Through the 100-ns time a caller would give for the same point (the nearest one),
    // and on to its sample as TimeToSample finds it, so a range set at a chapter's start
    // begins on the very sample where the segment does.
    return TimeToSample(DvdClockTo100ns(ticks));
}

int64_t TDvdTitleAudio::Origin(int segment, int64_t startTicks) const {
    // Where the sound is, to the nearest sample (a typed time is rounded up instead; the two
    // meet where the disc's times are whole samples, as its pictures' are).
    const int64_t time = FInfo->timeline.TitleTime(segment, startTicks);
    return av_rescale_rnd(time, FFormat.sampleRate, dvd::kClockRate, AV_ROUND_NEAR_INF) + FLead;
}

int64_t TDvdTitleAudio::TimeToSample(int64_t time) const {
    if (FFormat.sampleRate <= 0 || time <= 0)
        return 0;
    return av_rescale_rnd(time, FFormat.sampleRate, kTicksPerSecond, AV_ROUND_UP) + FLead;
}

int64_t TDvdTitleAudio::SampleToTime(int64_t sample) const {
    if (FFormat.sampleRate <= 0 || sample <= FLead)
        return 0;
    return av_rescale_rnd(sample - FLead, kTicksPerSecond, FFormat.sampleRate, AV_ROUND_DOWN);
}

int TDvdTitleAudio::SegmentOf(int64_t sample) const {
    int segment = 0;
    for (int s = 1; s < int(FSpans.size()); ++s)
        if (FSpans[size_t(s)].first <= sample)
            segment = s;
    return segment;
}

int64_t TDvdTitleAudio::Duration() const {
    return FInfo ? DvdClockTo100ns(FInfo->timeline.Duration()) : 0;
}

TMediaResult TDvdTitleAudio::Read(uint8_t* buffer, uint32_t size, TMediaReadInfo& info) {
    info = {};
    if (!FInfo || FFormat.sampleRate <= 0)
        return MS_E_NOTINIT;
    if (!buffer)
        return E_POINTER;
    const int align = FFormat.BlockAlign();
    const int64_t wanted = int64_t(size) / align;
    if (wanted <= 0)
        return E_INVALIDBUFFERSIZE;
    const uint8_t silence = FFormat.bitsPerSample == 8 ? 0x80 : 0;
    const int64_t first = FNext;
    int64_t got = 0;
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
    if (got == 0) {
        info.firstSample = FNext;
        info.startTime = info.endTime = SampleToTime(FNext);
        return MS_S_ENDOFSTREAM;
    }
    info.bytes = uint32_t(got * align);
    info.frames = got;
    info.firstSample = first;
    info.startTime = SampleToTime(first);
    info.endTime = SampleToTime(first + got);
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
    if (!FInfo || FFormat.sampleRate <= 0)
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
