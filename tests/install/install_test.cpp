// Installs the build into a temporary prefix and runs the installed copy, so the layout
// users get is the one exercised here.
#include "app/globals.h"
#include "support/decoded_audio.h"
#include "support/test_env.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

struct TRunResult {
    int exitCode = -1;
    QByteArray out, err;
};

TRunResult Exec(const QString& program, const QStringList& args, const QProcessEnvironment& env,
                int timeoutMs = 120000) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    TRunResult r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

class InstalledCopy : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        prefix = new QString(FreshDir(QStringLiteral("prefix")));
        const TRunResult r = Exec(QStringLiteral("cmake"),
                                  {QStringLiteral("--install"), BinDir() + QStringLiteral("/.."),
                                   QStringLiteral("--prefix"), *prefix},
                                  QProcessEnvironment::systemEnvironment());
        installed = r.exitCode == 0;
        if (!installed)
            qWarning("cmake --install failed: %s", r.err.constData());
    }
    static QProcessEnvironment Env() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SONAVEL_REGISTRY"),
                   FreshDir(QStringLiteral("reg")) + QStringLiteral("/registry.reg"));
        env.remove(QStringLiteral("SONAVEL_DATA_DIR"));
        env.remove(QStringLiteral("DISPLAY"));
        return env;
    }
    static inline QString* prefix = nullptr;
    static inline bool installed = false;
};

} // namespace

TEST_F(InstalledCopy, LaysOutProgramDataDesktopEntryIconMetainfoAndManual) {
    ASSERT_TRUE(installed);
    for (const char* path :
         {"bin/sonavel", "share/sonavel/tips.txt", "share/sonavel/sonavel.html",
          "share/applications/sonavel.desktop", "share/icons/hicolor/scalable/apps/sonavel.svg",
          "share/metainfo/org.sonavel.Sonavel.metainfo.xml", "share/man/man1/sonavel.1.gz"}) {
        EXPECT_TRUE(QFileInfo::exists(*prefix + u'/' + QString::fromLatin1(path))) << path;
    }
    // History lists belong to the user, not to the installation.
    EXPECT_FALSE(QFileInfo::exists(*prefix + QStringLiteral("/share/sonavel/album.lst")));
    EXPECT_FALSE(QFileInfo::exists(*prefix + QStringLiteral("/bin/tips.txt")));
}

TEST_F(InstalledCopy, DesktopEntryAndMetainfoValidate) {
    ASSERT_TRUE(installed);
    const QString dfv = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (!dfv.isEmpty()) {
        const TRunResult r =
            Exec(dfv, {*prefix + QStringLiteral("/share/applications/sonavel.desktop")},
                 QProcessEnvironment::systemEnvironment());
        EXPECT_EQ(r.exitCode, 0) << r.out.constData() << r.err.constData();
    }
    const QString asc = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
    if (!asc.isEmpty()) {
        const TRunResult r =
            Exec(asc,
                 {QStringLiteral("validate"), QStringLiteral("--no-net"),
                  *prefix + QStringLiteral("/share/metainfo/org.sonavel.Sonavel.metainfo.xml")},
                 QProcessEnvironment::systemEnvironment());
        EXPECT_EQ(r.exitCode, 0) << r.out.constData();
    }
}

TEST_F(InstalledCopy, PrintsItsVersionAndRipsTheDemoHeadless) {
    ASSERT_TRUE(installed);
    const QString program = *prefix + QStringLiteral("/bin/sonavel");
    const TRunResult version = Exec(program, {QStringLiteral("--version")}, Env());
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, QByteArray("sonavel " SONAVEL_VERSION "\n"));

    const QString out =
        FreshDir(QStringLiteral("installed-rip")) + QStringLiteral("/demo part.mp3");
    const TRunResult rip =
        Exec(program,
             {QStringLiteral("--rip"), FixturePath(QStringLiteral("demo.mpg")),
              QStringLiteral("-o"), out, QStringLiteral("--start"), QStringLiteral("2"),
              QStringLiteral("--end"), QStringLiteral("5"), QStringLiteral("--samplerate"),
              QStringLiteral("48000"), QStringLiteral("--quiet")},
             Env());
    ASSERT_EQ(rip.exitCode, 0) << rip.err.constData();
    const DecodedAudio mp3 = DecodeAudioFile(out);
    ASSERT_TRUE(mp3.ok) << mp3.error.toStdString();
    EXPECT_EQ(mp3.sampleRate, 48000);
    EXPECT_EQ(mp3.frames(), 3 * 48000);
}

TEST_F(InstalledCopy, ReadsItsDataFromShareAndKeepsHistoryInTheUsersDataFolder) {
    ASSERT_TRUE(installed);
    const QString savedProgramDir = ProgramDir;
    const QByteArray savedData = qgetenv("SONAVEL_DATA_DIR");
    qunsetenv("SONAVEL_DATA_DIR");
    ProgramDir = *prefix + QStringLiteral("/bin/");
    const QString data = DataDir(), history = HistoryDir();
    ProgramDir = savedProgramDir;
    qputenv("SONAVEL_DATA_DIR", savedData);
    EXPECT_EQ(data, QDir::cleanPath(*prefix + QStringLiteral("/share/sonavel")) + u'/');
    EXPECT_EQ(history, QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/sonavel/"));
    EXPECT_TRUE(QFileInfo(history).isDir());
    // A build tree keeps everything beside the program.
    EXPECT_EQ(DataDir(), ProgramDir);
}
