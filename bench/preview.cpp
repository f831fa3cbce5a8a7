// Preview benchmark: open-to-first-picture time, paused-seek-to-picture time, CPU use
// and dropped pictures while playing, on a DVD-like source (720x576, 25 fps, MPEG-2
// with AC-3). Usage: bench_preview SOURCE [seconds of play]. bench/preview.sh makes a
// 40 MB source and runs this.
#include "base/media_time.h"
#include "mediagraph/media_graph.h"
#include "mediagraph/video_renderer.h"
#include "mediagraph/video_renderer_widget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace media;

namespace {

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

bool WaitFor(const std::function<bool()>& pred, int ms) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::usleep(200);
    }
    return true;
}

struct Stats {
    std::vector<double> v;
    void Add(double x) { v.push_back(x); }
    double Median() {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : v[v.size() / 2];
    }
    double Max() { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }
};

struct Player {
    QWidget form;
    std::shared_ptr<TMediaGraph> graph = std::make_shared<TMediaGraph>();
    std::shared_ptr<TVideoRendererFilter> renderer = MakeFilter<TVideoRendererFilter>();
    Player() {
        form.resize(568, 394);
        form.show();
        graph->AddFilter(renderer, QStringLiteral("VideoWin"));
        renderer->put_Owner(&form);
        renderer->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
        renderer->SetWindowPosition(16, 40, 233, 162);
    }
    TVideoRendererWidget* Widget() { return renderer->Widget(); }
};

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s SOURCE [seconds]\n", argv[0]);
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]);
    const int playSeconds = argc > 2 ? std::atoi(argv[2]) : 10;

    // 1. Open to first picture: a fresh graph each time, render, pause, picture shown.
    Stats open;
    for (int i = 0; i < 7; ++i) {
        QElapsedTimer t;
        t.start();
        Player p;
        if (FAILED(p.graph->RenderFile(source, {}))) {
            std::fprintf(stderr, "cannot render %s\n", argv[1]);
            return 1;
        }
        p.graph->Pause();
        if (!WaitFor([&] { return p.Widget()->HasFrame(); }, 5000)) {
            std::fprintf(stderr, "no first picture\n");
            return 1;
        }
        open.Add(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::printf("open to first picture: median %.1f ms, max %.1f ms (7 opens; target <= 300 ms)\n",
                open.Median(), open.Max());

    // 2. Paused seek to picture, at spread positions.
    Player p;
    p.graph->RenderFile(source, {});
    p.graph->Pause();
    WaitFor([&] { return p.Widget()->HasFrame(); }, 5000);
    std::int64_t duration = 0;
    p.graph->GetDuration(duration);
    Stats seek;
    int misses = 0;
    for (int i = 0; i < 30; ++i) {
        const std::int64_t target =
            (duration - TMediaTime::FromSeconds(1).Units()) * ((i * 37) % 30) / 30 +
            1234567 * (i % 3);
        const qint64 before = p.Widget()->FrameTime();
        if (std::abs(before - target) < 400000)
            continue; // already showing it: no new picture would come
        QElapsedTimer t;
        t.start();
        std::int64_t pos = target;
        p.graph->SetPositions(&pos, AM_SEEKING_AbsolutePositioning, nullptr,
                              AM_SEEKING_NoPositioning);
        if (!WaitFor([&] { return p.Widget()->FrameTime() != before; }, 5000)) {
            ++misses;
            continue;
        }
        seek.Add(static_cast<double>(t.nsecsElapsed()) / 1e6);
        if (std::abs(p.Widget()->FrameTime() - target) > 400000) {
            ++misses;
            std::printf("  seek to %.3f s showed %.3f s\n",
                        TMediaTime::FromUnits(target).ToSeconds(),
                        TMediaTime::FromUnits(p.Widget()->FrameTime()).ToSeconds());
        }
    }
    std::printf("paused seek to picture: median %.1f ms, max %.1f ms (%d seeks, %d off by more "
                "than a frame; "
                "target <= 150 ms)\n",
                seek.Median(), seek.Max(), static_cast<int>(seek.v.size()), misses);

    // 3. Playing: CPU and dropped pictures.
    std::int64_t start = 0;
    p.graph->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                          AM_SEEKING_NoPositioning);
    WaitFor([&] { return p.Widget()->FrameTime() < 400000; }, 5000);
    int drawn0 = 0, dropped0 = 0;
    p.renderer->get_FramesDrawn(drawn0);
    p.renderer->get_FramesDroppedInRenderer(dropped0);
    const int shown0 = p.Widget()->FramesShown();
    const double cpu0 = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    p.graph->Run();
    WaitFor([] { return false; }, playSeconds * 1000);
    const double cpu = CpuSeconds() - cpu0;
    const double secs = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    std::int64_t position = 0;
    p.graph->GetCurrentPosition(position);
    p.graph->Pause();
    int drawn = 0, dropped = 0;
    p.renderer->get_FramesDrawn(drawn);
    p.renderer->get_FramesDroppedInRenderer(dropped);
    std::printf("playing %.1f s (position %.2f s): CPU %.1f%% of one core (target < 33%%), %d "
                "pictures drawn, "
                "%d shown, %d dropped\n",
                secs, TMediaTime::FromUnits(position).ToSeconds(), 100.0 * cpu / secs,
                drawn - drawn0, p.Widget()->FramesShown() - shown0, dropped - dropped0);
    return 0;
}
