#include "app/settings.h"

#include "app/globals.h"
#include "base/registry.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <QCoreApplication>

namespace {

// The first of the locations that names a folder that exists; empty when none does.
QString ExistingLocation(std::initializer_list<QStandardPaths::StandardLocation> where) {
    for (const auto location : where) {
        const QString path = QStandardPaths::writableLocation(location);
        if (!path.isEmpty() && QFileInfo(path).isDir())
            return path;
    }
    return QString();
}

} // namespace

void GetDocumentsFolder(QString& path) {
    const QString found =
        ExistingLocation({QStandardPaths::DocumentsLocation, QStandardPaths::HomeLocation});
    if (!found.isEmpty())
        path = found;
}

QString DefaultOutputFolder() {
    const QString found =
        ExistingLocation({QStandardPaths::MusicLocation, QStandardPaths::DocumentsLocation,
                          QStandardPaths::HomeLocation});
    return found.isEmpty() ? QDir::homePath() : found;
}

namespace {

QString gProblem;                  // of the last load or save
QString gProblemPath, gProblemWhy; // the same, its parts

// Why the store refused a write, or empty when it did not.
void KeepProblem(const TRegistry& reg) {
    gProblemPath = reg.LastError().isEmpty() ? QString() : reg.HivePath();
    gProblemWhy = reg.LastError();
    gProblem = reg.LastError().isEmpty()
                   ? QString()
                   : QCoreApplication::translate(
                         "Settings", "The settings can't be saved in\n%1\n(%2).\nChanges last "
                                     "only until Sonavel ends.")
                         .arg(reg.HivePath(), reg.LastError());
}

TAppSettings Defaults() {
    return TAppSettings{};
}

// An integer value that cannot be read takes its default, which is written back when
// the store can be written.
void ReadOrDefault(TRegistry& reg, bool writable, const QString& name, int32_t& field,
                   int32_t fallback) {
    try {
        field = reg.ReadInteger(name);
    } catch (const ERegistryException&) {
        field = fallback;
        if (writable)
            reg.WriteInteger(name, fallback);
    }
}

// The output format and the settings of FLAC and Opus; a value out of its range takes the
// default.
void ReadFormatValues(TRegistry& reg, bool writable, const TAppSettings& def) {
    struct TValue {
        const char* Name;
        int32_t TAppSettings::*Field;
        int32_t Least, Most;
    };
    static const TValue values[] = {{"OutputFormat", &TAppSettings::OutputFormat, 0, 2},
                                    {"FlacLevel", &TAppSettings::FlacLevel, 0, 8},
                                    {"FlacSampleRate", &TAppSettings::FlacSampleRate, 0, 192000},
                                    {"OpusBitrate", &TAppSettings::OpusBitrate, 32, 256}};
    for (const TValue& v : values) {
        int32_t& field = AppSettings.*v.Field;
        ReadOrDefault(reg, writable, QLatin1String(v.Name), field, def.*v.Field);
        if (field < v.Least || field > v.Most)
            field = def.*v.Field;
    }
}

void WriteFormatValues(TRegistry& reg, const TAppSettings& settings) {
    reg.WriteInteger(QStringLiteral("OutputFormat"), settings.OutputFormat);
    reg.WriteInteger(QStringLiteral("FlacLevel"), settings.FlacLevel);
    reg.WriteInteger(QStringLiteral("FlacSampleRate"), settings.FlacSampleRate);
    reg.WriteInteger(QStringLiteral("OpusBitrate"), settings.OpusBitrate);
}

void LoadFromOpenKey(TRegistry& reg, bool writable) {
    const TAppSettings def = Defaults();
    const auto read = [&](const QString& name, int32_t& field, int32_t fallback) {
        ReadOrDefault(reg, writable, name, field, fallback);
    };
    AppSettings.InputFileDir = reg.ReadString(QStringLiteral("InputFileDir"));
    if (AppSettings.InputFileDir.isEmpty()) {
        GetDocumentsFolder(AppSettings.InputFileDir);
        if (writable)
            reg.WriteString(QStringLiteral("InputFileDir"), AppSettings.InputFileDir);
    }
    AppSettings.OutputFileDir = reg.ReadString(QStringLiteral("OutputFileDir"));
    if (AppSettings.OutputFileDir.isEmpty() && writable)
        reg.WriteString(QStringLiteral("OutputFileDir"), QString());
    read(QStringLiteral("AudioSampleRate"), AppSettings.AudioSampleRate, def.AudioSampleRate);
    read(QStringLiteral("AudioBitrate"), AppSettings.AudioBitrate, def.AudioBitrate);
    read(QStringLiteral("AudioBitsPerSample"), AppSettings.AudioBitsPerSample,
         def.AudioBitsPerSample);
    read(QStringLiteral("AudioChannels"), AppSettings.AudioChannels, def.AudioChannels);
    int32_t vbr = 0;
    read(QStringLiteral("AudioVBR"), vbr, def.AudioVBR ? 1 : 0);
    AppSettings.AudioVBR = vbr != 0;
    read(QStringLiteral("AudioVbrMinBitrate"), AppSettings.AudioVbrMinBitrate,
         def.AudioVbrMinBitrate);
    read(QStringLiteral("AudioVbrMaxBitrate"), AppSettings.AudioVbrMaxBitrate,
         def.AudioVbrMaxBitrate);
    read(QStringLiteral("AudioVbrQuality"), AppSettings.AudioVbrQuality, def.AudioVbrQuality);
    if (AppSettings.AudioVbrQuality < 0 || AppSettings.AudioVbrQuality > 9)
        AppSettings.AudioVbrQuality = def.AudioVbrQuality;
    // Read, not written back: a hive without the value keeps what it had (an older program
    // reading it sees nothing new), and the next save stores the choice.
    AppSettings.AudioVbrLimits = AppSettings.AudioVbrMinBitrate != def.AudioVbrMinBitrate ||
                                 AppSettings.AudioVbrMaxBitrate != def.AudioVbrMaxBitrate;
    try {
        if (reg.ValueExists(QStringLiteral("AudioVbrLimits")))
            AppSettings.AudioVbrLimits = reg.ReadInteger(QStringLiteral("AudioVbrLimits")) != 0;
    } catch (const ERegistryException&) {
    }
    int32_t gain = 0;
    read(QStringLiteral("ReplayGain"), gain, def.ReplayGain ? 1 : 0);
    AppSettings.ReplayGain = gain != 0;
    ReadFormatValues(reg, writable, def);
    read(QStringLiteral("tips"), TipsIndex, 0);
    // Newer than the others: a hive without it keeps the standard downmix and gets the
    // value only when the settings are saved.
    AppSettings.AudioDownmix = def.AudioDownmix;
    if (reg.ValueExists(QStringLiteral("AudioDownmix"))) {
        read(QStringLiteral("AudioDownmix"), AppSettings.AudioDownmix, def.AudioDownmix);
        if (AppSettings.AudioDownmix < 0 || AppSettings.AudioDownmix > 1)
            AppSettings.AudioDownmix = def.AudioDownmix;
    }
}

void CreateWithDefaults(TRegistry& reg) {
    const TAppSettings def = Defaults();
    if (!reg.OpenKey(RegistryKey, true))
        throw ERegistryException(
            QCoreApplication::translate("Settings", "Failed to create key %1").arg(RegistryKey));
    GetDocumentsFolder(AppSettings.InputFileDir);
    reg.WriteString(QStringLiteral("InputFileDir"), AppSettings.InputFileDir);
    AppSettings.OutputFileDir.clear();
    reg.WriteString(QStringLiteral("OutputFileDir"), QString());
    AppSettings.AudioBitrate = def.AudioBitrate;
    reg.WriteInteger(QStringLiteral("AudioBitrate"), def.AudioBitrate);
    AppSettings.AudioSampleRate = def.AudioSampleRate;
    reg.WriteInteger(QStringLiteral("AudioSampleRate"), def.AudioSampleRate);
    AppSettings.AudioChannels = def.AudioChannels;
    reg.WriteInteger(QStringLiteral("AudioChannels"), def.AudioChannels);
    AppSettings.AudioBitsPerSample = def.AudioBitsPerSample;
    reg.WriteInteger(QStringLiteral("AudioBitsPerSample"), def.AudioBitsPerSample);
    AppSettings.AudioVBR = def.AudioVBR;
    reg.WriteInteger(QStringLiteral("AudioVBR"), def.AudioVBR ? 1 : 0);
    AppSettings.AudioVbrMinBitrate = def.AudioVbrMinBitrate;
    reg.WriteInteger(QStringLiteral("AudioVbrMinBitrate"), def.AudioVbrMinBitrate);
    AppSettings.AudioVbrMaxBitrate = def.AudioVbrMaxBitrate;
    reg.WriteInteger(QStringLiteral("AudioVbrMaxBitrate"), def.AudioVbrMaxBitrate);
    AppSettings.AudioVbrQuality = def.AudioVbrQuality;
    reg.WriteInteger(QStringLiteral("AudioVbrQuality"), def.AudioVbrQuality);
    AppSettings.AudioVbrLimits = def.AudioVbrLimits;
    AppSettings.ReplayGain = def.ReplayGain;
    reg.WriteInteger(QStringLiteral("ReplayGain"), def.ReplayGain ? 1 : 0);
    AppSettings.OutputFormat = def.OutputFormat;
    AppSettings.FlacLevel = def.FlacLevel;
    AppSettings.FlacSampleRate = def.FlacSampleRate;
    AppSettings.OpusBitrate = def.OpusBitrate;
    WriteFormatValues(reg, def);
    TipsIndex = 0;
    reg.WriteInteger(QStringLiteral("tips"), 0);
    AppSettings.AudioDownmix = def.AudioDownmix;
}

void WriteAll(TRegistry& reg) {
    reg.WriteString(QStringLiteral("InputFileDir"), AppSettings.InputFileDir);
    reg.WriteString(QStringLiteral("OutputFileDir"), AppSettings.OutputFileDir);
    reg.WriteInteger(QStringLiteral("AudioBitrate"), AppSettings.AudioBitrate);
    reg.WriteInteger(QStringLiteral("AudioSampleRate"), AppSettings.AudioSampleRate);
    reg.WriteInteger(QStringLiteral("AudioBitsPerSample"), AppSettings.AudioBitsPerSample);
    reg.WriteInteger(QStringLiteral("AudioChannels"), AppSettings.AudioChannels);
    reg.WriteInteger(QStringLiteral("AudioVBR"), AppSettings.AudioVBR ? 1 : 0);
    reg.WriteInteger(QStringLiteral("AudioVbrMinBitrate"), AppSettings.AudioVbrMinBitrate);
    reg.WriteInteger(QStringLiteral("AudioVbrMaxBitrate"), AppSettings.AudioVbrMaxBitrate);
    reg.WriteInteger(QStringLiteral("AudioVbrQuality"), AppSettings.AudioVbrQuality);
    reg.WriteInteger(QStringLiteral("AudioVbrLimits"), AppSettings.AudioVbrLimits ? 1 : 0);
    reg.WriteInteger(QStringLiteral("ReplayGain"), AppSettings.ReplayGain ? 1 : 0);
    WriteFormatValues(reg, AppSettings);
    reg.WriteInteger(QStringLiteral("tips"), TipsIndex);
    reg.WriteInteger(QStringLiteral("AudioDownmix"), AppSettings.AudioDownmix);
}

} // namespace

void LoadSettings() {
    TRegistry reg;
    gProblem.clear();
    gProblemPath.clear();
    gProblemWhy.clear();
    try {
        if (reg.OpenKey(RegistryKey, false)) {
            LoadFromOpenKey(reg, true);
        } else if (!reg.LastError().isEmpty() && reg.OpenKeyReadOnly(RegistryKey)) {
            // Settings that can be read but not written (another owner's file): used as
            // they are, and the user is told they will not be kept.
            LoadFromOpenKey(reg, false);
            KeepProblem(reg);
        } else {
            CreateWithDefaults(reg);
        }
    } catch (const std::exception&) {
        // A value of the wrong type lands here too; only a store that refuses writes is
        // worth telling the user about.
        KeepProblem(reg);
        AppSettings = Defaults();
        AppSettings.InputFileDir = ProgramDir;
        AppSettings.OutputFileDir.clear();
        TipsIndex = 0;
    }
}

QString SettingsProblem() {
    return gProblem;
}

QString SettingsProblemLine() {
    return gProblemPath.isEmpty() ? QString()
                                  : QCoreApplication::translate(
                                        "Settings", "the settings can't be saved in \"%1\" (%2)")
                                        .arg(gProblemPath, gProblemWhy);
}

bool SaveSettings() {
    TRegistry reg;
    try {
        if (!reg.OpenKey(RegistryKey, true)) {
            KeepProblem(reg);
            return false;
        }
        WriteAll(reg);
    } catch (const ERegistryException&) {
        KeepProblem(reg);
        return false;
    }
    gProblem.clear();
    return true;
}
