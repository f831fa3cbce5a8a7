#pragma once

// --cover VALUE: the picture shown at a time of the source's video, or a picture file, as
// JPEG bytes. Main thread.

#include "base/media_time.h"
#include "base/result.h"

#include <QString>

#include <cstdint>
#include <vector>

// `Value` read as a file when one of that name exists (as the shell would have it), else
// as a time before `Duration` (unknown when not positive) of `Source`'s video; else why not.
TResult<std::vector<uint8_t>> CoverFromOption(const QString& Value, const QString& Source,
                                              TMediaTime Duration);
