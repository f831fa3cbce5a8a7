#pragma once

// Sources with chapters, made at test time: the streams of a generated fixture copied (not
// encoded again) into a container with FFmpeg's own muxer, with named chapters, and the
// sound moved against the pictures as a badly muxed download has it. Test threads.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

struct TChapterMark {
    int64_t startMs = 0; // container time, on the clock of the packets written
    QString title;
};

struct TChapterSourceSpec {
    QString from;                       // a fixture with pictures and sound (two_tracks.mkv)
    const char* format = "matroska";    // FFmpeg's muxer: "matroska", "mp4", ...
    std::vector<TChapterMark> chapters; // each ends where the next starts, the last with the file
    // Moves the sound this much later than the pictures (negative: the pictures later).
    int64_t soundShiftMs = 0;
    QStringList trackTitles; // the audio streams' own titles, in order (empty: none)
};

struct TChapterSource {
    QString path;             // empty when it could not be made
    QString error;            // why not
    int64_t soundStartMs = 0; // the first sound packet's time, on the chapters' clock
    int64_t firstMs = 0;      // the earliest packet's time of any stream: a player's 0

    // Where chapter time `ms` lies on a player's time line (time 0 = the earliest packet),
    // in samples at `rate`; 0 for a time before it.
    int64_t LineSample(int64_t ms, int rate) const {
        return ms <= firstMs ? 0 : (ms - firstMs) * rate / 1000;
    }
};

// Writes `path` from `spec`.
TChapterSource MakeChapterSource(const QString& path, const TChapterSourceSpec& spec);
