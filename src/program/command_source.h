#pragma once

// The source a listing command reads (--list-pauses, --list-chapters, --list-tracks), as --rip
// resolves it: a plain file, or one title of a DVD. Threads: main thread.

#include "app/dvd_choice.h"
#include "base/result.h"

#include <QString>

// What the media layer reads for `Source`: the file's absolute path, or the locator of
// the DVD's title `DvdTitle` (0: the longest), the choice answered in `Dvd`; else why not
// (missing, a pipe or device that can be read only once, a folder that is no DVD,
// --dvd-title without a DVD, an unreadable disc).
TResult<QString> CommandSourcePath(const QString& Source, int DvdTitle, TDvdChoice& Dvd);
