#include "audio/mp3/mp3_segment_encoder.h"

#include "audio/layer3/layer3_packer.h"
#include "audio/mp3/mp3_frame_decoder.h"
#include "audio/pipeline/audio_exception.h"

#include <QCoreApplication>

#include <algorithm>

TMp3SegmentEncoder::TMp3SegmentEncoder(const TMp3EncoderSettings& Settings, int64_t FirstFrame,
                                       int64_t Start, int64_t End, int64_t KeepUntil,
                                       bool FramePeaks)
    : FEncoder(MaxBlockFrames), FKeepUntil(KeepUntil), FFramePeaks(FramePeaks) {
    FEncoder.Open(Settings);
    FSegment.FirstFrame = FirstFrame;
    FSegment.Start = Start;
    FSegment.End = End;
}

void TMp3SegmentEncoder::Take(int Count) {
    if (Count <= 0)
        return;
    if (!FTookAny) {
        // The encoder has decided by its first frame whether it reserved it for its
        // information frame (it does not where its frames are too small for one).
        FTookAny = true;
        FReader.PlaceholderFirst = FEncoder.ReservesInfoFrame();
    }
    FReader.Append(FEncoder.Data(), size_t(Count));
    if (!FReader.Error.empty())
        throw EAudioException(QCoreApplication::translate("Mp3", "The MP3 encoder wrote %1.")
                                  .arg(QCoreApplication::translate("Mp3", FReader.Error.c_str())));
}

void TMp3SegmentEncoder::Encode(const void* Pcm, int Frames, int Channels, int BitsPerSample) {
    Take(FEncoder.Encode(Pcm, Frames, Channels, BitsPerSample));
}

TMp3SegmentJoiner::TSegment TMp3SegmentEncoder::Finish() {
    Take(FEncoder.Flush());
    FReader.Finish();
    if (!FReader.Error.empty())
        throw EAudioException(QCoreApplication::translate("Mp3", "The MP3 encoder wrote %1.")
                                  .arg(QCoreApplication::translate("Mp3", FReader.Error.c_str())));
    std::vector<TLayer3Frame>& frames = FReader.Frames;
    const int64_t keep = std::max<int64_t>(0, FKeepUntil - FSegment.FirstFrame);
    if (int64_t(frames.size()) > keep)
        frames.resize(size_t(keep));
    FSegment.Frames = std::move(frames);
    if (FFramePeaks)
        MeasurePeaks(FSegment.Frames);
    return std::move(FSegment);
}

void TMp3SegmentEncoder::MeasurePeaks(std::vector<TLayer3Frame>& Frames) {
    // The frames laid out as one stream from the first (whose data its encoder placed in
    // its own slots), decoded as they are laid out.
    TLayer3Packer packer;
    TMp3FrameDecoder decoder;
    std::vector<uint8_t> bytes;
    std::vector<float> peaks;
    size_t next = 0, at = 0;
    auto decode = [&] {
        for (; next < Frames.size(); ++next) {
            TLayer3Frame& frame = Frames[next];
            const size_t size = size_t(frame.Header.FrameBytes());
            if (at + size > bytes.size())
                break;
            decoder.Decode(bytes.data() + at, size, frame.Header.SamplesPerFrame(), peaks);
            at += size;
            // The first frame had no frame before it here.
            if (next > 0)
                frame.DecodedPeak = TMp3FrameDecoder::Max(peaks);
        }
        bytes.erase(bytes.begin(), bytes.begin() + ptrdiff_t(at));
        at = 0;
    };
    for (const TLayer3Frame& frame : Frames) {
        if (!packer.Append(frame, frame.Header))
            return; // left unknown: the file's decoder decodes them
        packer.TakeFinished(bytes);
        decode();
    }
    packer.TakeAll(bytes);
    decode();
}

std::vector<uint8_t> TMp3SegmentEncoder::InfoFrame() const {
    std::vector<uint8_t> frame(2048);
    const size_t size = FEncoder.InfoTagFrame(frame.data(), frame.size());
    frame.resize(size <= frame.size() ? size : 0);
    return frame;
}
