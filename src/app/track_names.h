#pragma once

// File names of a track list's MP3s, made from a pattern. Pure functions: any thread.

#include <QString>
#include <QStringList>

#include <vector>

// "01 - Intro.mp3"; another format's files take its extension (TrackPatternFor).
inline const QString DefaultTrackPattern = QStringLiteral("%n - %t.mp3");
// The default pattern with `Extension` (".flac") for its extension.
QString TrackPatternFor(const QString& Extension);

struct TTrackNameFields {
    int Number = 0; // 1-based
    int Count = 0;  // tracks in the run
    QString Title, Artist, Album;
};

// The name `Pattern` gives a track: %n the number, zero-padded to the digits of the count
// (two at least), %t the title, %a the artist, %A the album, %% a percent sign; `Extension`
// (the format's, ".mp3") is added when the pattern does not end in it. Whatever a file system
// refuses in a name
// ("/", "\", ":", "*", "?", '"', "<", ">", "|", control characters) becomes "_", and so
// does a leading "." (no hidden files, no "." or ".."), so a name never leaves its folder.
// Long names are cut (at whole characters) to stay within what file systems allow.
QString TrackFileName(const QString& Pattern, const TTrackNameFields& Fields,
                      const QString& Extension = QStringLiteral(".mp3"));

// `Folder` + the name of every track, in order; `Pattern` (or `Folder`) may name folders by
// fields too ("%a/%A/%n - %t.mp3"), each filled in as a name is. Raises ETrackListError when two
// tracks would get the same name (compared without regard to case, as some file systems do).
QStringList TrackFilePaths(const QString& Folder, const QString& Pattern,
                           const std::vector<TTrackNameFields>& Tracks,
                           const QString& Extension = QStringLiteral(".mp3"));

// What a default name adds for chapters `First`..`Last` (1-based) of a source: "_c06",
// "_c06-c08"; nothing for 0 (the whole source).
QString ChapterNamePart(int First, int Last);

// Splits an output given for a track list into its folder and its name pattern: a folder
// (an existing one, or text ending in "/") takes the default pattern; otherwise the
// folder part and the name part. Relative paths are taken from the working folder.
void SplitTrackOutput(const QString& Output, QString& Folder, QString& Pattern,
                      const QString& Extension = QStringLiteral(".mp3"));
