// The generated fixtures hold what tests/fixtures/README.md promises: the containers and
// codecs, the sound at the documented place to the sample, the silent gaps, and the frame
// index in every picture. Other tests rely on all of this.

#include "support/decoded_audio.h"
#include "support/fixture_signal.h"
#include "support/test_env.h"

#include "media/ffmpeg_ptr.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace fs = fixture_signal;

namespace {

struct TAudioCase {
    const char* file;
    int stream; // FFmpeg stream index, -1 for the best audio stream
    fs::TSignal signal;
    int rate;
    int codecDelay; // decoded samples before the source's first sample
    const char* codec;
};

// AC-3 starts 256 samples and MP2 481 samples before the source, as their encoders pad.
const TAudioCase kAudioCases[] = {
    {"dvd_ac3_stereo.vob", -1, fs::kDvdStereo, fs::kDvdRate, 256, "ac3"},
    {"dvd_ac3_51.vob", -1, fs::kDvd51, fs::kDvdRate, 256, "ac3"},
    {"vcd_mp2.mpg", -1, fs::kVcd, fs::kVcdRate, 481, "mp2"},
    {"vcd_mp2.dat", -1, fs::kVcd, fs::kVcdRate, 481, "mp2"},
    {"mono_u8.avi", -1, fs::kMonoU8, fs::kMonoRate, 0, "pcm_u8"},
    {"offset_ts.mpg", -1, fs::kOffsetTs, fs::kDvdRate, 481, "mp2"},
    {"two_tracks.vob", 2, fs::kTrackEng, fs::kDvdRate, 256, "ac3"},
    {"two_tracks.vob", 3, fs::kTrackFra, fs::kDvdRate, 256, "ac3"},
    {"two_tracks.mkv", 1, fs::kTrackEng, fs::kDvdRate, 256, "ac3"},
    {"two_tracks.mkv", 2, fs::kTrackFra, fs::kDvdRate, 256, "ac3"},
    {"short.mpg", -1, fs::kShort, fs::kDvdRate, 481, "mp2"},
    {"dvd_lpcm16.vob", -1, fs::kLpcm16, fs::kDvdRate, 0, "pcm_dvd"},
    {"dvd_lpcm24_mono.vob", -1, fs::kLpcm24Mono, fs::kDvdRate, 0, "pcm_dvd"},
    {"dvd_lpcm20_51.vob", -1, fs::kLpcm20Surround, fs::kDvdRate, 0, "pcm_dvd"},
    {"dvd_lpcm24.vob", -1, fs::kLpcm24, fs::kDvdRate, 0, "pcm_dvd"},
    {"pcm24.mkv", -1, fs::kPcm24Mkv, fs::kPcm24MkvRate, 0, "pcm_s24le"},
    {"dvd_title_a.mpg", 2, fs::kTitleAEng, fs::kDvdRate, 256, "ac3"},
    {"dvd_title_a.mpg", 3, fs::kTitleAFra, fs::kDvdRate, 256, "ac3"},
    {"dvd_title_b.mpg", 3, fs::kTitleBFra, fs::kDvdRate, 256, "ac3"},
    {"dvd_title_lpcm.mpg", 2, fs::kTitleLpcm, fs::kDvdRate, 0, "pcm_dvd"},
    {"dvd_title_a2.mpg", 2, fs::kTitleAFra, fs::kDvdRate, 256, "ac3"},
    {"dvd_title_a2.mpg", 3, fs::kTitleAEng, fs::kDvdRate, 256, "ac3"},
    {"dvd_title_mp2.mpg", 2, fs::kTitleMp2, fs::kDvdRate, 481, "mp2"},
    {"dvd_title_lead.mpg", 2, fs::kTitleLead, fs::kDvdRate, 256, "ac3"},
    {"dvd_concert.mpg", 2, fs::kConcert, fs::kDvdRate, 256, "ac3"},
};

double Rms(const std::vector<int16_t>& s, int channels, int64_t first, int64_t count) {
    double sum = 0;
    for (int64_t i = first * channels; i < (first + count) * channels; ++i)
        sum += double(s[size_t(i)]) * s[size_t(i)];
    return std::sqrt(sum / double(count * channels));
}

// Frame indices read from every decoded picture of the best video stream, in display order.
std::vector<int> ReadFrameIndices(const QString& path) {
    std::vector<int> indices;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return indices;
    ffmpeg::InputFormatPtr input(raw);
    if (avformat_find_stream_info(input.get(), nullptr) < 0)
        return indices;
    const AVCodec* codec = nullptr;
    int stream = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (stream < 0)
        return indices;
    ffmpeg::CodecContextPtr decoder(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(decoder.get(), input->streams[stream]->codecpar);
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return indices;
    ffmpeg::PacketPtr packet = ffmpeg::MakePacket();
    ffmpeg::FramePtr frame = ffmpeg::MakeFrame();
    auto drain = [&] {
        while (avcodec_receive_frame(decoder.get(), frame.get()) == 0)
            indices.push_back(fs::DecodeFrameIndex(frame->data[0], frame->linesize[0], frame->width,
                                                   frame->height));
    };
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == stream) {
            avcodec_send_packet(decoder.get(), packet.get());
            drain();
        }
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(decoder.get(), nullptr);
    drain();
    return indices;
}

} // namespace

TEST(FixtureCheck, SoundSitsWhereTheSignalDescriptionSays) {
    for (const TAudioCase& c : kAudioCases) {
        SCOPED_TRACE(c.file + std::string(" stream ") + std::to_string(c.stream));
        DecodedAudio decoded = DecodeAudioFile(FixturePath(c.file), c.stream);
        ASSERT_TRUE(decoded.ok) << decoded.error.toStdString();
        EXPECT_EQ(decoded.codecName.toStdString(), c.codec);
        EXPECT_EQ(decoded.sampleRate, c.rate);
        ASSERT_EQ(decoded.channels, c.signal.channels);

        // A stretch of the loud part of second 0 (short.mpg has no second 1) or second 2.
        const int64_t at = (std::string(c.file) == "short.mpg" ? 0 : 2 * c.rate) + c.rate / 10;
        const int64_t len = c.rate / 10;
        std::vector<int16_t> needle = fs::SourceS16(c.signal, c.rate, at, len);
        double score = 0;
        int64_t found = FindBestOffset(decoded.samples, needle, c.signal.channels, at - 2000,
                                       at + c.codecDelay + 300, &score, len);
        EXPECT_EQ(found, at + c.codecDelay);
        EXPECT_GT(score, 0.9);
    }
}

TEST(FixtureCheck, GapsAreSilentAndSegmentsLoud) {
    for (const char* file : {"dvd_ac3_stereo.vob", "vcd_mp2.dat", "mono_u8.avi"}) {
        SCOPED_TRACE(file);
        DecodedAudio decoded = DecodeAudioFile(FixturePath(file));
        ASSERT_TRUE(decoded.ok);
        const int rate = decoded.sampleRate;
        for (int second = 0; second < 5; ++second) {
            // Decoded sample index of source time t is t * rate plus the codec delay; a
            // margin of 20 ms covers that delay here.
            int64_t gap = int64_t((second + 0.80) * rate);
            int64_t loud = int64_t((second + 0.30) * rate);
            double quiet = Rms(decoded.samples, decoded.channels, gap, rate / 10);
            double sound = Rms(decoded.samples, decoded.channels, loud, rate / 10);
            EXPECT_LT(quiet, 200) << "second " << second;
            EXPECT_GT(sound, 3000) << "second " << second;
            EXPECT_TRUE(fs::IsSilentAt(second + 0.85));
            EXPECT_TRUE(fs::IsLoudAt(second + 0.35));
        }
    }
}

TEST(FixtureCheck, TwoTracksAreTellApart) {
    DecodedAudio fra = DecodeAudioFile(FixturePath("two_tracks.vob"), 3);
    ASSERT_TRUE(fra.ok);
    const int64_t at = 3 * fs::kDvdRate + 4800;
    double own = 0, other = 0;
    FindBestOffset(fra.samples, fs::SourceS16(fs::kTrackFra, fs::kDvdRate, at, 4800), 2, at + 256,
                   at + 256, &own, 4800);
    FindBestOffset(fra.samples, fs::SourceS16(fs::kTrackEng, fs::kDvdRate, at, 4800), 2, at + 256,
                   at + 256, &other, 4800);
    EXPECT_GT(own, 0.9);
    EXPECT_LT(std::abs(other), 0.3);
}

TEST(FixtureCheck, ContainersAndTimestamps) {
    struct TExpect {
        const char* file;
        const char* format;
        int audioStreams;
        double minStart, maxStart;
    };
    const TExpect cases[] = {
        {"dvd_ac3_stereo.vob", "mpeg", 1, 0.4, 0.7},
        {"dvd_ac3_51.vob", "mpeg", 1, 0.4, 0.7},
        {"vcd_mp2.mpg", "mpeg", 1, 0.3, 0.7},
        {"vcd_mp2.dat", "mpeg", 1, 0.3, 0.7},
        {"mono_u8.avi", "avi", 1, 0.0, 0.0},
        {"offset_ts.mpg", "mpeg", 1, 9.9, 10.7},
        {"two_tracks.vob", "mpeg", 2, 0.4, 0.7},
        {"two_tracks.mkv", "matroska,webm", 2, 0, 0},
        {"short.mpg", "mpeg", 1, 0.4, 0.7},
        {"no_audio.mpg", "mpeg", 0, 0.4, 0.7},
        {"demo.mpg", "mpeg", 1, 0.4, 0.7},
        {"dvd_lpcm16.vob", "mpeg", 1, 0.4, 0.7},
        {"dvd_lpcm24_mono.vob", "mpeg", 1, 0.4, 0.7},
        {"dvd_lpcm20_51.vob", "mpeg", 1, 0.4, 0.7},
        {"dvd_lpcm24.vob", "mpeg", 1, 0.4, 0.7},
    };
    for (const TExpect& e : cases) {
        SCOPED_TRACE(e.file);
        AVFormatContext* raw = nullptr;
        ASSERT_GE(
            avformat_open_input(&raw, FixturePath(e.file).toUtf8().constData(), nullptr, nullptr),
            0);
        ffmpeg::InputFormatPtr input(raw);
        ASSERT_GE(avformat_find_stream_info(input.get(), nullptr), 0);
        EXPECT_STREQ(input->iformat->name, e.format);
        int audio = 0;
        for (unsigned i = 0; i < input->nb_streams; ++i)
            audio += input->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO;
        EXPECT_EQ(audio, e.audioStreams);
        double start = double(input->start_time) / AV_TIME_BASE;
        EXPECT_GE(start, e.minStart);
        EXPECT_LE(start, e.maxStart);
        if (std::string(e.file) == "two_tracks.mkv") {
            auto lang = [&](int s) {
                AVDictionaryEntry* t =
                    av_dict_get(input->streams[s]->metadata, "language", nullptr, 0);
                return std::string(t ? t->value : "");
            };
            EXPECT_EQ(lang(1), "eng");
            EXPECT_EQ(lang(2), "fra");
        }
    }
    DecodedAudio shortAudio = DecodeAudioFile(FixturePath("short.mpg"));
    EXPECT_LT(double(shortAudio.frames()) / shortAudio.sampleRate, 1.0);
}

TEST(FixtureCheck, TheDvdSourcesLineUpAsTheirDiscsNeed) {
    // The second angle is packed as the first, pack for pack: only the sounds differ.
    const QByteArray first = ReadFile(FixturePath("dvd_title_a.mpg"));
    const QByteArray second = ReadFile(FixturePath("dvd_title_a2.mpg"));
    ASSERT_EQ(first.size(), second.size());
    ASSERT_EQ(first.size() % 2048, 0);
    for (qsizetype pack = 0; pack < first.size(); pack += 2048)
        ASSERT_EQ(first[pack + 17], second[pack + 17]) << "pack " << pack / 2048;
    // The sound starts before the first picture: its source sample 0 plays kPictureLead
    // ahead of it, the encoder's padding before that.
    AVFormatContext* raw = nullptr;
    ASSERT_GE(avformat_open_input(&raw, FixturePath("dvd_title_lead.mpg").toUtf8().constData(),
                                  nullptr, nullptr),
              0);
    ffmpeg::InputFormatPtr input(raw);
    ASSERT_GE(avformat_find_stream_info(input.get(), nullptr), 0);
    int64_t video = 0, audio = 0;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVStream* stream = input->streams[i];
        const int64_t start = av_rescale_q(stream->start_time, stream->time_base, {1, 90000});
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            video = start;
        else if (stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
            audio = start;
    }
    EXPECT_EQ(video - audio, std::llround((fs::kPictureLead + 256.0 / fs::kDvdRate) * 90000));

    // The LPCM source's packets point at the access unit their timestamp is for, as DVD
    // authoring writes them, so a read from the middle of it places its sound.
    const QByteArray lpcm = ReadFile(FixturePath("dvd_title_lpcm.mpg"));
    int64_t payload = 0, firstPts = -1;
    int stamped = 0;
    for (qsizetype pack = 0; pack + 2048 <= lpcm.size(); pack += 2048) {
        const auto* s = reinterpret_cast<const uint8_t*>(lpcm.constData() + pack);
        int pos = 14 + (s[13] & 0x07);
        while (pos + 9 <= 2048 && s[pos] == 0 && s[pos + 1] == 0 && s[pos + 2] == 1 &&
               s[pos + 3] != 0xBA) {
            const int end = pos + 6 + ((s[pos + 4] << 8) | s[pos + 5]);
            const int sub = pos + 9 + s[pos + 8];
            if (end > 2048)
                break;
            if (s[pos + 3] == 0xBD && sub + 7 <= end && (s[sub] & 0xF8) == 0xA0) {
                if (s[pos + 7] & 0x80) {
                    const uint8_t* t = s + pos + 9;
                    const int64_t pts = (int64_t((t[0] >> 1) & 0x07) << 30) |
                                        (int64_t(t[1]) << 22) | (int64_t(t[2] >> 1) << 15) |
                                        (int64_t(t[3]) << 7) | (t[4] >> 1);
                    if (firstPts < 0)
                        firstPts = pts;
                    const int pointer = (s[sub + 2] << 8) | s[sub + 3];
                    EXPECT_GE(s[sub + 1], 1) << "pack " << pack / 2048;
                    // 16-bit stereo: 4 bytes a frame; the pointer counts 3 header bytes.
                    EXPECT_EQ((payload + pointer - 4) / 4,
                              std::llround(double(pts - firstPts) * fs::kDvdRate / 90000))
                        << "pack " << pack / 2048;
                    ++stamped;
                }
                payload += end - (sub + 7);
            }
            pos = end;
        }
    }
    EXPECT_GT(stamped, 100);
}

TEST(FixtureCheck, EveryPictureCarriesItsFrameIndex) {
    struct TExpect {
        const char* file;
        int frames;
    };
    const TExpect cases[] = {{"dvd_ac3_stereo.vob", 250}, {"vcd_mp2.dat", 250},
                             {"mono_u8.avi", 150},        {"offset_ts.mpg", 150},
                             {"short.mpg", 15},           {"no_audio.mpg", 75},
                             {"dvd_lpcm20_51.vob", 250}};
    for (const TExpect& e : cases) {
        SCOPED_TRACE(e.file);
        std::vector<int> indices = ReadFrameIndices(FixturePath(e.file));
        ASSERT_EQ(int(indices.size()), e.frames);
        for (int i = 0; i < e.frames; ++i)
            ASSERT_EQ(indices[size_t(i)], i) << "picture " << i;
    }
}

TEST(FixtureCheck, FrameIndexDecoderRejectsPicturesWithoutBlocks) {
    std::vector<uint8_t> grey(352 * 288, 128);
    EXPECT_EQ(fs::DecodeFrameIndex(grey.data(), 352, 352, 288), -1);
    EXPECT_EQ(fs::DecodeFrameIndex(grey.data(), 352, 100, 50), -1);
}
