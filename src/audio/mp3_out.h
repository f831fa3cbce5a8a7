#pragma once

#include "audio/audio_file_out.h"
#include "audio/mp3_encoder.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class TMp3ParallelEncoder;

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

// The MP3 output: on its worker it pulls PCM from Input (32-bit float, encoded as it
// comes; 16-bit; 8-bit, which is widened), encodes it with LAME (TMp3Encoder) and writes
// an MP3 file that starts with an ID3v2.3 tag (UTF-16 texts), ends with an ID3v1 tag, and
// carries the encoder's information frame ("Info" for constant, "Xing" for variable bit
// rate) so players know the exact length.
//
// Usage (main thread): set FileName, the encoding properties and the Id3Tag texts, assign
// Input and OnDone (and OnThreadException to hear of failures), then Run. Run returns at
// once; OnDone arrives on the main thread when the file is complete, or after Abort with
// LastRunAborted() true. The run writes a temporary file beside FileName
// (".sonavel-XXXXXX.part", short whatever the target's name) and renames it over
// FileName only when complete: a failed or aborted run leaves no partial file and leaves a
// file that was there before untouched (a replaced file keeps its access rights, a new one
// gets 0644; a symbolic link is written through). Failures (file not creatable, disk
// full, encoder errors, an input format other than 1 or 2 channels of 8, 16 or 32 bits)
// reach OnThreadException on the main thread with the system's text, and OnDone does not
// follow. The worker waits for the handlers: one that asks the user something posts its
// question rather than holding the worker.
//
// Progress: GetProgress() (0..100 from the input's Position and Size) may be polled by a
// timer; OnProgress fires on the main thread when the rounded percentage changes.
//
// Construction loads the encoder library and raises EAudioException "libmp3lame.so.0
// library could not be loaded." (or a message naming a missing function) when it cannot.
// Destroying the output mid-run stops the worker, discards the partial file, and only
// then gives the library back.
//
// Threads: owned by the main thread; properties are read by PrepareRun (main thread)
// only, so changing them during a run affects the next run.
class TMP3Out : public TAudioFileOut {
    Q_OBJECT
public:
    explicit TMP3Out(QObject* AOwner = nullptr);
    ~TMP3Out() override;

    // Constant bit rate, used when EnableVBR is false.
    TMP3BitRate BitRate = br128;
    // Tag texts (UTF-8 in the program, written as UTF-16 in ID3v2 and as Latin-1, cut by
    // the format, in ID3v1), each cut to its first 255 characters (code points, so no
    // surrogate pair is split). Empty texts are left out of ID3v2. Genre is a name or a
    // number: a listed name or number also sets the ID3v1 genre, any other text is kept
    // in ID3v2. Track is a number ("n" or "n/m").
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
    // With EnableVBR: use the encoder's VBR mode 2.
    bool WriteVBRHeader = false;
    bool EnableVBR = false;
    TMP3Quality VBRQuality = ql5;
    // Limits of variable bit rate, kbit/s; a run exchanges them when max < min.
    int32_t VBRMinBitrate = 128;
    int32_t VBRMaxBitrate = 192;
    // Encoder threads: 0 one per core, 1 a single encoder. With more than one, a run long
    // enough (TMp3ParallelEncoder::Worthwhile) from an input that can be read in parts,
    // already at the MP3's sample rate, is encoded in segments on that many threads and
    // joined into the same kind of file.
    int Jobs = 0;

    // Samples one step reads, whatever their width, and the MP3 buffer they need
    // (1.25 x 8192 + 7200).
    static constexpr int PcmBlockSamples = 8192;
    static constexpr int Mp3BufferSize = TMp3Encoder::BufferSizeFor(PcmBlockSamples);

protected:
    void PrepareRun() override;
    bool WriteStep(bool Abort) override;
    void FinishRun() override;

private:
    // The run's own file descriptor (written directly, so that errors keep errno).
    class TFileHandle {
    public:
        ~TFileHandle() { Close(); }
        int Fd = -1;
        int Close() noexcept;
    };

    void OpenTarget();
    void ConfigureEncoder(int InputSampleRate);
    void Write(const unsigned char* Data, int Count);
    bool ReadAt(int64_t Offset, unsigned char* Data, int Count);
    bool WriteAt(int64_t Offset, const unsigned char* Data, int Count);
    void WriteInfoTag();
    void Commit();
    // The run in parts (mp3_out_parallel.cpp): decides and starts it in PrepareRun, steps it
    // on the worker, and falls back to one encoder when a seam cannot be joined.
    void StartParallel(int InputSampleRate);
    bool ParallelStep(bool Abort);
    void FinishParallel();
    void FallBackToSerial();
    int JobCount() const;
    // Releases everything a run holds and removes its temporary file.
    void Discard() noexcept;
    QString WriteErrorText(int Error) const;
    QString OutputName() const;

    alignas(float) std::array<unsigned char, PcmBlockSamples * sizeof(float)> FPcm{};
    TMp3Encoder FEncoder;
    TFileHandle FFile;
    QString FTargetName;
    QString FTempName;
    bool FReading = false;
    bool FLibraryHeld = false;
    // The run in parts while it goes; FParallelDone once its file is complete.
    TMp3EncoderSettings FRunSettings;
    std::unique_ptr<TMp3ParallelEncoder> FParallel;
    bool FParallelStarted = false;
    bool FParallelDone = false;
    int64_t FInfoAt = 0;
    std::vector<uint8_t> FParallelBytes;
};
