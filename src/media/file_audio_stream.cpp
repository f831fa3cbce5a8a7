#include "media/file_audio_stream.h"

#include "media/audio_track_list.h"
#include "media/container_chapters.h"
#include "media/media_input.h"
#include "media/packet_length.h"
#include "media/pcm_converter.h"

extern "C" {
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
}

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <numeric>

using namespace media;

namespace {

// Safety limits against damaged files and misbehaving decoders (and kMaxStalledReads).
constexpr int kMaxDecodeErrorsInRow = 200;
constexpr int kMaxFramesPerPacket = 4096;

// Timestamps the container wrote that vote on the numbering after opening or seeking.
constexpr size_t kAnchorVotes = 3;

int Interrupted(void* flag) {
    return flag && static_cast<const std::atomic<bool>*>(flag)->load(std::memory_order_relaxed);
}

bool IsEightBit(int format) {
    return format == AV_SAMPLE_FMT_U8 || format == AV_SAMPLE_FMT_U8P;
}

AVSampleFormat SampleFormatOfWidth(int bitsPerSample) {
    switch (bitsPerSample) {
    case 8:
        return AV_SAMPLE_FMT_U8;
    case 24: // converted to 32-bit integers, then packed
        return AV_SAMPLE_FMT_S32;
    case 32:
        return AV_SAMPLE_FMT_FLT;
    default:
        return AV_SAMPLE_FMT_S16;
    }
}

// The width of a source's own integer samples: 24 where the decoder gives 32-bit integers
// of more than 16 significant bits (or does not say how many), else 16.
int SourceDepthOf(int format, int rawBits) {
    const bool wide = format == AV_SAMPLE_FMT_S32 || format == AV_SAMPLE_FMT_S32P;
    return wide && (rawBits == 0 || rawBits > 16) ? 24 : 16;
}

} // namespace

TFileAudioStream::TFileAudioStream(QString path) : TMediaAudioStream(std::move(path)) {}

TFileAudioStream::~TFileAudioStream() = default;

void TFileAudioStream::Close() {
    FConverter.reset();
    FDecoder.reset();
    FInput.reset();
    FPacket.reset();
    FFrame.reset();
    FTracks.clear();
    FChapters.clear();
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
    FCountIndex.reset();
    ResetDecoding();
}

void TFileAudioStream::ResetDecoding() {
    FPending.clear();
    FPendingPos = 0;
    FPendingSample = 0;
    FCounted = 0;
    FAnchored = false;
    FAnchorGuessed = false;
    FVotes = {};
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

TMediaResult TFileAudioStream::Open(int streamIndex) {
    Close();
    TMediaResult result = OpenInput(streamIndex);
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

TMediaResult TFileAudioStream::OpenInput(int streamIndex) {
    // Every read of the file asks the flag, so a long seek gives up soon after it is set.
    const AVIOInterruptCB interrupt{Interrupted, const_cast<std::atomic<bool>*>(FInterrupt)};
    TMediaInput input;
    int result = OpenMediaInput(FSource, input, FInterrupt ? &interrupt : nullptr, FFile.get());
    if (Failed(result))
        return result;
    FStreamSelector = streamIndex;
    FTracks = ListInputTracks(input);
    // A DVD segment names its streams by MPEG id.
    if (input.dvd && streamIndex >= 0 && (streamIndex = FindStream(input, streamIndex)) < 0)
        return MS_E_NOSTREAM;
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
    FChapters = ContainerChapters(FInput.get(), FDuration);
    FCodecFrameSize = stream->codecpar->frame_size;
    return OpenDecoder();
}

TMediaResult TFileAudioStream::OpenDecoder() {
    const AVStream* stream = FInput->streams[FStreamIndex];
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
    int result = avcodec_parameters_to_context(FDecoder.get(), stream->codecpar);
    if (result < 0)
        return result;
    FDecoder->pkt_timebase = FTimeBase;
    if (codec->id == AV_CODEC_ID_AC3 || codec->id == AV_CODEC_ID_EAC3) {
        // Without it the noise that fills empty bands is random and two decodes of the
        // same frames differ, so a seek could never match a straight decode.
        av_opt_set_int(FDecoder.get(), "cons_noisegen", 1, AV_OPT_SEARCH_CHILDREN);
        // The bitstream carries its own stereo downmix levels; let the decoder use them
        // (the dialogue downmix takes every channel and folds them itself).
        if (stream->codecpar->ch_layout.nb_channels > 2 && FDownmix == TDownmix::dmStandard)
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
int TFileAudioStream::ReadPacket() {
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
TMediaResult TFileAudioStream::DecodeMore() {
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

TMediaResult TFileAudioStream::AcceptFrame(AVFrame* frame) {
    if (frame->nb_samples <= 0 || frame->sample_rate <= 0 || frame->ch_layout.nb_channels <= 0)
        return S_OK;
    if (!FConverter) {
        // The first frame decides what is delivered for the whole stream.
        FSourceRate = frame->sample_rate;
        FFormat.sampleRate = FWanted.sampleRate > 0 ? FWanted.sampleRate : frame->sample_rate;
        FFormat.channels = FWanted.channels > 0 ? std::min(FWanted.channels, 2)
                                                : (frame->ch_layout.nb_channels >= 2 ? 2 : 1);
        int wantedBits = FWanted.bitsPerSample;
        if (wantedBits == TPcmFormat::SourceDepth)
            wantedBits = SourceDepthOf(frame->format, FDecoder->bits_per_raw_sample);
        FFormat.bitsPerSample =
            wantedBits == 8 || wantedBits == 16 || wantedBits == 24 || wantedBits == 32
                ? wantedBits
                : (IsEightBit(frame->format) ? 8 : 16);
        FConverter = std::make_unique<TPcmConverter>(
            FFormat.channels, SampleFormatOfWidth(FFormat.bitsPerSample), FFormat.sampleRate,
            FDownmix, FFormat.bitsPerSample == 24);
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
        (frame->pkt_pos >= 0 ? FVotes.stamped : FVotes.interpolated).push_back(vote);
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
    if (FForcedAnchor || FVotes.stamped.size() >= kAnchorVotes || FHeldSamples >= FSourceRate)
        return Anchor();
    return S_OK;
}

TMediaResult TFileAudioStream::ConvertFrame(const AVFrame* frame) {
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

TMediaResult TFileAudioStream::Anchor() {
    TAnchorContext context;
    context.forced = FForcedAnchor;
    if (FHaveOrigin)
        context.origin = FOriginSample;
    context.lpcm = FLpcm;
    context.lpcmUntrusted = FLpcmUntrusted;
    const TAnchor vote = VoteAnchor(FVotes, context);
    FForcedAnchor.reset();
    FVotes = {};
    FAnchorGuessed = vote.guessed;
    // After a seek, doubtful LPCM stamps leave the placing to a count from the start.
    FAnchorDoubtful = vote.doubtful;
    const int64_t anchor = vote.sample; // source-rate number of the first held sample

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

int64_t TFileAudioStream::TimestampToSample(int64_t timestamp) const {
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

int64_t TFileAudioStream::PendingFrames() const {
    const int align = FFormat.BlockAlign();
    return align > 0 ? int64_t(FPending.size() - FPendingPos) / align : 0;
}

void TFileAudioStream::DropPending(int64_t frames) {
    FPendingPos += size_t(frames) * size_t(FFormat.BlockAlign());
    FPendingSample += frames;
}

TMediaResult TFileAudioStream::ReadFrames(uint8_t* buffer, int64_t wanted, int64_t& first,
                                          int64_t& got) {
    const int align = FFormat.BlockAlign();
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
            first = FPendingSample;
        std::memcpy(buffer + got * align, FPending.data() + FPendingPos, size_t(n * align));
        DropPending(n);
        got += n;
    }
    return S_OK;
}

int64_t TFileAudioStream::NextSample() const {
    const int64_t next = PendingFrames() > 0 ? FPendingSample : FCounted;
    return FDropActive ? std::max(next, FDropBefore) : next;
}

TMediaTime TFileAudioStream::SampleToTime(int64_t sample) const {
    return TMediaTime::FromSample(sample, FFormat.sampleRate);
}

int64_t TFileAudioStream::TimeToSample(TMediaTime time) const {
    return time.ToSample(FFormat.sampleRate);
}

TMediaTime TFileAudioStream::StartTime() const {
    if (!FInput || FInput->start_time == AV_NOPTS_VALUE)
        return {};
    return TMediaTime::FromMicroseconds(FInput->start_time);
}

int64_t TFileAudioStream::DurationSamples() const {
    return FDuration.ToSampleNearest(FFormat.sampleRate);
}
