#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

struct TMpegFrameHeader;

// The information frame at the start of an MP3 stream: a silent frame whose side
// information is zero and whose slots hold "Xing" (variable bit rate) or "Info" (constant),
// the frame and byte counts and a 100-entry seek table (TOC), and usually the encoder's
// extension ("LAME" + version): encoder delay and padding (12 bits each), the music length
// and CRC, and a CRC of the tag itself. Players take the exact length of the sound from
// the delay and padding.
//
// Fields are read and written in place in the frame's bytes; every setter leaves the tag
// CRC stale until Bytes() recomputes it (so a caller can patch several fields at once).
// The counted stream starts with this frame: Frames counts the audio frames after it,
// Bytes and MusicLength include it.
//
// Threads: a plain value; any thread.
class TMp3InfoTag {
public:
    // The information frame held in Frame (a whole frame, its header first); empty when
    // the frame carries no "Xing"/"Info" tag.
    static std::optional<TMp3InfoTag> Parse(const uint8_t* Frame, size_t Size);

    // A blank information frame for a stream whose frames have Stream's version, rate and
    // channels: "Xing" (variable bit rate) or "Info", with frame and byte counts, a seek
    // table and the extension, at the smallest bit rate that holds them. For streams whose
    // own frames are too small for the encoder to write one (low constant bit rates).
    static TMp3InfoTag Blank(const TMpegFrameHeader& Stream, bool Xing);

    // Finds the information frame of an MP3 file (after an ID3v2 tag, if any), lets Edit
    // change it and writes it back with a fresh CRC. Raises EAudioException when the file
    // cannot be read or written or has no information frame.
    static void EditFile(const QString& FileName, const std::function<void(TMp3InfoTag&)>& Edit);

    // CRC-16 as the tag uses it (polynomial 0x8005, reflected, start 0); Crc continues an
    // earlier value, so the music CRC can be taken over a stream piece by piece.
    static uint16_t Crc16(const uint8_t* Data, size_t Size, uint16_t Crc = 0);

    bool IsXing() const; // "Xing" rather than "Info"
    bool HasLameExtension() const { return FLame >= 0; }

    std::optional<uint32_t> Frames() const;
    std::optional<uint32_t> ByteCount() const;
    bool HasToc() const { return FToc >= 0; }
    void SetFrames(uint32_t Value);
    void SetByteCount(uint32_t Value);
    // The seek table from the offsets of the audio frames (from the start of this frame),
    // entry i pointing at the frame that starts i % of the duration in, as 256ths of
    // TotalBytes.
    void SetToc(const std::vector<uint32_t>& FrameOffsets, uint32_t TotalBytes);
    uint8_t TocEntry(int Index) const;

    // The extension's fields; 0 without the extension.
    int EncoderDelay() const;
    int EncoderPadding() const;
    uint32_t MusicLength() const;
    uint16_t MusicCrc() const;
    uint16_t TagCrc() const;
    // False (nothing changed) without the extension or outside 0..4095.
    bool SetEncoderDelay(int Samples);
    bool SetEncoderPadding(int Samples);
    void SetMusicLength(uint32_t Value);
    void SetMusicCrc(uint16_t Value);
    // True when the stored tag CRC matches the frame's bytes.
    bool TagCrcValid() const;

    // The frame with the tag CRC brought up to date.
    const std::vector<uint8_t>& Bytes();

private:
    uint32_t Read32(int At) const;
    void Write32(int At, uint32_t Value);
    uint16_t ComputedTagCrc() const;

    std::vector<uint8_t> FFrame;
    int FTag = 0;     // "Xing"/"Info"
    int FFrames = -1; // each field's offset, -1 when absent
    int FBytes = -1;
    int FToc = -1;
    int FLame = -1;
};
