#pragma once

// The audio stream of a media file (or of one segment of a DVD title), decoded with FFmpeg:
// the TMediaAudioStream every plain source is read through (see there for what it promises).
//
// - Samples are numbered from time 0 = the container's start time. Numbers come from the
//   first timestamps after opening or seeking (anchor_vote.h) and then from counting
//   samples, so timestamps that jump (joined VOB parts) never make time run backwards.
// - A seek lands exactly (file_audio_stream_seek.cpp): decoding starts early enough for the
//   decoder to settle, and samples before the one asked for are dropped by number. Where
//   the container's timestamps cannot place the packets found (they jump, or an LPCM
//   packet's header does not say where its access units start), the packets from the start
//   of the file up to the target are counted, not decoded; only codecs whose packets tell
//   their length are counted, the others are decoded from the start.
// - Where a frame's own timestamp lies later than the count by half a frame or more, silence
//   fills the gap (file_audio_stream_holes.cpp), so everything after it keeps its time.
//
// Threads: as TMediaAudioStream, one thread at a time.

#include "media/anchor_vote.h"
#include "media/ffmpeg_ptr.h"
#include "media/media_audio_stream.h"
#include "media/packet_count_index.h"

#include <optional>

class TPcmConverter;

class TFileAudioStream : public TMediaAudioStream {
public:
    explicit TFileAudioStream(QString path);
    ~TFileAudioStream() override;

    media::TMediaResult Open(int streamIndex = -1) override;
    void Close() override;
    bool IsOpen() const override { return FInput != nullptr; }

    int StreamIndex() const override { return FStreamIndex; }
    const std::vector<TMediaTrackInfo>& Tracks() const override { return FTracks; }
    const TPcmFormat& Format() const override { return FFormat; }
    TMediaTime Duration() const override { return FDuration; }
    int64_t DurationSamples() const override;
    const std::vector<TSourceChapter>& Chapters() const override { return FChapters; }
    // The container's start time, the timestamp sample 0 stands for.
    TMediaTime StartTime() const;

    media::TMediaResult SeekSample(int64_t sample) override;
    int64_t NextSample() const override;
    TMediaTime SampleToTime(int64_t sample) const override;
    int64_t TimeToSample(TMediaTime time) const override;
    const TSampleStretches& Holes() const override { return FHoles; }

protected:
    media::TMediaResult ReadFrames(uint8_t* buffer, int64_t wanted, int64_t& first,
                                   int64_t& got) override;

private:
    // Reads of the demuxer that may bring nothing new before the file counts as damaged, so
    // a read never spins for ever on input that yields nothing.
    static constexpr int kMaxStalledReads = 1000;

    // Opening and decoding (file_audio_stream.cpp).
    media::TMediaResult OpenInput(int streamIndex);
    // A fresh decoder for the stream chosen (the end of OpenInput).
    media::TMediaResult OpenDecoder();
    void ResetDecoding();
    int ReadPacket();
    media::TMediaResult DecodeMore();
    media::TMediaResult AcceptFrame(AVFrame* frame);
    media::TMediaResult Anchor();
    media::TMediaResult ConvertFrame(const AVFrame* frame);
    int64_t TimestampToSample(int64_t timestamp) const;
    int64_t PendingFrames() const;
    void DropPending(int64_t frames);
    // Seeking (file_audio_stream_seek.cpp).
    media::TMediaResult Rewind();
    media::TMediaResult FromStart(int64_t from);
    media::TMediaResult CountFromStart(int64_t from);
    // Counts from the start, or from `at` (misplaced: no packet of the stream starts there),
    // walking the file's bytes where they allow it and `walk` is set.
    media::TMediaResult CountPackets(int64_t stopAt, const TPacketCountIndex::TPlace* at, bool walk,
                                     bool& misplaced);
    // Where counts of this stream stood, shared with its other readers (once the origin is
    // known).
    std::shared_ptr<TPacketCountIndex> CountIndex();
    // Holes (file_audio_stream_holes.cpp). Once anchored: where a frame goes, with silence
    // in front where sound is missing.
    media::TMediaResult PlaceFrame(const AVFrame* frame);
    // Samples missing in front of `frame` by its own timestamp; none when it has none.
    std::optional<int64_t> StampedHole(const AVFrame* frame) const;
    media::TMediaResult HoldFrame(const AVFrame* frame);
    media::TMediaResult SettleDoubt(bool lost);
    media::TMediaResult FillSilence(const AVFrame* like, int64_t samples);
    // `samples` of silence in the format of `like`; null when it cannot be made.
    static ffmpeg::FramePtr SilenceLike(const AVFrame* like, int64_t samples);

    int FStreamSelector = -1; // what Open was given, for opening again
    ffmpeg::InputFormatPtr FInput;
    ffmpeg::CodecContextPtr FDecoder;
    ffmpeg::PacketPtr FPacket;
    ffmpeg::FramePtr FFrame;
    std::unique_ptr<TPcmConverter> FConverter;
    std::vector<TMediaTrackInfo> FTracks;
    std::vector<TSourceChapter> FChapters; // the container's (container_chapters.h)
    int FStreamIndex = -1;
    AVRational FTimeBase{1, 1};
    int64_t FStartTs = 0; // container start in the stream's time base
    TPcmFormat FFormat;
    TMediaTime FDuration;

    // Decoding state. FPending holds converted PCM; its byte FPendingPos is sample number
    // FPendingSample. FCounted is the number of the next sample the decoder will give.
    std::vector<uint8_t> FPending;
    size_t FPendingPos = 0;
    int64_t FPendingSample = 0;
    int64_t FCounted = 0;
    int64_t FSourceCount = 0; // source-rate number of the next sample given to the converter
    TSampleStretches FHoles;  // filled stretches, delivered samples
    // Frames held behind a gap of about one frame (FDoubtHole source samples) until a later
    // timestamp tells a lost frame from a mislabelled one.
    std::vector<ffmpeg::FramePtr> FDoubtFrames;
    int64_t FDoubtSamples = 0;
    int64_t FDoubtHole = 0;
    // Numbering starts from the timestamps of the first few frames after opening or
    // seeking (VoteAnchor). Until then the decoded frames wait unconverted. Votes count
    // samples at the source rate.
    bool FAnchored = false;
    bool FAnchorGuessed = false; // no frame had a timestamp
    TAnchorVotes FVotes;
    std::vector<ffmpeg::FramePtr> FHeldFrames;
    int64_t FHeldSamples = 0; // source-rate samples in FHeldFrames
    bool FDraining = false;   // the demuxer is done; the decoder is being flushed
    bool FEnded = false;
    int64_t FDropBefore = 0; // samples numbered below this are not delivered
    bool FDropActive = false;
    // Where a count from the start stopped: the source-rate number of the first sample of
    // FKeptPacket, the packet decoding goes on with.
    std::optional<int64_t> FForcedAnchor;
    ffmpeg::PacketPtr FKeptPacket;
    // LPCM: the timestamps after a seek could not place the packets (FAnchorDoubtful), and
    // so they are not used for seeking this stream any more (FTimestampsDoubtful).
    bool FLpcm = false;
    bool FLpcmUntrusted = false; // a packet without a usable access unit pointer
    bool FAnchorDoubtful = false;
    bool FTimestampsDoubtful = false;
    int64_t FSentLeadPos = -1; // file position of the last LPCM packet decoded
    int64_t FSentLead = -1;    // its frames before its first access unit, -1 unknown
    int64_t FSentBefore = 0;   // frames of the packets decoded before it
    int64_t FSentFrames = 0;   // frames of all LPCM packets decoded since the last reset

    int FSourceRate = 0; // rate of the first frame, what timestamps are counted in
    // Where the stream's first sound sits (source-rate and delivered numbering), and its
    // frame length, for snapping coarse container timestamps (Matroska's milliseconds)
    // onto the sample grid.
    bool FHaveOrigin = false;
    int64_t FOriginSample = 0;
    int64_t FOriginOut = 0;
    int FCodecFrameSize = 0;
    int FFirstFrameSamples = 0; // delivered samples in the first frame
    std::shared_ptr<TPacketCountIndex> FCountIndex;
};
