#include "media/packet_length.h"

#include <cstring>
#include <numeric>

namespace {

// The 3 header bytes FFmpeg's program stream demuxer leaves in front of LPCM samples:
// bits per sample in the top two bits of the second byte, channels - 1 in its low three.
struct TLpcmLayout {
    int bits = 0;
    int channels = 0;
    int FrameBits() const { return bits * channels; }
    // Sample frames of a whole group: 20- and 24-bit values keep their low bits after the
    // high 16 bits of two values (mono) or four; a decode has to start on a group that
    // also starts a frame.
    int GroupFrames() const {
        if (bits == 16)
            return 1;
        return std::lcm(channels == 1 ? 2 : 4, channels) / channels;
    }
};

constexpr int kLpcmHeaderBytes = 3;

bool ReadLpcmLayout(const uint8_t* data, int64_t size, TLpcmLayout& layout) {
    if (!data || size <= kLpcmHeaderBytes)
        return false;
    static const int kBits[] = {16, 20, 24, 0};
    layout.bits = kBits[data[1] >> 6];
    layout.channels = (data[1] & 7) + 1;
    return layout.bits != 0;
}

bool ReadLpcmLayout(const AVPacket* packet, TLpcmLayout& layout) {
    return ReadLpcmLayout(packet->data, packet->size, layout);
}

} // namespace

int64_t LpcmPayloadBytes(const AVCodecParameters* par, const AVPacket* packet) {
    if (par->codec_id != AV_CODEC_ID_PCM_DVD || packet->size <= kLpcmHeaderBytes)
        return 0;
    return packet->size - kLpcmHeaderBytes;
}

int64_t LpcmPacketFrames(const uint8_t* data, int64_t size) {
    TLpcmLayout layout;
    if (!ReadLpcmLayout(data, size, layout))
        return -1;
    const int64_t bits = (size - kLpcmHeaderBytes) * 8;
    return bits % layout.FrameBits() == 0 ? bits / layout.FrameBits() : -1;
}

int64_t PacketFrames(const AVCodecParameters* par, const AVPacket* packet) {
    switch (par->codec_id) {
    case AV_CODEC_ID_PCM_DVD:
        return LpcmPacketFrames(packet->data, packet->size);
    case AV_CODEC_ID_AC3:
    case AV_CODEC_ID_MP1:
    case AV_CODEC_ID_MP2:
    case AV_CODEC_ID_MP3:
        // The demuxer's parser hands over one whole frame per packet, and these codecs'
        // frames all have the stream's one length.
        return par->frame_size > 0 && packet->size > 0 ? par->frame_size : -1;
    default:
        break;
    }
    // Plain PCM: whole frames of a fixed size.
    const int bits = av_get_bits_per_sample(par->codec_id);
    if (par->codec_id >= AV_CODEC_ID_FIRST_AUDIO && par->codec_id < AV_CODEC_ID_ADPCM_IMA_QT &&
        bits > 0 && par->ch_layout.nb_channels > 0) {
        const int64_t frameBits = int64_t(bits) * par->ch_layout.nb_channels;
        const int64_t all = int64_t(packet->size) * 8;
        return all % frameBits == 0 ? all / frameBits : -1;
    }
    return -1;
}

int64_t DropToSampleGroup(const AVCodecParameters* par, AVPacket* packet, int64_t bytesBefore) {
    if (par->codec_id != AV_CODEC_ID_PCM_DVD)
        return 0;
    TLpcmLayout layout;
    if (!ReadLpcmLayout(packet, layout))
        return -1;
    const int64_t groupBytes = int64_t(layout.GroupFrames()) * layout.FrameBits() / 8;
    const int64_t drop = (groupBytes - bytesBefore % groupBytes) % groupBytes;
    if (drop == 0)
        return 0;
    if (drop >= packet->size - kLpcmHeaderBytes || av_packet_make_writable(packet) < 0)
        return -1;
    // The header moves up to stand in front of the first whole group.
    std::memmove(packet->data + drop, packet->data, kLpcmHeaderBytes);
    packet->data += drop;
    packet->size -= int(drop);
    return drop * 8 / layout.FrameBits();
}

int64_t LpcmLeadFrames(AVIOContext* pb, int64_t pesPos, const AVPacket* packet) {
    TLpcmLayout layout;
    if (!pb || pesPos < 0 || !ReadLpcmLayout(packet, layout))
        return -1;
    const int64_t here = avio_tell(pb);
    // Program stream packet: start code 00 00 01 BD, length, two flag bytes, the header's
    // own length and fields; then the DVD sub-stream id, the number of access units that
    // start here and the first one's pointer, counted from the pointer's last byte.
    uint8_t head[9];
    int64_t pointer = -1;
    if (avio_seek(pb, pesPos, SEEK_SET) == pesPos && avio_read(pb, head, 9) == 9 && head[0] == 0 &&
        head[1] == 0 && head[2] == 1 && head[3] == 0xBD && (head[6] & 0xC0) == 0x80 &&
        avio_skip(pb, head[8]) >= 0) {
        uint8_t sub[4];
        if (avio_read(pb, sub, 4) == 4 && (sub[0] & 0xF8) == 0xA0)
            pointer = (int64_t(sub[2]) << 8) | sub[3];
    }
    avio_seek(pb, here, SEEK_SET);
    // The pointer counts the 3 header bytes too; it must land on a group inside the payload.
    const int64_t lead = pointer - 1 - kLpcmHeaderBytes;
    const int64_t payload = packet->size - kLpcmHeaderBytes;
    const int64_t groupBits = int64_t(layout.GroupFrames()) * layout.FrameBits();
    if (lead < 0 || lead >= payload || (lead * 8) % groupBits != 0 ||
        (payload * 8) % groupBits != 0)
        return -1;
    return lead * 8 / layout.FrameBits();
}
