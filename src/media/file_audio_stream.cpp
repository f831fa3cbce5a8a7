#include "media/media_audio_stream.h"

#include "media/dvd_title_audio.h"
#include "media/media_input.h"
#include "media/packet_length.h"
#include "media/pcm_converter.h"
#include "media/stream_time.h"

extern "C" {
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
}

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <numeric>

using namespace media;

namespace {

// Safety limits against damaged files and misbehaving decoders: a read never spins
// for ever on input that yields nothing.
constexpr int kMaxDecodeErrorsInRow = 200;
constexpr int kMaxStalledReads = 1000;
constexpr int kMaxFramesPerPacket = 4096;

constexpr size_t kAnchorVotes = 3;
// The longest stretch filled with silence where a stream of unknown length has no sound.
constexpr int64_t kMaxHoleSeconds = 600;
// Frames without a timestamp of their own held while a one-frame gap is in doubt.
constexpr size_t kMaxDoubtFrames = 16;

int Interrupted(void* flag) {
    return flag && static_cast<const std::atomic<bool>*>(flag)->load(std::memory_order_relaxed);
}

// Where the stream's sound ends, counted from the container's start (0 when unknown): what
// a rip of the whole source delivers. A file cut short, or a stream that stops before the
// pictures do, ends before the container's length says.
TMediaTime StreamDuration(const AVFormatContext* input, const AVStream* stream) {
    const TMediaTime container = input->duration != AV_NOPTS_VALUE && input->duration > 0
                                     ? TMediaTime::FromMicroseconds(input->duration)
                                     : TMediaTime();
    if (stream->duration == AV_NOPTS_VALUE || stream->duration <= 0)
        return container;
    TMediaTime end = StreamTime(stream->duration, stream->time_base);
    if (stream->start_time != AV_NOPTS_VALUE && input->start_time != AV_NOPTS_VALUE)
        end += StreamTime(stream->start_time, stream->time_base) -
               TMediaTime::FromMicroseconds(input->start_time);
    return container > TMediaTime() ? std::min(container, end) : end;
}

std::vector<TMediaTrackInfo> CollectTracks(const AVFormatContext* input) {
    std::vector<TMediaTrackInfo> tracks;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVStream* stream = input->streams[i];
        const AVCodecParameters* par = stream->codecpar;
        if (par->codec_type != AVMEDIA_TYPE_AUDIO)
            continue;
        TMediaTrackInfo track;
        track.streamIndex = int(i);
        track.codec = QString::fromUtf8(avcodec_get_name(par->codec_id));
        if (const AVDictionaryEntry* lang = av_dict_get(stream->metadata, "language", nullptr, 0))
            track.language = QString::fromUtf8(lang->value);
        track.channels = par->ch_layout.nb_channels;
        track.sampleRate = par->sample_rate;
        track.duration = StreamDuration(input, stream);
        tracks.push_back(track);
    }
    return tracks;
}

bool IsEightBit(int format) {
    return format == AV_SAMPLE_FMT_U8 || format == AV_SAMPLE_FMT_U8P;
}

AVSampleFormat SampleFormatOfWidth(int bitsPerSample) {
    switch (bitsPerSample) {
    case 8:
        return AV_SAMPLE_FMT_U8;
    case 32:
        return AV_SAMPLE_FMT_FLT;
    default:
        return AV_SAMPLE_FMT_S16;
    }
}

// `samples` of silence in the format of `like`; null when it cannot be made.
ffmpeg::FramePtr SilenceLike(const AVFrame* like, int64_t samples) {
    ffmpeg::FramePtr silence = ffmpeg::MakeFrame();
    silence->format = like->format;
    silence->sample_rate = like->sample_rate;
    silence->nb_samples = int(samples);
    if (av_channel_layout_copy(&silence->ch_layout, &like->ch_layout) < 0 ||
        av_frame_get_buffer(silence.get(), 0) < 0 ||
        av_samples_set_silence(silence->extended_data, 0, int(samples),
                               silence->ch_layout.nb_channels, AVSampleFormat(silence->format)) < 0)
        return nullptr;
    return silence;
}

} // namespace

TMediaAudioStream::TMediaAudioStream() = default;
TMediaAudioStream::~TMediaAudioStream() = default;

TMediaResult TMediaAudioStream::ListAudioTracks(const QString& path,
                                                std::vector<TMediaTrackInfo>& tracks) {
    tracks.clear();
    TMediaInput input;
    const TMediaResult result = OpenMediaInput(path, input);
    if (Failed(result))
        return result;
    tracks = input.dvd ? TDvdTitleAudio::ListTracks(input) : CollectTracks(input.format.get());
    return S_OK;
}

void TMediaAudioStream::Close() {
    FTitle.reset();
    FConverter.reset();
    FDecoder.reset();
    FInput.reset();
    FPacket.reset();
    FFrame.reset();
    FTracks.clear();
    FStreamIndex = -1;
    FFormat = {};
    FDuration = {};
    FHoles.clear();
    FHaveOrigin = false;
    FOriginSample = 0;
    FOriginOut = 0;
    FSourceRate = 0;
    FCodecFrameSize = 0;
    FFirstFrameSamples = 0;
    FLpcm = false;
    FTimestampsDoubtful = false;
    ResetDecoding();
}

void TMediaAudioStream::ResetDecoding() {
    FPending.clear();
    FPendingPos = 0;
    FPendingSample = 0;
    FCounted = 0;
    FAnchored = false;
    FAnchorGuessed = false;
    FAnchorVotes.clear();
    FWeakVotes.clear();
    FHeldFrames.clear();
    FHeldSamples = 0;
    FDoubtFrames.clear();
    FDoubtSamples = 0;
    FDraining = false;
    FEnded = false;
    FDropBefore = 0;
    FDropActive = false;
    FAnchorDoubtful = false;
    FLpcmUntrusted = false;
    FForcedAnchor.reset();
    FKeptPacket.reset();
    FSentLeadPos = -1;
    FSentLead = -1;
    FSentBefore = 0;
    FSentFrames = 0;
    if (FConverter)
        FConverter->Reset();
}

TMediaResult TMediaAudioStream::Open(const QString& path, int streamIndex) {
    Close();
    if (IsDvdTitleSource(path)) {
        FTitle = std::make_unique<TDvdTitleAudio>(FWanted);
        FTitle->SetInterruptFlag(FInterrupt);
        const TMediaResult result = FTitle->Open(path, streamIndex);
        if (Failed(result)) {
            Close();
            return result;
        }
        FPath = path;
        FTracks = FTitle->Tracks();
        FStreamIndex = FTitle->StreamId();
        FFormat = FTitle->Format();
        FDuration = FTitle->Duration();
        return S_OK;
    }
    TMediaResult result = OpenInput(path, streamIndex);
    if (Failed(result)) {
        Close();
        return result;
    }
    // Decode up to the first sound: it fixes the delivered format and where sample 0 is,
    // and a stream that cannot give a single frame fails here rather than mid-rip.
    while (!FAnchored) {
        result = DecodeMore();
        if (result == MS_S_ENDOFSTREAM)
            result = AVERROR_INVALIDDATA;
        if (Failed(result)) {
            Close();
            return result;
        }
    }
    return S_OK;
}

TMediaResult TMediaAudioStream::OpenInput(const QString& path, int streamIndex) {
    // Every read of the file asks the flag, so a long seek gives up soon after it is set.
    const AVIOInterruptCB interrupt{Interrupted, const_cast<std::atomic<bool>*>(FInterrupt)};
    TMediaInput input;
    int result = OpenMediaInput(path, input, FInterrupt ? &interrupt : nullptr);
    if (Failed(result))
        return result;
    FPath = path;
    FStreamSelector = streamIndex;
    if (input.dvd) {
        FTracks = TDvdTitleAudio::ListTracks(input);
        if (streamIndex >= 0 && (streamIndex = FindStream(input, streamIndex)) < 0)
            return MS_E_NOSTREAM;
    } else {
        FTracks = CollectTracks(input.format.get());
    }
    FInput = std::move(input.format);

    if (streamIndex < 0) {
        streamIndex = av_find_best_stream(FInput.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        if (streamIndex == AVERROR_STREAM_NOT_FOUND)
            return MS_E_NOSTREAM;
        if (streamIndex < 0)
            return streamIndex;
    } else if (unsigned(streamIndex) >= FInput->nb_streams ||
               FInput->streams[streamIndex]->codecpar->codec_type != AVMEDIA_TYPE_AUDIO) {
        return MS_E_NOSTREAM;
    }
    FStreamIndex = streamIndex;
    AVStream* stream = FInput->streams[streamIndex];
    for (unsigned i = 0; i < FInput->nb_streams; ++i)
        if (int(i) != streamIndex)
            FInput->streams[i]->discard = AVDISCARD_ALL;
    FTimeBase = stream->time_base;
    FLpcm = stream->codecpar->codec_id == AV_CODEC_ID_PCM_DVD;
    const int64_t start = FInput->start_time != AV_NOPTS_VALUE ? FInput->start_time : 0;
    FStartTs = av_rescale_q(start, AV_TIME_BASE_Q, FTimeBase);
    FDuration = StreamDuration(FInput.get(), stream);
    FCodecFrameSize = stream->codecpar->frame_size;

    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (codec && (codec->id == AV_CODEC_ID_MP1 || codec->id == AV_CODEC_ID_MP2 ||
                  codec->id == AV_CODEC_ID_MP3)) {
        // The fixed-point MPEG audio decoders carry a rounding remainder from every sample
        // into the next, for ever, so no decode started elsewhere ever matches the
        // straight one exactly; their float twins round each sample on its own.
        const QByteArray name = QByteArray(codec->name) + "float";
        if (const AVCodec* exact = avcodec_find_decoder_by_name(name.constData()))
            codec = exact;
    }
    if (!codec)
        return AVERROR_DECODER_NOT_FOUND;
    FDecoder.reset(avcodec_alloc_context3(codec));
    if (!FDecoder)
        return AVERROR(ENOMEM);
    result = avcodec_parameters_to_context(FDecoder.get(), stream->codecpar);
    if (result < 0)
        return result;
    FDecoder->pkt_timebase = FTimeBase;
    if (codec->id == AV_CODEC_ID_AC3 || codec->id == AV_CODEC_ID_EAC3) {
        // Without it the noise that fills empty bands is random and two decodes of the
        // same frames differ, so a seek could never match a straight decode.
        av_opt_set_int(FDecoder.get(), "cons_noisegen", 1, AV_OPT_SEARCH_CHILDREN);
        // The bitstream carries its own stereo downmix levels; let the decoder use them.
        if (stream->codecpar->ch_layout.nb_channels > 2)
            av_opt_set(FDecoder.get(), "downmix", "stereo", AV_OPT_SEARCH_CHILDREN);
    }
    result = avcodec_open2(FDecoder.get(), codec, nullptr);
    if (result < 0)
        return result;
    FPacket = ffmpeg::MakePacket();
    FFrame = ffmpeg::MakeFrame();
    if (!FPacket || !FFrame)
        return AVERROR(ENOMEM);
    return S_OK;
}

// The next packet of any stream: 0, AVERROR_EOF at the end of the file, or a failure.
int TMediaAudioStream::ReadPacket() {
    const int result = av_read_frame(FInput.get(), FPacket.get());
    if (result >= 0 || result == AVERROR(EAGAIN))
        return result;
    // FFmpeg marks its input as ended on a read error too (a scratched disc, a dropped
    // mount): only the error it keeps tells that from the true end of the file.
    if (FInput->pb && FInput->pb->error < 0 && FInput->pb->error != AVERROR_EOF)
        return FInput->pb->error;
    if (result == AVERROR_EOF || (FInput->pb && avio_feof(FInput->pb)))
        return AVERROR_EOF;
    return result;
}

// Decodes until at least one converted sample is pending (S_OK), the stream ends
// (MS_S_ENDOFSTREAM) or a failure.
TMediaResult TMediaAudioStream::DecodeMore() {
    if (FEnded)
        return MS_S_ENDOFSTREAM;
    int decodeErrors = 0;
    int stalledReads = 0;
    int framesFromPacket = 0;
    int64_t lastPos = -1;
    for (;;) {
        int result = avcodec_receive_frame(FDecoder.get(), FFrame.get());
        if (result == 0) {
            if (++framesFromPacket > kMaxFramesPerPacket)
                return AVERROR_INVALIDDATA;
            const int64_t before = PendingFrames();
            TMediaResult accepted = AcceptFrame(FFrame.get());
            av_frame_unref(FFrame.get());
            if (Failed(accepted))
                return accepted;
            if (FAnchored && PendingFrames() > before)
                return S_OK;
            continue;
        }
        if (result == AVERROR_EOF) {
            if (!FAnchored && !FHeldFrames.empty()) {
                TMediaResult anchored = Anchor();
                if (Failed(anchored))
                    return anchored;
                if (PendingFrames() > 0)
                    return S_OK;
            }
            if (FConverter && FAnchored) {
                const int64_t before = PendingFrames();
                if (TMediaResult settled = SettleDoubt(false); Failed(settled))
                    return settled;
                int flushed = FConverter->Flush(FPending);
                if (flushed > 0)
                    FCounted += flushed;
                if (PendingFrames() > before)
                    return S_OK;
            }
            FEnded = true;
            return MS_S_ENDOFSTREAM;
        }
        if (result != AVERROR(EAGAIN)) {
            // A damaged frame: skip it, as players do, unless nothing decodes at all.
            if (result == AVERROR(ENOMEM) || ++decodeErrors > kMaxDecodeErrorsInRow)
                return result;
            continue;
        }
        if (FDraining) { // a decoder that wants input after the flush: treat as the end
            FEnded = true;
            return MS_S_ENDOFSTREAM;
        }

        if (FKeptPacket) { // the packet a count from the start stopped at
            av_packet_move_ref(FPacket.get(), FKeptPacket.get());
            FKeptPacket.reset();
            result = 0;
        } else {
            result = ReadPacket();
        }
        if (result == AVERROR_EOF) {
            FDraining = true;
            avcodec_send_packet(FDecoder.get(), nullptr);
            continue;
        }
        if (result == AVERROR(EAGAIN)) {
            if (++stalledReads > kMaxStalledReads)
                return AVERROR_INVALIDDATA;
            continue;
        }
        if (result < 0)
            return result;
        const int64_t pos = FInput->pb ? avio_tell(FInput->pb) : -1;
        stalledReads = (pos == lastPos && FPacket->size == 0) ? stalledReads + 1 : 0;
        lastPos = pos;
        if (stalledReads > kMaxStalledReads) {
            av_packet_unref(FPacket.get());
            return AVERROR_INVALIDDATA;
        }
        if (FPacket->stream_index != FStreamIndex) {
            av_packet_unref(FPacket.get());
            continue;
        }
        framesFromPacket = 0;
        if (FLpcm && !FAnchored) {
            FSentLeadPos = FPacket->pos;
            FSentLead = LpcmLeadFrames(FInput->pb, FPacket->pos, FPacket.get());
            FSentBefore = FSentFrames;
            FSentFrames += std::max<int64_t>(
                PacketFrames(FInput->streams[FStreamIndex]->codecpar, FPacket.get()), 0);
        }
        result = avcodec_send_packet(FDecoder.get(), FPacket.get());

        av_packet_unref(FPacket.get());
        if (result < 0 && result != AVERROR(EAGAIN)) {
            if (result == AVERROR(ENOMEM) || ++decodeErrors > kMaxDecodeErrorsInRow)
                return result;
        } else {
            decodeErrors = 0;
        }
    }
}

TMediaResult TMediaAudioStream::AcceptFrame(AVFrame* frame) {
    if (frame->nb_samples <= 0 || frame->sample_rate <= 0 || frame->ch_layout.nb_channels <= 0)
        return S_OK;
    if (!FConverter) {
        // The first frame decides what is delivered for the whole stream.
        FSourceRate = frame->sample_rate;
        FFormat.sampleRate = FWanted.sampleRate > 0 ? FWanted.sampleRate : frame->sample_rate;
        FFormat.channels = FWanted.channels > 0 ? std::min(FWanted.channels, 2)
                                                : (frame->ch_layout.nb_channels >= 2 ? 2 : 1);
        const int wantedBits = FWanted.bitsPerSample;
        FFormat.bitsPerSample = wantedBits == 8 || wantedBits == 16 || wantedBits == 32
                                    ? wantedBits
                                    : (IsEightBit(frame->format) ? 8 : 16);
        FConverter = std::make_unique<TPcmConverter>(
            FFormat.channels, SampleFormatOfWidth(FFormat.bitsPerSample), FFormat.sampleRate);
    }
    if (FAnchored)
        return PlaceFrame(frame);

    // Only timestamps the container wrote vote (their packets know their file position);
    // the parser's interpolated ones inherit any mistake before them.
    const int64_t ts = frame->best_effort_timestamp;
    if (ts != AV_NOPTS_VALUE && !FForcedAnchor) {
        int64_t vote = TimestampToSample(ts) - FHeldSamples;
        if (FLpcm) {
            // An LPCM packet's timestamp belongs to the first access unit that starts in
            // it, which its header points at; the samples in front belong to the one
            // before. The decoder may keep the end of a sample group back for the next
            // packet, so where a packet starts is counted in its bytes, not in frames.
            if (frame->pkt_pos == FSentLeadPos && FSentLead >= 0)
                vote = TimestampToSample(ts) - FSentLead - FSentBefore;
            else
                FLpcmUntrusted = true;
        }
        (frame->pkt_pos >= 0 ? FAnchorVotes : FWeakVotes).push_back(vote);
    }
    if (!FHaveOrigin && FFirstFrameSamples == 0)
        FFirstFrameSamples = int(av_rescale(frame->nb_samples, FFormat.sampleRate, FSourceRate));
    ffmpeg::FramePtr held(av_frame_clone(frame));
    if (!held)
        return AVERROR(ENOMEM);
    FHeldFrames.push_back(std::move(held));
    FHeldSamples += frame->nb_samples;
    // Enough votes, or waited long enough (a stream whose packets never carry their own
    // timestamps must not pile up frames); a count from the start needs none.
    if (FForcedAnchor || FAnchorVotes.size() >= kAnchorVotes || FHeldSamples >= FSourceRate)
        return Anchor();
    return S_OK;
}

TMediaResult TMediaAudioStream::ConvertFrame(const AVFrame* frame) {
    if (FPendingPos == FPending.size()) {
        FPending.clear();
        FPendingPos = 0;
        FPendingSample = FCounted;
    }
    int made = FConverter->Convert(frame, FPending);
    if (made < 0)
        return made;
    FCounted += made;
    FSourceCount += frame->nb_samples;
    return S_OK;
}

std::optional<int64_t> TMediaAudioStream::StampedHole(const AVFrame* frame) const {
    // Only a timestamp the container wrote places a frame; LPCM's are placed otherwise.
    const int64_t ts = frame->best_effort_timestamp;
    if (ts == AV_NOPTS_VALUE || frame->pkt_pos < 0 || FLpcm || FTimestampsDoubtful)
        return std::nullopt;
    return TimestampToSample(ts) - FSourceCount - FDoubtSamples;
}

TMediaResult TMediaAudioStream::PlaceFrame(const AVFrame* frame) {
    const std::optional<int64_t> hole = StampedHole(frame);
    if (!FDoubtFrames.empty()) {
        // Held behind a gap of about one frame, which the next frame with a timestamp of its
        // own settles: a lost frame leaves its gap in every later timestamp, while a frame
        // the parser labelled with its neighbour's time leaves none behind it.
        if (!hole && FDoubtFrames.size() < kMaxDoubtFrames)
            return HoldFrame(frame);
        if (TMediaResult settled = SettleDoubt(hole && *hole >= FDoubtHole / 2); Failed(settled))
            return settled;
        return PlaceFrame(frame);
    }
    // Less than half a frame (and 10 ms) is the container's rounding, not missing sound.
    if (!hole || *hole < std::max<int64_t>(frame->nb_samples / 2, FSourceRate / 100))
        return ConvertFrame(frame);
    // A clock that leaps beyond the stream's own length is a restart, not a hole.
    const int64_t end = FDuration > TMediaTime()
                            ? FDuration.ToSampleNearest(FSourceRate)
                            : FSourceCount + kMaxHoleSeconds * int64_t(FSourceRate);
    if (FSourceCount + *hole > end + FSourceRate)
        return ConvertFrame(frame);
    if (*hole < frame->nb_samples * 3 / 2) {
        FDoubtHole = *hole;
        return HoldFrame(frame);
    }
    if (TMediaResult filled = FillSilence(frame, *hole); Failed(filled))
        return filled;
    return ConvertFrame(frame);
}

TMediaResult TMediaAudioStream::HoldFrame(const AVFrame* frame) {
    ffmpeg::FramePtr held(av_frame_clone(frame));
    if (!held)
        return AVERROR(ENOMEM);
    FDoubtSamples += frame->nb_samples;
    FDoubtFrames.push_back(std::move(held));
    return S_OK;
}

TMediaResult TMediaAudioStream::SettleDoubt(bool lost) {
    std::vector<ffmpeg::FramePtr> held;
    held.swap(FDoubtFrames);
    FDoubtSamples = 0;
    if (held.empty())
        return S_OK;
    if (lost)
        if (TMediaResult filled = FillSilence(held.front().get(), FDoubtHole); Failed(filled))
            return filled;
    for (const ffmpeg::FramePtr& frame : held)
        if (TMediaResult converted = ConvertFrame(frame.get()); Failed(converted))
            return converted;
    return S_OK;
}

TMediaResult TMediaAudioStream::FillSilence(const AVFrame* like, int64_t samples) {
    const int64_t from = av_rescale(FSourceCount, FFormat.sampleRate, FSourceRate);
    for (int64_t left = samples; left > 0;) {
        const int64_t n = std::min<int64_t>(left, FSourceRate);
        const ffmpeg::FramePtr silence = SilenceLike(like, n);
        if (!silence)
            return AVERROR(ENOMEM);
        if (TMediaResult converted = ConvertFrame(silence.get()); Failed(converted))
            return converted;
        left -= n;
    }
    const int64_t to = av_rescale(FSourceCount, FFormat.sampleRate, FSourceRate);
    if (std::none_of(FHoles.begin(), FHoles.end(),
                     [&](const std::pair<int64_t, int64_t>& h) { return h.first == from; }))
        FHoles.emplace_back(from, to);
    return S_OK;
}

const std::vector<std::pair<int64_t, int64_t>>& TMediaAudioStream::Holes() const {
    return FTitle ? FTitle->Holes() : FHoles;
}

TMediaResult TMediaAudioStream::Anchor() {
    if (FAnchorVotes.empty())
        FAnchorVotes.swap(FWeakVotes);
    FAnchorGuessed = FAnchorVotes.empty() && !FForcedAnchor;
    // After a seek, LPCM packets are placed only when their headers say where their access
    // units start and every packet agrees; otherwise the count from the start places them.
    FAnchorDoubtful = FLpcm && FHaveOrigin && !FForcedAnchor &&
                      (FLpcmUntrusted || FAnchorVotes.size() < 2 ||
                       std::adjacent_find(FAnchorVotes.begin(), FAnchorVotes.end(),
                                          std::not_equal_to<>()) != FAnchorVotes.end());
    int64_t anchor = 0; // source-rate number of the first held sample
    if (FForcedAnchor) {
        anchor = *FForcedAnchor;
        FForcedAnchor.reset();
    } else if (FAnchorGuessed) {
        anchor = FHaveOrigin ? FOriginSample : 0;
    } else if (FLpcm && !FHaveOrigin) {
        // LPCM has no parser to mislabel a first frame, and a stream's first packet starts
        // with an access unit whatever its header says: its timestamp is the one to trust.
        anchor = FAnchorVotes.front();
    } else {
        // The number most frames agree on; with no agreement, the latest frame's.
        anchor = FAnchorVotes.back();
        size_t best = 1;
        for (int64_t vote : FAnchorVotes) {
            size_t n = size_t(std::count(FAnchorVotes.begin(), FAnchorVotes.end(), vote));
            if (n > best) {
                best = n;
                anchor = vote;
            }
        }
    }
    FAnchorVotes.clear();
    FWeakVotes.clear();

    // A resampler keeps its phase from where it starts. Start it where the source and
    // the delivered sample grids meet (every 160 samples from 48 kHz to 44.1 kHz), with
    // silence up to the first held sample, so a decode begun after a seek and one begun
    // at the start run in the same phase and deliver the same samples.
    const int64_t grid = FSourceRate / std::gcd(int64_t(FSourceRate), int64_t(FFormat.sampleRate));
    int64_t lead = anchor % grid;
    if (lead < 0)
        lead += grid;
    const int64_t start = anchor - lead;
    FCounted = av_rescale(start, FFormat.sampleRate, FSourceRate); // exact on the grid
    FPending.erase(FPending.begin(), FPending.begin() + ptrdiff_t(FPendingPos));
    FPendingPos = 0;
    FPendingSample = FCounted;
    FAnchored = true;
    FSourceCount = start;
    if (lead > 0 && !FHeldFrames.empty()) {
        // Delivered as the (at most a few milliseconds of) silence before the first sound.
        const ffmpeg::FramePtr silence = SilenceLike(FHeldFrames.front().get(), lead);
        if (!silence)
            return AVERROR(ENOMEM);
        if (TMediaResult converted = ConvertFrame(silence.get()); Failed(converted))
            return converted;
    }
    if (!FHaveOrigin) {
        FHaveOrigin = true;
        FOriginSample = anchor;
        FOriginOut = FPendingSample;
    }
    std::vector<ffmpeg::FramePtr> held;
    held.swap(FHeldFrames);
    FHeldSamples = 0;
    for (const ffmpeg::FramePtr& frame : held)
        if (TMediaResult converted = ConvertFrame(frame.get()); Failed(converted))
            return converted;
    return S_OK;
}

int64_t TMediaAudioStream::TimestampToSample(int64_t timestamp) const {
    const AVRational perSample{1, FSourceRate};
    int64_t sample = av_rescale_q_rnd(timestamp - FStartTs, FTimeBase, perSample,
                                      AVRounding(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
    // A container whose clock ticks are coarser than a sample (Matroska counts
    // milliseconds) rounds every timestamp. Frames of a fixed length lie on a grid from
    // the first one; put the sample back on that grid when it is within the rounding.
    const int64_t tickSamples = av_rescale_q(1, FTimeBase, perSample);
    if (FHaveOrigin && FCodecFrameSize > 0 && tickSamples >= 1) {
        const int64_t frame = FCodecFrameSize;
        const int64_t offset = sample - FOriginSample;
        const int64_t k = (offset >= 0 ? offset + frame / 2 : offset - frame / 2) / frame;
        const int64_t snapped = FOriginSample + k * frame;
        if (std::abs(snapped - sample) <= tickSamples / 2 + 1)
            sample = snapped;
    }
    return sample;
}

int64_t TMediaAudioStream::PendingFrames() const {
    const int align = FFormat.BlockAlign();
    return align > 0 ? int64_t(FPending.size() - FPendingPos) / align : 0;
}

void TMediaAudioStream::DropPending(int64_t frames) {
    FPendingPos += size_t(frames) * size_t(FFormat.BlockAlign());
    FPendingSample += frames;
}

TMediaResult TMediaAudioStream::Read(uint8_t* buffer, uint32_t size, TMediaReadInfo& info) {
    if (FTitle)
        return FTitle->Read(buffer, size, info);
    info = {};
    if (!IsOpen())
        return MS_E_NOTINIT;
    if (!buffer)
        return E_POINTER;
    const int align = FFormat.BlockAlign();
    const int64_t wanted = int64_t(size) / align;
    if (wanted <= 0)
        return E_INVALIDBUFFERSIZE;
    int64_t got = 0;
    while (got < wanted) {
        int64_t available = PendingFrames();
        if (available == 0) {
            TMediaResult result = DecodeMore();
            if (result == MS_S_ENDOFSTREAM)
                break;
            if (Failed(result))
                return result;
            continue;
        }
        if (FDropActive && FPendingSample < FDropBefore) {
            DropPending(std::min(available, FDropBefore - FPendingSample));
            continue;
        }
        FDropActive = false;
        const int64_t n = std::min(available, wanted - got);
        if (got == 0)
            info.firstSample = FPendingSample;
        std::memcpy(buffer + got * align, FPending.data() + FPendingPos, size_t(n * align));
        DropPending(n);
        got += n;
    }
    if (got == 0) {
        info.firstSample = NextSample();
        info.startTime = info.endTime = SampleToTime(info.firstSample);
        return MS_S_ENDOFSTREAM;
    }
    info.bytes = uint32_t(got * align);
    info.frames = got;
    info.startTime = SampleToTime(info.firstSample);
    info.endTime = SampleToTime(info.firstSample + got);
    return S_OK;
}

int64_t TMediaAudioStream::NextSample() const {
    if (FTitle)
        return FTitle->NextSample();
    const int64_t next = PendingFrames() > 0 ? FPendingSample : FCounted;
    return FDropActive ? std::max(next, FDropBefore) : next;
}

TMediaTime TMediaAudioStream::SampleToTime(int64_t sample) const {
    if (FTitle)
        return FTitle->SampleToTime(sample);
    return TMediaTime::FromSample(sample, FFormat.sampleRate);
}

int64_t TMediaAudioStream::TimeToSample(TMediaTime time) const {
    if (FTitle)
        return FTitle->TimeToSample(time);
    return time.ToSample(FFormat.sampleRate);
}

TMediaTime TMediaAudioStream::StartTime() const {
    if (!FInput || FInput->start_time == AV_NOPTS_VALUE)
        return {};
    return TMediaTime::FromMicroseconds(FInput->start_time);
}

int64_t TMediaAudioStream::DurationSamples() const {
    if (FTitle)
        return FTitle->DurationSamples();
    return FDuration.ToSampleNearest(FFormat.sampleRate);
}
