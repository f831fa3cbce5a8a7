#pragma once

// What a rip's format allows on the command line: the format an output's name says, and the
// options that do not go with a format. Main thread.

#include "audio/rip/mp3_out.h" // TOutputFormat
#include "program/command_line.h"

#include <QString>

#include <cstdint>
#include <optional>

// Why `Kbps` is no MP3 bit rate (naming `Option` and the rates there are); empty when it is one.
QString Mp3RateRefusal(const QString& Option, int32_t Kbps);

// The format an output names by its extension (a file, or the name pattern of tracks); none
// for another extension or none.
std::optional<TOutputFormat> FormatOfOutput(const QString& Output);

// Why the options do not go with `Format` (an MP3 rate that is none, --vbr for FLAC, an
// output whose extension is another format's, ...); empty when they do. The parser asks it
// when the format is known from the command line, the rip when it is the stored one.
QString FormatOptionRefusal(const TCommandLineOptions& Options, TOutputFormat Format);
