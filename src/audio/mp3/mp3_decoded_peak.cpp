#include "audio/mp3/mp3_decoded_peak.h"

#include "audio/layer3/mpeg_frame_header.h"
#include "audio/pipeline/audio_exception.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

TMp3DecodedPeak::TMp3DecodedPeak() {
    const AVCodec* codec = avcodec_find_decoder_by_name("mp3float");
    if (!codec)
        codec = avcodec_find_decoder(AV_CODEC_ID_MP3);
    if (codec)
        FDecoder.reset(avcodec_alloc_context3(codec));
    FPacket = ffmpeg::MakePacket();
    FFrame = ffmpeg::MakeFrame();
    if (!FDecoder || !FPacket || !FFrame || avcodec_open2(FDecoder.get(), codec, nullptr) < 0)
        throw EAudioException(
            QCoreApplication::translate("Mp3", "The MP3 decoder for the peak cannot be started."));
}

TMp3DecodedPeak::~TMp3DecodedPeak() = default;

void TMp3DecodedPeak::Add(const uint8_t* Bytes, size_t Size) {
    FPartial.insert(FPartial.end(), Bytes, Bytes + Size);
    size_t at = 0;
    while (at + 4 <= FPartial.size()) {
        const auto header = TMpegFrameHeader::Parse(FPartial.data() + at, 4);
        if (!header) { // not the stream this class is fed; skip to the next sync
            ++at;
            continue;
        }
        const size_t bytes = size_t(header->FrameBytes());
        if (at + bytes > FPartial.size())
            break;
        FPacket->data = FPartial.data() + at;
        FPacket->size = int(bytes);
        Decode(FPacket.get());
        at += bytes;
    }
    FPartial.erase(FPartial.begin(), FPartial.begin() + ptrdiff_t(at));
}

void TMp3DecodedPeak::Decode(const AVPacket* Packet) {
    // A frame the decoder refuses (a reservoir it was not given) decodes to nothing, as in
    // any player; the samples after it keep their places by the frame's length.
    if (avcodec_send_packet(FDecoder.get(), Packet) >= 0)
        Receive();
}

void TMp3DecodedPeak::Receive() {
    while (avcodec_receive_frame(FDecoder.get(), FFrame.get()) == 0) {
        const AVFrame& f = *FFrame;
        TDecoded decoded;
        decoded.First = FDecoded;
        // The storage of a frame that left the tail, rather than one allocation a frame.
        if (!FSpare.empty()) {
            decoded.Peaks = std::move(FSpare.back());
            FSpare.pop_back();
        }
        decoded.Peaks.assign(size_t(f.nb_samples), 0.0f);
        const int channels = f.ch_layout.nb_channels;
        const bool planar = av_sample_fmt_is_planar(AVSampleFormat(f.format));
        float* peaks = decoded.Peaks.data();
        if (f.format == AV_SAMPLE_FMT_FLTP || f.format == AV_SAMPLE_FMT_FLT) {
            // Loops without a branch inside, which the compiler turns into vector code.
            for (int c = 0; c < channels; ++c) {
                if (planar) {
                    const auto* s = reinterpret_cast<const float*>(f.extended_data[c]);
                    for (int i = 0; i < f.nb_samples; ++i)
                        peaks[i] = std::max(peaks[i], std::fabs(s[i]));
                } else {
                    const auto* s = reinterpret_cast<const float*>(f.extended_data[0]) + c;
                    for (int i = 0; i < f.nb_samples; ++i)
                        peaks[i] = std::max(peaks[i], std::fabs(s[i * channels]));
                }
            }
        }
        FDecoded += f.nb_samples;
        av_frame_unref(FFrame.get());
        if (decoded.First < HeadSamples) {
            FHead.push_back(std::move(decoded));
            continue;
        }
        FTailSamples += int64_t(decoded.Peaks.size());
        FTail.push_back(std::move(decoded));
        while (FTailSamples - int64_t(FTail.front().Peaks.size()) >= TailSamples) {
            float middle = 0;
            for (float v : FTail.front().Peaks)
                middle = std::max(middle, v);
            FMiddle = std::max(FMiddle, double(middle));
            FTailSamples -= int64_t(FTail.front().Peaks.size());
            FSpare.push_back(std::move(FTail.front().Peaks));
            FTail.pop_front();
        }
    }
}

double TMp3DecodedPeak::PeakIn(const TDecoded& Frame, int64_t First, int64_t End) {
    double peak = 0;
    const int64_t from = std::max<int64_t>(First - Frame.First, 0);
    const int64_t to = std::min<int64_t>(End - Frame.First, int64_t(Frame.Peaks.size()));
    for (int64_t i = from; i < to; ++i)
        peak = std::max(peak, double(Frame.Peaks[size_t(i)]));
    return peak;
}

double TMp3DecodedPeak::Finish(int64_t First, int64_t End) {
    if (avcodec_send_packet(FDecoder.get(), nullptr) >= 0)
        Receive();
    if (End < 0)
        End = FDecoded;
    double peak = FMiddle;
    for (const TDecoded& frame : FHead)
        peak = std::max(peak, PeakIn(frame, First, End));
    for (const TDecoded& frame : FTail)
        peak = std::max(peak, PeakIn(frame, First, End));
    return peak > 0 ? peak + 1.0 / 32768 : 0;
}
