#pragma once

#include "audio/loudness/loudness_meter.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The ID3v2.3 tag at the start of an MP3: the encoder's own text frames as it wrote them,
// followed by the frames it cannot write (ReplayGain values, the front cover, chapter
// marks), rendered by TagLib. Version 2.3 because that is what the encoder writes and what
// every player and car radio reads; 2.4 frames are still skipped by some.
//
// The tag always renders to one size, fixed by the first Render: room is kept for the
// widest ReplayGain values, so the values measured while the sound is encoded are written
// over the tag in place, after the audio, without moving a byte of it.
//
// Threads: one thread at a time.
class TMp3TagWriter {
public:
    struct TChapter {
        uint32_t StartMs = 0, EndMs = 0;
        QString Title;
    };

    // EncoderTag: the encoder's ID3v2.3 tag (may be empty).
    explicit TMp3TagWriter(std::vector<uint8_t> EncoderTag);

    // The front cover's frame, made once for every file of a list (a cover may be megabytes;
    // the files share it rather than each holding it).
    static std::shared_ptr<const std::vector<uint8_t>> CoverFrame(const std::vector<uint8_t>& Jpeg);

    // What the tag holds besides the encoder's texts; set before the first Render.
    void SetCover(std::shared_ptr<const std::vector<uint8_t>> Frame);
    void SetChapters(std::vector<TChapter> Chapters);
    void ReserveGains(bool Track, bool Album);

    // The measured values, any time; only those reserved are written.
    void SetTrackGain(const TLoudness& Value) { FTrack = Value; }
    void SetAlbumGain(const TLoudness& Value) { FAlbum = Value; }
    void ForgetAlbumGain() { FAlbum.reset(); }

    // The whole tag, of the same size at every call; the encoder's own when nothing is added.
    std::vector<uint8_t> Render();

    // ReplayGain's texts: "-3.21 dB", "0.912345".
    static QString GainText(double Db);
    static QString PeakText(double Peak);

private:
    std::vector<uint8_t> Frames(const std::optional<TLoudness>& Track,
                                const std::optional<TLoudness>& Album) const;

    std::vector<uint8_t> FEncoderTag, FEncoderFrames;
    std::shared_ptr<const std::vector<uint8_t>> FCover; // the frame, whole
    std::vector<TChapter> FChapters;
    bool FReserveTrack = false, FReserveAlbum = false;
    std::optional<TLoudness> FTrack, FAlbum;
    size_t FSize = 0; // of the frames and padding, fixed by the first Render
};
