#include "audio/rip_job_stream.h"

#include "audio/audio_exception.h"
#include "audio/mp3_info_tag.h"

#include <algorithm>

TMp3JobStream::TMp3JobStream(const TRipJob& Job, const TRipGrid& Grid, bool ConstantBitRate,
                             std::vector<uint8_t> Id3v2, std::vector<uint8_t> Id3v1)
    : FJob(Job), FGrid(Grid), FConstant(ConstantBitRate), FId3v2(std::move(Id3v2)),
      FId3v1(std::move(Id3v1)), FJoiner(ConstantBitRate) {
    FJoiner.SetCarrierLimit(Grid.CarrierLimit());
    FFile.Open(FJob.FileName, FJob.Replace);
    FFile.Write(FId3v2.data(), int64_t(FId3v2.size()));
    FInfoAt = FFile.Size();
}

bool TMp3JobStream::Add(TMp3SegmentJoiner::TSegment&& Segment,
                        const std::vector<uint8_t>& InfoFrame) {
    if (!FStarted) {
        FStarted = true;
        FInfo = InfoFrame;
        if (FInfo.empty() || !TMp3InfoTag::Parse(FInfo.data(), FInfo.size())) {
            const size_t kept =
                size_t(std::max<int64_t>(0, FGrid.FirstKept() - Segment.FirstFrame));
            if (kept < Segment.Frames.size())
                FInfo = TMp3InfoTag::Blank(Segment.Frames[kept].Header, !FConstant).Bytes();
            else
                FInfo.clear(); // no frame at all: a stream of tags only
        }
        // A placeholder of the frame's size while the stream is written.
        FFile.Write(FInfo.data(), int64_t(FInfo.size()));
    }
    if (!FJoiner.Add(std::move(Segment)))
        return false;
    WriteFinished();
    return true;
}

void TMp3JobStream::WriteFinished() {
    FBytes.clear();
    FJoiner.TakeFinished(FBytes);
    FMusicCrc = TMp3InfoTag::Crc16(FBytes.data(), FBytes.size(), FMusicCrc);
    FAudioBytes += uint32_t(FBytes.size());
    FFile.Write(FBytes.data(), int64_t(FBytes.size()));
}

void TMp3JobStream::Finish(int64_t Frames, int PlainDelay, int PlainPadding) {
    FJoiner.Finish(FGrid.Plain ? INT64_MAX : FGrid.LastKept(Frames) + 1);
    WriteFinished();
    FFile.Write(FId3v1.data(), int64_t(FId3v1.size()));
    if (!FInfo.empty()) {
        auto tag = TMp3InfoTag::Parse(FInfo.data(), FInfo.size());
        if (!tag)
            throw EAudioException(QStringLiteral("The information frame cannot be made."));
        const uint32_t head = uint32_t(FInfo.size());
        std::vector<uint32_t> offsets;
        offsets.reserve(FJoiner.FrameSizes().size());
        uint32_t at = head;
        for (uint32_t size : FJoiner.FrameSizes()) {
            offsets.push_back(at);
            at += size;
        }
        const uint32_t total = head + FAudioBytes;
        const int64_t frames = FJoiner.FrameCount();
        int delay = PlainDelay, padding = PlainPadding;
        if (!FGrid.Plain) {
            delay = FGrid.Delay(FJoiner.Carriers());
            padding = int(frames * FGrid.FrameSamples - delay - Frames);
        }
        tag->SetFrames(uint32_t(frames));
        tag->SetByteCount(total);
        tag->SetToc(offsets, total);
        tag->SetMusicLength(total);
        tag->SetMusicCrc(FMusicCrc);
        if (!tag->SetEncoderDelay(delay) || !tag->SetEncoderPadding(padding))
            throw EAudioException(
                QStringLiteral("The encoder delay and padding of \"%1\" cannot be set.")
                    .arg(FJob.FileName));
        const std::vector<uint8_t>& bytes = tag->Bytes();
        FFile.WriteAt(FInfoAt, bytes.data(), int64_t(bytes.size()));
    }
    FFile.Commit();
}
