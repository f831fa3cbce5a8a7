// bench_loudness_envelope FILE...: how long TLoudnessEnvelope takes to make a source's
// overview. For each file: sound duration, wall and CPU time, speed (x realtime), the
// time a two-hour film would take at that speed, how soon the first buckets were
// published and how many progress notices reached the GUI thread. Then, per file, how
// long TLoudnessDetail takes to deliver the fine buckets of one 10 s chunk when a zoomed
// view lands at 10 %, 50 % and 90 % of the source (a seek and a decode each).
// bench/loudness_envelope.sh generates long sources and runs this on them.

#include "audio/loudness/loudness_envelope.h"
#include "audio/loudness/loudness_detail.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE...\n", argv[0]);
        return 2;
    }
    // "2 h wall/cpu s": a two-hour film at the measured wall and CPU speed (the CPU
    // figure is the one-core cost when other programs share the machine).
    std::printf("%-24s %8s %7s %7s %6s %10s %9s %8s %7s\n", "file", "sound s", "wall s", "cpu s",
                "x rt", "2 h wall s", "2 h cpu s", "first ms", "notices");
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        TLoudnessEnvelope envelope;
        int notices = 0;
        qint64 firstMs = -1;
        QElapsedTimer wall;
        QEventLoop loop;
        QObject::connect(&envelope, &TLoudnessEnvelope::progressed, [&] {
            ++notices;
            if (firstMs < 0 && !envelope.Snapshot()->buckets.empty())
                firstMs = wall.elapsed();
        });
        bool ok = false;
        QObject::connect(&envelope, &TLoudnessEnvelope::finished, [&](bool good) {
            ok = good;
            loop.quit();
        });
        const double cpu0 = CpuSeconds();
        wall.start();
        envelope.Start(path);
        loop.exec();
        const double wallS = double(wall.nsecsElapsed()) / 1e9;
        const double cpuS = CpuSeconds() - cpu0;
        const auto data = envelope.Snapshot();
        const double sound = double(data->buckets.size()) * data->bucketSeconds;
        const double speed = sound / wallS;
        if (!ok) {
            ++failures;
            std::printf("%-24s failed: %s\n", qPrintable(path.section(u'/', -1)),
                        qPrintable(data->error));
            continue;
        }
        std::printf("%-24s %8.1f %7.2f %7.2f %6.0f %10.1f %9.1f %8lld %7d\n",
                    qPrintable(path.section(u'/', -1).left(24)), sound, wallS, cpuS, speed,
                    7200.0 / speed, 7200.0 * cpuS / sound, static_cast<long long>(firstMs),
                    notices);
    }
    std::printf("\n%-24s %16s %16s %16s   (wall/cpu ms to the chunk)\n", "file", "detail at 10 %",
                "detail at 50 %", "detail at 90 %");
    for (int i = 1; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        TLoudnessEnvelope overview; // only for the duration
        QEventLoop done;
        QObject::connect(&overview, &TLoudnessEnvelope::finished, &done, &QEventLoop::quit);
        overview.Start(path);
        done.exec();
        const double duration =
            double(overview.Snapshot()->buckets.size()) * overview.Snapshot()->bucketSeconds;
        std::printf("%-24s", qPrintable(path.section(u'/', -1).left(24)));
        for (double at : {0.1, 0.5, 0.9}) {
            // A fresh object each time: no chunk is reused, the decoder opens and seeks.
            TLoudnessDetail detail;
            detail.SetSource(path);
            const double t = at * duration;
            QEventLoop loop;
            QObject::connect(&detail, &TLoudnessDetail::ready, [&] {
                if (detail.ChunkAt(t))
                    loop.quit();
            });
            QTimer::singleShot(60000, &loop, &QEventLoop::quit);
            QElapsedTimer wall;
            const double cpu0 = CpuSeconds();
            wall.start();
            detail.Request(t, t);
            loop.exec();
            const auto chunk = detail.ChunkAt(t);
            if (chunk && !chunk->buckets.empty())
                std::printf("   %5lld/%4.0f ms", static_cast<long long>(wall.elapsed()),
                            (CpuSeconds() - cpu0) * 1000);
            else
                std::printf(" %16s", "failed");
        }
        std::printf("\n");
    }
    return failures == 0 ? 0 : 1;
}
