#include "audio/rip/opus_job_stream.h"

#include "audio/pipeline/audio_exception.h"
#include "audio/rip/packet_joiner.h"
#include "audio/xiph/opus_encoder.h"

#include <QCoreApplication>
#include <QRandomGenerator>

TOpusJobStream::TOpusJobStream(const TRipJobFile& File, int Channels)
    : FTags(File, QString::fromLatin1(TOpusEncoder::Version()), TXiphJobTags::TGains::R128, true),
      FPreSkip(File.Grid->Delay(File.Start, 0)),
      FStream(Channels, FPreSkip, TOpusEncoder::SampleRate,
              QRandomGenerator::global()->generate()) {
    if (FPreSkip < 0 || FPreSkip > 65535)
        throw EAudioException(
            QCoreApplication::translate("Rip", "The Opus pre-skip of \"%1\" cannot be %2.")
                .arg(File.Job->FileName)
                .arg(FPreSkip));
    FFile.Open(File.Job->FileName, File.Job->Replace);
    const std::vector<uint8_t> head = FStream.Begin(FTags.Render(true));
    FFile.Write(head.data(), int64_t(head.size()));
}

void TOpusJobStream::WritePages() {
    FPages.clear();
    FStream.TakePages(FPages);
    FFile.Write(FPages.data(), int64_t(FPages.size()));
}

void TOpusJobStream::Add(const TRipPacket& Packet) {
    const auto& packet = static_cast<const TCodedPacket&>(Packet);
    if (FHolding)
        FStream.Add(FHeld, FPackets * TOpusEncoder::FrameSamples, false);
    FHeld = packet.Bytes;
    FHolding = true;
    ++FPackets;
    WritePages();
}

void TOpusJobStream::Finish(int64_t Frames) {
    if (!FHolding)
        throw EAudioException(
            QCoreApplication::translate("Rip", "The Opus encoder made no packet for this range."));
    // The granule position of the last page ends the stream at the range's last sample.
    FStream.Add(FHeld, FPreSkip + Frames, true);
    FHolding = false;
    WritePages();
    FFile.Close(); // it waits for Commit without a descriptor
}

void TOpusJobStream::Commit() {
    const std::vector<uint8_t> pages = FStream.Headers(FTags.Render(true));
    const size_t at = FStream.CommentOffset();
    FFile.WriteAt(int64_t(at), pages.data() + at, int64_t(pages.size() - at));
    FFile.Commit();
}

void TOpusJobStream::RewriteTag() {
    const std::vector<uint8_t> pages = FStream.Headers(FTags.Render(true));
    const size_t at = FStream.CommentOffset();
    FFile.PatchCommitted(int64_t(at), pages.data() + at, int64_t(pages.size() - at));
}
