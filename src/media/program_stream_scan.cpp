#include "media/program_stream_scan.h"

#include "media/packet_length.h"

#include <algorithm>
#include <cstring>

namespace {

// Bytes read from the file at a time; room for the longest packet (6 + 65535 bytes) too.
constexpr int kScanRead = 256 * 1024;
constexpr int kScanBuffer = 2 * kScanRead;

// Private stream 1, which carries DVD LPCM behind a sub-stream id, the number of access
// units that start in the packet and the first one's pointer.
constexpr int kPrivateStream1 = 0xBD;
constexpr int kSubStreamHeader = 4;
constexpr int kLpcmHeader = 3; // what the demuxer leaves in front of the samples

bool IsStartCode(const uint8_t* b) {
    return b[0] == 0 && b[1] == 0 && b[2] == 1;
}

// Whether a start code begins anywhere in b[1] .. b[n - 1] (reading up to b[n + 1]): the
// demuxer looks for the next start code after a pack or system header instead of
// skipping it by its length, and the two must find the same one.
bool StartCodeInside(const uint8_t* b, int n) {
    for (int i = 1; i < n; ++i)
        if (IsStartCode(b + i))
            return true;
    return false;
}

} // namespace

bool TProgramStreamScan::Fits(const AVFormatContext* format, int streamIndex) {
    if (!format || !format->iformat || !format->pb || streamIndex < 0 ||
        unsigned(streamIndex) >= format->nb_streams)
        return false;
    const AVStream* stream = format->streams[streamIndex];
    return std::strcmp(format->iformat->name, "mpeg") == 0 &&
           stream->codecpar->codec_id == AV_CODEC_ID_PCM_DVD && stream->id >= 0xA0 &&
           stream->id <= 0xA7 && (format->pb->seekable & AVIO_SEEKABLE_NORMAL) != 0;
}

TProgramStreamScan::TProgramStreamScan(AVIOContext* pb, int subStream)
    : FPb(pb), FSubStream(subStream), FBuffer(kScanBuffer) {}

void TProgramStreamScan::Walk(const TPlace& from, int64_t stopAt, int64_t spacing,
                              const std::atomic<bool>* interrupt) {
    FPlaces.clear();
    FResume = {};
    FResumeSize = -1;
    FNow = from;
    FStopAt = stopAt;
    FSpacing = spacing;
    FNextPlace = from.Counted + spacing;
    FDone = false;
    FBufferPos = -1;
    FBufferLen = 0;
    int64_t pos = from.Pos;
    for (int steps = 0; pos >= 0 && !FDone; ++steps) {
        // A walk through a whole disc title can take a moment: let a cancel stop it.
        if (interrupt && steps % 4096 == 0 && interrupt->load(std::memory_order_relaxed))
            break;
        pos = Step(pos);
    }
}

bool TProgramStreamScan::Need(int64_t pos, int n) {
    const int64_t end = FBufferPos + FBufferLen; // where the input stands
    if (FBufferPos >= 0 && pos >= FBufferPos && pos + n <= end)
        return true;
    if (FBufferPos >= 0 && pos >= FBufferPos && pos <= end) {
        const int64_t keep = end - pos;
        std::memmove(FBuffer.data(), FBuffer.data() + (pos - FBufferPos), size_t(keep));
        FBufferLen = keep;
    } else {
        if (avio_seek(FPb, pos, SEEK_SET) != pos)
            return false;
        FBufferLen = 0;
    }
    FBufferPos = pos;
    while (FBufferLen < n) {
        const int room = int(std::min<int64_t>(kScanRead, int64_t(FBuffer.size()) - FBufferLen));
        const int got = avio_read(FPb, FBuffer.data() + FBufferLen, room);
        if (got <= 0)
            return false;
        FBufferLen += got;
    }
    return true;
}

int64_t TProgramStreamScan::Step(int64_t pos) {
    if (!Need(pos, 6))
        return -1;
    const uint8_t* b = Bytes(pos);
    if (!IsStartCode(b))
        return -1;
    const int code = b[3];
    if (code == 0xB9) // program end; reading goes on after it
        return pos + 4;
    if (code != 0xBA)
        return StepPacket(pos, code);
    int length = 0;
    if ((b[4] >> 6) == 1) { // MPEG-2 pack header, then up to 7 stuffing bytes
        if (!Need(pos, 14))
            return -1;
        length = 14 + (Bytes(pos)[13] & 7);
    } else if ((b[4] >> 4) == 2) { // MPEG-1
        length = 12;
    } else {
        return -1;
    }
    if (!Need(pos, length + 2) || StartCodeInside(Bytes(pos), length))
        return -1;
    return pos + length;
}

int64_t TProgramStreamScan::StepPacket(int64_t pos, int code) {
    const uint8_t* b = Bytes(pos);
    const int length = 6 + ((b[4] << 8) | b[5]);
    const int64_t next = pos + length;
    if (code == 0xBB) { // system header
        if (!Need(pos, length + 2) || StartCodeInside(Bytes(pos), length))
            return -1;
        return next;
    }
    // Stream map, padding and private stream 2 (DVD navigation) are skipped by length.
    if (code == 0xBC || code == 0xBE || code == 0xBF)
        return next;
    if (code != kPrivateStream1 && (code < 0xC0 || code > 0xEF))
        return -1; // read otherwise by the demuxer, or not at all
    // The packet header: MPEG-2's flags and length, or MPEG-1's stuffing and fields.
    if (length < 7)
        return -1;
    const int head = std::min(length, 6 + 16 + 2 + 10 + 1);
    if (!Need(pos, head))
        return -1;
    b = Bytes(pos);
    int payload = 0;
    if ((b[6] & 0xC0) == 0x80) {
        if (head < 9)
            return -1;
        const int flags = b[7];
        const int stamps = (flags & 0xC0) == 0xC0 ? 10 : (flags & 0xC0) == 0x80 ? 5 : 0;
        // A lone decoding time and the rarer fields are read in ways the walk does not
        // follow; so is an extension that renumbers the stream.
        if ((flags & 0xC0) == 0x40 || (flags & 0x3E) != 0 || b[8] < stamps)
            return -1;
        payload = 9 + b[8];
        if ((flags & 0x01) != 0) {
            if (b[8] <= stamps || !Need(pos, 9 + stamps + 1))
                return -1;
            b = Bytes(pos);
            if ((b[9 + stamps] & 0x41) != 0)
                return -1;
        }
    } else {
        int i = 6;
        while (i < head && b[i] == 0xFF && i < 6 + 16)
            ++i;
        if (i + 1 < head && (b[i] & 0xC0) == 0x40) // buffer size
            i += 2;
        if (i >= head)
            return -1;
        if ((b[i] & 0xF0) == 0x20)
            payload = i + 5;
        else if ((b[i] & 0xF0) == 0x30)
            payload = i + 10;
        else if (b[i] == 0x0F)
            payload = i + 1;
        else
            return -1;
    }
    if (payload > length)
        return -1;
    if (code != kPrivateStream1)
        return next;
    if (payload == length)
        return -1; // no sub-stream id
    if (!Need(pos, payload + 1))
        return -1;
    if (Bytes(pos)[payload] != FSubStream)
        return next;
    const int64_t size = length - payload - kSubStreamHeader;
    if (size <= kLpcmHeader || !Need(pos, payload + kSubStreamHeader + kLpcmHeader)) {
        Count(pos, nullptr, size);
        return -1;
    }
    if (!Count(pos, Bytes(pos) + payload + kSubStreamHeader, size))
        return -1;
    return next;
}

bool TProgramStreamScan::Count(int64_t pos, const uint8_t* lpcm, int64_t size) {
    FResume = {pos, FNow.Counted, FNow.Bytes};
    FResumeSize = size;
    const int64_t frames = lpcm ? LpcmPacketFrames(lpcm, size) : -1;
    if (frames < 0) // the demuxer's count meets it and decides
        return false;
    if (FNow.Counted + frames > FStopAt) {
        FDone = true;
        return false;
    }
    if (FNow.Counted >= FNextPlace) {
        FPlaces.push_back(FResume);
        FNextPlace = FNow.Counted + FSpacing;
    }
    FNow.Counted += frames;
    FNow.Bytes += size - kLpcmHeader;
    return true;
}
