#pragma once

// The file a rip reads, held open from the moment the rip opens it, so that every reader of
// the run (the input's own and each part read in parallel) reads that very file, even when
// another file takes its name meanwhile (a download finishing, a program saving by rename).
// Each reader gets a descriptor of its own on it, with a position of its own, through the
// process's descriptor table. A file changed in place while it is read (cut short, written
// over) is told by its size and modification time.
//
// Threads: made on any thread; every member may be used from any thread.

#include "media/ffmpeg_ptr.h"

#include <QString>

#include <memory>
#include <sys/stat.h>

namespace media {

class TSourceFile {
public:
    // The regular file at Path, opened; null when it is none or cannot be opened (the
    // reader that opens it by name then says why).
    static std::shared_ptr<const TSourceFile> Open(const QString& Path);
    ~TSourceFile();
    TSourceFile(const TSourceFile&) = delete;
    TSourceFile& operator=(const TSourceFile&) = delete;

    const QString& Path() const { return FPath; }
    // A new descriptor on the same file with a position of its own, for the caller to
    // close; -1 (errno set) when none can be had.
    int Reopen() const;
    // The file is no longer what was opened: its size or its modification time differ.
    bool Changed() const;

    // An AVIOContext that reads `Fd` (owned by it from then on) as FFmpeg's file protocol
    // would, asking `Interrupt` (may be null) before each read; null when memory runs out
    // (`Fd` is closed then). Freed with ffmpeg::FreeCustomIo.
    static AVIOContext* MakeIo(int Fd, const AVIOInterruptCB* Interrupt);

private:
    TSourceFile(QString Path, int Fd, const struct stat& Info);

    QString FPath;
    int FFd;
    struct stat FInfo;
};

} // namespace media
