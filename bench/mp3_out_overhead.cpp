// Overhead of the pipeline around the encoder: TMP3Out encoding PCM from memory against a
// bare libmp3lame loop with the same settings (CBR 192 kbit/s, quality 2, joint stereo,
// 44.1 kHz), both writing a file to the same folder.
//
//   bench_mp3_out_overhead [minutes=10] [rounds=2]
//
// Prints each round, the best wall and CPU time of each over the rounds, and the ratios
// (CPU time is the steadier figure on a shared machine).

#include "audio/mp3/lame.h"
#include "audio/pipeline/audio_input.h"
#include "audio/rip/mp3_out.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

class TMemoryInput : public TAudioInput {
public:
    explicit TMemoryInput(const std::vector<int16_t>& Pcm) : FPcm(Pcm) {}
    int GetBitsPerSample() override { return 16; }
    int GetChannels() override { return 2; }
    int GetSampleRate() override { return 44100; }
    int ReadData(void* Buffer, int BufferSize) override {
        const int64_t total = int64_t(FPcm.size()) * 2;
        const int n = int(std::min<int64_t>(BufferSize, total - FAt));
        std::memcpy(Buffer, reinterpret_cast<const char*>(FPcm.data()) + FAt, size_t(n));
        FAt += n;
        Position += n;
        return n;
    }
    void BeginRead() override {
        FAt = 0;
        Position = 0;
        Size = int64_t(FPcm.size()) * 2;
        Busy = true;
    }
    void EndRead() override { Busy = false; }

private:
    const std::vector<int16_t>& FPcm;
    int64_t FAt = 0;
};

// Wall time and CPU time of the whole process (the worker and the main thread), so that
// the comparison holds on a loaded machine too.
struct TTimes {
    double Wall = 1e30, Cpu = 1e30;
};

double CpuNow() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

class TStopwatch {
public:
    TTimes Elapsed() const {
        return {std::chrono::duration<double>(std::chrono::steady_clock::now() - FWall).count(),
                CpuNow() - FCpu};
    }

private:
    std::chrono::steady_clock::time_point FWall = std::chrono::steady_clock::now();
    double FCpu = CpuNow();
};

void KeepBest(TTimes& Best, const TTimes& Now) {
    Best.Wall = std::min(Best.Wall, Now.Wall);
    Best.Cpu = std::min(Best.Cpu, Now.Cpu);
}

TTimes BareLoop(const std::vector<int16_t>& Pcm, const QString& Path) {
    const TLameEntryPoints& l = TLameLibrary::Api();
    const TStopwatch watch;
    lame_t e = l.lame_init();
    l.lame_set_in_samplerate(e, 44100);
    l.lame_set_num_channels(e, 2);
    l.lame_set_out_samplerate(e, 44100);
    l.lame_set_mode(e, JOINT_STEREO);
    l.lame_set_brate(e, 192);
    l.lame_set_quality(e, 2);
    l.lame_init_params(e);
    std::vector<unsigned char> mp3(TMp3Encoder::BufferSizeFor(TMP3Out::PcmBlockSamples));
    FILE* f = std::fopen(QFile::encodeName(Path).constData(), "w+b");
    const size_t frames = Pcm.size() / 2;
    for (size_t at = 0; at < frames; at += 4096) {
        const int n = int(std::min<size_t>(4096, frames - at));
        const int got = l.lame_encode_buffer_interleaved(e, const_cast<short*>(&Pcm[at * 2]), n,
                                                         mp3.data(), int(mp3.size()));
        std::fwrite(mp3.data(), 1, size_t(got), f);
    }
    const int got = l.lame_encode_flush(e, mp3.data(), int(mp3.size()));
    std::fwrite(mp3.data(), 1, size_t(got), f);
    unsigned char tag[4096];
    const size_t size = l.lame_get_lametag_frame(e, tag, sizeof tag);
    std::fseek(f, 0, SEEK_SET);
    std::fwrite(tag, 1, size, f);
    std::fclose(f);
    l.lame_close(e);
    return watch.Elapsed();
}

TTimes ThroughOutput(TMP3Out& Out, TMemoryInput& In, const QString& Path) {
    Out.FileName = Path;
    Out.SetInput(&In);
    QEventLoop loop;
    Out.OnDone = [&](QObject*) { loop.quit(); };
    Out.OnThreadException = [&](QObject*, const std::exception& E) {
        std::fprintf(stderr, "run failed: %s\n", E.what());
        std::exit(1);
    };
    const TStopwatch watch;
    Out.Run();
    loop.exec();
    return watch.Elapsed();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const double minutes = argc > 1 ? std::atof(argv[1]) : 10.0;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2;

    const size_t frames = size_t(minutes * 60 * 44100);
    std::vector<int16_t> pcm(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        const double t = double(i) / 44100;
        pcm[2 * i] = int16_t(12000 * std::sin(6.2831853 * (220 + 40 * std::sin(t)) * t));
        pcm[2 * i + 1] =
            int16_t(9000 * std::sin(6.2831853 * 330 * t) + 3000 * std::sin(6.2831853 * 1375 * t));
    }

    QTemporaryDir dir;
    TMP3Out out; // holds the library for the bare loop as well
    out.BitRate = br192;
    out.Quality = ql2;
    out.SampleRate = sr41kHz;
    out.Mode = TMP3Mode::JOINT_STEREO;
    TMemoryInput in(pcm);

    TTimes bare, framed;
    for (int r = 0; r < rounds; ++r) {
        const TTimes b = BareLoop(pcm, dir.filePath(QStringLiteral("bare.mp3")));
        const TTimes f = ThroughOutput(out, in, dir.filePath(QStringLiteral("out.mp3")));
        KeepBest(bare, b);
        KeepBest(framed, f);
        std::printf("round %d: bare %.3f s (cpu %.3f s), TMP3Out %.3f s (cpu %.3f s)\n", r + 1,
                    b.Wall, b.Cpu, f.Wall, f.Cpu);
        std::fflush(stdout);
    }
    std::printf("PCM: %.1f min of 44.1 kHz stereo, CBR 192 kbit/s, quality 2; best of %d\n",
                minutes, rounds);
    std::printf("bare libmp3lame loop: wall %.3f s, cpu %.3f s\n", bare.Wall, bare.Cpu);
    std::printf("TMP3Out:              wall %.3f s, cpu %.3f s\n", framed.Wall, framed.Cpu);
    std::printf("ratio wall: %.4f (overhead %.2f %%)\n", framed.Wall / bare.Wall,
                (framed.Wall / bare.Wall - 1) * 100);
    std::printf("ratio cpu:  %.4f (overhead %.2f %%)\n", framed.Cpu / bare.Cpu,
                (framed.Cpu / bare.Cpu - 1) * 100);
    return 0;
}
