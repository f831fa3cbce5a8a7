#pragma once

// Running the built program as a user would, with a fresh settings hive, and checking how
// it ends. Test threads.

#include "support/source_sound.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// The rate and the encoding of the command line's exact rips: 48 kHz at 320 kbit/s in
// stereo, so that a decoded file compares sample for sample with the source at that rate.
inline constexpr int kRipRate = 48000;
inline const QStringList kExactEncoding = {
    QStringLiteral("--samplerate"), QString::number(kRipRate), QStringLiteral("--bitrate"),
    QStringLiteral("320"),          QStringLiteral("--mode"),  QStringLiteral("stereo"),
    QStringLiteral("--quiet")};

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

// One bad input: exit 1 within 10 s, one line "sonavel: ...", nothing but `keep` left in
// the output folder (when given). Answers the line.
QString ExpectCleanFailure(const QStringList& args, const QString& outDir,
                           const QStringList& keep = {}, const QStringList& prefix = {});
