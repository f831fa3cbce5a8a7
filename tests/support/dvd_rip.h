#pragma once

// Rips of DVD titles with the built program, read back with FFmpeg and searched for the
// fixtures' sound. Test threads only.

#include "support/decoded_audio.h"
#include "support/fixture_signal.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// The rate the rips are made at: the discs' own, so a sample of the disc is one of the MP3.
inline constexpr int kDvdRipRate = 48000;

// Rips with `args` to `output` at 48 kHz, 320 kbit/s stereo (expecting success) and decodes
// the MP3 with FFmpeg.
DecodedAudio RipDvd(const QStringList& args, const QString& output);

// Rips with `args` and --split-chapters into a fresh folder, as RipDvd does, and decodes
// each chapter's MP3, in the chapters' order.
std::vector<DecodedAudio> RipDvdChapters(const QStringList& args);

// Source sample `from` of `signal` is frame `at` of the decoded rip, to the sample.
void ExpectSignalAt(const DecodedAudio& mp3, const fixture_signal::TSignal& signal, int64_t from,
                    int64_t at);

// Samples at 48 kHz of a DVD playback time of 90 kHz ticks (exact for PAL cells).
inline int64_t DvdSamples(int64_t ticks) {
    return ticks * kDvdRipRate / 90000;
}
