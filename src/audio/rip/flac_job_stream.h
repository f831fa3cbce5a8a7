#pragma once

#include "audio/rip/output_file.h"
#include "audio/rip/packet_joiner.h"
#include "audio/rip/rip_encoder.h"
#include "audio/rip/xiph_job_tags.h"

#include <memory>
#include <vector>

// One job's FLAC file: "fLaC", the STREAMINFO block (written last, in place, with the length,
// the frames' sizes and the samples' MD5), the Vorbis comments, the front cover as a PICTURE
// block and a PADDING block that keeps the room for the loudness values, then the frames as
// they come, numbered as one stream's (the encoders of the segments numbered their own from
// 0). Commit writes the comments anew (the padding takes up what they leave) and renames the
// file into place.
//
// Threads: one thread at a time (the rip's coordinator).
class TFlacJobStream : public TRipJobWriter {
public:
    TFlacJobStream(const TRipJobFile& File, const TRipPcmFormat& Format, int BlockSize);

    void Add(const TRipPacket& Packet) override;
    void Finish(int64_t Frames) override;
    void SetTrackGain(const TLoudness& Value) override { FTags.SetTrackGain(Value); }
    void SetAlbumGain(const TLoudness& Value) override { FTags.SetAlbumGain(Value); }
    void ForgetAlbumGain() override { FTags.ForgetAlbumGain(); }
    void Commit() override;
    void RewriteTag() override;
    void Discard() noexcept override { FFile.Discard(); }

private:
    // The metadata blocks after STREAMINFO, always HeadSize bytes.
    std::vector<uint8_t> Blocks() const;
    // The STREAMINFO block's body for Frames samples with that MD5 (empty: zeros).
    std::vector<uint8_t> StreamInfo(int64_t Frames, const std::vector<uint8_t>& Md5) const;

    TXiphJobTags FTags;
    TRipPcmFormat FFormat;
    int FBlockSize;
    std::shared_ptr<const std::vector<uint8_t>> FPicture; // the cover's block, shared by the list
    TOutputFile FFile;
    std::shared_ptr<const TPacketRun> FRun;
    int64_t FFirstKept; // the grid frame that is the file's first
    std::vector<uint8_t> FRenumbered;
    uint32_t FMinFrame = 0, FMaxFrame = 0; // bytes
    size_t FBlocksSize = 0;
};
