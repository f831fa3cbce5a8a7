#pragma once

#include "audio/mp3/mp3_tag_texts.h"

#include <QString>

#include <cstddef>
#include <memory>
#include <vector>

struct lame_global_struct;

// What one encoder instance is set up with: the numbers LAME takes, and the tag texts.
struct TMp3EncoderSettings {
    int InputSampleRate = 0;
    int OutputSampleRate = 0; // 0: the encoder chooses
    int Mode = 0;             // LAME's channel mode number (0 stereo ... 3 mono)
    bool Copyright = false;
    bool Original = true;
    bool CRC = false;
    bool EnableVBR = false;
    // With EnableVBR: LAME's current VBR method (vbr_mtrh, what its -V uses) rather than the
    // mode a fresh encoder starts with.
    bool VBRCurrentMethod = false;
    int VBRQuality = 5;
    // With EnableVBR: every frame within these (kbit/s, silence too); without, the quality
    // alone decides, as -V 0 ... -V 9 do.
    bool VBRLimits = true;
    int VBRMinBitrate = 128;
    int VBRMaxBitrate = 192;
    int BitRate = 128; // kbit/s, constant bit rate
    int Quality = 5;
    // Written as an ID3v2 tag at the start (UTF-16) and an ID3v1 tag at the end (Latin-1,
    // see Id3v1Text).
    TMp3TagTexts Tag;
};

// One LAME encoder instance: opened with its settings, fed blocks of interleaved PCM, then
// flushed. The MP3 bytes of each call land in the encoder's own buffer (Data()), valid
// until the next call. PCM is 16-bit signed or 32-bit float (full scale +-1.0, what the
// decoder gives, encoded without requantisation); mono goes to both channels.
//
// The library must be held (TLameLibrary::Acquire) while an instance is open.
// Threads: one thread at a time (opened on the main thread, fed and flushed by an output's
// worker).
class TMp3Encoder {
public:
    // MaxFrames: the most frames one Encode call takes (the buffer is sized for it).
    explicit TMp3Encoder(int MaxFrames);
    ~TMp3Encoder();
    TMp3Encoder(const TMp3Encoder&) = delete;
    TMp3Encoder& operator=(const TMp3Encoder&) = delete;

    // Raises EAudioException when LAME cannot start or refuses the settings.
    void Open(const TMp3EncoderSettings& Settings);
    void Close() noexcept;
    bool IsOpen() const { return FHandle != nullptr; }

    // Encodes Frames frames of Channels (1 or 2) interleaved samples of BitsPerSample (16,
    // or 32 for float); answers the count of MP3 bytes in Data(). EAudioException when the
    // encoder fails.
    int Encode(const void* Pcm, int Frames, int Channels, int BitsPerSample);
    // The last frames; answers the count of MP3 bytes in Data().
    int Flush();
    const unsigned char* Data() const { return FBuffer.get(); }

    // Whether the stream needs its information frame written over its first frame, and
    // that frame: its size, 0 when there is none, above Size (nothing written) when
    // Frame is too small for it.
    bool WritesInfoTag() const;
    // Whether the encoder reserved the first frame of its stream for that frame: known once
    // it has written its first frame (it reserves none when its frames are too small).
    bool ReservesInfoFrame() const;
    size_t InfoTagFrame(unsigned char* Frame, size_t Size) const;

    // What the open encoder settled on: the MP3's sample rate, samples per frame, and the
    // encoder's delay (samples before the sound's first).
    int OutputSampleRate() const;
    int FrameSamples() const;
    int EncoderDelay() const;
    // Samples after the sound's last in the flushed stream.
    int EncoderPadding() const;
    // The tags this encoder writes around its stream on its own (empty when none): for a
    // caller that writes the stream some other way.
    std::vector<unsigned char> Id3v2Tag() const;
    std::vector<unsigned char> Id3v1Tag() const;

    // LAME's sizing rule for the MP3 bytes of Frames frames (1.25 x Frames + 7200).
    static constexpr int BufferSizeFor(int Frames) { return Frames + Frames / 4 + 7200; }

private:
    void SetTags(const TMp3EncoderSettings& Settings);
    int Checked(int Count) const;

    struct TCloser {
        void operator()(lame_global_struct* Handle) const noexcept;
    };
    std::unique_ptr<lame_global_struct, TCloser> FHandle;
    std::unique_ptr<unsigned char[]> FBuffer;
    int FMaxFrames;
    int FBufferSize;
};
