#include "audio/rip/flac_job_stream.h"

#include "audio/pipeline/audio_exception.h"
#include "audio/xiph/flac_encoder.h"
#include "audio/xiph/flac_frame.h"
#include "audio/xiph/vorbis_comment.h"

#include <QCoreApplication>
#include <QCryptographicHash>

#include <algorithm>

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
      FBlockSize(BlockSize), FPicture(File.Cover), FFirstKept(File.Grid->FirstKept(File.Start)) {
    FBlocksSize = 4 + FTags.Size() + (FPicture ? 4 + FPicture->size() : 0) + 4 + MinPadding;
    FFile.Open(File.Job->FileName, File.Job->Replace);
    std::vector<uint8_t> head{'f', 'L', 'a', 'C'};
    AppendBlock(head, btStreamInfo, StreamInfo(0, {}), false);
    const std::vector<uint8_t> blocks = Blocks();
    head.insert(head.end(), blocks.begin(), blocks.end());
    FFile.Write(head.data(), int64_t(head.size()));
}

std::vector<uint8_t> TFlacJobStream::Blocks() const {
    std::vector<uint8_t> out;
    AppendBlock(out, btVorbisComment, FTags.Render(false), false);
    if (FPicture)
        AppendBlock(out, btPicture, *FPicture, false);
    // The padding takes what the comments leave of the room kept.
    const size_t padding = FBlocksSize - out.size() - 4;
    AppendBlock(out, btPadding, std::vector<uint8_t>(padding, 0), true);
    return out;
}

std::vector<uint8_t> TFlacJobStream::StreamInfo(int64_t Frames,
                                                const std::vector<uint8_t>& Md5) const {
    FLAC__StreamMetadata info{};
    info.type = FLAC__METADATA_TYPE_STREAMINFO;
    FLAC__StreamMetadata_StreamInfo& s = info.data.stream_info;
    s.min_blocksize = s.max_blocksize = unsigned(FBlockSize);
    s.min_framesize = FMinFrame;
    s.max_framesize = FMaxFrame;
    s.sample_rate = unsigned(FFormat.SampleRate);
    s.channels = unsigned(FFormat.Channels);
    s.bits_per_sample = unsigned(FFormat.BitsPerSample);
    s.total_samples = uint64_t(Frames);
    std::copy_n(Md5.begin(), std::min<size_t>(Md5.size(), 16), s.md5sum);
    return TFlacEncoder::StreamInfoBytes(info);
}

void TFlacJobStream::Add(const TRipPacket& Packet) {
    const auto& packet = static_cast<const TCodedPacket&>(Packet);
    FRun = packet.Run;
    // The frame's number in the file: its place after the file's first.
    const int64_t number = packet.Index - FFirstKept;
    const std::vector<uint8_t>* frame = &packet.Bytes;
    if (FlacFrameNumber(packet.Bytes) != number) {
        FRenumbered = packet.Bytes;
        if (!SetFlacFrameNumber(FRenumbered, number))
            throw EAudioException(QCoreApplication::translate(
                "Rip", "The FLAC encoder made a frame that cannot be numbered."));
        frame = &FRenumbered;
    }
    const auto bytes = uint32_t(frame->size());
    FMinFrame = FMinFrame == 0 ? bytes : std::min(FMinFrame, bytes);
    FMaxFrame = std::max(FMaxFrame, bytes);
    FFile.Write(frame->data(), int64_t(frame->size()));
}

void TFlacJobStream::Finish(int64_t Frames) {
    // The MD5 of no samples at all is that of nothing; of some, the segments' signature.
    std::vector<uint8_t> md5 = FRun ? FRun->Signature : std::vector<uint8_t>();
    if (Frames == 0) {
        const QByteArray none = QCryptographicHash::hash(QByteArray(), QCryptographicHash::Md5);
        md5.assign(none.begin(), none.end());
    }
    if (md5.size() != 16)
        throw EAudioException(QCoreApplication::translate(
            "Rip", "The FLAC encoder gave no signature of the samples."));
    const std::vector<uint8_t> info = StreamInfo(Frames, md5);
    FFile.WriteAt(StreamInfoAt, info.data(), int64_t(info.size()));
    FFile.Close(); // it waits for Commit without a descriptor
}

void TFlacJobStream::Commit() {
    const std::vector<uint8_t> blocks = Blocks();
    FFile.WriteAt(StreamInfoAt + StreamInfoBytes, blocks.data(), int64_t(blocks.size()));
    FFile.Commit();
}

void TFlacJobStream::RewriteTag() {
    const std::vector<uint8_t> blocks = Blocks();
    FFile.PatchCommitted(StreamInfoAt + StreamInfoBytes, blocks.data(), int64_t(blocks.size()));
}
