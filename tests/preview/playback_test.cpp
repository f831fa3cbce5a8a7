// The playback graph and video window on the real media graph and generated clips, the
// way the main window drives them: activate, render and play on a worker, pause, seek,
// play to the end, clear for the next source.
#include "playback_helpers.h"

#include "base/media_time.h"
#include "support/test_env.h"

#include "mediagraph/audio_renderer.h"
#include "mediagraph/video_renderer.h"
#include "mediagraph/video_renderer_widget.h"
#include "preview/filter_graph.h"
#include "preview/filter_list.h"
#include "preview/media_util.h"
#include "preview/pin_list.h"
#include "preview/video_window.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace media;

namespace {

struct Preview : ::testing::Test {
    QWidget form;
    TFilterGraph graph{&form};
    TVideoWindow* video = new TVideoWindow(&form);

    Preview() {
        form.resize(568, 394);
        video->setObjectName(QStringLiteral("VideoWin"));
        video->setGeometry(16, 40, 233, 162);
        video->SetFilterGraph(&graph);
        form.show();
    }
    ~Preview() override {
        try {
            graph.ClearGraph();
        } catch (const std::exception&) {
        }
        graph.SetActive(false);
    }
    TVideoRendererWidget* Widget() {
        auto r = std::dynamic_pointer_cast<TVideoRendererFilter>(video->MemberFilter());
        return r ? r->Widget() : nullptr;
    }
    // The opening worker's steps: render, play, pause. The window plays 200 ms; a busy
    // machine may not have moved in that time, so this worker plays until the position
    // has (50 ms, within a generous deadline), whatever the machine's speed.
    bool Open(const QString& path) {
        graph.SetActive(true);
        std::atomic<int> state{0};
        std::thread worker([&] {
            try {
                if (FAILED(graph.RenderFile(path))) {
                    state = 2;
                    return;
                }
                graph.Play();
                const auto seeking = graph.Query<IMediaSeeking>();
                QElapsedTimer deadline;
                deadline.start();
                std::int64_t at = 0;
                while (seeking && seeking->GetCurrentPosition(at) == S_OK && at < 50 * kMs &&
                       deadline.elapsed() < 20000)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                graph.Pause();
                state = 1;
            } catch (const std::exception&) {
                state = 2;
            }
        });
        WaitUntil([&] { return state != 0; }, 30000);
        worker.join();
        return state == 1;
    }
    REFERENCE_TIME Position() {
        std::int64_t p = -1;
        graph.Query<IMediaSeeking>()->GetCurrentPosition(p);
        return p;
    }
};

} // namespace

TEST_F(Preview, OpeningShowsThePictureInsideTheControlAndWaitsPaused) {
    ASSERT_TRUE(Open(FixturePath("dvd_ac3_stereo.vob")));
    TVideoRendererWidget* w = Widget();
    ASSERT_TRUE(w);
    ASSERT_TRUE(WaitUntil([&] { return w->isVisible() && w->HasFrame(); }));
    EXPECT_EQ(w->parentWidget(), &form);
    EXPECT_EQ(w->geometry(), video->geometry());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("VideoWin"));
    EXPECT_EQ(w->MessageDrain(), video);
    EXPECT_EQ(video->VideoHandle(), w);
    OAFilterState state;
    EXPECT_EQ(graph.Query<IMediaControl>()->GetState(1000, state), S_OK);
    EXPECT_EQ(state, FILTER_STATE::State_Paused);
    // It played, but not to the end, and stays where it paused.
    const REFERENCE_TIME p = Position();
    std::int64_t duration = 0;
    graph.Query<IMediaSeeking>()->GetDuration(duration);
    EXPECT_GE(p, 50 * kMs);
    EXPECT_LT(p, duration);
    Pump(200);
    EXPECT_EQ(Position(), p);

    // A click on the picture comes back to the control.
    int clicks = 0;
    QObject::connect(video, &TVideoWindow::DblClick, [&] { ++clicks; });
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &dbl);
    EXPECT_EQ(clicks, 1);
}

TEST_F(Preview, ClearGraphLeavesOnlyTheRendererDisconnectedAndTheNextSourceOpens) {
    ASSERT_TRUE(Open(FixturePath("dvd_ac3_stereo.vob")));
    EXPECT_TRUE(video->RendererConnected());
    graph.ClearGraph();
    TFilterList filters(graph.Graph());
    ASSERT_EQ(filters.Count(), 1);
    EXPECT_EQ(filters.Item(0), video->MemberFilter());
    TPinList pins(filters.Item(0));
    for (int i = 0; i < pins.Count(); ++i)
        EXPECT_FALSE(pins.Connected(i));
    EXPECT_FALSE(video->RendererConnected());

    // As the main window does for a new source: stop, clear, inactive, active again.
    graph.SetActive(false);
    ASSERT_TRUE(Open(FixturePath("short.mpg")));
    EXPECT_TRUE(video->RendererConnected());
}

TEST_F(Preview, PlayingToTheEndRaisesOnGraphCompleteOnTheMainThread) {
    QThread* thread = nullptr;
    HRESULT result = E_FAIL;
    graph.OnGraphComplete = [&](QObject* sender, HRESULT r, LONG_PTR) {
        EXPECT_EQ(sender, &graph);
        thread = QThread::currentThread();
        result = r;
    };
    ASSERT_TRUE(Open(FixturePath("short.mpg")));
    graph.Play();
    ASSERT_TRUE(WaitUntil([&] { return thread != nullptr; }, 5000));
    EXPECT_EQ(thread, QThread::currentThread());
    EXPECT_EQ(result, S_OK);
}

TEST_F(Preview, VolumeAndBalanceReachTheAudioRenderer) {
    graph.SetVolume(1000);
    graph.SetBalance(-100);
    ASSERT_TRUE(Open(FixturePath("dvd_ac3_stereo.vob")));
    auto audio = graph.Query<IBasicAudio>();
    long volume = 0, balance = 0;
    EXPECT_EQ(audio->get_Volume(volume), S_OK);
    EXPECT_EQ(audio->get_Balance(balance), S_OK);
    EXPECT_EQ(volume, -2499);
    EXPECT_EQ(balance, TFilterGraph::LinearToBalance(-100));
}

TEST_F(Preview, ABuilderCallbackCanRefuseADecoder) {
    QStringList offered;
    graph.OnSelectedFilter = [&](IMoniker*, const QString& name, const QUuid& clsid) {
        offered << name;
        return clsid != CLSID_MediaAudioDecoder;
    };
    graph.SetActive(true);
    EXPECT_EQ(graph.RenderFile(FixturePath("dvd_ac3_stereo.vob")), VFW_S_AUDIO_NOT_RENDERED);
    EXPECT_EQ(offered.size(), 2);
    EXPECT_TRUE(offered.first().startsWith(QStringLiteral("Video Decoder")));
    EXPECT_FALSE(graph.Query<IBasicAudio>()->put_Volume(0) == S_OK);
}

TEST_F(Preview, AFailedRenderRaisesWithThePlatformText) {
    const QString path = FreshDir("bad") + QStringLiteral("/bad.vob");
    ASSERT_TRUE(WriteFile(path, QByteArray(5000, 'x')));
    graph.SetActive(true);
    try {
        graph.RenderFile(path);
        FAIL() << "rendered a file of x";
    } catch (const EDirectShowException& e) {
        EXPECT_TRUE(FAILED(e.ErrorCode()));
        EXPECT_TRUE(e.Message().endsWith(u')' + QString(u'.'))) << e.Message().toStdString();
    }
    EXPECT_FALSE(Open(path));
}

TEST_F(Preview, TheLogFileTellsHowTheGraphWasBuilt) {
    const QString log = FreshDir("log") + QStringLiteral("/graph.log");
    graph.SetLogFile(log);
    ASSERT_TRUE(Open(FixturePath("dvd_ac3_stereo.vob")));
    graph.SetActive(false); // closes the log
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("Added filter \"VideoWin\""))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("-> \"VideoWin\".Input"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("RenderFile done (0x00000000)")))
        << text.toStdString();
}
