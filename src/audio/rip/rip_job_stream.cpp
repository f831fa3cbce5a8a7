#include "audio/rip/rip_job_stream.h"

#include "audio/mp3/mp3_info_tag.h"
#include "audio/pipeline/audio_exception.h"

#include <QCoreApplication>

#include <algorithm>

TMp3JobStream::TMp3JobStream(const TRipJob& Job, const TRipGrid& Grid, int64_t Start,
                             bool ConstantBitRate, TMp3TagWriter Id3v2, std::vector<uint8_t> Id3v1)
    : FJob(Job), FGrid(Grid), FStart(Start), FConstant(ConstantBitRate), FId3v2(std::move(Id3v2)),
      FId3v1(std::move(Id3v1)) {
    FFile.Open(FJob.FileName, FJob.Replace);
    const std::vector<uint8_t> tag = FId3v2.Render();
    FFile.Write(tag.data(), int64_t(tag.size()));
    FInfoAt = FFile.Size();
}

void TMp3JobStream::Begin(const TMp3SegmentJoiner::TJoinedFrame& First,
                          const std::vector<uint8_t>& InfoFrame) {
    FStarted = true;
    FInfo = InfoFrame;
    if (FInfo.empty() || !TMp3InfoTag::Parse(FInfo.data(), FInfo.size()))
        FInfo = TMp3InfoTag::Blank(First.Frame.Header, !FConstant).Bytes();
    // A placeholder of the frame's size while the stream is written.
    FFile.Write(FInfo.data(), int64_t(FInfo.size()));

    // Carriers: frames with no sound of their own (zero side information, silent when
    // decoded) whose slots give the first frame the reservoir the joined stream gave it;
    // as many as that needs at the stream's bit rate, or one of a higher bit rate when the
    // tag's delay leaves no room for more.
    const int need = First.FreeBefore;
    if (need <= 0)
        return;
    TMpegFrameHeader header = First.Frame.Header;
    header.SetPadding(false);
    auto slotBytes = [](const TMpegFrameHeader& H) { return H.FrameBytes() - H.PreludeBytes(); };
    int count = (need + slotBytes(header) - 1) / slotBytes(header);
    if (count > FGrid.CarrierLimit(FStart)) {
        count = 1;
        while (slotBytes(header) < need && header.BitRateIndex() < 14)
            header.SetBitRateIndex(header.BitRateIndex() + 1);
    }
    TLayer3Frame carrier;
    carrier.Header = header;
    carrier.Info.Granules = header.Granules();
    carrier.Info.Channels = header.Channels();
    for (int i = 0; i < count; ++i)
        Append(carrier);
    FCarriers = count;
}

void TMp3JobStream::Append(const TLayer3Frame& Frame) {
    if (!FPacker.Append(Frame, Frame.Header))
        throw EAudioException(
            QCoreApplication::translate("Rip", "The MP3 encoder wrote a frame that does not fit."));
    FFrameSizes.push_back(uint32_t(Frame.Header.FrameBytes()));
}

void TMp3JobStream::Add(const TRipPacket& Packet) {
    const auto& packet = static_cast<const TMp3Packet&>(Packet);
    if (!FStarted) {
        FRun = packet.Run;
        Begin(packet.Frame, FRun->InfoFrame);
    }
    Append(packet.Frame.Frame);
    WriteFinished(false);
}

void TMp3JobStream::WriteFinished(bool All) {
    FBytes.clear();
    if (All)
        FPacker.TakeAll(FBytes);
    else
        FPacker.TakeFinished(FBytes);
    FMusicCrc = TMp3InfoTag::Crc16(FBytes.data(), FBytes.size(), FMusicCrc);
    FAudioBytes += uint32_t(FBytes.size());
    FFile.Write(FBytes.data(), int64_t(FBytes.size()));
}

void TMp3JobStream::Finish(int64_t Frames) {
    WriteFinished(true);
    FFile.Write(FId3v1.data(), int64_t(FId3v1.size()));
    if (!FInfo.empty()) {
        auto tag = TMp3InfoTag::Parse(FInfo.data(), FInfo.size());
        if (!tag)
            throw EAudioException(
                QCoreApplication::translate("Rip", "The information frame cannot be made."));
        const uint32_t head = uint32_t(FInfo.size());
        std::vector<uint32_t> offsets;
        offsets.reserve(FFrameSizes.size());
        uint32_t at = head;
        for (uint32_t size : FFrameSizes) {
            offsets.push_back(at);
            at += size;
        }
        const uint32_t total = head + FAudioBytes;
        const int64_t frames = int64_t(FFrameSizes.size());
        int delay = FGrid.EncoderDelay, padding = FRun ? FRun->Padding : 0;
        if (!FGrid.Plain) {
            delay = FGrid.Delay(FStart, FCarriers);
            padding = int(frames * FGrid.FrameSamples - delay - Frames);
        }
        tag->SetFrames(uint32_t(frames));
        tag->SetByteCount(total);
        tag->SetToc(offsets, total);
        tag->SetMusicLength(total);
        tag->SetMusicCrc(FMusicCrc);
        if (!tag->SetEncoderDelay(delay) || !tag->SetEncoderPadding(padding))
            throw EAudioException(
                QCoreApplication::translate(
                    "Rip", "The encoder delay and padding of \"%1\" cannot be set.")
                    .arg(FJob.FileName));
        const std::vector<uint8_t>& bytes = tag->Bytes();
        FFile.WriteAt(FInfoAt, bytes.data(), int64_t(bytes.size()));
    }
}

void TMp3JobStream::Commit() {
    const std::vector<uint8_t> tag = FId3v2.Render();
    FFile.WriteAt(0, tag.data(), int64_t(tag.size()));
    FFile.Commit();
}
