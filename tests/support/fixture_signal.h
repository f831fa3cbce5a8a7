#pragma once

// The known sound and picture inside the generated fixtures (tests/fixtures/README.md).
// The generator writes the fixtures from these functions and the tests look for them
// with the same functions, so both always agree. Plain C++, no Qt and no FFmpeg, so the
// generator can compile it too. Any thread.

#include <cstdint>
#include <vector>

namespace fixture_signal {

// ---- Sound --------------------------------------------------------------------------
// The source is cut into one-second segments. For the first kSoundSeconds of second s a
// channel carries a tone whose pitch depends on s, the channel and the seed, plus
// low-passed noise from a generator seeded by (seed, channel, sample number); the rest of
// the second is digital silence. Noise makes every instant unique, so a stretch of
// decoded sound is found to the sample by cross-correlation (FindBestOffset); the gaps
// give known silent and loud parts.

inline constexpr double kSoundSeconds = 0.75;
inline constexpr double kFadeSeconds = 0.005; // linear fade in and out of every segment

struct TSignal {
    uint32_t seed = 1;
    int channels = 2;
    double peak = 0.5;   // largest magnitude a channel can reach (full scale = 1)
    int lfeChannel = -1; // that channel holds only a low tone (no noise)
};

// Tone of second `second` on channel `channel`, in Hz.
double ToneHz(const TSignal& signal, int channel, int64_t second);

// Source sample (-1..1) of channel `channel`, frame `frame`, for a source made at `rate`.
// The noise is defined per sample, so the same signal at another rate is another noise.
double SampleAt(const TSignal& signal, int channel, int64_t frame, int rate);

// Interleaved 16-bit frames [first, first + count) of the source at `rate`.
std::vector<int16_t> SourceS16(const TSignal& signal, int rate, int64_t first, int64_t count);

// True when `seconds` (source time) lies in a silent gap, `margin` seconds away from its
// edges; IsLoudAt likewise for the sounding part (away from the fades).
bool IsSilentAt(double seconds, double margin = 0.02);
bool IsLoudAt(double seconds, double margin = 0.02);

// ---- Picture ------------------------------------------------------------------------
// Every test picture carries its frame index (0-based, counted from the first encoded
// frame) in a row of 14 square blocks near the top: a white marker block, 12 bits of the
// index with the most significant bit first (white = 1, black = 0), a black marker block.
// Blocks are luma 235 / 16, large enough to survive MPEG compression.

inline constexpr int kIndexBits = 12;
inline constexpr int kBlockCount = kIndexBits + 2;

struct TBlockLayout {
    int x0 = 0;    // left edge of the first (marker) block
    int y0 = 0;    // top edge of the row
    int size = 16; // side of a block in pixels
};

// Layout for a picture of this size (width at least 16 * kBlockCount + 32).
TBlockLayout BlockLayout(int width, int height);

// Frame index read from a luma plane; -1 when the markers are not found.
int DecodeFrameIndex(const uint8_t* luma, int linesize, int width, int height);

// ---- The fixtures -------------------------------------------------------------------
// Signals and formats of the generated files, as the generator made them.

struct TFixtureAudio {
    TSignal signal;
    int sampleRate = 48000;
};

inline constexpr TSignal kDvdStereo{11, 2, 0.5, -1};
inline constexpr TSignal kDvd51{12, 6, 0.7, 3}; // FL FR FC LFE SL SR, loud on purpose
inline constexpr TSignal kVcd{21, 2, 0.5, -1};
inline constexpr TSignal kMonoU8{31, 1, 0.6, -1};
inline constexpr TSignal kOffsetTs{41, 2, 0.5, -1};
inline constexpr TSignal kTrackEng{51, 2, 0.5, -1};
inline constexpr TSignal kTrackFra{52, 2, 0.5, -1};
inline constexpr TSignal kShort{61, 2, 0.5, -1};
// DVD LPCM: 16-bit stereo and 24-bit mono packed by FFmpeg's muxer, 20-bit 5.1 and 24-bit
// stereo packed as DVD authoring packs them.
inline constexpr TSignal kLpcm16{71, 2, 0.5, -1};
inline constexpr TSignal kLpcm24Mono{72, 1, 0.5, -1};
inline constexpr TSignal kLpcm20Surround{73, 6, 0.7, 3};
inline constexpr TSignal kLpcm24{74, 2, 0.5, -1};
// 24-bit PCM stereo at 44.1 kHz in Matroska (pcm24.mkv), what a lossless rip must keep.
inline constexpr TSignal kPcm24Mkv{75, 2, 0.5, -1};
inline constexpr int kPcm24MkvRate = 44100;
// The sources the DVD tests author discs from (dvd_title_*.mpg).
inline constexpr TSignal kTitleAEng{81, 2, 0.5, -1};
inline constexpr TSignal kTitleAFra{82, 2, 0.5, -1};
inline constexpr TSignal kTitleBEng{83, 2, 0.5, -1};
inline constexpr TSignal kTitleBFra{84, 2, 0.5, -1};
inline constexpr TSignal kTitleLpcm{85, 2, 0.5, -1};
inline constexpr TSignal kTitleMp2{86, 2, 0.5, -1};
inline constexpr TSignal kTitleLead{87, 2, 0.5, -1};
inline constexpr TSignal kConcert{91, 2, 0.5, -1};
inline constexpr TSignal kEarlyEnd{101, 2, 0.5, -1};
inline constexpr TSignal kLateSound{102, 2, 0.5, -1};

// ---- Songs with pauses (songs_pauses.mpg) -------------------------------------------
// A concert recording without chapters: five songs, each the segment sound above at its
// own level (one 12 dB quieter than the rest), one after the other with pauses of 1.5 to
// 3 s between them. Hiss and hum lie under everything, so a pause, a song's own 0.25 s
// gaps and a 0.4 s dip inside song 3 (right after one of its gaps: 0.65 s quiet in all)
// all sound alike; only their length tells a pause. A second of hiss ends the sound.
// Times in seconds of the sound (its first sample is 0).
inline constexpr int kSongCount = 5;
inline constexpr double kSongStart[kSongCount] = {0.0, 26.25, 59.0, 84.75, 114.0};
inline constexpr double kSongEnd[kSongCount] = {24.75, 57.0, 81.75, 111.5, 139.75};
inline constexpr double kSongGain[kSongCount] = {1.0, 0.5, 1.0, 0.25, 0.8};
inline constexpr double kSongDipStart = 69.0, kSongDipEnd = 69.4; // inside song 3
inline constexpr double kSongsSeconds = 140.75;
inline constexpr int kSongsRate = 48000;
// Sample (-1..1) of the songs' channel `channel` (stereo) at frame `frame` (kSongsRate).
double SongsSampleAt(int channel, int64_t frame);

inline constexpr double kDvdSeconds = 10.0;       // dvd_ac3_stereo, dvd_ac3_51, two_tracks
inline constexpr double kVcdSeconds = 10.0;       // vcd_mp2.mpg / .dat
inline constexpr double kMonoSeconds = 6.0;       // mono_u8.avi
inline constexpr double kOffsetSeconds = 6.0;     // offset_ts.mpg
inline constexpr double kOffsetStart = 10.0;      // its timestamps start about here
inline constexpr double kShortSeconds = 0.6;      // short.mpg
inline constexpr double kNoAudioSeconds = 3.0;    // no_audio.mpg
inline constexpr double kDemoSeconds = 15.0;      // demo.mpg
inline constexpr double kTitleASeconds = 6.4;     // dvd_title_a.mpg
inline constexpr double kTitleBSeconds = 4.0;     // dvd_title_b.mpg
inline constexpr double kTitleLpcmSeconds = 3.2;  // dvd_title_lpcm.mpg
inline constexpr double kConcertSeconds = 30.0;   // dvd_concert.mpg
inline constexpr double kTitleNtscSeconds = 10.0; // dvd_title_ntsc.mpg (29.97 pictures a second)
inline constexpr double kEarlyEndSeconds = 6.0;   // early_end.mkv: pictures
inline constexpr double kEarlyEndSound = 2.0;     // and the sound, from the first picture
inline constexpr double kLateSoundSeconds = 10.0; // late_sound.mpg: pictures
inline constexpr double kLateSoundStart = 8.0;    // its sound begins here, for 2 s
inline constexpr double kTitleMp2Seconds = 3.2;   // dvd_title_mp2.mpg
inline constexpr double kTitleLeadSeconds = 3.2;  // dvd_title_lead.mpg: its pictures
// dvd_title_lead.mpg's sound starts this long before its first picture (and ends with its
// last one): the picture shows with source sample kPictureLead * rate.
inline constexpr double kPictureLead = 0.12;
inline constexpr int kMonoRate = 22050;
inline constexpr int kVcdRate = 44100;
inline constexpr int kDvdRate = 48000;

} // namespace fixture_signal
