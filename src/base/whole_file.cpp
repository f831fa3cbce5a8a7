#include "base/whole_file.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* ReadOnceKindOf(mode_t Mode) {
    return S_ISFIFO(Mode)   ? QT_TRANSLATE_NOOP("Source", "a pipe")
           : S_ISSOCK(Mode) ? QT_TRANSLATE_NOOP("Source", "a socket")
           : S_ISCHR(Mode)  ? QT_TRANSLATE_NOOP("Source", "a character device")
                            : nullptr;
}

// Closes a descriptor when it goes.
struct TFd {
    int Fd;
    ~TFd() {
        if (Fd >= 0)
            ::close(Fd);
    }
};

} // namespace

QString SystemText(int Error) {
    return QString::fromLocal8Bit(std::strerror(Error));
}

QString ReadOnceKind(const QString& Path) {
    struct stat info {};
    if (::stat(QFile::encodeName(Path).constData(), &info) != 0)
        return QString();
    const char* kind = ReadOnceKindOf(info.st_mode);
    return kind ? QCoreApplication::translate("Source", kind) : QString();
}

bool ReadWholeFile(const QString& Path, qint64 Limit, QByteArray& Data, QString& Why, int* Error) {
    Data.clear();
    int none = 0;
    int& error = Error ? *Error : none;
    error = 0;
    // Not blocking: opening a pipe for reading would wait for a writer.
    struct stat info {};
    const TFd file{
        ::open(QFile::encodeName(Path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
    if (file.Fd < 0 || ::fstat(file.Fd, &info) != 0) {
        error = errno;
        Why = SystemText(error);
        return false;
    }
    if (const char* kind = ReadOnceKindOf(info.st_mode)) {
        Why = QCoreApplication::translate("File", "it is %1, which can be read only once")
                  .arg(QCoreApplication::translate("Source", kind));
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        Why = QCoreApplication::translate("File", "it is a folder");
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        Why = QCoreApplication::translate("File", "it is not a plain file");
        return false;
    }
    const auto tooLarge = [&] {
        Why = QCoreApplication::translate("File", "it is larger than %1 MB")
                  .arg(QString::number(double(Limit) / (1 << 20), 'g', 3));
        return false;
    };
    if (info.st_size > Limit)
        return tooLarge();
    // A file growing while it is read is held to the limit all the same.
    Data.resize(qsizetype(std::min<qint64>(info.st_size, Limit)) + 1);
    qsizetype got = 0;
    for (;;) {
        if (got == Data.size()) {
            if (got > Limit)
                return tooLarge();
            Data.resize(qsizetype(std::min<qint64>(qint64(got) * 2 + 1, Limit + 1)));
        }
        const ssize_t n = ::read(file.Fd, Data.data() + got, size_t(Data.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = errno;
            Why = SystemText(error);
            Data.clear();
            return false;
        }
        if (n == 0)
            break;
        got += n;
    }
    Data.resize(got);
    return true;
}
