#include "media/source_file.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace media {

namespace {

constexpr int kIoBufferBytes = 32768; // as FFmpeg's file protocol reads

// One reader's descriptor, read with read() and lseek() as the file protocol does (so that
// whatever stands in front of read() sees the same calls).
class TFileIo : public ffmpeg::TCustomIo {
public:
    TFileIo(int Fd, const AVIOInterruptCB* Interrupt)
        : FFd(Fd), FInterrupt(Interrupt ? *Interrupt : AVIOInterruptCB{}) {}
    ~TFileIo() override { ::close(FFd); }

    static int ReadPacket(void* Opaque, uint8_t* Buffer, int Size) {
        auto* self = static_cast<TFileIo*>(Opaque);
        if (self->FInterrupt.callback && self->FInterrupt.callback(self->FInterrupt.opaque))
            return AVERROR_EXIT;
        for (;;) {
            const ssize_t n = ::read(self->FFd, Buffer, size_t(Size));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return AVERROR(errno);
            return n == 0 ? AVERROR_EOF : int(n);
        }
    }

    static int64_t Seek(void* Opaque, int64_t Offset, int Whence) {
        auto* self = static_cast<TFileIo*>(Opaque);
        if (Whence == AVSEEK_SIZE) {
            struct stat info;
            return ::fstat(self->FFd, &info) == 0 ? int64_t(info.st_size) : AVERROR(errno);
        }
        const off_t at = ::lseek(self->FFd, off_t(Offset), Whence & ~AVSEEK_FORCE);
        return at < 0 ? AVERROR(errno) : int64_t(at);
    }

private:
    int FFd;
    AVIOInterruptCB FInterrupt;
};

} // namespace

TSourceFile::TSourceFile(QString Path, int Fd, const struct stat& Info)
    : FPath(std::move(Path)), FFd(Fd), FInfo(Info) {}

TSourceFile::~TSourceFile() {
    ::close(FFd);
}

std::shared_ptr<const TSourceFile> TSourceFile::Open(const QString& Path) {
    // Not blocking: a pipe with no writer must not hold the caller (it is refused anyway).
    const int fd =
        ::open(QFile::encodeName(Path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return nullptr;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return std::shared_ptr<const TSourceFile>(new TSourceFile(Path, fd, info));
}

int TSourceFile::Reopen() const {
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(FFd);
    int fd = ::open(self.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd >= 0)
        return fd;
    // Without /proc: the name, as long as it still is the file that was opened.
    fd = ::open(QFile::encodeName(FPath).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    struct stat info;
    if (fd >= 0 &&
        (::fstat(fd, &info) != 0 || info.st_dev != FInfo.st_dev || info.st_ino != FInfo.st_ino)) {
        ::close(fd);
        errno = ESTALE;
        return -1;
    }
    return fd;
}

bool TSourceFile::Changed() const {
    struct stat now;
    if (::fstat(FFd, &now) != 0)
        return true;
    return now.st_size != FInfo.st_size || now.st_mtim.tv_sec != FInfo.st_mtim.tv_sec ||
           now.st_mtim.tv_nsec != FInfo.st_mtim.tv_nsec;
}

AVIOContext* TSourceFile::MakeIo(int Fd, const AVIOInterruptCB* Interrupt) {
    auto io = std::make_unique<TFileIo>(Fd, Interrupt);
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
    if (!buffer)
        return nullptr;
    AVIOContext* context = avio_alloc_context(buffer, kIoBufferBytes, 0, io.get(),
                                              &TFileIo::ReadPacket, nullptr, &TFileIo::Seek);
    if (!context) {
        av_free(buffer);
        return nullptr;
    }
    io.release(); // the context's opaque now
    return context;
}

} // namespace media
