#include "picture/cover_art.h"

#include "base/whole_file.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

std::vector<uint8_t> CoverFromImage(const QImage& Picture) {
    if (Picture.isNull())
        return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    // Covers are looked at small; 90 keeps them sharp at a tenth of the raw size.
    if (!Picture.convertToFormat(QImage::Format_RGB32).save(&buffer, "JPG", 90))
        return {};
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

std::vector<uint8_t> CoverFromFile(const QString& Path, QString& Error) {
    // A cover is a picture of a few hundred kB; a camera's largest is well under this.
    constexpr qint64 kMaxPictureBytes = 64 << 20;
    QByteArray bytes;
    QString why;
    if (!ReadWholeFile(Path, kMaxPictureBytes, bytes, why)) {
        Error = QStringLiteral("the picture \"%1\" cannot be read: %2").arg(Path, why);
        return {};
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray kind = reader.format();
    const QImage picture = reader.read();
    if (picture.isNull()) {
        Error = QStringLiteral("\"%1\" is not a JPEG or PNG picture").arg(Path);
        return {};
    }
    if (kind == "jpeg" || kind == "jpg")
        return std::vector<uint8_t>(bytes.begin(), bytes.end());
    return CoverFromImage(picture);
}

QImage CoverImage(const std::vector<uint8_t>& Jpeg) {
    if (Jpeg.empty())
        return {};
    return QImage::fromData(Jpeg.data(), int(Jpeg.size()), "JPG");
}
