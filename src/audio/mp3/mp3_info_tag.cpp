#include "audio/mp3/mp3_info_tag.h"

#include "audio/layer3/mpeg_frame_header.h"
#include "audio/pipeline/audio_exception.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

namespace {

// The extension: 9 bytes of encoder name and version, 1 revision/method, 1 lowpass,
// 4 peak, 2 + 2 replay gain, 1 flags, 1 bit rate, 3 delay/padding, 1 misc, 1 gain,
// 2 preset, 4 music length, 2 music CRC, 2 tag CRC.
constexpr int LameDelayAt = 21;
constexpr int LameMusicLengthAt = 28;
constexpr int LameMusicCrcAt = 32;
constexpr int LameTagCrcAt = 34;
constexpr int LameSize = 36;

} // namespace

uint16_t TMp3InfoTag::Crc16(const uint8_t* Data, size_t Size, uint16_t Crc) {
    // A byte at a time: the music CRC runs over every byte of a file, on the thread that
    // finishes the rip after the encoders are done.
    static const auto table = [] {
        std::array<uint16_t, 256> t{};
        for (unsigned v = 0; v < 256; ++v) {
            uint16_t c = uint16_t(v);
            for (int b = 0; b < 8; ++b)
                c = uint16_t(c & 1 ? c >> 1 ^ 0xa001 : c >> 1);
            t[v] = c;
        }
        return t;
    }();
    for (size_t i = 0; i < Size; ++i)
        Crc = uint16_t(Crc >> 8 ^ table[(Crc ^ Data[i]) & 0xff]);
    return Crc;
}

std::optional<TMp3InfoTag> TMp3InfoTag::Parse(const uint8_t* Frame, size_t Size) {
    const auto header = TMpegFrameHeader::Parse(Frame, Size);
    if (!header || size_t(header->FrameBytes()) > Size)
        return std::nullopt;
    TMp3InfoTag t;
    t.FFrame.assign(Frame, Frame + header->FrameBytes());
    // Right after the side information's size, whether or not a CRC word precedes it (as
    // encoders write it and decoders look for it).
    t.FTag = 4 + header->SideInfoBytes();
    const int size = int(t.FFrame.size());
    if (t.FTag + 8 > size || (std::memcmp(Frame + t.FTag, "Xing", 4) != 0 &&
                              std::memcmp(Frame + t.FTag, "Info", 4) != 0))
        return std::nullopt;
    const uint32_t flags = t.Read32(t.FTag + 4);
    int at = t.FTag + 8;
    auto field = [&](uint32_t Flag, int Bytes) {
        if (!(flags & Flag))
            return -1;
        const int here = at;
        at += Bytes;
        return here;
    };
    t.FFrames = field(1, 4);
    t.FBytes = field(2, 4);
    t.FToc = field(4, 100);
    field(8, 4); // quality
    if (at > size)
        return std::nullopt;
    // The extension is recognised by its four-letter encoder name.
    if (at + LameSize <= size) {
        bool name = true;
        for (int i = 0; i < 4; ++i)
            name = name && std::isalpha(t.FFrame[size_t(at + i)]);
        if (name)
            t.FLame = at;
    }
    return t;
}

TMp3InfoTag TMp3InfoTag::Blank(const TMpegFrameHeader& Stream, bool Xing) {
    TMpegFrameHeader header = Stream;
    header.Bytes[1] |= 1; // no CRC word: decoders look for the tag right after the side info
    header.SetPadding(false);
    const int tagAt = 4 + header.SideInfoBytes();
    const int need = tagAt + 120 + LameSize;
    int index = 1;
    while (index < 14 && header.FrameBytesAt(index, false) < need)
        ++index;
    header.SetBitRateIndex(index);
    std::vector<uint8_t> frame(size_t(std::max(header.FrameBytes(), need)), 0);
    std::memcpy(frame.data(), header.Bytes, 4);
    uint8_t* tag = frame.data() + tagAt;
    std::memcpy(tag, Xing ? "Xing" : "Info", 4);
    tag[7] = 0x0f; // frames, bytes, seek table, quality
    uint8_t* lame = tag + 120;
    std::memcpy(lame, "LAME3.100", 9);
    lame[9] = Xing ? 4 : 1; // revision 0; method: variable (new) or constant
    lame[20] = uint8_t(std::min(255, Stream.BitRateKbps()));
    auto made = Parse(frame.data(), frame.size());
    if (!made)
        throw EAudioException(
            QCoreApplication::translate("Mp3", "The information frame cannot be made."));
    return *made;
}

bool TMp3InfoTag::IsXing() const {
    return std::memcmp(FFrame.data() + FTag, "Xing", 4) == 0;
}

uint32_t TMp3InfoTag::Read32(int At) const {
    const uint8_t* p = FFrame.data() + At;
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

void TMp3InfoTag::Write32(int At, uint32_t Value) {
    for (int i = 0; i < 4; ++i)
        FFrame[size_t(At + i)] = uint8_t(Value >> (24 - 8 * i));
}

std::optional<uint32_t> TMp3InfoTag::Frames() const {
    return FFrames < 0 ? std::nullopt : std::optional(Read32(FFrames));
}

std::optional<uint32_t> TMp3InfoTag::ByteCount() const {
    return FBytes < 0 ? std::nullopt : std::optional(Read32(FBytes));
}

void TMp3InfoTag::SetFrames(uint32_t Value) {
    if (FFrames >= 0)
        Write32(FFrames, Value);
}

void TMp3InfoTag::SetByteCount(uint32_t Value) {
    if (FBytes >= 0)
        Write32(FBytes, Value);
}

void TMp3InfoTag::SetToc(const std::vector<uint32_t>& FrameOffsets, uint32_t TotalBytes) {
    if (FToc < 0 || FrameOffsets.empty() || TotalBytes == 0)
        return;
    const size_t n = FrameOffsets.size();
    for (size_t i = 0; i < 100; ++i) {
        const uint64_t offset = FrameOffsets[std::min(n - 1, i * n / 100)];
        FFrame[size_t(FToc) + i] = uint8_t(std::min<uint64_t>(255, offset * 256 / TotalBytes));
    }
}

uint8_t TMp3InfoTag::TocEntry(int Index) const {
    return FToc < 0 || Index < 0 || Index > 99 ? 0 : FFrame[size_t(FToc + Index)];
}

int TMp3InfoTag::EncoderDelay() const {
    if (FLame < 0)
        return 0;
    const uint8_t* p = FFrame.data() + FLame + LameDelayAt;
    return p[0] << 4 | p[1] >> 4;
}

int TMp3InfoTag::EncoderPadding() const {
    if (FLame < 0)
        return 0;
    const uint8_t* p = FFrame.data() + FLame + LameDelayAt;
    return (p[1] & 0x0f) << 8 | p[2];
}

bool TMp3InfoTag::SetEncoderDelay(int Samples) {
    if (FLame < 0 || Samples < 0 || Samples > 4095)
        return false;
    uint8_t* p = FFrame.data() + FLame + LameDelayAt;
    p[0] = uint8_t(Samples >> 4);
    p[1] = uint8_t((Samples & 0x0f) << 4 | (p[1] & 0x0f));
    return true;
}

bool TMp3InfoTag::SetEncoderPadding(int Samples) {
    if (FLame < 0 || Samples < 0 || Samples > 4095)
        return false;
    uint8_t* p = FFrame.data() + FLame + LameDelayAt;
    p[1] = uint8_t((p[1] & 0xf0) | Samples >> 8);
    p[2] = uint8_t(Samples);
    return true;
}

uint32_t TMp3InfoTag::MusicLength() const {
    return FLame < 0 ? 0 : Read32(FLame + LameMusicLengthAt);
}

void TMp3InfoTag::SetMusicLength(uint32_t Value) {
    if (FLame >= 0)
        Write32(FLame + LameMusicLengthAt, Value);
}

uint16_t TMp3InfoTag::MusicCrc() const {
    if (FLame < 0)
        return 0;
    return uint16_t(FFrame[size_t(FLame + LameMusicCrcAt)] << 8 |
                    FFrame[size_t(FLame + LameMusicCrcAt + 1)]);
}

void TMp3InfoTag::SetMusicCrc(uint16_t Value) {
    if (FLame < 0)
        return;
    FFrame[size_t(FLame + LameMusicCrcAt)] = uint8_t(Value >> 8);
    FFrame[size_t(FLame + LameMusicCrcAt + 1)] = uint8_t(Value);
}

uint16_t TMp3InfoTag::TagCrc() const {
    if (FLame < 0)
        return 0;
    return uint16_t(FFrame[size_t(FLame + LameTagCrcAt)] << 8 |
                    FFrame[size_t(FLame + LameTagCrcAt + 1)]);
}

uint16_t TMp3InfoTag::ComputedTagCrc() const {
    return Crc16(FFrame.data(), size_t(FLame + LameTagCrcAt));
}

bool TMp3InfoTag::TagCrcValid() const {
    return FLame < 0 || TagCrc() == ComputedTagCrc();
}

const std::vector<uint8_t>& TMp3InfoTag::Bytes() {
    if (FLame >= 0) {
        const uint16_t crc = ComputedTagCrc();
        FFrame[size_t(FLame + LameTagCrcAt)] = uint8_t(crc >> 8);
        FFrame[size_t(FLame + LameTagCrcAt + 1)] = uint8_t(crc);
    }
    return FFrame;
}

void TMp3InfoTag::EditFile(const QString& FileName, const std::function<void(TMp3InfoTag&)>& Edit) {
    auto fail = [&](const QString& Why) {
        return EAudioException(
            QCoreApplication::translate("Mp3", "Cannot update the information tag of \"%1\". %2")
                .arg(FileName, Why));
    };
    QFile file(FileName);
    if (!file.open(QIODevice::ReadWrite))
        throw fail(file.errorString());
    qint64 at = 0;
    const QByteArray head = file.read(10);
    if (head.size() == 10 && head.startsWith("ID3")) {
        const auto* h = reinterpret_cast<const uint8_t*>(head.constData());
        at = 10 + (qint64(h[6] & 0x7f) << 21 | qint64(h[7] & 0x7f) << 14 |
                   qint64(h[8] & 0x7f) << 7 | qint64(h[9] & 0x7f));
        if (h[5] & 0x10) // footer present
            at += 10;
    }
    // The largest Layer III frame: 320 kbit/s at 32 kHz with padding.
    QByteArray frame;
    if (file.seek(at))
        frame = file.read(1441);
    auto tag = Parse(reinterpret_cast<const uint8_t*>(frame.constData()), size_t(frame.size()));
    if (!tag)
        throw fail(QCoreApplication::translate("Mp3", "The file has no information tag."));
    Edit(*tag);
    const std::vector<uint8_t>& bytes = tag->Bytes();
    if (!file.seek(at) ||
        file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) !=
            qint64(bytes.size()) ||
        !file.flush())
        throw fail(file.errorString());
}
