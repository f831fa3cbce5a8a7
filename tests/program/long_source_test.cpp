// A source longer than 3 h 20 min (its sound as 48 kHz stereo 16-bit PCM is more than
// 2^31 bytes), made at test time from repeated MP2 frames so it costs seconds: a range near
// its end rips exactly like the same sound near the start of a short file, and the rip's
// memory stays flat.

#include "support/program_run.h"

#include "media/ffmpeg_ptr.h"
#include "support/decoded_audio.h"
#include "support/test_env.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace {

constexpr int kRate = 48000;
constexpr int kFrameSamples = 1152; // one MP2 frame: 24 ms at 48 kHz

// MP2 packets, mono 48 kHz 32 kbit/s: twenty silent frames, then a 1 kHz tone of 5 s,
// then silence, 30 s of frames after the tone's start in all.
struct TPackets {
    std::vector<QByteArray> all;
    int toneFrame = 20;
};

TPackets EncodePackets() {
    TPackets p;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MP2);
    if (!codec)
        return p;
    ffmpeg::CodecContextPtr ctx(avcodec_alloc_context3(codec));
    ctx->sample_rate = kRate;
    ctx->sample_fmt = AV_SAMPLE_FMT_S16;
    av_channel_layout_default(&ctx->ch_layout, 1);
    ctx->bit_rate = 32000;
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0)
        return p;
    ffmpeg::FramePtr frame = ffmpeg::MakeFrame();
    ffmpeg::PacketPtr packet = ffmpeg::MakePacket();
    const int frames = p.toneFrame + 30 * kRate / kFrameSamples;
    int64_t sample = 0;
    auto drain = [&] {
        while (avcodec_receive_packet(ctx.get(), packet.get()) == 0) {
            p.all.emplace_back(reinterpret_cast<const char*>(packet->data), packet->size);
            av_packet_unref(packet.get());
        }
    };
    for (int f = 0; f <= frames + 4; ++f) {
        const bool last = f == frames + 4;
        if (!last) {
            av_frame_unref(frame.get());
            frame->nb_samples = kFrameSamples;
            frame->format = AV_SAMPLE_FMT_S16;
            frame->sample_rate = kRate;
            av_channel_layout_default(&frame->ch_layout, 1);
            if (av_frame_get_buffer(frame.get(), 0) < 0)
                return {};
            auto* s = reinterpret_cast<int16_t*>(frame->data[0]);
            for (int i = 0; i < kFrameSamples; ++i, ++sample) {
                const int64_t t = sample - int64_t(p.toneFrame) * kFrameSamples;
                s[i] = t >= 0 && t < 5 * kRate
                           ? int16_t(12000 * std::sin(2 * M_PI * 1000.0 * double(t) / kRate))
                           : 0;
            }
        }
        if (avcodec_send_frame(ctx.get(), last ? nullptr : frame.get()) < 0)
            return {};
        drain();
    }
    return p;
}

// An MPEG program stream of `count` packets, packet i being `packetAt(i)`.
bool WritePackets(const QString& path, int64_t count,
                  const std::function<const QByteArray&(int64_t)>& packetAt) {
    AVFormatContext* raw = nullptr;
    const QByteArray name = QFile::encodeName(path);
    if (avformat_alloc_output_context2(&raw, nullptr, "mpeg", name.constData()) < 0)
        return false;
    ffmpeg::OutputFormatPtr out(raw);
    AVStream* st = avformat_new_stream(out.get(), nullptr);
    st->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
    st->codecpar->codec_id = AV_CODEC_ID_MP2;
    st->codecpar->sample_rate = kRate;
    av_channel_layout_default(&st->codecpar->ch_layout, 1);
    st->codecpar->bit_rate = 32000;
    st->codecpar->frame_size = kFrameSamples;
    st->time_base = AVRational{1, kRate};
    // No preload: the stream's timeline starts at 0 like the range's.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "preload", "0", 0);
    const bool started = avio_open(&out->pb, name.constData(), AVIO_FLAG_WRITE) >= 0 &&
                         avformat_write_header(out.get(), &options) >= 0;
    av_dict_free(&options);
    if (!started)
        return false;
    ffmpeg::PacketPtr packet = ffmpeg::MakePacket();
    for (int64_t i = 0; i < count; ++i) {
        const QByteArray& data = packetAt(i);
        if (av_new_packet(packet.get(), int(data.size())) < 0)
            return false;
        std::memcpy(packet->data, data.constData(), size_t(data.size()));
        packet->pts = packet->dts =
            av_rescale_q(i * kFrameSamples, AVRational{1, kRate}, st->time_base);
        packet->duration = av_rescale_q(kFrameSamples, AVRational{1, kRate}, st->time_base);
        packet->stream_index = 0;
        if (av_interleaved_write_frame(out.get(), packet.get()) < 0)
            return false;
    }
    return av_write_trailer(out.get()) >= 0;
}

// `silent` copies of a silent packet, then the packets from the fifteenth on (five silent
// ones, then the tone): the tone starts at frame `silent` + 5.
bool WriteSource(const QString& path, const TPackets& p, int64_t silent) {
    return WritePackets(
        path, silent + int64_t(p.all.size()) - 15, [&](int64_t i) -> const auto& {
            return i < silent ? p.all[5] : p.all[size_t(i - silent + 15)];
        });
}

TProgramRun Rip(const QString& source, const QString& output, const char* start, const char* end) {
    return RunSonavel({QStringLiteral("--rip"), source, QStringLiteral("-o"), output,
                       QStringLiteral("--start"), start, QStringLiteral("--end"), end,
                       QStringLiteral("--samplerate"), QStringLiteral("48000"),
                       QStringLiteral("--bitrate"), QStringLiteral("128"), QStringLiteral("--mode"),
                       QStringLiteral("stereo")},
                      {}, 120000);
}

int64_t Onset(const std::vector<int16_t>& s) {
    for (size_t i = 0; i < s.size(); ++i)
        if (std::abs(s[i]) > 3000)
            return int64_t(i / 2);
    return -1;
}

// The user sees the last seconds of a 3 h 20 min source ripped to the sample like any
// other range; the source's size does not show in the rip's memory.
TEST(RipLongSource, RangeNearTheEndLandsExactlyWithFlatMemory) {
    const TPackets packets = EncodePackets();
    ASSERT_GT(packets.all.size(), 1000u) << "no MP2 encoder";
    const QString dir = FreshDir(QStringLiteral("long"));
    // The tone at 12 s in the short file, at 12000 s (3:20:00) in the long one: 500 and
    // 500000 frames of 24 ms; the long one ends 30 s later, its sound as 48 kHz stereo
    // PCM 12030 s * 192000 B/s, more than 2^31 bytes.
    QElapsedTimer clock;
    clock.start();
    const int logLevel = av_log_get_level();
    av_log_set_level(AV_LOG_FATAL); // the muxer's per-packet buffer notes would flood the log
    ASSERT_TRUE(WriteSource(dir + QStringLiteral("/short.mpg"), packets, 500 - 5));
    ASSERT_TRUE(WriteSource(dir + QStringLiteral("/long.mpg"), packets, 500000 - 5));
    av_log_set_level(logLevel);
    const qint64 makeMs = clock.restart();

    const TProgramRun shortRun =
        Rip(dir + QStringLiteral("/short.mpg"), dir + QStringLiteral("/short.mp3"), "7", "22");
    ASSERT_EQ(shortRun.exitCode, 0) << shortRun.err.toStdString();
    clock.restart();
    const TProgramRun longRun = Rip(dir + QStringLiteral("/long.mpg"),
                                    dir + QStringLiteral("/long.mp3"), "3:19:55", "3:20:10");
    const qint64 ripMs = clock.elapsed();
    ASSERT_EQ(longRun.exitCode, 0) << longRun.err.toStdString();
    rusage usage{};
    ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &usage), 0);
    std::printf("long source: made in %lld ms, 15 s ripped in %lld ms, peak RSS %ld kB\n",
                static_cast<long long>(makeMs), static_cast<long long>(ripMs), usage.ru_maxrss);

    const DecodedAudio near = DecodeAudioFile(dir + QStringLiteral("/short.mp3"));
    const DecodedAudio far = DecodeAudioFile(dir + QStringLiteral("/long.mp3"));
    ASSERT_TRUE(near.ok && far.ok) << far.error.toStdString();
    EXPECT_EQ(near.frames(), 15 * kRate);
    EXPECT_EQ(far.frames(), 15 * kRate);
    ASSERT_GE(far.frames(), 10 * kRate);
    // The tone starts 5 s into the range (the codecs' own delay aside), in both.
    const int64_t onset = Onset(far.samples);
    EXPECT_NEAR(double(onset), 5.0 * kRate, 0.05 * kRate);
    EXPECT_NEAR(double(onset), double(Onset(near.samples)), 1.0);
    // The tone's start (4.9 s to 5.3 s of the far rip) sits at the same place in the near
    // one.
    const int64_t from = 49 * kRate / 10, frames = 4 * kRate / 10;
    const std::vector<int16_t> middle(far.samples.begin() + from * 2,
                                      far.samples.begin() + (from + frames) * 2);
    double score = 0;
    EXPECT_EQ(FindBestOffset(near.samples, middle, 2, from - 300, from + 300, &score, frames),
              from);
    EXPECT_GT(score, 0.999);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    // The largest child of this process: both rips, in kB.
    EXPECT_LT(usage.ru_maxrss, 150 * 1024);
#endif
}

// A terminal closed during a long rip (SIGHUP), like Ctrl+C, ends it with a message and
// leaves neither the output nor its temporary file.
TEST(RipLongSource, HangupDuringARipLeavesNothing) {
    const TPackets packets = EncodePackets();
    ASSERT_GT(packets.all.size(), 1000u) << "no MP2 encoder";
    const QString dir = FreshDir(QStringLiteral("hangup"));
    const QString source = dir + QStringLiteral("/long.mpg");
    const int logLevel = av_log_get_level();
    av_log_set_level(AV_LOG_FATAL);
    ASSERT_TRUE(WriteSource(source, packets, 500000 - 5));
    av_log_set_level(logLevel);

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SONAVEL_REGISTRY"), dir + QStringLiteral("/hive/sonavel.reg"));
    program.setProcessEnvironment(env);
    program.start(BinDir() + QStringLiteral("/sonavel"),
                  {QStringLiteral("--rip"), source, QStringLiteral("-o"),
                   dir + QStringLiteral("/out/long.mp3"), QStringLiteral("--quiet")});
    ASSERT_TRUE(program.waitForStarted());
    // Three hours of sound take minutes: the run is surely going once its file is there.
    QElapsedTimer waited;
    waited.start();
    while (FilesIn(dir + QStringLiteral("/out")).isEmpty() && waited.elapsed() < 30000)
        program.waitForFinished(20);
    ASSERT_FALSE(FilesIn(dir + QStringLiteral("/out")).isEmpty());
    ASSERT_EQ(::kill(pid_t(program.processId()), SIGHUP), 0);
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 1);
    EXPECT_TRUE(program.readAllStandardError().contains("interrupted"));
    EXPECT_EQ(FilesIn(dir + QStringLiteral("/out")), QStringList());
}

// A source of more songs than a list may hold (1100 clicks, each 96 ms of the tone and
// 288 ms of silence): --list-pauses and --split-pauses both refuse it before they print or
// rip anything, held to the same limit as a list read by --tracks.
TEST(RipLongSource, MoreSongsThanAListHoldsAreRefusedUpFront) {
    const TPackets packets = EncodePackets();
    ASSERT_GT(packets.all.size(), 1000u) << "no MP2 encoder";
    const QString dir = FreshDir(QStringLiteral("clicks"));
    const QString source = dir + QStringLiteral("/clicks.mpg");
    const int logLevel = av_log_get_level();
    av_log_set_level(AV_LOG_FATAL);
    ASSERT_TRUE(WritePackets(
        source, 1100 * 16, [&](int64_t i) -> const auto& {
            return i % 16 < 4 ? packets.all[size_t(25 + i % 16)] : packets.all[5];
        }));
    av_log_set_level(logLevel);
    const QStringList finder{QStringLiteral("--min-pause"), QStringLiteral("0.2"),
                             QStringLiteral("--min-track"), QStringLiteral("0")};
    const TProgramRun listed =
        RunSonavel(QStringList{QStringLiteral("--list-pauses"), source} + finder, {}, 120000);
    EXPECT_EQ(listed.exitCode, 1);
    EXPECT_TRUE(listed.out.isEmpty()) << listed.out.left(200).toStdString();
    EXPECT_TRUE(listed.err.contains(QStringLiteral("more than 999 tracks")))
        << listed.err.toStdString();
    const QString out = dir + QStringLiteral("/out/");
    const TProgramRun split =
        RunSonavel(QStringList{QStringLiteral("--rip"), source, QStringLiteral("--split-pauses"),
                               QStringLiteral("-o"), out, QStringLiteral("--quiet")} +
                       finder,
                   {}, 120000);
    EXPECT_EQ(split.exitCode, 1);
    EXPECT_TRUE(split.err.contains(QStringLiteral("more than 999 tracks")))
        << split.err.toStdString();
    EXPECT_EQ(FilesIn(out), QStringList());
}

} // namespace
