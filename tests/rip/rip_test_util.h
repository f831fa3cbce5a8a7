#pragma once

// Helpers shared by the rip tests: running the built program and reading a source's own
// decoded sound for comparison.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

struct TProgramRun {
    int exitCode = -1;
    bool finished = false; // ended by itself within the time limit
    QString out, err;
    qint64 ms = 0;
};

// Runs build/bin/sonavel with `args` and a fresh settings hive. `prefix` (e.g. prlimit)
// runs in front of it when given.
TProgramRun RunSonavel(const QStringList& args, const QStringList& prefix = {},
                       int timeoutMs = 60000);
// Runs any program with the same fresh settings hive.
TProgramRun RunWithHive(const QString& program, const QStringList& args, int timeoutMs = 60000);

// The 16-bit PCM a source's audio track decodes to (the media layer's own reading),
// at `rate` when given, with the number of its first sample.
struct TSourceSound {
    int rate = 0;
    int channels = 0;
    int64_t firstSample = 0;
    std::vector<int16_t> samples;
    int64_t frames() const { return channels ? int64_t(samples.size()) / channels : 0; }
};
TSourceSound ReadSourceSound(const QString& path, int rate = 0, int track = 0);

// Only the first channel of interleaved samples.
std::vector<int16_t> FirstChannel(const std::vector<int16_t>& samples, int channels);

// Files left in a folder (hidden ones too).
QStringList FilesIn(const QString& dir);

// One bad input: exit 1 within 10 s, one line "sonavel: ...", nothing but `keep` left in
// the output folder (when given). Answers the line.
QString ExpectCleanFailure(const QStringList& args, const QString& outDir,
                           const QStringList& keep = {}, const QStringList& prefix = {});
