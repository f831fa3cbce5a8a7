#include "audio/xiph/vorbis_comment.h"

#include <taglib/flacpicture.h>
#include <taglib/xiphcomment.h>

#include <memory>

namespace {

TagLib::String Text(const QString& Value) {
    const QByteArray utf8 = Value.toUtf8();
    return TagLib::String(utf8.constData(), TagLib::String::UTF8);
}

TagLib::FLAC::Picture* Cover(const std::vector<uint8_t>& Jpeg) {
    auto* picture = new TagLib::FLAC::Picture;
    picture->setType(TagLib::FLAC::Picture::FrontCover);
    picture->setMimeType("image/jpeg");
    picture->setData(
        TagLib::ByteVector(reinterpret_cast<const char*>(Jpeg.data()), unsigned(Jpeg.size())));
    return picture;
}

std::vector<uint8_t> Bytes(const TagLib::ByteVector& Data) {
    return std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(Data.data()),
                                reinterpret_cast<const uint8_t*>(Data.data()) + Data.size());
}

} // namespace

TVorbisComment::TVorbisComment(const QString& Vendor) : FVendor(Vendor) {}

void TVorbisComment::Add(const QString& Key, const QString& Value) {
    if (!Value.isEmpty())
        FFields.emplace_back(Key, Value);
}

void TVorbisComment::AddPicture(const std::vector<uint8_t>& Block) {
    if (!Block.empty())
        FPictures.push_back(Block);
}

std::vector<uint8_t> TVorbisComment::Render() const {
    // TagLib keeps the vendor string it read: the comment starts from a block that holds it.
    const QByteArray vendor = FVendor.toUtf8();
    TagLib::ByteVector head = TagLib::ByteVector::fromUInt(unsigned(vendor.size()), false);
    head.append(TagLib::ByteVector(vendor.constData(), unsigned(vendor.size())));
    head.append(TagLib::ByteVector::fromUInt(0, false));
    TagLib::Ogg::XiphComment comment(head);
    for (const auto& [key, value] : FFields)
        comment.addField(Text(key), Text(value), false);
    for (const std::vector<uint8_t>& block : FPictures)
        comment.addPicture(new TagLib::FLAC::Picture(TagLib::ByteVector(
            reinterpret_cast<const char*>(block.data()), unsigned(block.size()))));
    return Bytes(comment.render(false));
}

std::shared_ptr<const std::vector<uint8_t>>
TVorbisComment::PictureBlock(const std::vector<uint8_t>& Jpeg) {
    if (Jpeg.empty())
        return nullptr;
    std::unique_ptr<TagLib::FLAC::Picture> picture(Cover(Jpeg));
    return std::make_shared<const std::vector<uint8_t>>(Bytes(picture->render()));
}

QString TVorbisComment::ChapterTime(uint32_t Ms) {
    return QStringLiteral("%1:%2:%3.%4")
        .arg(Ms / 3600000, 2, 10, QLatin1Char('0'))
        .arg(Ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(Ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(Ms % 1000, 3, 10, QLatin1Char('0'));
}
