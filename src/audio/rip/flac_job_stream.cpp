#include "audio/rip/flac_job_stream.h"

#include "audio/pipeline/audio_exception.h"
#include "audio/xiph/flac_encoder.h"
#include "audio/xiph/vorbis_comment.h"

#include <QCoreApplication>

#include <FLAC/stream_encoder.h>

namespace {

constexpr int64_t StreamInfoAt = 4 + 4; // after "fLaC" and the block's header
constexpr int StreamInfoBytes = 34;
constexpr int MinPadding = 128;

enum TBlockType : uint8_t { btStreamInfo = 0, btPadding = 1, btVorbisComment = 4, btPicture = 6 };

void AppendBlock(std::vector<uint8_t>& Out, TBlockType Type, const std::vector<uint8_t>& Body,
                 bool Last) {
    if (Body.size() >= (1u << 24))
        throw EAudioException(
            QCoreApplication::translate("Rip", "A FLAC metadata block cannot hold %1 bytes.")
                .arg(qulonglong(Body.size())));
    Out.push_back(uint8_t((Last ? 0x80 : 0) | Type));
    for (int shift : {16, 8, 0})
        Out.push_back(uint8_t(Body.size() >> shift));
    Out.insert(Out.end(), Body.begin(), Body.end());
}

// The encoder's own name, as the flac tool writes it ("reference libFLAC 1.4.2 20221022").
QString Vendor() {
    return QString::fromLatin1(FLAC__VENDOR_STRING);
}

} // namespace

TFlacJobStream::TFlacJobStream(const TRipJobFile& File, const TRipPcmFormat& Format, int BlockSize)
    : FTags(File, Vendor(), TXiphJobTags::TGains::ReplayGain, false), FFormat(Format),
      FBlockSize(BlockSize) {
    if (File.Cover && !File.Cover->empty())
        FPicture = TVorbisComment::PictureBlock(*File.Cover);
    FBlocksSize = 4 + FTags.Size() + (FPicture.empty() ? 0 : 4 + FPicture.size()) + 4 + MinPadding;
    FFile.Open(File.Job->FileName, File.Job->Replace);
    std::vector<uint8_t> head{'f', 'L', 'a', 'C'};
    AppendBlock(head, btStreamInfo, EmptyStreamInfo(), false);
    const std::vector<uint8_t> blocks = Blocks();
    head.insert(head.end(), blocks.begin(), blocks.end());
    FFile.Write(head.data(), int64_t(head.size()));
}

std::vector<uint8_t> TFlacJobStream::Blocks() const {
    std::vector<uint8_t> out;
    AppendBlock(out, btVorbisComment, FTags.Render(false), false);
    if (!FPicture.empty())
        AppendBlock(out, btPicture, FPicture, false);
    // The padding takes what the comments leave of the room kept.
    const size_t padding = FBlocksSize - out.size() - 4;
    AppendBlock(out, btPadding, std::vector<uint8_t>(padding, 0), true);
    return out;
}

std::vector<uint8_t> TFlacJobStream::EmptyStreamInfo() const {
    FLAC__StreamMetadata info{};
    info.type = FLAC__METADATA_TYPE_STREAMINFO;
    FLAC__StreamMetadata_StreamInfo& s = info.data.stream_info;
    s.min_blocksize = s.max_blocksize = unsigned(FBlockSize);
    s.sample_rate = unsigned(FFormat.SampleRate);
    s.channels = unsigned(FFormat.Channels);
    s.bits_per_sample = unsigned(FFormat.BitsPerSample);
    return TFlacEncoder::StreamInfoBytes(info);
}

void TFlacJobStream::Add(const TRipPacket& Packet) {
    const auto& packet = static_cast<const TCodedPacket&>(Packet);
    FRun = packet.Run;
    FFile.Write(packet.Bytes.data(), int64_t(packet.Bytes.size()));
}

void TFlacJobStream::Finish(int64_t) {
    // The encoder was fed exactly the range: its own count and MD5 are the file's.
    const std::vector<uint8_t> info =
        FRun && FRun->StreamInfo.size() == StreamInfoBytes ? FRun->StreamInfo : EmptyStreamInfo();
    FFile.WriteAt(StreamInfoAt, info.data(), int64_t(info.size()));
}

void TFlacJobStream::Commit() {
    const std::vector<uint8_t> blocks = Blocks();
    FFile.WriteAt(StreamInfoAt + StreamInfoBytes, blocks.data(), int64_t(blocks.size()));
    FFile.Commit();
}
