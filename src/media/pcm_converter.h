#pragma once

// Turns decoded audio frames into the interleaved PCM the program reads: 16-bit, unsigned
// 8-bit, packed 24-bit (32-bit integers with their lowest byte dropped: a 24-bit source's
// samples exactly) or float (full scale +-1.0, where nothing is clipped), mono or stereo, at one
// fixed rate. More channels are folded to stereo by the downmix asked for (TDownmix: the ITU
// weights, or the centre lifted; the LFE dropped), scaled so that no input can clip. A frame whose
// layout, format or rate differs from the one before (joined VOB parts) reconfigures the converter;
// the output never changes. Owned by one TFileAudioStream; the thread that reads it.

#include "media/ffmpeg_ptr.h"
#include "media/media_audio_stream.h"

#include <cstdint>
#include <vector>

class TPcmConverter {
public:
    // outFormat: AV_SAMPLE_FMT_S16, AV_SAMPLE_FMT_U8, AV_SAMPLE_FMT_S32 or AV_SAMPLE_FMT_FLT;
    // outChannels: 1 or 2. Pack24: S32 samples are delivered as their upper three bytes.
    TPcmConverter(int outChannels, AVSampleFormat outFormat, int outRate,
                  TDownmix mix = TDownmix::dmStandard, bool pack24 = false);
    ~TPcmConverter();
    TPcmConverter(const TPcmConverter&) = delete;
    TPcmConverter& operator=(const TPcmConverter&) = delete;

    // Appends the frame's samples to `out` (whole output frames). Answers the number of
    // sample frames appended, or a negative FFmpeg error.
    int Convert(const AVFrame* frame, std::vector<uint8_t>& out);
    // Appends what a rate conversion still holds (end of stream).
    int Flush(std::vector<uint8_t>& out);
    // Forgets any held samples (after a seek).
    void Reset();

    int BlockAlign() const {
        return FOutChannels * (FPack24 ? 3 : av_get_bytes_per_sample(FOutFormat));
    }

    // Mixing matrix, row-major [out][in], for an input layout folded to `outChannels`
    // (1 or 2) by `mix`. The largest row sum of magnitudes is at most 1.
    static std::vector<double> DownmixMatrix(const AVChannelLayout& in, int outChannels,
                                             TDownmix mix = TDownmix::dmStandard);

private:
    int Configure(const AVFrame* frame);
    int Run(const uint8_t* const* in, int inCount, std::vector<uint8_t>& out);

    int FOutChannels;
    AVSampleFormat FOutFormat;
    int FOutRate;
    TDownmix FMix;
    bool FPack24;
    ffmpeg::SwrPtr FSwr;
    AVChannelLayout FInLayout{};
    int FInFormat = -1;
    int FInRate = 0;
};
