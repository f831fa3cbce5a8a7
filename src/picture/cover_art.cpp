#include "picture/cover_art.h"

#include "base/whole_file.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImageReader>

#include <memory>

namespace {

QSize CoverSize(QSize Size) {
    if (Size.width() <= kCoverSide && Size.height() <= kCoverSide)
        return Size;
    return Size.scaled(kCoverSide, kCoverSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

// Bytes of a device one at a time, read in blocks; -1 at the end.
class TByteReader {
public:
    explicit TByteReader(QIODevice& Device) : FDevice(Device) {}
    int Next() {
        if (FAt == FBlock.size()) {
            FBlock = FDevice.read(64 * 1024);
            FAt = 0;
            if (FBlock.isEmpty())
                return -1;
        }
        return uint8_t(FBlock[FAt++]);
    }
    bool Skip(qint64 Count) {
        for (; Count > 0; --Count)
            if (Next() < 0)
                return false;
        return true;
    }

private:
    QIODevice& FDevice;
    QByteArray FBlock;
    qsizetype FAt = 0;
};

// Whether a JPEG runs from its start marker through its segments and coded data to its end
// marker. Qt decodes a cut-off JPEG without failing (the missing rows grey, a line in the
// log), and a player shows it so.
bool JpegComplete(QIODevice& Device) {
    if (!Device.seek(0))
        return false;
    TByteReader in(Device);
    if (in.Next() != 0xFF || in.Next() != 0xD8)
        return false;
    bool scan = false; // in the coded data after a start of scan
    for (;;) {
        const int byte = in.Next();
        if (byte < 0)
            return false;
        if (byte != 0xFF) {
            if (!scan)
                return false;
            continue;
        }
        int marker = in.Next();
        while (marker == 0xFF) // fill bytes
            marker = in.Next();
        if (marker < 0 || (marker == 0x00 && !scan))
            return false;
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;       // a stuffed 0xFF in coded data, or a marker without a segment
        if (marker == 0xD9) // end of image
            return true;
        const int high = in.Next(), low = in.Next();
        const int length = high << 8 | low;
        if (low < 0 || length < 2 || !in.Skip(length - 2))
            return false;
        scan = marker == 0xDA;
    }
}

} // namespace

std::vector<uint8_t> CoverFromImage(const QImage& Picture) {
    if (Picture.isNull())
        return {};
    const QSize size = CoverSize(Picture.size());
    const QImage cover = size == Picture.size() ? Picture
                                                : Picture.scaled(size, Qt::IgnoreAspectRatio,
                                                                 Qt::SmoothTransformation);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    // Covers are looked at small; 90 keeps them sharp at a tenth of the raw size.
    if (!cover.convertToFormat(QImage::Format_RGB32).save(&buffer, "JPG", 90))
        return {};
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

std::vector<uint8_t> CoverFromFile(const QString& Path, QString& Error) {
    // Never a wait on a pipe nor a read of an endless device: refused as every file read whole is.
    if (const QString once = ReadOnceKind(Path); !once.isEmpty()) {
        Error = QCoreApplication::translate("Picture", "the picture \"%1\" cannot be read: %2")
                    .arg(Path, QCoreApplication::translate("File",
                                                           "it is %1, which can be read only once")
                                   .arg(once));
        return {};
    }
    QFile file(Path);
    if (!file.open(QIODevice::ReadOnly)) {
        Error = QCoreApplication::translate("Picture", "the picture \"%1\" cannot be read: %2")
                    .arg(Path, file.errorString());
        return {};
    }
    // A file small enough to be kept is read once, for the check and for keeping; a larger
    // one is decoded from the file and never held whole.
    QByteArray bytes;
    QBuffer buffer;
    QIODevice* device = &file;
    if (file.size() <= kCoverKeptBytes) {
        bytes = file.readAll();
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        device = &buffer;
    }
    // Qt's reader refuses to allocate more than its limit (by default 256 MB, less than an
    // 8000 x 8000 picture needs); a cover may take more for the moment it is decoded.
    if (QImageReader::allocationLimit() < kCoverDecodeLimitMb)
        QImageReader::setAllocationLimit(kCoverDecodeLimitMb);
    QImageReader reader(device);
    const QByteArray kind = reader.format();
    const QSize size = reader.size();
    if (kind.isEmpty() || !size.isValid()) {
        Error =
            QCoreApplication::translate("Picture", "\"%1\" is not a JPEG or PNG picture").arg(Path);
        return {};
    }
    const bool jpeg = kind == "jpeg" || kind == "jpg";
    // Before decoding: Qt would decode a cut-off JPEG without failing, only logging it.
    if (jpeg) {
        const bool complete = JpegComplete(*device);
        if (!complete || !device->seek(0)) {
            Error = QCoreApplication::translate(
                        "Picture",
                        "the picture \"%1\" is damaged: its data end before the picture does")
                        .arg(Path);
            return {};
        }
        reader.setDevice(device); // read again from its start
    }
    const QSize cover = CoverSize(size);
    // A JPEG decodes straight to a smaller size (a fraction of the pixels held at a time).
    if (cover != size && reader.supportsOption(QImageIOHandler::ScaledSize))
        reader.setScaledSize(cover);
    const QImage picture = reader.read();
    if (picture.isNull()) {
        const qint64 needMb = qint64(size.width()) * size.height() * 4 / (1024 * 1024);
        Error = needMb >= kCoverDecodeLimitMb
                    ? QCoreApplication::translate(
                          "Picture",
                          "the picture \"%1\" is too large to use as a cover (%2 x %3 pixels; "
                          "decoding it would take more than %4 MB)")
                          .arg(Path, QString::number(size.width()), QString::number(size.height()),
                               QString::number(kCoverDecodeLimitMb))
                    : QCoreApplication::translate("Picture", "the picture \"%1\" is damaged: %2")
                          .arg(Path, reader.errorString());
        return {};
    }
    if (jpeg && !bytes.isEmpty() && cover == size)
        return std::vector<uint8_t>(bytes.begin(), bytes.end());
    return CoverFromImage(picture);
}

QImage CoverImage(const std::vector<uint8_t>& Jpeg) {
    if (Jpeg.empty())
        return {};
    return QImage::fromData(Jpeg.data(), int(Jpeg.size()), "JPG");
}
