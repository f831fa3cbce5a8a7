#include "audio/mp3/mp3_frame_decoder.h"

#include "audio/pipeline/audio_exception.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

TMp3FrameDecoder::TMp3FrameDecoder() {
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

TMp3FrameDecoder::~TMp3FrameDecoder() = default;

void TMp3FrameDecoder::Reset() {
    avcodec_flush_buffers(FDecoder.get());
}

void TMp3FrameDecoder::Decode(const uint8_t* Frame, size_t Size, int Samples,
                              std::vector<float>& Peaks) {
    Peaks.assign(size_t(std::max(Samples, 0)), 0.0f);
    FPacket->data = const_cast<uint8_t*>(Frame);
    FPacket->size = int(Size);
    if (avcodec_send_packet(FDecoder.get(), FPacket.get()) < 0)
        return;
    while (avcodec_receive_frame(FDecoder.get(), FFrame.get()) == 0) {
        const AVFrame& f = *FFrame;
        const int n = std::min(f.nb_samples, int(Peaks.size()));
        const int channels = f.ch_layout.nb_channels;
        const bool planar = av_sample_fmt_is_planar(AVSampleFormat(f.format));
        float* peaks = Peaks.data();
        if (f.format == AV_SAMPLE_FMT_FLTP || f.format == AV_SAMPLE_FMT_FLT) {
            // Loops without a branch inside, which the compiler turns into vector code.
            for (int c = 0; c < channels; ++c) {
                if (planar) {
                    const auto* s = reinterpret_cast<const float*>(f.extended_data[c]);
                    for (int i = 0; i < n; ++i)
                        peaks[i] = std::max(peaks[i], std::fabs(s[i]));
                } else {
                    const auto* s = reinterpret_cast<const float*>(f.extended_data[0]) + c;
                    for (int i = 0; i < n; ++i)
                        peaks[i] = std::max(peaks[i], std::fabs(s[i * channels]));
                }
            }
        }
        av_frame_unref(FFrame.get());
    }
}

float TMp3FrameDecoder::Max(const std::vector<float>& Peaks) {
    float peak = 0;
    for (float v : Peaks)
        peak = std::max(peak, v);
    return peak;
}
