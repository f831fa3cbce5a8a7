#pragma once

#include <QString>

#include <cstdint>

// The file one MP3 of a rip is written to: a temporary file beside the target (so the final
// rename stays on one file system), written and patched there, and renamed over the target
// only when complete. A failed or abandoned file leaves nothing, and a file that was there
// before stays untouched until the rename. A new file gets the rights the user's umask
// gives; a replaced one keeps its own; a symbolic link is written through.
//
// Threads: one thread at a time (the rip's coordinator).
class TOutputFile {
public:
    TOutputFile() = default;
    ~TOutputFile() { Discard(); }
    TOutputFile(const TOutputFile&) = delete;
    TOutputFile& operator=(const TOutputFile&) = delete;

    // What creating Target would refuse, before any work is done: a folder, a file that
    // cannot be written, a name or path the file system cannot hold, a folder that cannot
    // be written into. Raises EAudioException "Cannot create file "...". <reason>".
    static void Check(const QString& Target);
    // The file a write to Target lands on: a link's file (absolute, links resolved), or
    // Target itself, which a dangling link of that name is replaced by.
    static QString Landing(const QString& Target);

    // Creates the temporary file for Target (EAudioException when it cannot).
    void Open(const QString& Target, bool Replace);
    bool IsOpen() const { return FFd >= 0 || !FTemp.isEmpty(); }
    // Appends; EAudioException with the system's text (a full disk among them).
    void Write(const uint8_t* Data, int64_t Count);
    void WriteAt(int64_t Offset, const uint8_t* Data, int64_t Count);
    int64_t Size() const { return FSize; }
    // Closes the file and keeps it waiting for Commit or Discard (a long list's finished
    // files hold no descriptor each); a later write opens it again.
    void Close();
    // Syncs, closes and renames the file over its target: without Replace an existing
    // target (even one made meanwhile by another program) is never replaced, the run
    // fails instead.
    void Commit();
    // Closes and removes the temporary file.
    void Discard() noexcept;
    // After Commit: writes Data over the file in place at Offset (a tag of the same size).
    void PatchCommitted(int64_t Offset, const uint8_t* Data, int64_t Count);

    const QString& Target() const { return FTarget; }

private:
    QString WriteError(int Error) const;
    // Opens the waiting temporary file again after Close.
    void Reopen();
    // Writes all of Data at Offset, or appends it (Offset -1).
    void Put(int64_t Offset, const uint8_t* Data, int64_t Count);

    QString FTarget;
    QString FTemp;
    int FFd = -1;
    int64_t FSize = 0;
    bool FReplace = true;
};
