// bench_media_decode [FILE...]: how fast TMediaAudioStream decodes and seeks.
// For each file: open time, straight decode speed (x realtime, best of 3), the same decode
// through FFmpeg alone (demux + decode, no conversion) for comparison, the mean time of
// an exact seek plus its first read, and the peak resident memory of the process.
// Without arguments it measures the generated fixtures of the build it sits in.

#include "media/ffmpeg_ptr.h"
#include "media/media_audio_stream.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// Demux and decode with nothing else, as the floor to compare with.
double RawDecodeSeconds(const std::string& path, int64_t& samples) {
    samples = 0;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0)
        return -1;
    ffmpeg::InputFormatPtr input(raw);
    avformat_find_stream_info(input.get(), nullptr);
    const AVCodec* codec = nullptr;
    int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (index < 0)
        return -1;
    for (unsigned i = 0; i < input->nb_streams; ++i)
        if (int(i) != index)
            input->streams[i]->discard = AVDISCARD_ALL;
    ffmpeg::CodecContextPtr decoder(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(decoder.get(), input->streams[index]->codecpar);
    avcodec_open2(decoder.get(), codec, nullptr);
    ffmpeg::PacketPtr packet = ffmpeg::MakePacket();
    ffmpeg::FramePtr frame = ffmpeg::MakeFrame();
    const auto start = Clock::now();
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == index && avcodec_send_packet(decoder.get(), packet.get()) >= 0)
            while (avcodec_receive_frame(decoder.get(), frame.get()) == 0)
                samples += frame->nb_samples;
        av_packet_unref(packet.get());
    }
    return Seconds(start);
}

void Measure(const std::string& path) {
    const std::unique_ptr<TMediaAudioStream> stream = MakeAudioStream(QString::fromStdString(path));
    auto start = Clock::now();
    media::TMediaResult result = stream->Open();
    const double openSeconds = Seconds(start);
    if (result != media::S_OK) {
        std::printf("%s: %s\n", path.c_str(), media::ResultText(result).toUtf8().constData());
        return;
    }
    std::vector<uint8_t> buffer(32768);
    TMediaReadInfo info;
    double best = 1e9;
    int64_t frames = 0;
    for (int round = 0; round < 3; ++round) {
        stream->SeekSample(0);
        frames = 0;
        start = Clock::now();
        while (stream->Read(buffer.data(), uint32_t(buffer.size()), info) == media::S_OK)
            frames += info.frames;
        best = std::min(best, Seconds(start));
    }
    const double audioSeconds = double(frames) / stream->Format().sampleRate;

    int64_t rawSamples = 0;
    double rawBest = 1e9;
    for (int round = 0; round < 3; ++round)
        rawBest = std::min(rawBest, RawDecodeSeconds(path, rawSamples));

    std::mt19937 random(1);
    const int seeks = 20;
    start = Clock::now();
    for (int i = 0; i < seeks; ++i) {
        stream->SeekSample(int64_t(random() % uint64_t(std::max<int64_t>(frames, 1))));
        stream->Read(buffer.data(), 4096, info);
    }
    const double seekMs = Seconds(start) * 1000 / seeks;

    std::printf("%-28s open %6.1f ms  decode %7.1fx realtime (FFmpeg alone %7.1fx)  "
                "seek+read %5.1f ms\n",
                path.substr(path.find_last_of('/') + 1).c_str(), openSeconds * 1000,
                audioSeconds / best, audioSeconds / std::max(rawBest, 1e-9), seekMs);
}

} // namespace

int main(int argc, char** argv) {
    av_log_set_level(AV_LOG_ERROR);
    std::vector<std::string> files(argv + 1, argv + argc);
    if (files.empty()) {
        const std::string dir = std::string(argv[0]).substr(0, std::string(argv[0]).rfind('/'));
        for (const char* name : {"dvd_ac3_stereo.vob", "dvd_ac3_51.vob", "vcd_mp2.dat",
                                 "mono_u8.avi", "two_tracks.mkv", "demo.mpg"})
            files.push_back(dir + "/../fixtures/" + name);
    }
    for (const std::string& file : files)
        Measure(file);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory: %ld KiB\n", usage.ru_maxrss);
    return 0;
}
