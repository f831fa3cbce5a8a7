#pragma once

// One audio stream of a media file, decoded to interleaved PCM with FFmpeg: what the
// stream reader (TAudioFileReader) reads a source's sound track through.
//
// - Opens a file and its primary audio stream (FFmpeg's best audio stream) or the stream
//   the caller names; lists every audio stream.
// - Delivers 16-bit PCM, or unsigned 8-bit where the source is 8-bit; mono stays mono,
//   more than two channels become stereo (AC-3 by its own bitstream downmix, the rest by
//   the ITU downmix, normalised so it cannot clip). A caller may ask for another rate,
//   channel count or width (SetOutputFormat): the data are converted, never relabelled.
//   32 bits means float samples (full scale +-1.0): the decoder's own precision, and
//   nothing is clipped on the way.
// - Samples (at the delivered rate) are numbered from time 0 = the container's start
//   time, the instant a player's time display shows as 0 (times: TMediaTime).
//   Numbers come from the first timestamps after opening or seeking and then from
//   counting samples, so timestamps that jump (joined VOB parts) never make time run
//   backwards.
// - A seek lands exactly: decoding starts early enough for the decoder to settle, and
//   samples before the one asked for are dropped by number. Where the container's
//   timestamps cannot place the packets found (they jump, or an LPCM packet's header does
//   not say where its access units start), the packets from the start of the file up to
//   the target are counted, not decoded; only codecs whose packets tell their length are
//   counted, the others are decoded from the start.
// - A read error of the file fails; only its true end is the end of the stream.
// - Failures answer media result codes (media_result.h), never exceptions; the end of
//   the stream is MS_S_ENDOFSTREAM, not an error.
//
// - A DVD title (a locator, dvd_path.h) is one stream too, on the title's time line:
//   TDvdTitleAudio joins its segments, and the numbering of its streams is the IFO's.
//
// Threads: not safe for concurrent calls. The thread that opens it may hand it over to
// another (the output's worker reads it); only one thread uses it at a time.

#include "base/media_time.h"
#include "media/ffmpeg_ptr.h"
#include "media/media_result.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class TDvdTitleAudio;
class TPcmConverter;

// The PCM a stream delivers.
struct TPcmFormat {
    int sampleRate = 0;
    int channels = 0; // 1 or 2
    // 8 (unsigned), 16 (signed) or 32 (float, full scale +-1.0, native byte order)
    int bitsPerSample = 0;
    int BlockAlign() const { return channels * bitsPerSample / 8; }
};

// One audio stream of a file, as listed for the user.
struct TMediaTrackInfo {
    int streamIndex = -1; // what Open takes: FFmpeg's stream index, a DVD stream's MPEG id
    QString codec;        // FFmpeg's short codec name ("ac3", "mp2", "pcm_u8")
    QString language;     // as the container records it ("eng"), else empty
    int channels = 0;     // of the source (6 for 5.1), before any downmix
    int sampleRate = 0;
    TMediaTime duration; // 0 when unknown
    // Why the stream cannot be played (a DVD stream the disc marks unavailable, or one
    // its title's sound does not carry); empty when it can. Such a stream keeps its place
    // in the list, so the others keep the numbers the disc gives them.
    QString unavailable;
};

// What one Read delivered.
struct TMediaReadInfo {
    uint32_t bytes = 0;
    int64_t firstSample = 0; // number of the first sample delivered
    int64_t frames = 0;      // sample frames delivered
    TMediaTime startTime;    // time of the first sample
    TMediaTime endTime;      // time just after the last sample
};

class TMediaAudioStream {
public:
    TMediaAudioStream();
    ~TMediaAudioStream();
    TMediaAudioStream(const TMediaAudioStream&) = delete;
    TMediaAudioStream& operator=(const TMediaAudioStream&) = delete;

    // Lists the audio streams of a file in stream order (a DVD title's in the IFO's).
    static media::TMediaResult ListAudioTracks(const QString& path,
                                               std::vector<TMediaTrackInfo>& tracks);

    // Asks for PCM in another format than the source's (1 or 2 channels, 8, 16 or 32 bits),
    // before Open: a field left 0 keeps the source's value. Another rate is resampled,
    // another channel count remixed, another width converted; the data are always what
    // the format says.
    void SetOutputFormat(const TPcmFormat& wanted) { FWanted = wanted; }

    // Once `flag` turns true, a call in progress (Read, a seek) gives up at its next read
    // of the file, answering AVERROR_EXIT. Set before Open; the flag outlives the stream;
    // null: never.
    void SetInterruptFlag(const std::atomic<bool>* flag) { FInterrupt = flag; }

    // Opens `path` and its audio stream `streamIndex` (FFmpeg's index), or the primary
    // audio stream when -1, and decodes up to its first sound. MS_E_NOSTREAM when there
    // is no such audio stream.
    media::TMediaResult Open(const QString& path, int streamIndex = -1);
    void Close();
    bool IsOpen() const { return FInput != nullptr || FTitle != nullptr; }

    int StreamIndex() const { return FStreamIndex; }
    const std::vector<TMediaTrackInfo>& Tracks() const { return FTracks; }
    const TPcmFormat& Format() const { return FFormat; }
    // Length of the presentation (0 when unknown) and the same in samples.
    TMediaTime Duration() const { return FDuration; }
    int64_t DurationSamples() const;
    // The container's start time, the timestamp sample 0 stands for.
    TMediaTime StartTime() const;

    // Decodes whole sample frames into `buffer` until `size` bytes are filled or the
    // stream ends. S_OK with at least one frame; MS_S_ENDOFSTREAM with none.
    media::TMediaResult Read(uint8_t* buffer, uint32_t size, TMediaReadInfo& info);

    // The next Read starts exactly at sample `sample` (at the first sample of the stream
    // when that comes later); beyond the end, the next Read answers MS_S_ENDOFSTREAM.
    media::TMediaResult SeekSample(int64_t sample);
    // Seeks to the first sample at or after `time` (negative means 0).
    media::TMediaResult Seek(TMediaTime time);
    // Number of the sample the next Read delivers first.
    int64_t NextSample() const;

    // Sample numbers and times at the delivered rate: a sample's time is rounded down, a
    // time's sample rounded up, so TimeToSample(SampleToTime(n)) == n (TMediaTime's rules).
    TMediaTime SampleToTime(int64_t sample) const;
    int64_t TimeToSample(TMediaTime time) const;

    // Stretches [first, end) of delivered samples that were silence put where the stream
    // has no sound at the times it gives (a damaged stretch that does not decode, a hole
    // in a DVD's audio packets), as far as it has been decoded.
    const std::vector<std::pair<int64_t, int64_t>>& Holes() const;

private:
    media::TMediaResult OpenInput(const QString& path, int streamIndex);
    media::TMediaResult Rewind();
    media::TMediaResult FromStart(int64_t from);
    media::TMediaResult CountFromStart(int64_t from);
    void ResetDecoding();
    int ReadPacket();
    media::TMediaResult DecodeMore();
    media::TMediaResult AcceptFrame(AVFrame* frame);
    media::TMediaResult Anchor();
    media::TMediaResult ConvertFrame(const AVFrame* frame);
    // Once anchored: where a frame goes, with silence in front where sound is missing.
    media::TMediaResult PlaceFrame(const AVFrame* frame);
    // Samples missing in front of `frame` by its own timestamp; none when it has none.
    std::optional<int64_t> StampedHole(const AVFrame* frame) const;
    media::TMediaResult HoldFrame(const AVFrame* frame);
    media::TMediaResult SettleDoubt(bool lost);
    media::TMediaResult FillSilence(const AVFrame* like, int64_t samples);
    int64_t TimestampToSample(int64_t timestamp) const;
    int64_t PendingFrames() const;
    void DropPending(int64_t frames);

    QString FPath;
    int FStreamSelector = -1; // what Open was given, for opening again
    std::unique_ptr<TDvdTitleAudio> FTitle;
    ffmpeg::InputFormatPtr FInput;
    ffmpeg::CodecContextPtr FDecoder;
    ffmpeg::PacketPtr FPacket;
    ffmpeg::FramePtr FFrame;
    std::unique_ptr<TPcmConverter> FConverter;
    std::vector<TMediaTrackInfo> FTracks;
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
    std::vector<std::pair<int64_t, int64_t>> FHoles; // filled stretches, delivered samples
    // Frames held behind a gap of about one frame (FDoubtHole source samples) until a later
    // timestamp tells a lost frame from a mislabelled one.
    std::vector<ffmpeg::FramePtr> FDoubtFrames;
    int64_t FDoubtSamples = 0;
    int64_t FDoubtHole = 0;
    // Numbering starts from the timestamps of the first few frames after opening or
    // seeking: right after a seek into an MPEG program stream the parser gives the torn
    // frame in front the container's timestamp and shifts the next ones by a frame, so
    // the numbers several frames imply are compared and the majority wins. Until then
    // the decoded frames wait unconverted. Votes count samples at the source rate.
    bool FAnchored = false;
    bool FAnchorGuessed = false;       // no frame had a timestamp
    std::vector<int64_t> FAnchorVotes; // from timestamps the container wrote
    std::vector<int64_t> FWeakVotes;   // from the parser's interpolated ones
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
    const std::atomic<bool>* FInterrupt = nullptr;

    TPcmFormat FWanted;
    int FSourceRate = 0; // rate of the first frame, what timestamps are counted in
    // Where the stream's first sound sits (source-rate and delivered numbering), and its
    // frame length, for snapping coarse container timestamps (Matroska's milliseconds)
    // onto the sample grid.
    bool FHaveOrigin = false;
    int64_t FOriginSample = 0;
    int64_t FOriginOut = 0;
    int FCodecFrameSize = 0;
    int FFirstFrameSamples = 0; // delivered samples in the first frame
};
