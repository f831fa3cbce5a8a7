#include "audio/rip/output_file.h"

#include "audio/pipeline/audio_exception.h"
#include "base/whole_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

EAudioException CannotCreate(const QString& Target, int Error) {
    return EAudioException(QCoreApplication::translate("Rip", "Cannot create file \"%1\". %2")
                               .arg(Target, SystemText(Error)));
}

// The target as written: a link's file, absolute.
QString Resolved(const QString& Target) {
    QFileInfo info(Target);
    if (info.isSymLink() && info.exists())
        info = QFileInfo(info.canonicalFilePath());
    return info.absoluteFilePath();
}

} // namespace

QString TOutputFile::Landing(const QString& Target) {
    const QString target = Resolved(Target);
    // Its folder by its real path, so that two names through linked folders compare equal.
    const QFileInfo info(target);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? target : folder + u'/' + info.fileName();
}

void TOutputFile::Check(const QString& Target) {
    const QString target = Resolved(Target);
    const QByteArray path = QFile::encodeName(target);
    const QFileInfo info(target);
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    const QByteArray name = QFile::encodeName(info.fileName());
    long nameMax = ::pathconf(folder.constData(), _PC_NAME_MAX);
    if (nameMax <= 0)
        nameMax = NAME_MAX;
    if (name.isEmpty())
        throw CannotCreate(target, EISDIR);
    if (name.size() > nameMax || path.size() >= PATH_MAX)
        throw CannotCreate(target, ENAMETOOLONG);
    struct stat st;
    if (::stat(path.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            throw CannotCreate(target, EISDIR);
        if (::access(path.constData(), W_OK) != 0)
            throw CannotCreate(target, errno);
    }
    if (::access(folder.constData(), W_OK | X_OK) != 0)
        throw CannotCreate(target, errno);
}

void TOutputFile::Open(const QString& Target, bool Replace) {
    Discard();
    Check(Target);
    FTarget = Resolved(Target);
    FReplace = Replace;
    const QByteArray path = QFile::encodeName(FTarget);
    struct stat st;
    const bool replacing = ::stat(path.constData(), &st) == 0;
    // A short name of its own, whatever the length of the target's, telling what it is to
    // whoever finds one left by a run that was killed. Made with open() rather than
    // mkstemp() so the umask gives a new file its rights, as for any other program.
    const QString folder = QFileInfo(FTarget).absolutePath();
    std::random_device seed;
    std::mt19937 random(seed());
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100 && FFd < 0; ++attempt) {
        QString name = QStringLiteral(".sonavel-");
        for (int i = 0; i < 6; ++i)
            name += QLatin1Char(letters[random() % (sizeof letters - 1)]);
        FTemp = folder + u'/' + name + QStringLiteral(".part");
        FFd = ::open(QFile::encodeName(FTemp).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                     0666);
        if (FFd < 0 && errno != EEXIST) {
            const int error = errno;
            FTemp.clear();
            throw CannotCreate(FTarget, error);
        }
    }
    if (FFd < 0) {
        FTemp.clear();
        throw CannotCreate(FTarget, EEXIST);
    }
    if (replacing)
        ::fchmod(FFd, st.st_mode & 07777); // a replaced file keeps its rights
    FSize = 0;
}

QString TOutputFile::WriteError(int Error) const {
    return QCoreApplication::translate("Rip", "Cannot write file \"%1\". %2")
        .arg(FTarget, SystemText(Error));
}

void TOutputFile::Close() {
    if (FFd < 0)
        return;
    const int rc = ::close(FFd);
    FFd = -1;
    if (rc != 0)
        throw EAudioException(WriteError(errno));
}

void TOutputFile::Reopen() {
    if (FFd >= 0 || FTemp.isEmpty())
        return;
    // Appends go on where the file ends; patches at their own offsets.
    FFd = ::open(QFile::encodeName(FTemp).constData(), O_WRONLY | O_CLOEXEC);
    if (FFd < 0 || ::lseek(FFd, off_t(FSize), SEEK_SET) < 0)
        throw EAudioException(WriteError(errno));
}

void TOutputFile::Put(int64_t Offset, const uint8_t* Data, int64_t Count) {
    Reopen();
    while (Count > 0) {
        const ssize_t n = Offset < 0 ? ::write(FFd, Data, size_t(Count))
                                     : ::pwrite(FFd, Data, size_t(Count), off_t(Offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw EAudioException(WriteError(n < 0 ? errno : ENOSPC));
        Data += n;
        Count -= n;
        if (Offset < 0)
            FSize += n;
        else
            Offset += n;
    }
}

void TOutputFile::Write(const uint8_t* Data, int64_t Count) {
    Put(-1, Data, Count);
}

void TOutputFile::WriteAt(int64_t Offset, const uint8_t* Data, int64_t Count) {
    Put(Offset, Data, Count);
}

void TOutputFile::Commit() {
    Reopen();
    if (::fsync(FFd) != 0 || ::close(FFd) != 0) {
        FFd = -1;
        throw EAudioException(WriteError(errno));
    }
    FFd = -1;
    const QByteArray temp = QFile::encodeName(FTemp), target = QFile::encodeName(FTarget);
    int rc;
    if (FReplace) {
        rc = ::rename(temp.constData(), target.constData());
    } else {
        rc =
            ::renameat2(AT_FDCWD, temp.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE);
        if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system without the flag: a link fails just as well on an existing name.
            rc = ::link(temp.constData(), target.constData());
            if (rc == 0)
                ::unlink(temp.constData());
        }
    }
    if (rc != 0)
        throw CannotCreate(FTarget, errno);
    FTemp.clear();
}

void TOutputFile::PatchCommitted(int64_t Offset, const uint8_t* Data, int64_t Count) {
    FFd = ::open(QFile::encodeName(FTarget).constData(), O_WRONLY | O_CLOEXEC);
    if (FFd < 0)
        throw EAudioException(WriteError(errno));
    try {
        Put(Offset, Data, Count);
    } catch (...) {
        ::close(FFd);
        FFd = -1;
        throw;
    }
    const int rc = ::fsync(FFd) == 0 ? ::close(FFd) : (::close(FFd), -1);
    FFd = -1;
    if (rc != 0)
        throw EAudioException(WriteError(errno));
}

void TOutputFile::Discard() noexcept {
    if (FFd >= 0) {
        ::close(FFd);
        FFd = -1;
    }
    if (!FTemp.isEmpty()) {
        ::unlink(QFile::encodeName(FTemp).constData());
        FTemp.clear();
    }
}
