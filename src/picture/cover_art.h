#pragma once

// A rip's front cover as the ID3 tag carries it: JPEG bytes, from a picture of the video
// or from an image file. Any thread (Qt's image classes only).
//
// A cover is shown small: a picture whose longer side exceeds kCoverSide is scaled down to
// it and stored as a JPEG, so no file carries megabytes of picture per track. A file is
// checked by decoding it, within kCoverDecodeLimitMb of decoded pixels (a JPEG is decoded
// at the smaller size straight away, so its own size hardly matters); what cannot be used
// is refused with the reason (missing, no picture, damaged, too large).

#include <QImage>
#include <QString>

#include <cstdint>
#include <vector>

// The longest side of a stored cover, in pixels: a full-HD frame's width.
inline constexpr int kCoverSide = 1920;
// The most a JPEG file may hold to be stored byte for byte (when it decodes whole and is
// no larger than kCoverSide); a bigger one is stored re-encoded.
inline constexpr qint64 kCoverKeptBytes = 4 * 1024 * 1024;
// The decoded pixels a picture file may need before it can be scaled (what Qt's image
// reader is allowed to allocate).
inline constexpr int kCoverDecodeLimitMb = 1024;

// The picture as a JPEG, no larger than kCoverSide.
std::vector<uint8_t> CoverFromImage(const QImage& Picture);
// A JPEG file as it is when it decodes whole and is no larger than a cover needs, any
// other picture Qt reads (PNG) scaled and converted; empty, with the reason in Error,
// for a file that is missing, no picture, damaged or too large to decode.
std::vector<uint8_t> CoverFromFile(const QString& Path, QString& Error);
// The cover as a picture again (the ID3 editor shows it); null for no cover.
QImage CoverImage(const std::vector<uint8_t>& Jpeg);
