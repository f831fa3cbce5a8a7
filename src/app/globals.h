#pragma once

#include "base/text_cut.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

// Program-wide values, set during start-up and read by every window.
// Owned by the main thread; no other thread writes them.

// The persistent settings; field names are the names of their stored values.
struct TAppSettings {
    QString InputFileDir;  // folder of the last opened source, ends in "/"
    QString OutputFileDir; // remembered output folder, ends in "/"; empty = choose afresh
    int32_t AudioBitrate = 192;
    int32_t AudioSampleRate = 44100; // 0: the source's own (as far as an MP3 can have it)
    int32_t AudioBitsPerSample = 16;
    int32_t AudioChannels = 2; // 0 dual channels, 1 stereo, 2 joint stereo, 3 mono
    bool AudioVBR = false;
    int32_t AudioVbrMinBitrate = 128;
    int32_t AudioVbrMaxBitrate = 256;
    int32_t AudioVbrQuality = 2; // the encoder's -V: 0 best and largest, 9 smallest
    // Whether the min and max bound a VBR rip; off, the quality alone decides. Stored since
    // the limits became optional; a hive from before holds limits the user set when they
    // differ from the defaults.
    bool AudioVbrLimits = false;
    bool ReplayGain = true;     // loudness values in every file
    int32_t OutputFormat = 0;   // 0 MP3, 1 FLAC, 2 Opus (TOutputFormat)
    int32_t FlacLevel = 5;      // FLAC compression, 0 fastest to 8 smallest
    int32_t FlacSampleRate = 0; // FLAC's rate, 0 the source's own
    int32_t OpusBitrate = 160;  // kbit/s, 32 to 256
    // How 5.1 and 7.1 sound becomes stereo: 0 standard (AC-3 by its own levels), 1 the
    // centre lifted for dialogue (TDownmix). Kept only once changed: absent reads as 0.
    int32_t AudioDownmix = 0;
};

// The ID3 texts of the next rip, each at most TagTextMax characters (code points).
struct TCurrentTag {
    QString Title, Artist, Album, Year, Comment, Genre;
    QByteArray Cover; // the front cover (JPEG) of the next rip; empty for none
};

inline constexpr int TagTextMax = kTagTextMax;
inline constexpr int32_t TipsOff = 10000;

extern QString ProgramDir; // folder of the executable, ends in "/"
extern QString AppTitle;   // "Free Sonavel"
extern QString FileFilter; // the open dialog's filter, Qt syntax, first entry preselected
extern QString HelpFileName;
extern QString TipsFileName;
extern QString RegistryKey;
extern QString SupportEmail;
extern QString MailSubject;
extern int32_t TipsIndex;
extern TAppSettings AppSettings;
extern TCurrentTag CurrentTag;

// The channel modes' captions by AudioChannels, as the settings dialog lists them and the
// summary shows them.
inline constexpr std::array<const char*, 4> ChannelModeCaptions = {
    QT_TRANSLATE_NOOP("Globals", "Dual Channels"), QT_TRANSLATE_NOOP("Globals", "Stereo"),
    QT_TRANSLATE_NOOP("Globals", "Joint Stereo"), QT_TRANSLATE_NOOP("Globals", "Mono")};
// The caption of an AudioChannels value in the user's language; empty for one outside the table.
QString ChannelModeCaption(int32_t index);

// Sets the program's constants: title, open dialog filter, file names, addresses.
void SetProgramConstants();

// Folder of read-only data (tips, help): ProgramDir in a build tree, share/sonavel
// for an installed copy.
QString DataDir();
// A data file in the language the window speaks ("tips_de.txt" for "tips.txt") where the
// program has it, else the file itself; both in DataDir().
QString LocalDataFile(const QString& fileName);

// Folder of the user's history lists: ProgramDir in a build tree, the user's data
// folder for an installed copy; SONAVEL_DATA_DIR overrides both.
QString HistoryDir();
