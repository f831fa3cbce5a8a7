#pragma once

#include <cstdint>
#include <memory>
#include <vector>

struct OpusEncoder;

// One libopus encoder at 48 kHz for music (the "audio" application, variable bit rate, the
// best complexity), fed interleaved float PCM (full scale +-1.0): every 20 ms of samples
// makes one packet. Decoded, packet n holds the sound of the input's samples
// [n * FrameSamples - Lookahead(), (n + 1) * FrameSamples - Lookahead()).
//
// Threads: one thread at a time.
class TOpusEncoder {
public:
    static constexpr int SampleRate = 48000;
    static constexpr int FrameSamples = 960;

    // Channels 1 or 2; Kbps the target bit rate. Raises EAudioException when libopus refuses.
    TOpusEncoder(int Channels, int Kbps);
    ~TOpusEncoder();
    TOpusEncoder(const TOpusEncoder&) = delete;
    TOpusEncoder& operator=(const TOpusEncoder&) = delete;

    // Samples of the encoder's look-ahead: what a decoder gives before the first sample fed.
    int Lookahead() const { return FLookahead; }
    void Encode(const float* Pcm, int Frames);
    // Encodes the samples held back, completed with silence, and further silent frames until
    // the packets hold the sound of every sample fed (the look-ahead included).
    void Flush();
    // Moves the packets made so far to the end of Out.
    void TakePackets(std::vector<std::vector<uint8_t>>& Out);
    int64_t Packets() const { return FPackets; }

    // libopus's name and version ("libopus 1.3.1").
    static const char* Version();

private:
    void EncodeFrame(const float* Frame);

    struct TDeleter {
        void operator()(OpusEncoder* Encoder) const noexcept;
    };
    std::unique_ptr<OpusEncoder, TDeleter> FEncoder;
    int FChannels;
    int FLookahead = 0;
    std::vector<float> FHeld; // less than a frame, waiting for the rest
    int64_t FFed = 0;         // samples fed
    int64_t FPackets = 0;     // packets made
    std::vector<std::vector<uint8_t>> FOut;
    std::vector<uint8_t> FBuffer;
};
