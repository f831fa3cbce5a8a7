#pragma once

// How the stored settings and the current tag become the MP3 output's properties: one
// mapping for the window's rip and the command line's. GUI (main) thread.

#include "app/globals.h"
#include "audio/rip/mp3_out.h"

#include <optional>

// The bit rate of a table entry; false (and `rate` untouched) for a rate not in the table.
bool BitRateFor(int32_t kbps, TMP3BitRate& rate);
// Channel-mode index (0 dual, 1 stereo, 2 joint, 3 mono); any other index gives MONO.
TMP3Mode ChannelModeFor(int32_t index);
// 32000 and 48000 as they are; any other rate gives 44100.
TMP3SampleRate SampleRateFor(int32_t hz);

// Bit rate (kept when not in the table), VBR limits and quality, mode, VBR flags, sample
// rate, ReplayGain and the six tag texts (the track is not set; the cover is the run's).
void ApplySettingsToOutput(TMP3Out& out, const TAppSettings& settings, const TCurrentTag& tag);

// The main window's own values for its output, which no setting changes: 192 kbit/s until
// the settings name a listed rate, quality 2 for a constant rate, 44.1 kHz, not "original".
void ApplyFormValues(TMP3Out& out);

// What a command line asks for over the stored settings; unset fields keep them.
struct TEncodingChoice {
    std::optional<int32_t> Bitrate;
    std::optional<int32_t> VbrMin, VbrMax;
    std::optional<int32_t> ChannelMode;
    std::optional<int32_t> SampleRate;
    std::optional<int> Jobs;       // encoder threads (0 every core); unset: the output's own
    std::optional<int> VbrQuality; // 0..9
    std::optional<bool> ReplayGain;
};

// The one place a rip's encoding is set: the stored settings onto `out` (over what it has,
// so the window's output keeps its form values), then `choice`, and the threads.
void ConfigureRipOutput(TMP3Out& out, const TAppSettings& settings,
                        const TEncodingChoice& choice = {});
// The rate such a rip encodes at, which its input decodes to.
int32_t RipSampleRate(const TAppSettings& settings, const TEncodingChoice& choice = {});

// The average rate LAME's -V `quality` (0..9) typically gives music, kbit/s: what the
// settings dialog tells of each step and what a size is estimated with.
int32_t VbrTypicalKbps(int32_t quality);

// Whether an MP3 at `hz` can have the constant bit rate `kbps` (the settings dialog greys
// out the others).
bool CbrRateCarried(int32_t kbps, int32_t hz);
// Why the constant bit rate such a rip would use cannot be had at its sample rate, naming
// the rates that can; empty for a variable bit rate or a rate that fits.
QString RipBitRateRefusal(const TAppSettings& settings, const TEncodingChoice& choice = {});
