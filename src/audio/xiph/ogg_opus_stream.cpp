#include "audio/xiph/ogg_opus_stream.h"

#include "audio/pipeline/audio_exception.h"

#include <QCoreApplication>

#include <ogg/ogg.h>

#include <cstring>

struct TOggOpusStream::TState {
    ogg_stream_state Stream{};
    explicit TState(uint32_t Serial) {
        if (ogg_stream_init(&Stream, int(Serial)) != 0)
            throw EAudioException(
                QCoreApplication::translate("Xiph", "The Ogg stream cannot be made."));
    }
    ~TState() { ogg_stream_clear(&Stream); }
    TState(const TState&) = delete;
    TState& operator=(const TState&) = delete;
};

namespace {

void PutLe(std::vector<uint8_t>& Out, uint32_t Value, int Bytes) {
    for (int i = 0; i < Bytes; ++i)
        Out.push_back(uint8_t(Value >> (8 * i)));
}

void AppendPage(std::vector<uint8_t>& Out, const ogg_page& Page) {
    Out.insert(Out.end(), Page.header, Page.header + Page.header_len);
    Out.insert(Out.end(), Page.body, Page.body + Page.body_len);
}

// Puts a packet into the stream; libogg only copies it.
void PacketIn(ogg_stream_state& Stream, const std::vector<uint8_t>& Bytes, int64_t Granule,
              int64_t Number, bool First, bool Last) {
    ogg_packet packet{};
    packet.packet = const_cast<unsigned char*>(Bytes.data());
    packet.bytes = long(Bytes.size());
    packet.b_o_s = First ? 1 : 0;
    packet.e_o_s = Last ? 1 : 0;
    packet.granulepos = Granule;
    packet.packetno = Number;
    if (ogg_stream_packetin(&Stream, &packet) != 0)
        throw EAudioException(
            QCoreApplication::translate("Xiph", "The Ogg stream refused a packet."));
}

void FlushAll(ogg_stream_state& Stream, std::vector<uint8_t>& Out) {
    ogg_page page;
    while (ogg_stream_flush(&Stream, &page) != 0)
        AppendPage(Out, page);
}

} // namespace

TOggOpusStream::TOggOpusStream(int Channels, int PreSkip, int InputRate, uint32_t Serial)
    : FState(std::make_unique<TState>(Serial)), FChannels(Channels), FPreSkip(PreSkip),
      FInputRate(InputRate), FSerial(Serial) {}

TOggOpusStream::~TOggOpusStream() = default;

std::vector<uint8_t> TOggOpusStream::HeadPacket() const {
    std::vector<uint8_t> head{'O', 'p', 'u', 's', 'H', 'e', 'a', 'd', 1, uint8_t(FChannels)};
    PutLe(head, uint32_t(FPreSkip), 2);
    PutLe(head, uint32_t(FInputRate), 4);
    PutLe(head, 0, 2); // output gain: the loudness travels in R128_* comments
    head.push_back(0); // channel mapping family 0: mono or stereo
    return head;
}

std::vector<uint8_t> TOggOpusStream::RenderHeaders(const std::vector<uint8_t>& Comment,
                                                   long& Pages) const {
    TState state(FSerial);
    std::vector<uint8_t> out;
    PacketIn(state.Stream, HeadPacket(), 0, 0, true, false);
    FlushAll(state.Stream, out);
    std::vector<uint8_t> tags{'O', 'p', 'u', 's', 'T', 'a', 'g', 's'};
    tags.insert(tags.end(), Comment.begin(), Comment.end());
    PacketIn(state.Stream, tags, 0, 1, false, false);
    FlushAll(state.Stream, out);
    Pages = state.Stream.pageno;
    return out;
}

std::vector<uint8_t> TOggOpusStream::Begin(const std::vector<uint8_t>& Comment) {
    long pages = 0;
    std::vector<uint8_t> out = RenderHeaders(Comment, pages);
    // The audio pages continue the numbering, and none of them begins the stream.
    FState->Stream.pageno = pages;
    FState->Stream.b_o_s = 1;
    return out;
}

std::vector<uint8_t> TOggOpusStream::Headers(const std::vector<uint8_t>& Comment) const {
    long pages = 0;
    return RenderHeaders(Comment, pages);
}

size_t TOggOpusStream::CommentOffset() const {
    TState state(FSerial);
    std::vector<uint8_t> out;
    PacketIn(state.Stream, HeadPacket(), 0, 0, true, false);
    FlushAll(state.Stream, out);
    return out.size();
}

void TOggOpusStream::Add(const std::vector<uint8_t>& Packet, int64_t Granule, bool Last) {
    PacketIn(FState->Stream, Packet, Granule, FPacketNo++, false, Last);
    if (Last) {
        std::vector<uint8_t> rest;
        FlushAll(FState->Stream, rest);
        FPending.insert(FPending.end(), rest.begin(), rest.end());
    }
}

void TOggOpusStream::TakePages(std::vector<uint8_t>& Out) {
    Out.insert(Out.end(), FPending.begin(), FPending.end());
    FPending.clear();
    ogg_page page;
    while (ogg_stream_pageout(&FState->Stream, &page) != 0)
        AppendPage(Out, page);
}
