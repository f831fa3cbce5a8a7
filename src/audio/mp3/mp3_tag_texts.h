#pragma once

#include <QString>

// The texts of an MP3's tag: a job's own, handed to the encoder that writes its tags.
// Threads: a plain value; any thread.
struct TMp3TagTexts {
    QString Title, Artist, Album, Year, Track, Comment, Genre;
};
