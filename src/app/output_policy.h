#pragma once

// One rule for every file a rip writes, for the window and the command line alike: never
// a file the rip reads (a plain source, or any file of a DVD's VIDEO_TS folder or its
// image, by device and inode), never the file of another output of the same rip (a name
// that is a link to it), never a folder, nothing the file system cannot name or write; an
// existing file (a dangling link of that name too) only when the user agrees (the window
// asks, the command line needs --force); a missing folder is made (the window asks first).
// Any thread; the checks read the file system.

#include <QString>
#include <QStringList>

#include <vector>

struct TDvdChoice;

enum class TOutputProblem {
    ReplacesSource, // would replace a file the rip reads
    SameFile,       // lands on the file of an earlier output (Other), e.g. through a link
    IsFolder,
    CannotCreate, // the name, the path or the folder's rights; Reason says which
    FolderMissing,
    Exists,
};

struct TOutputFinding {
    TOutputProblem Problem;
    int Job = 0; // index into the paths checked
    QString Path;
    QString Reason; // CannotCreate: the system's text
    int Other = -1; // SameFile: the earlier output's index
};

// The files a rip of `Source` reads: the file itself; for a DVD (a folder, a file in it, an
// image, a device) every file of its VIDEO_TS folder, or the image.
QStringList SourceFiles(const QString& Source);

// The finding for each of the outputs `Paths` of a rip of `Source` that has one (at most
// one a path: the most serious), in the order of the paths. A path in a missing folder is
// checked no further: check again once the folder is made.
std::vector<TOutputFinding> CheckOutputs(const QStringList& Paths, const QString& Source);

// The name of a rip's single file when the user names none, without a folder: the
// source's file name with the format's `Extension` ("film.mp3" for ".../film.mpg"), and
// the chapters `FirstChapter`..`LastChapter` when given ("film_c02-c03.mp3"); for a DVD
// title (`Dvd` with a locator) the disc's name, the title and the chapters (0: the whole
// title), as DvdOutputName makes it. The window and the command line name their defaults,
// and their track folders, by it.
QString DefaultOutputName(const QString& Source, const TDvdChoice& Dvd, int FirstChapter = 0,
                          int LastChapter = 0, const QString& Extension = QStringLiteral(".mp3"));

// The output as a user typed it, made the path a rip writes: "\\" reads as "/", "~" is the
// home folder, a relative path lies in `OutputFolder` (the home folder when that is
// empty); an existing folder, or a path ending in "/", gets `DefaultName` inside it; a
// file name without an extension gets `Extension` (the format's), unless it is a pattern of
// track names ("%" fields).
QString ResolveTypedOutput(const QString& Typed, const QString& OutputFolder,
                           const QString& DefaultName,
                           const QString& Extension = QStringLiteral(".mp3"));

// The first finding of a kind, or null.
const TOutputFinding* FirstOf(const std::vector<TOutputFinding>& Findings, TOutputProblem Kind);
