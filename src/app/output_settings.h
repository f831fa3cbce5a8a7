#pragma once

// How the stored settings and the current tag become the MP3 output's properties: one
// mapping for the window's rip and the command line's. GUI (main) thread.

#include "app/globals.h"
#include "audio/mp3_out.h"

// The bit rate of a table entry; false (and `rate` untouched) for a rate not in the table.
bool BitRateFor(int32_t kbps, TMP3BitRate& rate);
// Channel-mode index (0 dual, 1 stereo, 2 joint, 3 mono); any other index gives MONO.
TMP3Mode ChannelModeFor(int32_t index);
// 32000 and 48000 as they are; any other rate gives 44100.
TMP3SampleRate SampleRateFor(int32_t hz);

// Bit rate (kept when not in the table), VBR limits, mode, VBR flags, sample rate, and the
// six tag texts (the track is not set).
void ApplySettingsToOutput(TMP3Out& out, const TAppSettings& settings, const TCurrentTag& tag);
