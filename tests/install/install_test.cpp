// Installs the build into a temporary prefix and runs the installed copy, so the layout
// users get is the one exercised here.
#include "app/globals.h"
#include "support/decoded_audio.h"
#include "support/test_env.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
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

TEST_F(InstalledCopy, LaysOutProgramDataDesktopEntryIconsMimeMetainfoAndManual) {
    ASSERT_TRUE(installed);
    for (const char* path :
         {"bin/sonavel", "share/sonavel/tips.txt", "share/sonavel/sonavel.html",
          "share/sonavel/sonavel_de.html", "share/sonavel/sonavel.css",
          "share/applications/sonavel.desktop", "share/icons/hicolor/scalable/apps/sonavel.svg",
          "share/mime/packages/sonavel.xml", "share/metainfo/org.sonavel.Sonavel.metainfo.xml",
          "share/man/man1/sonavel.1.gz", "share/doc/sonavel/copyright",
          "share/doc/sonavel/changelog.gz"}) {
        EXPECT_TRUE(QFileInfo::exists(*prefix + u'/' + QString::fromLatin1(path))) << path;
    }
    // Every size of the theme, drawn: opaque in the middle, transparent in the corner.
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString path =
            *prefix + QStringLiteral("/share/icons/hicolor/%1x%1/apps/sonavel.png").arg(size);
        const QImage icon(path);
        ASSERT_FALSE(icon.isNull()) << path.toStdString();
        EXPECT_EQ(icon.size(), QSize(size, size)) << size;
        EXPECT_EQ(qAlpha(icon.pixel(size / 2, size / 2)), 255) << size;
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << size;
    }
    // History lists belong to the user, not to the installation.
    EXPECT_FALSE(QFileInfo::exists(*prefix + QStringLiteral("/share/sonavel/album.lst")));
    EXPECT_FALSE(QFileInfo::exists(*prefix + QStringLiteral("/bin/tips.txt")));
}

// The desktop's own lookup (xdg-mime, through the shared MIME database the package adds to)
// finds a Video CD's .dat by its header and offers Sonavel for it, for MPEG files and for
// the video and sound containers it opens.
TEST_F(InstalledCopy, DesktopKnowsEveryOpenedTypeAndOffersSonavel) {
    ASSERT_TRUE(installed);
    const QString share = *prefix + QStringLiteral("/share");
    const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
    ASSERT_EQ(
        Exec(QStringLiteral("update-mime-database"), {share + QStringLiteral("/mime")}, system)
            .exitCode,
        0);
    ASSERT_EQ(Exec(QStringLiteral("update-desktop-database"),
                   {share + QStringLiteral("/applications")}, system)
                  .exitCode,
              0);
    QProcessEnvironment env = system;
    env.insert(QStringLiteral("XDG_DATA_DIRS"), share + QStringLiteral(":/usr/share"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), FreshDir(QStringLiteral("data-home")));
    for (const char* name :
         {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID"})
        env.remove(QString::fromLatin1(name));
    auto fileType = [&](const QString& path) {
        return Exec(QStringLiteral("xdg-mime"),
                    {QStringLiteral("query"), QStringLiteral("filetype"), path}, env)
            .out.trimmed();
    };

    // The header decides, never the ".dat" alone.
    const QString dir = FreshDir(QStringLiteral("mime"));
    const QString plain = dir + QStringLiteral("/notes.dat");
    const QString avi = dir + QStringLiteral("/movie.dat");
    const QString program = dir + QStringLiteral("/AVSEQ01.dat");
    ASSERT_TRUE(WriteFile(plain, "numbers 1 2 3\n"));
    ASSERT_TRUE(QFile::copy(FixturePath(QStringLiteral("mono_u8.avi")), avi));
    ASSERT_TRUE(QFile::copy(FixturePath(QStringLiteral("vcd_mp2.mpg")), program));
    EXPECT_EQ(fileType(FixturePath(QStringLiteral("vcd_mp2.dat"))), "video/x-vcd");
    EXPECT_EQ(fileType(FixturePath(QStringLiteral("dvd_ac3_stereo.vob"))), "video/mpeg");
    EXPECT_EQ(fileType(FixturePath(QStringLiteral("demo.mpg"))), "video/mpeg");
    EXPECT_EQ(fileType(program), "video/mpeg");
    EXPECT_NE(fileType(avi), "video/x-vcd");
    EXPECT_NE(fileType(plain), "video/x-vcd");

    // Every type the desktop entry and the metainfo name is a real one (not an alias, not
    // made up), and the desktop offers Sonavel for it.
    QSet<QString> known;
    for (const QString& types :
         {share + QStringLiteral("/mime/types"), QStringLiteral("/usr/share/mime/types")})
        for (const QByteArray& line : ReadFile(types).split('\n'))
            known.insert(QString::fromLatin1(line.trimmed()));
    const QString entry =
        QString::fromUtf8(ReadFile(share + QStringLiteral("/applications/sonavel.desktop")));
    const QRegularExpressionMatch mimeLine =
        QRegularExpression(QStringLiteral("^MimeType=(.*)$"), QRegularExpression::MultilineOption)
            .match(entry);
    ASSERT_TRUE(mimeLine.hasMatch());
    QStringList listed = mimeLine.captured(1).split(u';', Qt::SkipEmptyParts);
    EXPECT_TRUE(listed.contains(QStringLiteral("video/x-vcd")));
    // "Open with" offers it for the video and sound files it opens, known by their content.
    for (const char* type :
         {"video/x-matroska", "video/mp4", "video/quicktime", "video/webm", "video/mp2t",
          "video/x-msvideo", "video/x-flv", "video/ogg", "audio/x-matroska", "audio/mp4",
          "audio/ogg", "audio/x-wav", "audio/flac"})
        EXPECT_TRUE(listed.contains(QLatin1String(type))) << type;
    EXPECT_EQ(fileType(FixturePath(QStringLiteral("mono_u8.avi"))), "video/x-msvideo");
    const QString metainfo = QString::fromUtf8(
        ReadFile(share + QStringLiteral("/metainfo/org.sonavel.Sonavel.metainfo.xml")));
    QRegularExpressionMatchIterator media =
        QRegularExpression(QStringLiteral("<mediatype>([^<]*)</mediatype>")).globalMatch(metainfo);
    while (media.hasNext()) {
        const QString type = media.next().captured(1);
        EXPECT_TRUE(listed.contains(type)) << type.toStdString();
    }
    for (const QString& type : listed) {
        EXPECT_TRUE(known.contains(type)) << type.toStdString();
        EXPECT_EQ(Exec(QStringLiteral("xdg-mime"),
                       {QStringLiteral("query"), QStringLiteral("default"), type}, env)
                      .out.trimmed(),
                  "sonavel.desktop")
            << type.toStdString();
    }
}

// The home page, support address and maintainer come from the build's settings alone, and
// the LICENSE of the source tree says what the package's copyright file says.
TEST_F(InstalledCopy, AddressesComeFromOnePlaceAndTheLicenseMatches) {
    ASSERT_TRUE(installed);
    const QString share = *prefix + QStringLiteral("/share");
    const QByteArray manual =
        Exec(QStringLiteral("gzip"),
             {QStringLiteral("-dc"), share + QStringLiteral("/man/man1/sonavel.1.gz")},
             QProcessEnvironment::systemEnvironment())
            .out;
    const QByteArray changelog =
        Exec(QStringLiteral("gzip"),
             {QStringLiteral("-dc"), share + QStringLiteral("/doc/sonavel/changelog.gz")},
             QProcessEnvironment::systemEnvironment())
            .out;
    const QByteArray metainfo =
        ReadFile(share + QStringLiteral("/metainfo/org.sonavel.Sonavel.metainfo.xml"));
    const QByteArray copyright = ReadFile(share + QStringLiteral("/doc/sonavel/copyright"));
    const QRegularExpression placeholder(QStringLiteral("@[A-Z_]+@"));
    for (const QByteArray& text : {manual, changelog, metainfo, copyright}) {
        EXPECT_FALSE(text.isEmpty());
        EXPECT_FALSE(placeholder.match(QString::fromUtf8(text)).hasMatch()) << text.constData();
    }
    EXPECT_TRUE(manual.contains(SONAVEL_SUPPORT_EMAIL) && manual.contains(SONAVEL_HOMEPAGE) &&
                manual.contains("Sonavel " SONAVEL_VERSION));
    EXPECT_TRUE(changelog.startsWith("sonavel (" SONAVEL_VERSION ")") &&
                changelog.contains("<" SONAVEL_SUPPORT_EMAIL ">"));
    EXPECT_TRUE(metainfo.contains(SONAVEL_HOMEPAGE) && metainfo.contains(SONAVEL_SUPPORT_EMAIL) &&
                metainfo.contains("version=\"" SONAVEL_VERSION "\""));
    // A home page is named only when the build has one.
    const QByteArray homePage(SONAVEL_HOMEPAGE);
    EXPECT_EQ(copyright.contains("Source: "), !homePage.isEmpty());
    EXPECT_EQ(metainfo.contains("type=\"homepage\""), !homePage.isEmpty());
    EXPECT_EQ(manual.contains("\n.UR "), !homePage.isEmpty());

    // Nowhere else in the sources: a packager changes them once, in CMakeLists.txt.
    const QString tree = QStringLiteral(SONAVEL_TEST_SOURCE_DIR);
    for (const QString& folder :
         {QStringLiteral("src"), QStringLiteral("resources"), QStringLiteral("packaging")}) {
        QDirIterator files(tree + u'/' + folder, QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            const QByteArray text = ReadFile(path);
            EXPECT_FALSE((!homePage.isEmpty() && text.contains(homePage)) ||
                         text.contains(SONAVEL_SUPPORT_EMAIL))
                << path.toStdString();
        }
    }

    // LICENSE carries the copyright file's licence paragraph word for word, then the GPL.
    const QByteArray license = ReadFile(tree + QStringLiteral("/LICENSE"));
    ASSERT_TRUE(copyright.contains("License: GPL-2+\n"));
    QByteArray notice;
    const qsizetype start = copyright.indexOf("License: GPL-2+\n") + 16;
    for (const QByteArray& line : copyright.mid(start).split('\n')) {
        const QByteArray text = line.startsWith(' ') ? line.mid(1) : line;
        notice += (text == "." ? QByteArray() : text) + '\n';
    }
    EXPECT_TRUE(license.contains(notice.trimmed())) << notice.constData();
    EXPECT_TRUE(metainfo.contains("<project_license>GPL-2.0-or-later</project_license>"));
    const QByteArray gpl = ReadFile(QStringLiteral("/usr/share/common-licenses/GPL-2"));
    if (!gpl.isEmpty()) {
        EXPECT_TRUE(license.contains(gpl));
    }
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
    // The installed catalogue, found from share/sonavel by the locale.
    QProcessEnvironment german = Env();
    german.insert(QStringLiteral("LANG"), QStringLiteral("de_DE.UTF-8"));
    const TRunResult help = Exec(program, {QStringLiteral("--help")}, german);
    EXPECT_TRUE(
        QFileInfo::exists(*prefix + QStringLiteral("/share/sonavel/translations/sonavel_de.qm")));
    EXPECT_TRUE(help.out.startsWith("Aufruf: sonavel")) << help.out.left(100).constData();

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
