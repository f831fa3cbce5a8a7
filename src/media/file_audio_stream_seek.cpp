// TFileAudioStream: exact seeks, by the container's timestamps where they can be trusted
// and by counting packets from the start of the file where they cannot.
#include "media/file_audio_stream.h"

#include "media/packet_length.h"
#include "media/program_stream_scan.h"

#include <QFileInfo>

extern "C" {
#include <libavutil/mathematics.h>
}

#include <algorithm>

using namespace media;

namespace {

// Decoding starts at least this long before a seek target, so that every decoder's
// state (overlapping transforms, bit reservoirs) has settled when the target comes.
constexpr double kSeekPrerollSeconds = 0.5;
constexpr int kSeekAttempts = 5;

} // namespace

TMediaResult TFileAudioStream::Rewind() {
    const int stream = FStreamSelector;
    const bool doubtful = FTimestampsDoubtful; // learnt about the file, not the decode
    const TMediaResult result = Open(stream);
    FTimestampsDoubtful = doubtful;
    return result;
}

TMediaResult TFileAudioStream::FromStart(int64_t from) {
    // From the very beginning the decode is the same as after opening.
    if (from <= FOriginOut)
        return Rewind();
    return CountFromStart(from);
}

// Reads the packets from the start of the file without decoding them, counting their
// samples, up to the one that holds sample `from` (delivered numbering); decoding goes on
// from there, numbered by the count. Where a packet's length cannot be told without
// decoding it, everything is decoded from the start instead. A count goes on from the last
// place before the target that an earlier count of the same stream passed (in this reader
// or another: the parts of a rip), so every packet is counted once.
TMediaResult TFileAudioStream::CountFromStart(int64_t from) {
    const int64_t stopAt =
        FOriginSample + av_rescale(from - FOriginOut, FSourceRate, FFormat.sampleRate);
    const std::shared_ptr<TPacketCountIndex> index = CountIndex();
    std::unique_lock<std::mutex> counting;
    TPacketCountIndex::TPlace place;
    bool resume = false;
    if (index) {
        counting = index->Count();
        resume = index->Find(stopAt, place) && place.Counted > FOriginSample;
    }
    bool misplaced = false;
    TMediaResult result = CountPackets(stopAt, resume ? &place : nullptr, true, misplaced);
    if (misplaced) // the place was not where a packet starts: count from the start
        result = CountPackets(stopAt, nullptr, false, misplaced);
    return result;
}

TMediaResult TFileAudioStream::CountPackets(int64_t stopAt, const TPacketCountIndex::TPlace* at,
                                            bool walk, bool& misplaced) {
    misplaced = false;
    const int64_t origin = FOriginSample;
    // Where the file's bytes can be walked (program_stream_scan.h), the demuxer is spared
    // all packets but the target's, and it is not opened again: a byte seek puts it where
    // the walk ends.
    walk = walk && FInput && TProgramStreamScan::Fits(FInput.get(), FStreamIndex);
    TMediaResult result = walk ? OpenDecoder() : OpenInput(FStreamSelector);
    if (Failed(result)) {
        Close();
        return result;
    }
    ResetDecoding();
    const std::shared_ptr<TPacketCountIndex> index = CountIndex();
    const int64_t spacing = TPacketCountIndex::Spacing(FSourceRate);
    int64_t lastPlace = at ? at->Counted : origin;
    std::vector<TPacketCountIndex::TPlace> walked;
    TPacketCountIndex::TPlace walkedTo;
    int64_t walkedSize = -1;
    if (walk) {
        TProgramStreamScan scan(FInput->pb, FInput->streams[FStreamIndex]->id);
        scan.Walk(at ? *at : TPacketCountIndex::TPlace{0, origin, 0}, stopAt, spacing, FInterrupt);
        walked = scan.Places();
        walkedTo = scan.Resume();
        walkedSize = scan.ResumeSize();
        if (walkedTo.Pos >= 0)
            at = &walkedTo;
        if (!walked.empty())
            lastPlace = walked.back().Counted;
    }
    if (at && av_seek_frame(FInput.get(), -1, at->Pos, AVSEEK_FLAG_BYTE) < 0) {
        at = nullptr; // then from the start
        walked.clear();
        walkedSize = -1;
        lastPlace = origin;
        walk = true; // the input stands wherever the failed seek left it
    }
    if (walk && !at) { // the demuxer back at the start
        result = OpenInput(FStreamSelector);
        if (Failed(result)) {
            Close();
            return result;
        }
    }
    const AVCodecParameters* par = FInput->streams[FStreamIndex]->codecpar;
    int64_t counted = at ? at->Counted : origin;
    int64_t bytes = at ? at->Bytes : 0; // of the payload before the packet, for LPCM's groups
    bool check = at != nullptr;
    std::vector<TPacketCountIndex::TPlace> passed;
    int64_t nextPlace = lastPlace + spacing;
    struct TKeep { // what was passed is kept, however the count ends
        const std::shared_ptr<TPacketCountIndex>& Index;
        std::vector<TPacketCountIndex::TPlace>& Passed;
        ~TKeep() {
            if (Index && !Passed.empty())
                Index->Add(Passed);
        }
    } keep{index, passed};
    int stalledReads = 0;
    for (;;) {
        const int read = ReadPacket();
        if (read == AVERROR(EAGAIN)) {
            if (++stalledReads > kMaxStalledReads)
                return AVERROR_INVALIDDATA;
            continue;
        }
        if (read == AVERROR_EOF) {
            FEnded = true; // the target lies past the end
            return MS_S_ENDOFSTREAM;
        }
        if (read < 0)
            return read;
        stalledReads = 0;
        if (FPacket->stream_index != FStreamIndex) {
            av_packet_unref(FPacket.get());
            continue;
        }
        if (check) {
            // The demuxer's first packet is the one the place names (and, after a walk,
            // as long as the walk found it): else it is counted again from the start.
            if (FPacket->pos != at->Pos || (walkedSize >= 0 && FPacket->size != walkedSize)) {
                av_packet_unref(FPacket.get());
                misplaced = true;
                return E_ABORT;
            }
            passed = std::move(walked);
            check = false;
        }
        const int64_t frames = PacketFrames(par, FPacket.get());
        if (frames < 0) {
            av_packet_unref(FPacket.get());
            return Rewind();
        }
        if (counted + frames > stopAt) {
            const int64_t dropped = DropToSampleGroup(par, FPacket.get(), bytes);
            if (dropped >= 0) {
                FKeptPacket = ffmpeg::MakePacket();
                if (!FKeptPacket)
                    return AVERROR(ENOMEM);
                av_packet_move_ref(FKeptPacket.get(), FPacket.get());
                FForcedAnchor = counted + dropped;
                return DecodeMore();
            }
        }
        if (FPacket->pos >= 0 && counted >= nextPlace) {
            passed.push_back({FPacket->pos, counted, bytes});
            nextPlace = counted + spacing;
        }
        counted += frames;
        bytes += LpcmPayloadBytes(par, FPacket.get());
        av_packet_unref(FPacket.get());
    }
}

std::shared_ptr<TPacketCountIndex> TFileAudioStream::CountIndex() {
    if (!FCountIndex && FInput && FHaveOrigin) {
        // The file as it is now: another file of that name, or this one rewritten, has
        // packets elsewhere.
        QString key = Source() + u'|' + QString::number(FStreamIndex) + u'|' +
                      QString::number(FOriginSample) + u'|' +
                      QString::number(FInput->pb ? avio_size(FInput->pb) : -1);
        if (const QFileInfo file(Source()); file.exists())
            key += u'|' + QString::number(file.lastModified().toMSecsSinceEpoch());
        FCountIndex = TPacketCountIndex::For(key);
    }
    return FCountIndex;
}

TMediaResult TFileAudioStream::SeekSample(int64_t target) {
    if (!IsOpen())
        return MS_E_NOTINIT;
    target = std::max<int64_t>(target, 0);
    if (FLpcm && !FTimestampsDoubtful) {
        // Another reader of this stream learnt it already.
        if (const auto index = CountIndex(); index && index->Doubtful())
            FTimestampsDoubtful = true;
    }
    const int rate = FFormat.sampleRate;
    const int64_t preroll =
        std::max<int64_t>(int64_t(kSeekPrerollSeconds * rate), 4 * int64_t(FFirstFrameSamples));
    for (int attempt = 0; attempt <= kSeekAttempts; ++attempt) {
        const int64_t from = target - (preroll << attempt);
        bool atStart = from <= FOriginOut || attempt == kSeekAttempts || FTimestampsDoubtful;
        TMediaResult result = S_OK;
        if (!atStart) {
            const int64_t ts = FStartTs + av_rescale_q(from, AVRational{1, rate}, FTimeBase);
            if (av_seek_frame(FInput.get(), FStreamIndex, ts, AVSEEK_FLAG_BACKWARD) < 0) {
                atStart = true;
            } else {
                avcodec_flush_buffers(FDecoder.get());
                ResetDecoding();
                result = DecodeMore();
            }
        }
        if (atStart)
            result = FromStart(target - preroll);
        if (result == MS_S_ENDOFSTREAM) {
            // No sound after the point the demuxer found, which lies before the target:
            // the target is past the end.
            FDropBefore = target;
            FDropActive = true;
            return S_OK;
        }
        if (Failed(result))
            return result;
        if (FAnchorDoubtful) {
            // These timestamps cannot place a packet to the sample; count instead, now and
            // for every later seek of this file.
            FTimestampsDoubtful = true;
            if (const auto index = CountIndex())
                index->SetDoubtful();
            continue;
        }
        const bool settled =
            atStart || (!FAnchorGuessed && FPendingSample + 2 * FFirstFrameSamples <= target);
        if (!settled)
            continue; // the demuxer landed too late or without a timestamp: go further back
        FDropBefore = target;
        FDropActive = true;
        return S_OK;
    }
    return E_ABORT; // not reached: the last attempt starts from the beginning
}
