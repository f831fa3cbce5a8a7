#pragma once

#include "audio/mp3/mp3_encoder.h"
#include "audio/pipeline/audio_file_out.h"
#include "audio/rip/rip_executor.h"
#include "audio/rip/rip_plan.h"
#include "media/media_audio_stream.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// Constant bit rates, kbit/s in the names (ordinal 0 to 17).
enum TMP3BitRate : int {
    br8,
    br16,
    br24,
    br32,
    br40,
    br48,
    br56,
    br64,
    br80,
    br96,
    br112,
    br128,
    br144,
    br160,
    br192,
    br224,
    br256,
    br320
};
// kbit/s of each TMP3BitRate, in its order: the program's one list of MP3 bit rates.
inline constexpr std::array<int32_t, 18> MP3BitRates = {8,  16,  24,  32,  40,  48,  56,  64,  80,
                                                        96, 112, 128, 144, 160, 192, 224, 256, 320};
// Output sample rate; srDefault lets the encoder choose.
enum TMP3SampleRate : int { srDefault, sr32kHz, sr41kHz, sr48kHz };
// Channel mode, named and numbered as the encoder's own (scoped: <lame/lame.h> declares
// the same names unscoped).
enum class TMP3Mode : int { STEREO = 0, JOINT_STEREO = 1, DUAL_CHANNEL = 2, MONO = 3 };
// Encoder quality, 0 best and slowest.
enum TMP3Quality : int { ql0, ql1, ql2, ql3, ql4, ql5, ql6, ql7, ql8, ql9 };

// kbit/s of a bit rate and Hz of a sample rate (0 for srDefault); EAudioException for a
// value outside the enumeration.
int BitRateKbps(TMP3BitRate Value);
int SampleRateHz(TMP3SampleRate Value);

// The format of the files a rip writes: MP3 (LAME, the default), FLAC (lossless) or Opus
// (in Ogg).
enum TOutputFormat : int { ofMP3, ofFLAC, ofOpus };
// Each format's file name extension (".mp3", ".flac", ".opus").
QString FormatExtension(TOutputFormat Format);
// The format an extension names (any case, with or without the dot); false for another.
bool FormatOfExtension(const QString& Extension, TOutputFormat& Format);
// FLAC's compression levels and Opus's bit rates (kbit/s) a rip offers.
inline constexpr int FlacLevelMin = 0, FlacLevelMax = 8, FlacLevelDefault = 5;
inline constexpr int OpusKbpsMin = 32, OpusKbpsMax = 256, OpusKbpsDefault = 160;
// What a rip's input decodes to for a format: MP3 float samples at its rate (Mp3Rate; its
// resampler is cheaper than the encoder's, and the encoder takes the decoder's precision);
// FLAC the source's own samples (16-bit, or 24-bit for deeper integer PCM) at FlacRate (0:
// the source's); Opus float samples at 48 kHz.
TPcmFormat RipInputFormat(TOutputFormat Format, int Mp3Rate, int FlacRate);

// The MP3 output: rips a list of jobs (Tracks) from its Input, or, with no list, the whole
// input into FileName with the Id3Tag texts, in the Format chosen: MP3 unless the properties
// say FLAC or Opus, all through the one engine (below). Input is PCM of 32-bit float (encoded
// as it comes), 24-bit (packed), 16-bit or 8-bit (widened); InputFormat() says what each
// format wants. FLAC files hold the input's samples exactly, with Vorbis comments, a PICTURE
// block and chapter marks as CHAPTERxxx comments; Opus files (Ogg) are exact in length
// through their pre-skip and last granule position, with Vorbis comments, R128 gains and the
// cover as METADATA_BLOCK_PICTURE. Each MP3 starts with an ID3v2.3 tag (UTF-16 texts),
// ends with an ID3v1 tag, and carries an information frame ("Info" for constant, "Xing" for
// variable bit rate) whose delay and padding give players the exact length: a decoder that
// honours it gives exactly the job's samples, so tracks played one after another give the
// source's sound without a sample missing or doubled.
//
// The work is done by the rip engine (TRipExecutor): an input that can be read in parts
// is encoded in segments on Jobs threads and joined; one that can only be read in order is
// encoded on the worker. Each file is written as a temporary file beside its target
// (".sonavel-XXXXXX.part") and renamed over it only when complete, every patch made: a
// failed or aborted job leaves no partial file and leaves a file that was there before
// untouched; jobs finished before stay (JobsWritten). Failures (a file not creatable, disk
// full, encoder errors, an unsupported input format) reach OnThreadException on the main
// thread with the system's text (FailedJob() tells whose), and OnDone does not follow.
//
// Usage (main thread): set the encoding properties, FileName and the Id3Tag texts or
// Tracks, assign Input and OnDone (and OnThreadException), then Run. Run returns at once;
// OnDone arrives on the main thread when every file is complete, or after Abort with
// LastRunAborted() true. Progress() may be polled while the run goes.
//
// Construction loads the encoder library and raises EAudioException "libmp3lame.so.0
// library could not be loaded." (or a message naming a missing function) when it cannot.
// Destroying the output mid-run stops the worker and the engine, discards the unfinished
// file, and only then gives the library back.
//
// Threads: owned by the main thread; properties are read by PrepareRun (main thread)
// only, so changing them during a run affects the next run.
class TMP3Out : public TAudioFileOut {
    Q_OBJECT
public:
    explicit TMP3Out(QObject* AOwner = nullptr);
    ~TMP3Out() override;

    // The files' format; the MP3 properties below hold for MP3 only.
    TOutputFormat Format = ofMP3;
    // FLAC: compression level 0 (fastest) to 8 (smallest); sample rate, 0 for the source's.
    int FlacLevel = FlacLevelDefault;
    int FlacSampleRate = 0;
    // Opus: bit rate, kbit/s.
    int OpusBitrate = OpusKbpsDefault;
    // What the input should decode to for these properties.
    TPcmFormat InputFormat() const;

    // Constant bit rate, used when EnableVBR is false.
    TMP3BitRate BitRate = br128;
    // Tag texts of a run without Tracks (UTF-8 in the program, written as UTF-16 in ID3v2
    // and in ID3v1 as Latin-1 or, where Latin-1 lacks a character, spelt in Latin letters by
    // ICU, else left empty; cut by the format), each cut to its first 255 characters
    // (code points, so no surrogate pair is split). Empty texts are left out of ID3v2.
    // Genre is a name or a number: a listed name or number also sets the ID3v1 genre, any
    // other text is kept in ID3v2. Track is a number ("n" or "n/m").
    QString Id3TagTitle;
    QString Id3TagArtist;
    QString Id3TagAlbum;
    QString Id3TagYear;
    QString Id3TagTrack;
    QString Id3TagComment;
    QString Id3TagGenre;
    // Quality for constant bit rate.
    TMP3Quality Quality = ql5;
    TMP3SampleRate SampleRate = srDefault;
    TMP3Mode Mode = TMP3Mode::STEREO;
    bool CRC = false;
    bool Copyright = false;
    bool Original = true;
    // With EnableVBR: use the encoder's current VBR method (what LAME's -V uses).
    bool WriteVBRHeader = false;
    bool EnableVBR = false;
    TMP3Quality VBRQuality = ql5;
    // Whether VBRMinBitrate and VBRMaxBitrate bound every frame; without them the quality
    // alone decides the rate.
    bool VBRLimits = true;
    // Limits of variable bit rate, kbit/s; a run exchanges them when max < min.
    int32_t VBRMinBitrate = 128;
    int32_t VBRMaxBitrate = 192;
    // The front cover of every file (JPEG), empty for none.
    std::vector<uint8_t> Cover;
    // ReplayGain values (track, and album for a list) measured while encoding.
    bool ReplayGain = false;
    // Encoder threads: 0 one per core, 1 a single encoder.
    int Jobs = 0;
    // The files of the run, each a range of the input's time line (see TRipJob); empty:
    // the whole input into FileName. Tag texts are cut as the Id3Tag texts are.
    std::vector<TRipJob> Tracks;
    // How long a job must be before it is cut into segments.
    TRipTuning Tuning;

    struct TProgress {
        int64_t DoneFrames = 0;  // of the jobs' ranges, encoded
        int64_t TotalFrames = 0; // 0 when unknown
        int JobsWritten = 0;
        int JobCount = 0;
        int SampleRate = 0;   // of the frames counted
        bool Seeking = false; // finding the start of the range; nothing encoded yet
    };
    // Any time (main thread): how far the current or last run has come.
    TProgress Progress() const;
    // After OnThreadException: the 0-based job that failed (-1 when none was at fault).
    int FailedJob() const { return FFailedJob; }
    // After OnDone: what became of each job.
    const std::vector<TRipJobResult>& LastResults() const { return FResults; }
    const TLoudness& LastAlbumLoudness() const { return FAlbum; }

    // Samples one step of an input read in order takes, whatever their width.
    static constexpr int PcmBlockSamples = 8192;

protected:
    void PrepareRun() override;
    bool WriteStep(bool Abort) override;
    void FinishRun() override;
    void InterruptRun() override;

private:
    TMp3EncoderSettings EncoderSettings(int InputSampleRate);
    std::shared_ptr<TRipEncoder> MakeEncoder(int InputSampleRate);
    std::vector<TRipJob> RunJobs() const;
    int ReadNext(void* Buffer, int Frames);
    int JobCount() const;
    // Releases everything a run holds; the unfinished file goes.
    void Discard() noexcept;
    void EndReading() noexcept;

    bool FReading = false;
    bool FLibraryHeld = false;
    int FInputBits = 0;
    std::vector<uint8_t> FWide;
    // The run's engine; the lock keeps it alive for a stop request or a progress query
    // from the main thread while the worker lets it go.
    mutable std::mutex FEngineLock;
    std::unique_ptr<TRipExecutor> FEngine;
    TProgress FLastProgress;
    int FFailedJob = -1;
    std::vector<TRipJobResult> FResults;
    TLoudness FAlbum;
};
