#include "support/decoded_audio.h"

#include "media/ffmpeg_ptr.h"
#include "support/fixture_signal.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <QFile>

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace {

// FFmpeg's warnings and errors, counted per thread: a decode that complains about the
// stream (a reservoir pointing nowhere, a damaged frame) is a failed check even when
// samples come out.
thread_local int Complaints = 0;

void CountComplaint(void*, int level, const char*, va_list) {
    if (level <= AV_LOG_WARNING)
        ++Complaints;
}

} // namespace

DecodedAudio DecodeAudioFile(const QString& path, int streamIndex, bool asFloat) {
    DecodedAudio out;
    static std::once_flag hooked;
    std::call_once(hooked, [] {
        av_log_set_callback(CountComplaint);
        av_log_set_level(AV_LOG_WARNING);
    });
    const int complaintsBefore = Complaints;
    struct TCount {
        DecodedAudio& out;
        int before;
        ~TCount() { out.complaints = Complaints - before; }
    } count{out, complaintsBefore};
    AVFormatContext* raw = nullptr;
    const QByteArray name = path.toUtf8();
    int rc = avformat_open_input(&raw, name.constData(), nullptr, nullptr);
    if (rc < 0) {
        out.error = ffmpeg::ErrorText(rc);
        return out;
    }
    ffmpeg::InputFormatPtr fmt(raw);
    if ((rc = avformat_find_stream_info(fmt.get(), nullptr)) < 0) {
        out.error = ffmpeg::ErrorText(rc);
        return out;
    }
    const AVCodec* codec = nullptr;
    int index = streamIndex;
    if (index < 0)
        index = av_find_best_stream(fmt.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    else if (index < int(fmt->nb_streams))
        codec = avcodec_find_decoder(fmt->streams[index]->codecpar->codec_id);
    if (index < 0 || !codec) {
        out.error = QStringLiteral("no audio stream");
        return out;
    }
    AVStream* st = fmt->streams[index];
    if (asFloat && st->codecpar->codec_id == AV_CODEC_ID_MP3)
        if (const AVCodec* floating = avcodec_find_decoder_by_name("mp3float"))
            codec = floating;
    ffmpeg::CodecContextPtr dec(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(dec.get(), st->codecpar);
    dec->pkt_timebase = st->time_base;
    if ((rc = avcodec_open2(dec.get(), codec, nullptr)) < 0) {
        out.error = ffmpeg::ErrorText(rc);
        return out;
    }
    const AVDictionaryEntry* e = nullptr;
    while ((e = av_dict_get(fmt->metadata, "", e, AV_DICT_IGNORE_SUFFIX)))
        out.tags.insert(QString::fromUtf8(e->key), QString::fromUtf8(e->value));
    // An Ogg file's comments are its stream's.
    while ((e = av_dict_get(st->metadata, "", e, AV_DICT_IGNORE_SUFFIX)))
        if (!out.tags.contains(QString::fromUtf8(e->key)))
            out.tags.insert(QString::fromUtf8(e->key), QString::fromUtf8(e->value));
    out.codecName = QString::fromUtf8(codec->name);
    out.bitRate = st->codecpar->bit_rate;

    ffmpeg::SwrPtr swr;
    auto pkt = ffmpeg::MakePacket();
    auto frame = ffmpeg::MakeFrame();
    auto drain = [&]() -> bool {
        while ((rc = avcodec_receive_frame(dec.get(), frame.get())) >= 0) {
            if (!swr) {
                SwrContext* s = nullptr;
                swr_alloc_set_opts2(&s, &frame->ch_layout,
                                    asFloat ? AV_SAMPLE_FMT_FLT : AV_SAMPLE_FMT_S16,
                                    frame->sample_rate, &frame->ch_layout,
                                    AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr);
                swr.reset(s);
                if (!s || swr_init(s) < 0)
                    return false;
                out.sampleRate = frame->sample_rate;
                out.channels = frame->ch_layout.nb_channels;
            }
            auto convert = [&](auto& samples) {
                const size_t at = samples.size();
                samples.resize(at + size_t(frame->nb_samples) * out.channels);
                uint8_t* dst = reinterpret_cast<uint8_t*>(samples.data() + at);
                const int got = swr_convert(swr.get(), &dst, frame->nb_samples,
                                            const_cast<const uint8_t**>(frame->extended_data),
                                            frame->nb_samples);
                samples.resize(at + size_t(std::max(got, 0)) * out.channels);
                return got >= 0;
            };
            if (!(asFloat ? convert(out.floats) : convert(out.samples)))
                return false;
            av_frame_unref(frame.get());
        }
        return rc == AVERROR(EAGAIN) || rc == AVERROR_EOF;
    };
    while (av_read_frame(fmt.get(), pkt.get()) >= 0) {
        if (pkt->stream_index == index) {
            avcodec_send_packet(dec.get(), pkt.get());
            if (!drain()) {
                out.error = QStringLiteral("decode failed");
                return out;
            }
        }
        av_packet_unref(pkt.get());
    }
    avcodec_send_packet(dec.get(), nullptr);
    drain();
    out.ok = out.channels > 0;
    if (!out.ok)
        out.error = QStringLiteral("no audio decoded");
    return out;
}

Mp3FrameScan ScanMp3Frames(const QString& path) {
    Mp3FrameScan scan;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return scan;
    const QByteArray data = f.readAll();
    const auto* b = reinterpret_cast<const unsigned char*>(data.constData());
    qsizetype pos = 0, end = data.size();
    if (end >= 128 && data.mid(end - 128, 3) == "TAG") {
        scan.hasId3v1 = true;
        end -= 128;
    }
    if (end >= 10 && data.startsWith("ID3")) {
        scan.hasId3v2 = true;
        pos = 10 + ((b[6] & 0x7f) << 21 | (b[7] & 0x7f) << 14 | (b[8] & 0x7f) << 7 | (b[9] & 0x7f));
    }
    static const int kbpsV1[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                   112, 128, 160, 192, 224, 256, 320, 0};
    static const int kbpsV2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
    static const int rates[3] = {44100, 48000, 32000};
    bool first = true;
    while (pos + 4 <= end) {
        if (b[pos] != 0xff || (b[pos + 1] & 0xe0) != 0xe0) {
            ++pos;
            continue;
        }
        const int ver = (b[pos + 1] >> 3) & 3; // 3 = MPEG1, 2 = MPEG2, 0 = MPEG2.5
        const int layer = (b[pos + 1] >> 1) & 3;
        const int bri = b[pos + 2] >> 4, sri = (b[pos + 2] >> 2) & 3, pad = (b[pos + 2] >> 1) & 1;
        const int mode = b[pos + 3] >> 6;
        if (ver == 1 || layer != 1 || bri == 0 || bri == 15 || sri == 3) {
            ++pos;
            continue;
        }
        const bool v1 = ver == 3;
        const int kbps = v1 ? kbpsV1[bri] : kbpsV2[bri];
        const int rate = rates[sri] >> (v1 ? 0 : (ver == 2 ? 1 : 2));
        const int len = (v1 ? 144000 : 72000) * kbps / rate + pad;
        if (first) {
            scan.sampleRate = rate;
            scan.modeBits = mode;
            const int side = v1 ? (mode == 3 ? 17 : 32) : (mode == 3 ? 9 : 17);
            const QByteArray tag = data.mid(pos + 4 + side, 4);
            if (tag == "Info" || tag == "Xing")
                scan.infoTag = QString::fromLatin1(tag);
            first = false;
            if (!scan.infoTag.isEmpty()) {
                pos += len;
                continue;
            }
        }
        scan.bitratesKbps.push_back(kbps);
        pos += len;
    }
    return scan;
}

int64_t FindBestOffset(const std::vector<int16_t>& haystack, const std::vector<int16_t>& needle,
                       int channels, int64_t from, int64_t to, double* score,
                       int64_t needleFrames) {
    auto mono = [channels](const std::vector<int16_t>& v) {
        std::vector<float> m(v.size() / channels);
        for (size_t i = 0; i < m.size(); ++i) {
            float s = 0;
            for (int c = 0; c < channels; ++c)
                s += v[i * channels + c];
            m[i] = s / channels;
        }
        return m;
    };
    const std::vector<float> h = mono(haystack), n = mono(needle);
    int64_t len = needleFrames > 0 ? needleFrames : std::min<int64_t>(n.size(), 8192);
    len = std::min<int64_t>(len, n.size());
    double nn = 0;
    for (int64_t i = 0; i < len; ++i)
        nn += double(n[i]) * n[i];
    int64_t best = from;
    double bestScore = -2;
    for (int64_t off = std::max<int64_t>(0, from); off <= to && off + len <= int64_t(h.size());
         ++off) {
        double hn = 0, hh = 0;
        for (int64_t i = 0; i < len; ++i) {
            hn += double(h[off + i]) * n[i];
            hh += double(h[off + i]) * h[off + i];
        }
        const double s = (hh > 0 && nn > 0) ? hn / std::sqrt(hh * nn) : 0;
        if (s > bestScore) {
            bestScore = s;
            best = off;
        }
    }
    if (score)
        *score = bestScore;
    return best;
}

TDecodedLoudness LoudnessOf(const std::vector<const DecodedAudio*>& Parts) {
    const DecodedAudio& first = *Parts.front();
    std::unique_ptr<ebur128_state, void (*)(ebur128_state*)> state(
        ebur128_init(unsigned(first.channels), unsigned(first.sampleRate),
                     EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK),
        [](ebur128_state* s) { ebur128_destroy(&s); });
    for (const DecodedAudio* part : Parts)
        ebur128_add_frames_float(state.get(), part->floats.data(), size_t(part->frames()));
    TDecodedLoudness loudness;
    ebur128_loudness_global(state.get(), &loudness.lufs);
    for (unsigned c = 0; c < unsigned(first.channels); ++c) {
        double peak = 0;
        ebur128_sample_peak(state.get(), c, &peak);
        loudness.peak = std::max(loudness.peak, peak);
    }
    return loudness;
}

std::vector<TChapterRead> ReadChapters(const QString& Path) {
    std::vector<TChapterRead> marks;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, QFile::encodeName(Path).constData(), nullptr, nullptr) < 0)
        return marks;
    ffmpeg::InputFormatPtr format(raw);
    for (unsigned i = 0; i < format->nb_chapters; ++i) {
        const AVChapter* c = format->chapters[i];
        const AVDictionaryEntry* title = av_dict_get(c->metadata, "title", nullptr, 0);
        marks.push_back({double(c->start) * av_q2d(c->time_base),
                         double(c->end) * av_q2d(c->time_base),
                         title ? QString::fromUtf8(title->value) : QString()});
    }
    return marks;
}

DecodedPicture DecodeAttachedPicture(const QString& Path, int DrawnWidth) {
    DecodedPicture cover;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, QFile::encodeName(Path).constData(), nullptr, nullptr) < 0) {
        cover.error = QStringLiteral("cannot open");
        return cover;
    }
    ffmpeg::InputFormatPtr format(raw);
    avformat_find_stream_info(format.get(), nullptr);
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        AVStream* stream = format->streams[i];
        if (!(stream->disposition & AV_DISPOSITION_ATTACHED_PIC))
            continue;
        cover.found = true;
        cover.codec = stream->codecpar->codec_id;
        const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
        ffmpeg::CodecContextPtr decoder(avcodec_alloc_context3(codec));
        ffmpeg::FramePtr frame = ffmpeg::MakeFrame();
        bool decoded = codec &&
                       avcodec_parameters_to_context(decoder.get(), stream->codecpar) >= 0 &&
                       avcodec_open2(decoder.get(), codec, nullptr) >= 0 &&
                       avcodec_send_packet(decoder.get(), &stream->attached_pic) >= 0;
        if (decoded) {
            avcodec_send_packet(decoder.get(), nullptr);
            decoded = avcodec_receive_frame(decoder.get(), frame.get()) >= 0;
        }
        if (!decoded) {
            cover.error = QStringLiteral("the picture does not decode");
            return cover;
        }
        cover.width = frame->width;
        cover.height = frame->height;
        cover.bytes = stream->attached_pic.size;
        if (DrawnWidth > 0) {
            std::vector<uint8_t> luma(size_t(DrawnWidth) * size_t(frame->height));
            ffmpeg::SwsPtr scale(sws_getContext(
                frame->width, frame->height, AVPixelFormat(frame->format), DrawnWidth,
                frame->height, AV_PIX_FMT_GRAY8, SWS_BICUBIC, nullptr, nullptr, nullptr));
            uint8_t* planes[4] = {luma.data(), nullptr, nullptr, nullptr};
            int strides[4] = {DrawnWidth, 0, 0, 0};
            if (scale && sws_scale(scale.get(), frame->data, frame->linesize, 0, frame->height,
                                   planes, strides) > 0)
                cover.frameIndex = fixture_signal::DecodeFrameIndex(luma.data(), DrawnWidth,
                                                                    DrawnWidth, frame->height);
        }
    }
    return cover;
}
