// The file a rip writes to: a hidden temporary file beside the target, made with the rights
// the umask gives, renamed over the target only when complete, never over a file another
// program made meanwhile unless replacing was allowed, and gone without a trace when the
// run gives it up.
#include "audio/pipeline/audio_exception.h"
#include "audio/rip/output_file.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <sys/stat.h>

namespace {

QByteArray Bytes(const char* Text) {
    return QByteArray(Text);
}

void Write(TOutputFile& File, const QByteArray& Data) {
    File.Write(reinterpret_cast<const uint8_t*>(Data.constData()), Data.size());
}

mode_t RightsOf(const QString& Path) {
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(Path).constData(), &st), 0) << Path.toStdString();
    return st.st_mode & 07777;
}

// Sets the umask for one scope.
struct TUmask {
    explicit TUmask(mode_t Mask) : Before(::umask(Mask)) {}
    ~TUmask() { ::umask(Before); }
    mode_t Before;
};

// What the file's refusal says for a target and a system error.
QString CannotCreate(const QString& Target, int Error) {
    return QStringLiteral("Cannot create file \"%1\". %2")
        .arg(Target, QString::fromLocal8Bit(std::strerror(Error)));
}

QString Failure(const std::function<void()>& Step) {
    try {
        Step();
    } catch (const EAudioException& e) {
        return e.Message();
    }
    return {};
}

} // namespace

TEST(OutputFile, ATemporaryFileBesideTheTargetBecomesItOnlyWhenCommitted) {
    const QString dir = FreshDir(QStringLiteral("out"));
    const QString target = dir + QStringLiteral("/song.mp3");
    TUmask mask(027);
    {
        TOutputFile file;
        file.Open(target, false);
        ASSERT_TRUE(file.IsOpen());
        Write(file, Bytes("ID3 and frames"));
        const uint8_t patch[] = {'X', 'Y'};
        file.WriteAt(0, patch, 2); // the information frame, written last in place
        EXPECT_EQ(file.Size(), 14);
        const QStringList entries = QDir(dir).entryList(QDir::Files | QDir::Hidden);
        ASSERT_EQ(entries.size(), 1);
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\.sonavel-[A-Za-z0-9]{6}\\.part$"))
                        .match(entries[0])
                        .hasMatch())
            << entries[0].toStdString();
        EXPECT_FALSE(QFile::exists(target));
        file.Commit();
        EXPECT_FALSE(file.IsOpen());
    }
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{"song.mp3"});
    EXPECT_EQ(ReadFile(target), Bytes("XY3 and frames"));
    EXPECT_EQ(RightsOf(target), mode_t(0640)); // what the umask gives any new file
}

TEST(OutputFile, ReplacingKeepsTheOldFilesRightsAndAnotherProgramsFileIsNeverReplaced) {
    const QString dir = FreshDir(QStringLiteral("replace"));
    const QString target = dir + QStringLiteral("/song.mp3");
    ASSERT_TRUE(WriteFile(target, "earlier rip"));
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0604), 0);
    {
        TOutputFile file;
        file.Open(target, true);
        Write(file, Bytes("new"));
        EXPECT_EQ(ReadFile(target), Bytes("earlier rip")); // untouched until the rename
        file.Commit();
    }
    EXPECT_EQ(ReadFile(target), Bytes("new"));
    EXPECT_EQ(RightsOf(target), mode_t(0604));

    // Not allowed to replace: a file made by someone else while the rip ran stays, the
    // commit fails naming the target, and the temporary file goes with the object.
    const QString other = dir + QStringLiteral("/other.mp3");
    {
        TOutputFile file;
        file.Open(other, false);
        Write(file, Bytes("ours"));
        ASSERT_TRUE(WriteFile(other, "theirs"));
        EXPECT_EQ(Failure([&] { file.Commit(); }), CannotCreate(other, EEXIST));
    }
    EXPECT_EQ(ReadFile(other), Bytes("theirs"));
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{"other.mp3", "song.mp3"}));
}

TEST(OutputFile, DiscardingLeavesNothingAndTheEarlierFileAsItWas) {
    const QString dir = FreshDir(QStringLiteral("discard"));
    const QString target = dir + QStringLiteral("/song.mp3");
    ASSERT_TRUE(WriteFile(target, "earlier rip"));
    TOutputFile file;
    file.Open(target, true);
    Write(file, Bytes("half a file"));
    file.Discard();
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{"song.mp3"});
    EXPECT_EQ(ReadFile(target), Bytes("earlier rip"));
    file.Discard(); // twice is nothing

    // The same for a file the object simply lets go of.
    {
        TOutputFile dropped;
        dropped.Open(dir + QStringLiteral("/new.mp3"), false);
        Write(dropped, Bytes("abandoned"));
    }
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{"song.mp3"});
}

TEST(OutputFile, ALinkIsWrittenThroughAndRefusedNamesFailBeforeAnyWork) {
    const QString dir = FreshDir(QStringLiteral("link"));
    const QString real = dir + QStringLiteral("/real.mp3");
    const QString link = dir + QStringLiteral("/link.mp3");
    ASSERT_TRUE(WriteFile(real, "old"));
    ASSERT_TRUE(QFile::link(real, link));
    {
        TOutputFile file;
        file.Open(link, true);
        Write(file, Bytes("through the link"));
        file.Commit();
    }
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadFile(real), Bytes("through the link"));

    // A folder, a name longer than the file system holds, a folder that is not there.
    EXPECT_EQ(Failure([&] { TOutputFile::Check(dir); }), CannotCreate(dir, EISDIR));
    const QString longName = dir + u'/' + QString(300, u'x') + QStringLiteral(".mp3");
    EXPECT_EQ(Failure([&] { TOutputFile::Check(longName); }), CannotCreate(longName, ENAMETOOLONG));
    const QString missing = dir + QStringLiteral("/no/such/folder.mp3");
    TOutputFile file;
    EXPECT_EQ(Failure([&] { file.Open(missing, false); }), CannotCreate(missing, ENOENT));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{"link.mp3", "real.mp3"}));
}
