// Seams between the tracks of a split rip: the tracks, decoded by FFmpeg and joined end to
// end, against the source around each boundary and everywhere else, for several kinds of
// sound, bit rates and amounts of neighbouring sound given to each encoder (the pre- and
// post-roll that the LAME tag declares as delay and padding).
//
// Usage: bench_track_seams [FILE...]
// Without files it makes three 12-second sources of its own (tonal, noisy, speech-like
// with silences); files given (a DVD-like VOB, say) are split as they are.
//
// Figures per source, bit rate and roll, over the seams of 7 tracks: the error energy in
// the 2 ms and the 24 ms around the worst seam, in dB above the median of 2 ms windows
// over the whole join (0 dB: a seam is as good as anywhere; much above the 99th percentile
// of the windows would be audible); the largest sample error within 1 ms of a seam over
// the 99.9th percentile of all sample errors (a click shows as a ratio well above 1); and
// whether the joined length equals the range to the sample.

#include "app/globals.h"
#include "app/output_settings.h"
#include "app/track_run.h"
#include "audio/mp3_out.h"
#include "platform/media/ffmpeg_ptr.h"
#include "platform/media/media_audio_stream.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr int kRate = 48000;
constexpr int kSeconds = 12;

void PutLe(QByteArray& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

// 16-bit stereo WAV of `frames` frames from `sample(channel, n)` in -1..1.
template <class F> bool WriteWav(const QString& path, int64_t frames, F sample) {
    QByteArray data;
    data.reserve(int(frames * 4));
    for (int64_t n = 0; n < frames; ++n)
        for (int c = 0; c < 2; ++c)
            PutLe(data, uint16_t(int16_t(std::lround(std::clamp(sample(c, n), -1.0, 1.0) * 32767))),
                  2);
    QByteArray head("RIFF");
    PutLe(head, uint32_t(36 + data.size()), 4);
    head += "WAVEfmt ";
    PutLe(head, 16, 4);
    PutLe(head, 1, 2);
    PutLe(head, 2, 2);
    PutLe(head, kRate, 4);
    PutLe(head, kRate * 4, 4);
    PutLe(head, 4, 2);
    PutLe(head, 16, 2);
    head += "data";
    PutLe(head, uint32_t(data.size()), 4);
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(head + data) == head.size() + data.size();
}

void MakeSources(const QString& dir, QStringList& paths, QStringList& names) {
    const int64_t frames = int64_t(kSeconds) * kRate;
    const double tau = 2 * M_PI;
    // Sustained tones with a slow swell: where a fresh encoder's smear would show most.
    WriteWav(dir + "/tonal.wav", frames, [&](int c, int64_t n) {
        const double t = double(n) / kRate;
        const double swell = 0.6 + 0.4 * std::sin(tau * 0.3 * t);
        return swell * (0.22 * std::sin(tau * (220 + c) * t) + 0.16 * std::sin(tau * 330.7 * t) +
                        0.10 * std::sin(tau * 1318.5 * t));
    });
    std::mt19937 noise(7);
    std::normal_distribution<double> gauss(0, 0.18);
    double low[2] = {0, 0};
    WriteWav(dir + "/noisy.wav", frames, [&](int c, int64_t) {
        low[c] = 0.7 * low[c] + 0.3 * gauss(noise);
        return low[c] * 1.8;
    });
    // Voiced bursts of 80-300 ms on a wandering pitch, with silences of 60-250 ms between.
    std::mt19937 pick(11);
    std::vector<std::pair<int64_t, int64_t>> bursts;
    std::vector<double> pitch;
    for (int64_t at = kRate / 10; at < frames;) {
        const int64_t length = kRate * (80 + int64_t(pick() % 220)) / 1000;
        bursts.push_back({at, at + length});
        pitch.push_back(110 + double(pick() % 120));
        at += length + kRate * (60 + int64_t(pick() % 190)) / 1000;
    }
    WriteWav(dir + "/speech.wav", frames, [&](int, int64_t n) {
        for (size_t b = 0; b < bursts.size(); ++b) {
            if (n < bursts[b].first || n >= bursts[b].second)
                continue;
            const double t = double(n - bursts[b].first) / kRate;
            const double len = double(bursts[b].second - bursts[b].first) / kRate;
            const double envelope = std::sin(M_PI * t / len);
            double v = 0;
            for (int h = 1; h <= 12; ++h)
                v += std::sin(tau * pitch[b] * h * t) / (h * (h > 3 ? 2.0 : 1.0));
            return 0.25 * envelope * v;
        }
        return 0.0;
    });
    for (const char* name : {"tonal", "noisy", "speech"}) {
        paths << dir + "/" + name + ".wav";
        names << name;
    }
}

// Interleaved stereo as the media layer numbers it (sample 0 at the container's start).
std::vector<float> ReadSource(const QString& path, int64_t& first) {
    std::vector<float> out;
    TMediaAudioStream stream;
    stream.SetOutputFormat(TPcmFormat{kRate, 2, 16});
    if (stream.Open(path) != media::S_OK)
        return out;
    std::vector<uint8_t> block(32768);
    bool start = true;
    for (;;) {
        TMediaReadInfo info;
        if (stream.Read(block.data(), uint32_t(block.size()), info) != media::S_OK)
            break;
        if (start)
            first = info.firstSample, start = false;
        const auto* s = reinterpret_cast<const int16_t*>(block.data());
        for (uint32_t i = 0; i < info.bytes / 2; ++i)
            out.push_back(float(s[i]));
    }
    return out;
}

// An MP3 decoded by FFmpeg (which honours the LAME tag's delay and padding), interleaved
// stereo on the 16-bit scale.
std::vector<float> DecodeMp3(const QString& path) {
    std::vector<float> out;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return out;
    ffmpeg::InputFormatPtr fmt(raw);
    if (avformat_find_stream_info(fmt.get(), nullptr) < 0)
        return out;
    const AVCodec* codec = nullptr;
    const int index = av_find_best_stream(fmt.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (index < 0)
        return out;
    ffmpeg::CodecContextPtr dec(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(dec.get(), fmt->streams[index]->codecpar);
    dec->pkt_timebase = fmt->streams[index]->time_base;
    if (avcodec_open2(dec.get(), codec, nullptr) < 0)
        return out;
    auto pkt = ffmpeg::MakePacket();
    auto frame = ffmpeg::MakeFrame();
    auto drain = [&] {
        while (avcodec_receive_frame(dec.get(), frame.get()) >= 0) {
            const int channels = frame->ch_layout.nb_channels;
            for (int i = 0; i < frame->nb_samples; ++i)
                for (int c = 0; c < 2; ++c) {
                    const int from = std::min(c, channels - 1);
                    const float v =
                        frame->format == AV_SAMPLE_FMT_FLTP
                            ? reinterpret_cast<float*>(frame->extended_data[from])[i]
                            : reinterpret_cast<float*>(frame->data[0])[i * channels + from];
                    out.push_back(v * 32768.0f);
                }
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(fmt.get(), pkt.get()) >= 0) {
        if (pkt->stream_index == index && avcodec_send_packet(dec.get(), pkt.get()) >= 0)
            drain();
        av_packet_unref(pkt.get());
    }
    avcodec_send_packet(dec.get(), nullptr);
    drain();
    return out;
}

struct TSeamFigures {
    double seam2ms = -1e9, seam24ms = -1e9; // worst seam, dB over the median 2 ms window
    double p99 = 0;                         // 99th percentile 2 ms window, same scale
    double click = 0;                       // worst seam peak error / 99.9th percentile
    bool exact = true;
};

double EnergyDb(const std::vector<float>& a, const float* b, int64_t from, int64_t to) {
    double e = 0;
    for (int64_t i = from * 2; i < to * 2; ++i) {
        const double d = double(a[size_t(i)]) - b[i];
        e += d * d;
    }
    return 10 * std::log10(e / double(to - from) + 1e-9);
}

TSeamFigures Measure(const QString& source, const std::vector<int64_t>& bounds, int kbps,
                     int64_t roll, const QString& outDir) {
    TSeamFigures fig;
    TTrackRun run;
    run.Source = source;
    run.SampleRate = kRate;
    run.PreRoll = run.PostRoll = roll;
    run.Configure = [kbps](TMP3Out& out) {
        BitRateFor(kbps, out.BitRate);
        out.Quality = ql2;
        out.Mode = TMP3Mode::JOINT_STEREO;
        out.SampleRate = sr48kHz;
    };
    for (size_t k = 0; k + 1 < bounds.size(); ++k) {
        TTrackJob job;
        job.Start = bounds[k];
        job.End = bounds[k + 1];
        job.FileName = QStringLiteral("%1/%2.mp3").arg(outDir).arg(k + 1);
        job.Track = QStringLiteral("%1/%2").arg(k + 1).arg(bounds.size() - 1);
        run.Jobs.push_back(job);
    }
    QEventLoop loop;
    bool ok = false;
    QObject::connect(&run, &TTrackRun::finished, &loop, [&](bool aborted) {
        ok = !aborted;
        loop.quit();
    });
    QObject::connect(&run, &TTrackRun::failed, &loop, [&](int n, const QString& why) {
        std::fprintf(stderr, "track %d failed: %s\n", n, qPrintable(why));
        loop.quit();
    });
    run.Start();
    loop.exec();
    if (!ok)
        return fig.exact = false, fig;

    std::vector<float> joined;
    std::vector<int64_t> seams;
    for (const TTrackJob& job : run.Jobs) {
        if (!joined.empty())
            seams.push_back(int64_t(joined.size()) / 2);
        const std::vector<float> track = DecodeMp3(job.FileName);
        if (track.empty())
            std::fprintf(stderr, "%s: not decoded (%lld bytes)\n", qPrintable(job.FileName),
                         (long long)QFileInfo(job.FileName).size());
        joined.insert(joined.end(), track.begin(), track.end());
    }
    int64_t first = 0;
    const std::vector<float> reference = ReadSource(source, first);
    auto sampleAt = [](int64_t ticks) { return (ticks * kRate + 9999999) / 10000000; };
    const int64_t from = sampleAt(bounds.front()) - first, to = sampleAt(bounds.back()) - first;
    fig.exact = int64_t(joined.size()) / 2 == to - from;
    if (from < 0 || to * 2 > int64_t(reference.size()) || joined.size() < 4 * 1152) {
        std::fprintf(stderr, "%s: the source or the tracks could not be read (%lld %lld %zu %zu)\n",
                     qPrintable(source), (long long)from, (long long)to, reference.size(),
                     joined.size());
        return fig.exact = false, fig;
    }
    const int64_t frames = std::min<int64_t>(int64_t(joined.size()) / 2, to - from);
    const float* ref = reference.data() + from * 2;

    std::vector<double> windows;
    for (int64_t w = 1152; w + 96 < frames - 1152; w += 96)
        windows.push_back(EnergyDb(joined, ref, w, w + 96));
    std::sort(windows.begin(), windows.end());
    const double median = windows[windows.size() / 2];
    fig.p99 = windows[windows.size() * 99 / 100] - median;
    std::vector<float> errors;
    for (int64_t i = 0; i < frames * 2; ++i)
        errors.push_back(std::abs(joined[size_t(i)] - ref[i]));
    std::vector<float> sorted = errors;
    std::sort(sorted.begin(), sorted.end());
    const double p999 = std::max(1.0f, sorted[sorted.size() * 999 / 1000]);
    for (int64_t s : seams) {
        fig.seam2ms = std::max(fig.seam2ms, EnergyDb(joined, ref, s - 48, s + 48) - median);
        fig.seam24ms = std::max(fig.seam24ms, EnergyDb(joined, ref, s - 576, s + 576) - median);
        float peak = 0;
        for (int64_t i = (s - 48) * 2; i < (s + 48) * 2; ++i)
            peak = std::max(peak, errors[size_t(i)]);
        fig.click = std::max(fig.click, peak / p999);
    }
    return fig;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    FillBitrateTable();
    QTemporaryDir dir;
    QStringList paths, names;
    for (int i = 1; i < argc; ++i) {
        paths << QString::fromLocal8Bit(argv[i]);
        names << QFileInfo(paths.last()).fileName();
    }
    if (paths.isEmpty())
        MakeSources(dir.path(), paths, names);
    // Seven tracks over [0.5 s, 9.5 s), cut at uneven points.
    const std::vector<int64_t> bounds = {5000000,  19371000, 32003000, 48123000,
                                         61111000, 77777000, 84321000, 95000000};
    std::printf("%-18s %5s %5s %10s %10s %8s %7s %6s\n", "source", "kbps", "roll", "seam 2ms",
                "seam 24ms", "p99 2ms", "click", "exact");
    for (int s = 0; s < paths.size(); ++s)
        for (int kbps : {128, 192, 320})
            for (int64_t roll : {0, 576, 1152, 2048}) {
                const QString out = dir.path() + QStringLiteral("/out");
                QDir(out).removeRecursively();
                QDir().mkpath(out);
                const TSeamFigures f = Measure(paths[s], bounds, kbps, roll, out);
                std::printf("%-18s %5d %5lld %+9.1f %+10.1f %+8.1f %7.2f %6s\n",
                            qPrintable(names[s]), kbps, (long long)roll, f.seam2ms, f.seam24ms,
                            f.p99, f.click, f.exact ? "yes" : "NO");
                std::fflush(stdout);
            }
    return 0;
}
