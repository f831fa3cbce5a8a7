#pragma once

// A rip's front cover as the ID3 tag carries it: JPEG bytes, from a picture of the video
// or from an image file. Any thread (Qt's image classes only).

#include <QImage>
#include <QString>

#include <cstdint>
#include <vector>

// The picture as a JPEG of its own size.
std::vector<uint8_t> CoverFromImage(const QImage& Picture);
// A JPEG file as it is, any other picture Qt reads (PNG) converted; empty, with the
// reason in Error, for a file that is missing or no picture.
std::vector<uint8_t> CoverFromFile(const QString& Path, QString& Error);
// The cover as a picture again (the ID3 editor shows it); null for no cover.
QImage CoverImage(const std::vector<uint8_t>& Jpeg);
