// Seams of a parallel MP3 encode, measured without the pipeline: generated sounds are
// encoded once by one LAME instance and once in segments by several (each with pre-roll and
// overlap), the segments are joined by TMp3SegmentJoiner, and FFmpeg decodes both files.
// Printed per sound and setting: validity (decoder warnings, decoded length, the tag's
// frame count), quality (error energy of the joined file against the single encoder's, in
// 50 ms windows around every seam against the file's own figure, largest sample error at
// and away from the seams), size, and how the cuts were found.
//
// Usage: bench_mp3_seams [--seconds S] [--segment S] [--preroll FRAMES] [--overlap FRAMES]
//                        [--keep DIR] [--only NAME]
//        bench_mp3_seams --rip SOURCE START END OUT.mp3 SEAMS cbrKBPS|vbr JOBS
//        bench_mp3_seams --files SOURCE START END ONE.mp3 PARTS.mp3 SEAMS cbr|vbr
//        (a rip by the engine with its seams, and the figures of it, for
//        bench/parallel_rip.sh)

#include "audio/layer3/layer3_packer.h"
#include "audio/layer3/mp3_segment_joiner.h"
#include "audio/mp3/lame.h"
#include "audio/mp3/mp3_encoder.h"
#include "audio/mp3/mp3_info_tag.h"
#include "audio/mp3/mp3_segment_encoder.h"
#include "audio/pipeline/stream_audio_in.h"
#include "audio/rip/mp3_out.h"
#include "audio/rip/rip_plan.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <QCoreApplication>
#include <QDir>
#include <QString>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int Rate = 44100; // of the generated sounds
constexpr int Spf = 1152;

// ---- sounds -------------------------------------------------------------------------

std::vector<int16_t> ToPcm(const std::vector<double>& L, const std::vector<double>& R) {
    std::vector<int16_t> pcm(L.size() * 2);
    for (size_t i = 0; i < L.size(); ++i) {
        pcm[2 * i] = int16_t(std::clamp(L[i], -32767.0, 32767.0));
        pcm[2 * i + 1] = int16_t(std::clamp(R[i], -32767.0, 32767.0));
    }
    return pcm;
}

// Chords of decaying harmonic notes with vibrato, a new chord every 1.7 s.
std::vector<int16_t> Tonal(int64_t N) {
    std::vector<double> l(static_cast<size_t>(N)), r(static_cast<size_t>(N));
    std::mt19937 rng(7);
    const double roots[] = {220, 246.9, 261.6, 293.7, 329.6, 349.2, 392};
    for (int64_t start = 0; start < N; start += int64_t(1.7 * Rate)) {
        const double root = roots[rng() % 7];
        const double notes[] = {root, root * 1.26, root * 1.5, root * 2};
        for (int n = 0; n < 4; ++n) {
            const double f = notes[n], pan = 0.2 + 0.6 * n / 3;
            for (int64_t i = start; i < std::min(N, start + int64_t(2.5 * Rate)); ++i) {
                const double t = double(i - start) / Rate;
                const double env = 2500 * std::exp(-1.2 * t) * std::min(1.0, t * 200);
                double v = 0;
                for (int h = 1; h <= 6; ++h)
                    v += std::sin(2 * M_PI * f * h * t + 0.3 * std::sin(2 * M_PI * 5 * t)) / h;
                l[size_t(i)] += env * v * (1 - pan);
                r[size_t(i)] += env * v * pan;
            }
        }
    }
    return ToPcm(l, r);
}

// Pinkish noise whose loudness wanders, with bursts.
std::vector<int16_t> Noisy(int64_t N) {
    std::vector<double> l(static_cast<size_t>(N)), r(static_cast<size_t>(N));
    std::mt19937 rng(11);
    std::normal_distribution<double> g(0, 1);
    double b[2][3] = {};
    for (int64_t i = 0; i < N; ++i) {
        const double t = double(i) / Rate;
        const double level =
            3000 * (1.2 + std::sin(2 * M_PI * 0.13 * t)) * (std::fmod(t, 3.1) < 0.25 ? 2.5 : 1.0);
        for (int c = 0; c < 2; ++c) {
            const double w = g(rng);
            b[c][0] = 0.997 * b[c][0] + 0.03 * w;
            b[c][1] = 0.95 * b[c][1] + 0.15 * w;
            b[c][2] = 0.5 * b[c][2] + 0.5 * w;
            (c ? r : l)[size_t(i)] = level * (b[c][0] + b[c][1] + b[c][2]) / 2;
        }
    }
    return ToPcm(l, r);
}

// Syllables of a voice-like sound (a pitched pulse train through two formants) separated by
// pauses of digital silence.
std::vector<int16_t> Speech(int64_t N) {
    std::vector<double> l(static_cast<size_t>(N)), r(static_cast<size_t>(N));
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(0, 1);
    int64_t i = 0;
    while (i < N) {
        const int syllables = 2 + int(rng() % 6);
        for (int s = 0; s < syllables && i < N; ++s) {
            const int64_t len = int64_t((0.08 + 0.2 * u(rng)) * Rate);
            const double pitch = 110 + 120 * u(rng), f1 = 300 + 600 * u(rng),
                         f2 = 900 + 1600 * u(rng);
            double y1[2] = {}, y2[2] = {}, phase = 0;
            const double r1 = 0.995, r2 = 0.99;
            for (int64_t k = 0; k < len && i < N; ++k, ++i) {
                const double t = double(k) / len;
                phase += (pitch * (1 + 0.1 * t)) / Rate;
                const double src = phase >= 1 ? (phase -= 1, 1.0) : 0.0;
                const double n = 0.02 * (u(rng) - 0.5);
                const double x = src + n;
                const double a1 = 2 * r1 * std::cos(2 * M_PI * f1 / Rate);
                const double a2 = 2 * r2 * std::cos(2 * M_PI * f2 / Rate);
                const double v1 = x + a1 * y1[0] - r1 * r1 * y1[1];
                const double v2 = x + a2 * y2[0] - r2 * r2 * y2[1];
                y1[1] = y1[0], y1[0] = v1, y2[1] = y2[0], y2[0] = v2;
                const double env = std::sin(M_PI * t) * 900;
                l[size_t(i)] = env * (v1 + 0.6 * v2);
                r[size_t(i)] = 0.8 * l[size_t(i)];
            }
            i += int64_t(0.03 * Rate * u(rng));
        }
        i += int64_t((0.2 + 0.8 * u(rng)) * Rate); // silence
    }
    return ToPcm(l, r);
}

// Sharp clicks every 90-400 ms over a quiet tone: block switching everywhere.
std::vector<int16_t> Clicks(int64_t N) {
    std::vector<double> l(static_cast<size_t>(N)), r(static_cast<size_t>(N));
    std::mt19937 rng(3);
    for (int64_t i = 0; i < N; ++i)
        l[size_t(i)] = r[size_t(i)] = 800 * std::sin(2 * M_PI * 330 * double(i) / Rate);
    std::normal_distribution<double> g(0, 1);
    for (int64_t at = 1000; at < N; at += int64_t(Rate * (0.09 + 0.31 * (rng() % 100) / 100.0)))
        for (int k = 0; k < 600 && at + k < N; ++k) {
            const double v = 12000 * std::exp(-k / 80.0) * g(rng);
            l[size_t(at + k)] += v;
            r[size_t(at + k)] += 0.7 * v;
        }
    return ToPcm(l, r);
}

// ---- encoding -------------------------------------------------------------------------

struct TSetting {
    const char* Name;
    bool Vbr;
    int Kbps;
};

TMp3EncoderSettings Settings(const TSetting& S) {
    TMp3EncoderSettings e;
    e.InputSampleRate = e.OutputSampleRate = Rate;
    e.Mode = 1; // joint stereo
    e.EnableVBR = S.Vbr;
    e.VBRCurrentMethod = true;
    e.VBRQuality = 2;
    e.VBRMinBitrate = 32;
    e.VBRMaxBitrate = 320;
    e.BitRate = S.Kbps;
    e.Quality = 2;
    return e;
}

std::vector<uint8_t> EncodeSerial(const std::vector<int16_t>& Pcm, const TSetting& S) {
    TMp3Encoder e(4096);
    e.Open(Settings(S));
    const int64_t n = int64_t(Pcm.size() / 2);
    std::vector<uint8_t> out;
    for (int64_t i = 0; i < n; i += 4096) {
        const int c = e.Encode(&Pcm[size_t(2 * i)], int(std::min<int64_t>(4096, n - i)), 2, 16);
        out.insert(out.end(), e.Data(), e.Data() + c);
    }
    const int c = e.Flush();
    out.insert(out.end(), e.Data(), e.Data() + c);
    unsigned char tag[2048];
    const size_t t = e.InfoTagFrame(tag, sizeof tag);
    std::memcpy(out.data(), tag, std::min(t, out.size()));
    return out;
}

struct TParallel {
    std::vector<uint8_t> Bytes;
    std::vector<TMp3SegmentJoiner::TSeam> Seams;
    std::vector<int64_t> Nominal;
    // Decoded samples before frame 0's sound: the file's delay and the decoder's, and the
    // pre-roll of a rip that starts its grid before the range.
    int64_t Lag = 1105;
    int Failed = 0;
};

TParallel EncodeParallel(const std::vector<int16_t>& Pcm, const TSetting& S, double SegmentSec,
                         int Preroll, int Overlap) {
    const int64_t n = int64_t(Pcm.size() / 2);
    const int64_t frames = (n + Spf - 1) / Spf;
    const int64_t segFrames = std::max<int64_t>(Preroll + 1, int64_t(SegmentSec * Rate / Spf));
    std::vector<int64_t> starts;
    for (int64_t f = 0; f < frames - segFrames / 2; f += segFrames)
        starts.push_back(f);
    const size_t count = starts.size();
    std::vector<TMp3SegmentJoiner::TSegment> segments(count);
    std::vector<uint8_t> infoFrame;
    int delay = 0;
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t s; (s = next++) < count;) {
            const bool last = s + 1 == count;
            const int64_t start = starts[s];
            const int64_t end = last ? INT64_MAX / 4 : starts[s + 1];
            const int64_t first = s == 0 ? 0 : start - Preroll;
            const int64_t keep = last ? INT64_MAX / 4 : end + Overlap;
            TMp3SegmentEncoder enc(Settings(S), first, start, end, keep);
            const int64_t from = first * Spf;
            const int64_t to = last ? n : std::min(n, (keep + 3) * Spf);
            for (int64_t i = from; i < to; i += 4096)
                enc.Encode(&Pcm[size_t(2 * i)], int(std::min<int64_t>(4096, to - i)), 2, 16);
            segments[s] = enc.Finish();
            if (s == 0) {
                infoFrame = enc.InfoFrame();
                delay = enc.EncoderDelay();
            }
        }
    };
    std::thread a(work), b(work);
    a.join();
    b.join();

    TParallel p;
    TMp3SegmentJoiner joiner(!S.Vbr);
    // The joined frames laid out as one stream from its first frame (which, the first
    // segment having no pre-roll, borrows nothing).
    TLayer3Packer packer;
    std::vector<uint8_t> audio;
    std::vector<uint32_t> sizes;
    std::vector<TMp3SegmentJoiner::TJoinedFrame> joined;
    auto lay = [&] {
        for (const auto& f : joined) {
            packer.Append(f.Frame, f.Frame.Header);
            sizes.push_back(uint32_t(f.Frame.Header.FrameBytes()));
        }
        joined.clear();
    };
    for (size_t s = 0; s < count; ++s) {
        if (s > 0)
            p.Nominal.push_back(starts[s]);
        if (!joiner.Add(std::move(segments[s]))) {
            ++p.Failed;
            std::fprintf(stderr, "  no cut for segment %zu\n", s);
        }
        joiner.TakeFinished(joined);
        lay();
    }
    joiner.Finish();
    joiner.TakeFinished(joined);
    lay();
    packer.TakeAll(audio);
    p.Seams = joiner.Seams();

    auto tag = TMp3InfoTag::Parse(infoFrame.data(), infoFrame.size());
    if (!tag) {
        std::fprintf(stderr, "no information frame\n");
        return p;
    }
    const uint32_t infoBytes = uint32_t(infoFrame.size());
    std::vector<uint32_t> offsets;
    uint32_t at = infoBytes;
    for (uint32_t size : sizes) {
        offsets.push_back(at);
        at += size;
    }
    const uint32_t total = at;
    tag->SetFrames(uint32_t(sizes.size()));
    tag->SetByteCount(total);
    tag->SetToc(offsets, total);
    tag->SetMusicLength(total);
    tag->SetMusicCrc(TMp3InfoTag::Crc16(audio.data(), audio.size()));
    tag->SetEncoderDelay(delay);
    tag->SetEncoderPadding(int(int64_t(sizes.size()) * Spf - delay - n));
    const std::vector<uint8_t>& head = tag->Bytes();
    p.Bytes.assign(head.begin(), head.end());
    p.Bytes.insert(p.Bytes.end(), audio.begin(), audio.end());
    return p;
}

// ---- decoding -------------------------------------------------------------------------

std::atomic<int> DecoderComplaints{0};
std::atomic<bool> Decoding{false}; // only the MP3s' decoding counts

void CountComplaints(void*, int Level, const char* Format, va_list Args) {
    if (Level <= AV_LOG_WARNING && Decoding) {
        ++DecoderComplaints;
        if (DecoderComplaints < 5) {
            std::fprintf(stderr, "  ffmpeg: ");
            std::vfprintf(stderr, Format, Args);
        }
    }
}

struct TDecoded {
    std::vector<float> Samples; // interleaved stereo, int16 scale
    int Complaints = 0;
    int64_t Frames() const { return int64_t(Samples.size() / 2); }
};

TDecoded Decode(const std::string& Path) {
    TDecoded d;
    Decoding = true;
    const int before = DecoderComplaints;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, Path.c_str(), nullptr, nullptr) < 0) {
        Decoding = false;
        d.Complaints = 1;
        return d;
    }
    avformat_find_stream_info(fmt, nullptr);
    const int si = av_find_best_stream(fmt, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    const AVCodec* codec = avcodec_find_decoder(fmt->streams[si]->codecpar->codec_id);
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(ctx, fmt->streams[si]->codecpar);
    ctx->pkt_timebase = fmt->streams[si]->time_base;
    avcodec_open2(ctx, codec, nullptr);
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto drain = [&] {
        while (avcodec_receive_frame(ctx, frame) == 0) {
            const int ch = ctx->ch_layout.nb_channels;
            for (int i = 0; i < frame->nb_samples; ++i)
                for (int c = 0; c < 2; ++c) {
                    const int src = std::min(c, ch - 1);
                    float v = 0;
                    if (frame->format == AV_SAMPLE_FMT_FLTP)
                        v = reinterpret_cast<float*>(frame->extended_data[src])[i] * 32768.f;
                    else if (frame->format == AV_SAMPLE_FMT_S16P)
                        v = reinterpret_cast<int16_t*>(frame->extended_data[src])[i];
                    d.Samples.push_back(v);
                }
        }
    };
    while (av_read_frame(fmt, pkt) >= 0) {
        if (pkt->stream_index == si && avcodec_send_packet(ctx, pkt) == 0)
            drain();
        av_packet_unref(pkt);
    }
    avcodec_send_packet(ctx, nullptr);
    drain();
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&ctx);
    avformat_close_input(&fmt);
    d.Complaints = DecoderComplaints - before;
    Decoding = false;
    return d;
}

// Frames the file's information tag declares, and audio frames actually in the file.
std::pair<int64_t, int64_t> TagAndRealFrames(const std::vector<uint8_t>& File) {
    size_t at = 0, end = File.size();
    if (end >= 10 && std::memcmp(File.data(), "ID3", 3) == 0)
        at = 10 + size_t((File[6] & 0x7f) << 21 | (File[7] & 0x7f) << 14 | (File[8] & 0x7f) << 7 |
                         (File[9] & 0x7f));
    if (end >= at + 128 && std::memcmp(&File[end - 128], "TAG", 3) == 0)
        end -= 128;
    auto tag = TMp3InfoTag::Parse(File.data() + at, end - at);
    int64_t real = 0;
    bool first = true;
    while (at + 4 <= end) {
        auto h = TMpegFrameHeader::Parse(&File[at], end - at);
        if (!h)
            break;
        if (!first)
            ++real;
        first = false;
        at += size_t(h->FrameBytes());
    }
    return {tag && tag->Frames() ? int64_t(*tag->Frames()) : -1, real};
}

bool WriteBytes(const std::string& Path, const std::vector<uint8_t>& Bytes) {
    FILE* f = std::fopen(Path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(Bytes.data(), 1, Bytes.size(), f) == Bytes.size();
    return std::fclose(f) == 0 && ok;
}

double Db(double Ratio) {
    return 10 * std::log10(std::max(Ratio, 1e-30));
}

struct TFigures {
    int Complaints = 0;
    bool LengthOk = false, TagOk = false, Ok = false;
    double Overall = 0, SeamsTogether = 0, WorstSeam = -99, WorstElsewhere = -99;
    float ClickSeam = 0, ClickElsewhere = 0, ClickSerial = 0;
    double BytesPercent = 0;
    int Matched = 0, Same = 0;
    int64_t CutLate = 0;
};

// Error signals of both decodes against the source. Figures in dB are the joined file's
// error energy over the single encoder's in the same stretch, less the same over the whole
// file (0: as good as the single encoder there); "seams" takes the 50 ms windows around all
// seams together, "worst" the worst single seam, "else" the worst of all other 50 ms windows
// after the first seam (how far two encodings of the same sound differ anyway). Clicks:
// the largest sample error in the seam windows, elsewhere, and the single encoder's in the
// seam windows.
TFigures Measure(const std::vector<int16_t>& Pcm, int SampleRate,
                 const std::vector<uint8_t>& Serial, const TParallel& Par,
                 const std::string& SerialPath, const std::string& ParallelPath, bool Vbr) {
    TFigures f;
    const int64_t n = int64_t(Pcm.size() / 2);
    const TDecoded ds = Decode(SerialPath), dp = Decode(ParallelPath);
    f.Complaints = dp.Complaints + ds.Complaints + Par.Failed * 1000;
    f.LengthOk = dp.Frames() == n && ds.Frames() == n;
    const auto [tagFrames, realFrames] = TagAndRealFrames(Par.Bytes);
    f.TagOk = tagFrames == realFrames;
    const int64_t m = std::min({dp.Frames(), ds.Frames(), n});
    std::vector<float> es(static_cast<size_t>(m)), ep(static_cast<size_t>(m)); // per frame
    double sumS = 0, sumP = 0;
    for (int64_t i = 0; i < m; ++i)
        for (int c = 0; c < 2; ++c) {
            const float a = ds.Samples[size_t(2 * i + c)] - Pcm[size_t(2 * i + c)];
            const float b = dp.Samples[size_t(2 * i + c)] - Pcm[size_t(2 * i + c)];
            es[size_t(i)] += a * a;
            ep[size_t(i)] += b * b;
            sumS += double(a) * a;
            sumP += double(b) * b;
        }
    f.Overall = Db(sumP / sumS);
    const int64_t half = SampleRate / 40; // 25 ms each side
    // Silence has no error in either file; one LSB of error per sample keeps the ratio sane.
    auto windowDb = [&](int64_t A, int64_t B) {
        double s = 0, p = 0;
        for (int64_t i = A; i < B; ++i)
            s += es[size_t(i)], p += ep[size_t(i)];
        const double floor = double(B - A) * 2;
        return Db((p + floor) / (s + floor)) - f.Overall;
    };
    std::vector<char> inSeam(size_t(m), 0);
    double togetherS = 0, togetherP = 0;
    for (size_t k = 0; k < Par.Seams.size(); ++k) {
        const auto& seam = Par.Seams[k];
        // The cut's frame boundary as decoded (the stream's delay and the decoder's).
        const int64_t centre = seam.Cut * Spf - Par.Lag;
        const int64_t a = std::max<int64_t>(0, centre - half), b = std::min(m, centre + half);
        for (int64_t i = a; i < b; ++i) {
            inSeam[size_t(i)] = 1;
            togetherS += es[size_t(i)];
            togetherP += ep[size_t(i)];
            for (int c = 0; c < 2; ++c)
                f.ClickSerial = std::max(f.ClickSerial, std::fabs(ds.Samples[size_t(2 * i + c)] -
                                                                  Pcm[size_t(2 * i + c)]));
        }
        f.WorstSeam = std::max(f.WorstSeam, windowDb(a, b));
        f.Matched += seam.Matched;
        f.Same += seam.Same;
        if (k < Par.Nominal.size())
            f.CutLate = std::max(f.CutLate, seam.Cut - Par.Nominal[k]);
    }
    f.SeamsTogether = Par.Seams.empty() ? 0 : Db(togetherP / togetherS) - f.Overall;
    if (!Par.Seams.empty())
        for (int64_t a = std::max<int64_t>(0, Par.Seams.front().Cut * Spf - Par.Lag);
             a + 2 * half <= m; a += 2 * half) {
            bool nearSeam = false;
            for (const auto& seam : Par.Seams)
                nearSeam = nearSeam || std::llabs(seam.Cut * Spf - Par.Lag - (a + half)) < 4 * half;
            if (!nearSeam)
                f.WorstElsewhere = std::max(f.WorstElsewhere, windowDb(a, a + 2 * half));
        }
    for (int64_t i = 0; i < m; ++i)
        for (int c = 0; c < 2; ++c) {
            const float e = std::fabs(dp.Samples[size_t(2 * i + c)] - Pcm[size_t(2 * i + c)]);
            float& worst = inSeam[size_t(i)] ? f.ClickSeam : f.ClickElsewhere;
            worst = std::max(worst, e);
        }
    f.BytesPercent =
        100.0 * (double(Par.Bytes.size()) - double(Serial.size())) / double(Serial.size());
    f.Ok = f.Complaints == 0 && f.LengthOk && f.TagOk && std::fabs(f.Overall) <= 0.1 &&
           f.SeamsTogether <= 0.5 && f.WorstSeam <= std::max(0.5, f.WorstElsewhere) &&
           f.ClickSeam <= std::max(f.ClickElsewhere, f.ClickSerial) &&
           (Vbr ? std::fabs(f.BytesPercent) <= 1 : Par.Bytes.size() == Serial.size());
    return f;
}

} // namespace

// The files of a real rip: the source's range read as the program reads it (at the MP3's
// rate), one encoder's file, the file made in parts and the seams it logged. Prints one
// line of figures; exit status 1 when a figure fails.
int MeasureFiles(char** Args) {
    const QString source = QString::fromLocal8Bit(Args[0]);
    const double start = std::atof(Args[1]), end = std::atof(Args[2]);
    const std::string serialPath = Args[3], parallelPath = Args[4];
    const bool vbr = std::string(Args[6]) == "vbr";
    TParallel par;
    {
        std::FILE* f = std::fopen(Args[5], "r");
        long long cut, lag;
        if (f && std::fscanf(f, "%lld", &lag) == 1)
            par.Lag = lag;
        while (f && std::fscanf(f, "%lld", &cut) == 1)
            par.Seams.push_back({cut, false, false, false});
        if (f)
            std::fclose(f);
    }
    auto readAll = [](const std::string& Path) {
        std::vector<uint8_t> bytes;
        if (std::FILE* f = std::fopen(Path.c_str(), "rb")) {
            uint8_t block[65536];
            for (size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;)
                bytes.insert(bytes.end(), block, block + n);
            std::fclose(f);
        }
        return bytes;
    };
    const std::vector<uint8_t> serial = readAll(serialPath);
    par.Bytes = readAll(parallelPath);
    // The rate of the MP3 (the first frame after any tag says it).
    int rate = 0;
    for (size_t at = 0; at + 4 <= serial.size() && !rate; ++at)
        if (auto h = TMpegFrameHeader::Parse(&serial[at], serial.size() - at))
            rate = h->SampleRate();
    std::vector<int16_t> pcm;
    try {
        TAudioFileReader reader(source, TPcmFormat{rate, 0, 0});
        reader.SetStartTime(TMediaTime::FromMs(std::llround(start * 1000)));
        reader.SetLength(TMediaTime::FromMs(std::llround((end - start) * 1000)));
        std::vector<uint8_t> block(65536);
        for (int got; (got = ReadExpanded(reader, block.data(), int(block.size()))) > 0;) {
            const auto* s16 = reinterpret_cast<const int16_t*>(block.data());
            pcm.insert(pcm.end(), s16, s16 + got / 2);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cannot read %s: %s\n", Args[0], e.what());
        return 1;
    }
    const TFigures f = Measure(pcm, rate, serial, par, serialPath, parallelPath, vbr);
    std::printf("%5zu %4d %5s %5s %+7.2f %+7.2f %+7.2f %+7.2f %6.0f %6.0f %6.0f %+7.3f %s\n",
                par.Seams.size(), f.Complaints, f.LengthOk ? "exact" : "WRONG",
                f.TagOk ? "ok" : "WRONG", f.Overall, f.SeamsTogether, f.WorstSeam, f.WorstElsewhere,
                f.ClickSeam, f.ClickElsewhere, f.ClickSerial, f.BytesPercent,
                f.Ok ? "" : "  <-- FAILS");
    return f.Ok ? 0 : 1;
}

// A rip of [START, END) of SOURCE by the engine, in process, at 48 kHz joint stereo and
// quality 2: OUT.mp3, and SEAMS (the lag of the file's frame 0, then each seam's cut) for
// --files. MODE: cbrKBPS or vbr (96-320).
int RipInProcess(char** Args) {
    const QString source = QString::fromLocal8Bit(Args[0]);
    const double start = std::atof(Args[1]), end = std::atof(Args[2]);
    const std::string mode = Args[5];
    TStreamAudioIn in;
    in.FileName = source;
    in.FormatOverride = TPcmFormat{48000, 0, TAudioInput::FloatBits};
    TMP3Out out;
    out.Quality = out.VBRQuality = ql2;
    out.Mode = TMP3Mode::JOINT_STEREO;
    out.SampleRate = sr48kHz;
    out.Jobs = std::atoi(Args[6]);
    if (mode == "vbr") {
        out.EnableVBR = out.WriteVBRHeader = true;
        out.VBRMinBitrate = 96;
        out.VBRMaxBitrate = 320;
    } else {
        const int kbps = std::atoi(mode.c_str() + 3);
        for (size_t i = 0; i < MP3BitRates.size(); ++i)
            if (MP3BitRates[i] == kbps)
                out.BitRate = TMP3BitRate(i);
    }
    try {
        in.OpenSource();
        const TAudioFileReader& reader = *in.Reader();
        TRipJob job;
        job.First = reader.TimeToSample(TMediaTime::FromSeconds(start));
        job.End = reader.TimeToSample(TMediaTime::FromSeconds(end));
        job.FileName = QString::fromLocal8Bit(Args[3]);
        out.Tracks = {job};
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cannot read %s: %s\n", Args[0], e.what());
        return 1;
    }
    out.SetInput(&in);
    std::atomic<int> state{0};
    out.OnDone = [&](QObject*) { state = 1; };
    out.OnThreadException = [&](QObject*, const std::exception& e) {
        std::fprintf(stderr, "the rip failed: %s\n", e.what());
        state = 2;
    };
    out.Run();
    // The output's events come through the main thread's event loop.
    while (state == 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (state != 1)
        return 1;
    std::FILE* f = std::fopen(Args[4], "w");
    if (!f)
        return 1;
    std::fprintf(f, "%lld\n",
                 (long long)(TRipGrid::PrerollFrames * Spf + TRipGrid::LeadExtra + 576 +
                             TRipGrid::DecoderDelay));
    for (int64_t cut : out.LastResults().at(0).Seams)
        std::fprintf(f, "%lld\n", (long long)cut);
    std::fclose(f);
    return 0;
}

int main(int argc, char** argv) {
    double seconds = 120, segment = 10;
    int preroll = TRipGrid::PrerollFrames, overlap = 16;
    std::string keep, only;
    av_log_set_level(AV_LOG_WARNING);
    av_log_set_callback(CountComplaints);
    if (argc == 9 && std::string(argv[1]) == "--files")
        return MeasureFiles(argv + 2);
    if (argc == 9 && std::string(argv[1]) == "--rip") {
        QCoreApplication app(argc, argv);
        return RipInProcess(argv + 2);
    }
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--seconds")
            seconds = std::atof(argv[i + 1]);
        else if (a == "--segment")
            segment = std::atof(argv[i + 1]);
        else if (a == "--preroll")
            preroll = std::atoi(argv[i + 1]);
        else if (a == "--overlap")
            overlap = std::atoi(argv[i + 1]);
        else if (a == "--keep")
            keep = argv[i + 1];
        else if (a == "--only")
            only = argv[i + 1];
    }
    TLameLibrary::Acquire();
    const std::string dir = keep.empty() ? QDir::tempPath().toStdString() : keep;

    const int64_t n = int64_t(seconds * Rate);
    const std::pair<const char*, std::vector<int16_t> (*)(int64_t)> sounds[] = {
        {"tonal", Tonal}, {"noisy", Noisy}, {"speech", Speech}, {"clicks", Clicks}};
    const TSetting settings[] = {
        {"cbr128", false, 128}, {"cbr192", false, 192}, {"cbr320", false, 320}, {"vbr", true, 0}};
    std::printf("%.0f s sounds, segments of %.0f s, pre-roll %d, overlap %d frames\n", seconds,
                segment, preroll, overlap);
    std::printf("%-7s %-6s %5s %4s %5s %5s %7s %7s %7s %7s %6s %6s %6s %7s %5s %5s %4s\n", "sound",
                "mode", "seams", "warn", "len", "tag", "overall", "seams", "worst", "else",
                "clickS", "clickO", "clickR", "bytes%", "match", "same", "cut+");
    int failures = 0;
    for (const auto& [name, make] : sounds) {
        if (!only.empty() && only != name)
            continue;
        const std::vector<int16_t> pcm = make(n);
        for (const TSetting& s : settings) {
            const std::vector<uint8_t> serial = EncodeSerial(pcm, s);
            const TParallel par = EncodeParallel(pcm, s, segment, preroll, overlap);
            const std::string ps = dir + "/seams_" + name + "_" + s.Name + "_serial.mp3";
            const std::string pp = dir + "/seams_" + name + "_" + s.Name + "_parallel.mp3";
            WriteBytes(ps, serial);
            WriteBytes(pp, par.Bytes);
            const TFigures f = Measure(pcm, Rate, serial, par, ps, pp, s.Vbr);
            failures += f.Ok ? 0 : 1;
            std::printf("%-7s %-6s %5zu %4d %5s %5s %+7.2f %+7.2f %+7.2f %+7.2f %6.0f %6.0f %6.0f "
                        "%+7.3f %2d/%-2d %2d/%-2d %4lld %s\n",
                        name, s.Name, par.Seams.size(), f.Complaints,
                        f.LengthOk ? "exact" : "WRONG", f.TagOk ? "ok" : "WRONG", f.Overall,
                        f.SeamsTogether, f.WorstSeam, f.WorstElsewhere, f.ClickSeam,
                        f.ClickElsewhere, f.ClickSerial, f.BytesPercent, f.Matched,
                        int(par.Seams.size()), f.Same, int(par.Seams.size()), (long long)f.CutLate,
                        f.Ok ? "" : "  <-- FAILS");
            std::fflush(stdout);
        }
    }
    std::printf("%s\n", failures ? "SOME FIGURES FAIL" : "all figures hold");
    TLameLibrary::Release();
    return failures ? 1 : 0;
}
