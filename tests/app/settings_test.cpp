#include "app/settings.h"

#include "app/globals.h"
#include "base/registry.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

namespace {

// Each test works on its own hive file, named through SONAVEL_REGISTRY, two missing
// folders deep as on a fresh account (no ~/.config yet).
class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override {
        home = FreshDir(QStringLiteral("hive"));
        hive = home + QStringLiteral("/.config/sonavel/registry.reg");
        qputenv("SONAVEL_REGISTRY", hive.toUtf8());
        AppSettings = TAppSettings{};
        AppSettings.AudioBitrate = -1; // proves that loading set it
        TipsIndex = -1;
    }
    void TearDown() override { qunsetenv("SONAVEL_REGISTRY"); }

    void WriteHive(const QByteArray& values) {
        ASSERT_TRUE(WriteFile(
            hive, "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Vemra\\Sonavel]\r\n" + values));
    }
    TRegistry Open() {
        TRegistry reg(hive);
        EXPECT_TRUE(reg.OpenKey(RegistryKey, false));
        return reg;
    }
    static QString Docs() {
        return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    }

    QString home;
    QString hive;
};

int Mode(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

} // namespace

TEST_F(SettingsStore, FirstStartWritesExactlyTheSixteenDefaults) {
    LoadSettings();
    TRegistry reg = Open();
    EXPECT_EQ(reg.GetValueNames(),
              (QStringList{"InputFileDir", "OutputFileDir", "AudioBitrate", "AudioSampleRate",
                           "AudioChannels", "AudioBitsPerSample", "AudioVBR", "AudioVbrMinBitrate",
                           "AudioVbrMaxBitrate", "AudioVbrQuality", "ReplayGain", "OutputFormat",
                           "FlacLevel", "FlacSampleRate", "OpusBitrate", "tips"}));
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("OutputFormat")), 0); // MP3 stays the default
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("FlacLevel")), 5);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("OpusBitrate")), 160);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("AudioVbrQuality")), 2);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("ReplayGain")), 1);
    EXPECT_EQ(reg.ReadString(QStringLiteral("InputFileDir")), Docs());
    EXPECT_EQ(reg.GetDataType(QStringLiteral("OutputFileDir")), TRegDataType::rdString);
    EXPECT_EQ(reg.ReadString(QStringLiteral("OutputFileDir")), QString());
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("AudioBitrate")), 192);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("AudioSampleRate")), 44100);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("AudioChannels")), 2);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("AudioBitsPerSample")), 16);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("AudioVBR")), 0);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("AudioVbrMinBitrate")), 128);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("AudioVbrMaxBitrate")), 256);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("tips")), 0);
    EXPECT_EQ(AppSettings.AudioBitrate, 192);
    EXPECT_EQ(TipsIndex, 0);
    const auto perms = QFileInfo(hive).permissions();
    EXPECT_TRUE(perms.testFlag(QFileDevice::WriteOwner));
    EXPECT_FALSE(perms & (QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                          QFileDevice::ReadOther | QFileDevice::WriteOther));
    // The missing folders were made, private to the user.
    EXPECT_EQ(Mode(home + QStringLiteral("/.config")), 0700);
    EXPECT_EQ(Mode(home + QStringLiteral("/.config/sonavel")), 0700);
    EXPECT_TRUE(SettingsProblem().isEmpty());
}

TEST_F(SettingsStore, UnreadableValuesTakeTheirDefaultOneByOne) {
    WriteHive("\"InputFileDir\"=\"/media/films/\"\r\n"
              "\"AudioVBR\"=\"yes\"\r\n"
              "\"AudioBitrate\"=dword:00000064\r\n"
              "\"AudioSampleRate\"=hex:01,02\r\n"
              "\"tips\"=dword:00002710\r\n");
    LoadSettings();
    EXPECT_EQ(AppSettings.InputFileDir, QStringLiteral("/media/films/"));
    EXPECT_FALSE(AppSettings.AudioVBR);
    EXPECT_EQ(AppSettings.AudioBitrate, 100); // not validated
    EXPECT_EQ(AppSettings.AudioSampleRate, 44100);
    EXPECT_EQ(AppSettings.AudioChannels, 2);
    EXPECT_EQ(TipsIndex, 10000);
    TRegistry reg = Open();
    EXPECT_EQ(reg.GetDataType(QStringLiteral("AudioVBR")), TRegDataType::rdInteger);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("AudioVBR")), 0);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("AudioSampleRate")), 44100);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("AudioBitrate")), 100);
    EXPECT_TRUE(reg.ValueExists(QStringLiteral("OutputFileDir")));
}

TEST_F(SettingsStore, EmptyInputFolderBecomesTheDocumentsFolder) {
    WriteHive("\"InputFileDir\"=\"\"\r\n");
    LoadSettings();
    EXPECT_EQ(AppSettings.InputFileDir, Docs());
    EXPECT_EQ(Open().ReadString(QStringLiteral("InputFileDir")), Docs());
}

TEST_F(SettingsStore, AStringValueOfAnotherTypeFallsBackToAllDefaults) {
    WriteHive("\"InputFileDir\"=dword:00000001\r\n\"AudioBitrate\"=dword:00000140\r\n");
    LoadSettings();
    EXPECT_EQ(AppSettings.InputFileDir, ProgramDir);
    EXPECT_EQ(AppSettings.AudioBitrate, 192);
    EXPECT_EQ(TipsIndex, 0);
}

TEST_F(SettingsStore, AStoreWithoutWriteRightsStartsWithDefaultsAndSavesNothing) {
    // The hive's folder is a file: nothing can be created there, not even by root.
    const QString blocker = FreshDir(QStringLiteral("ro")) + QStringLiteral("/file");
    ASSERT_TRUE(WriteFile(blocker, "x"));
    hive = blocker + QStringLiteral("/registry.reg");
    qputenv("SONAVEL_REGISTRY", hive.toUtf8());
    LoadSettings();
    EXPECT_EQ(AppSettings.InputFileDir, ProgramDir);
    EXPECT_EQ(AppSettings.AudioBitrate, 192);
    EXPECT_EQ(AppSettings.AudioSampleRate, 44100);
    EXPECT_EQ(AppSettings.AudioChannels, 2);
    EXPECT_FALSE(AppSettings.AudioVBR);
    EXPECT_EQ(AppSettings.AudioVbrMinBitrate, 128);
    EXPECT_EQ(AppSettings.AudioVbrMaxBitrate, 256);
    // Where the settings should have gone and the system's reason, for the user.
    const QString why = QString::fromLocal8Bit(std::strerror(ENOTDIR));
    EXPECT_TRUE(SettingsProblem().contains(hive)) << SettingsProblem().toStdString();
    EXPECT_TRUE(SettingsProblem().contains(why)) << SettingsProblem().toStdString();
    EXPECT_FALSE(SaveSettings());
    EXPECT_TRUE(SettingsProblem().contains(hive));
    EXPECT_FALSE(QFileInfo::exists(hive));
}

TEST_F(SettingsStore, ACorruptHiveIsKeptAsideNotDestroyed) {
    ASSERT_TRUE(WriteFile(hive, "this is not a hive\n\"AudioBitrate\"=dword:1"));
    LoadSettings();
    EXPECT_EQ(AppSettings.AudioBitrate, 192);
    EXPECT_EQ(ReadFile(hive + QStringLiteral(".corrupt")),
              QByteArray("this is not a hive\n\"AudioBitrate\"=dword:1"));
    EXPECT_EQ(Open().ReadInteger(QStringLiteral("AudioBitrate")), 192);
}

TEST_F(SettingsStore, SavedSettingsComeBackOnTheNextStart) {
    LoadSettings();
    AppSettings.InputFileDir = QStringLiteral("/films/\"odd\" \\ name/");
    AppSettings.OutputFileDir = QStringLiteral("/home/ü/Rips/");
    AppSettings.AudioBitrate = 256;
    AppSettings.AudioVBR = true;
    AppSettings.AudioChannels = 3;
    AppSettings.AudioSampleRate = 0; // the source's own
    AppSettings.AudioDownmix = 1;    // dialogue
    TipsIndex = 4;
    SaveSettings();
    AppSettings = TAppSettings{};
    TipsIndex = 0;
    LoadSettings();
    EXPECT_EQ(AppSettings.AudioSampleRate, 0);
    EXPECT_EQ(AppSettings.AudioDownmix, 1);
    EXPECT_EQ(AppSettings.InputFileDir, QStringLiteral("/films/\"odd\" \\ name/"));
    EXPECT_EQ(AppSettings.OutputFileDir, QStringLiteral("/home/ü/Rips/"));
    EXPECT_EQ(AppSettings.AudioBitrate, 256);
    EXPECT_TRUE(AppSettings.AudioVBR);
    EXPECT_EQ(AppSettings.AudioChannels, 3);
    EXPECT_EQ(TipsIndex, 4);
}

TEST(Registry, KeepsValueTypesAndOtherKeysThroughARewrite) {
    const QString path = FreshDir(QStringLiteral("reg")) + QStringLiteral("/h.reg");
    ASSERT_TRUE(WriteFile(path, "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Other]\n\"Keep\"=hex:00,01\n"
                                "@=\"default\"\n"));
    {
        TRegistry reg(path);
        ASSERT_FALSE(reg.OpenKey(QStringLiteral("Software\\New"), false));
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("Software\\New"), true));
        reg.WriteString(QStringLiteral("Text"), QStringLiteral("line\nbreak"));
        reg.WriteInteger(QStringLiteral("Negative"), -2);
        EXPECT_THROW(reg.ReadInteger(QStringLiteral("Text")), ERegistryException);
        EXPECT_THROW(reg.ReadString(QStringLiteral("Negative")), ERegistryException);
        EXPECT_THROW(reg.ReadInteger(QStringLiteral("Missing")), ERegistryException);
        EXPECT_EQ(reg.ReadString(QStringLiteral("Missing")), QString());
    }
    TRegistry again(path);
    ASSERT_TRUE(again.OpenKey(QStringLiteral("Software\\New"), false));
    EXPECT_EQ(again.ReadString(QStringLiteral("Text")), QStringLiteral("line\nbreak"));
    EXPECT_EQ(again.ReadInteger(QStringLiteral("Negative")), -2);
    ASSERT_TRUE(again.OpenKey(QStringLiteral("Other"), false));
    EXPECT_EQ(again.GetDataType(QStringLiteral("Keep")), TRegDataType::rdOther);
    EXPECT_EQ(again.ReadString(QString()), QStringLiteral("default"));
}

// A first start never offers a folder that is not there: music, documents, then home.
TEST(DefaultFolders, OnlyFoldersThatExist) {
    const QString home = QDir::homePath();
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    ASSERT_TRUE(QDir(home).rmpath(music) || !QFileInfo::exists(music));
    ASSERT_TRUE(QFileInfo(docs).isDir()); // the test home has one
    EXPECT_EQ(DefaultOutputFolder(), docs);
    ASSERT_TRUE(QDir().mkpath(music));
    EXPECT_EQ(DefaultOutputFolder(), music);
    ASSERT_TRUE(QDir(music).removeRecursively());
    ASSERT_TRUE(QDir(docs).rename(docs, docs + QStringLiteral(".away")));
    QString input = QStringLiteral("unchanged");
    GetDocumentsFolder(input);
    EXPECT_EQ(input, home);
    EXPECT_EQ(DefaultOutputFolder(), home);
    ASSERT_TRUE(QDir(home).rename(docs + QStringLiteral(".away"), docs));
}
