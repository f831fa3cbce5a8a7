#pragma once

// Read errors on demand, without root and without a special file system: read() of one
// file fails with EIO for a byte range, as a scratched disc or a dropped network mount
// does. Two ways in:
// - in this process: ArmReadFault (the test executable's own read() stands in front of
//   the C library's once this file is linked in);
// - for a program the test starts: ReadFaultEnvironment gives the variables (LD_PRELOAD
//   of the same code built as a small library, and the range) to start it with.
// Any thread; arm and disarm between runs.

#include <QString>
#include <QStringList>

#include <cstdint>

// Reads of `path` that reach [from, to) fail with EIO; bytes before `from` still arrive.
void ArmReadFault(const QString& path, int64_t from, int64_t to);
// Reads of `path` that reach [from, to) from any thread but the caller's wait until
// DisarmReadFault (at most 20 s), like a slow drive seen from the workers; in this
// process only.
void HoldReads(const QString& path, int64_t from, int64_t to);
// Threads waiting in a held read.
int HeldReads();
void DisarmReadFault();

// "NAME=VALUE" entries for `env` that make the same fault in a child process.
QStringList ReadFaultEnvironment(const QString& path, int64_t from, int64_t to);
