#include "audio/mp3/mp3_tag_writer.h"

#include "audio/pipeline/audio_exception.h"
#include "base/text_cut.h"

#include <QCoreApplication>

#include <taglib/attachedpictureframe.h>
#include <taglib/chapterframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/tableofcontentsframe.h>
#include <taglib/textidentificationframe.h>

#include <algorithm>

namespace {

constexpr size_t HeaderBytes = 10;
constexpr size_t FrameHeaderBytes = 10;

uint32_t SyncSafe(const uint8_t* P) {
    return uint32_t(P[0] & 0x7f) << 21 | uint32_t(P[1] & 0x7f) << 14 | uint32_t(P[2] & 0x7f) << 7 |
           uint32_t(P[3] & 0x7f);
}

uint32_t BigEndian(const uint8_t* P) {
    return uint32_t(P[0]) << 24 | uint32_t(P[1]) << 16 | uint32_t(P[2]) << 8 | uint32_t(P[3]);
}

// The frames of a version 2.3 tag without its padding.
std::vector<uint8_t> FramesOf(const std::vector<uint8_t>& Tag) {
    if (Tag.size() < HeaderBytes || Tag[0] != 'I' || Tag[1] != 'D' || Tag[2] != '3' || Tag[3] != 3)
        return {};
    const size_t end = std::min(Tag.size(), HeaderBytes + SyncSafe(&Tag[6]));
    size_t at = HeaderBytes;
    while (at + FrameHeaderBytes <= end && Tag[at] != 0) {
        const size_t next = at + FrameHeaderBytes + BigEndian(&Tag[at + 4]);
        if (next > end)
            break;
        at = next;
    }
    return std::vector<uint8_t>(Tag.begin() + HeaderBytes, Tag.begin() + long(at));
}

// Through UTF-8: TagLib takes a wide string as UTF-16 units, and Linux's wchar_t holds a
// whole code point, so a character beyond the BMP (an emoji) would lose its top bits.
TagLib::String Text(const QString& Value) {
    return TagLib::String(Value.toUtf8().constData(), TagLib::String::UTF8);
}

void AddText(TagLib::ID3v2::Tag& Tag, const char* Description, const QString& Value) {
    auto* frame = new TagLib::ID3v2::UserTextIdentificationFrame(TagLib::String::Latin1);
    frame->setDescription(Description);
    frame->setText(Text(Value));
    Tag.addFrame(frame);
}

} // namespace

TMp3TagWriter::TMp3TagWriter(std::vector<uint8_t> EncoderTag)
    : FEncoderTag(std::move(EncoderTag)), FEncoderFrames(FramesOf(FEncoderTag)) {}

std::shared_ptr<const std::vector<uint8_t>>
TMp3TagWriter::CoverFrame(const std::vector<uint8_t>& Jpeg) {
    if (Jpeg.empty())
        return nullptr;
    TagLib::ID3v2::Tag tag;
    auto* frame = new TagLib::ID3v2::AttachedPictureFrame;
    frame->setTextEncoding(TagLib::String::Latin1);
    frame->setMimeType("image/jpeg");
    frame->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    frame->setPicture(
        TagLib::ByteVector(reinterpret_cast<const char*>(Jpeg.data()), unsigned(Jpeg.size())));
    tag.addFrame(frame);
    const TagLib::ByteVector bytes = tag.render(TagLib::ID3v2::v3);
    return std::make_shared<const std::vector<uint8_t>>(FramesOf(
        std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()),
                             reinterpret_cast<const uint8_t*>(bytes.data()) + bytes.size())));
}

void TMp3TagWriter::SetCover(std::shared_ptr<const std::vector<uint8_t>> Frame) {
    FCover = std::move(Frame);
}

void TMp3TagWriter::SetChapters(std::vector<TChapter> Chapters) {
    FChapters = std::move(Chapters);
}

void TMp3TagWriter::ReserveGains(bool Track, bool Album) {
    FReserveTrack = Track;
    FReserveAlbum = Album;
}

QString TMp3TagWriter::GainText(double Db) {
    return QStringLiteral("%1 dB").arg(Db, 0, 'f', 2);
}

QString TMp3TagWriter::PeakText(double Peak) {
    return QString::number(std::min(Peak, 99.999999), 'f', 6);
}

std::vector<uint8_t> TMp3TagWriter::Frames(const std::optional<TLoudness>& Track,
                                           const std::optional<TLoudness>& Album) const {
    // TagLib renders what it adds as version 2.3 frames; the encoder's stay as they are.
    TagLib::ID3v2::Tag tag;
    if (Track && FReserveTrack) {
        AddText(tag, "REPLAYGAIN_TRACK_GAIN", GainText(Track->Gain()));
        AddText(tag, "REPLAYGAIN_TRACK_PEAK", PeakText(Track->Peak));
    }
    if (Album && FReserveAlbum) {
        AddText(tag, "REPLAYGAIN_ALBUM_GAIN", GainText(Album->Gain()));
        AddText(tag, "REPLAYGAIN_ALBUM_PEAK", PeakText(Album->Peak));
    }
    if (!FChapters.empty()) {
        TagLib::ByteVectorList ids;
        for (size_t i = 0; i < FChapters.size(); ++i)
            ids.append(TagLib::ByteVector(("chp" + std::to_string(i)).c_str()));
        auto* toc = new TagLib::ID3v2::TableOfContentsFrame("toc", ids);
        toc->setIsTopLevel(true);
        toc->setIsOrdered(true);
        tag.addFrame(toc);
        for (size_t i = 0; i < FChapters.size(); ++i) {
            const TChapter& c = FChapters[i];
            // The whole title, as long as any tag text may be (TagLib writes the frames
            // inside a chapter with the tag's own 2.3 sizes, so a long one reads right).
            auto* title = new TagLib::ID3v2::TextIdentificationFrame("TIT2", TagLib::String::UTF16);
            title->setText(Text(LeftCodePoints(c.Title, kTagTextMax)));
            TagLib::ID3v2::FrameList inside;
            inside.append(title);
            // Byte offsets unknown: all ones, as the frame's definition asks.
            tag.addFrame(new TagLib::ID3v2::ChapterFrame(ids[unsigned(i)], c.StartMs, c.EndMs,
                                                         0xffffffff, 0xffffffff, inside));
        }
    }
    std::vector<uint8_t> out = FEncoderFrames;
    if (!tag.frameList().isEmpty()) {
        const TagLib::ByteVector bytes = tag.render(TagLib::ID3v2::v3);
        const std::vector<uint8_t> added = FramesOf(
            std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()),
                                 reinterpret_cast<const uint8_t*>(bytes.data()) + bytes.size()));
        out.insert(out.end(), added.begin(), added.end());
    }
    if (FCover)
        out.insert(out.end(), FCover->begin(), FCover->end());
    return out;
}

std::vector<uint8_t> TMp3TagWriter::Render() {
    if (!FReserveTrack && !FReserveAlbum && !FCover && FChapters.empty())
        return FEncoderTag;
    if (FSize == 0) {
        // Room for the widest values a measurement can give.
        TLoudness widest;
        widest.Lufs = 46; // a gain of -64.00 dB
        widest.Peak = 99.999999;
        // Padding after the frames, as the encoder keeps, for editors that add a frame.
        FSize = Frames(widest, widest).size() + 128;
    }
    std::vector<uint8_t> frames = Frames(FTrack, FAlbum);
    if (frames.size() > FSize)
        throw EAudioException(
            QCoreApplication::translate("Mp3", "The ID3 tag outgrew the room kept for it."));
    std::vector<uint8_t> tag{'I', 'D', '3', 3, 0, 0};
    const auto size = uint32_t(FSize);
    for (int shift : {21, 14, 7, 0})
        tag.push_back(uint8_t((size >> shift) & 0x7f));
    tag.insert(tag.end(), frames.begin(), frames.end());
    tag.resize(HeaderBytes + FSize, 0);
    return tag;
}
