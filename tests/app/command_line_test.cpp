#include "program/command_line.h"

#include "app/globals.h"
#include "base/registry.h"
#include "support/test_env.h"

#include <QFileInfo>
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

TEST(CommandLine, DvdTitlesAndChapters) {
    const TCommandLineOptions one =
        ParseCommandLine({"--rip", "/dev/sr0", "--dvd-title", "3", "--chapter", "6"});
    EXPECT_EQ(one.DvdTitle, 3);
    EXPECT_EQ(one.ChapterFirst, 6);
    EXPECT_EQ(one.ChapterLast, 6);
    const TCommandLineOptions span = ParseCommandLine({"--rip", "a.iso", "--chapter", "6-8"});
    EXPECT_EQ(span.DvdTitle, 0);
    EXPECT_EQ(span.ChapterFirst, 6);
    EXPECT_EQ(span.ChapterLast, 8);
    EXPECT_EQ(ParseCommandLine({"--list-titles", "a.iso"}).Mode, TCommandMode::cmListTitles);
    EXPECT_EQ(ParseCommandLine({"--dvd-title", "2", "VIDEO_TS"}).DvdTitle, 2); // the window's
    EXPECT_EQ(span.DvdAngle, 0); // not given: the first
    EXPECT_EQ(ParseCommandLine({"--rip", "a.iso", "--angle", "2"}).DvdAngle, 2);
    EXPECT_EQ(ParseCommandLine({"--list-chapters", "a.mkv"}).Mode, TCommandMode::cmListChapters);
}

TEST(CommandLine, SeveralSourcesTheSourcesRateAndTheDownmix) {
    const TCommandLineOptions o =
        ParseCommandLine({"--rip", "a.mkv", "-o", "out/", "b.mp4", "c.vob", "--samplerate",
                          "source", "--downmix", "Dialogue"});
    EXPECT_EQ(o.Source, QStringLiteral("a.mkv"));
    EXPECT_EQ(o.Sources, (QStringList{"a.mkv", "b.mp4", "c.vob"}));
    EXPECT_EQ(*o.SampleRate, 0);
    EXPECT_EQ(*o.Downmix, 1);
    EXPECT_EQ(ParseCommandLine({"--rip", "a.vob"}).Sources, QStringList{"a.vob"});
    EXPECT_FALSE(ParseCommandLine({"--rip", "a.vob"}).Downmix);
}

TEST(CommandLine, AFileAloneOpensTheWindowWithIt) {
    const TCommandLineOptions o = ParseCommandLine({"--", "-odd name.mpg"});
    EXPECT_EQ(o.Mode, TCommandMode::cmWindow);
    EXPECT_EQ(o.Source, QStringLiteral("-odd name.mpg"));
    EXPECT_EQ(ParseCommandLine({}).Source, QString());
}

TEST(CommandLine, RefusesWhatCannotBeMeant) {
    const QList<QStringList> bad{
        {"--rip"},
        {"--rip", "a", "-o", "a.mp3", "--bitrate", "100"},
        {"--rip", "a", "--bitrate", "7"},
        {"--rip", "a", "--format", "flac", "-o", "a.mp3"},
        {"--rip", "a", "--format", "ogg"},
        {"--rip", "a", "-o", "a.opus", "--bitrate", "320"},
        {"--rip", "a", "-o", "a.flac", "--vbr", "128-256"},
        {"--rip", "a", "--format", "mp3", "--compression", "5"},
        {"--rip", "a", "--bitrate", "192", "--vbr", "128-256"},
        {"--rip", "a", "--vbr", "256-128"},
        {"--rip", "a", "--vbr", "128"},
        {"--rip", "a", "--samplerate", "22050"},
        {"--rip", "a", "--mode", "surround"},
        {"--rip", "a", "--downmix", "loud"},
        {"--rip", "a", "--samplerate", "own"},
        {"--rip", "a", "--start", "10", "--end", "5"},
        {"--rip", "a", "--start", "soon"},
        {"--rip", "a", "--audio-track", "0"},
        {"--list-tracks", "a", "extra"}, // --rip alone takes several sources
        {"--rip", "a", "b", "--tracks", "list.cue"},
        {"--rip", "a", "--dvd-title", "0"},
        {"--rip", "a", "--chapter", "8-6"},
        {"--rip", "a", "--chapter", "0"},
        {"--rip", "a", "--chapter", "1-2-3"},
        {"--list-tracks", "a", "--chapter", "2"},
        {"--list-titles", "a", "--dvd-title", "2"},
        {"--rip", "a", "--angle", "0"},
        {"--list-titles", "a", "--angle", "2"},
        {"--frobnicate"},
        {"one.vob", "two.vob"},
    };
    for (const QStringList& args : bad)
        EXPECT_THROW(ParseCommandLine(args), EUsageError) << args.join(u' ').toStdString();
}

// The source's own rate goes with MP3 and FLAC (stored as 0), not with Opus, whose refusal
// names the option as the user wrote it.
TEST(CommandLine, TheSourcesRateGoesWithEveryFormatButOpus) {
    for (const char* output : {"a.mp3", "a.flac"}) {
        const TCommandLineOptions o =
            ParseCommandLine({"--rip", "a.mkv", "-o", output, "--samplerate", "SOURCE"});
        ASSERT_TRUE(o.SampleRate.has_value()) << output;
        EXPECT_EQ(*o.SampleRate, 0) << output;
    }
    try {
        ParseCommandLine({"--rip", "a.mkv", "--format", "opus", "--samplerate", "source"});
        ADD_FAILURE() << "Opus took the source's rate";
    } catch (const EUsageError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("--samplerate source: Opus is always 48000 Hz"));
    }
}

// The option rows of --help against the parser: every option shown is one it takes, and
// one shown with a value is one it asks a value of (and only those).
TEST(CommandLine, EveryOptionTheHelpShowsIsOneTheParserTakesAsShown) {
    QStringList shown;
    for (const QString& line : UsageText().split(u'\n')) {
        if (!line.startsWith(QStringLiteral("  -")))
            continue;
        // Names and value in the first column, or alone on their line when wider.
        const bool narrow = line.size() > 23 && line[22] == u' ';
        const QString head = (narrow ? line.mid(2, 21) : line.mid(2)).trimmed();
        QStringList names = head.split(QStringLiteral(", "));
        const QStringList last = names.takeLast().split(u' ');
        names << last.first();
        const bool takesValue = last.size() > 1;
        for (const QString& name : names) {
            SCOPED_TRACE(name.toStdString());
            shown << name;
            try {
                ParseCommandLine({name});
                EXPECT_FALSE(takesValue);
            } catch (const EUsageError& e) {
                EXPECT_NE(e.Message(), QStringLiteral("unknown option '%1'").arg(name));
                EXPECT_EQ(e.Message() == QStringLiteral("%1 needs a value").arg(name), takesValue)
                    << e.Message().toStdString();
            }
        }
    }
    for (const char* name : {"--rip", "-o", "--output", "--title", "--genre", "-j", "--jobs", "-q",
                             "-h", "--help", "--version", "--list-titles"})
        EXPECT_TRUE(shown.contains(QLatin1String(name))) << name;
}

TEST(ProgramBinary, HelpVersionAndListTracksNeitherCreateNorTouchTheSettings) {
    const QString dir = FreshDir(QStringLiteral("bin"));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    auto run = [&](const QString& hive, const QStringList& args) {
        env.insert(QStringLiteral("SONAVEL_REGISTRY"), hive);
        p.setProcessEnvironment(env);
        p.start(BinDir() + QStringLiteral("/sonavel"), args);
        EXPECT_TRUE(p.waitForFinished(20000)) << args.join(u' ').toStdString();
        return p.exitCode();
    };
    const QList<QStringList> commands = {
        {QStringLiteral("--version")},
        {QStringLiteral("--help")},
        {QStringLiteral("--list-tracks"), FixturePath(QStringLiteral("demo.mpg"))}};

    // No hive yet: none is made, nor its folder.
    const QString missing = dir + QStringLiteral("/new/registry.reg");
    for (const QStringList& args : commands) {
        EXPECT_EQ(run(missing, args), 0) << args.join(u' ').toStdString();
        const QByteArray out = p.readAllStandardOutput();
        if (args[0] == QStringLiteral("--version"))
            EXPECT_EQ(out, QByteArray("sonavel " SONAVEL_VERSION "\n"));
        else if (args[0] == QStringLiteral("--help"))
            EXPECT_TRUE(out.contains("--list-tracks SOURCE"));
        else
            EXPECT_TRUE(out.startsWith("1  ")) << out.constData();
        EXPECT_FALSE(QFileInfo::exists(dir + QStringLiteral("/new"))) << args[0].toStdString();
    }

    // A hive with a single value, which loading the settings would fill up: left as it is.
    const QString sparse = dir + QStringLiteral("/registry.reg");
    {
        TRegistry reg(sparse);
        ASSERT_TRUE(reg.OpenKey(RegistryKey, true));
        reg.WriteInteger(QStringLiteral("AudioBitrate"), 320);
    }
    const QByteArray before = ReadFile(sparse);
    ASSERT_FALSE(before.isEmpty());
    for (const QStringList& args : commands) {
        EXPECT_EQ(run(sparse, args), 0) << args.join(u' ').toStdString();
        EXPECT_EQ(ReadFile(sparse), before) << args[0].toStdString();
    }
    // The window and --rip do read it: the check above would see a write.
    EXPECT_EQ(run(sparse, {QStringLiteral("--rip"), QStringLiteral("/nonexistent.vob")}), 1);
    EXPECT_NE(ReadFile(sparse), before);

    EXPECT_EQ(run(sparse, {QStringLiteral("--bitrate"), QStringLiteral("7")}), 2);
    EXPECT_TRUE(p.readAllStandardError().contains("Try 'sonavel --help'"));
}
