#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

// A Vorbis comment block (what FLAC's VORBIS_COMMENT block and Opus's comment header hold):
// a vendor string and KEY=value fields, rendered by TagLib. Pictures go in as
// METADATA_BLOCK_PICTURE fields (how Ogg files carry them; a FLAC file keeps its pictures in
// PICTURE blocks of its own, PictureBlock).
//
// Threads: one thread at a time.
class TVorbisComment {
public:
    explicit TVorbisComment(const QString& Vendor);

    // A field; an empty value is left out. Keys are ASCII, upper case by convention.
    void Add(const QString& Key, const QString& Value);
    // A picture as a METADATA_BLOCK_PICTURE field: a PICTURE block's body (PictureBlock).
    void AddPicture(const std::vector<uint8_t>& Block);

    // The block: vendor, field count, fields (no framing bit).
    std::vector<uint8_t> Render() const;

    // A FLAC PICTURE block's body: a JPEG front cover (null for none).
    static std::shared_ptr<const std::vector<uint8_t>>
    PictureBlock(const std::vector<uint8_t>& Jpeg);
    // A chapter's start as CHAPTERxxx wants it: "01:02:03.456".
    static QString ChapterTime(uint32_t Ms);

private:
    QString FVendor;
    std::vector<std::pair<QString, QString>> FFields;
    std::vector<std::vector<uint8_t>> FPictures;
};
