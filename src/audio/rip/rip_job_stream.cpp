#include "audio/rip/rip_job_stream.h"

#include "audio/mp3/mp3_info_tag.h"
#include "audio/pipeline/audio_exception.h"

#include <QCoreApplication>

#include <algorithm>

TMp3JobStream::TMp3JobStream(const TRipJob& Job, const TRipGrid& Grid, int64_t Start,
                             bool ConstantBitRate, int MaxKbps, bool MeasurePeak,
                             TMp3TagWriter Id3v2, std::vector<uint8_t> Id3v1)
    : FJob(Job), FGrid(Grid), FStart(Start), FConstant(ConstantBitRate), FMaxKbps(MaxKbps),
      FId3v2(std::move(Id3v2)), FId3v1(std::move(Id3v1)) {
    if (MeasurePeak)
        FPeak = std::make_unique<TMp3DecodedPeak>();
    FFile.Open(FJob.FileName, FJob.Replace);
    const std::vector<uint8_t> tag = FId3v2.Render();
    FFile.Write(tag.data(), int64_t(tag.size()));
    FInfoAt = FFile.Size();
}

TMp3JobStream::TTrial TMp3JobStream::Trial(int Capacity) const {
    // The joined stream as far as the first frame can tell: that many bytes free before it.
    const int need = FHeld.front().FreeBefore;
    TLayer3Packer::TState file{Capacity, 0}, joined{need, 0};
    for (const TMp3SegmentJoiner::TJoinedFrame& f : FHeld) {
        const TMpegFrameHeader& h = f.Frame.Header;
        const int slotBytes = h.FrameBytes() - h.PreludeBytes(),
                  data = int(f.Frame.MainData.size());
        const int maxBegin = h.MaxMainDataBegin();
        const int64_t inFile = TLayer3Packer::Place(file, slotBytes, data, maxBegin);
        const int64_t inJoined = TLayer3Packer::Place(joined, slotBytes, data, maxBegin);
        if (inFile < 0)
            return TTrial::Fails;
        if (inJoined < 0)
            return TTrial::Open;
        file = {file.SlotEnd + slotBytes, inFile + data};
        joined = {joined.SlotEnd + slotBytes, inJoined + data};
        // As much reservoir free as the joined stream had: from here on both are alike.
        if (std::min<int64_t>(maxBegin, file.SlotEnd - file.DataEnd) ==
            std::min<int64_t>(maxBegin, joined.SlotEnd - joined.DataEnd))
            return TTrial::Fits;
    }
    return TTrial::Open;
}

bool TMp3JobStream::ChooseCarriers(bool Final, TCarriers& Chosen) const {
    const TMp3SegmentJoiner::TJoinedFrame& first = FHeld.front();
    TMpegFrameHeader header = first.Frame.Header;
    header.SetPadding(false);
    // Carriers: frames with no sound of their own (zero side information, silent when
    // decoded) whose slots hold the reservoir the first frame borrowed. A variable rate's
    // carriers take its highest rate, the fewer to be.
    if (FMaxKbps > 0)
        for (int i = 14; i > header.BitRateIndex(); --i)
            if (header.KbpsOf(i) > 0 && header.KbpsOf(i) <= FMaxKbps) {
                header.SetBitRateIndex(i);
                break;
            }
    const int slotBytes = header.FrameBytes() - header.PreludeBytes();
    const int need = first.FreeBefore;
    Chosen = {header, need > 0 ? (need + slotBytes - 1) / slotBytes : 0};
    const int room = FGrid.Plain ? Chosen.Count : FGrid.CarrierLimit(FStart);
    if (Chosen.Count <= room)
        return true;
    // Fewer carriers than the joined stream's reservoir asks for may do: the smallest number
    // with which every frame fits until the layouts meet.
    bool open = false;
    for (int count = 0; count <= room; ++count) {
        const TTrial trial = Trial(count * slotBytes);
        if (trial == TTrial::Fits || (trial == TTrial::Open && Final)) {
            Chosen.Count = count;
            return true;
        }
        open = open || trial == TTrial::Open;
    }
    if (open && FHeld.size() < MaxHeldFrames)
        return false;
    // None that the delay leaves room for (low constant rates, whose frames lean on the
    // reservoir all the time): one carrier of a higher rate holds it all, which a decoder
    // takes as any frame (only a constant rate's checkers notice).
    Chosen.Count = 1;
    while (header.FrameBytes() - header.PreludeBytes() < need && header.BitRateIndex() < 14)
        header.SetBitRateIndex(header.BitRateIndex() + 1);
    Chosen.Header = header;
    return true;
}

void TMp3JobStream::Begin(const TCarriers& Carriers) {
    FStarted = true;
    FInfo = FRun->InfoFrame;
    if (FInfo.empty() || !TMp3InfoTag::Parse(FInfo.data(), FInfo.size()))
        FInfo = TMp3InfoTag::Blank(FHeld.front().Frame.Header, !FConstant).Bytes();
    // A placeholder of the frame's size while the stream is written.
    FFile.Write(FInfo.data(), int64_t(FInfo.size()));
    TLayer3Frame carrier;
    carrier.Header = Carriers.Header;
    carrier.Info.Granules = Carriers.Header.Granules();
    carrier.Info.Channels = Carriers.Header.Channels();
    for (int i = 0; i < Carriers.Count; ++i)
        Append(carrier);
    FCarriers = Carriers.Count;
    for (const TMp3SegmentJoiner::TJoinedFrame& f : FHeld)
        Append(f.Frame);
    FHeld.clear();
    WriteFinished(false);
}

void TMp3JobStream::Append(const TLayer3Frame& Frame) {
    if (!FPacker.Append(Frame, Frame.Header))
        throw EAudioException(
            QCoreApplication::translate("Rip", "The MP3 encoder wrote a frame that does not fit."));
    if (FPeak) // what the segment's thread decoded need not be decoded again
        FPeak->Expect(Frame.DecodedPeak);
    FFrameSizes.push_back(uint32_t(Frame.Header.FrameBytes()));
}

void TMp3JobStream::Add(const TRipPacket& Packet) {
    const auto& packet = static_cast<const TMp3Packet&>(Packet);
    if (FStarted) {
        Append(packet.Frame.Frame);
        WriteFinished(false);
        return;
    }
    FRun = packet.Run;
    FHeld.push_back(packet.Frame);
    TCarriers carriers;
    if (ChooseCarriers(false, carriers))
        Begin(carriers);
}

void TMp3JobStream::WriteFinished(bool All) {
    FBytes.clear();
    if (All)
        FPacker.TakeAll(FBytes);
    else
        FPacker.TakeFinished(FBytes);
    FMusicCrc = TMp3InfoTag::Crc16(FBytes.data(), FBytes.size(), FMusicCrc);
    if (FPeak)
        FPeak->Add(FBytes.data(), FBytes.size());
    FAudioBytes += uint32_t(FBytes.size());
    FFile.Write(FBytes.data(), int64_t(FBytes.size()));
}

void TMp3JobStream::Finish(int64_t Frames) {
    if (!FStarted && !FHeld.empty()) {
        TCarriers carriers;
        ChooseCarriers(true, carriers);
        Begin(carriers);
    }
    WriteFinished(true);
    FFile.Write(FId3v1.data(), int64_t(FId3v1.size()));
    const int64_t frames = int64_t(FFrameSizes.size());
    int delay = FGrid.EncoderDelay, padding = FRun ? FRun->Padding : 0;
    if (!FGrid.Plain) {
        delay = FGrid.Delay(FStart, FCarriers);
        padding = int(frames * FGrid.FrameSamples - delay - Frames);
    }
    if (FPeak) {
        const int64_t first = delay + TRipGrid::DecoderDelay;
        FDecodedPeak = FPeak->Finish(first, first + Frames);
        FPeak.reset();
    }
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
    FFile.Close(); // it waits for Commit without a descriptor
}

void TMp3JobStream::Commit() {
    const std::vector<uint8_t> tag = FId3v2.Render();
    FFile.WriteAt(0, tag.data(), int64_t(tag.size()));
    FFile.Commit();
}

void TMp3JobStream::RewriteTag() {
    const std::vector<uint8_t> tag = FId3v2.Render();
    FFile.PatchCommitted(0, tag.data(), int64_t(tag.size()));
}
