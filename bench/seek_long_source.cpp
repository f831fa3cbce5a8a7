// bench_seek_long_source [DIR] [MINUTES]: how long finding the start of a rip's range takes
// in a long DVD-like source, and on which thread.
//
// Makes, once, into DIR (default /tmp/sonavel-seek-bench; kept for reruns) program streams of
// MINUTES (default 120) from repeated pictures and sound encoded with FFmpeg's libraries:
//   ac3.vob     MPEG-2 720x576 4 Mbit/s + AC-3 stereo 192 kbit/s;
//   lpcm16.vob  the same pictures + 16-bit stereo LPCM packed by FFmpeg's muxer, whose
//               packet headers cannot place a packet to the sample: seeks count the packets
//               from the start of the file.
// For ranges starting at 10 %, 50 % and 95 % of each: the time SetStartTime takes on the
// calling thread (the window's), the time of the first Read after it (the run's worker:
// the seek itself), the time of decoding from the start up to the range through the same
// stream (what a seek that fell back to the start cost before it could count packets), and
// as the peer FFmpeg alone demuxing (what counting packets costs at least) and demuxing and
// decoding from the start up to the same point. Each file is read through once first, so
// that every figure sees the same page cache.
// Wall time and CPU time (user + system) of this process; the machine's load is printed.

#include "audio/pipeline/audio_file_reader.h"
#include "media/ffmpeg_ptr.h"
#include "media/media_audio_stream.h"

#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFps = 25;
constexpr int kGop = 12;
constexpr int kRate = 48000;

struct TCost {
    double wall = 0, cpu = 0;
};

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

TCost Measure(const std::function<void()>& work) {
    const auto start = Clock::now();
    const double cpu = CpuSeconds();
    work();
    return {std::chrono::duration<double>(Clock::now() - start).count(), CpuSeconds() - cpu};
}

void Check(int result, const char* what) {
    if (result < 0)
        throw std::runtime_error(std::string(what) + ": " +
                                 ffmpeg::ErrorText(result).toStdString());
}

struct TStream {
    ffmpeg::CodecContextPtr context;
    std::vector<ffmpeg::PacketPtr> packets; // one repeat, in decode order
    int64_t repeatTicks = 0;                // length of one repeat in the context's time base
};

void Drain(AVCodecContext* c, AVFrame* frame, TStream& out) {
    Check(avcodec_send_frame(c, frame), "send frame");
    for (;;) {
        ffmpeg::PacketPtr p = ffmpeg::MakePacket();
        const int r = avcodec_receive_packet(c, p.get());
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
            return;
        Check(r, "receive packet");
        out.packets.push_back(std::move(p));
    }
}

// One GOP of busy pictures (noise and a moving bar, so the rate is a film's); without
// B-pictures it can be repeated as it is.
TStream Pictures() {
    TStream s;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG2VIDEO);
    s.context.reset(avcodec_alloc_context3(codec));
    AVCodecContext* c = s.context.get();
    c->width = 720;
    c->height = 576;
    c->time_base = {1, kFps};
    c->framerate = {kFps, 1};
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->gop_size = kGop;
    c->max_b_frames = 0;
    c->bit_rate = 4'000'000;
    c->rc_max_rate = 9'000'000;
    c->rc_buffer_size = 224 * 1024 * 8;
    Check(avcodec_open2(c, codec, nullptr), "open video encoder");
    ffmpeg::FramePtr f = ffmpeg::MakeFrame();
    f->format = c->pix_fmt;
    f->width = c->width;
    f->height = c->height;
    Check(av_frame_get_buffer(f.get(), 0), "picture buffer");
    std::mt19937 random(7);
    for (int i = 0; i < kGop; ++i) {
        Check(av_frame_make_writable(f.get()), "writable");
        for (int y = 0; y < c->height; ++y)
            for (int x = 0; x < c->width; ++x)
                f->data[0][y * f->linesize[0] + x] =
                    uint8_t((x / 8 + i * 9) % 64 == 0 ? 235 : 96 + (x + y) % 32 + random() % 5);
        for (int p = 1; p < 3; ++p)
            for (int y = 0; y < c->height / 2; ++y)
                for (int x = 0; x < c->width / 2; ++x)
                    f->data[p][y * f->linesize[p] + x] = uint8_t(120 + random() % 8);
        f->pts = i;
        Drain(c, f.get(), s);
    }
    Drain(c, nullptr, s);
    s.repeatTicks = kGop;
    return s;
}

// Four seconds of a tone over noise with a pause, encoded with `id` (AC-3 or LPCM).
TStream Sound(AVCodecID id) {
    TStream s;
    const AVCodec* codec = avcodec_find_encoder(id);
    s.context.reset(avcodec_alloc_context3(codec));
    AVCodecContext* c = s.context.get();
    c->sample_rate = kRate;
    av_channel_layout_default(&c->ch_layout, 2);
    c->sample_fmt = codec->sample_fmts[0];
    c->bit_rate = 192'000;
    c->time_base = {1, kRate};
    Check(avcodec_open2(c, codec, nullptr), "open audio encoder");
    const int perFrame = c->frame_size > 0 ? c->frame_size : 1024;
    const int64_t total = int64_t(4 * kRate) / perFrame * perFrame;
    ffmpeg::FramePtr f = ffmpeg::MakeFrame();
    f->format = c->sample_fmt;
    f->sample_rate = kRate;
    f->nb_samples = perFrame;
    Check(av_channel_layout_copy(&f->ch_layout, &c->ch_layout), "layout");
    Check(av_frame_get_buffer(f.get(), 0), "sound buffer");
    std::mt19937 random(3);
    for (int64_t at = 0; at < total; at += perFrame) {
        Check(av_frame_make_writable(f.get()), "writable");
        for (int i = 0; i < perFrame; ++i)
            for (int ch = 0; ch < 2; ++ch) {
                const double t = double(at + i) / kRate;
                const double v = (std::fmod(t, 1.0) < 0.75 ? 1.0 : 0.0) *
                                 (0.3 * std::sin(2 * M_PI * 330 * (ch + 1) * t) +
                                  0.1 * (double(random() % 2001) / 1000.0 - 1.0));
                const auto q = int16_t(std::lround(v * 32767));
                if (c->sample_fmt == AV_SAMPLE_FMT_FLTP)
                    reinterpret_cast<float*>(f->data[ch])[i] = float(v);
                else
                    reinterpret_cast<int16_t*>(f->data[0])[i * 2 + ch] = q;
            }
        f->pts = at;
        Drain(c, f.get(), s);
    }
    Drain(c, nullptr, s);
    s.repeatTicks = total;
    return s;
}

// `seconds` of the repeated streams into `path`, with FFmpeg's DVD muxer.
void Mux(const std::string& path, const std::vector<const TStream*>& streams, double seconds) {
    AVFormatContext* raw = nullptr;
    Check(avformat_alloc_output_context2(&raw, nullptr, "dvd", path.c_str()), "muxer");
    ffmpeg::OutputFormatPtr out(raw);
    for (const TStream* s : streams) {
        AVStream* st = avformat_new_stream(out.get(), nullptr);
        Check(avcodec_parameters_from_context(st->codecpar, s->context.get()), "parameters");
        st->time_base = s->context->time_base;
    }
    Check(avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE), "open output");
    AVDictionary* options = nullptr;
    av_dict_set(&options, "muxrate", "10080000", 0);
    Check(avformat_write_header(out.get(), &options), "header");
    av_dict_free(&options);
    std::vector<size_t> next(streams.size(), 0);
    std::vector<int64_t> repeat(streams.size(), 0);
    for (;;) {
        // The stream whose next packet comes first.
        int best = -1;
        int64_t bestTs = 0;
        for (size_t i = 0; i < streams.size(); ++i) {
            const TStream& s = *streams[i];
            const AVPacket* p = s.packets[next[i]].get();
            const int64_t ts = p->dts + repeat[i] * s.repeatTicks;
            const AVRational tb = s.context->time_base;
            if (double(ts) * tb.num / tb.den >= seconds)
                continue;
            if (best < 0 ||
                av_compare_ts(ts, tb, bestTs, streams[size_t(best)]->context->time_base) < 0) {
                best = int(i);
                bestTs = ts;
            }
        }
        if (best < 0)
            break;
        const TStream& s = *streams[size_t(best)];
        ffmpeg::PacketPtr p(av_packet_clone(s.packets[next[size_t(best)]].get()));
        const int64_t shift = repeat[size_t(best)] * s.repeatTicks;
        p->pts += shift;
        p->dts += shift;
        p->stream_index = best;
        av_packet_rescale_ts(p.get(), s.context->time_base, out->streams[best]->time_base);
        Check(av_interleaved_write_frame(out.get(), p.get()), "write");
        if (++next[size_t(best)] == s.packets.size()) {
            next[size_t(best)] = 0;
            ++repeat[size_t(best)];
        }
    }
    Check(av_write_trailer(out.get()), "trailer");
}

// FFmpeg alone: demux (and decode, unless `demuxOnly`) from the start until `seconds` of
// sound, counted in packets' durations when only demuxing.
void DecodeUpTo(const std::string& path, double seconds, bool demuxOnly = false) {
    AVFormatContext* raw = nullptr;
    Check(avformat_open_input(&raw, path.c_str(), nullptr, nullptr), "open");
    ffmpeg::InputFormatPtr in(raw);
    Check(avformat_find_stream_info(in.get(), nullptr), "stream info");
    const AVCodec* codec = nullptr;
    const int index = av_find_best_stream(in.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    Check(index, "audio stream");
    for (unsigned i = 0; i < in->nb_streams; ++i)
        if (int(i) != index)
            in->streams[i]->discard = AVDISCARD_ALL;
    ffmpeg::CodecContextPtr decoder(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(decoder.get(), in->streams[index]->codecpar);
    Check(avcodec_open2(decoder.get(), codec, nullptr), "decoder");
    ffmpeg::PacketPtr packet = ffmpeg::MakePacket();
    ffmpeg::FramePtr frame = ffmpeg::MakeFrame();
    int64_t samples = 0;
    const int64_t wanted = int64_t(seconds * kRate);
    const AVRational tb = in->streams[index]->time_base;
    while (samples < wanted && av_read_frame(in.get(), packet.get()) >= 0) {
        if (packet->stream_index == index && demuxOnly)
            samples += av_rescale_q(packet->duration, tb, {1, kRate});
        else if (packet->stream_index == index &&
                 avcodec_send_packet(decoder.get(), packet.get()) >= 0)
            while (avcodec_receive_frame(decoder.get(), frame.get()) == 0)
                samples += frame->nb_samples;
        av_packet_unref(packet.get());
    }
}

// The program's own stream: open and read from the start until `seconds` of sound.
void StreamUpTo(const std::string& path, double seconds) {
    const std::unique_ptr<TMediaAudioStream> stream = MakeAudioStream(QString::fromStdString(path));
    if (stream->Open() != media::S_OK)
        throw std::runtime_error("cannot open " + path);
    const int64_t wanted = stream->TimeToSample(TMediaTime::FromSeconds(seconds));
    std::vector<uint8_t> block(32768);
    TMediaReadInfo info;
    while (stream->NextSample() < wanted &&
           stream->Read(block.data(), uint32_t(block.size()), info) == media::S_OK) {
    }
}

void Report(const char* what, const TCost& c) {
    std::printf("  %-34s %9.3f s wall %9.3f s cpu\n", what, c.wall, c.cpu);
}

} // namespace

int main(int argc, char** argv) {
    av_log_set_level(AV_LOG_ERROR);
    const std::string dir = argc > 1 ? argv[1] : "/tmp/sonavel-seek-bench";
    const double minutes = argc > 2 ? std::atof(argv[2]) : 120.0;
    const double seconds = minutes * 60;
    std::filesystem::create_directories(dir);
    const std::string ac3 = dir + "/ac3.vob", lpcm = dir + "/lpcm16.vob";
    try {
        if (!std::filesystem::exists(lpcm)) {
            std::printf("making %.0f-minute sources in %s ...\n", minutes, dir.c_str());
            std::fflush(stdout);
            const TStream video = Pictures();
            const TStream sound = Sound(AV_CODEC_ID_AC3);
            Mux(ac3, {&video, &sound}, seconds);
            const TStream pcm = Sound(AV_CODEC_ID_PCM_DVD);
            Mux(lpcm, {&video, &pcm}, seconds);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_seek_long_source: %s\n", e.what());
        return 1;
    }
    if (FILE* load = std::fopen("/proc/loadavg", "r")) {
        char text[128] = {};
        if (std::fgets(text, sizeof text, load))
            std::printf("load average: %s", text);
        std::fclose(load);
    }
    for (const std::string& path : {ac3, lpcm}) {
        std::printf("%s (%.2f GB)\n", path.c_str(), double(std::filesystem::file_size(path)) / 1e9);
        // Every figure from the same page cache: the file is read through once first.
        Report("reading the whole file", Measure([&] {
                   std::vector<char> chunk(1 << 20);
                   FILE* f = std::fopen(path.c_str(), "rb");
                   while (f && std::fread(chunk.data(), 1, chunk.size(), f) == chunk.size()) {
                   }
                   if (f)
                       std::fclose(f);
               }));
        for (double fraction : {0.10, 0.50, 0.95}) {
            const double at = fraction * seconds;
            std::printf(" range from %.0f s:\n", at);
            try {
                TAudioFileReader* reader = nullptr;
                Report("open the source", Measure([&] {
                           reader = new TAudioFileReader(QString::fromStdString(path));
                       }));
                Report("SetStartTime (calling thread)",
                       Measure([&] { reader->SetStartTime(TMediaTime::FromSeconds(at)); }));
                std::vector<uint8_t> block(32768);
                Report("first Read (worker: the seek)",
                       Measure([&] { reader->Read(block.data(), int(block.size())); }));
                delete reader;
            } catch (const std::exception& e) {
                std::printf("  failed: %s\n", e.what());
            }
            Report("decoding from the start (stream)", Measure([&] { StreamUpTo(path, at); }));
            Report("FFmpeg demuxing from the start", Measure([&] { DecodeUpTo(path, at, true); }));
            Report("FFmpeg decoding from the start", Measure([&] { DecodeUpTo(path, at); }));
        }
    }
    return 0;
}
