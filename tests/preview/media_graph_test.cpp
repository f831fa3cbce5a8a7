// The media graph on real clips, on the offscreen platform (no sound device: the system
// clock drives playback).
#include "playback_helpers.h"

#include "base/media_time.h"
#include "support/fixture_signal.h"
#include "support/test_env.h"

#include "mediagraph/class_registry.h"
#include "mediagraph/media_graph.h"
#include "mediagraph/media_notify_event.h"
#include "mediagraph/source_filter.h"
#include "mediagraph/video_renderer.h"
#include "mediagraph/video_renderer_widget.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

using namespace media;

namespace {

struct Graph {
    std::shared_ptr<TMediaGraph> graph = std::make_shared<TMediaGraph>();
    std::shared_ptr<TVideoRendererFilter> renderer = MakeFilter<TVideoRendererFilter>();

    Graph() { graph->AddFilter(renderer, QStringLiteral("VideoWin")); }

    REFERENCE_TIME Position() {
        std::int64_t p = -1;
        graph->GetCurrentPosition(p);
        return p;
    }
    TVideoRendererWidget* Widget() { return renderer->Widget(); }
    // Waits until the picture shown is one other than `before` (by time).
    bool WaitForFrame(qint64 before, int ms = 5000) {
        return WaitUntil([&] { return Widget()->HasFrame() && Widget()->FrameTime() != before; },
                         ms);
    }
    void Seek(REFERENCE_TIME t) {
        std::int64_t pos = t;
        ASSERT_EQ(graph->SetPositions(&pos, AM_SEEKING_AbsolutePositioning, nullptr,
                                      AM_SEEKING_NoPositioning),
                  S_OK);
    }
};

// Collects the notifications a graph posts to its notify window.
class NotifyWindow : public QObject {
public:
    int received = 0;
    int message = 0;
    LONG_PTR instance = 0;
    bool event(QEvent* e) override {
        if (e->type() != MediaNotifyEvent::EventType())
            return QObject::event(e);
        auto* n = static_cast<MediaNotifyEvent*>(e);
        ++received;
        message = n->Message();
        instance = n->Instance();
        return true;
    }
};

QStringList FilterNames(IFilterGraph& g) {
    QStringList names;
    std::shared_ptr<IEnumFilters> e;
    g.EnumFilters(e);
    std::shared_ptr<IBaseFilter> f;
    while (e->Next(f) == S_OK) {
        FILTER_INFO info;
        f->QueryFilterInfo(info);
        names << info.achName;
    }
    return names;
}

} // namespace

TEST(MediaGraph, RendersADvdSourceIntoDecodersAndTheRendererAlreadyInTheGraph) {
    Graph g;
    QBuffer log;
    log.open(QIODevice::WriteOnly);
    g.graph->SetLogFile(&log);
    const QString path = FixturePath("dvd_ac3_stereo.vob");
    ASSERT_EQ(g.graph->RenderFile(path, {}), S_OK);
    std::int64_t duration = 0;
    ASSERT_EQ(g.graph->GetDuration(duration), S_OK);
    EXPECT_GT(duration, 2000 * kMs);

    const QStringList names = FilterNames(*g.graph);
    EXPECT_TRUE(names.contains(QStringLiteral("VideoWin")));
    EXPECT_TRUE(names.contains(path));
    EXPECT_TRUE(names.contains(QStringLiteral("Audio Renderer")));
    EXPECT_EQ(names.size(), 5) << names.join(u',').toStdString();

    // The renderer the caller added is the one connected, not a new window.
    std::shared_ptr<IEnumPins> pins;
    g.renderer->EnumPins(pins);
    std::shared_ptr<IPin> pin, peer;
    ASSERT_EQ(pins->Next(pin), S_OK);
    EXPECT_EQ(pin->ConnectedTo(peer), S_OK);

    // DVD 720x576 flagged 4:3 is shown 4:3, not at its storage aspect.
    ASSERT_EQ(g.graph->Pause(), g.graph->Pause());
    ASSERT_TRUE(g.WaitForFrame(-1));
    EXPECT_NEAR(g.Widget()->DisplayAspect(), 4.0 / 3.0, 0.01);
    EXPECT_EQ(g.Widget()->Frame().size(), QSize(720, 576));

    g.graph->SetLogFile(nullptr);
    const QString text = QString::fromUtf8(log.data());
    EXPECT_TRUE(text.contains(QStringLiteral("RenderFile"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("720x576"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("display aspect 4:3"))) << text.toStdString();
}

// However busy the machine, the clock only runs as fast as the wall clock: positions are
// waited for, and bounded by the time that has passed since play began.
TEST(MediaGraph, PositionAdvancesWhileRunningAndStopsWhilePaused) {
    Graph g;
    ASSERT_EQ(g.graph->RenderFile(FixturePath("dvd_ac3_stereo.vob"), {}), S_OK);
    OAFilterState state;
    QElapsedTimer wall;
    wall.start();
    g.graph->Run();
    ASSERT_EQ(g.graph->GetState(5000, state), S_OK);
    EXPECT_EQ(state, FILTER_STATE::State_Running);
    ASSERT_TRUE(WaitUntil([&] { return g.Position() > 200 * kMs; }, 20000));
    const REFERENCE_TIME running = g.Position();
    EXPECT_LE(running, (wall.elapsed() + 50) * kMs);
    EXPECT_TRUE(WaitUntil([&] { return g.Widget()->FramesShown() > 3; }, 20000));

    EXPECT_EQ(g.graph->Pause(), S_OK);
    const REFERENCE_TIME paused = g.Position();
    Pump(300);
    EXPECT_EQ(g.Position(), paused);

    // Play goes on from where it paused.
    wall.restart();
    g.graph->Run();
    ASSERT_TRUE(WaitUntil([&] { return g.Position() > paused + 100 * kMs; }, 20000));
    const REFERENCE_TIME resumed = g.Position();
    EXPECT_LE(resumed, paused + (wall.elapsed() + 50) * kMs);
}

TEST(MediaGraph, PausedSeekShowsThePictureAtTheNewPosition) {
    Graph g;
    ASSERT_EQ(g.graph->RenderFile(FixturePath("dvd_ac3_stereo.vob"), {}), S_OK);
    g.graph->Pause();
    ASSERT_TRUE(g.WaitForFrame(-1));
    const REFERENCE_TIME frame = 400000; // 25 frames per second
    for (REFERENCE_TIME target :
         {2000 * kMs, 1530 * kMs, 8100 * kMs, 120 * kMs, 5700 * kMs, 9900 * kMs}) {
        const qint64 before = g.Widget()->FrameTime();
        g.Seek(target);
        ASSERT_TRUE(g.WaitForFrame(before)) << target;
        EXPECT_LE(std::abs(g.Widget()->FrameTime() - target), frame) << target;
        // The picture itself is the one of that time: the fixture numbers its pictures,
        // the first one shown 256 samples (of 48 kHz) after the start.
        const int index = ShownIndex(g.Widget());
        ASSERT_GE(index, 0) << target;
        EXPECT_LE(std::abs(index * frame + 53333 - target), frame)
            << target << " showed picture " << index;
        EXPECT_EQ(g.Position(), target);
        OAFilterState state;
        EXPECT_EQ(g.graph->GetState(1000, state), S_OK);
        EXPECT_EQ(state, FILTER_STATE::State_Paused);
    }
}

TEST(MediaGraph, SeekWhileRunningPlaysOnFromTheNewPosition) {
    Graph g;
    ASSERT_EQ(g.graph->RenderFile(FixturePath("dvd_ac3_stereo.vob"), {}), S_OK);
    g.graph->Run();
    ASSERT_TRUE(WaitUntil([&] { return g.Position() > 0; }, 20000));
    QElapsedTimer wall;
    wall.start();
    g.Seek(2500 * kMs);
    ASSERT_TRUE(WaitUntil([&] { return g.Position() > 2500 * kMs; }, 20000));
    const REFERENCE_TIME position = g.Position();
    EXPECT_LE(position, 2500 * kMs + (wall.elapsed() + 50) * kMs);
    EXPECT_TRUE(WaitUntil([&] { return g.Widget()->FrameTime() >= 2500 * kMs - 400000; }, 20000))
        << g.Widget()->FrameTime();
}

TEST(MediaGraph, CompletionIsReportedOnceThroughTheNotifyWindowAtTheEnd) {
    Graph g;
    NotifyWindow window;
    g.graph->SetNotifyWindow(&window, WM_GRAPHNOTIFY, 42);
    ASSERT_EQ(g.graph->RenderFile(FixturePath("short.mpg"), {}), S_OK);
    std::int64_t duration = 0;
    g.graph->GetDuration(duration);
    g.graph->Run();
    ASSERT_TRUE(WaitUntil([&] { return window.received > 0; }, 5000));
    EXPECT_EQ(window.message, WM_GRAPHNOTIFY);
    EXPECT_EQ(window.instance, 42);
    long code = 0;
    LONG_PTR p1 = -1, p2 = -1;
    ASSERT_EQ(g.graph->GetEvent(code, p1, p2, 0), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_EQ(p1, S_OK);
    EXPECT_EQ(g.graph->GetEvent(code, p1, p2, 0), E_ABORT);
    // The position rests at the end and no second completion follows.
    EXPECT_GE(g.Position(), duration - 100 * kMs);
    EXPECT_TRUE(WaitUntil([&] { return g.Position() == duration; }, 20000)) << g.Position();
    Pump(300);
    EXPECT_EQ(g.Position(), duration);
    EXPECT_EQ(window.received, 1);

    // Notifications off: the event is queued but no window hears of it.
    g.graph->SetNotifyFlags(1);
    g.Seek(0);
    ASSERT_TRUE(WaitUntil([&] { return g.graph->GetEvent(code, p1, p2, 0) == S_OK; }, 5000));
    EXPECT_EQ(window.received, 1);
}

TEST(MediaGraph, TimestampsNotStartingAtZeroCountFromTheStart) {
    Graph g;
    ASSERT_EQ(g.graph->RenderFile(FixturePath("offset_ts.mpg"), {}), S_OK);
    std::int64_t duration = 0;
    g.graph->GetDuration(duration);
    EXPECT_GT(duration, 5500 * kMs); // 6 s whose timestamps start near 10 s
    EXPECT_LT(duration, 6500 * kMs);
    g.graph->Pause();
    ASSERT_TRUE(g.WaitForFrame(-1));
    EXPECT_LT(g.Widget()->FrameTime(), 100 * kMs);
    EXPECT_EQ(g.Position(), 0);
}

TEST(MediaGraph, ASourceWithoutSoundPlaysSilently) {
    Graph g;
    ASSERT_EQ(g.graph->RenderFile(FixturePath("no_audio.mpg"), {}), S_OK);
    EXPECT_FALSE(FilterNames(*g.graph).contains(QStringLiteral("Audio Renderer")));
    long volume = 0;
    EXPECT_EQ(g.graph->put_Volume(-500), E_NOTIMPL);
    EXPECT_EQ(g.graph->get_Volume(volume), E_NOTIMPL);
    g.graph->Run();
    EXPECT_TRUE(WaitUntil([&] { return g.Position() > 100 * kMs; }, 20000)) << g.Position();
}

TEST(MediaGraph, BadFilesFailToRenderWithACode) {
    const QString dir = FreshDir("bad");
    const QByteArray good = ReadFile(FixturePath("dvd_ac3_stereo.vob"));
    ASSERT_GT(good.size(), 100000);
    QByteArray noise(200000, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 7919 + (i >> 3) * 31) & 0xFF);
    struct Case {
        QString name;
        QByteArray bytes;
    };
    const Case cases[] = {
        {QStringLiteral("empty.vob"), QByteArray()},
        {QStringLiteral("text.mpg"), QByteArray("This is not a video at all.\r\n").repeated(100)},
        {QStringLiteral("noise.vob"), noise},
        {QStringLiteral("header_only.vob"), good.left(2048)},
    };
    for (const Case& c : cases) {
        const QString path = dir + u'/' + c.name;
        ASSERT_TRUE(WriteFile(path, c.bytes));
        Graph g;
        const HRESULT hr = g.graph->RenderFile(path, {});
        EXPECT_TRUE(FAILED(hr)) << c.name.toStdString() << " gave " << hr;
        EXPECT_EQ(FilterNames(*g.graph), QStringList{QStringLiteral("VideoWin")})
            << c.name.toStdString();
        EXPECT_FALSE(g.graph->Streaming());
    }
    Graph g;
    EXPECT_EQ(g.graph->RenderFile(dir + QStringLiteral("/missing.vob"), {}), E_FILE_NOT_FOUND);
}

TEST(MediaGraph, ACutFileEitherFailsOrPlaysToItsEnd) {
    const QByteArray good = ReadFile(FixturePath("dvd_ac3_stereo.vob"));
    const QString path = FreshDir("cut") + QStringLiteral("/cut.vob");
    ASSERT_TRUE(WriteFile(path, good.left(good.size() / 3 + 777)));
    Graph g;
    const HRESULT hr = g.graph->RenderFile(path, {});
    if (FAILED(hr))
        return;
    g.graph->Run();
    long code = 0;
    LONG_PTR p1, p2;
    ASSERT_TRUE(WaitUntil([&] { return g.graph->GetEvent(code, p1, p2, 0) == S_OK; }, 8000));
    EXPECT_EQ(code, EC_COMPLETE);
}

TEST(MediaGraph, BreakingTheChainStopsStreamingAndTheGraphCanRenderAgain) {
    Graph g;
    ASSERT_EQ(g.graph->RenderFile(FixturePath("dvd_ac3_stereo.vob"), {}), S_OK);
    EXPECT_EQ(g.graph->RenderFile(FixturePath("short.mpg"), {}), VFW_E_WRONG_STATE);
    g.graph->Run();
    Pump(100);
    // Disconnect and remove everything but the caller's renderer, as a clear-out does.
    std::shared_ptr<IEnumFilters> e;
    g.graph->EnumFilters(e);
    std::shared_ptr<IBaseFilter> f;
    std::vector<std::shared_ptr<IBaseFilter>> others;
    while (e->Next(f) == S_OK) {
        std::shared_ptr<IEnumPins> pins;
        f->EnumPins(pins);
        std::shared_ptr<IPin> pin;
        while (pins->Next(pin) == S_OK)
            pin->Disconnect();
        if (f != std::static_pointer_cast<IBaseFilter>(g.renderer))
            others.push_back(f);
    }
    EXPECT_FALSE(g.graph->Streaming());
    for (auto& other : others)
        EXPECT_EQ(g.graph->RemoveFilter(other), S_OK);
    EXPECT_EQ(g.graph->RemoveFilter(others.front()), VFW_E_NOT_FOUND);
    ASSERT_EQ(g.graph->RenderFile(FixturePath("short.mpg"), {}), S_OK);
    g.graph->Pause();
    EXPECT_TRUE(g.WaitForFrame(g.Widget()->FrameTime()));
}

TEST(MediaGraph, ReleasingAPlayingGraphStopsItsThreads) {
    for (int i = 0; i < 3; ++i) {
        Graph g;
        ASSERT_EQ(g.graph->RenderFile(FixturePath("dvd_ac3_stereo.vob"), {}), S_OK);
        g.graph->Run();
        Pump(50 * i);
        std::int64_t pos = 1000 * kMs;
        g.graph->SetPositions(&pos, AM_SEEKING_AbsolutePositioning, nullptr,
                              AM_SEEKING_NoPositioning);
    } // no hang, no crash; sanitizer builds check the rest
}

TEST(MediaGraph, RendererWindowFollowsTheVideoWindowCalls) {
    Graph g;
    QWidget owner;
    owner.resize(400, 300);
    owner.show();
    QWidget drain(&owner);
    ASSERT_EQ(g.graph->RenderFile(FixturePath("dvd_ac3_stereo.vob"), {}), S_OK);
    IVideoWindow& vw = *g.renderer;
    // Called from another thread, as the opening worker does; the widget work is posted.
    std::thread worker([&] {
        vw.put_Owner(&owner);
        vw.put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
        vw.SetWindowPosition(10, 20, 233, 162);
        vw.put_Caption(QStringLiteral("VideoWin"));
        vw.put_MessageDrain(&drain);
        g.graph->Pause();
    });
    worker.join();
    TVideoRendererWidget* w = g.Widget();
    ASSERT_TRUE(WaitUntil([&] { return w->parentWidget() == &owner && w->isVisible(); }));
    EXPECT_EQ(w->geometry(), QRect(10, 20, 233, 162));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("VideoWin"));
    EXPECT_EQ(w->MessageDrain(), &drain);
    // The picture keeps its 4:3 shape inside the 233x162 window: bars left and right.
    ASSERT_TRUE(g.WaitForFrame(-1));
    EXPECT_EQ(w->PictureRect().height(), 162);
    EXPECT_NEAR(w->PictureRect().width(), 216, 1);

    // Full screen: no owner, no caption: a frameless top-level window.
    vw.put_Owner(nullptr);
    vw.put_WindowStyle(WS_CLIPSIBLINGS);
    vw.put_WindowStyleEx(WS_EX_TOPMOST);
    vw.SetWindowPosition(0, 0, 1280, 800);
    ASSERT_TRUE(WaitUntil([&] { return w->isWindow(); }));
    EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(w->size(), QSize(1280, 800));

    vw.put_Visible(OAFALSE);
    ASSERT_TRUE(WaitUntil([&] { return !w->isVisible(); }));
    long visible = 1;
    vw.get_Visible(visible);
    EXPECT_EQ(visible, OAFALSE);
}

TEST(MediaGraph, UnregisteredClassesCannotBeCreated) {
    std::shared_ptr<IUnknown> object;
    EXPECT_EQ(CoCreateInstance(CLSID_VideoMixingRenderer9, object), REGDB_E_CLASSNOTREG);
    std::shared_ptr<IFilterGraph2> graph;
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, graph), S_OK);
    EXPECT_TRUE(QueryInterface<IMediaSeeking>(graph));
    std::shared_ptr<IVideoWindow> notAWindow;
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, notAWindow), E_NOINTERFACE);
}

TEST(MediaGraph, DamagedStretchesNeitherHangNorStopPlayback) {
    QByteArray bytes = ReadFile(FixturePath("dvd_ac3_stereo.vob"));
    ASSERT_GT(bytes.size(), 1'000'000);
    // Three stretches of noise: early, in the middle, near the end.
    quint32 seed = 12345;
    for (qsizetype at : {bytes.size() / 10, bytes.size() / 2, bytes.size() * 9 / 10})
        for (qsizetype i = 0; i < 30'000; ++i) {
            seed = seed * 1664525u + 1013904223u;
            bytes[at + i] = static_cast<char>(seed >> 24);
        }
    const QString path = FreshDir("damaged") + QStringLiteral("/damaged.vob");
    ASSERT_TRUE(WriteFile(path, bytes));
    Graph g;
    ASSERT_EQ(g.graph->RenderFile(path, {}), S_OK);
    std::int64_t duration = 0;
    g.graph->GetDuration(duration);
    g.graph->Pause();
    OAFilterState state;
    for (REFERENCE_TIME target :
         {duration / 10, duration / 2, duration / 2 + 2000 * kMs, duration * 9 / 10}) {
        g.Seek(target);
        // Every seek settles: a picture near the target, or the stream's end stands in.
        EXPECT_EQ(g.graph->GetState(5000, state), S_OK) << target;
    }
    g.Seek(duration - 1500 * kMs);
    g.graph->Run();
    long code = 0;
    LONG_PTR p1, p2;
    EXPECT_TRUE(WaitUntil([&] { return g.graph->GetEvent(code, p1, p2, 0) == S_OK; }, 8000));
    EXPECT_EQ(code, EC_COMPLETE);
}

TEST(MediaGraph, EveryKindOfSourceRendersAndShowsItsFirstPicture) {
    struct Case {
        const char* name;
        double aspect; // display aspect of the picture
        bool sound;
    };
    const Case cases[] = {
        {"dvd_ac3_51.vob", 4.0 / 3.0, true},
        {"two_tracks.vob", 4.0 / 3.0, true},
        {"two_tracks.mkv", 4.0 / 3.0, true},
        {"vcd_mp2.mpg", 0, true},
        {"vcd_mp2.dat", 0, true},
        {"mono_u8.avi", 4.0 / 3.0, true},
        {"demo.mpg", 0, true},
    };
    for (const Case& c : cases) {
        Graph g;
        const HRESULT hr = g.graph->RenderFile(FixturePath(QString::fromLatin1(c.name)), {});
        ASSERT_EQ(hr, S_OK) << c.name;
        EXPECT_EQ(FilterNames(*g.graph).contains(QStringLiteral("Audio Renderer")), c.sound)
            << c.name;
        g.graph->Pause();
        ASSERT_TRUE(g.WaitForFrame(-1)) << c.name;
        if (c.aspect > 0) {
            EXPECT_NEAR(g.Widget()->DisplayAspect(), c.aspect, 0.02) << c.name;
        }
        g.graph->Run();
        EXPECT_TRUE(WaitUntil([&] { return g.Position() > 50 * kMs; }, 20000)) << c.name;
    }
}

TEST(MediaGraph, TheSourceOffersTheAudioStreamAskedFor) {
    const QString path = FixturePath(QStringLiteral("two_tracks.mkv"));
    auto opened = [&](int wanted) {
        auto source = MakeFilter<TSourceFilter>();
        source->SetAudioStreamIndex(wanted);
        QString error;
        EXPECT_EQ(source->Open(path, error), S_OK) << error.toStdString();
        return source->AudioStream() ? source->AudioStream()->index : -1;
    };
    EXPECT_EQ(opened(-1), 1); // the first audio stream
    EXPECT_EQ(opened(2), 2);
    EXPECT_EQ(opened(0), 1);  // the video stream: the first audio stream instead
    EXPECT_EQ(opened(17), 1); // no such stream

    // The graph hands its choice to the source it makes, and plays it.
    Graph g;
    QBuffer log;
    log.open(QIODevice::ReadWrite);
    g.graph->SetLogFile(&log);
    g.graph->SetAudioStreamIndex(2);
    ASSERT_EQ(g.graph->RenderFile(path, QString()), S_OK);
    EXPECT_TRUE(log.data().contains("Audio stream 2\n")) << log.data().toStdString();
    EXPECT_GE(g.graph->Run(), 0); // S_FALSE while the change completes
    EXPECT_TRUE(WaitUntil([&] { return g.Position() > 300 * kMs; }, 5000));
    g.graph->Stop();
    g.graph->SetLogFile(nullptr);
}
