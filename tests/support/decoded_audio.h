#pragma once

// Reads a media file back with FFmpeg's own decoders (never with the encoder that
// wrote it), for checks on what a rip produced or what a fixture holds.

#include <QMap>
#include <QString>

#include <cstdint>
#include <vector>

struct DecodedAudio {
    bool ok = false;
    QString error;
    int sampleRate = 0;
    int channels = 0;             // channels of the decoded stream (not downmixed)
    std::vector<int16_t> samples; // interleaved, as decoded, converted to s16
    std::vector<float> floats;    // instead of samples when decoded as float (unclipped)
    QMap<QString, QString> tags;  // container metadata (ID3v2 texts for MP3), then the stream's
    QString codecName;
    int64_t bitRate = 0; // stream's declared bit rate, bit/s
    int complaints = 0;  // warnings and errors FFmpeg logged while decoding
    int64_t frames() const {
        return channels ? int64_t(floats.empty() ? samples.size() : floats.size()) / channels : 0;
    }
};

// Decodes audio stream `streamIndex` (or FFmpeg's best audio stream when -1). asFloat
// keeps the samples as float (MPEG audio by FFmpeg's float decoder), so that what lies
// beyond full scale is seen rather than clipped.
DecodedAudio DecodeAudioFile(const QString& path, int streamIndex = -1, bool asFloat = false);

// Bit rate in kbit/s of every MPEG audio frame header in an MP3 file (after any ID3v2
// tag), and the sample rate and channel mode bits of the first frame.
struct Mp3FrameScan {
    std::vector<int> bitratesKbps;
    int sampleRate = 0;
    int modeBits = -1; // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    bool hasId3v2 = false;
    bool hasId3v1 = false;
    QString infoTag; // "Info", "Xing" or empty, from the first frame
};
Mp3FrameScan ScanMp3Frames(const QString& path);

// How many samples of a source the tests look for in a decoded file: enough that the best
// offset is the one true one, even in sound that repeats.
inline constexpr int64_t kNeedle = 4096;

// Position (in frames) where `needle` best matches inside `haystack`, both interleaved
// with the same channel count, searching offsets [from, to]. Returns the offset with the
// highest normalised correlation and writes that correlation to *score when given.
int64_t FindBestOffset(const std::vector<int16_t>& haystack, const std::vector<int16_t>& needle,
                       int channels, int64_t from, int64_t to, double* score = nullptr,
                       int64_t needleFrames = 0);

// Integrated loudness (LUFS) and sample peak (linear) of decoded float sound, one file or
// several laid end to end, measured by libebur128 itself.
struct TDecodedLoudness {
    double lufs = 0, peak = 0;
};
TDecodedLoudness LoudnessOf(const std::vector<const DecodedAudio*>& parts);

// The chapters FFmpeg's demuxer finds in a file (its start and end in seconds, its title).
struct TChapterRead {
    double startS, endS;
    QString title;
};
std::vector<TChapterRead> ReadChapters(const QString& path);

// The front cover FFmpeg finds in a file (an attached picture), decoded with libavcodec.
struct DecodedPicture {
    bool found = false;
    int codec = 0; // AVCodecID
    int width = 0, height = 0;
    int bytes = 0; // of the stored picture
    // The frame index a test picture carries (fixture_signal.h), read with the picture
    // scaled back to the width it was drawn at; -1 when not asked for or not found.
    int frameIndex = -1;
    QString error;
};
DecodedPicture DecodeAttachedPicture(const QString& path, int drawnWidth = 0);
