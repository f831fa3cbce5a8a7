// Joins between the tracks of a split rip against the single-file rip of the same range:
// the tracks, decoded by FFmpeg and joined end to end, and the single file, each against
// the source, in 20 ms windows around every join. A join is as clean as the inside when
// its window's error energy is no more than the single rip's there (0 dB; within 1 dB is
// the goal). For several kinds of sound, constant and variable bit rates, one thread and
// several (the tracks then cut into segments, whose seams are measured the same way); Opus
// beside MP3 (each track its own encoder, which heard its neighbours' sound: the joins are
// its pre-skip and its last granule position).
//
// Usage: bench_track_seams [--setting NAME] [FILE...]
// Without files it makes three 12-second sources of its own (tonal, noisy, speech-like
// with silences); files given (a DVD-like VOB, say) are split as they are.
//
// Figures per source, setting and thread count, over the joins of 7 tracks: the worst and
// the mean join window in dB over the single rip's same window, and the 99th percentile of
// the same figure over every window away from the joins (how far encoders that started
// elsewhere differ anyway); the largest sample error
// within 1 ms of a join over the single rip's there (a click shows well above 1); and
// whether the joined length equals the range to the sample.

#include "app/globals.h"
#include "app/output_settings.h"
#include "audio/pipeline/stream_audio_in.h"
#include "audio/rip/mp3_out.h"
#include "media/ffmpeg_ptr.h"
#include "media/media_audio_stream.h"

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
#include <thread>
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
    const std::unique_ptr<TMediaAudioStream> stream = MakeAudioStream(path);
    stream->SetOutputFormat(TPcmFormat{kRate, 2, 16});
    if (stream->Open() != media::S_OK)
        return out;
    std::vector<uint8_t> block(32768);
    bool start = true;
    for (;;) {
        TMediaReadInfo info;
        if (stream->Read(block.data(), uint32_t(block.size()), info) != media::S_OK)
            break;
        if (start)
            first = info.firstSample, start = false;
        const auto* s = reinterpret_cast<const int16_t*>(block.data());
        for (uint32_t i = 0; i < info.bytes / 2; ++i)
            out.push_back(float(s[i]));
    }
    return out;
}

// An MP3 (or Opus) decoded by FFmpeg (which honours the LAME tag's delay and padding, Opus's
// pre-skip and end), interleaved
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
    double worst = -1e9, mean = 0; // join windows, dB over the single rip's
    double inside = -1e9;          // the same away from the joins: its 99th percentile
    double click = 0;              // peak error near a join over the single rip's there
    bool exact = true;
};

// Mean squared error over [from, to), in 16-bit units; never below 4 (2 LSB RMS, -84 dBFS):
// differences under what 16-bit sound resolves are no difference.
double WindowEnergy(const std::vector<float>& a, const float* b, int64_t from, int64_t to) {
    double e = 0;
    for (int64_t i = from * 2; i < to * 2; ++i) {
        const double d = double(a[size_t(i)]) - b[i];
        e += d * d;
    }
    return std::max(4.0, e / double(to - from));
}

float PeakError(const std::vector<float>& a, const float* b, int64_t from, int64_t to) {
    float peak = 0;
    for (int64_t i = from * 2; i < to * 2; ++i)
        peak = std::max(peak, std::abs(a[size_t(i)] - b[i]));
    return peak;
}

struct TSetting {
    const char* Name;
    int Kbps; // 0: variable
    TOutputFormat Format = ofMP3;
};

// Rips `jobs` of `source` (each [start, end) in 100-ns units, into its file); false when
// the run fails.
bool Rip(const QString& source, const std::vector<std::pair<int64_t, int64_t>>& ranges,
         const QStringList& files, const TSetting& setting, int threads) {
    TStreamAudioIn in;
    in.FileName = source;
    in.FormatOverride = TPcmFormat{kRate, 0, TAudioInput::FloatBits};
    in.OpenSource();
    TMP3Out out;
    out.Format = setting.Format;
    out.OpusBitrate = setting.Kbps;
    out.Quality = ql2;
    out.VBRQuality = ql2;
    out.Mode = TMP3Mode::JOINT_STEREO;
    out.SampleRate = sr48kHz;
    if (setting.Kbps > 0) {
        BitRateFor(setting.Kbps, out.BitRate);
    } else {
        out.EnableVBR = out.WriteVBRHeader = true;
        out.VBRMinBitrate = 96;
        out.VBRMaxBitrate = 320;
    }
    out.Jobs = threads;
    out.Tuning.MinSegmentSeconds = 0.3; // 12-second sources: segments of half a second
    const TAudioFileReader& reader = *in.Reader();
    for (size_t k = 0; k < ranges.size(); ++k) {
        TRipJob job;
        job.First = reader.TimeToSample(TMediaTime::FromUnits(ranges[k].first));
        job.End = reader.TimeToSample(TMediaTime::FromUnits(ranges[k].second));
        job.FileName = files[int(k)];
        out.Tracks.push_back(job);
    }
    out.SetInput(&in);
    QEventLoop loop;
    bool ok = false;
    out.OnDone = [&](QObject*) {
        ok = true;
        loop.quit();
    };
    out.OnThreadException = [&](QObject*, const std::exception& e) {
        std::fprintf(stderr, "rip failed: %s\n", qPrintable(ExceptionMessage(e)));
        QMetaObject::invokeMethod(
            &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    };
    out.Run();
    loop.exec();
    return ok;
}

TSeamFigures Measure(const QString& source, const std::vector<int64_t>& bounds,
                     const TSetting& setting, int threads, const QString& outDir) {
    TSeamFigures fig;
    std::vector<std::pair<int64_t, int64_t>> ranges;
    QStringList files;
    for (size_t k = 0; k + 1 < bounds.size(); ++k) {
        ranges.push_back({bounds[k], bounds[k + 1]});
        files << QStringLiteral("%1/%2%3").arg(outDir).arg(k + 1).arg(
            FormatExtension(setting.Format));
    }
    const QString whole = outDir + QStringLiteral("/whole") + FormatExtension(setting.Format);
    if (!Rip(source, ranges, files, setting, threads) ||
        !Rip(source, {{bounds.front(), bounds.back()}}, {whole}, setting, threads))
        return fig.exact = false, fig;

    std::vector<float> joined;
    std::vector<int64_t> joins;
    for (const QString& file : files) {
        if (!joined.empty())
            joins.push_back(int64_t(joined.size()) / 2);
        const std::vector<float> track = DecodeMp3(file);
        joined.insert(joined.end(), track.begin(), track.end());
    }
    const std::vector<float> single = DecodeMp3(whole);
    int64_t first = 0;
    const std::vector<float> reference = ReadSource(source, first);
    auto sampleAt = [](int64_t units) { return TMediaTime::FromUnits(units).ToSample(kRate); };
    const int64_t from = sampleAt(bounds.front()) - first, to = sampleAt(bounds.back()) - first;
    fig.exact = int64_t(joined.size()) / 2 == to - from && int64_t(single.size()) / 2 == to - from;
    if (!fig.exact || from < 0 || to * 2 > int64_t(reference.size())) {
        std::fprintf(stderr, "%s: lengths %zu and %zu for %lld frames\n", qPrintable(source),
                     joined.size() / 2, single.size() / 2, (long long)(to - from));
        return fig;
    }
    const float* ref = reference.data() + from * 2;
    const int64_t half = kRate / 100; // 10 ms either side
    double sum = 0;
    for (int64_t s : joins) {
        const double db = 10 * std::log10(WindowEnergy(joined, ref, s - half, s + half) /
                                          WindowEnergy(single, ref, s - half, s + half));
        fig.worst = std::max(fig.worst, db);
        if (qEnvironmentVariableIsSet("BENCH_DEBUG")) {
            std::fprintf(stderr, "join at %lld: %+.2f dB:", (long long)s, db);
            for (int64_t w = s - 960; w < s + 960; w += 96)
                std::fprintf(stderr, " %+.0f/%+.0f",
                             10 * std::log10(WindowEnergy(joined, ref, w, w + 96)),
                             10 * std::log10(WindowEnergy(single, ref, w, w + 96)));
            std::fprintf(stderr, "\n");
        }
        sum += db;
        fig.click =
            std::max(fig.click, double(PeakError(joined, ref, s - 48, s + 48)) /
                                    std::max(1e-6f, PeakError(single, ref, s - 48, s + 48)));
    }
    fig.mean = sum / double(joins.size());
    // The same comparison everywhere else: encoders that started elsewhere make other
    // choices all through a track, not only at its ends.
    std::vector<double> inside;
    const int64_t frames = int64_t(joined.size()) / 2;
    for (int64_t m = 2 * half; m + 2 * half < frames; m += half) {
        bool nearJoin = false;
        for (int64_t j : joins)
            nearJoin = nearJoin || std::abs(m - j) < 3 * half;
        if (!nearJoin)
            inside.push_back(10 * std::log10(WindowEnergy(joined, ref, m - half, m + half) /
                                             WindowEnergy(single, ref, m - half, m + half)));
    }
    std::sort(inside.begin(), inside.end());
    if (!inside.empty())
        fig.inside = inside[inside.size() * 99 / 100];
    return fig;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QStringList paths, names;
    QString only; // a setting's name
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--setting" && i + 1 < argc) {
            only = QString::fromLatin1(argv[++i]);
            continue;
        }
        paths << QString::fromLocal8Bit(argv[i]);
        names << QFileInfo(paths.last()).fileName();
    }
    if (paths.isEmpty())
        MakeSources(dir.path(), paths, names);
    // Seven tracks over [0.5 s, 9.5 s), cut at uneven points.
    const std::vector<int64_t> bounds = {5000000,  19371000, 32003000, 48123000,
                                         61111000, 77777000, 84321000, 95000000};
    const TSetting settings[] = {{"cbr128", 128}, {"cbr192", 192},        {"cbr320", 320},
                                 {"vbr", 0},      {"opus64", 64, ofOpus}, {"opus160", 160, ofOpus}};
    const int cores = int(std::max(2u, std::thread::hardware_concurrency()));
    std::printf("%-18s %-7s %7s %10s %10s %10s %7s %6s\n", "source", "setting", "threads",
                "worst dB", "mean dB", "inside dB", "click", "exact");
    for (int s = 0; s < paths.size(); ++s)
        for (const TSetting& setting : settings)
            for (int threads : {1, cores}) {
                if (!only.isEmpty() && only != QLatin1String(setting.Name))
                    continue;
                const QString out = dir.path() + QStringLiteral("/out");
                QDir(out).removeRecursively();
                QDir().mkpath(out);
                const TSeamFigures f = Measure(paths[s], bounds, setting, threads, out);
                std::printf("%-18s %-7s %7d %+10.2f %+10.2f %+10.2f %7.2f %6s\n",
                            qPrintable(names[s]), setting.Name, threads, f.worst, f.mean, f.inside,
                            f.click, f.exact ? "yes" : "NO");
                std::fflush(stdout);
            }
    return 0;
}
