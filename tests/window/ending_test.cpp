// How the window ends: asked by a signal (logging out, Ctrl+C, a closed terminal) as by
// its close button, and what it says when the settings cannot be kept.
#include "window_fixture.h"

#include "app/settings.h"
#include "base/registry.h"
#include "base/termination_signals.h"
#include "ui/main/main_frm_util.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QProcessEnvironment>

#include <cerrno>
#include <cstring>

#include <signal.h>

namespace {

// The settings hive the test main names, read back.
TRegistry SavedHive() {
    TRegistry reg(TRegistry::DefaultHivePath());
    EXPECT_TRUE(reg.OpenKey(RegistryKey, false)) << reg.HivePath().toStdString();
    return reg;
}

// Points the settings at `hive` for one test, then back at the test main's own.
struct THiveOverride {
    QByteArray before = qgetenv("SONAVEL_REGISTRY");
    explicit THiveOverride(const QString& hive) { qputenv("SONAVEL_REGISTRY", hive.toUtf8()); }
    ~THiveOverride() {
        qputenv("SONAVEL_REGISTRY", before);
        LoadSettings(); // leaves no problem behind for the next window
    }
};

} // namespace

TEST_F(WindowTest, ASignalDuringARunEndsItLikeTheCloseButton) {
    TTerminationSignals endSignals;
    ASSERT_TRUE(endSignals.Installed());
    QObject::connect(&endSignals, &TTerminationSignals::received, Frm.get(),
                     [this] { Frm->CloseForSignal(); });
    Open(FixturePath(QStringLiteral("demo.mpg")));
    const QString dir = FreshDir(QStringLiteral("signal"));
    const QString output = dir + QStringLiteral("/demo.mp3");
    Frm->outputFileEdit->setText(output);
    Frm->ExtractBtnClick();
    ASSERT_TRUE(Frm->Running());
    ASSERT_TRUE(
        WaitFor([&] { return !QDir(dir).entryList(QDir::Files | QDir::Hidden).isEmpty(); }));

    ASSERT_EQ(::kill(::getpid(), SIGTERM), 0);
    ASSERT_TRUE(WaitFor([&] { return !Frm->isVisible(); }, 10000));
    Frm.reset();
    // The run was stopped and its temporary file removed; the settings were saved.
    EXPECT_TRUE(QDir(dir).entryList(QDir::Files | QDir::Hidden).isEmpty())
        << QDir(dir).entryList(QDir::Files | QDir::Hidden).join(u' ').toStdString();
    EXPECT_EQ(SavedHive().ReadString(QStringLiteral("InputFileDir")),
              FolderPart(FixturePath(QStringLiteral("demo.mpg"))));
    EXPECT_TRUE(Boxes.empty());
    EXPECT_TRUE(Messages.empty());
    // The first signal was taken; a second one would end a program that hangs.
    struct sigaction now {};
    ::sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
}

TEST_F(WindowTest, SettingsThatCannotBeKeptAreToldOnceWithWhereAndWhy) {
    // At start-up: the hive's folder is a file.
    const QString blocker = FreshDir(QStringLiteral("told")) + QStringLiteral("/file");
    ASSERT_TRUE(WriteFile(blocker, "x"));
    const QString hive = blocker + QStringLiteral("/sonavel/registry.reg");
    {
        THiveOverride over(hive);
        LoadSettings();
        TipsIndex = TipsOff;
        Frm = std::make_unique<TTestMainFrm>();
        Frm->show();
        ASSERT_TRUE(WaitFor([&] { return !Messages.empty(); }, 3000));
        EXPECT_TRUE(Messages[0].contains(hive)) << Messages[0].toStdString();
        EXPECT_TRUE(Messages[0].contains(QString::fromLocal8Bit(std::strerror(ENOTDIR))));
        EXPECT_TRUE(Frm->IsIdle()); // and it keeps running
        Frm->close();
        EXPECT_EQ(Messages.size(), 1u); // the failed save at the end says nothing new
        EXPECT_FALSE(QFileInfo::exists(hive));
    }

    // Start-up went well; the save at the end fails: told then.
    const QString home = FreshDir(QStringLiteral("told-later"));
    const QString laterHive = home + QStringLiteral("/.config/sonavel/registry.reg");
    THiveOverride over(laterHive);
    LoadSettings();
    ASSERT_TRUE(QFileInfo::exists(laterHive));
    TipsIndex = TipsOff;
    Messages.clear();
    Frm = std::make_unique<TTestMainFrm>();
    Frm->show();
    Pump(50);
    EXPECT_TRUE(Messages.empty());
    ASSERT_TRUE(QDir(home + QStringLiteral("/.config/sonavel")).removeRecursively());
    ASSERT_TRUE(WriteFile(home + QStringLiteral("/.config/sonavel"), "in the way"));
    Frm->close();
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_TRUE(Messages[0].contains(laterHive)) << Messages[0].toStdString();
    EXPECT_TRUE(Messages[0].contains(QString::fromLocal8Bit(std::strerror(ENOTDIR))));
}

// The built program, as the desktop or a terminal ends it: each of the three signals
// closes it as its close button would, with the settings saved and nothing left over.
TEST(WindowProgram, EndSignalsCloseItCleanlyAndSaveTheSettings) {
    for (int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signalNumber);
        // A fresh account: no ~/.config yet.
        const QString home = FreshDir(QStringLiteral("program-home"));
        const QString hive = home + QStringLiteral("/.config/sonavel/registry.reg");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), TestRoot() + QStringLiteral("/runtime"));
        env.insert(QStringLiteral("SONAVEL_REGISTRY"), hive);
        env.insert(QStringLiteral("SONAVEL_DATA_DIR"), home + QStringLiteral("/history"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(BinDir() + QStringLiteral("/sonavel"),
                      {FixturePath(QStringLiteral("vcd_mp2.mpg"))});
        ASSERT_TRUE(program.waitForStarted());
        // The first start writes the settings; the signals are taken from before that,
        // and the window (with the tip of the day over it) is up a moment later.
        QElapsedTimer waited;
        waited.start();
        while (!QFileInfo::exists(hive) && waited.elapsed() < 30000)
            program.waitForFinished(20);
        ASSERT_TRUE(QFileInfo::exists(hive));
        program.waitForFinished(1500);
        ASSERT_EQ(program.state(), QProcess::Running);

        ASSERT_EQ(::kill(pid_t(program.processId()), signalNumber), 0);
        ASSERT_TRUE(program.waitForFinished(20000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
        // Saved at the end: the tips dialog moved on from the 0 the first start wrote.
        TRegistry reg(hive);
        ASSERT_TRUE(reg.OpenKey(RegistryKey, false));
        EXPECT_EQ(reg.ReadInteger(QStringLiteral("tips")), 1);
        EXPECT_EQ(QDir(QFileInfo(hive).path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{QStringLiteral("registry.reg")});
    }
}
