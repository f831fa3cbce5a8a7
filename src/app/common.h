#pragma once

// Small stateless helpers shared by the main window and the dialogs.
// All run on the GUI thread; none keeps state between calls.

#include "base/media_time.h"

#include <QString>
#include <QStringList>

#include <cstdint>

// The text without characters of code 0 to 32 at either end.
QString TrimBlanks(const QString& text);

// The run of decimal digits at the start of the text as a 32-bit integer; raises
// EConvertError ("'%s' is not a valid integer value") for an empty run or overflow.
int32_t LeadingNumber(const QString& text);

// Every occurrence of `search` replaced by `replacement` (which must not contain it).
QString ReplaceAllText(QString text, const QString& search, const QString& replacement);

// Appends the pieces of `text` cut at every `delimiter` to `list` (n delimiters, n+1 pieces).
void SplitText(const QString& text, const QString& delimiter, QStringList& list);

// h:mm:ss.t, cut (never rounded) to the tenth.
QString FormatTimeText(int64_t ms);
inline QString FormatTimeText(TMediaTime time) {
    return FormatTimeText(time.ToMs());
}

// The same without the hour under an hour (m:ss.t): where columns of times must leave room.
QString FormatShortTimeText(TMediaTime time);

// Seconds ("12.5") or h:mm:ss.t / m:ss.t, to whole milliseconds (the fraction is cut to the
// millisecond). Returns false for anything else, negative values included.
bool ParseTimeText(const QString& text, int64_t& ms);

// A time of ParseTimeText as media time; false when it would not fit (a time past 29 000
// years, after the end of any source), so ranges are checked in milliseconds before they
// are converted.
bool MsToMediaTime(int64_t ms, TMediaTime& time);

// "%.2f M bytes" of whole kibibytes / 1024, rounded half away from zero, locale separator.
QString FormatSizeText(int64_t bytes);

// Creates every missing folder of `path` and returns it ending in "/", or an empty text
// when a folder cannot be created (folders made before stay). "~/" is the home folder; a
// relative path is placed in the home folder; an empty path yields `defaultFolder`.
QString ForceFolderPath(const QString& path, const QString& defaultFolder);

// Why the existing `path` cannot be a source: a pipe, a socket or a character device gives
// its bytes once, and a source is read again after it is opened (and in parts at once);
// waiting on a pipe's writer would also hang the opening. Empty for a file, a folder or a
// disc's block device.
QString ReadOnceSourceReason(const QString& path);

// Whether both paths name one existing file, under any name (a link, "..", a hard link).
bool SameFile(const QString& a, const QString& b);

// History list files: one entry per line. Loading accepts LF and CR LF and empties the list
// first (also when the file cannot be opened); saving writes CR LF. Both raise EInOutError
// ("File not found", "File access denied", ...).
void LoadListFile(const QString& fileName, QStringList& list);
void SaveListFile(const QString& fileName, const QStringList& list);
