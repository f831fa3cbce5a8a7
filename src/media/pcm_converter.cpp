#include "media/pcm_converter.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMinus3dB = 0.70710678118654752;

// Share of an input channel in the left and right outputs, by the ITU weights (the
// dialogue downmix then scales them by DialogueScale).
void ChannelGains(AVChannel channel, double& left, double& right) {
    left = right = 0.0;
    switch (channel) {
    case AV_CHAN_FRONT_LEFT:
    case AV_CHAN_FRONT_LEFT_OF_CENTER:
    case AV_CHAN_WIDE_LEFT:
    case AV_CHAN_STEREO_LEFT:
        left = 1.0;
        break;
    case AV_CHAN_FRONT_RIGHT:
    case AV_CHAN_FRONT_RIGHT_OF_CENTER:
    case AV_CHAN_WIDE_RIGHT:
    case AV_CHAN_STEREO_RIGHT:
        right = 1.0;
        break;
    case AV_CHAN_FRONT_CENTER:
        left = right = kMinus3dB;
        break;
    case AV_CHAN_SIDE_LEFT:
    case AV_CHAN_BACK_LEFT:
    case AV_CHAN_SURROUND_DIRECT_LEFT:
        left = kMinus3dB;
        break;
    case AV_CHAN_SIDE_RIGHT:
    case AV_CHAN_BACK_RIGHT:
    case AV_CHAN_SURROUND_DIRECT_RIGHT:
        right = kMinus3dB;
        break;
    case AV_CHAN_BACK_CENTER:
        left = right = 0.5;
        break;
    case AV_CHAN_LOW_FREQUENCY:
    case AV_CHAN_LOW_FREQUENCY_2:
        break; // the ITU downmix leaves the LFE out
    default:
        // Height and unknown channels: half to each side, like a centre.
        left = right = kMinus3dB;
        break;
    }
}

// The dialogue downmix against the ITU one: the centre, where dialogue and lead vocals
// are, 6 dB up (+3 dB against the fronts), the surrounds 3 dB down (-6 dB against them).
double DialogueScale(AVChannel channel) {
    switch (channel) {
    case AV_CHAN_FRONT_CENTER:
        return 2.0;
    case AV_CHAN_SIDE_LEFT:
    case AV_CHAN_SIDE_RIGHT:
    case AV_CHAN_BACK_LEFT:
    case AV_CHAN_BACK_RIGHT:
    case AV_CHAN_BACK_CENTER:
    case AV_CHAN_SURROUND_DIRECT_LEFT:
    case AV_CHAN_SURROUND_DIRECT_RIGHT:
        return kMinus3dB;
    default:
        return 1.0;
    }
}

} // namespace

TPcmConverter::TPcmConverter(int outChannels, AVSampleFormat outFormat, int outRate, TDownmix mix,
                             bool pack24)
    : FOutChannels(outChannels), FOutFormat(outFormat), FOutRate(outRate), FMix(mix),
      FPack24(pack24 && outFormat == AV_SAMPLE_FMT_S32) {}

TPcmConverter::~TPcmConverter() {
    av_channel_layout_uninit(&FInLayout);
}

std::vector<double> TPcmConverter::DownmixMatrix(const AVChannelLayout& in, int outChannels,
                                                 TDownmix mix) {
    const int n = in.nb_channels;
    std::vector<double> matrix(size_t(outChannels * n), 0.0);
    AVChannelLayout layout{};
    if (in.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&layout, n);
    else
        av_channel_layout_copy(&layout, &in);
    for (int i = 0; i < n; ++i) {
        double left = 0, right = 0;
        AVChannel channel = av_channel_layout_channel_from_index(&layout, unsigned(i));
        if (n == 1) {
            left = right = 1.0;
        } else {
            ChannelGains(channel, left, right);
            if (mix == TDownmix::dmDialogue && n > 2) {
                left *= DialogueScale(channel);
                right *= DialogueScale(channel);
            }
        }
        if (outChannels == 1) {
            matrix[size_t(i)] = (left + right) / 2;
        } else {
            matrix[size_t(i)] = left;
            matrix[size_t(n + i)] = right;
        }
    }
    av_channel_layout_uninit(&layout);
    // Scale so that even all inputs at full scale in phase stay within full scale.
    double largest = 0;
    for (int o = 0; o < outChannels; ++o) {
        double sum = 0;
        for (int i = 0; i < n; ++i)
            sum += std::abs(matrix[size_t(o * n + i)]);
        largest = std::max(largest, sum);
    }
    if (largest > 1.0)
        for (double& m : matrix)
            m /= largest;
    return matrix;
}

int TPcmConverter::Configure(const AVFrame* frame) {
    if (FSwr && frame->format == FInFormat && frame->sample_rate == FInRate &&
        av_channel_layout_compare(&frame->ch_layout, &FInLayout) == 0)
        return 0;
    FSwr.reset();
    av_channel_layout_uninit(&FInLayout);
    int result = av_channel_layout_copy(&FInLayout, &frame->ch_layout);
    if (result < 0)
        return result;
    FInFormat = frame->format;
    FInRate = frame->sample_rate;

    AVChannelLayout inLayout{};
    if (FInLayout.order == AV_CHANNEL_ORDER_UNSPEC || FInLayout.nb_channels <= 0)
        av_channel_layout_default(&inLayout, FInLayout.nb_channels);
    else
        av_channel_layout_copy(&inLayout, &FInLayout);
    AVChannelLayout outLayout{};
    av_channel_layout_default(&outLayout, FOutChannels);

    SwrContext* raw = nullptr;
    result = swr_alloc_set_opts2(&raw, &outLayout, FOutFormat, FOutRate, &inLayout,
                                 AVSampleFormat(FInFormat), FInRate, 0, nullptr);
    ffmpeg::SwrPtr swr(raw);
    if (result >= 0 && inLayout.nb_channels != FOutChannels) {
        // Our own matrix rather than swresample's: the ITU weights, normalised.
        std::vector<double> matrix = DownmixMatrix(inLayout, FOutChannels, FMix);
        result = swr_set_matrix(swr.get(), matrix.data(), inLayout.nb_channels);
    }
    if (result >= 0)
        result = swr_init(swr.get());
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    if (result < 0) {
        av_channel_layout_uninit(&FInLayout);
        return result;
    }
    FSwr = std::move(swr);
    return 0;
}

int TPcmConverter::Run(const uint8_t* const* in, int inCount, std::vector<uint8_t>& out) {
    if (!FSwr)
        return 0;
    const int room = swr_get_out_samples(FSwr.get(), inCount);
    if (room < 0)
        return room;
    const size_t old = out.size();
    const size_t converted = size_t(FOutChannels * av_get_bytes_per_sample(FOutFormat));
    out.resize(old + size_t(room + 16) * converted);
    uint8_t* target = out.data() + old;
    int made =
        swr_convert(FSwr.get(), &target, room + 16, const_cast<const uint8_t**>(in), inCount);
    if (FPack24 && made > 0) {
        // Front to back: each sample's three upper bytes move down, never past one unread.
        for (size_t i = 0; i < size_t(made) * size_t(FOutChannels); ++i) {
            target[3 * i] = target[4 * i + 1];
            target[3 * i + 1] = target[4 * i + 2];
            target[3 * i + 2] = target[4 * i + 3];
        }
    }
    out.resize(old + size_t(std::max(made, 0)) * size_t(BlockAlign()));
    return made;
}

int TPcmConverter::Convert(const AVFrame* frame, std::vector<uint8_t>& out) {
    if (frame->nb_samples <= 0)
        return 0;
    int result = Configure(frame);
    if (result < 0)
        return result;
    return Run(frame->extended_data, frame->nb_samples, out);
}

int TPcmConverter::Flush(std::vector<uint8_t>& out) {
    return Run(nullptr, 0, out);
}

void TPcmConverter::Reset() {
    FSwr.reset();
    av_channel_layout_uninit(&FInLayout);
    FInFormat = -1;
    FInRate = 0;
}
