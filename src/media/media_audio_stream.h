#pragma once

// One audio stream of a source, decoded to interleaved PCM: what the stream reader
// (TAudioFileReader), the loudness overview and the tests read a source's sound through.
// An interface with two kinds behind it, made by MakeAudioStream from the source's name:
//
// - TFileAudioStream (file_audio_stream.h): a media file, decoded with FFmpeg;
// - TDvdTitleAudio (dvd_title_audio.h): a whole DVD title ("dvd:N:/root", dvd_path.h), its
//   segments joined on the title's time line, its streams numbered as the disc's IFO.
//
// What every kind promises:
//
// - Opens the source's primary audio stream, or the one the caller names (StreamIndex:
//   FFmpeg's index in a file, the MPEG id in a DVD); ListAudioTracks lists them.
// - Delivers 16-bit PCM, or unsigned 8-bit where the source is 8-bit; mono stays mono,
//   more than two channels become stereo by the downmix asked for (TDownmix: the standard
//   one, AC-3 by its own bitstream levels; or one that lifts the centre), normalised so
//   it cannot clip. A caller may ask for another rate,
//   channel count or width (SetOutputFormat): the data are converted, never relabelled.
//   32 bits means float samples (full scale +-1.0): the decoder's own precision, and
//   nothing is clipped on the way. 24 bits are integers packed in three bytes; SourceDepth
//   asks for the source's own integer samples, unchanged (16 or 24 bits).
// - Samples (at the delivered rate) are numbered on the source's time line: time 0 is what
//   a player's time display shows as 0. Times are TMediaTime; a sample's time is rounded
//   down and a time's sample up, so TimeToSample(SampleToTime(n)) == n.
// - A seek lands exactly: the next Read starts at the sample asked for.
// - A read error of the source fails; only its true end is the end of the stream. Where the
//   source has no sound at the times it gives, silence fills the stretch (Holes).
// - Failures answer media result codes (media_result.h), never exceptions; the end of the
//   stream is MS_S_ENDOFSTREAM, not an error.
//
// Threads: not safe for concurrent calls. The thread that opens a stream may hand it over
// to another (the output's worker reads it); only one thread uses it at a time.

#include "base/media_time.h"
#include "media/media_result.h"
#include "media/source_chapter.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace media {
class TSourceFile;
}

// The PCM a stream delivers.
struct TPcmFormat {
    // Asked for as bitsPerSample: the source's own integer samples, 16-bit, or 24-bit where
    // the decoder gives integers of more than 16 bits (24-bit LPCM, FLAC, PCM); 20-bit ones
    // fill the upper bits. Lossy and float sources give 16 bits.
    static constexpr int SourceDepth = -1;

    int sampleRate = 0;
    int channels = 0; // 1 or 2
    // 8 (unsigned), 16 (signed), 24 (signed, packed in three bytes, little-endian) or 32
    // (float, full scale +-1.0, native byte order)
    int bitsPerSample = 0;
    int BlockAlign() const { return channels * bitsPerSample / 8; }
};

// How more than two channels are folded to stereo (or mono). Every kind is scaled so that
// all channels at full scale at once cannot clip; the LFE is left out.
enum class TDownmix {
    // The ITU weights: each front to its side, the centre and the surrounds at -3 dB
    // against the fronts. An AC-3 or E-AC-3 stream folds by the levels it carries.
    dmStandard,
    // Dialogue and lead vocals forward: the centre at +3 dB against the fronts, the
    // surrounds at -6 dB; AC-3 and E-AC-3 the same.
    dmDialogue,
};

// One audio stream of a source, as listed for the user.
struct TMediaTrackInfo {
    int streamIndex = -1; // what Open takes: FFmpeg's stream index, a DVD stream's MPEG id
    QString codec;        // FFmpeg's short codec name ("ac3", "mp2", "pcm_u8")
    // As the container records it ("eng"), else empty: a container's "und" (undetermined)
    // is no language either, so a track without one reads the same in every container.
    QString language;
    QString title;    // the track's own name where the container gives one ("Commentary")
    int channels = 0; // of the source (6 for 5.1), before any downmix
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

// Holes: stretches [first, end) of delivered samples that were silence put where the
// source has no sound at the times it gives.
using TSampleStretches = std::vector<std::pair<int64_t, int64_t>>;

class TMediaAudioStream {
public:
    virtual ~TMediaAudioStream();
    TMediaAudioStream(const TMediaAudioStream&) = delete;
    TMediaAudioStream& operator=(const TMediaAudioStream&) = delete;

    // Lists the audio streams of a source in stream order (a DVD title's in the IFO's);
    // audio_track_list.cpp. `file`: the plain file held open for the source (optional).
    static media::TMediaResult ListAudioTracks(const QString& source,
                                               std::vector<TMediaTrackInfo>& tracks,
                                               const media::TSourceFile* file = nullptr);

    // The source the stream was made for.
    const QString& Source() const { return FSource; }

    // Asks for PCM in another format than the source's (1 or 2 channels, 8, 16, 24 or 32
    // bits, or SourceDepth),
    // before Open: a field left 0 keeps the source's value. Another rate is resampled,
    // another channel count remixed, another width converted; the data are always what
    // the format says.
    void SetOutputFormat(const TPcmFormat& wanted) { FWanted = wanted; }
    // How more than two channels are folded (before Open); the standard downmix unless
    // asked.
    void SetDownmix(TDownmix mix) { FDownmix = mix; }
    // Once `flag` turns true, a call in progress (Read, a seek) gives up at its next read
    // of the source, answering AVERROR_EXIT. Set before Open; the flag outlives the stream;
    // null: never.
    void SetInterruptFlag(const std::atomic<bool>* flag) { FInterrupt = flag; }
    // Reads a plain file from `file`, held open, rather than from whatever its name names
    // when the stream opens (media/source_file.h). Set before Open.
    void SetSourceFile(std::shared_ptr<const media::TSourceFile> file) { FFile = std::move(file); }

    // Opens audio stream `streamIndex` of the source (see TMediaTrackInfo), or its primary
    // one when -1, and decodes up to its first sound; MS_E_NOSTREAM when there is no such
    // audio stream. Opening again starts afresh; a failed Open leaves the stream closed.
    virtual media::TMediaResult Open(int streamIndex = -1) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    virtual int StreamIndex() const = 0;
    virtual const std::vector<TMediaTrackInfo>& Tracks() const = 0;
    virtual const TPcmFormat& Format() const = 0;
    // Length of the presentation (0 when unknown) and the same in samples.
    virtual TMediaTime Duration() const = 0;
    virtual int64_t DurationSamples() const = 0;
    // The source's chapters: a DVD title's, or those a file's container carries.
    virtual const std::vector<TSourceChapter>& Chapters() const = 0;

    // Decodes whole sample frames into `buffer` until `size` bytes are filled or the
    // stream ends. S_OK with at least one frame; MS_S_ENDOFSTREAM with none.
    media::TMediaResult Read(uint8_t* buffer, uint32_t size, TMediaReadInfo& info);

    // The next Read starts exactly at sample `sample` (at the first sample of the stream
    // when that comes later); beyond the end, the next Read answers MS_S_ENDOFSTREAM.
    virtual media::TMediaResult SeekSample(int64_t sample) = 0;
    // Seeks to the first sample at or after `time` (negative means 0).
    media::TMediaResult Seek(TMediaTime time);
    // Number of the sample the next Read delivers first.
    virtual int64_t NextSample() const = 0;

    // Sample numbers and times at the delivered rate (see above).
    virtual TMediaTime SampleToTime(int64_t sample) const = 0;
    virtual int64_t TimeToSample(TMediaTime time) const = 0;

    // The filled stretches, as far as the stream has been decoded.
    virtual const TSampleStretches& Holes() const = 0;

protected:
    explicit TMediaAudioStream(QString source);

    // Read once its arguments are checked: up to `wanted` whole frames into `buffer`;
    // `first` is the number of the first one delivered, `got` how many (0 at the end).
    virtual media::TMediaResult ReadFrames(uint8_t* buffer, int64_t wanted, int64_t& first,
                                           int64_t& got) = 0;

    const QString FSource;
    TPcmFormat FWanted;
    TDownmix FDownmix = TDownmix::dmStandard;
    const std::atomic<bool>* FInterrupt = nullptr;
    std::shared_ptr<const media::TSourceFile> FFile;
};

// The stream of the kind `source` names, not yet open: a whole DVD title's locator makes a
// TDvdTitleAudio, anything else (a file, one segment of a title) a TFileAudioStream.
std::unique_ptr<TMediaAudioStream> MakeAudioStream(const QString& source);
