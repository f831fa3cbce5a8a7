// TVideoWindow with a scripted graph and renderer: attachment, full screen, the
// placement on play (also when play comes from a worker), input, options.
#include "fake_graph.h"
#include "playback_helpers.h"

#include "preview/filter_graph.h"
#include "preview/video_window.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

#include <thread>

using namespace media;

namespace {

class Parent : public QWidget {
public:
    int contextMenus = 0;

protected:
    void contextMenuEvent(QContextMenuEvent*) override { ++contextMenus; }
};

struct VideoWindow : ::testing::Test {
    CallLog log;
    std::shared_ptr<FakeGraph> fake;
    std::shared_ptr<FakeRenderer> renderer;
    ScopedClass graphClass{CLSID_FilterGraph, [this] {
                               fake = std::make_shared<FakeGraph>(&log);
                               return std::shared_ptr<IUnknown>(fake);
                           }};
    ScopedClass rendererClass{CLSID_VideoRenderer, [this] {
                                  renderer = std::make_shared<FakeRenderer>(
                                      &log, QStringLiteral("renderer"));
                                  return std::shared_ptr<IUnknown>(renderer);
                              }};
    Parent form;
    TFilterGraph graph{&form};
    TVideoWindow* video = new TVideoWindow(&form);

    VideoWindow() {
        form.setObjectName(QStringLiteral("form"));
        video->setObjectName(QStringLiteral("VideoWin"));
        video->setGeometry(16, 24, 233, 162);
    }
    QStringList Take() {
        QStringList c = log.calls;
        log.Clear();
        return c;
    }
    // Active graph with the renderer connected, as after a file was rendered.
    void Rendered() {
        video->SetFilterGraph(&graph);
        graph.SetActive(true);
        ASSERT_TRUE(renderer);
        AddConnectedPin(renderer);
        Take();
    }
};

} // namespace

TEST_F(VideoWindow, AttachingAddsTheRendererUnderTheControlsName) {
    video->SetFilterGraph(&graph);
    EXPECT_EQ(graph.MemberCount(), 1);
    EXPECT_EQ(graph.SinkCount(), 1);
    EXPECT_EQ(video->VideoHandle(), video); // no renderer window yet: the control itself
    graph.SetActive(true);
    EXPECT_TRUE(Take().contains(QStringLiteral("AddFilter(VideoWin)")));
    EXPECT_TRUE(video->MemberFilter());
    video->SetFilterGraph(&graph); // the same graph: no calls at all
    EXPECT_TRUE(Take().isEmpty());
    EXPECT_EQ(graph.MemberCount(), 1);

    // Becoming inactive stops the renderer, breaks its connections, releases it.
    AddConnectedPin(renderer);
    graph.SetActive(false);
    EXPECT_EQ(Take(), (QStringList{"renderer.Stop", "Disconnect", "RemoveFilter(VideoWin)",
                                   "SetNotifyFlags(1)", "SetLogFile(none)"}));
    EXPECT_FALSE(video->MemberFilter());
    video->SetFilterGraph(nullptr);
    EXPECT_FALSE(graph.HasMemberList());
    EXPECT_FALSE(graph.HasSinkList());
}

TEST_F(VideoWindow, TheMixingRendererIsMissingSoVMRFallsBackToNormal) {
    video->SetFilterGraph(&graph);
    graph.SetActive(true);
    auto first = renderer;
    video->SetMode(vmVMR);
    EXPECT_EQ(video->Mode(), vmNormal);
    EXPECT_NE(renderer, first); // rebuilt on the active graph
    EXPECT_EQ(video->MemberFilter(), std::static_pointer_cast<IBaseFilter>(renderer));
}

TEST_F(VideoWindow, StreamsOutsideOneToSixteenStoreOne) {
    TVMROptions& o = video->VMROptions();
    EXPECT_EQ(o.Streams(), 4u);
    EXPECT_EQ(o.Preferences(), PreferenceBit(vpForceMixer));
    o.SetStreams(0);
    EXPECT_EQ(o.Streams(), 1u);
    o.SetStreams(17);
    EXPECT_EQ(o.Streams(), 1u);
    o.SetStreams(16);
    EXPECT_EQ(o.Streams(), 16u);
}

TEST_F(VideoWindow, PlayPlacesTheRendererOverTheControlWithCaptionAndDrain) {
    form.show();
    Rendered();
    graph.Play();
    EXPECT_EQ(Take(),
              (QStringList{"put_Owner(form)", "put_WindowStyle(56010000)",
                           "put_WindowStyleEx(00000000)", "SetWindowPosition(16,24,233,162)",
                           "put_Caption(VideoWin)", "put_MessageDrain(VideoWin)", "Run"}));
    // The renderer window follows the control.
    video->setGeometry(20, 30, 300, 200);
    EXPECT_TRUE(Take().contains(QStringLiteral("SetWindowPosition(20,30,300,200)")));
}

TEST_F(VideoWindow, PlayFromAWorkerPlacesTheWindowOnTheMainThread) {
    Rendered();
    std::thread worker([&] { graph.Play(); });
    worker.join();
    EXPECT_TRUE(WaitUntil(
        [&] { return log.calls.contains(QStringLiteral("put_MessageDrain(VideoWin)")); }));
    EXPECT_EQ(renderer->lastThread, QThread::currentThread());
}

TEST_F(VideoWindow, FullScreenTopMostClearsTheEdgesAndSetsTheTopMostBit) {
    Rendered();
    video->SetSavedStyles(WS_CHILD | WS_VISIBLE | WS_CAPTION | WS_THICKFRAME,
                          WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE |
                              WS_EX_STATICEDGE | 0x00010000);
    video->SetFullScreenTopMost(true); // not full screen: stored only
    EXPECT_TRUE(Take().isEmpty());
    video->SetFullScreen(true);
    const QSize screen = QGuiApplication::primaryScreen()->size();
    EXPECT_EQ(Take(), (QStringList{"put_Owner(none)", "put_WindowStyle(50000000)",
                                   "put_WindowStyleEx(00010008)",
                                   QStringLiteral("SetWindowPosition(0,0,%1,%2)")
                                       .arg(screen.width())
                                       .arg(screen.height())}));
    EXPECT_TRUE(video->FullScreenActive());

    // Back: the control's parent, at the control's bounds (not at 0,0).
    video->SetFullScreen(false);
    EXPECT_EQ(Take(),
              (QStringList{"put_Owner(form)", "put_WindowStyle(54c40000)",
                           "put_WindowStyleEx(00030301)", "SetWindowPosition(16,24,233,162)"}));
    EXPECT_FALSE(video->FullScreenActive());
}

TEST_F(VideoWindow, FullScreenBeforeTheRendererIsConnectedIsAppliedAtTheNextPlay) {
    video->SetFilterGraph(&graph);
    graph.SetActive(true);
    Take();
    video->SetFullScreen(true);
    EXPECT_TRUE(video->FullScreen());
    EXPECT_FALSE(video->FullScreenActive());
    EXPECT_TRUE(Take().isEmpty());
    AddConnectedPin(renderer);
    graph.Play();
    EXPECT_EQ(Take().first(), QStringLiteral("put_Owner(none)"));
    EXPECT_TRUE(video->FullScreenActive());
}

TEST_F(VideoWindow, InFullScreenAContextMenuWithoutAPopupIsSwallowed) {
    Rendered();
    QContextMenuEvent normal(QContextMenuEvent::Mouse, QPoint(5, 5),
                             video->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(video, &normal);
    EXPECT_EQ(form.contextMenus, 1); // not full screen: the usual handling lets it through
    video->SetFullScreen(true);
    QContextMenuEvent full(QContextMenuEvent::Mouse, QPoint(5, 5),
                           video->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(video, &full);
    EXPECT_EQ(form.contextMenus, 1);
    EXPECT_TRUE(full.isAccepted());
}

TEST_F(VideoWindow, DoubleClickIsSignalledAndVisibilityReachesTheRenderer) {
    Rendered();
    int clicks = 0;
    QObject::connect(video, &TVideoWindow::DblClick, [&] { ++clicks; });
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(3, 3), video->mapToGlobal(QPointF(3, 3)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(video, &dbl);
    EXPECT_EQ(clicks, 1);
    video->setVisible(false);
    EXPECT_EQ(Take(), (QStringList{"put_Visible(0)"}));
    video->setVisible(true);
    EXPECT_EQ(Take(), (QStringList{"put_Visible(-1)"}));
}

TEST_F(VideoWindow, AGraphDestroyedFirstIsForgotten) {
    auto* owned = new TFilterGraph;
    video->SetFilterGraph(owned);
    owned->SetActive(true);
    delete owned; // becomes inactive (the renderer is removed), then goes
    EXPECT_EQ(video->FilterGraph(), nullptr);
    EXPECT_FALSE(video->MemberFilter());
    delete video; // no detaching calls on a dead graph
}
