#include "audio/xiph/opus_encoder.h"

#include "audio/pipeline/audio_exception.h"

#include <QCoreApplication>

#include <opus.h>

#include <algorithm>

namespace {

// The largest packet of 20 ms: 1275 bytes a frame, with room for a packet's own framing.
constexpr int MaxPacketBytes = 4000;

QString OpusError(int Code) {
    return QString::fromLatin1(opus_strerror(Code));
}

} // namespace

void TOpusEncoder::TDeleter::operator()(OpusEncoder* Encoder) const noexcept {
    opus_encoder_destroy(Encoder);
}

TOpusEncoder::TOpusEncoder(int Channels, int Kbps) : FChannels(Channels) {
    int error = OPUS_OK;
    FEncoder.reset(opus_encoder_create(SampleRate, Channels, OPUS_APPLICATION_AUDIO, &error));
    if (!FEncoder || error != OPUS_OK)
        throw EAudioException(
            QCoreApplication::translate("Xiph", "The Opus encoder cannot be made: %1.")
                .arg(OpusError(error)));
    OpusEncoder* e = FEncoder.get();
    opus_int32 lookahead = 0;
    if ((error = opus_encoder_ctl(e, OPUS_SET_BITRATE(Kbps * 1000))) != OPUS_OK ||
        (error = opus_encoder_ctl(e, OPUS_SET_VBR(1))) != OPUS_OK ||
        (error = opus_encoder_ctl(e, OPUS_SET_COMPLEXITY(10))) != OPUS_OK ||
        (error = opus_encoder_ctl(e, OPUS_GET_LOOKAHEAD(&lookahead))) != OPUS_OK)
        throw EAudioException(
            QCoreApplication::translate("Xiph", "The Opus encoder refuses %1 kbit/s: %2.")
                .arg(Kbps)
                .arg(OpusError(error)));
    FLookahead = int(lookahead);
    FBuffer.resize(MaxPacketBytes);
}

TOpusEncoder::~TOpusEncoder() = default;

const char* TOpusEncoder::Version() {
    return opus_get_version_string();
}

void TOpusEncoder::EncodeFrame(const float* Frame) {
    const int bytes = opus_encode_float(FEncoder.get(), Frame, FrameSamples, FBuffer.data(),
                                        opus_int32(FBuffer.size()));
    if (bytes < 0)
        throw EAudioException(QCoreApplication::translate("Xiph", "The Opus encoder failed: %1.")
                                  .arg(OpusError(bytes)));
    FOut.emplace_back(FBuffer.begin(), FBuffer.begin() + bytes);
    ++FPackets;
}

void TOpusEncoder::Encode(const float* Pcm, int Frames) {
    FFed += Frames;
    const size_t frame = size_t(FrameSamples) * size_t(FChannels);
    size_t at = 0, count = size_t(Frames) * size_t(FChannels);
    if (!FHeld.empty()) {
        const size_t take = std::min(frame - FHeld.size(), count);
        FHeld.insert(FHeld.end(), Pcm, Pcm + take);
        at = take;
        if (FHeld.size() < frame)
            return;
        EncodeFrame(FHeld.data());
        FHeld.clear();
    }
    for (; at + frame <= count; at += frame)
        EncodeFrame(Pcm + at);
    FHeld.assign(Pcm + at, Pcm + count);
}

void TOpusEncoder::Flush() {
    const size_t frame = size_t(FrameSamples) * size_t(FChannels);
    if (!FHeld.empty()) {
        FHeld.resize(frame, 0.0f);
        EncodeFrame(FHeld.data());
        FHeld.clear();
    }
    const std::vector<float> silence(frame, 0.0f);
    while (FPackets * FrameSamples < FFed + FLookahead)
        EncodeFrame(silence.data());
}

void TOpusEncoder::TakePackets(std::vector<std::vector<uint8_t>>& Out) {
    for (auto& packet : FOut)
        Out.push_back(std::move(packet));
    FOut.clear();
}
