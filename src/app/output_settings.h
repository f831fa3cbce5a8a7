#pragma once

// How the stored settings and the current tag become the output's properties (the format,
// and the MP3, FLAC or Opus settings): one mapping for the window's rip and the command
// line's. GUI (main) thread.

#include "app/globals.h"
#include "audio/rip/mp3_out.h"
#include "media/media_audio_stream.h"

#include <optional>

// The bit rate of a table entry; false (and `rate` untouched) for a rate not in the table.
bool BitRateFor(int32_t kbps, TMP3BitRate& rate);
// Channel-mode index (0 dual, 1 stereo, 2 joint, 3 mono); any other index gives MONO.
TMP3Mode ChannelModeFor(int32_t index);
// 32000 and 48000 as they are; any other rate gives 44100.
TMP3SampleRate SampleRateFor(int32_t hz);

// The format and its settings; bit rate (kept when not in the table), VBR limits and
// quality, mode, VBR flags, sample rate, ReplayGain and the six tag texts (the track is not
// set; the cover is the run's).
void ApplySettingsToOutput(TMP3Out& out, const TAppSettings& settings, const TCurrentTag& tag);

// The main window's own values for its output, which no setting changes: 192 kbit/s until
// the settings name a listed rate, quality 2 for a constant rate, 44.1 kHz, not "original".
void ApplyFormValues(TMP3Out& out);

// What a command line asks for over the stored settings; unset fields keep them.
struct TEncodingChoice {
    std::optional<TOutputFormat> Format;
    std::optional<int32_t> Bitrate; // MP3's constant rate, or Opus's rate
    std::optional<int32_t> FlacLevel;
    std::optional<int32_t> VbrMin, VbrMax;
    std::optional<int32_t> ChannelMode;
    std::optional<int32_t> SampleRate;
    std::optional<int> Jobs;       // encoder threads (0 every core); unset: the output's own
    std::optional<int> VbrQuality; // 0..9
    std::optional<bool> ReplayGain;
    std::optional<int32_t> Downmix; // AudioDownmix: 0 standard, 1 dialogue
};

// The one place a rip's encoding is set: the stored settings onto `out` (over what it has,
// so the window's output keeps its form values), then `choice`, and the threads.
void ConfigureRipOutput(TMP3Out& out, const TAppSettings& settings,
                        const TEncodingChoice& choice = {});
// The MP3 rate that keeps a source at its own rate: the same where an MP3 can have it
// (32000, 44100, 48000), else the one of its family (44100 for 22050 or 88200, 48000 for
// 24000 or 96000, 32000 for 16000 or 8000); 44100 when the source's is unknown (0).
int32_t SourceMp3Rate(int32_t sourceHz);
// The rip is an MP3 that keeps the source's rate: the rate chosen, or stored, is 0
// ("source"), which it learns from the stream once open. (FLAC is read at the source's own
// rate unless one is picked for it; Opus is always 48000.)
bool KeepsSourceRate(const TAppSettings& settings, const TEncodingChoice& choice = {});
// The rate such a rip encodes an MP3 at, which its input decodes to; for one that keeps the
// source's rate, SourceMp3Rate of the source's `sourceHz`.
int32_t RipSampleRate(const TAppSettings& settings, const TEncodingChoice& choice = {},
                      int32_t sourceHz = 0);
// How such a rip folds 5.1 and 7.1 sound to stereo.
TDownmix RipDownmix(const TAppSettings& settings, const TEncodingChoice& choice = {});
// The format such a rip writes, and what its input decodes to for it (the source's own rate
// for an MP3 that keeps it, until the stream tells it).
TOutputFormat RipFormat(const TAppSettings& settings, const TEncodingChoice& choice = {});
TPcmFormat RipInputFormat(const TAppSettings& settings, const TEncodingChoice& choice = {});

// The summary's texts of a rip's format: its first line for FLAC and Opus ("FLAC,
// lossless, level 5", "Opus, 160 Kbps, VBR"; MP3's is the window's own) and its rate line
// ("44100 Hz", "Source's rate").
QString FormatSettingsText(const TAppSettings& settings);
QString FormatRateText(const TAppSettings& settings);
// About how many bytes a rip of `ms` milliseconds writes: the MP3's and Opus's bit rates
// (the mean of VBR's limits, or the level's typical rate without them), FLAC at 60 % of 16-bit
// stereo PCM (48 kHz for the source's own rate), as music typically compresses.
int64_t RipSizeEstimate(const TAppSettings& settings, int64_t ms);

// The average rate LAME's -V `quality` (0..9) typically gives music, kbit/s: what the
// settings dialog tells of each step and what a size is estimated with.
int32_t VbrTypicalKbps(int32_t quality);

// Whether an MP3 at `hz` can have the constant bit rate `kbps` (the settings dialog greys
// out the others).
bool CbrRateCarried(int32_t kbps, int32_t hz);
// Why the constant bit rate such a rip would use cannot be had at its sample rate, naming
// the rates that can; empty for a variable bit rate or a rate that fits.
QString RipBitRateRefusal(const TAppSettings& settings, const TEncodingChoice& choice = {});
