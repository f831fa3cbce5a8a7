#pragma once

// What a demuxed audio packet holds, read from the packet itself, without decoding it:
// how many sample frames it decodes to, and for DVD LPCM (FFmpeg's pcm_dvd in an MPEG
// program stream) where in it the access unit its timestamp belongs to begins. Used to
// number samples exactly where timestamps cannot: counting packets from the start of a
// stream, and placing an LPCM packet whose timestamp does not belong to its first byte.
// Free functions; any thread.

#include "media/ffmpeg_ptr.h"

#include <cstdint>

// Sample frames `packet` of a stream with parameters `par` decodes to; -1 when that cannot
// be told without decoding (a codec whose frames vary in length, a damaged packet).
int64_t PacketFrames(const AVCodecParameters* par, const AVPacket* packet);

// Sample frames of a DVD LPCM packet as the demuxer hands it over: `size` bytes from
// `data`, which starts with the 3-byte header; -1 when they are not whole frames.
int64_t LpcmPacketFrames(const uint8_t* data, int64_t size);

// Makes a packet that follows `bytesBefore` payload bytes of its stream fit to start a
// decode: 20- and 24-bit LPCM keep the low bits of two or four values after their high
// bits, and a packet may begin inside such a group (FFmpeg's muxer cuts anywhere); those
// bytes, which finish a group begun in the packet before, are dropped. Answers the sample
// frames dropped (0 for other codecs), -1 when nothing whole would be left.
int64_t DropToSampleGroup(const AVCodecParameters* par, AVPacket* packet, int64_t bytesBefore);

// Payload bytes of an LPCM packet (after its 3-byte header); 0 for other codecs' packets.
int64_t LpcmPayloadBytes(const AVCodecParameters* par, const AVPacket* packet);

// For a DVD LPCM packet read from `pb` whose program stream packet starts at `pesPos`
// (AVPacket::pos): the sample frames of its payload before the first access unit that
// starts in it, which is what its timestamp belongs to (DVD's first access unit pointer).
// -1 when the header cannot be read or makes no sense for this packet. Reads the header
// again from `pb` and leaves the read position where it was.
int64_t LpcmLeadFrames(AVIOContext* pb, int64_t pesPos, const AVPacket* packet);
