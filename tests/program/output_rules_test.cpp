// What a rip may do to files, as the built program runs it: a failed track never touches an
// earlier file of its name, the final name only ever holds a finished file, the disc it
// reads is never an output, no-clobber holds up to the last step, the umask is honoured,
// and a name the file system refuses fails before any sound is encoded.

#include "support/program_run.h"

#include "support/decoded_audio.h"
#include "support/dvd_authoring.h"
#include "support/read_fault.h"
#include "support/test_env.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <sys/stat.h>

namespace {

const QStringList kQuick = {QStringLiteral("--samplerate"), QStringLiteral("48000"),
                            QStringLiteral("--bitrate"), QStringLiteral("128"),
                            QStringLiteral("--quiet")};

QString Concert() {
    return FixturePath(QStringLiteral("dvd_concert.mpg"));
}

QByteArray TreeHash(const QString& root) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    QDirIterator files(root, QDir::Files, QDirIterator::Subdirectories);
    QStringList names;
    while (files.hasNext())
        names << files.next();
    names.sort();
    for (const QString& name : names) {
        hash.addData(name.toUtf8());
        hash.addData(ReadFile(name));
    }
    return hash.result();
}

QProcess* StartSonavel(const QStringList& args, QObject* parent) {
    auto* process = new QProcess(parent);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SONAVEL_REGISTRY"),
               FreshDir(QStringLiteral("hive")) + QStringLiteral("/sonavel.reg"));
    process->setProcessEnvironment(env);
    process->start(BinDir() + QStringLiteral("/sonavel"), args);
    process->waitForStarted();
    return process;
}

} // namespace

// The case that lost a user's file: tracks long enough to be cut into segments, --force over
// files of the same names. They are replaced by the tracks; and when a track does fail, its
// earlier file stays as it was and the tracks before it are written.
TEST(OutputRules, AFailedTrackNeverTouchesAnEarlierFile) {
    const QString dir = FreshDir(QStringLiteral("earlier"));
    const QString list = dir + QStringLiteral("/list.txt");
    ASSERT_TRUE(WriteFile(list, "0.5 8.3 A\n8.3 29.1 B\n"));
    const QString out = dir + QStringLiteral("/out/");
    const QString a = out + QStringLiteral("01 - A.mp3"), b = out + QStringLiteral("02 - B.mp3");
    const QStringList args =
        QStringList{QStringLiteral("--rip"), Concert(), QStringLiteral("--tracks"), list,
                    QStringLiteral("-o"),    out,       QStringLiteral("--force")} +
        kQuick;
    ASSERT_TRUE(WriteFile(a, "earlier A") && WriteFile(b, "earlier B"));
    const TProgramRun replaced = RunSonavel(args);
    ASSERT_EQ(replaced.exitCode, 0) << replaced.err.toStdString();
    EXPECT_EQ(DecodeAudioFile(a).frames(), int64_t(7.8 * 48000));
    EXPECT_EQ(DecodeAudioFile(b).frames(), int64_t(20.8 * 48000));

    // The sound of the second track cannot be read.
    ASSERT_TRUE(WriteFile(a, "earlier A") && WriteFile(b, "earlier B"));
    const qint64 size = QFileInfo(Concert()).size();
    const TProgramRun failed =
        RunSonavel(args, QStringList{QStringLiteral("env")} +
                             ReadFaultEnvironment(Concert(), size * 6 / 10, size * 7 / 10));
    EXPECT_EQ(failed.exitCode, 1);
    const QString err = failed.err.trimmed();
    EXPECT_TRUE(err.startsWith(QStringLiteral("sonavel: track 2 of 2 (\"B\") failed: ")))
        << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("Input/output error"))) << err.toStdString();
    EXPECT_TRUE(err.endsWith(QStringLiteral("; track 1 was written"))) << err.toStdString();
    EXPECT_EQ(ReadFile(b), QByteArray("earlier B"));
    EXPECT_EQ(DecodeAudioFile(a).frames(), int64_t(7.8 * 48000));
    EXPECT_EQ(FilesIn(out),
              (QStringList{QStringLiteral("01 - A.mp3"), QStringLiteral("02 - B.mp3")}));
}

// Watched while it runs, and killed half-way: whatever appears under a track's own name
// is that track, complete, and never changes; only the temporary files of a killed run are
// left besides.
TEST(OutputRules, TheFinalNameOnlyEverHoldsAFinishedFile) {
    const QString dir = FreshDir(QStringLiteral("finalname"));
    const QString list = dir + QStringLiteral("/list.txt");
    ASSERT_TRUE(WriteFile(list, "0 3 A\n3 6 B\n6 9 C\n9 12 D\n12 15 E\n15 18 F\n18 21 G\n"
                                "21 24 H\n24 27 I\n27 30 J\n"));
    const QString out = dir + QStringLiteral("/out/");
    QObject owner;
    QProcess* process = StartSonavel(
        QStringList{QStringLiteral("--rip"), Concert(), QStringLiteral("--tracks"), list,
                    QStringLiteral("-o"), out, QStringLiteral("--jobs"), QStringLiteral("1")} +
            kQuick,
        &owner);
    std::map<QString, QByteArray> seen; // a final name and what it held when first seen
    QElapsedTimer clock;
    clock.start();
    bool killed = false;
    while (process->state() != QProcess::NotRunning && clock.elapsed() < 60000) {
        for (const QString& name : FilesIn(out)) {
            if (name.startsWith(u'.') || seen.count(name))
                continue;
            seen[name] = ReadFile(out + name);
        }
        if (!killed && seen.size() >= 4) {
            ::kill(pid_t(process->processId()), SIGKILL);
            killed = true;
        }
        process->waitForFinished(2);
    }
    process->waitForFinished();
    ASSERT_TRUE(killed) << "the run ended before it could be killed";
    ASSERT_GE(seen.size(), 4u);
    for (const auto& [name, bytes] : seen) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(ReadFile(out + name), bytes); // never written after it appeared
        EXPECT_EQ(DecodeAudioFile(out + name).frames(), 3 * 48000);
    }
    // Tracks that reached their names between the last look and the kill are whole too.
    for (const QString& name : FilesIn(out)) {
        SCOPED_TRACE(name.toStdString());
        if (name.startsWith(QStringLiteral(".sonavel-")) && name.endsWith(QStringLiteral(".part")))
            continue;
        if (!seen.count(name)) {
            EXPECT_EQ(DecodeAudioFile(out + name).frames(), 3 * 48000);
        }
    }
}

// The disc a rip reads is never its output, whichever of its names the source and the
// output are given by; nothing of it changes.
TEST(OutputRules, TheDiscItReadsIsNeverAnOutput) {
    QString error;
    const QString root = MakeConcertDvd(QStringLiteral("protected"), 2, {0, 1}, 0.5, &error);
    ASSERT_FALSE(root.isEmpty()) << error.toStdString();
    const QString videoTs = root + QStringLiteral("/VIDEO_TS");
    const QByteArray before = TreeHash(root);
    const QStringList sources = {root, videoTs, videoTs + QStringLiteral("/VTS_01_1.VOB"),
                                 videoTs + QStringLiteral("/VTS_01_0.IFO")};
    const QStringList outputs = {videoTs + QStringLiteral("/VTS_01_2.VOB"),
                                 videoTs + QStringLiteral("/VTS_01_0.IFO"),
                                 videoTs + QStringLiteral("/VIDEO_TS.BUP")};
    for (const QString& source : sources)
        for (const QString& output : outputs) {
            SCOPED_TRACE((source + QStringLiteral(" -> ") + output).toStdString());
            const TProgramRun run = RunSonavel(
                QStringList{QStringLiteral("--rip"), source, QStringLiteral("--start"),
                            QStringLiteral("10"), QStringLiteral("--end"), QStringLiteral("12"),
                            QStringLiteral("--force"), QStringLiteral("-o"), output} +
                kQuick);
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_TRUE(run.err.contains(QStringLiteral("would replace the source")))
                << run.err.toStdString();
        }
    EXPECT_EQ(TreeHash(root), before);
    // An image is read whole: it is not an output either.
    const QString image = MakeDvdImage(root, QStringLiteral("PROTECTED"));
    ASSERT_FALSE(image.isEmpty());
    const QByteArray imageBefore = ReadFile(image);
    const TProgramRun run = RunSonavel(
        QStringList{QStringLiteral("--rip"), image, QStringLiteral("--end"), QStringLiteral("2"),
                    QStringLiteral("--force"), QStringLiteral("-o"), image} +
        kQuick);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("would replace the source")))
        << run.err.toStdString();
    EXPECT_EQ(ReadFile(image), imageBefore);
}

// Without --force nothing is ever replaced, also not a file that appears while the rip runs:
// two rips to one new name give one file and one clear failure.
TEST(OutputRules, NoClobberHoldsToTheLastStep) {
    const QString dir = FreshDir(QStringLiteral("noclobber"));
    const QString target = dir + QStringLiteral("/song.mp3");
    const QStringList args =
        QStringList{QStringLiteral("--rip"),  Concert(),          QStringLiteral("-o"), target,
                    QStringLiteral("--jobs"), QStringLiteral("1")} +
        kQuick;
    QObject owner;
    QProcess* first = StartSonavel(args, &owner);
    QProcess* second = StartSonavel(args, &owner);
    ASSERT_TRUE(first->waitForFinished(60000) && second->waitForFinished(60000));
    const int codes = first->exitCode() + second->exitCode();
    EXPECT_EQ(codes, 1); // one of them, whichever finished second
    const QString err = QString::fromLocal8Bit(first->exitCode() ? first->readAllStandardError()
                                                                 : second->readAllStandardError());
    EXPECT_TRUE(err.contains(QStringLiteral("File exists"))) << err.toStdString();
    const DecodedAudio kept = DecodeAudioFile(target); // the whole source, one rip's
    EXPECT_TRUE(kept.ok && kept.complaints == 0);
    EXPECT_NEAR(double(kept.frames()), 30.0 * 48000, 1536);
    EXPECT_EQ(FilesIn(dir), QStringList{QStringLiteral("song.mp3")});

    // Another program's file, made while the rip runs.
    const QString other = dir + QStringLiteral("/other.mp3");
    QProcess* rip =
        StartSonavel(QStringList{QStringLiteral("--rip"), Concert(), QStringLiteral("-o"), other,
                                 QStringLiteral("--jobs"), QStringLiteral("1")} +
                         kQuick,
                     &owner);
    QElapsedTimer clock;
    clock.start();
    while (FilesIn(dir).size() < 2 && clock.elapsed() < 20000)
        rip->waitForFinished(1);
    ASSERT_TRUE(WriteFile(other, "mine"));
    ASSERT_TRUE(rip->waitForFinished(60000));
    EXPECT_EQ(rip->exitCode(), 1);
    EXPECT_EQ(ReadFile(other), QByteArray("mine"));
}

// A new file gets the rights the user's umask gives, as any other program's does.
TEST(OutputRules, NewFilesFollowTheUmask) {
    const QString dir = FreshDir(QStringLiteral("umask"));
    for (const auto& [mask, mode] : {std::pair{"077", 0600}, std::pair{"022", 0644}}) {
        const QString out = dir + QStringLiteral("/u%1.mp3").arg(QString::fromLatin1(mask));
        const QString command =
            QStringLiteral("umask %1; exec \"%2\" --rip \"%3\" --end 1 -o \"%4\" --quiet")
                .arg(QString::fromLatin1(mask), BinDir() + QStringLiteral("/sonavel"), Concert(),
                     out);
        const TProgramRun run =
            RunWithHive(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        struct stat st;
        ASSERT_EQ(::stat(QFile::encodeName(out).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, mode_t(mode)) << mask;
    }
}

// A name of 256 bytes is refused before a sample is read: the reads of the sound would fail
// here, and the message is the name's.
TEST(OutputRules, ANameTheFileSystemRefusesFailsBeforeEncoding) {
    const QString dir = FreshDir(QStringLiteral("longname"));
    const QString name = QString(252, u'n') + QStringLiteral(".mp3");
    const qint64 size = QFileInfo(Concert()).size();
    const QString line = ExpectCleanFailure(
        QStringList{QStringLiteral("--rip"), Concert(), QStringLiteral("-o"), dir + u'/' + name} +
            kQuick,
        dir, {},
        QStringList{QStringLiteral("env")} + ReadFaultEnvironment(Concert(), size / 5, size));
    EXPECT_TRUE(line.contains(QStringLiteral("File name too long"))) << line.toStdString();
}
