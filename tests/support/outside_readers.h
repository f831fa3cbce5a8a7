#pragma once

// Readers of the files a rip writes that share no code with the program: mutagen (tags:
// ID3v1, the ID3v2 frames, what the LAME header says), mpg123 (the sound as a gapless
// player decodes it), madplay (what a player that knows nothing of gapless tags plays),
// mp3check (every frame's header) and bs1770gain (loudness by its own ITU BS.1770 meter;
// it links FFmpeg for decoding but not libebur128, which the program measures with).
// Debian's packages (tools/build-env.sh); test threads.

#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <vector>

// What mutagen reads, as JSON: "v1" (ID3v1 frames by ID3v2 name: TIT2, TPE1, TALB, ...),
// "txxx" (user texts by description), "chapters" ([{start, end, title}], ms), "apic" (the
// pictures' sizes), "length" (s), "encoder_settings" (as the LAME header tells them,
// "-V 2"), "bitrate_mode" (0 unknown, 1 CBR, 2 VBR, 3 ABR). Empty, with the reason in
// Error, when mutagen cannot read the file.
QJsonObject MutagenRead(const QString& Path, QString* Error = nullptr);

// A player's decode: interleaved 16-bit samples.
struct TPlayerDecode {
    bool ok = false;
    QString error;
    int rate = 0, channels = 0;
    std::vector<int16_t> samples;
    int64_t frames() const { return channels ? int64_t(samples.size()) / channels : 0; }
};
TPlayerDecode Mpg123Decode(const QString& Path); // gapless, as mpg123 plays by default
// Every frame's samples, nothing skipped, not dithered (silence stays exact zeros).
TPlayerDecode MadplayDecode(const QString& Path);

// mp3check's complaints about the frames (bit rate switching, bad headers), tags and the
// information frame's own rate allowed for; empty when it has none.
QString Mp3checkComplaints(const QString& Path);

// Integrated loudness in LUFS by bs1770gain; NaN, with the reason in Error, on failure.
double Bs1770Lufs(const QString& Path, QString* Error = nullptr);
