// The frame-level units on real LAME streams, judged by FFmpeg's decoder: frames taken
// apart and laid out again with a new reservoir decode to the same samples, also when the
// stream is cut and its first frames pointed into the part cut away; the information tag
// reads what LAME wrote and patches delay and padding so that players trim accordingly.

#include "audio/layer3/layer3_frame_reader.h"
#include "audio/layer3/layer3_packer.h"
#include "audio/mp3/lame.h"
#include "audio/mp3/mp3_info_tag.h"
#include "audio/pipeline/audio_exception.h"
#include "support/decoded_audio.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

namespace {

const TLameEntryPoints& L() {
    return TLameLibrary::Api();
}

struct TLameHold {
    TLameHold() { TLameLibrary::Acquire(); }
    ~TLameHold() { TLameLibrary::Release(); }
};

// Tones with noise bursts and sharp attacks: long and short blocks, a busy reservoir.
std::vector<int16_t> Music(int64_t Frames, int Rate) {
    std::vector<int16_t> pcm(size_t(Frames) * 2);
    std::mt19937 rng(1);
    std::normal_distribution<double> noise(0, 1);
    for (int64_t i = 0; i < Frames; ++i) {
        const double t = double(i) / Rate;
        const double beat = std::fmod(t, 0.37);
        const double v = 6000 * std::sin(2 * M_PI * 440 * t) * std::sin(2 * M_PI * 0.7 * t) +
                         (beat < 0.05 ? 9000 * std::exp(-beat * 60) * noise(rng) : 0);
        pcm[size_t(2 * i)] = int16_t(v);
        pcm[size_t(2 * i + 1)] = int16_t(0.6 * v + 2000 * std::sin(2 * M_PI * 660 * t));
    }
    return pcm;
}

// One whole LAME stream with its information frame filled in.
std::vector<uint8_t> Encode(const std::vector<int16_t>& Pcm, int Rate,
                            const std::function<void(lame_t)>& Setup) {
    lame_t e = L().lame_init();
    L().lame_set_in_samplerate(e, Rate);
    L().lame_set_num_channels(e, 2);
    Setup(e);
    EXPECT_GE(L().lame_init_params(e), 0);
    const int frames = int(Pcm.size() / 2);
    std::vector<uint8_t> out(size_t(frames) * 2 + 20000);
    int at = L().lame_encode_buffer_interleaved(e, const_cast<short*>(Pcm.data()), frames,
                                                out.data(), int(out.size()));
    at += L().lame_encode_flush(e, out.data() + at, int(out.size()) - at);
    out.resize(size_t(at));
    unsigned char tag[2048];
    const size_t size = L().lame_get_lametag_frame(e, tag, sizeof tag);
    std::memcpy(out.data(), tag, size);
    L().lame_close(e);
    return out;
}

QString Save(const std::vector<uint8_t>& Bytes, const char* Name) {
    const QString path = FreshDir() + u'/' + QString::fromLatin1(Name);
    EXPECT_TRUE(WriteFile(
        path, QByteArray(reinterpret_cast<const char*>(Bytes.data()), qsizetype(Bytes.size()))));
    return path;
}

size_t FrameBytesAt(const std::vector<uint8_t>& Stream, size_t At) {
    return size_t(TMpegFrameHeader::Parse(&Stream[At], Stream.size() - At)->FrameBytes());
}

struct TCase {
    const char* Name;
    int Rate;
    std::function<void(lame_t)> Setup;
};

} // namespace

// Each case's stream is taken apart and laid out anew twice: as it was (the new layout
// must decode sample for sample as LAME's own and never use less reservoir than LAME did),
// and with every frame at the highest bit rate (each frame's main data now lies elsewhere
// and the reservoir runs differently; the sound must not change).
TEST(Mp3Frames, RepackedStreamsDecodeAsTheEncoderWroteThem) {
    TLameHold hold;
    const TCase cases[] = {
        {"cbr128", 44100,
         [](lame_t e) {
             L().lame_set_brate(e, 128);
             L().lame_set_mode(e, JOINT_STEREO);
         }},
        {"vbr", 48000,
         [](lame_t e) {
             L().lame_set_VBR(e, vbr_rh);
             L().lame_set_VBR_q(e, 2);
         }},
        {"crc320", 32000,
         [](lame_t e) {
             L().lame_set_brate(e, 320);
             L().lame_set_error_protection(e, 1);
         }},
        {"mono-lsf", 22050,
         [](lame_t e) {
             L().lame_set_brate(e, 48);
             L().lame_set_mode(e, MONO);
         }},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.Name);
        const std::vector<uint8_t> original =
            Encode(Music(test.Rate * 6, test.Rate), test.Rate, test.Setup);
        TLayer3FrameReader reader;
        // In uneven pieces, as an encoder hands its output over.
        for (size_t at = 0; at < original.size(); at += 1000)
            reader.Append(original.data() + at, std::min<size_t>(1000, original.size() - at));
        reader.Finish();
        ASSERT_EQ(reader.Error, "");
        // LAME leaves the information frame out when a frame is too small to hold it.
        ASSERT_EQ(reader.InfoFrames, test.Rate >= 32000 ? 1 : 0);
        const size_t infoBytes = reader.InfoFrames ? FrameBytesAt(original, 0) : 0;

        auto repack = [&](bool Highest) {
            TLayer3Packer packer;
            std::vector<uint8_t> out(original.begin(), original.begin() + ptrdiff_t(infoBytes));
            for (size_t i = 0; i < reader.Frames.size(); ++i) {
                const TLayer3Frame& f = reader.Frames[i];
                TMpegFrameHeader header = f.Header;
                if (Highest)
                    header.SetBitRateIndex(14);
                const int freeBefore = packer.FreeReservoir(f.Header.MaxMainDataBegin());
                EXPECT_TRUE(packer.Append(f, header)) << "frame " << i;
                if (!Highest) {
                    EXPECT_GE(freeBefore, f.EncodedBegin) << "frame " << i;
                }
                packer.TakeFinished(out);
            }
            packer.TakeAll(out);
            return out;
        };

        const DecodedAudio a = DecodeAudioFile(Save(original, "original.mp3"));
        ASSERT_TRUE(a.ok);
        EXPECT_EQ(a.complaints, infoBytes ? 0 : 1);
        const std::vector<uint8_t> same = repack(false);
        EXPECT_EQ(same.size(), original.size());
        const DecodedAudio b = DecodeAudioFile(Save(same, "same.mp3"));
        EXPECT_EQ(b.complaints, a.complaints); // without a tag: the length is estimated
        EXPECT_EQ(a.samples, b.samples);

        // Bigger frames make a bigger file: the information frame says so.
        std::vector<uint8_t> highest = repack(true);
        EXPECT_GE(highest.size(), original.size());
        if (auto tag = TMp3InfoTag::Parse(highest.data(), highest.size())) {
            tag->SetByteCount(uint32_t(highest.size()));
            tag->SetMusicLength(uint32_t(highest.size()));
            std::copy(tag->Bytes().begin(), tag->Bytes().end(), highest.begin());
        }
        const DecodedAudio c = DecodeAudioFile(Save(highest, "highest.mp3"));
        EXPECT_EQ(c.complaints, a.complaints);
        EXPECT_EQ(a.samples, c.samples);
    }
}

// LAME's own information frame is read as written (counts, delay, padding, music CRC, tag
// CRC); patching the padding in the file changes what FFmpeg trims, and the CRC follows.
TEST(Mp3Frames, InformationTagReadsAndPatchesWhatPlayersTrimBy) {
    TLameHold hold;
    const int64_t n = 44100 * 3 + 123;
    const std::vector<uint8_t> stream =
        Encode(Music(n, 44100), 44100, [](lame_t e) { L().lame_set_brate(e, 192); });
    auto tag = TMp3InfoTag::Parse(stream.data(), stream.size());
    ASSERT_TRUE(tag);
    EXPECT_FALSE(tag->IsXing());
    ASSERT_TRUE(tag->HasLameExtension());
    EXPECT_TRUE(tag->TagCrcValid());
    const size_t infoBytes = FrameBytesAt(stream, 0);
    int64_t frames = 0;
    for (size_t at = infoBytes; at < stream.size(); at += FrameBytesAt(stream, at))
        ++frames;
    EXPECT_EQ(tag->Frames(), uint32_t(frames));
    EXPECT_EQ(tag->ByteCount(), uint32_t(stream.size()));
    EXPECT_EQ(tag->MusicLength(), uint32_t(stream.size()));
    EXPECT_EQ(tag->EncoderDelay(), 576);
    EXPECT_EQ(tag->EncoderPadding(), frames * 1152 - 576 - n);
    EXPECT_EQ(tag->MusicCrc(),
              TMp3InfoTag::Crc16(stream.data() + infoBytes, stream.size() - infoBytes));
    EXPECT_TRUE(tag->HasToc());

    const QString path = Save(stream, "patched.mp3");
    ASSERT_EQ(DecodeAudioFile(path).frames(), n);
    const int padding = tag->EncoderPadding() + 1000;
    TMp3InfoTag::EditFile(path, [&](TMp3InfoTag& t) {
        EXPECT_FALSE(t.SetEncoderPadding(4096));
        EXPECT_FALSE(t.SetEncoderDelay(-1));
        EXPECT_TRUE(t.SetEncoderPadding(padding));
    });
    const DecodedAudio trimmed = DecodeAudioFile(path);
    EXPECT_EQ(trimmed.frames(), n - 1000);
    EXPECT_EQ(trimmed.complaints, 0);
    const QByteArray bytes = ReadFile(path);
    auto reread = TMp3InfoTag::Parse(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                     size_t(bytes.size()));
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->EncoderPadding(), padding);
    EXPECT_EQ(reread->EncoderDelay(), 576);
    EXPECT_TRUE(reread->TagCrcValid());

    // A stream without the frame is refused, and left as it was.
    const std::vector<uint8_t> bare(stream.begin() + ptrdiff_t(infoBytes), stream.end());
    const QString barePath = Save(bare, "bare.mp3");
    EXPECT_THROW(TMp3InfoTag::EditFile(barePath, [](TMp3InfoTag&) {}), EAudioException);
    EXPECT_EQ(ReadFile(barePath).size(), qsizetype(bare.size()));
}
