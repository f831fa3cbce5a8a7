#pragma once

#include "audio/loudness/loudness_meter.h"
#include "audio/rip/rip_encoder.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The Vorbis comments of a job's FLAC or Opus file: TITLE, ARTIST, ALBUM, DATE, GENRE,
// COMMENT, TRACKNUMBER and TRACKTOTAL from the job's texts; the chapter marks as CHAPTERxxx
// and CHAPTERxxxNAME (the form FFmpeg and the players built on it read in both containers); the
// loudness as REPLAYGAIN_* (FLAC: -18 LUFS, as the MP3s have it) or R128_TRACK_GAIN and
// R128_ALBUM_GAIN (Opus, RFC 7845: Q7.8 dB relative to -23 LUFS); for Opus the cover as
// METADATA_BLOCK_PICTURE.
//
// Room is kept (Size, fixed by the widest values a measurement can give), so the values measured
// while the sound is encoded are written over the comment in place before the file is renamed.
//
// Threads: one thread at a time.
class TXiphJobTags {
public:
    enum class TGains { ReplayGain, R128 };

    TXiphJobTags(const TRipJobFile& File, const QString& Vendor, TGains Gains, bool CoverInComment);

    void SetTrackGain(const TLoudness& Value) { FTrack = Value; }
    void SetAlbumGain(const TLoudness& Value) { FAlbum = Value; }
    void ForgetAlbumGain() { FAlbum.reset(); }
    // The comment block, at most Size() bytes; Padded: filled with zeros to Size() (what
    // Opus's comment header allows after its fields; FLAC has a padding block instead).
    std::vector<uint8_t> Render(bool Padded) const;
    size_t Size() const { return FSize; }

    // R128 gain: Q7.8 dB that bring the loudness to -23 LUFS, within what players accept.
    static int R128Gain(const TLoudness& Value);

private:
    std::vector<uint8_t> Comment(const std::optional<TLoudness>& Track,
                                 const std::optional<TLoudness>& Album) const;

    TRipJob FJob;
    QString FVendor;
    TGains FGains;
    bool FTrackRoom, FAlbumRoom;
    std::shared_ptr<const std::vector<uint8_t>> FCover; // a PICTURE block, shared by the list
    std::vector<TRipChapterMark> FChapters;
    std::optional<TLoudness> FTrack, FAlbum;
    size_t FSize = 0;
};
