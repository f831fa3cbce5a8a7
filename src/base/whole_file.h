#pragma once

// The files Sonavel reads whole (a track list, a cover picture, the settings hive, the tag
// editor's history lists): only a regular file, never more than a limit, and never a wait
// on a pipe that nothing writes into. Pure file system calls: any thread.

#include <QByteArray>
#include <QString>

// The system's text for the error number `Error`, in the user's language where the system has it.
QString SystemText(int Error);

// What the existing `Path` is when it gives its bytes only once (a pipe, a socket, a
// character device such as /dev/zero) as the user would name it ("a pipe"), translated;
// empty for anything else, a missing path included.
QString ReadOnceKind(const QString& Path);

// Reads the regular file `Path` into `Data`. False, with `Why` (the system's text, or why
// the file is not read: "it is a pipe, which can be read only once", "it is a folder", "it
// is larger than 1 MB"), when it cannot be read whole within `Limit` bytes; `Error`
// (optional) gets the system's error number, 0 when the system had none.
bool ReadWholeFile(const QString& Path, qint64 Limit, QByteArray& Data, QString& Why,
                   int* Error = nullptr);
