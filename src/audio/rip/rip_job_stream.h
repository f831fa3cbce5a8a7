#pragma once

#include "audio/layer3/layer3_packer.h"
#include "audio/layer3/mp3_segment_joiner.h"
#include "audio/mp3/mp3_decoded_peak.h"
#include "audio/mp3/mp3_tag_writer.h"
#include "audio/rip/output_file.h"
#include "audio/rip/rip_encoder.h"
#include "audio/rip/rip_plan.h"

#include <cstdint>
#include <memory>
#include <vector>

// What an MP3 run's stream says of itself, set as its segments are joined: the first
// encoder's information frame (the template of every file's; empty where it wrote none)
// and the last encoder's own padding (for a stream kept whole).
struct TMp3RunInfo {
    std::vector<uint8_t> InfoFrame;
    int Padding = 0;
};

// A frame of an MP3 run's joined stream, with the run it belongs to.
class TMp3Packet : public TRipPacket {
public:
    TMp3SegmentJoiner::TJoinedFrame Frame;
    std::shared_ptr<const TMp3RunInfo> Run;
};

// One job's MP3 file, cut out of its run's joined stream as the frames come: ID3v2 tag,
// information frame, carrier frames, the frames from the first the job's range needs to
// the last, ID3v1 tag. The frames are laid out anew from the file's own start: carriers
// give the first one the reservoir the joined stream gave it, at the stream's bit rate (or
// the highest within the VBR limits), as many as the tag's delay leaves room for; where
// that is fewer, the first frames wait until it is clear that they fit all the same (the
// file's layout has met the joined stream's), so every frame keeps the file's rate. The
// information frame is written last, in place, with the frame and
// byte counts, the seek table, the CRCs and the delay and padding that make a decoder give
// exactly the job's samples. The ID3v2 tag keeps room for the loudness values, written
// over it at Commit (a list's album values are known only when its last job is done);
// only then is the file renamed into place.
//
// Threads: one thread at a time (the rip's coordinator).
class TMp3JobStream : public TRipJobWriter {
public:
    // Creates the job's temporary file and writes the ID3v2 tag (EAudioException when it
    // cannot). Start: the job's first sample on the run's grid. MaxKbps: for a variable bit
    // rate, the highest a frame may have; 0 for a constant one. MeasurePeak: decode the
    // frames as they are written, for DecodedPeak.
    TMp3JobStream(const TRipJob& Job, const TRipGrid& Grid, int64_t Start, bool ConstantBitRate,
                  int MaxKbps, bool MeasurePeak, TMp3TagWriter Id3v2, std::vector<uint8_t> Id3v1);

    // The next frame of the job (a TMp3Packet); the run it brings holds the information
    // frame the run's first encoder wrote for its own stream.
    void Add(const TRipPacket& Packet) override;
    bool Started() const { return FStarted || !FHeld.empty(); }
    // Ends the file for a range of Frames samples. A plain stream takes the encoder's own
    // delay and padding.
    void Finish(int64_t Frames) override;
    void SetTrackGain(const TLoudness& Value) override { FId3v2.SetTrackGain(Value); }
    void SetAlbumGain(const TLoudness& Value) override { FId3v2.SetAlbumGain(Value); }
    // Writes the tag anew with what the writer now holds and renames the file into place.
    void Commit() override;
    void ForgetAlbumGain() override { FId3v2.ForgetAlbumGain(); }
    void RewriteTag() override;
    TMp3TagWriter& Tag() { return FId3v2; }
    void Discard() noexcept override { FFile.Discard(); }

    int Carriers() const override { return FCarriers; }
    // After Finish: the peak of the job's samples as a player decodes the file (see
    // TMp3DecodedPeak); -1 when not measured.
    double DecodedPeak() const override { return FDecodedPeak; }

private:
    // Frames the carriers are chosen on before the file takes any.
    static constexpr size_t MaxHeldFrames = 1000;
    struct TCarriers {
        TMpegFrameHeader Header;
        int Count = 0;
    };
    enum class TTrial { Fits, Fails, Open };

    // The carriers for the held frames; false while that is not known yet (Final: the job
    // has no more frames).
    bool ChooseCarriers(bool Final, TCarriers& Chosen) const;
    // Whether the held frames fit after Capacity bytes of carriers until the file's layout
    // meets the joined stream's.
    TTrial Trial(int Capacity) const;
    void Begin(const TCarriers& Carriers);
    void Append(const TLayer3Frame& Frame);
    void WriteFinished(bool All);

    std::shared_ptr<const TMp3RunInfo> FRun;
    TRipJob FJob;
    TRipGrid FGrid;
    int64_t FStart;
    bool FConstant;
    int FMaxKbps;
    TMp3TagWriter FId3v2;
    std::vector<uint8_t> FId3v1, FInfo;
    TOutputFile FFile;
    TLayer3Packer FPacker;
    bool FStarted = false;
    std::unique_ptr<TMp3DecodedPeak> FPeak;
    double FDecodedPeak = -1;
    std::vector<TMp3SegmentJoiner::TJoinedFrame> FHeld;
    int FCarriers = 0;
    int64_t FInfoAt = 0;
    uint32_t FAudioBytes = 0;
    uint16_t FMusicCrc = 0;
    std::vector<uint32_t> FFrameSizes;
    std::vector<uint8_t> FBytes;
};
