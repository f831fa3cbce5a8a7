#pragma once

#include "audio/rip/output_file.h"
#include "audio/rip/rip_encoder.h"
#include "audio/rip/xiph_job_tags.h"
#include "audio/xiph/ogg_opus_stream.h"

#include <cstdint>
#include <vector>

// One job's Ogg Opus file: the identification header with the pre-skip (the samples a
// decoder drops before the range's first: the encoder's look-ahead and the pre-roll, at
// least 80 ms), the comment header (kept at one size, so the loudness values are written
// over it in place at Commit), then the packets from the first the range needs to the last,
// the last page's granule position ending the stream at the range's last sample.
//
// Threads: one thread at a time (the rip's coordinator).
class TOpusJobStream : public TRipJobWriter {
public:
    TOpusJobStream(const TRipJobFile& File, int Channels);

    void Add(const TRipPacket& Packet) override;
    void Finish(int64_t Frames) override;
    void SetTrackGain(const TLoudness& Value) override { FTags.SetTrackGain(Value); }
    void SetAlbumGain(const TLoudness& Value) override { FTags.SetAlbumGain(Value); }
    void ForgetAlbumGain() override { FTags.ForgetAlbumGain(); }
    void Commit() override;
    void RewriteTag() override;
    void Discard() noexcept override { FFile.Discard(); }

    int PreSkip() const { return FPreSkip; }

private:
    void WritePages();

    TXiphJobTags FTags;
    int FPreSkip;
    TOggOpusStream FStream;
    TOutputFile FFile;
    std::vector<uint8_t> FHeld; // the last packet, sent when it is known whether it ends
    bool FHolding = false;
    int64_t FPackets = 0;
    std::vector<uint8_t> FPages;
};
