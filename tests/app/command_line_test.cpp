#include "app/command_line.h"

#include "app/globals.h"
#include "platform/registry.h"
#include "support/test_env.h"

#include <QProcess>

#include <gtest/gtest.h>

TEST(TimeParsing, AcceptsSecondsAndClockForms) {
    int64_t ms = -1;
    EXPECT_TRUE(ParseTimeText(QStringLiteral("12.5"), ms));
    EXPECT_EQ(ms, 12500);
    EXPECT_TRUE(ParseTimeText(QStringLiteral("0"), ms));
    EXPECT_EQ(ms, 0);
    EXPECT_TRUE(ParseTimeText(QStringLiteral("1:02:03.4"), ms));
    EXPECT_EQ(ms, 3723400);
    EXPECT_TRUE(ParseTimeText(QStringLiteral("2:05"), ms));
    EXPECT_EQ(ms, 125000);
    EXPECT_TRUE(ParseTimeText(QStringLiteral("90.0019"), ms)); // cut, not rounded
    EXPECT_EQ(ms, 90001);
    EXPECT_TRUE(ParseTimeText(QStringLiteral("4000"), ms)); // a bare count of seconds
    EXPECT_EQ(ms, 4000000);
}

TEST(TimeParsing, RejectsEverythingElse) {
    int64_t ms = 7;
    for (const char* bad : {"", " ", "-1", "1e3", "1:60", "1:60:00", "1::2", ":5", "5:", "1.2.3",
                            "abc", "12.5s", "1:2:3:4", "0x10", "99999999999999999999"}) {
        EXPECT_FALSE(ParseTimeText(QString::fromLatin1(bad), ms)) << bad;
    }
    EXPECT_EQ(ms, 7);
}

TEST(CommandLine, ParsesAFullRip) {
    FillBitrateTable();
    const TCommandLineOptions o =
        ParseCommandLine({"--rip",        "a b.vob",       "-o",     "out.mp3", "--start",
                          "1:00",         "--end",         "90",     "--vbr",   "128-256",
                          "--samplerate", "48000",         "--mode", "joint",   "--title",
                          "Tïtle",        "--audio-track", "2",      "--force", "--quiet"});
    EXPECT_EQ(o.Mode, TCommandMode::cmRip);
    EXPECT_EQ(o.Source, QStringLiteral("a b.vob"));
    EXPECT_EQ(o.Output, QStringLiteral("out.mp3"));
    EXPECT_EQ(*o.StartMs, 60000);
    EXPECT_EQ(*o.EndMs, 90000);
    EXPECT_EQ(*o.VbrMin, 128);
    EXPECT_EQ(*o.VbrMax, 256);
    EXPECT_FALSE(o.Bitrate);
    EXPECT_EQ(*o.SampleRate, 48000);
    EXPECT_EQ(*o.ChannelMode, 2);
    EXPECT_EQ(*o.Title, QStringLiteral("Tïtle"));
    EXPECT_FALSE(o.Artist);
    EXPECT_EQ(o.AudioTrack, 2);
    EXPECT_TRUE(o.Force && o.Quiet);

    // Tag texts are cut to 255 characters, never inside a surrogate pair.
    const QString note = QStringLiteral("\U0001F3B5");
    const TCommandLineOptions cut =
        ParseCommandLine({"--rip", "a.vob", "--artist", QString(254, u'a') + note + "tail",
                          "--album", note.repeated(256)});
    EXPECT_EQ(*cut.Artist, QString(254, u'a') + note);
    EXPECT_EQ(*cut.Album, note.repeated(255));
}

TEST(CommandLine, AFileAloneOpensTheWindowWithIt) {
    const TCommandLineOptions o = ParseCommandLine({"--", "-odd name.mpg"});
    EXPECT_EQ(o.Mode, TCommandMode::cmWindow);
    EXPECT_EQ(o.Source, QStringLiteral("-odd name.mpg"));
    EXPECT_EQ(ParseCommandLine({}).Source, QString());
}

TEST(CommandLine, RefusesWhatCannotBeMeant) {
    FillBitrateTable();
    const QList<QStringList> bad{
        {"--rip"},
        {"--rip", "a", "--bitrate", "100"},
        {"--rip", "a", "--bitrate", "192", "--vbr", "128-256"},
        {"--rip", "a", "--vbr", "256-128"},
        {"--rip", "a", "--vbr", "128"},
        {"--rip", "a", "--samplerate", "22050"},
        {"--rip", "a", "--mode", "surround"},
        {"--rip", "a", "--start", "10", "--end", "5"},
        {"--rip", "a", "--start", "soon"},
        {"--rip", "a", "--audio-track", "0"},
        {"--rip", "a", "extra"},
        {"--frobnicate"},
        {"one.vob", "two.vob"},
    };
    for (const QStringList& args : bad)
        EXPECT_THROW(ParseCommandLine(args), EUsageError) << args.join(u' ').toStdString();
}

TEST(ProgramBinary, VersionWorksWithoutADisplayAndLeavesTheTenDefaults) {
    const QString hive = FreshDir(QStringLiteral("bin")) + QStringLiteral("/new/registry.reg");
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("SONAVEL_REGISTRY"), hive);
    p.setProcessEnvironment(env);
    p.start(BinDir() + QStringLiteral("/sonavel"), {QStringLiteral("--version")});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(p.readAllStandardOutput(), QByteArray("sonavel " SONAVEL_VERSION "\n"));
    TRegistry reg(hive);
    ASSERT_TRUE(reg.OpenKey(RegistryKey, false));
    EXPECT_EQ(reg.GetValueNames().size(), 10);

    p.start(BinDir() + QStringLiteral("/sonavel"),
            {QStringLiteral("--bitrate"), QStringLiteral("7")});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(p.readAllStandardError().contains("Try 'sonavel --help'"));

    p.start(BinDir() + QStringLiteral("/sonavel"), {QStringLiteral("--help")});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(p.readAllStandardOutput().contains("--list-tracks SOURCE"));
}
